#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows release as a technician meets it, under Wine in the build's prefix: the manifests
# of the built programs, a silent install of the MSI, the installed files, the installed
# command line's version, a flash to PASS through the Start-menu entry with the simulated port
# library beside vantu.exe, and a silent removal that leaves nothing in Program Files.
#   windows_release_test.sh WINE_RUN PREFIX MSI VANTU_EXE VANTU_CLI_EXE SIM_LIBRARY VERSION
set -uo pipefail
wine_run=$1 prefix=$2 msi=$3 window=$4 cli=$5 sim_library=$6 version=$7

failures=0
check() { # what, then the command that must succeed
    local what=$1
    shift
    if "$@"; then
        echo "PASS: $what"
    else
        echo "FAIL: $what"
        failures=$((failures + 1))
    fi
}
manifest() { wrestool -x --raw -t 24 "$1" 2> /dev/null; }
contains() { grep -q -- "$2" <<< "$1"; }
not() { ! "$@"; }

# Read from the built files, as Windows reads them before a program starts.
window_manifest=$(manifest "$window")
cli_manifest=$(manifest "$cli")
check "vantu.exe asks for administrator rights" contains "$window_manifest" 'level="requireAdministrator"'
check "vantu.exe is per-monitor DPI aware" contains "$window_manifest" 'PerMonitorV2'
check "vantu.exe uses common controls 6" contains "$window_manifest" 'Microsoft.Windows.Common-Controls'
check "vantu-cli.exe runs with the rights it is given" contains "$cli_manifest" 'level="asInvoker"'
check "vantu-cli.exe does not ask for administrator rights" not contains "$cli_manifest" requireAdministrator

installed="$prefix/drive_c/Program Files/Vantu"
msi_windows="Z:$(sed 's|/|\\|g' <<< "$msi")"
# An earlier run that stopped half-way leaves its installation: removed first.
[ -e "$installed" ] && "$wine_run" msiexec /x "$msi_windows" /qn > /dev/null 2>&1
check "nothing installed before" test ! -e "$installed"

check "msiexec /i /qn installs silently" "$wine_run" msiexec /i "$msi_windows" /qn
for file in vantu.exe vantu-cli.exe vantu-launcher.exe README.txt LICENSE.txt Qt-LGPL-3.0.txt Qt-NOTICE.txt; do
    check "installed: Program Files\\Vantu\\$file" test -f "$installed/$file"
done
# Windows puts a per-machine entry in the common Start menu, Wine in the installing user's.
start_menu_entries() { find "$prefix/drive_c" -path '*/Start Menu/Programs/Vantu.lnk' | grep -q .; }
check "installed: the Start-menu entry" start_menu_entries
apps_and_features() {
    "$wine_run" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2> /dev/null |
        grep -q 'DisplayName.*Vantu'
}
check "installed: an entry in Apps & Features" apps_and_features

cli_version=$("$wine_run" "$installed/vantu-cli.exe" --version 2> /dev/null | head -n 1 | tr -d '\r')
check "installed vantu-cli.exe --version prints $version" test "$cli_version" = "$version"

# The Start-menu entry's target, run as the entry runs it: the window works in Documents\Vantu.
target=$(msiinfo export "$msi" Shortcut | awk -F'\t' '$1 == "StartMenuEntry" { print $4 }')
target_file=$(msiinfo export "$msi" File | awk -F'\t' -v c="$target" '$2 == c { print $3 }')
check "the Start-menu entry starts vantu-launcher.exe" test "$target_file" = "vantu-launcher.exe"
cp "$sim_library" "$installed/inpoutx64.dll"
documents=$(echo "$prefix"/drive_c/users/*/Documents | tr ' ' '\n' | grep -v /Public/ | head -n 1)
work="$documents/Vantu"
rm -rf "$work"
mkdir -p "$work"
printf '%s\r\n' '[Info]' 'ACPI PORT=0x3F0' 'FW VERSION SHOW=0' 'HEX DISPLAY=0' 'Read Method=0' 'IO=0' \
    'BRAM BANK=0' 'Read BYTES=0' 'BRAM Start index=0x0' 'FlashEnd CMD=0xFE' 'AutoFlash=1' 'Warring Show=0' \
    'SilentRun=1' 'BinName=EC' 'Shutdown=0' > "$work/uiset.ini"
printf 'END' >> "$work/uiset.ini"
seq 1 20000 | head -c 65536 > "$work/EC.Bin"
export WINEQT_QPA_PLATFORM=offscreen VANTU_LOCK_FILE="$prefix/vantu-release-test.lock"
check "the Start-menu entry flashes unattended with status 0" "$wine_run" "$installed/vantu-launcher.exe"
check "Flash_log.txt says PASS" bash -c '[ "$(tr -d "\r" < "$1")" = PASS ]' - "$work/Flash_log.txt"
# A first start makes the settings file to begin from; without a screen the window ends with 2.
rm -rf "$work"
"$wine_run" "$installed/vantu-launcher.exe" > /dev/null 2>&1
check "a first start ends without a screen (status 2)" test $? -eq 2
check "a first start writes uiset.ini in Documents\\Vantu" grep -q 'Warring Show=1' "$work/uiset.ini"
rm -rf "$work"

check "msiexec /x /qn removes silently" "$wine_run" msiexec /x "$msi_windows" /qn
check "nothing left in Program Files" test ! -e "$installed"
check "no Start-menu entry left" not start_menu_entries
check "no entry left in Apps & Features" not apps_and_features

echo "$failures failed"
[ "$failures" -eq 0 ]
