#!/usr/bin/env bash
# Sets up a Debian 12 machine, builds the project and runs every test.
# Usage: scripts/test.sh [preset [ctest arguments...]]
#   preset: release (default), dev, asan-ubsan, tsan
# The asan-ubsan tests run with ASAN_OPTIONS=intercept_tls_get_addr=0 (see the
# test preset): GCC 12's runtime takes some dynamic TLS blocks of the libraries
# loaded with the module for a pre-2.25 glibc layout, and the leak checker's
# tracer then crashes at exit. Leaks are still checked, without those blocks.
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
