#!/usr/bin/env bash
# Starts the real window under Xvfb with a small demo music folder and saves a PNG of each
# tab into docs/screenshots/.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
scripts/install-deps.sh

cmake -S . -B build/screenshots -DCMAKE_BUILD_TYPE=RelWithDebInfo $(command -v ccache >/dev/null && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache) >/dev/null
cmake --build build/screenshots -j2 --target varnoli-screenshots varnoli-cli

# A fixed, readable folder name, since it shows in the pictures.
work=/tmp/varnoli-demo
rm -rf "$work"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/settings" "$work/Music/Demo Album"
# A little silence behind real tags, written by varnoli-cli itself (its undo journal stays
# in the demo folder). The first title is Greek and Japanese: its ID3v1 copy gets "?", which
# varnoli-cli reports on stderr.
export XDG_STATE_HOME="$work/state"
# Nor the size and folders the window remembers from the person's own use.
export XDG_CONFIG_HOME="$work/config"
track=0
for song in "Καλημέρα – 朝の光" "Harbour Lights" "Slow River" "Paper Kites" \
            "The Long Way Home" "Northern Lines" "Lanterns" "Last Train"; do
    track=$((track + 1))
    file="$work/Music/Demo Album/0$track - $song.mp3"
    # Ten MPEG-1 Layer III frames of silence: a file without MPEG audio is refused for saving.
    for _ in 1 2 3 4 5 6 7 8 9 10; do printf '\xff\xfb\x90\x64'; head -c 413 /dev/zero; done >"$file"
    build/screenshots/cli/varnoli-cli set --artist "The Demo Band" --album "Demo Album" \
        --year 2024 --genre Pop --track "$track" --title "$song" "$file"
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
