#!/usr/bin/env bash
# Builds the Debian package varnoli_<version>_<arch>.deb into build/package/ and checks it
# with lintian. Installs what the build needs (as root, or through sudo).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

packages=(debhelper dpkg-dev lintian desktop-file-utils appstream)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    as_root=()
    [ "$(id -u)" -ne 0 ] && as_root=(sudo)
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The version is the project's, from the one line of CMakeLists.txt that names it.
version=$(sed -n 's/^project(Varnoli VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "package.sh: no version found in CMakeLists.txt" >&2; exit 1; }
out=$(pwd)/build/package
src=$out/varnoli-$version
rm -rf "$out"
mkdir -p "$src"

# A clean copy of the sources (the working tree's, changes included), with the changelog
# the version and the date make.
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -z --cached --others --exclude-standard | grep -zv '^build/' | tar --null -T - -cf - | tar -xf - -C "$src"
else
    tar --exclude=./build -cf - . | tar -xf - -C "$src"
fi
sed -e "s/@VERSION@/$version/" -e "s/@DATE@/$(date -R)/" debian/changelog.in >"$src/debian/changelog"

extra=()
command -v ccache >/dev/null && extra=(VARNOLI_CMAKE_EXTRA=-DCMAKE_CXX_COMPILER_LAUNCHER=ccache CCACHE_BASEDIR="$src")
(cd "$src" && env "${extra[@]}" DEB_BUILD_OPTIONS="parallel=$(nproc)" dpkg-buildpackage -b -us -uc)

deb=$out/varnoli_${version}_$(dpkg-architecture -qDEB_HOST_ARCH).deb
desktop-file-validate "$src/debian/varnoli/usr/share/applications/org.varnoli.Varnoli.desktop"
appstreamcli validate --no-net "$src/debian/varnoli/usr/share/metainfo/org.varnoli.Varnoli.metainfo.xml"
lintian --fail-on error "$deb"
echo "Built $deb"
