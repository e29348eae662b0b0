#!/usr/bin/env bash
# Fails when a source file includes across the layers: the engine knows nothing above it,
# feature logic is plain C++ and opens no window, varnoli-cli never uses the window, the
# window's widgets never reach into start-up, and only the platform layer talks to the OS.
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
for layer in tags features cli ui app; do
    check "$layer" 'unistd\.h|fcntl\.h|dirent\.h|sys/' 'makes system calls outside the platform layer'
done

[ $status -eq 0 ] && echo "layers: every include stays within its layer"
exit $status
