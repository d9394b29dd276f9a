#!/usr/bin/env bash
# Installs the filter into GIMP 2.10 for this user: the plug-in program and the
# module, side by side in GIMP's plug-in folder ($GIMP2_DIRECTORY/plug-ins/nelvo,
# by default ~/.config/GIMP/2.10/plug-ins/nelvo). Builds them first if needed.
# Running it again replaces them; --uninstall removes exactly these two files.
# Usage: scripts/install-gimp-plugin.sh [--uninstall]
set -euo pipefail
cd "$(dirname "$0")/.."
gimp_dir="${GIMP2_DIRECTORY:-$HOME/.config/GIMP/2.10}"
target="$gimp_dir/plug-ins/nelvo"

if [ "${1:-}" = "--uninstall" ]; then
  rm -f "$target/nelvo" "$target/Nelvo.8bf"
  rmdir "$target" 2>/dev/null || true
  echo "removed the filter from $target"
  exit 0
fi
if [ $# -gt 0 ]; then
  echo "usage: $0 [--uninstall]" >&2
  exit 2
fi

# NELVO_GIMP_BUILD names another build's plug-in folder (the tests use theirs).
built="${NELVO_GIMP_BUILD:-build/release/bin/gimp}"
if [ ! -x "$built/nelvo-gimp" ] || [ ! -f "$built/Nelvo.8bf" ]; then
  bash scripts/setup-debian.sh
  cmake --preset release >/dev/null
  cmake --build --preset release -j 2 --target nelvo-gimp
fi
mkdir -p "$target"
# GIMP runs a plug-in in a folder of its own name.
install -m 755 "$built/nelvo-gimp" "$target/nelvo"
install -m 644 "$built/Nelvo.8bf" "$target/Nelvo.8bf"
echo "installed the filter in $target (Filters > Brenwick > Nelvo... after GIMP restarts)"
