#!/usr/bin/env bash
# Sets up a Debian 12 machine, builds the filter and its host, and runs the
# filter on the shipped sample: writes the cleaned image and a side-by-side
# before/after picture into out/, the mask of the pixels the filter changed,
# and how close the dusty and the cleaned picture are to the clean original.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
cmake --preset release >/dev/null
cmake --build --preset release -j 2 --target filterhost
host=build/release/bin/filterhost
mkdir -p out
"$host" list
"$host" run samples/coffee-dusty.png -o out/coffee-cleaned.png --play samples/coffee-dusty-action.json
"$host" compare samples/coffee-dusty.png out/coffee-cleaned.png -o out/coffee-before-after.png \
  --mask-out out/coffee-changed.png
# How far each is from the clean photograph the dust was added to.
echo "Dusty sample against the clean original:"
"$host" compare samples/coffee-original.png samples/coffee-dusty.png -o out/coffee-original-dusty.png
echo "Cleaned result against the clean original:"
"$host" compare samples/coffee-original.png out/coffee-cleaned.png -o out/coffee-original-cleaned.png
