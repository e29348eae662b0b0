#!/usr/bin/env bash
# Installs from Debian everything the build, the tests and the run command need.
# Works as root or through sudo; installs nothing when all is there already.
set -euo pipefail

packages=(
    build-essential cmake pkg-config ccache
    zlib1g-dev libisal-dev libdeflate-dev libutf8proc-dev libuchardet-dev libsqlite3-dev
    qt6-base-dev libgl-dev
    libgtest-dev googletest
    clang libclang-rt-14-dev
    xvfb xauth fonts-noto-cjk
    desktop-file-utils appstream groff-base bash-completion
    libtag1-dev python3 python3-mutagen
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
[ "$(id -u)" -ne 0 ] && as_root=(sudo)
echo "Installing: ${missing[*]}"
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
