#!/usr/bin/env bash
# Sets up a Debian 12 machine, builds the filter and its host, and runs the
# filter on the shipped sample: writes the cleaned image and a side-by-side
# before/after picture into out/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
cmake --preset release >/dev/null
cmake --build --preset release -j 2 --target filterhost
host=build/release/bin/filterhost
mkdir -p out
"$host" list
"$host" run samples/coffee-dusty.png -o out/coffee-cleaned.png --play samples/coffee-dusty-action.json
"$host" compare samples/coffee-dusty.png out/coffee-cleaned.png -o out/coffee-before-after.png
