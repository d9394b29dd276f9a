#!/usr/bin/env bash
# Renders the display widgets into PNG files under out/screenshots/ on Qt's offscreen
# platform, no display needed: for a normal screen (1920 x 1080 at 96 dpi) and a large one
# (2560 x 1440 at 96 dpi), the editing dialog in its three views and with hand marks (a
# brush stroke in progress, the "Mark Defects" view after it, the eraser's tab, a
# zoomed-in view with the navigator), the about box and splash in English, German,
# Spanish and French, the tab strip, the navigator and the preview
# (samples/coffee-dusty.png, fitted and at 200 % with a brush stroke and the brush cursor)
# and a sheet of the small pictures enlarged four times, once per screen.
# Usage: scripts/screenshot.sh [preset]   (default: release)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
preset="${1:-release}"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j 2 --target nelvo_screenshots
tool="build/$preset/bin/nelvo-screenshots"
configs="build/$preset/screenshot-screens"
mkdir -p "$configs"

for screen in "normal 1920 1080 96" "large 2560 1440 96"; do
  read -r name width height dpi <<<"$screen"
  config="$configs/$name.json"
  printf '{ "screens": [ { "name": "%s", "x": 0, "y": 0, "width": %d, "height": %d, "logicalDpi": %d } ] }\n' \
    "$name" "$width" "$height" "$dpi" >"$config"
  for language in en_US de_DE es_ES fr_FR; do
    extra=()
    [ "$language" = en_US ] || extra=(--texts-only)
    QT_QPA_PLATFORM="offscreen:configfile=$PWD/$config" LANGUAGE= LC_ALL= LC_MESSAGES= \
      LANG="$language.UTF-8" "$tool" "out/screenshots/$name/$language" \
      samples/coffee-dusty.png "${extra[@]}" 2>/dev/null
  done
done
