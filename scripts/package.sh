#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from the main build (the program and the real port library under
# /usr, nothing of the simulator) and prints its path. Installs the tools it needs when missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/ensure_packages.sh"
ensure_packages "${VANTU_BUILD_PACKAGES[@]}" "${VANTU_PACKAGE_PACKAGES[@]}"

build=${VANTU_BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
# A package of an older version must not be taken for this one.
rm -f "$build"/package/*.deb
if ! cmake --build "$build" -j "$(nproc)" --target package > "$build/package.log" 2>&1; then
    tail -n 30 "$build/package.log" >&2
    exit 1
fi
ls "$build"/package/*.deb
