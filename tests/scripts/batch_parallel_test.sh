#!/usr/bin/env bash
# scripts/batch-parallel.sh with two workers on a folder of small images, one
# of them damaged: the good ones come out as single runs would write them, the
# damaged one is reported and written nowhere, and the status says so.
#   batch_parallel_test.sh SOURCE_DIR FILTERHOST
set -euo pipefail
source_dir="$1"
filterhost="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" NELVO_OPENCL_DEVICE=off
mkdir -p "$HOME" "$work/in"

cp "$source_dir/tests/golden/rgb8-dark-specks/input.tif" "$work/in/dark specks.tif"
cp "$source_dir/tests/golden/grey8-both-types/input.tif" "$work/in/grey.tif"
cp "$source_dir/tests/golden/rgb16-dark-specks/input.tif" "$work/in/rgb16.tif"
head -c 300 "$source_dir/tests/golden/cmyk8/input.tif" > "$work/in/damaged.tif"

fail() { echo "FAIL: $*" >&2; exit 1; }

status=0
"$source_dir/scripts/batch-parallel.sh" -o "$work/out" -j 2 --filterhost "$filterhost" \
  "$work"/in/*.tif -- --set detI=10 > "$work/log" 2>&1 || status=$?
cat "$work/log"
[ "$status" -eq 1 ] || fail "status $status with a damaged file, expected 1"
grep -q "damaged.tif:.*damaged.tif" "$work/log" || fail "the damaged file is not reported by name"
grep -q "1 of 4 files failed" "$work/log" || fail "no summary of the failure"
[ ! -e "$work/out/damaged.tif" ] || fail "output written for the damaged file"

for name in "dark specks.tif" grey.tif rgb16.tif; do
  [ -f "$work/out/$name" ] || fail "no output for $name"
  "$filterhost" run "$work/in/$name" -o "$work/single.tif" --set detI=10 > /dev/null
  cmp -s "$work/out/$name" "$work/single.tif" || fail "$name differs from a single run"
done

# Without the damaged file every run succeeds, names read from stdin.
rm "$work/in/damaged.tif"
status=0
ls "$work"/in/*.tif | "$source_dir/scripts/batch-parallel.sh" -o "$work/out2" -j 2 \
  --filterhost "$filterhost" > "$work/log2" 2>&1 || status=$?
cat "$work/log2"
[ "$status" -eq 0 ] || fail "status $status without failures"
grep -q "3 of 3 files filtered" "$work/log2" || fail "no summary"
echo "batch-parallel: all checks passed"
