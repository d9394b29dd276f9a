#!/usr/bin/env bash
# Builds every fuzz target (clang, libFuzzer, ASan + UBSan) and runs each for a
# bounded time from its seed corpus. Usage: scripts/fuzz.sh [seconds per target]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
seconds="${1:-30}"
cmake --preset fuzz >/dev/null
for dir in tests/fuzz/*/; do
  name=$(basename "$dir")
  [ -f "$dir/CMakeLists.txt" ] || continue
  cmake --build --preset fuzz -j 2 --target "fuzz_$name"
  work=$(mktemp -d)
  cp -r "$dir/corpus/." "$work/"
  echo "fuzzing $name for ${seconds}s"
  dict=()
  for d in "$dir"*.dict; do [ -f "$d" ] && dict=("-dict=$d"); done
  "build/fuzz/tests/fuzz/$name/fuzz_$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="build/fuzz/$name-" "${dict[@]}" -print_final_stats=1 "$work" 2>&1 | tail -n 4
  rm -rf "$work"
done
