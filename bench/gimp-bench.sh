#!/usr/bin/env bash
# The filter inside GIMP against the command line on one 24-megapixel 16-bit
# RGB picture (6000 x 4000, made by GIMP: plasma with dark specks), default
# settings, OpenCL off so that both run the same code. Prints, for each, the
# wall time and peak memory of the process that runs the filter: the plug-in
# process (from GIMP's call to its return, timed by a wrapper around the
# installed plug-in) and `filterhost run` (which also reads and writes the file).
# Usage: bench/gimp-bench.sh [preset]   (default: release)
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-release}"
bin="$PWD/build/$preset/bin"
[ -x "$bin/gimp/nelvo-gimp" ] && [ -x "$bin/filterhost" ] ||
  { echo "build the $preset preset first" >&2; exit 1; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/gimp" "$work/config"
for d in brushes dynamics fonts gradients palettes patterns tool-presets mypaint-brushes; do
  mkdir -p "$work/gimp/$d"
done
export GIMP2_DIRECTORY="$work/gimp" XDG_CONFIG_HOME="$work/config" NELVO_OPENCL_DEVICE=off
export NELVO_GIMP_TIMES=1
NELVO_GIMP_BUILD="$bin/gimp" bash scripts/install-gimp-plugin.sh >/dev/null

# GIMP runs the plug-in through this wrapper, which times it.
plugin="$work/gimp/plug-ins/nelvo"
mv "$plugin/nelvo" "$plugin/nelvo-real"
cat > "$plugin/nelvo" <<EOF
#!/bin/sh
exec /usr/bin/time -a -o "$work/plugin-times" -f "%e %M" "$plugin/nelvo-real" "\$@"
EOF
chmod 755 "$plugin/nelvo"

picture="$work/picture.tif"
gimp-console -i -b "(let* ((image (car (gimp-image-new 6000 4000 RGB)))
  (layer (car (gimp-layer-new image 6000 4000 RGB-IMAGE \"p\" 100 LAYER-MODE-NORMAL))))
  (gimp-image-insert-layer image layer 0 0)
  (plug-in-plasma RUN-NONINTERACTIVE image layer 7 1.5)
  (gimp-image-convert-precision image PRECISION-U16-GAMMA)
  (gimp-context-set-foreground '(10 10 10))
  (let loop ((i 0)) (if (< i 400) (begin
    (gimp-image-select-ellipse image CHANNEL-OP-REPLACE (* 14 i) (* 9 i) 3 3)
    (gimp-drawable-edit-fill layer FILL-FOREGROUND) (loop (+ i 1)))))
  (gimp-selection-none image)
  (file-tiff-save RUN-NONINTERACTIVE image layer \"$picture\" \"x\" 0)
  (gimp-quit 0))" >"$work/make.log" 2>&1 || { cat "$work/make.log"; exit 1; }
: >"$work/plugin-times"   # the query at GIMP's start is not a run

gimp-console -i -b "(let* ((image (car (gimp-file-load RUN-NONINTERACTIVE \"$picture\" \"x\")))
  (layer (car (gimp-image-get-active-drawable image))))
  (plug-in-nelvo RUN-NONINTERACTIVE image layer 8 8 20 10 10 0 1 0 0 1.0)
  (gimp-quit 0))" >"$work/run.log" 2>&1 || { cat "$work/run.log"; exit 1; }
read -r plugin_seconds plugin_kb < <(tail -1 "$work/plugin-times")

/usr/bin/time -o "$work/cli-times" -f "%e %M" \
  "$bin/filterhost" run "$picture" -o "$work/cli.tif" >/dev/null
read -r cli_seconds cli_kb <"$work/cli-times"

printf '24 MP 16-bit RGB, default settings, OpenCL off, %s cores\n' "$(nproc)"
printf '  GIMP procedure (plug-in process): %6.2f s  peak %5d MiB\n' \
  "$plugin_seconds" $((plugin_kb / 1024))
printf '    %s\n' "$(grep '^nelvo-gimp:' "$work/run.log" | tail -1 | sed 's/^nelvo-gimp: //')"
printf '  filterhost run (file to file):    %6.2f s  peak %5d MiB\n' \
  "$cli_seconds" $((cli_kb / 1024))
