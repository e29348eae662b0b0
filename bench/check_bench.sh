#!/usr/bin/env bash
# Times `varnoli-cli check -r` over a generated library, warm: whole runs, start-up
# included, each file read once for its checks and its album's.
#
#   bench/check_bench.sh VARNOLI_CLI MAKE_CORPUS FOLDER [FILES] [ROUNDS]
set -euo pipefail
cli=$1 make_corpus=$2 folder=$3 count=${4:-10000} rounds=${5:-5}
out=$(mktemp)
trap 'rm -f "$out"' EXIT

# Small audio: a check reads only the ends of a file and, without a tag, its first frames.
[ -d "$folder" ] || "$make_corpus" "$folder" "$count" 1 64 >/dev/null
files=$(find "$folder" -type f -iname '*.mp3' -not -path '*/.*/*' | wc -l)
run() { "$cli" check -r "$folder" >"$out" || [ $? -eq 1 ]; }
timed() {
    local start end
    start=$(date +%s%N)
    run
    end=$(date +%s%N)
    echo $(((end - start) / 1000))
}
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# One untimed run brings the files into the page cache.
run
times=$(for ((round = 0; round < rounds; round++)); do timed; done | median)
problems=$(wc -l <"$out")
echo "check: $files files below $folder, $problems problems, median of $rounds rounds"
awk -v n="$files" -v t="$times" 'BEGIN {
    printf "  %.3f s, %.0f files/s; 100,000 files would take %.1f s\n", t / 1e6, n / (t / 1e6), 100000 / (n / (t / 1e6)) }'
