#!/usr/bin/env bash
# Builds the Debian packages trellis, trellis-dev and trellis-demo into build/packages: a
# Release tree for the prefix /usr with Debian's build flags, packed by CPack (dependencies
# from dpkg-shlibdeps), then checked by lintian. Extra arguments go to cmake's configure
# step (e.g. -DCMAKE_CXX_COMPILER_LAUNCHER=ccache).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
build=build/deb
out="$PWD/build/packages"

export DEB_BUILD_MAINT_OPTIONS=hardening=+all
flags() { dpkg-buildflags --get "$1"; }
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
      -DTRELLIS_BUILD_TESTS=OFF -DTRELLIS_BUILD_BENCH=OFF -DTRELLIS_BUILD_DEMO=ON \
      -DCMAKE_C_FLAGS="$(flags CFLAGS) $(flags CPPFLAGS)" \
      -DCMAKE_CXX_FLAGS="$(flags CXXFLAGS) $(flags CPPFLAGS)" \
      -DCMAKE_EXE_LINKER_FLAGS="$(flags LDFLAGS)" \
      -DCMAKE_SHARED_LINKER_FLAGS="$(flags LDFLAGS)" \
      -DCMAKE_MODULE_LINKER_FLAGS="$(flags LDFLAGS)" "$@"
cmake --build "$build" -j"$(nproc)"

rm -rf "$out"
mkdir -p "$out"
(cd "$build" && cpack -G DEB -B "$out/cpack")
mv "$out"/cpack/*.deb "$out"/
rm -rf "$out/cpack"
for deb in "$out"/*.deb; do
    echo "== $(basename "$deb")"
    dpkg-deb --field "$deb" Package Version Architecture Depends | sed 's/^/   /'
done

echo "== lintian"
lintian --info --display-info --fail-on error,warning "$out"/*.deb
echo "lintian: no errors or warnings"
echo "Packages: $out"
