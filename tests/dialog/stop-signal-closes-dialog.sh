#!/usr/bin/env bash
# A stop signal that arrives while the editing dialog is open closes it as Cancel does:
# the program ends with the signal's status, says nothing was written, and writes nothing.
# Usage: stop-signal-closes-dialog.sh FILTERHOST INPUT WORK_DIR
set -u
filterhost=$1 input=$2 work=$3
rm -rf "$work" && mkdir -p "$work"
# The signal is sent as the filter call starts, before the dialog opens; a dialog that
# does not hear it would wait for a click that never comes, until the timeout.
QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" \
  FILTERHOST_TEST_SIGNALS=filter:TERM \
  timeout 120 "$filterhost" run "$input" -o "$work/out.png" --dialog 2> "$work/err"
status=$?
cat "$work/err"
[ "$status" -eq 143 ] || { echo "exit status $status, not 143"; exit 1; }
[ ! -e "$work/out.png" ] || { echo "an output was written"; exit 1; }
grep -q 'cancelled; nothing written' "$work/err" || { echo "no word of the cancel"; exit 1; }
