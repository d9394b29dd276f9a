#!/usr/bin/env bash
# What a user waits for in the editing dialog, measured on the screen rather than in
# the engine: `filterhost run --dialog` on a 6000 x 4000 16-bit TIFF under Xvfb
# (1920 x 1080), driven by xdotool, with X damage telling when the screen's pixels last
# changed. Reports
#   - the first preview: from the end of reading the file (the host's "opening the
#     editing dialog" line) to the dialog's window on the screen with its picture;
#   - for single intensity steps (arrow keys on the slider) and for a drag of the
#     intensity slider across several values, at fit zoom and at 100 %: from the last
#     input event (the key, the button's release) to the last change of the preview's
#     pixels in the "Optimized" view.
# Targets: 1.5 s to the first preview, 150 ms from the last event to the final picture.
# The machine's load is printed alongside: the figures mean little on a busy machine.
# Usage: scripts/dialog-latency.sh [preset] [rounds]   (default: release, 5)
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-release}"
rounds="${2:-5}"
for tool in Xvfb xdotool convert gcc script; do
  command -v "$tool" >/dev/null || { echo "dialog-latency: $tool is missing" >&2; exit 1; }
done
build="build/$preset"
cmake --build --preset "$preset" -j 2 --target filterhost >/dev/null
work="$build/dialog-latency"
mkdir -p "$work"
# A plasma picture with 4000 specks of 1 to 4 pixels' radius and of varied darkness, so
# that each intensity finds another set of defects and the picture changes.
input="$work/plasma-6000x4000-16-dusty.tif"
if [ ! -f "$input" ]; then
  draws=()
  chunk=""
  count=0
  while read -r speck; do
    chunk+="$speck "
    count=$((count + 1))
    # ImageMagick's policy refuses primitives read from a file; one argument holds 500.
    if [ "$count" -eq 500 ]; then
      draws+=(-draw "$chunk")
      chunk=""
      count=0
    fi
  done < <(awk 'BEGIN { srand(3); for (i = 0; i < 4000; i++) {
      x = int(rand() * 6000); y = int(rand() * 4000); r = 1 + int(rand() * 4)
      printf "fill gray(%d%%) circle %d,%d %d,%d\n", 5 + int(rand() * 50), x, y, x + r, y } }')
  convert -size 6000x4000 -depth 16 plasma:fractal -seed 3 "${draws[@]}" -alpha off "$input"
fi
probe="$work/damage-watch"
gcc -O2 -Wall -Wextra -o "$probe" scripts/latency/damage-watch.c -lXdamage -lX11

