#!/usr/bin/env bash
# Runs window_bench over a generated tree of N files: without the tag index, then through it
# twice (the first run fills the index, the second finds it warm). Each run is a process of
# its own, so that its peak memory is its own.
#
#   bench/window_bench.sh WINDOW_BENCH DATA_FOLDER [N...]     (N: 100000 250000)
set -euo pipefail
bench=$1 data=$2
shift 2
sizes=("$@")
[ $# -eq 0 ] && sizes=(100000 250000)
for n in "${sizes[@]}"; do
    export XDG_CACHE_HOME="$data/window$n/cache"
    rm -rf "$XDG_CACHE_HOME"
    for mode in no-index index index; do
        echo "== $n files, $mode"
        "$bench" "$data/window$n/tree" "$n" "$mode" 2>&1 | grep -v -e '^info:' -e '^QStandardPaths'
    done
done
