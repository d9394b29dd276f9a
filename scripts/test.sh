#!/usr/bin/env bash
# Sets up a Debian 12 machine, builds the project and runs every test.
# Usage: scripts/test.sh [preset [ctest arguments...]]
#   preset: release (default), dev, asan-ubsan, tsan
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
preset="${1:-release}"
shift || true
export QT_QPA_PLATFORM=offscreen
export POCL_CACHE_DIR="${POCL_CACHE_DIR:-$PWD/build/pocl-cache}"
mkdir -p "$POCL_CACHE_DIR"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j 2
ctest --preset "$preset" -j 2 "$@"
