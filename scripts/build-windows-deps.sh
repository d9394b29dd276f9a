#!/usr/bin/env bash
# Builds the libraries the Windows build links and Debian does not package for
# mingw-w64 (zlib, libpng, libjpeg-turbo, libtiff for the host program's
# image files, oneTBB for the engine, libxml2 for the preset files) from
# Debian's own source packages, as static libraries, into one prefix.
# Usage: scripts/build-windows-deps.sh [PREFIX]   (default build/windows-deps)
# NELVO_DEPS_JOBS sets the parallel jobs of each build (default 2).
#
# apt-get reads a deb-src list of this script's own, with lists and caches under
# the prefix, so the system's apt configuration stays as it is. Each library is
# built once: a stamp holds its source version and the hash of its recipe (the
# build function, the shared CMake call and the toolchain file), and a later call
# with the same stamp skips it.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
deps="$(realpath -m "${1:-build/windows-deps}")"
prefix="$deps/prefix"
work="$deps/work"
apt_dir="$deps/apt"
toolchain="$root/cmake/mingw-w64-x86_64.cmake"
jobs="${NELVO_DEPS_JOBS:-2}"

mkdir -p "$prefix" "$work" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" \
  "$apt_dir/etc/preferences.d" "$apt_dir/etc/apt.conf.d"

apt_options=(
  -o Dir::Etc::sourcelist="$apt_dir/sources.list"
  -o Dir::Etc::sourceparts=-
  -o Dir::Etc::preferencesparts="$apt_dir/etc/preferences.d"
  -o Dir::State::Lists="$apt_dir/lists"
  -o Dir::Cache="$apt_dir/cache"
  -o APT::Sandbox::User=root
  -o Debug::NoLocking=1
)
apt_ready=0

# The package lists are fetched only when a library has to be built.
ensure_apt_lists() {
  if [ "$apt_ready" = 1 ]; then return; fi
  cat >"$apt_dir/sources.list" <<'LIST'
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm main
LIST
  apt-get "${apt_options[@]}" update -qq
  apt_ready=1
}

# Unpacks Debian's source package $1 (with Debian's patches applied) into
# $work/$1 and prints the folder.
fetch_source() {
  local package="$1"
  ensure_apt_lists
  rm -rf "${work:?}/$package"
  mkdir -p "$work/$package"
  (cd "$work/$package" && apt-get "${apt_options[@]}" source -qq "$package" >"$work/$package.fetch.log" 2>&1) || {
    cat "$work/$package.fetch.log" >&2
    return 1
  }
  find "$work/$package" -mindepth 1 -maxdepth 1 -type d | head -n1
}

source_version() {
  ensure_apt_lists
  apt-cache "${apt_options[@]}" showsrc "$1" | awk '/^Version:/ {print $2; exit}'
}

stamp_of() { echo "$prefix/.stamp-$1"; }

# Runs build_$1 unless the stamp says this version was built by this recipe.
build_once() {
  local package="$1" function="$2"
  local stamp recipe_hash
  stamp="$(stamp_of "$package")"
  recipe_hash="$({ declare -f "$function" cmake_build; cat "$toolchain"; } | sha256sum | cut -c1-16)"
  if [ -f "$stamp" ] && grep -q " $recipe_hash\$" "$stamp"; then
    echo "windows deps: $package cached ($(cut -d' ' -f1 "$stamp"))"
    return
  fi
  local start=$SECONDS version source
  version="$(source_version "$package")"
  source="$(fetch_source "$package")" || exit 1
  echo "windows deps: building $package $version"
  # Run apart and waited for, so that the recipe stops at its first failing
  # command (errexit does not hold inside a function called from a || list).
  "$function" "$source" >"$work/$package.log" 2>&1 &
  wait $! || {
    tail -n 40 "$work/$package.log"
    echo "windows deps: $package failed, log in $work/$package.log" >&2
    exit 1
  }
  echo "$version $recipe_hash" >"$stamp"
  echo "windows deps: $package built in $((SECONDS - start)) s"
}

