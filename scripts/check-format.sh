#!/usr/bin/env bash
# Fails when a tracked C or C++ source differs from what clang-format makes of
# it (.clang-format at the top). Lists the files; `clang-format -i` fixes them.
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files -z '*.c' '*.cpp' '*.h' '*.hpp' | xargs -0 clang-format --dry-run -Werror
