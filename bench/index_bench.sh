#!/usr/bin/env bash
# Times `varnoli-cli show --json -r` and `search` over a library of N files with the tag index
# and without it (--no-index), cold (the page cache dropped, where this user may) and warm, and
# counts the MP3 files a warm run through the index opens (strace; it should be none).
# The library is 5,000 generated files hard-linked under N names in nested folders, so that a
# large library costs little disk.
#
#   bench/index_bench.sh VARNOLI_CLI MAKE_CORPUS DATA_FOLDER [N...]     (N: 100000 250000)
set -euo pipefail
cli=$1 make_corpus=$2 data=$3
shift 3
sizes=("$@")
[ $# -eq 0 ] && sizes=(100000 250000)
trace=$(mktemp)
trap 'rm -f "$trace"' EXIT
export XDG_CACHE_HOME="$data/cache"
mkdir -p "$data"
[ -d "$data/src" ] || "$make_corpus" "$data/src" 5000 31 8 >/dev/null

# N names in folders of 100, ten to a parent folder, each a hard link to a generated file.
build_tree() {
    python3 - "$data/src" "$1" "$2" <<'PY'
import os, sys
src, tree, n = sys.argv[1], sys.argv[2], int(sys.argv[3])
files = sorted(os.path.join(d, f) for d, _, fs in os.walk(src) for f in fs if f.lower().endswith('.mp3'))
for i in range(n):
    folder = os.path.join(tree, 'artist%03d' % (i // 1000), 'album%02d' % (i // 100 % 10))
    if i % 100 == 0:
        os.makedirs(folder, exist_ok=True)
    os.link(files[i % len(files)], os.path.join(folder, 'Track %05d.mp3' % i))
PY
}

# NO_DROP=1 leaves the page cache alone, on a machine others share.
can_drop() { [ -z "${NO_DROP:-}" ] && [ -w /proc/sys/vm/drop_caches ]; }
drop() { sync; echo 3 >/proc/sys/vm/drop_caches; }
# Seconds the command takes, its output thrown away.
timed() {
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1 || true
    end=$(date +%s%N)
    awk -v ns=$((end - start)) 'BEGIN { printf "%.3f", ns / 1e9 }'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2fx", (b > 0 ? a / b : 0) }'; }

for n in "${sizes[@]}"; do
    tree="$data/tree$n"
    [ -d "$tree" ] || build_tree "$tree" "$n"
    rm -rf "$XDG_CACHE_HOME"
    show=("$cli" show --json -r "$tree")
    search=("$cli" search "$tree" --subfolders --artist r)
    cmp <("${show[@]}" --no-index 2>&1) <("${show[@]}" 2>&1) >/dev/null || { echo "show differs through the index" >&2; exit 1; }
    cmp <("${search[@]}" --no-index) <("${search[@]}") >/dev/null || { echo "search differs through the index" >&2; exit 1; }
    echo "$n files below $tree"
    for what in show search; do
        declare -n cmd=$what
        if can_drop; then
            drop; cold_files=$(timed "${cmd[@]}" --no-index)
            drop; cold_index=$(timed "${cmd[@]}")
            cold="cold: $cold_files s reading the files, $cold_index s through the index ($(ratio "$cold_files" "$cold_index") faster)"
        else
            cold="cold: not measured (the page cache cannot be dropped by this user)"
        fi
        "${cmd[@]}" --no-index >/dev/null 2>&1 || true
        warm_files=$(timed "${cmd[@]}" --no-index)
        warm_index=$(timed "${cmd[@]}")
        echo "  $what: warm: $warm_files s reading the files, $warm_index s through the index" \
             "($(ratio "$warm_files" "$warm_index") faster); $cold"
    done
    strace -f -e trace=openat -o "$trace" "${show[@]}" >/dev/null 2>&1 || true
    opens=$(grep -c '\.mp3"' "$trace" || true)
    echo "  MP3 files opened by a warm show -r through the index: $opens"
    echo "  index: $(du -h "$XDG_CACHE_HOME/varnoli/tags.db" | cut -f1)"
done
