# SPDX-License-Identifier: GPL-3.0-or-later
# shellcheck shell=bash disable=SC2154  # the variables come from check_package.sh
# Sourced by check_package.sh: runs the menu launcher and the program unpacked into $tree.

echo "== menu launcher"
# The launcher runs as an ordinary user; pkexec is a stand-in that records how it was called.
user_home=$work/home
mkdir -p "$user_home/bin"
cat > "$user_home/bin/pkexec" <<'STUB'
#!/bin/sh
printf 'args=%s\ncwd=%s\nDISPLAY=%s\nXAUTHORITY=%s\n' "$*" "$(pwd)" "${DISPLAY-}" "${XAUTHORITY-}" \
    > "$HOME/pkexec-call"
exit "${PKEXEC_STATUS:-0}"
STUB
chmod 755 "$user_home/bin/pkexec"
touch "$user_home/.Xauthority"
as_root=false
[ "$(id -u)" -eq 0 ] && as_root=true
as_user=()
if $as_root; then
    chown -R nobody:nogroup "$user_home"
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups --no-new-privs)
fi
user=$("${as_user[@]}" id -un)

launcher_status=0
run_launcher() {  # VAR=value...: the session's environment
    rm -f "$user_home/pkexec-call"
    launcher_status=0
    "${as_user[@]}" env -i HOME="$user_home" PATH="$user_home/bin:/usr/bin:/bin" "$@" \
        sh "$tree$launcher" 2> "$work/launcher.err" || launcher_status=$?
}
pkexec_call() { sed -n "s/^$1=//p" "$user_home/pkexec-call"; }
owner() { stat -c %U -- "$1"; }
is_first_settings_file() {
    [ "$(head -c 8 "$1")" = $'[Info]\r' ] && [ "$(tail -c 3 "$1")" = END ] &&
        [ "$(awk 'END { print NR }' "$1")" -eq 16 ] && [ "$(grep -c $'\r$' "$1")" -eq 15 ]
}

run_launcher DISPLAY=:5
folder=$user_home/Documents/Vantu
check "first start: exit status of pkexec" test "$launcher_status" -eq 0
check "first start: ~/Documents/Vantu made, owned by the user" test -d "$folder" -a "$(owner "$folder")" = "$user"
check "first start: a settings file of sixteen CR LF lines" is_first_settings_file "$folder/uiset.ini"
check "first start: the settings file is the user's" test "$(owner "$folder/uiset.ini")" = "$user"
check "pkexec keeps the folder and runs $root_start" \
    test "$(pkexec_call args)" = "--keep-cwd $root_start" -a "$(pkexec_call cwd)" = "$folder"
check "pkexec gets the display and the home's X cookie" \
    test "$(pkexec_call DISPLAY)" = :5 -a "$(pkexec_call XAUTHORITY)" = "$user_home/.Xauthority"

if $as_root; then
    # What the program left as root: a log to hand back, a file root kept to itself, a link.
    printf PASS > "$folder/Flash_log.txt"
    chmod 644 "$folder/Flash_log.txt"
    printf secret > "$folder/private.bin"
    chmod 600 "$folder/private.bin"
    ln -s /etc/hostname "$folder/link"
    printf 'edited' > "$folder/uiset.ini"
    run_launcher DISPLAY=:5 XAUTHORITY=/run/user/1000/xauth PKEXEC_STATUS=3
    check "again: exit status of pkexec" test "$launcher_status" -eq 3
    check "again: the session's X cookie is passed on" test "$(pkexec_call XAUTHORITY)" = /run/user/1000/xauth
    check "root's log handed back, same bytes and mode" test "$(owner "$folder/Flash_log.txt")" = "$user" \
        -a "$(cat "$folder/Flash_log.txt")" = PASS -a "$(stat -c %a "$folder/Flash_log.txt")" = 644
    check "a file root kept unreadable stays root's" test "$(owner "$folder/private.bin")" = root
    check "a link stays a link of root's" test -L "$folder/link" -a "$(owner "$folder/link")" = root
    check "the user's settings file is kept" test "$(cat "$folder/uiset.ini")" = edited
    check "no copies left behind" test -z "$(find "$folder" -name '.vantu-handback*')"
else
    echo "skip hand-back of root's files (needs root to act as another user)"
fi

mkdir -p "$user_home/.config"
echo 'XDG_DOCUMENTS_DIR="$HOME/Papers"' > "$user_home/.config/user-dirs.dirs"
$as_root && chown -R nobody:nogroup "$user_home/.config"
run_launcher DISPLAY=:5
check "the documents folder of user-dirs.dirs" test "$(pkexec_call cwd)" = "$user_home/Papers/Vantu"

