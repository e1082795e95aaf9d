#!/usr/bin/env bash
# Builds the Debian package of Zarnic! in a build folder of its own (BUILD/deb), configured for
# the prefix /usr with the store file under /etc and with Debian's hardening flags, and copies
# the package into BUILD. Prints the package's path as its last line.
# Usage: scripts/build-package.sh [BUILD]   (BUILD defaults to build)
set -euo pipefail

src=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-build}")
pkg="$build/deb"
jobs=${JOBS:-$(nproc)}

# The compiler and linker flags Debian builds its packages with (fortified, relro, bind now, PIE);
# CMake takes no CPPFLAGS, so the preprocessor's go with the compilers'.
cd "$src"
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cppflags=$(dpkg-buildflags --get CPPFLAGS)
cflags="$(dpkg-buildflags --get CFLAGS) $cppflags"
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $cppflags"
ldflags=$(dpkg-buildflags --get LDFLAGS)

cmake -S "$src" -B "$pkg" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_INSTALL_SYSCONFDIR=/etc -DZARNIC_TESTS=OFF \
    -DCMAKE_C_FLAGS="$cflags" -DCMAKE_CXX_FLAGS="$cxxflags" \
    -DCMAKE_EXE_LINKER_FLAGS="$ldflags" ${CMAKE_FLAGS:-} >&2
cmake --build "$pkg" -j "$jobs" >&2
(cd "$pkg" && cpack -G DEB >&2)

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$pkg/CMakeCache.txt")
deb="zarnic_${version}_$(dpkg --print-architecture).deb"
cp "$pkg/$deb" "$build/$deb"
echo "$build/$deb"
