#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test and run.
# Idempotent: packages already present are left alone.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  clang clang-format libclang-rt-14-dev
  libgtest-dev libgmock-dev
  libtbb-dev
  libxml2-dev
  libtiff-dev libpng-dev libjpeg62-turbo-dev
  nlohmann-json3-dev libcli11-dev
  qt6-base-dev qt6-svg-dev
  ocl-icd-opencl-dev opencl-headers pocl-opencl-icd
  python3 python3-numpy
  parallel
  g++-mingw-w64-x86-64-posix wine wine64
  gimp libgimp2.0-dev
  xvfb x11-apps xdotool imagemagick
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
