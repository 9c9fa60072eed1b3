#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks the Debian package that package.sh made: its files, control fields and RUNPATHs, what
# lintian and the desktop, AppStream and polkit checkers say, the menu launcher (folder, first
# settings, pkexec call, hand-back of root's files), and a run of the installed program.
# Nothing is installed into this machine's root: the package is unpacked into a throwaway tree.
# The installed program runs only with the simulated port library first on LD_LIBRARY_PATH and
# without CAP_SYS_RAWIO and CAP_SYS_BOOT.
#
#   check_package.sh <vantu_*.deb> <directory of the simulated libinpout32.so>
set -euo pipefail
deb=$(realpath "$1")
simlib=$(realpath "$2")

failures=0
ok() { echo "ok   $*"; }
fail() { echo "FAIL $*" >&2; failures=$((failures + 1)); }
check() {  # what command...: the command's output is shown only when it fails
    local what=$1
    shift
    if "$@" > "$work/check.out" 2>&1; then
        ok "$what"
    else
        fail "$what"
        sed 's/^/     /' "$work/check.out" >&2
    fi
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"  # the launcher check runs as another user
tree=$work/root
dpkg-deb -x "$deb" "$tree"
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
private_dir=/usr/lib/$multiarch/vantu
launcher=/usr/libexec/vantu/vantu-launcher
root_start=/usr/libexec/vantu/vantu-root-start
desktop=/usr/share/applications/org.vantu.Vantu.desktop
metainfo=/usr/share/metainfo/org.vantu.Vantu.metainfo.xml
policy=/usr/share/polkit-1/actions/org.vantu.pkexec.vantu.policy

echo "== files"
listing=$(dpkg-deb -c "$deb" | awk '{ sub(/^\./, "", $6); print $6 }')
for path in /usr/bin/vantu /usr/bin/vantu-cli "$private_dir/libinpout32.so" "$launcher" "$root_start" \
    /usr/share/man/man1/vantu.1.gz /usr/share/man/man1/vantu-cli.1.gz "$desktop" "$metainfo" "$policy" \
    /usr/share/icons/hicolor/scalable/apps/org.vantu.Vantu.svg \
    /usr/share/doc/vantu/copyright /usr/share/doc/vantu/changelog.gz; do
    check "has $path" grep -qxF "$path" <<< "$listing"
done
check "nothing outside /usr" test -z "$(grep -v -e '^/$' -e '^/usr/' <<< "$listing")"
check "the port library only in $private_dir" \
    test "$(grep '/libinpout32\.so$' <<< "$listing")" = "$private_dir/libinpout32.so"
# The simulated library is the one file that reads its configuration variable.
check "no simulated port library" test -z "$(grep -rl VANTU_SIM_CONFIG "$tree" || true)"
check "no path of the build tree" test -z "$(grep -rlF "$(dirname "$simlib")" "$tree" || true)"

echo "== control fields"
field() { dpkg-deb -f "$deb" "$1"; }
version=$(field Version)
check "Package vantu" test "$(field Package)" = vantu
check "Architecture $(dpkg --print-architecture)" test "$(field Architecture)" = "$(dpkg --print-architecture)"
depends=$(field Depends)
for dependency in libc6 libqt6widgets6 libqt6gui6 pkexec; do
    check "Depends on $dependency" grep -qE "(^|, )$dependency( |,|$)" <<< "$depends"
done
changelog_version=$(zcat "$tree/usr/share/doc/vantu/changelog.gz" | sed -n '1s/^vantu (\([^)]*\)).*/\1/p')
check "changelog's newest entry is $version" test "$changelog_version" = "$version"
release=$(xmllint --xpath 'string(//releases/release[1]/@version)' "$tree$metainfo")
check "metainfo's newest release is $version" test "$release" = "$version"

echo "== installed programs"
# Each program reaches the port library through one RUNPATH entry naming the private directory.
runpath_is_private_dir() {
    local dynamic entry
    dynamic=$(readelf -d "$1")
    grep -q '(RPATH)' <<< "$dynamic" && return 1
    entry=$(sed -n 's/.*(RUNPATH).*\[\(.*\)\]$/\1/p' <<< "$dynamic")
    [ -n "$entry" ] && [ "${entry#*:}" = "$entry" ] || return 1
    [ "$(realpath -m "${entry//\$ORIGIN//usr/bin}")" = "$private_dir" ]
}
for program in "$tree"/usr/bin/*; do
    name=$(basename "$program")
    check "$name: RUNPATH names $private_dir and nothing else" runpath_is_private_dir "$program"
    check "$name: has a man page" test -f "$tree/usr/share/man/man1/$name.1.gz"
    check "$name: man page renders without warnings" test -z "$(LC_ALL=C.UTF-8 MANWIDTH=80 \
        man --warnings -E UTF-8 -l -Tutf8 -Z "$tree/usr/share/man/man1/$name.1.gz" 2>&1 >/dev/null)"
done

echo "== desktop entry, metainfo, polkit action"
check "desktop-file-validate" desktop-file-validate "$tree$desktop"
check "appstreamcli validate" appstreamcli validate --no-net --no-color "$tree$metainfo"
check "polkit action matches its DTD" \
    xmllint --noout --dtdvalid /usr/share/polkit-1/policyconfig-1.dtd "$tree$policy"
# The menu start is a chain of absolute paths: every link must name a file of the package.
desktop_key() { sed -n "s/^$1=//p" "$tree$desktop"; }
annotation() { xmllint --xpath "string(//annotate[@key='org.freedesktop.policykit.exec.$1'])" "$tree$policy"; }
check "desktop entry runs $launcher" test "$(desktop_key Exec)" = "$launcher" -a -x "$tree$launcher"
check "desktop icon is in the package" \
    test -f "$tree/usr/share/icons/hicolor/scalable/apps/$(desktop_key Icon).svg"
check "polkit action is for $root_start" test "$(annotation path)" = "$root_start" -a -x "$tree$root_start"
check "polkit action keeps the display" test "$(annotation allow_gui)" = true
check "polkit action keeps the authorisation" \
    test "$(xmllint --xpath 'string(//defaults/allow_active)' "$tree$policy")" = auth_admin_keep
check "launcher runs $root_start" grep -qxF "root_start='$root_start'" "$tree$launcher"
check "root start runs /usr/bin/vantu" grep -qxF "exec '/usr/bin/vantu'" "$tree$root_start"

echo "== lintian"
lintian_out=$work/lintian.txt
lintian_status=0
lintian --fail-on error,warning --display-info --pedantic "$deb" > "$lintian_out" 2>&1 || lintian_status=$?
grep -E '^[EWIPX]: ' "$lintian_out" || true
echo "lintian: $(grep -c '^E: ' "$lintian_out" || true) errors, $(grep -c '^W: ' "$lintian_out" || true) warnings," \
    "$(grep -c '^I: ' "$lintian_out" || true) notes, $(grep -c '^P: ' "$lintian_out" || true) pedantic"
check "lintian finds no error and no warning" test "$lintian_status" -eq 0

# shellcheck source=packaging/check_package_runs.sh
. "$(dirname "$0")/check_package_runs.sh"

if [ "$failures" -ne 0 ]; then
    echo "$failures package checks failed" >&2
    exit 1
fi
echo "all package checks passed"
