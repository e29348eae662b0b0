#!/usr/bin/env bash
# Starts the real window under Xvfb with a small demo music folder and saves a PNG of each
# tab into docs/screenshots/.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
scripts/install-deps.sh

cmake -S . -B build/screenshots -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/screenshots -j2 --target varnoli-screenshots

# A fixed, readable folder name, since it shows in the pictures.
work=/tmp/varnoli-demo
rm -rf "$work"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/settings" "$work/Music/Demo Album"
# The file lists only show names, so empty files are enough.
for song in "01 - Morning Light" "02 - Harbour Lights" "03 - Slow River" "04 - Paper Kites" \
            "05 - The Long Way Home" "06 - Northern Lines" "07 - Lanterns" "08 - Last Train"; do
    : >"$work/Music/Demo Album/$song.mp3"
done
printf '[General]\ninstalldir=%s/\n' "$repo" >"$work/settings/Varnoli.conf"
cat >"$work/musicdirs.xml" <<XML
<?xml version="1.0"?>
<musicdirs>
  <folder>$work/Music/Demo Album/</folder>
</musicdirs>
XML

mkdir -p docs/screenshots
(cd "$work" && VARNOLI_SETTINGS_DIR="$work/settings" \
    xvfb-run -a -s "-screen 0 1024x768x24" "$repo/build/screenshots/app/varnoli-screenshots" \
    "$repo/docs/screenshots")
echo "Saved: $(ls docs/screenshots)"