run_launcher
check "no display: ends with a failure before pkexec" \
    test "$launcher_status" -ne 0 -a ! -e "$user_home/pkexec-call"

echo "== installed program on the simulated EC"
# SAFETY: without the simulated library first on LD_LIBRARY_PATH, the installed program's
# RUNPATH would reach the real library unpacked beside it. Port and restart rights are
# dropped as well: from the bounding and inheritable sets as root, and no new privileges.
without_port_rights=(setpriv --no-new-privs)
if $as_root; then
    without_port_rights+=(--inh-caps=-sys_rawio,-sys_boot --bounding-set=-sys_rawio,-sys_boot)
fi
installed_status=0
run_installed() {  # program [arguments]: in $run, capabilities recorded by the process itself
    local program=$tree/usr/bin/$1
    shift
    # A lock of its own and a bus that leads nowhere: never the machine-wide lock another
    # Vantu may hold, nor a real sleep inhibitor.
    (cd "$run" && env -i PATH="$PATH" HOME="$run" LD_LIBRARY_PATH="$simlib" \
        VANTU_LOCK_FILE="$run/vantu.lock" DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent/vantu-test-bus \
        VANTU_SIM_CONFIG="$run/sim.conf" QT_QPA_PLATFORM=offscreen "${without_port_rights[@]}" \
        sh -c 'grep -E "^(Cap|NoNewPrivs)" /proc/self/status > capabilities; exec "$@"' sh "$program" "$@" \
        > out 2> err) || installed_status=$?
}
lacks_port_rights() {
    local set value
    grep -q '^NoNewPrivs:[[:space:]]*1$' "$run/capabilities" || return 1
    for set in CapInh CapPrm CapEff CapAmb $($as_root && echo CapBnd); do
        value=$(sed -n "s/^$set:[[:space:]]*//p" "$run/capabilities")
        [ -n "$value" ] || return 1
        # CAP_SYS_RAWIO is bit 17, CAP_SYS_BOOT bit 22.
        (( (16#$value >> 17 & 1) == 0 && (16#$value >> 22 & 1) == 0 )) || return 1
    done
}

if ! grep -q VANTU_SIM_CONFIG "$simlib/libinpout32.so" 2>/dev/null; then
    fail "no simulated port library in $simlib: the installed program was not run"
else
    run=$work/run
    mkdir -p "$run"
    printf 'ec_space=0x20:0x01,0x21:0x0A\nflash_size=0x10000\nflash_file=%s/flash.img\n' "$run" > "$run/sim.conf"
    # A version-only run: reads two EC-space bytes through the port library and ends.
    printf '%s\r\n' '[Info]' 'ACPI PORT=0x3F0' 'FW VERSION SHOW=2' 'HEX DISPLAY=0' 'Read Method=0' \
        'IO=0' 'BRAM BANK=0' 'Read BYTES=2' 'BRAM Start index=0x20' 'FlashEnd CMD=0xFE' 'AutoFlash=0' \
        'Warring Show=0' 'SilentRun=0' 'BinName=EC' 'Shutdown=0' > "$run/uiset.ini"
    printf END >> "$run/uiset.ini"
    run_installed vantu
    check "the program ran without CAP_SYS_RAWIO and CAP_SYS_BOOT" lacks_port_rights
    check "version-only run: exit status 0" test "$installed_status" -eq 0
    check "version-only run: EC_version.txt holds the simulated version" \
        test "$(cat "$run/EC_version.txt" 2>/dev/null)" = 1.10
    [ "$installed_status" -eq 0 ] || sed 's/^/  vantu: /' "$run/err" >&2

    # The command line's probe reads only: the EC, the Super I/O chip, the flash chip's ID and
    # the version, from the same settings file.
    installed_status=0
    run_installed vantu-cli --settings uiset.ini --json probe
    check "vantu-cli ran without CAP_SYS_RAWIO and CAP_SYS_BOOT" lacks_port_rights
    check "vantu-cli probe: exit status 0" test "$installed_status" -eq 0
    check "vantu-cli probe: the simulated flash chip and version" \
        grep -q '"chip_id":"EF4016EF".*"firmware_version":"1.10"' "$run/out"
    [ "$installed_status" -eq 0 ] || sed 's/^/  vantu-cli: /' "$run/err" >&2
fi
