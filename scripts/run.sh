#!/usr/bin/env bash
# Sets up the machine, builds, installs into a prefix and starts the window.
#   VARNOLI_PREFIX   where to install (default: build/install in this repository)
#   VARNOLI_WORKDIR  the folder the program starts in, holding musicdirs.xml (default: $HOME)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

prefix=${VARNOLI_PREFIX:-$(pwd)/build/install}
workdir=${VARNOLI_WORKDIR:-$HOME}

cmake -S . -B build/run -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX="$prefix"
cmake --build build/run -j"$(nproc)" --target varnoli varnoli-cli varnoli_help_files
cmake --install build/run >/dev/null
echo "Installed into $prefix"

# The install folder setting lives in the machine-wide store; without the right to write
# there, a store inside the prefix is used and handed to the program.
settings_dir=/etc/xdg
if ! { [ -w "$settings_dir" ] || [ -w "$settings_dir/Varnoli.conf" ]; }; then
    settings_dir="$prefix/etc/xdg"
    export VARNOLI_SETTINGS_DIR="$settings_dir"
fi
if [ ! -e "$settings_dir/Varnoli.conf" ]; then
    mkdir -p "$settings_dir"
    # Quoted, so that a comma, a semicolon or a backslash in the prefix reads back as itself.
    value="$prefix/share/varnoli/"
    value=${value//\\/\\\\}
    value=${value//\"/\\\"}
    printf '[General]\ninstalldir="%s"\n' "$value" >"$settings_dir/Varnoli.conf"
    echo "Wrote the setting installdir into $settings_dir/Varnoli.conf"
fi

# The music folder list is read from the folder the program starts in.
if [ ! -e "$workdir/musicdirs.xml" ]; then
    printf '<?xml version="1.0"?>\n<musicdirs/>\n' >"$workdir/musicdirs.xml"
    echo "Wrote an empty music folder list: $workdir/musicdirs.xml"
fi

cd "$workdir"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: starting the window under Xvfb, a virtual screen nobody sees."
    echo "It runs until you stop it with Ctrl+C."
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$prefix/bin/varnoli"
fi
exec "$prefix/bin/varnoli"