display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1920x1080x24 >/dev/null 2>&1 &
xvfb=$!
watcher=""
host=""
cleanup() {
  [ -z "$host" ] || kill "$host" 2>/dev/null || true
  [ -z "$watcher" ] || kill "$watcher" 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
export DISPLAY="$display"
# A fresh registry: the dialog opens with the default settings (intensity 8).
export XDG_CONFIG_HOME="$PWD/$work/config"
rm -rf "$XDG_CONFIG_HOME"
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done

"$probe" watch >"$work/damage.log" &
watcher=$!
until grep -q ready "$work/damage.log" 2>/dev/null; do sleep 0.05; done
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"

script -qfc "$build/bin/filterhost run $input -o $work/out.tif --dialog" /dev/null 2>&1 |
  "$probe" lines >"$work/host.log" &
host=$!
window=""
for _ in $(seq 600); do
  window=$(xdotool search --onlyvisible --name '^Nelvo' 2>/dev/null | head -1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "dialog-latency: the dialog did not appear" >&2; exit 1; }
sleep 1  # the window takes its final place and size
eval "$(xdotool getwindowgeometry --shell "$window")"  # X, Y, WIDTH, HEIGHT
echo "dialog at ${X},${Y}, ${WIDTH} x ${HEIGHT}"

now() { "$probe" stamp true; }

# The last change of the preview's pixels after $1 (ms), once they have been still for
# 1.5 s; the preview is the window's left part, without the control column.
settle() {
  local since="$1" last="" current
  while :; do
    sleep 0.25
    current=$(now)
    last=$(awk -v since="$since" -v x0="$X" -v y0="$((Y + 40))" -v x1="$((X + WIDTH - 300))" \
      -v y1="$((Y + HEIGHT - 40))" '
      NF == 5 && $1 > since && $2 < x1 && $2 + $4 > x0 && $3 < y1 && $3 + $5 > y0 &&
      $4 >= 64 && $5 >= 64 { last = $1 }
      END { print last }' "$work/damage.log")
    local quietSince="${last:-$since}"
    if awk -v n="$current" -v q="$quietSince" 'BEGIN { exit !(n - q >= 1500) }'; then break; fi
    if awk -v n="$current" -v s="$since" 'BEGIN { exit !(n - s >= 30000) }'; then break; fi
  done
  if [ -z "$last" ]; then echo "none"; else awk -v a="$last" -v b="$since" 'BEGIN { printf "%.0f", a - b }'; fi
}

# The slider's handle for an intensity (1..20), from the window's right edge: the
# slider keeps its distance to it when the window grows.
handleX() { echo $((X + WIDTH - 284 + ($1 - 1) * 255 / 19)); }
sliderY=$((Y + 139))

readEnd=$(awk '/opening the editing dialog/ { print $1; exit }' "$work/host.log")
# The window's first drawing of itself whole (the splash before it is smaller).
shown=$(awk -v since="$readEnd" -v w="$WIDTH" -v h="$HEIGHT" \
  'NF == 5 && $1 > since && $4 >= 0.9 * w && $5 >= 0.9 * h && $4 < 1920 { print $1; exit }' \
  "$work/damage.log")
printf 'first preview: %.0f ms after the file was read (target 1500)\n' \
  "$(awk -v a="$shown" -v b="$readEnd" 'BEGIN { print a - b }')"

# The "Optimized" view, once the first computation has finished.
xdotool windowfocus --sync "$window" 2>/dev/null || true
xdotool key ctrl+Tab ctrl+Tab
settle "$(now)" >/dev/null
intensity=8
results=()
measure() {  # name, zoom key
  local name="$1" zoomKey="$2" t
  xdotool key "$zoomKey"
  settle "$(now)" >/dev/null
  # A click on the handle gives the slider the focus without moving it.
  xdotool mousemove "$(handleX "$intensity")" "$sliderY" click 1
  settle "$(now)" >/dev/null
  local steps=() drags=()
  for round in $(seq "$rounds"); do
    local key=Right
    [ $((round % 2)) -eq 0 ] && key=Left
    t=$("$probe" stamp xdotool key "$key")
    if [ "$key" = Right ]; then intensity=$((intensity + 1)); else intensity=$((intensity - 1)); fi
    steps+=("$(settle "$t")")
  done
  for round in $(seq "$rounds"); do
    # From 8 to 13 and back, a value about every 40 ms, as a hand drags.
    local from=$intensity to=$((intensity == 8 ? 13 : 8)) v
    xdotool mousemove "$(handleX "$from")" "$sliderY" mousedown 1
    if [ "$to" -gt "$from" ]; then v=$((from + 1)); else v=$((from - 1)); fi
    while :; do
      xdotool mousemove "$(handleX "$v")" "$sliderY" sleep 0.04
      [ "$v" -eq "$to" ] && break
      if [ "$to" -gt "$from" ]; then v=$((v + 1)); else v=$((v - 1)); fi
    done
    t=$("$probe" stamp xdotool mouseup 1)
    intensity=$to
    drags+=("$(settle "$t")")
  done
  results+=("$name single step: ${steps[*]} ms")
  results+=("$name drag 5 values: ${drags[*]} ms")
}
measure "fit  " ctrl+0
measure "100 %" ctrl+1
for line in "${results[@]}"; do echo "$line  (last event to final picture, target 150)"; done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
xdotool key Escape
wait "$host" 2>/dev/null || true
host=""
