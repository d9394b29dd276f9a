#!/usr/bin/env bash
# Screenshots of the Windows build's editing dialog under wine on a virtual display,
# into out/screenshots-windows/: for each of English, German, Spanish and French, the
# splash, the dialog in its three views (original, "Mark Defects" and the repaired
# picture, switched with Ctrl+Tab) on samples/coffee-dusty.png, zoomed in with its
# navigator, the preset naming dialog and the about box. The display has no window
# manager: the pictures show the dialog's client area without a frame. Builds the Windows
# preset first.
# Usage: scripts/screenshot-windows.sh [--no-build]
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
if [ "${1:-}" != "--no-build" ]; then
  bash scripts/setup-debian.sh
  bash scripts/build-windows-deps.sh
  cmake --preset windows >/dev/null
  cmake --build --preset windows -j 2
fi
filterhost="$root/build/windows/bin/filterhost.exe"
sample="$root/samples/coffee-dusty.png"
out="$root/out/screenshots-windows"
mkdir -p "$out"

work="$(mktemp -d "${TMPDIR:-/tmp}/nelvo-shots.XXXXXX")"
display=":$((100 + $$ % 400))"
Xvfb "$display" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do
  DISPLAY="$display" xdotool getdisplaygeometry >/dev/null 2>&1 && break
  sleep 0.2
done
trap 'kill "$xvfb_pid" 2>/dev/null || true; wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export DISPLAY="$display"
wine wineboot -i >/dev/null 2>&1
title="$(awk -F'\t' '$2 == "dialogTitle" {print $3}' resources/strings/strings.tsv)"

# The string $1 of the tables in column $2 (3 English, 4 German, 5 Spanish, 6 French).
localized() {
  awk -F'\t' -v name="$1" -v column="$2" '$2 == name {print $column}' resources/strings/strings.tsv
}

# Waits for the window titled $1, saves it as $2 and closes it: "Escape" presses the key,
# "click" clicks inside it. Fails when no such window appears.
shoot_titled() {
  local found="" pattern
  # xdotool matches the window's plain name, in which wine writes "À" as "A": every
  # non-ASCII letter of the title matches any one character.
  pattern="$(printf '%s' "$1" | LC_ALL=C sed 's/[^ -~]\+/./g')"
  for _ in $(seq 50); do
    found="$(xdotool search --onlyvisible --name "^$pattern\$" 2>/dev/null | head -n1 || true)"
    [ -n "$found" ] && break
    sleep 0.2
  done
  if [ -z "$found" ]; then
    echo "no window '$1'" >&2
    return 1
  fi
  sleep 1
  import -silent -window "$found" "$2"
  xdotool windowfocus --sync "$found" >/dev/null 2>&1 || true
  if [ "$3" = click ]; then
    eval "$(xdotool getwindowgeometry --shell "$found")"
    xdotool mousemove $((X + 20)) $((Y + 40)) click 1
  else
    xdotool key "$3"
  fi
  sleep 0.5
}

# Waits for the run $run_pid to end; a window the keys or clicks did not close would
# keep it waiting for ever, so after ten seconds it is stopped.
finish_run() {
  for _ in $(seq 50); do
    kill -0 "$run_pid" 2>/dev/null || break
    sleep 0.2
  done
  if kill -0 "$run_pid" 2>/dev/null; then
    echo "a window stayed open: run $run_pid stopped" >&2
    kill "$run_pid" 2>/dev/null || true
  fi
  wait "$run_pid" || true
}

column=2
for language in en_US de_DE es_ES fr_FR; do
  column=$((column + 1))
  # Each run starts its own wine server, whose desktop process knows the display.
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  LANG="$language.UTF-8" LANGUAGE= LC_ALL= wine "$filterhost" run "$sample" -o "$work/never.tif" \
    --dialog >/dev/null 2>&1 &
  run_pid=$!
  window=""
  splash=""
  # The splash shows for a moment while the dialog prepares: looked for every twentieth
  # of a second.
  for _ in $(seq 1200); do
    if [ -z "$splash" ]; then
      splash="$(xdotool search --onlyvisible --name '^Nelvo$' 2>/dev/null | head -n1 || true)"
      [ -z "$splash" ] || import -silent -window "$splash" "$out/$language-splash.png" || true
    fi
    window="$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -n1 || true)"
    [ -n "$window" ] && break
    sleep 0.05
  done
  if [ -z "$window" ]; then
    echo "no dialog window for $language" >&2
    kill "$run_pid" 2>/dev/null || true
    continue
  fi
  xdotool mousemove 0 0
  sleep 3  # the first preview
  xdotool windowfocus --sync "$window" >/dev/null 2>&1 || true
  for view in original marked repaired; do
    import -silent -window "$window" "$out/$language-$view.png"
    xdotool key ctrl+Tab
    sleep 1.5
  done
  # Zoomed in twice: the navigator frames the part in view.
  xdotool key --delay 300 ctrl+plus ctrl+plus
  sleep 1.5
  import -silent -window "$window" "$out/$language-zoomed.png"
  navigator="$(xdotool search --onlyvisible --name \
    "^$(localized navigatorTitle "$column" | LC_ALL=C sed 's/[^ -~]\+/./g')\$" 2>/dev/null |
    head -n1 || true)"
  if [ -n "$navigator" ]; then
    import -silent -window "$navigator" "$out/$language-navigator.png"
  else
    echo "no navigator for $language" >&2
  fi
  # "+" (fourteen Shift+Tabs back from OK while there are no presets) opens the
  # naming dialog.
  # shellcheck disable=SC2046 # fourteen presses
  xdotool key --delay 100 $(printf 'shift+Tab %.0s' $(seq 14)) space
  shoot_titled "$(localized savePresetTitle "$column")" "$out/$language-naming.png" Escape || true
  xdotool key Escape
  finish_run
  # The box's title is in the language of its run: without it, the English box would be
  # looked for under the translated title and never closed.
  LANG="$language.UTF-8" LANGUAGE= LC_ALL= wine "$filterhost" about >/dev/null 2>&1 &
  run_pid=$!
  shoot_titled "$(localized aboutLink "$column")" "$out/$language-about.png" click || true
  finish_run
  echo "$language: $(ls "$out"/"$language"-*.png | wc -l) screenshots"
done
