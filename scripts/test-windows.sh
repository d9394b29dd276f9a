#!/usr/bin/env bash
# Builds the Windows preset (the libraries from build/windows-deps when they are
# there) and tests it under wine in a fresh, temporary prefix:
#   - the module's export and import tables (objdump -p)
#   - every golden case through filterhost.exe and Nelvo.8bf, with the OpenCL
#     device off and on (wine's OpenCL.dll hands the calls to PoCL)
#   - a run with OpenCL.dll made unavailable, which must rate on the CPU
#   - paths with non-ASCII characters, and C:\ and Z:/ paths on the command line
#   - the editing dialog on a virtual display driven by xdotool (OK after a key, a
#     brush stroke and its undo, redo and clearing, the tool size keys, a preset
#     saved through "+" and its naming dialog and applied from the "Presets" menu,
#     Escape, the about box opened from the dialog's link and closed by a click, the
#     navigator beside the dialog moving the preview with a click, no splash left once
#     the dialog is up)
#   - a stop at the filter step, Ctrl-C sent to a console during a long run, the
#     load-run-free loop, the preset store, the module's picture resources and UTF-16
#     text conversion
# Ends with the line "N passed, N failed"; the status is 1 when any failed.
# Usage: scripts/test-windows.sh [--no-build]
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"

if [ "${1:-}" != "--no-build" ]; then
  bash scripts/setup-debian.sh
  bash scripts/build-windows-deps.sh
  cmake --preset windows >/dev/null
  cmake --build --preset windows -j 2
fi

bin="$root/build/windows/bin"
filterhost="$bin/filterhost.exe"
module="$bin/Nelvo.8bf"
compare="$root/build/windows/tests/golden/golden_compare.exe"
objdump=x86_64-w64-mingw32-objdump

work="$(mktemp -d "${TMPDIR:-/tmp}/nelvo-wine.XXXXXX")"
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
export WINEPREFIX="$work/prefix"
export WINEDEBUG=-all
# No display: no window may be needed. No Mono or Gecko prompts either.
unset DISPLAY WAYLAND_DISPLAY
export WINEDLLOVERRIDES="mscoree,mshtml="
export POCL_CACHE_DIR="$root/build/pocl-cache"
mkdir -p "$POCL_CACHE_DIR"

passed=0
failed=0
pass() {
  passed=$((passed + 1))
}
fail() {
  failed=$((failed + 1))
  echo "FAIL: $*"
}

start=$SECONDS

# --- The module's tables ----------------------------------------------------
# Imports must be system DLLs only: the C and C++ runtimes, TBB and the image
# libraries are linked in.
system_dlls='^(kernel32|user32|msvcrt|advapi32|shell32|ole32|gdi32|bcrypt|ws2_32|comctl32|comdlg32|msimg32)\.dll$'
check_imports() {
  local file="$1" dll bad=""
  while read -r dll; do
    if ! echo "$dll" | tr '[:upper:]' '[:lower:]' | grep -Eq "$system_dlls"; then bad+=" $dll"; fi
  done < <("$objdump" -p "$file" | awk '/DLL Name:/ {print $3}')
  if [ -z "$bad" ]; then pass; else fail "$(basename "$file") imports non-system DLLs:$bad"; fi
}
exports="$("$objdump" -p "$module" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
  awk '/\[/ && !/Ordinal/ {print $NF}')"
if [ "$exports" = "PluginMain" ]; then pass; else fail "Nelvo.8bf exports: $(echo $exports)"; fi
if "$objdump" -f "$module" | grep -q "file format pei-x86-64"; then
  pass
else
  fail "Nelvo.8bf is not a 64-bit PE file"
fi
for file in "$module" "$filterhost" "$compare" "$bin/module_loop.exe" "$bin/preset_store.exe" \
  "$bin/picture_resources.exe" "$bin/console_stop.exe"; do
  check_imports "$file"
done

