#!/usr/bin/env bash
# One golden case through the host program, compared with its expected picture.
#   run-case.sh FILTERHOST COMPARE CASE_FOLDER WORK_FOLDER
# The OpenCL device is whatever NELVO_OPENCL_DEVICE says. The descriptor
# registry lives in a fresh folder, so that no earlier run's settings leak in.
set -euo pipefail
filterhost="$1" compare="$2" case="$3" work="$4"
rm -rf "$work"
mkdir -p "$work/config"
export XDG_CONFIG_HOME="$work/config"
args=()
if [ -f "$case/mask.png" ]; then args+=(--mask "$case/mask.png"); fi
if [ -f "$case/arguments" ]; then mapfile -t -O "${#args[@]}" args < "$case/arguments"; fi
"$filterhost" run "$case/input.tif" -o "$work/output.tif" --play "$case/action.json" "${args[@]}"
"$compare" "$case/expected.tif" "$work/output.tif"
