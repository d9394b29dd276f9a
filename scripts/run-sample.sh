#!/usr/bin/env bash
# Sets up a Debian 12 machine, builds the filter and its host, and runs the
# filter on the shipped sample image.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
cmake --preset release >/dev/null
cmake --build --preset release -j 2 --target filterhost
host=build/release/bin/filterhost
"$host" list
"$host" run samples/coffee-original.png
