#!/usr/bin/env bash
# A packager's configuration: with tests, benchmarks and demo off the tree configures without
# looking for the test-only packages and has no demo component; the installation folder
# defaults to the library folder, or /opt/trellis for the prefix /opt.
# Usage: configure_test.sh <cmake> <source folder> <C++ compiler>
cmake=$1 source=$2 cxx=$3
build=unused
# shellcheck source=common.sh disable=SC2034
. "$(dirname "$0")/common.sh"

configure() { # <build folder> <prefix>
    "$cmake" -S "$source" -B "$1" -G Ninja -DCMAKE_CXX_COMPILER="$cxx" \
        -DTRELLIS_BUILD_TESTS=OFF -DTRELLIS_BUILD_BENCH=OFF -DTRELLIS_BUILD_DEMO=OFF \
        -DCMAKE_INSTALL_PREFIX="$2" >"$1.log" 2>&1 || { cat "$1.log" >&2; return 1; }
}
cached() { sed -n "s/^$2:[A-Z]*=//p" "$1/CMakeCache.txt"; }

if configure "$scratch/usr" /usr; then
    for package in GTest_DIR Qt6Test_DIR benchmark_DIR; do
        expect "the product build looked for $package" \
            test -z "$(cached "$scratch/usr" "$package")"
    done
    components=$(grep -rhoE 'CMAKE_INSTALL_COMPONENT STREQUAL "[^"]*"' \
                     --include=cmake_install.cmake "$scratch/usr" | sed 's/.*"\(.*\)"/\1/' |
                     LC_ALL=C sort -u | tr '\n' ' ')
    expect "the product build installs the components: $components" test "$components" = "runtime sdk "
    expect "the installation folder under /usr is $(cached "$scratch/usr" TRELLIS_INSTALL_ROOT)" \
        test "$(cached "$scratch/usr" TRELLIS_INSTALL_ROOT)" = \
             "$(cached "$scratch/usr" CMAKE_INSTALL_LIBDIR)/trellis"
    expect "the packages are not trellis and trellis-dev" \
        grep -q 'set(CPACK_COMPONENTS_ALL "runtime;sdk")' "$scratch/usr/CPackConfig.cmake"
else
    fail "the product build does not configure"
fi
if configure "$scratch/opt" /opt; then
    expect "the installation folder under /opt is $(cached "$scratch/opt" TRELLIS_INSTALL_ROOT)" \
        test "$(cached "$scratch/opt" TRELLIS_INSTALL_ROOT)" = trellis
else
    fail "the product build does not configure for /opt"
fi
# The tests run on the demo: asking for them without it is an error, not a broken build.
refute "tests without the demo configure" "$cmake" -S "$source" -B "$scratch/nodemo" -G Ninja \
    -DCMAKE_CXX_COMPILER="$cxx" -DTRELLIS_BUILD_DEMO=OFF >/dev/null 2>&1
finish
