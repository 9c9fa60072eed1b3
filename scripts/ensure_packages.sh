# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the set-up scripts: installs the Debian packages that are missing, and only those.
ensure_packages() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# What building and testing needs on a fresh Debian 12 machine.
VANTU_BUILD_PACKAGES=(cmake ninja-build ccache g++ pkgconf libgtest-dev libsystemd-dev qt6-base-dev libgl-dev fonts-dejavu-core fonts-dejavu-extra
    libcli11-dev nlohmann-json3-dev zlib1g-dev)
VANTU_FUZZ_PACKAGES=(clang libclang-rt-14-dev)
# What building and checking the Debian package needs: dpkg-shlibdeps, the checkers of the
# package, its desktop entry, metainfo and polkit action, and xdg-user-dir for the launcher.
VANTU_PACKAGE_PACKAGES=(dpkg-dev lintian desktop-file-utils appstream policykit-1 libxml2-utils xdg-user-dirs)
# The Windows build (mingw-w64, GoogleTest from source, the host's header-only CLI11 and JSON)
# and Wine to run its tests; for the window, the static Qt kit's archive (zstd) and the host's
# moc, uic and rcc; for the release, the icon made from the SVG (librsvg2-bin, icoutils, whose
# wrestool also reads the built manifests), the MSI (wixl, msitools) and the zip.
VANTU_WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix googletest libcli11-dev nlohmann-json3-dev
    wine64 zstd qt6-base-dev-tools librsvg2-bin icoutils wixl msitools zip libz-mingw-w64-dev)
