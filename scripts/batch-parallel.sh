#!/usr/bin/env bash
# Filters many images at once with GNU parallel: one `filterhost run` per
# file, on the local cores or across machines. Each run is independent (the
# host program keeps no state between images), so a list of files splits
# freely over workers.
#
# Usage:
#   scripts/batch-parallel.sh -o OUTPUT_DIR [-j JOBS] [--sshloginfile FILE]
#                             [--filterhost PATH] [FILE...] [-- RUN OPTIONS...]
# Without FILE arguments the file names are read from standard input, one per
# line. Each FILE is written to OUTPUT_DIR under its own name. RUN OPTIONS
# (for example `--play action.json` or `--set detI=10`) are passed to every
# run.
#
# Across machines, --sshloginfile takes GNU parallel's own list of ssh logins
# ("4/user@host" for four jobs there; ":" for this machine). The input and
# output folders and the filterhost program must then have the same absolute
# paths on every machine (a shared file system).
#
# Prints one line per file as it finishes, then a summary. Exit status: 0 when
# every file was filtered, 1 when any failed (each failure is reported with
# filterhost's own message), 2 for a usage error.
set -uo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
filterhost="$here/build/release/bin/filterhost"
output=""
jobs=""
sshloginfile=""
files=()
run_options=()

usage() {
  sed -n '6,13p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
}

while [ $# -gt 0 ]; do
  case "$1" in
    -o) [ $# -ge 2 ] || usage; output="$2"; shift 2 ;;
    -j) [ $# -ge 2 ] || usage; jobs="$2"; shift 2 ;;
    --sshloginfile) [ $# -ge 2 ] || usage; sshloginfile="$2"; shift 2 ;;
    --filterhost) [ $# -ge 2 ] || usage; filterhost="$2"; shift 2 ;;
    --) shift; run_options=("$@"); break ;;
    -h|--help) usage ;;
    -*) echo "batch-parallel: unknown option $1" >&2; usage ;;
    *) files+=("$1"); shift ;;
  esac
done
[ -n "$output" ] || { echo "batch-parallel: -o OUTPUT_DIR is required" >&2; usage; }
command -v parallel >/dev/null || { echo "batch-parallel: GNU parallel is not installed (Debian package 'parallel')" >&2; exit 2; }
[ -x "$filterhost" ] || { echo "batch-parallel: no filterhost at $filterhost" >&2; exit 2; }
mkdir -p "$output" || exit 2
output="$(cd "$output" && pwd)"

if [ ${#files[@]} -eq 0 ]; then
  mapfile -t files
fi
if [ ${#files[@]} -eq 0 ]; then
  echo "batch-parallel: no files given" >&2
  exit 2
fi

options=(--will-cite --line-buffer --halt never)
[ -n "$jobs" ] && options+=(--jobs "$jobs")
[ -n "$sshloginfile" ] && options+=(--sshloginfile "$sshloginfile")

# One run per file; its own lines (and errors) are prefixed by the file name.
# parallel runs the command through a shell, so every word is quoted here.
command_line="$(printf '%q' "$filterhost") run {} -o $(printf '%q' "$output")/{/}"
for option in "${run_options[@]+"${run_options[@]}"}"; do
  command_line+=" $(printf '%q' "$option")"
done
printf '%s\n' "${files[@]}" | parallel "${options[@]}" --tagstring '{/}:' "$command_line" 2>&1
failed=$?

total=${#files[@]}
if [ "$failed" -eq 0 ]; then
  echo "batch-parallel: $total of $total files filtered into $output"
  exit 0
fi
# GNU parallel counts failed jobs up to 100; above that it says 101.
[ "$failed" -gt 100 ] && failed="more than 100"
echo "batch-parallel: $failed of $total files failed; the others are in $output" >&2
exit 1