# --- The wine prefix ---------------------------------------------------------
wine wineboot -i >/dev/null 2>&1
registry_folder="$(find "$WINEPREFIX/drive_c/users" -maxdepth 3 -type d -path '*/AppData/Local' | head -n1)/filterhost"

# Runs the command that follows $1 (a wine program), adding its output to the file $1.
# Under load wine now and then fails to start a program at all: the run ends with an
# error status and prints nothing, where our programs always print a line. Such a run
# is made once more, and the log says so.
wine_logged() {
  local log="$1" status=0 before
  shift
  before="$(wc -c <"$log" 2>/dev/null || echo 0)"
  "$@" >>"$log" 2>&1 || status=$?
  if [ "$status" != 0 ] && [ "$(wc -c <"$log")" = "$before" ]; then
    echo "(the program printed nothing and ended with status $status: started once more)" >>"$log"
    status=0
    "$@" >>"$log" 2>&1 || status=$?
  fi
  return "$status"
}

# Runs golden case $1 with the OpenCL device $2 (off, cpu); the output goes to
# $3. Extra environment for wine comes from the caller.
run_case() {
  local case="$1" device="$2" output="$3"
  local args=()
  if [ -f "$case/mask.png" ]; then args+=(--mask "$case/mask.png"); fi
  if [ -f "$case/arguments" ]; then mapfile -t -O "${#args[@]}" args <"$case/arguments"; fi
  # Each case starts without remembered settings, as on a fresh machine.
  rm -rf "$registry_folder"
  # A failure says which program failed and how: under load a run once failed with an
  # empty log. (The status lines hold no "opencl:", which the traced runs look for.)
  local status=0
  : >"$work/run.log"
  wine_logged "$work/run.log" env NELVO_OPENCL_DEVICE="$device" wine "$filterhost" run \
    "$case/input.tif" -o "$output" --play "$case/action.json" "${args[@]}" || status=$?
  if [ "$status" != 0 ]; then
    echo "filterhost.exe ended with status $status" >>"$work/run.log"
    return 1
  fi
  wine_logged "$work/run.log" wine "$compare" "$case/expected.tif" "$output" || status=$?
  if [ "$status" != 0 ]; then
    echo "golden_compare.exe ended with status $status" >>"$work/run.log"
    return 1
  fi
}

