#!/usr/bin/env bash
# The filter inside GIMP's window, as a user meets it: under Xvfb (1920 x 1080)
# GIMP opens samples/coffee-dusty.png, the procedure runs interactively, the
# module's dialog over GIMP is captured to out/screenshots/gimp/dialog.png,
# Return confirms it, and the saved result must equal `filterhost run` on the
# same file with the same (default) settings.
# Usage: scripts/gimp-screenshot.sh [preset]   (default: release)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
for tool in Xvfb xwd xdotool convert; do
  command -v "$tool" >/dev/null || apt-get install -y -qq --no-install-recommends \
    xvfb x11-apps xdotool imagemagick >/dev/null
done
preset="${1:-release}"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j 2 --target nelvo-gimp filterhost
work="$(mktemp -d)"
trap 'kill "${xvfb:-0}" "${gimp:-0}" 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -p "$work/gimp" "$work/config" out/screenshots/gimp
for d in brushes dynamics fonts gradients palettes patterns tool-presets mypaint-brushes; do
  mkdir -p "$work/gimp/$d"
done
export GIMP2_DIRECTORY="$work/gimp" XDG_CONFIG_HOME="$work/config"
NELVO_GIMP_BUILD="build/$preset/bin/gimp" bash scripts/install-gimp-plugin.sh >/dev/null

display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1920x1080x24 >/dev/null 2>&1 &
xvfb=$!
sleep 1
export DISPLAY="$display"
unset QT_QPA_PLATFORM
input="$PWD/samples/coffee-dusty.png"
output="$work/gimp-result.png"
gimp --no-splash -b "(let* ((image (car (gimp-file-load RUN-NONINTERACTIVE \"$input\" \"x\")))
  (drawable (car (gimp-image-get-active-drawable image))))
  (gimp-display-new image)
  (plug-in-nelvo RUN-INTERACTIVE image drawable 8 8 20 10 10 FALSE TRUE FALSE FALSE 1.0)
  (gimp-file-save RUN-NONINTERACTIVE image drawable \"$output\" \"x\")
  (gimp-quit 1))" >"$work/gimp.log" 2>&1 &
gimp=$!

# The dialog's window is titled after the filter; wait for it and for its first preview.
for _ in $(seq 1 120); do
  window=$(xdotool search --onlyvisible --name "^Nelvo" 2>/dev/null | tail -1 || true)
  [ -n "$window" ] && break
  sleep 1
done
[ -n "$window" ] || { cat "$work/gimp.log"; echo "the dialog never showed"; exit 1; }
sleep 4
xwd -root -silent | convert xwd:- out/screenshots/gimp/dialog.png
# No window manager runs under Xvfb: the dialog gets the focus directly.
xdotool windowfocus "$window"
sleep 0.5
xdotool key Return
wait "$gimp" || true
[ -f "$output" ] || { cat "$work/gimp.log"; echo "GIMP saved nothing"; exit 1; }

"build/$preset/bin/filterhost" run "$input" -o "$work/cli.png" >/dev/null
"build/$preset/bin/filterhost" compare "$work/cli.png" "$output" -o "$work/compare.png" |
  tee "$work/compare.txt"
grep -q "0 of 240000 pixels changed" "$work/compare.txt" ||
  { echo "the result in GIMP differs from filterhost run"; exit 1; }
grep -q "0 of 240000" <("build/$preset/bin/filterhost" compare "$input" "$output" -o "$work/c2.png") &&
  { echo "the image did not change"; exit 1; }
echo "out/screenshots/gimp/dialog.png: the dialog over GIMP; OK gave what filterhost run gives"
