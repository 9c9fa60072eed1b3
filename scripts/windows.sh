#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-builds Vantu's core and vantu-cli for Windows with mingw-w64 and tests them under Wine,
# against the simulated port library DLL only. 64-bit: core libraries, vantu-cli.exe, the tests
# and inpoutx64.dll, tests run under Wine. 32-bit: core libraries, vantu-cli.exe and
# InpOut32.DLL, built and checked on the host (running them would need 32-bit Wine). With the
# static Qt kit beside the repository, the 64-bit build adds the window, vantu.exe, and its
# tests under Wine, and the release: the MSI and portable zip, installed, run and removed
# under Wine by the windows_release test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/ensure_packages.sh"
. "$root/scripts/qt_kit.sh"
ensure_packages "${VANTU_WINDOWS_PACKAGES[@]}"

build=${VANTU_BUILD_DIR:-$root/build}
jobs=$(nproc)
launcher=()
command -v ccache > /dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

echo "== Windows 32-bit: core and InpOut32.DLL (built, not run)"
cmake -S "$root" -B "$build-win32" -G Ninja -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-i686.cmake" -DVANTU_BUILD_APP=OFF -DVANTU_BUILD_TESTS=OFF
cmake --build "$build-win32" -j "$jobs"
(cd "$build-win32" && ctest --output-on-failure)

echo "== Windows 64-bit: core tests under Wine against inpoutx64.dll"
qt_kit_unpack "$build-win64"
toolchain=${qt_toolchain:-$root/cmake/mingw-w64-x86_64.cmake}
# A tree configured with the other toolchain is configured afresh.
fresh=()
grep -qsx "CMAKE_TOOLCHAIN_FILE:[A-Z]*=$toolchain" "$build-win64/CMakeCache.txt" || fresh=(--fresh)
cmake "${fresh[@]}" -S "$root" -B "$build-win64" -G Ninja -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DVANTU_BUILD_APP="$([ -n "$qt_toolchain" ] && echo ON || echo OFF)" \
    -DVANTU_QT_RECIPE_DIR="$qt_kit_dir"
cmake --build "$build-win64" -j "$jobs"

# One Wine server for the whole run, so each test program starts in a fraction of a second;
# it is ended however the run ends.
export WINEPREFIX="$build-win64/wineprefix"
wineserver=/usr/lib/wine/wineserver
"$wineserver" -k 2> /dev/null || true  # one left from an earlier run of this tree
# A fresh prefix each run: in one left by an ended server Wine's RPC service no longer
# starts, and every window program would wait ten seconds for it.
rm -rf "$WINEPREFIX" "$WINEPREFIX-home"
mkdir -p "$WINEPREFIX"
trap '"$wineserver" -k 2> /dev/null || true' EXIT
"$wineserver" -p
"$build-win64/wine-run.sh" wineboot --init > /dev/null 2>&1
# No display driver: without one each window program would wait seconds for the desktop.
"$build-win64/wine-run.sh" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f > /dev/null 2>&1
(cd "$build-win64" && ctest --output-on-failure -j "$jobs")
