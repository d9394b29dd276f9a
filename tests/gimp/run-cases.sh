#!/usr/bin/env bash
# The filter inside GIMP 2.10, in one gimp-console batch session:
#  - every grey and RGB golden case (8, 16 and 32-bit, plain, with a selection,
#    and those the command line runs in small tiles) through the procedure with
#    the case's settings given as parameters, compared with its expected picture
#    by the golden tier's own comparison;
#  - a picture with alpha: the alpha comes back untouched;
#  - an indexed picture: refused with the message, nothing changed;
#  - explicit parameters override the last confirmed settings, which a call
#    with last values uses;
#  - a linear-light 16-bit picture: samples the filter left alone stay exact;
#  - every golden case again in a second session whose host hands out small
#    tiles (NELVO_GIMP_TILE), which must not change the result.
# Usage: run-cases.sh PLUGIN_DIR COMPARE FILTERHOST GOLDEN_DIR WORK_DIR
set -euo pipefail
plugin_dir="$1" compare="$2" filterhost="$3" golden="$4" work="$5"
here="$(cd "$(dirname "$0")" && pwd)"
rm -rf "$work"
mkdir -p "$work/gimp" "$work/config/filterhost" "$work/cli-config" "$work/out" "$work/tiled"
for d in brushes dynamics fonts gradients palettes patterns tool-presets mypaint-brushes; do
  mkdir -p "$work/gimp/$d"
done
export GIMP2_DIRECTORY="$work/gimp" XDG_CONFIG_HOME="$work/config"
NELVO_GIMP_BUILD="$plugin_dir" bash "$here/../../scripts/install-gimp-plugin.sh" >/dev/null

# The procedure's parameters after run mode, image and drawable, in the order
# of the module's terminology: intensity, tile size, brush size, brush
# intensity, eraser size, preview precision, dark, bright, ignore selection,
# zoom; the module's defaults unless the action says otherwise.
params_of() {
  python3 - "$1" <<'PY'
import json, sys
d = json.load(open(sys.argv[1]))["descriptor"]
values = [("detI", 8), ("tilE", 8), ("brsS", 20), ("brsI", 10), ("ersS", 10), ("preC", 0),
          ("darK", 1), ("briT", 0), ("ignS", 0), ("zooM", "1.0")]
out = []
for key, default in values:
    v = d.get(key, default)
    out.append(str(int(v)) if isinstance(v, bool) else str(v))
print(" ".join(out))
PY
}

batch="(load \"$here/cases.scm\")"
tiled="$batch"
cases=()
for case in "$golden"/grey* "$golden"/rgb*; do
  name=$(basename "$case")
  mask=""
  [ -f "$case/mask.png" ] && mask="$case/mask.png"
  cases+=("$name")
  batch+=" (nelvo-case \"$case/input.tif\" \"$work/out/$name.tif\" \"$mask\" RUN-NONINTERACTIVE"
  batch+=" '($(params_of "$case/action.json")))"
  tiled+=" (nelvo-case \"$case/input.tif\" \"$work/tiled/$name.tif\" \"$mask\" RUN-NONINTERACTIVE"
  tiled+=" '($(params_of "$case/action.json")))"
done
tiled+=" (gimp-quit 0)"

# Alpha: an RGBA PNG with a transparent hole, whose alpha must survive.
batch+=" (let* ((image (car (gimp-file-load RUN-NONINTERACTIVE \"$golden/rgb8-dark-specks/input.tif\" \"x\")))"
batch+=" (layer (car (gimp-image-get-active-drawable image))))"
batch+=" (gimp-layer-add-alpha layer)"
batch+=" (gimp-image-select-ellipse image CHANNEL-OP-REPLACE 10 10 30 20)"
batch+=" (gimp-drawable-edit-clear layer) (gimp-selection-none image)"
batch+=" (gimp-file-save RUN-NONINTERACTIVE image layer \"$work/alpha-in.png\" \"x\")"
batch+=" (gimp-image-delete image))"
batch+=" (nelvo-case \"$work/alpha-in.png\" \"$work/out/alpha.png\" \"\" RUN-NONINTERACTIVE '(12 3 20 10 10 0 1 1 0 1.0))"

# Indexed: refused.
batch+=" (let* ((image (car (gimp-file-load RUN-NONINTERACTIVE \"$golden/rgb8-dark-specks/input.tif\" \"x\"))))"
batch+=" (gimp-image-convert-indexed image CONVERT-DITHER-NONE CONVERT-PALETTE-GENERATE 64 FALSE FALSE \"\")"
batch+=" (gimp-file-save RUN-NONINTERACTIVE image (car (gimp-image-get-active-drawable image)) \"$work/indexed.png\" \"x\")"
batch+=" (gimp-image-delete image))"
batch+=" (nelvo-refused \"$work/indexed.png\" RUN-NONINTERACTIVE '(8 8 20 10 10 0 1 0 0 1.0))"

# Linear light at 16 bits: filtered in the perceptual encoding, but only the
# samples the filter changed are converted back, so the others stay exact.
# Inverted in linear light, the picture holds values that a round trip through
# the perceptual encoding does not give back (about half its pixels).
batch+=" (let* ((image (car (gimp-file-load RUN-NONINTERACTIVE \"$golden/rgb16-dark-specks/input.tif\" \"x\")))"
batch+=" (layer (car (gimp-image-get-active-drawable image))))"
batch+=" (gimp-image-convert-precision image PRECISION-U16-LINEAR) (gimp-drawable-invert layer TRUE)"
batch+=" (gimp-file-save RUN-NONINTERACTIVE image layer \"$work/linear-in.xcf\" \"x\")"
batch+=" (gimp-file-save RUN-NONINTERACTIVE image layer \"$work/linear-in.png\" \"x\")"
batch+=" (gimp-image-delete image))"
batch+=" (nelvo-case \"$work/linear-in.xcf\" \"$work/out/linear.png\" \"\" RUN-NONINTERACTIVE '(10 8 20 10 10 0 0 1 0 1.0))"

