#!/usr/bin/env bash
# The filter inside GIMP against the command line on one 24-megapixel 16-bit RGB
# picture (6000 x 4000, plasma with dark specks, made by GIMP): the plug-in's
# own phases (GEGL to the host's document, the filter, back through the shadow
# buffer) and its peak memory, then `filterhost run` on the same file as a file
# (reading and writing TIFF included) with its peak memory.
# Usage: bench/gimp-bench.sh [preset]   (default: release)
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-release}"
cmake --build --preset "$preset" -j 2 --target nelvo-gimp filterhost >/dev/null
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/gimp" "$work/config"
for d in brushes dynamics fonts gradients palettes patterns tool-presets mypaint-brushes; do
  mkdir -p "$work/gimp/$d"
done
export GIMP2_DIRECTORY="$work/gimp" XDG_CONFIG_HOME="$work/config"
NELVO_GIMP_BUILD="build/$preset/bin/gimp" bash scripts/install-gimp-plugin.sh >/dev/null
picture="$work/scan.tif"
gimp-console -i -b "(let* ((image (car (gimp-image-new 6000 4000 RGB)))
  (layer (car (gimp-layer-new image 6000 4000 RGB-IMAGE \"scan\" 100 LAYER-MODE-NORMAL))))
  (gimp-image-insert-layer image layer 0 0)
  (gimp-image-convert-precision image PRECISION-U16-GAMMA)
  (plug-in-plasma RUN-NONINTERACTIVE image layer 7 1.5)
  (plug-in-randomize-hurl RUN-NONINTERACTIVE image layer 0.05 1 FALSE 3)
  (file-tiff-save RUN-NONINTERACTIVE image layer \"$picture\" \"x\" 0)
  (gimp-quit 1))" >"$work/make.log" 2>&1
for run in 1 2 3; do
  NELVO_GIMP_TIMES=1 gimp-console -i -b "(let* ((image (car (gimp-file-load RUN-NONINTERACTIVE \"$picture\" \"x\")))
    (drawable (car (gimp-image-get-active-drawable image))))
    (plug-in-nelvo RUN-NONINTERACTIVE image drawable 10 3 20 10 10 FALSE TRUE TRUE FALSE 1.0)
    (gimp-quit 1))" 2>&1 | grep '^nelvo-gimp:' || true
done
for run in 1 2 3; do
  /usr/bin/time -f "filterhost run: %e s, peak memory %M KB" "build/$preset/bin/filterhost" run \
    "$picture" -o "$work/out.tif" --set detI=10 --set tilE=3 --set darK=1 --set briT=1 2>&1 >/dev/null |
    grep '^filterhost run'
done
