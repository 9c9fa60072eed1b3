#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
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
# and the next run, cheap. Paths are cached relative to the clone, so a fresh clone elsewhere
# on the same machine finds them too.
export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1

# Each step's time, so the run's cost is seen where it is spent.
step_start=$SECONDS
step() {
    [ -n "${step_name:-}" ] && echo "-- $step_name: $((SECONDS - step_start)) s"
    step_name=$1 step_start=$SECONDS
    [ -n "$step_name" ] && echo "== $step_name"
    return 0
}
trap 'step ""; echo "-- total: $SECONDS s"' EXIT

step "build and test"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr
cmake --build "$build" -j "$jobs"
(cd "$build" && ctest --output-on-failure -j "$jobs")

step "Debian package from the same build, checked unpacked (never installed here)"
deb=$(VANTU_BUILD_DIR="$build" "$root/scripts/package.sh")
"$root/packaging/check_package.sh" "$deb" "$build/simlib"

step "core tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S "$root" -B "$build-asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVANTU_SANITIZE=ON -DVANTU_BUILD_APP=OFF
cmake --build "$build-asan" -j "$jobs"
(cd "$build-asan" && ctest --output-on-failure -j "$jobs")

step "settings reader fuzz smoke run (libFuzzer)"
cmake -S "$root" -B "$build-fuzz" -G Ninja -DVANTU_BUILD_APP=OFF -DVANTU_FUZZ=ON \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
cmake --build "$build-fuzz" -j "$jobs" --target settings_fuzz
(cd "$build-fuzz" && ctest --output-on-failure -R settings_fuzz_smoke)

step "Windows build (mingw-w64), tests under Wine"
VANTU_BUILD_DIR="$build" "$root/scripts/windows.sh"
machine_lock_untouched
