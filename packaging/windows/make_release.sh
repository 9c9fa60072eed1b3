#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the Windows release from built programs: the MSI (wixl) and the portable zip of the
# same files, and, from a git checkout, the source archive the release notes point to.
#   make_release.sh OUT_DIR VERSION VANTU_EXE VANTU_CLI_EXE LAUNCHER_EXE ICON STRIP [QT_RECIPE_DIR]
# OUT_DIR receives vantu-VERSION-x64.msi, vantu-VERSION-x64.zip and vantu-VERSION-source.tar.gz;
# QT_RECIPE_DIR holds the script, patch and toolchain file the static Qt was built with, which
# the source archive carries in qt-kit/.
set -euo pipefail
[ $# -eq 7 ] || [ $# -eq 8 ] || {
    echo "usage: $0 OUT_DIR VERSION VANTU_EXE VANTU_CLI_EXE LAUNCHER_EXE ICON STRIP [QT_RECIPE_DIR]" >&2
    exit 2
}
out=$1 version=$2 window=$3 cli=$4 launcher=$5 icon=$6 strip=$7 qt_recipe=${8:-}
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
lgpl=${VANTU_LGPL3_TEXT:-/usr/share/common-licenses/LGPL-3}

name=vantu-$version-x64
stage=$out/$name
rm -rf "$stage"
mkdir -p "$stage"

cp "$window" "$stage/vantu.exe"
cp "$cli" "$stage/vantu-cli.exe"
cp "$launcher" "$stage/vantu-launcher.exe"
"$strip" "$stage"/*.exe

# Texts in CR LF, as every Windows editor shows them.
crlf() { sed -e 's/\r$//' -e 's/$/\r/' "$1" > "$2"; }
with_version() { sed -e "s/@VERSION@/$version/g" "$1"; }
crlf "$source_dir/LICENSE" "$stage/LICENSE.txt"
crlf "$lgpl" "$stage/Qt-LGPL-3.0.txt"
crlf <(with_version "$here/README.txt.in") "$stage/README.txt"
crlf <(with_version "$here/Qt-NOTICE.txt.in") "$stage/Qt-NOTICE.txt"
files=(vantu.exe vantu-cli.exe vantu-launcher.exe README.txt LICENSE.txt Qt-LGPL-3.0.txt Qt-NOTICE.txt)

# Windows Installer takes major.minor.build with minor at most 255, and compares only those:
# the project's major.minor becomes major.0.minor, which keeps every later version higher.
IFS=. read -r major minor _ <<< "$version"
if ! [[ "$major" =~ ^[0-9]+$ && "$minor" =~ ^[0-9]+$ ]] || [ "$major" -gt 255 ] || [ "$minor" -gt 65535 ]; then
    echo "make_release.sh: version $version has no Windows Installer form" >&2
    exit 1
fi
msi=$out/$name.msi
cp "$icon" "$stage/vantu.ico"
(cd "$stage" && wixl --arch x64 -D "Version=$version" -D "MsiVersion=$major.0.$minor" -o "$msi.new" "$here/vantu.wxs")
rm "$stage/vantu.ico"
# What wixl cannot say, written into its tables. The port library a technician put beside
# vantu.exe goes with the program (wixl knows no RemoveFile element). A package rebuilt at the
# same version replaces the installed one rather than standing beside it in Apps & Features
# (wixl knows no AllowSameVersionUpgrades): the upgrade row includes its highest version,
# 513 = migrate features + highest version included; 2 = only detect a newer version.
tables=$(mktemp -d)
trap 'rm -rf "$tables"' EXIT
property() { msiinfo export "$msi.new" Property | tr -d '\r' | awk -F'\t' -v name="$1" '$1 == name { print $2 }'; }
upgrade_code=$(property UpgradeCode)
msi_version=$(property ProductVersion)
{
    printf '%s\t%s\t%s\t%s\t%s\r\n' FileKey Component_ FileName DirProperty InstallMode s72 s72 L255 s72 i2
    printf '%s\t%s\r\n' RemoveFile FileKey
    printf '%s\t%s\t%s\t%s\t%s\r\n' PortLibrary Window inpoutx64.dll INSTALLDIR 2
} > "$tables/RemoveFile.idt"
{
    printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\r\n' UpgradeCode VersionMin VersionMax Language Attributes Remove \
        ActionProperty s38 S20 S20 S255 i4 S255 s72
    printf '%s\t%s\t%s\t%s\t%s\t%s\r\n' Upgrade UpgradeCode VersionMin VersionMax Language Attributes
    printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\r\n' "$upgrade_code" "" "$msi_version" "" 513 "" WIX_UPGRADE_DETECTED
    printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\r\n' "$upgrade_code" "$msi_version" "" "" 2 "" WIX_DOWNGRADE_DETECTED
} > "$tables/Upgrade.idt"
msibuild "$msi.new" -i "$tables/RemoveFile.idt" -i "$tables/Upgrade.idt"
mv -f "$msi.new" "$msi"

zip_file=$out/$name.zip
rm -f "$zip_file"
(cd "$out" && zip -q -X -r "$zip_file" "${files[@]/#/$name/}")

# The source the release notes name: the tree as checked out, with changes not yet committed.
if git -C "$source_dir" rev-parse --git-dir > /dev/null 2>&1; then
    recipe=()
    if [ -n "$qt_recipe" ] && [ -f "$qt_recipe/build-kit.sh" ]; then
        recipe=(--prefix="vantu-$version/qt-kit/")
        for file in "$qt_recipe"/build-kit.sh "$qt_recipe"/*.patch "$qt_recipe"/mingw64.cmake "$qt_recipe"/README.md; do
            [ -f "$file" ] && recipe+=(--add-file="$file")
        done
    else
        echo "make_release.sh: no recipe of the Qt kit given: the source archive lacks qt-kit/" >&2
    fi
    tree=$(git -C "$source_dir" stash create 2> /dev/null || true)
    git -C "$source_dir" archive --format=tar.gz -o "$out/vantu-$version-source.tar.gz" \
        "${recipe[@]}" --prefix="vantu-$version/" "${tree:-HEAD}"
fi
echo "$msi"
echo "$zip_file"
