#!/usr/bin/env bash
# Rewrites the golden tier's expected pictures (tests/golden/*/expected.tif)
# from the current build, with the OpenCL device off. Run it on purpose, when
# a change of results is intended, and review the changed files before
# committing them; the tests never write there.
#   scripts/regenerate-golden.sh [--inputs] [preset]
#   --inputs  first remake the cases' inputs, actions and arguments too
set -euo pipefail
cd "$(dirname "$0")/.."
inputs=false
if [ "${1:-}" = "--inputs" ]; then
  inputs=true
  shift
fi
preset="${1:-release}"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j 2 --target filterhost golden_make_inputs
build="build/$preset"
if $inputs; then
  "$build/tests/golden/golden_make_inputs" tests/golden
fi
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
for action in tests/golden/*/action.json; do
  case_dir="$(dirname "$action")"
  args=()
  if [ -f "$case_dir/mask.png" ]; then args+=(--mask "$case_dir/mask.png"); fi
  if [ -f "$case_dir/arguments" ]; then mapfile -t -O "${#args[@]}" args < "$case_dir/arguments"; fi
  rm -rf "$work/config"
  XDG_CONFIG_HOME="$work/config" NELVO_OPENCL_DEVICE=off \
    "$build/bin/filterhost" run "$case_dir/input.tif" -o "$work/expected.tif" \
    --play "$action" "${args[@]}"
  mv "$work/expected.tif" "$case_dir/expected.tif"
done
git status --short tests/golden
