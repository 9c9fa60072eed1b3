# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by windows.sh: finds the static Qt 6 kit for 64-bit mingw-w64 and unpacks it into
# the build tree, once per archive. Sets qt_toolchain to the kit's toolchain file, or leaves
# it empty (and says so) when there is no kit, so the Windows build goes on without the window.
# Sets qt_kit_dir to the folder of the archive, where the recipe it was built with lies.
qt_kit_unpack() {
    local build=$1
    local kit=shared/toolchains/qt6-mingw64/qt-6.4.2-mingw64-static.tar.zst
    local archive=${VANTU_QT_KIT:-$root/../$kit}
    # A git worktree elsewhere finds the kit beside its main checkout.
    local common
    if [ -z "${VANTU_QT_KIT:-}" ] && [ ! -f "$archive" ] && common=$(git -C "$root" rev-parse --path-format=absolute --git-common-dir 2> /dev/null); then
        [ -f "$(dirname "$common")/../$kit" ] && archive=$(dirname "$common")/../$kit
    fi
    qt_toolchain=""
    qt_kit_dir=""
    if [ ! -f "$archive" ]; then
        echo "Windows window skipped: no Qt kit at $archive"
        return 0
    fi
    archive=$(cd "$(dirname "$archive")" && pwd)/$(basename "$archive")
    qt_kit_dir=$(dirname "$archive")
    local dir="$build/qt-kit"
    # The archive's name, size and time: another kit at the same path is unpacked afresh.
    local stamp
    stamp=$(stat -c '%n %s %Y' "$archive")
    if [ "$(cat "$dir/.unpacked-from" 2> /dev/null)" != "$stamp" ]; then
        echo "Unpacking the Qt kit $archive"
        rm -rf "$dir"
        mkdir -p "$dir"
        tar --zstd -xf "$archive" -C "$dir"
        echo "$stamp" > "$dir/.unpacked-from"
    fi
    qt_toolchain=$(echo "$dir"/*/lib/cmake/Qt6/qt.toolchain.cmake)
    if [ ! -f "$qt_toolchain" ]; then
        echo "Windows window skipped: no lib/cmake/Qt6/qt.toolchain.cmake in $archive"
        qt_toolchain=""
    fi
}