cmake_build() {
  local source="$1"
  shift
  cmake -S "$source" -B "$source/_build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DNELVO_WINDOWS_DEPS="$prefix" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DCMAKE_PREFIX_PATH="$prefix" -DBUILD_SHARED_LIBS=OFF \
    -DCMAKE_POSITION_INDEPENDENT_CODE=ON -DZLIB_INCLUDE_DIR="$prefix/include" \
    -DZLIB_LIBRARY="$prefix/lib/libz.a" "$@"
  cmake --build "$source/_build" -j "$jobs"
  cmake --install "$source/_build"
}

build_zlib() {
  # Debian's zlib source has no Windows makefile, and zlib's CMake build names
  # its static library zlibstatic: the plain libz.a that FindZLIB looks for is
  # compiled here directly.
  local objects=()
  for unit in adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast \
    inflate inftrees trees uncompr zutil; do
    x86_64-w64-mingw32-gcc-posix -O2 -c "$1/$unit.c" -o "$1/$unit.o"
    objects+=("$1/$unit.o")
  done
  x86_64-w64-mingw32-ar rcs "$1/libz.a" "${objects[@]}"
  install -D -m 644 "$1/libz.a" "$prefix/lib/libz.a"
  install -D -m 644 -t "$prefix/include" "$1/zlib.h" "$1/zconf.h"
}

build_libpng() {
  cmake_build "$1" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
    -DSKIP_INSTALL_PROGRAMS=ON
}

build_libjpeg_turbo() {
  # Without SIMD: no assembler is needed, and the C paths are the reference.
  cmake_build "$1" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_SIMD=OFF
}

build_tiff() {
  # TIFF with the codecs the host reads and writes: deflate, JPEG, LZW, PackBits.
  cmake_build "$1" -Dtiff-tools=OFF -Dtiff-tests=OFF -Dtiff-contrib=OFF -Dtiff-docs=OFF \
    -Dzlib=ON -Djpeg=ON -Djpeg12=OFF -Dlibdeflate=OFF -Dpixarlog=OFF -Dlzma=OFF -Dzstd=OFF \
    -Dwebp=OFF -Djbig=OFF -Dlerc=OFF -Dcxx=OFF \
    -DJPEG_INCLUDE_DIR="$prefix/include" -DJPEG_LIBRARY="$prefix/lib/libjpeg.a"
}

build_onetbb() {
  # oneTBB marks its entry points dllexport under mingw even in a static
  # library, and every DLL linking it would export them: plain symbols here.
  sed -i 's/#define _EXPORT __declspec(dllexport)/#define _EXPORT/' \
    "$1/include/oneapi/tbb/detail/_export.h"
  cmake_build "$1" -DTBB_TEST=OFF -DTBB_EXAMPLES=OFF -DTBB_STRICT=OFF -DTBBMALLOC_BUILD=OFF \
    -DTBB_ENABLE_IPO=OFF
}

build_libxml2() {
  # The preset files are small UTF-8 documents read from memory and written
  # through our own output callback: no encodings beyond UTF-8 (iconv, ICU),
  # no compressed or network input, no Python module. Built with LIBXML_STATIC,
  # as its users include it: otherwise its entry points are marked dllexport in
  # the static library and the module, which links it, would export them all.
  cmake_build "$1" -DCMAKE_C_FLAGS=-DLIBXML_STATIC -DLIBXML2_WITH_ICONV=OFF -DLIBXML2_WITH_ICU=OFF -DLIBXML2_WITH_LZMA=OFF \
    -DLIBXML2_WITH_ZLIB=OFF -DLIBXML2_WITH_PYTHON=OFF -DLIBXML2_WITH_HTTP=OFF \
    -DLIBXML2_WITH_FTP=OFF -DLIBXML2_WITH_PROGRAMS=OFF -DLIBXML2_WITH_TESTS=OFF \
    -DLIBXML2_WITH_MODULES=OFF -DLIBXML2_WITH_CATALOG=OFF -DLIBXML2_WITH_DEBUG=OFF \
    -DLIBXML2_WITH_THREADS=ON
}

start=$SECONDS
build_once zlib build_zlib
build_once libpng1.6 build_libpng
build_once libjpeg-turbo build_libjpeg_turbo
build_once tiff build_tiff
build_once onetbb build_onetbb
build_once libxml2 build_libxml2
echo "windows deps: ready in $prefix ($((SECONDS - start)) s)"
