#!/usr/bin/env bash
# Fails when a source file includes across the layers: the engine knows nothing above it,
# feature logic is plain C++ and opens no window, varnoli-cli never uses the window, the
# window's widgets never reach into start-up, only the platform layer talks to the OS, the rooms
# of the tag engine stay apart, and no two units include each other, however indirectly.
set -uo pipefail
cd "$(dirname "$0")/.."

status=0
# check FOLDER REGEX WHY: every #include in FOLDER matching REGEX is a fault.
check() {
    local hits
    hits=$(grep -rnE --include='*.h' --include='*.cpp' "^[[:space:]]*#[[:space:]]*include[[:space:]]*[<\"]($2)" "$1" 2>/dev/null)
    if [ -n "$hits" ]; then
        echo "$1/ $3:"
        echo "$hits"
        status=1
    fi
}

check platform 'tags/|features/|cli/|ui/|app/|Q' 'includes something above the platform layer'
check tags 'features/|cli/|ui/|app/|Q' 'includes something above the tag engine'
check features 'ui/|app/|cli/|Q' 'includes the window, start-up, the CLI or Qt'
check cli 'ui/|app/|Q' 'includes the window, start-up or Qt'
check ui 'app/' 'includes start-up (start-up hands the window what it needs)'
# The rooms of the engine: core/ stands alone, each format (the tags, the MPEG audio) builds only
# on core/, and only file/ (the one open, the save, the move records) uses them all.
check tags/core 'tags/(id3v1|id3v2|mpeg|file)/' 'includes another room of the tag engine'
check tags/id3v1 'tags/(id3v2|mpeg|file)/' 'includes a room other than core/'
check tags/id3v2 'tags/(id3v1|mpeg|file)/' 'includes a room other than core/'
check tags/mpeg 'tags/(id3v1|id3v2|file)/' 'includes a room other than core/'
for f in $(find tags -maxdepth 1 -name '*.h' -o -maxdepth 1 -name '*.cpp'); do
    echo "tags/ $f: every engine file lives in a room (core/, id3v1/, id3v2/, mpeg/ or file/)"
    status=1
done

# Include cycles between units (a header and its source): each quoted include is an edge from
# the including unit to the included one, looked up beside the file, then from the top.
include_edges() {
    local file dir inc target
    while IFS= read -r file; do
        dir=$(dirname "$file")
        grep -hoE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"]+"' "$file" | sed -E 's/.*"([^"]+)"/\1/' |
            while IFS= read -r inc; do
                if [ -f "$dir/$inc" ]; then target="$dir/$inc"; elif [ -f "$inc" ]; then target="$inc"; else continue; fi
                target=$(realpath -m --relative-to=. "$target")
                echo "${file%.*} ${target%.*}"
            done
    done < <(find platform tags features cli ui app -name '*.h' -o -name '*.cpp')
}
loops=$(include_edges | tsort 2>&1 >/dev/null)
if [ -n "$loops" ]; then
    echo "include cycle between units:"
    echo "$loops"
    status=1
fi
for layer in tags features cli ui app; do
    check "$layer" 'unistd\.h|fcntl\.h|dirent\.h|sys/' 'makes system calls outside the platform layer'
done

[ $status -eq 0 ] && echo "layers: every include stays within its layer and room, and no include makes a cycle"
exit $status