# Explicit parameters against the last confirmed settings: the registry holds
# settings confirmed in the dialog (intensity 20, tile size 3). Given
# parameters win over them; a call with last values uses them. The command
# line computes both results with a registry of its own.
cat > "$work/config/filterhost/registry.json" <<'JSON'
{"version": 1, "entries": {"7c1e5a92-3f0b-4d8e-a6c4-5b2d9e0f7a13": {"detI": 20, "tilE": 3}}}
JSON
XDG_CONFIG_HOME="$work/cli-config" "$filterhost" run "$golden/rgb8-dark-specks/input.tif" -o "$work/strong.tif" --set detI=20 --set tilE=3 >/dev/null
XDG_CONFIG_HOME="$work/cli-config" "$filterhost" run "$golden/rgb8-dark-specks/input.tif" -o "$work/default.tif" >/dev/null
batch+=" (nelvo-case \"$golden/rgb8-dark-specks/input.tif\" \"$work/out/explicit.tif\" \"\" RUN-NONINTERACTIVE '(8 8 20 10 10 0 1 0 0 1.0))"
batch+=" (nelvo-case \"$golden/rgb8-dark-specks/input.tif\" \"$work/out/last.tif\" \"\" RUN-WITH-LAST-VALS '(0 0 0 0 0 0 0 0 0 0.0))"
batch+=" (gimp-quit 0)"

log="$work/gimp.log"
gimp-console -i -b "$batch" > "$log" 2>&1 || { cat "$log"; exit 1; }
NELVO_GIMP_TILE=16x12 gimp-console -i -b "$tiled" >> "$log" 2>&1 || { cat "$log"; exit 1; }

failed=0
for name in "${cases[@]}"; do
  if ! "$compare" "$golden/$name/expected.tif" "$work/out/$name.tif" > "$work/$name.compare" 2>&1; then
    echo "$name: $(cat "$work/$name.compare")"
    failed=1
  fi
  if ! "$compare" "$golden/$name/expected.tif" "$work/tiled/$name.tif" > "$work/$name.tiled" 2>&1; then
    echo "$name in small tiles: $(cat "$work/$name.tiled")"
    failed=1
  fi
done

# The alpha channel of the filtered picture is the input's, sample for sample.
python3 - "$work/alpha-in.png" "$work/out/alpha.png" <<'PY' || failed=1
import sys, zlib, struct
def rgba(path):
    data = open(path, "rb").read()
    pos, idat, width, height = 8, b"", 0, 0
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
            assert depth == 8 and colour == 6, (path, depth, colour)
        if kind == b"IDAT":
            idat += body
        pos += 12 + length
    raw, stride, rows, prev = zlib.decompress(idat), width * 4, [], bytearray(width * 4)
    for y in range(height):
        f, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - 4] if i >= 4 else 0
            b, c = prev[i], prev[i - 4] if i >= 4 else 0
            if f == 1: line[i] = (line[i] + a) & 255
            elif f == 2: line[i] = (line[i] + b) & 255
            elif f == 3: line[i] = (line[i] + (a + b) // 2) & 255
            elif f == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(line)
        prev = line
    return rows
before, after = rgba(sys.argv[1]), rgba(sys.argv[2])
alpha = lambda rows: [r[i] for r in rows for i in range(3, len(r), 4)]
changed = sum(1 for r0, r1 in zip(before, after) for i in range(len(r0)) if i % 4 != 3 and r0[i] != r1[i])
if alpha(before) != alpha(after) or 0 not in alpha(before):
    print("alpha: the alpha channel changed"); sys.exit(1)
if changed == 0:
    print("alpha: the filter changed nothing"); sys.exit(1)
PY

if ! grep -q "indexed images are not supported" "$log"; then
  echo "indexed: no refusal in GIMP's output"; failed=1
fi
"$compare" "$work/default.tif" "$work/out/explicit.tif" > /dev/null || { echo "explicit: differs from the given settings"; failed=1; }
"$compare" "$work/strong.tif" "$work/out/last.tif" > /dev/null || { echo "last values: differ from the confirmed settings"; failed=1; }
if "$compare" "$work/strong.tif" "$work/out/explicit.tif" > /dev/null 2>&1; then
  echo "explicit: the confirmed settings were used instead"; failed=1
fi

# The linear picture: its dark specks, now bright, are about as many pixels
# as the command line changes on the file; a write-back of every sample
# through the perceptual encoding changes over half the picture.
limit=$(( 2 * $("$filterhost" compare "$golden/rgb16-dark-specks/input.tif" "$golden/rgb16-dark-specks/expected.tif" -o "$work/c1.png" | sed -n 's/.*: \([0-9]*\) of .*/\1/p' | head -1) ))
linear=$("$filterhost" compare "$work/linear-in.png" "$work/out/linear.png" -o "$work/c2.png" | sed -n 's/.*: \([0-9]*\) of .*/\1/p' | head -1)
echo "linear: $linear pixels changed (limit $limit)"
if [ -z "$linear" ] || [ "$linear" -eq 0 ] || [ "$linear" -gt "$limit" ]; then
  echo "linear: $linear pixels changed, expected 1..$limit"; failed=1
fi
[ "$failed" -eq 0 ] || { echo "--- gimp-console said:"; cat "$log"; exit 1; }
echo "GIMP: ${#cases[@]} golden cases (whole and in small tiles), alpha, linear, indexed and last values as expected"