# --- Every golden case, OpenCL off and on ------------------------------------
cases=()
for action in tests/golden/*/action.json; do cases+=("$(dirname "$action")"); done
for case in "${cases[@]}"; do
  for device in off cpu; do
    name="$(basename "$case").opencl-$device"
    if run_case "$case" "$device" "$work/$name.tif"; then
      pass
    else
      fail "golden $name"
      cat "$work/run.log"
    fi
  done
done

# The device run really went through OpenCL.dll: its kernels were enqueued.
case="tests/golden/rgb8-dark-specks"
if WINEDEBUG=trace+opencl run_case "$case" cpu "$work/traced.tif" &&
  grep -q "clEnqueueNDRangeKernel" "$work/run.log"; then
  pass
else
  fail "the OpenCL device run enqueued no kernel through OpenCL.dll"
fi

# --- OpenCL.dll unavailable: the CPU rates, the result is the same -----------
if WINEDLLOVERRIDES="$WINEDLLOVERRIDES;opencl=d" WINEDEBUG=trace+opencl \
  run_case "$case" any "$work/no-opencl.tif" && ! grep -q "opencl:" "$work/run.log"; then
  pass
else
  fail "run without OpenCL.dll"
  cat "$work/run.log"
fi

# --- Non-ASCII names (a code point beyond U+FFFF included), C:\ and Z:/ -------
unicode="$work/Ünïcödé 写真 📷"
mkdir -p "$unicode"
cp "$case/input.tif" "$unicode/Grüße 📷.tif"
cp "$case/action.json" "$unicode/Aktion ü.json"
rm -rf "$registry_folder"
if wine "$filterhost" run "$unicode/Grüße 📷.tif" -o "$unicode/Ergebnis 写真.tif" \
  --play "$unicode/Aktion ü.json" >"$work/run.log" 2>&1 &&
  wine "$compare" "$case/expected.tif" "$unicode/Ergebnis 写真.tif" >>"$work/run.log" 2>&1 &&
  [ -z "$(find "$unicode" -name '.*tmp')" ]; then
  pass
else
  fail "non-ASCII paths"
  cat "$work/run.log"
fi

mkdir -p "$WINEPREFIX/drive_c/nelvo test"
cp "$case/input.tif" "$case/action.json" "$WINEPREFIX/drive_c/nelvo test/"
zpath="Z:$work/z-output.tif"
if wine "$filterhost" run 'C:\nelvo test\input.tif' -o "$zpath" --play 'C:\nelvo test\action.json' \
  >"$work/run.log" 2>&1 && wine "$compare" "$case/expected.tif" "$work/z-output.tif" >>"$work/run.log" 2>&1; then
  pass
else
  fail "C:\\ and Z:/ paths"
  cat "$work/run.log"
fi

# --- The editing dialog, on a virtual display driven by xdotool -------------
# The dialog opens on the sample; keys move the focus to the detection slider (nine
# steps back from OK through the template's visible tab stops), raise it by one and confirm
# with Return. The recorded settings must hold the raised value and the written image
# must equal the silent run with those settings. Escape writes nothing.
display=":$((100 + $$ % 400))"
Xvfb "$display" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
# The display must answer before the first window is made on it.
for _ in $(seq 50); do
  DISPLAY="$display" xdotool getdisplaygeometry >/dev/null 2>&1 && break
  sleep 0.2
done
trap 'kill "$xvfb_pid" 2>/dev/null || true; wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
sample="$root/samples/coffee-dusty.png"
title="$(awk -F'\t' '$2 == "dialogTitle" {print $3}' resources/strings/strings.tsv)"
mkdir -p "$work/dialog"

# Waits for the dialog's window of the run $1 (a process id); prints its X window id.
dialog_window() {
  local window="" tries=0
  while [ -z "$window" ] && [ "$tries" -lt 600 ] && kill -0 "$1" 2>/dev/null; do
    sleep 0.2
    tries=$((tries + 1))
    window="$(DISPLAY="$display" xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -n1 || true)"
  done
  echo "$window"
}

# Focuses window $1 and types the keys that follow.
type_keys() {
  local window="$1"
  shift
  DISPLAY="$display" xdotool windowactivate --sync "$window" >/dev/null 2>&1 ||
    DISPLAY="$display" xdotool windowfocus --sync "$window" >/dev/null 2>&1 || true
  sleep 0.5
  DISPLAY="$display" xdotool key --delay 150 "$@"
}

# Waits for the run $1 for at most 60 s, then stops it (a window left open by a step
# that went wrong); its status, or 143 when stopped.
wait_or_stop() {
  local waited=0
  while kill -0 "$1" 2>/dev/null && [ "$waited" -lt 300 ]; do
    sleep 0.2
    waited=$((waited + 1))
  done
  kill "$1" 2>/dev/null || true
  wait "$1"
}

# The prefix's desktop process is started by the first program of a wine server, with
# that program's display or none: each dialog run starts with a new server.
restart_wineserver() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
}
restart_wineserver
# The dialog opens with the detection at 8; one step up makes it 9.
expected=9
rm -rf "$registry_folder"
opened=$SECONDS
DISPLAY="$display" wine "$filterhost" run "$sample" -o "$work/dialog/ok.tif" --dialog \
  --set detI=8 --record "$work/dialog/ok.json" >"$work/dialog.log" 2>&1 &
run_pid=$!
window="$(dialog_window "$run_pid")"
[ -z "$window" ] || echo "the dialog's window appeared after $((SECONDS - opened)) s under wine"
if [ -n "$window" ]; then
  type_keys "$window" shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab \
    shift+Tab shift+Tab Right Return
fi
status=0
wait_or_stop "$run_pid" || status=$?
recorded="$(python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["descriptor"]["detI"])' \
  "$work/dialog/ok.json" 2>/dev/null || echo none)"
rm -rf "$registry_folder"
if [ -n "$window" ] && [ "$status" = 0 ] && [ "$recorded" = "$expected" ] &&
  wine "$filterhost" run "$sample" -o "$work/dialog/silent.tif" --set "detI=$expected" \
    >>"$work/dialog.log" 2>&1 &&
  wine "$compare" "$work/dialog/silent.tif" "$work/dialog/ok.tif" >>"$work/dialog.log" 2>&1; then
  pass
else
  fail "the dialog's OK (window '$window', status $status, detI $recorded, expected $expected)"
  cat "$work/dialog.log"
fi

# Runs the dialog at detection 8 writing $1/out.tif: keys $2 (a space-separated list,
# may be empty) before a brush stroke across the cup (client points inside the fitted
# sample), then the keys that follow, then Return. Prints the run's status.
stroke_run() {
  local folder="$1" before="$2" status=0
  shift 2
  mkdir -p "$folder"
  restart_wineserver
  rm -rf "$registry_folder"
  DISPLAY="$display" wine "$filterhost" run "$sample" -o "$folder/out.tif" --dialog \
    --set detI=8 >>"$work/dialog.log" 2>&1 &
  local run_pid=$!
  local window
  window="$(dialog_window "$run_pid")"
  if [ -n "$window" ]; then
    # shellcheck disable=SC2086 # the keys are a list
    [ -z "$before" ] || type_keys "$window" $before
    eval "$(DISPLAY="$display" xdotool getwindowgeometry --shell "$window")"
    # The window must be active before the press, or the press may only activate it.
    DISPLAY="$display" xdotool windowactivate --sync "$window" >/dev/null 2>&1 ||
      DISPLAY="$display" xdotool windowfocus --sync "$window" >/dev/null 2>&1 || true
    sleep 0.5
    DISPLAY="$display" xdotool mousemove $((X + 200)) $((Y + 300)) sleep 0.2 mousedown 1 \
      sleep 0.2 mousemove $((X + 260)) $((Y + 330)) sleep 0.2 mousemove $((X + 350)) $((Y + 360)) \
      sleep 0.2 mouseup 1
    sleep 1
    type_keys "$window" "$@" Return
  else
    kill "$run_pid" 2>/dev/null || true
  fi
  wait_or_stop "$run_pid" || status=$?
  rm -rf "$registry_folder"
  [ -n "$window" ] || status=none
  echo "$status"
}

# Whether the images $1 and $2 are equal.
same_image() {
  wine_logged "$work/dialog.log" wine "$compare" "$1" "$2"
}

# A stroke marks more defects: the written image differs from the silent run with the
# same settings. Undoing it gives the silent run back, redoing it the stroke's image;
# clearing the marks gives the silent run; a larger brush marks another image.
: >"$work/dialog.log"
wine "$filterhost" run "$sample" -o "$work/silent8.tif" --set detI=8 >>"$work/dialog.log" 2>&1
status="$(stroke_run "$work/stroke" "")"
if [ "$status" = 0 ] && ! same_image "$work/silent8.tif" "$work/stroke/out.tif"; then
  pass
else
  fail "the dialog's brush stroke (status $status)"
  cat "$work/dialog.log"
fi
# name | keys before the stroke | keys after it | image the output must equal ("" = none
# of the two)
while IFS='|' read -r name before after equal; do
  : >"$work/dialog.log"
  # shellcheck disable=SC2086 # the keys are a list
  status="$(stroke_run "$work/$name" "$before" $after)"
  ok=false
  if [ "$status" = 0 ]; then
    if [ -n "$equal" ]; then
      same_image "$equal" "$work/$name/out.tif" && ok=true
    else
      ! same_image "$work/silent8.tif" "$work/$name/out.tif" &&
        ! same_image "$work/stroke/out.tif" "$work/$name/out.tif" && ok=true
    fi
  fi
  if $ok; then
    pass
  else
    fail "the dialog's $name (status $status)"
    cat "$work/dialog.log"
  fi
done <<CASES
undo||ctrl+z|$work/silent8.tif
redo||ctrl+z ctrl+y|$work/stroke/out.tif
redo-shift||ctrl+z ctrl+shift+z|$work/stroke/out.tif
clear||ctrl+Delete|$work/silent8.tif
larger-brush|bracketright bracketright bracketright||
CASES

mkdir -p "$work/escape"
restart_wineserver
DISPLAY="$display" wine "$filterhost" run "$sample" -o "$work/escape/out.tif" --dialog \
  >"$work/dialog.log" 2>&1 &
run_pid=$!
window="$(dialog_window "$run_pid")"
[ -z "$window" ] || type_keys "$window" Escape
status=0
wait_or_stop "$run_pid" || status=$?
if [ -n "$window" ] && [ "$status" != 0 ] && [ "$status" != 143 ] &&
  [ -z "$(ls -A "$work/escape")" ]; then
  pass
else
  fail "the dialog's Escape (window '$window', status $status)"
  ls -A "$work/escape"
  cat "$work/dialog.log"
fi

# Waits up to five seconds for a visible window titled $1 to be there ($2 = shown) or
# to be gone ($2 = gone); prints its X window id, empty when there is none.
titled_window() {
  local found=""
  for _ in $(seq 25); do
    found="$(DISPLAY="$display" xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1 || true)"
    if [ "$2" = shown ] && [ -n "$found" ]; then break; fi
    if [ "$2" = gone ] && [ -z "$found" ]; then break; fi
    sleep 0.2
  done
  echo "$found"
}

# Starts a dialog run on the sample, writing $work/$1/out.tif (further arguments go to the
# run), on a new wine server with an empty log; sets run_pid and window.
start_dialog() {
  local name="$1"
  shift
  mkdir -p "$work/$name"
  : >"$work/dialog.log"
  restart_wineserver
  DISPLAY="$display" wine "$filterhost" run "$sample" -o "$work/$name/out.tif" --dialog "$@" \
    >>"$work/dialog.log" 2>&1 &
  run_pid=$!
  window="$(dialog_window "$run_pid")"
}

# The about box from the dialog's "About Nelvo" link (its centre at (422, 424) dialog
# units, (738, 689) client pixels at the 7 x 13 base units of wine's dialog font) opens
# over the dialog; a click on it closes it, and the dialog still answers: Escape ends
# it, writing nothing.
about_title="$(awk -F'\t' '$2 == "aboutLink" {print $3}' resources/strings/strings.tsv)"
start_dialog about
about=""
about_left=yes
if [ -n "$window" ]; then
  eval "$(DISPLAY="$display" xdotool getwindowgeometry --shell "$window")"
  DISPLAY="$display" xdotool windowactivate --sync "$window" >/dev/null 2>&1 ||
    DISPLAY="$display" xdotool windowfocus --sync "$window" >/dev/null 2>&1 || true
  sleep 0.5
  DISPLAY="$display" xdotool mousemove $((X + 738)) $((Y + 689)) sleep 0.2 click 1
  about="$(titled_window "$about_title" shown)"
  if [ -n "$about" ]; then
    eval "$(DISPLAY="$display" xdotool getwindowgeometry --shell "$about")"
    DISPLAY="$display" xdotool mousemove $((X + 20)) $((Y + 40)) sleep 0.2 click 1
    about_left="$(titled_window "$about_title" gone)"
  fi
  type_keys "$window" Escape
fi
status=0
wait_or_stop "$run_pid" || status=$?
if [ -n "$about" ] && [ -z "$about_left" ] && [ "$status" != 0 ] && [ "$status" != 143 ] &&
  [ -z "$(ls -A "$work/about")" ]; then
  pass
else
  fail "the about box from the dialog (window '$window', box '$about', still open '$about_left', status $status)"
  cat "$work/dialog.log"
fi

# Presets: "+" (reached with Shift+Tab from OK; "Presets" and "-" are disabled while
# there are none) saves the controls under the name typed into the naming dialog; a
# later dialog at another detection applies it from the "Presets" menu, and its OK
# writes what the silent run with the preset's detection writes.
naming_title="$(awk -F'\t' '$2 == "savePresetTitle" {print $3}' resources/strings/strings.tsv)"
presets_folder="$(dirname "$registry_folder")/NelvoPlugin/Presets"
rm -rf "$presets_folder"
mkdir -p "$work/presets"
: >"$work/dialog.log"
restart_wineserver
DISPLAY="$display" wine "$filterhost" run "$sample" -o "$work/presets/saved.tif" --dialog \
  --set detI=3 >>"$work/dialog.log" 2>&1 &
run_pid=$!
window="$(dialog_window "$run_pid")"
naming=""
if [ -n "$window" ]; then
  # Away from the preview, where the space bar would pan instead of pressing the button.
  DISPLAY="$display" xdotool mousemove 0 0
  # shellcheck disable=SC2046 # fourteen presses
  type_keys "$window" $(printf 'shift+Tab %.0s' $(seq 14)) space
  naming="$(titled_window "$naming_title" shown)"
  [ -z "$naming" ] || DISPLAY="$display" xdotool type --delay 100 "Dust3"
  sleep 0.3
  DISPLAY="$display" xdotool key Return
  sleep 1
  type_keys "$window" Escape
fi
wait_or_stop "$run_pid" || true
if [ -n "$naming" ] && [ -f "$presets_folder/Dust3.nelvo" ]; then
  pass
else
  fail "saving a preset from the dialog (window '$window', naming dialog '$naming')"
  ls -la "$presets_folder" 2>&1
  cat "$work/dialog.log"
fi
restart_wineserver
DISPLAY="$display" wine "$filterhost" run "$sample" -o "$work/presets/applied.tif" --dialog \
  --set detI=8 >>"$work/dialog.log" 2>&1 &
run_pid=$!
window="$(dialog_window "$run_pid")"
if [ -n "$window" ]; then
  DISPLAY="$display" xdotool mousemove 0 0
  # shellcheck disable=SC2046 # sixteen presses
  type_keys "$window" $(printf 'shift+Tab %.0s' $(seq 16)) space
  sleep 0.5
  DISPLAY="$display" xdotool key --delay 200 Down Return
  sleep 2
  # The focus is back on "Presets", where Return would open the menu again: sixteen
  # Tabs forward reach OK.
  # shellcheck disable=SC2046 # sixteen presses
  type_keys "$window" $(printf 'Tab %.0s' $(seq 16)) Return
fi
status=0
wait_or_stop "$run_pid" || status=$?
rm -rf "$registry_folder"
if [ -n "$window" ] && [ "$status" = 0 ] &&
  wine "$filterhost" run "$sample" -o "$work/presets/silent3.tif" --set detI=3 \
    >>"$work/dialog.log" 2>&1 &&
  same_image "$work/presets/silent3.tif" "$work/presets/applied.tif"; then
  pass
else
  fail "applying a preset from the dialog's menu (window '$window', status $status)"
  cat "$work/dialog.log"
fi
rm -rf "$presets_folder"

# The navigator: a tool window to the left of the dialog with the picture and its frame.
# Zoomed in twice (Ctrl++), a click in its lower left corner moves the preview there: the
# dialog's picture changes. Escape ends the dialog.
navigator_title="$(awk -F'\t' '$2 == "navigatorTitle" {print $3}' resources/strings/strings.tsv)"
start_dialog navigator
navigator=""
placed=no
moved=no
if [ -n "$window" ]; then
  navigator="$(titled_window "$navigator_title" shown)"
fi
if [ -n "$navigator" ]; then
  eval "$(DISPLAY="$display" xdotool getwindowgeometry --shell "$window")"
  dialog_left=$X
  eval "$(DISPLAY="$display" xdotool getwindowgeometry --shell "$navigator")"
  [ $((X + WIDTH)) -le "$dialog_left" ] && placed=yes
  DISPLAY="$display" xdotool mousemove 0 0
  type_keys "$window" ctrl+plus ctrl+plus
  sleep 1
  DISPLAY="$display" import -silent -window "$window" "$work/navigator/before.png"
  DISPLAY="$display" xdotool mousemove $((X + 30)) $((Y + HEIGHT - 15)) sleep 0.2 click 1
  sleep 1
  DISPLAY="$display" import -silent -window "$window" "$work/navigator/after.png"
  differing="$(compare -metric AE "$work/navigator/before.png" "$work/navigator/after.png" \
    null: 2>&1 || true)"
  [ "${differing%% *}" != 0 ] && [ -n "$differing" ] && moved=yes
fi
[ -z "$window" ] || type_keys "$window" Escape
status=0
wait_or_stop "$run_pid" || status=$?
if [ "$placed" = yes ] && [ "$moved" = yes ] && [ "$status" != 0 ] && [ "$status" != 143 ]; then
  pass
else
  fail "the navigator (window '$window', navigator '$navigator', left of the dialog $placed, preview moved $moved, status $status)"
  cat "$work/dialog.log"
fi

# The splash: once the dialog is up, no splash is left over it, and the dialog has the
# keys (Escape ends it). Whether the splash shows at all depends on how long the dialog
# takes to prepare, so only the screenshots look for it.
start_dialog splash
splash_left=""
[ -z "$window" ] || splash_left="$(titled_window Nelvo gone)"
[ -z "$window" ] || type_keys "$window" Escape
status=0
wait_or_stop "$run_pid" || status=$?
if [ -n "$window" ] && [ -z "$splash_left" ] && [ "$status" != 0 ] && [ "$status" != 143 ]; then
  pass
else
  fail "the splash (dialog '$window', splash still shown '$splash_left', status $status)"
  cat "$work/dialog.log"
fi

# --- A stop (Ctrl-C) at the filter step: status 130, nothing written --------
mkdir -p "$work/stop"
status=0
FILTERHOST_TEST_SIGNALS="filter:INT" wine "$filterhost" run "$case/input.tif" \
  -o "$work/stop/out.tif" --play "$case/action.json" >"$work/run.log" 2>&1 || status=$?
if [ "$status" = 130 ] && [ -z "$(ls -A "$work/stop")" ]; then
  pass
else
  fail "a stop at the filter step (status $status)"
  ls -A "$work/stop"
  cat "$work/run.log"
fi

# --- Ctrl-C on a real console during a long run: status 130, nothing left ----
mkdir -p "$work/console"
if wine "$bin/console_stop.exe" "$filterhost" "$work/console" </dev/null >"$work/run.log" 2>&1; then
  pass
else
  fail "Ctrl-C on a console"
  cat "$work/run.log"
fi

# --- Load, run and free the module 20 times in one process -----------------
mkdir -p "$work/loop"
if wine "$bin/module_loop.exe" "$module" "$work/loop" >"$work/run.log" 2>&1; then
  pass
  cat "$work/run.log"
else
  fail "the load-run-free loop"
  cat "$work/run.log"
fi

# --- The preset store: the known folder, the file format, non-ASCII names ----
mkdir -p "$work/presets"
if wine "$bin/preset_store.exe" "$work/presets" tests/presets/data/default.nelvo \
  >"$work/run.log" 2>&1; then
  pass
else
  fail "the preset store"
  cat "$work/run.log"
fi

# --- The module's pictures: PNG resources of the listed sizes ---------------
if wine "$bin/picture_resources.exe" "$module" resources/pictures/pictures.txt \
  >"$work/run.log" 2>&1; then
  pass
else
  fail "the module's picture resources"
  cat "$work/run.log"
fi

# --- UTF-16 text conversion ------------------------------------------------
if wine "$bin/text_conversion_utf16.exe" >"$work/run.log" 2>&1; then
  pass
else
  fail "UTF-16 text conversion"
  cat "$work/run.log"
fi

echo "wine tests took $((SECONDS - start)) s"
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
