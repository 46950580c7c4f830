#!/usr/bin/env bash
# Builds the JPEG and PNG decoders that Kinoreel links in (libjpeg-turbo with its SIMD code,
# libspng) as static libraries for 32- and 64-bit Windows, from Debian's source packages, into
# build/decoder-libs/ARCH/{include,lib}. Later runs reuse what is there.
#
# The sources come through apt-get source with a private list of deb-src lines (the machine's own
# Debian mirrors and suites) and a private apt state, so the machine's apt configuration stays as
# it is. apt checks every downloaded file against the signed Sources index of its suite.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD/build/decoder-libs
jobs=$(nproc)

# Runs a step quietly; on failure shows its log.
quietly() {
  local log=$1
  shift
  if ! "$@" >"$log" 2>&1; then
    tail -n 40 "$log" >&2
    echo "decoder-libs: failed, see $log" >&2
    exit 1
  fi
}

fetch_sources() {
  local apt=$root/apt
  mkdir -p "$apt/lists/partial" "$apt/archives/partial" "$apt/sources.list.d" "$root/src"
  # The same mirrors and suites as the machine's binary packages, for sources.
  apt-get indextargets --format '$(TARGET_OF) $(REPO_URI) $(RELEASE) $(COMPONENT)' |
    awk '$1 == "deb" { print "deb-src", $2, $3, $4 }' | sort -u >"$apt/sources.list"
  if [ ! -s "$apt/sources.list" ]; then
    echo "decoder-libs: the machine lists no Debian package sources (apt-get update first)" >&2
    exit 1
  fi
  local options=(
    -o "Dir::Etc::SourceList=$apt/sources.list" -o "Dir::Etc::SourceParts=$apt/sources.list.d"
    -o "Dir::State=$apt" -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt"
    -o "Dir::Cache::Archives=$apt/archives"
    -o "Dir::Cache::pkgcache=" -o "Dir::Cache::srcpkgcache="
    -o "APT::Sandbox::User=root"  # the private folders are root's
  )
  echo "decoder-libs: fetching the sources of libjpeg-turbo and libspng"
  quietly "$root/apt-update.log" apt-get "${options[@]}" update
  (cd "$root/src" && quietly "$root/apt-source.log" apt-get "${options[@]}" source libjpeg-turbo libspng)
}

version_of() {  # the Debian version of a fetched source package
  sed -n 's/^Version: //p' "$root"/src/"$1"_*.dsc | head -n 1
}

build_arch() {
  local arch=$1 prefix=$1-w64-mingw32
  local out=$root/$arch
  local jpeg_src spng_src
  jpeg_src=$(echo "$root"/src/libjpeg-turbo-*/)
  spng_src=$(echo "$root"/src/libspng-*/)
  rm -rf "$out"
  mkdir -p "$out/include" "$out/lib" "$out/jpeg-build"
  echo "decoder-libs: building for $arch"

  # libjpeg-turbo: the static library alone, with SIMD or not at all.
  quietly "$out/jpeg-configure.log" cmake -S "$jpeg_src" -B "$out/jpeg-build" \
    -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_SYSTEM_PROCESSOR="$arch" \
    -DCMAKE_C_COMPILER="$prefix-gcc-posix" -DCMAKE_RC_COMPILER="$prefix-windres" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$out" \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DREQUIRE_SIMD=ON \
    -DWITH_TURBOJPEG=OFF -DWITH_ARITH_ENC=OFF
  quietly "$out/jpeg-build.log" cmake --build "$out/jpeg-build" --target jpeg-static -j"$jobs"
  cp "$out/jpeg-build/libjpeg.a" "$out/lib/"
  cp "$out/jpeg-build/jconfig.h" "$jpeg_src"/{jpeglib.h,jmorecfg.h,jerror.h} "$out/include/"

  # libspng: its one C file; its SSE2 code needs -msse2 on 32-bit x86.
  local sse=()
  [ "$arch" = i686 ] && sse=(-msse2)
  quietly "$out/spng-build.log" "$prefix-gcc-posix" -O2 -DSPNG_STATIC "${sse[@]}" \
    -c "$spng_src/spng/spng.c" -o "$out/spng.o"
  quietly "$out/spng-ar.log" "$prefix-ar" rcs "$out/lib/libspng.a" "$out/spng.o"
  cp "$spng_src/spng/spng.h" "$out/include/"
  rm -rf "$out/jpeg-build" "$out/spng.o"

  printf 'libjpeg-turbo %s\nlibspng %s\n' "$(version_of libjpeg-turbo)" "$(version_of libspng)" >"$out/VERSIONS"
}

if ! ls "$root"/src/libjpeg-turbo_*.dsc "$root"/src/libspng_*.dsc >/dev/null 2>&1; then
  rm -rf "$root/src"
  fetch_sources
fi
for arch in i686 x86_64; do
  [ -f "$root/$arch/VERSIONS" ] || build_arch "$arch"
done
