#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The main job on the simulated EC: builds the program and the simulated port library,
# generates a sample image, flashes it unattended exactly as an install script would, and
# shows the log line, the exit status and whether the simulated flash now holds the image.
# No real port is touched and no machine is restarted.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/ensure_packages.sh"
ensure_packages "${VANTU_BUILD_PACKAGES[@]}"

build=${VANTU_BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)" --target vantu inpout32_sim

run="$build/demo"
rm -rf "$run"
mkdir -p "$run/stubs"
cd "$run"

# A restart request only leaves a note here.
for cmd in systemd-run shutdown reboot systemctl; do
    printf '#!/bin/sh\necho "restart requested: %s $*" >> restart_requests.txt\n' "$cmd" > "stubs/$cmd"
    chmod +x "stubs/$cmd"
done

# A 200 KB sample image: four chunks, the last one partly filled.
head -c 204800 /dev/urandom > SAMPLE.Bin

printf '%s\r\n' "[Info]" "ACPI PORT=0x3F0" "FW VERSION SHOW=1" "HEX DISPLAY=0" "Read Method=0" \
    "IO=0" "BRAM BANK=0" "Read BYTES=3" "BRAM Start index=0x40" "FlashEnd CMD=0xFE" "AutoFlash=1" \
    "Warring Show=0" "SilentRun=1" "BinName=SAMPLE" "Shutdown=0" > uiset.ini
printf 'END' >> uiset.ini

cat > sim.conf <<CONF
chip=winbond
flash_size=0x100000
flash_file=$run/flash.img
ec_space=0x40:1,0x41:2,0x42:3
CONF

echo "Flashing SAMPLE.Bin (204800 bytes) on the simulated EC, unattended..."
# Without a display the window runs offscreen; boxes then go to standard error.
platform=${QT_QPA_PLATFORM:-}
[ -n "$platform" ] || [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] || platform=offscreen
set +e
env PATH="$run/stubs:$PATH" LD_LIBRARY_PATH="$build/simlib" VANTU_SIM_CONFIG="$run/sim.conf" \
    ${platform:+QT_QPA_PLATFORM=$platform} "$build/app/vantu" > vantu.out 2> vantu.err
status=$?
set -e

echo "Flash_log.txt : $(cat Flash_log.txt 2>/dev/null || echo '(none)')"
echo "EC_version.txt: $(cat EC_version.txt 2>/dev/null || echo '(none)')"
echo "exit status   : $status"
if cmp -s -n 204800 SAMPLE.Bin flash.img; then
    echo "flash         : holds the image"
else
    echo "flash         : DOES NOT hold the image"
fi
echo "(files are in $run)"
