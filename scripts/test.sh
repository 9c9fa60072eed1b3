#!/usr/bin/env bash
# Builds everything and runs every test, all against the simulated EC: no real port is touched
# and no machine is restarted. Installs the packages it needs when they are missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/ensure_packages.sh"
ensure_packages "${VANTU_BUILD_PACKAGES[@]}" "${VANTU_FUZZ_PACKAGES[@]}" "${VANTU_PACKAGE_PACKAGES[@]}" \
  "${VANTU_WINDOWS_PACKAGES[@]}"

build=${VANTU_BUILD_DIR:-$root/build}
jobs=$(nproc)

. "$root/scripts/test_guards.sh"
guard_test_environment "$build-restart-stubs"

# Every build below compiles many of the same sources: a compiler cache makes the later ones,
# and the next run, cheap.
export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache

echo "== build and test"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr
cmake --build "$build" -j "$jobs"
(cd "$build" && ctest --output-on-failure -j "$jobs")

echo "== Debian package from the same build, checked unpacked (never installed here)"
package_start=$SECONDS
deb=$(VANTU_BUILD_DIR="$build" "$root/scripts/package.sh")
"$root/scripts/check_package.sh" "$deb" "$build/simlib"
echo "package built and checked in $((SECONDS - package_start)) s"

echo "== core tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S "$root" -B "$build-asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVANTU_SANITIZE=ON -DVANTU_BUILD_APP=OFF
cmake --build "$build-asan" -j "$jobs"
(cd "$build-asan" && ctest --output-on-failure -j "$jobs")

echo "== settings reader fuzz smoke run (libFuzzer)"
cmake -S "$root" -B "$build-fuzz" -G Ninja -DVANTU_BUILD_APP=OFF -DVANTU_FUZZ=ON \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
cmake --build "$build-fuzz" -j "$jobs" --target settings_fuzz
(cd "$build-fuzz" && ctest --output-on-failure -R settings_fuzz_smoke)

echo "== Windows build (mingw-w64), core tests under Wine"
VANTU_BUILD_DIR="$build" "$root/scripts/windows.sh"
