#!/usr/bin/env bash
# Searches a library with subfolders by one artist criterion, with `varnoli-cli search` and
# with a mutagen script that applies the same rule, in alternating rounds; both are whole
# runs, start-up included, and must print the same paths.
#
#   bench/search_bench.sh VARNOLI_CLI FOLDER [ROUNDS] [TEXT]
set -euo pipefail
cli=$1 folder=$2 rounds=${3:-5} text=${4:-r}
script="$(dirname "$0")/search_mutagen.py"
python=/usr/bin/python3
[ -x "$python" ] || python=python3
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

files=$(find "$folder" -type f -iname '*.mp3' -not -path '*/.*/*' | wc -l)
ours() { "$cli" search "$folder" --subfolders --artist "$text" >"$out/varnoli"; }
theirs() { "$python" "$script" "$folder" "$text" >"$out/mutagen"; }
# Microseconds the command takes.
timed() {
    local start end
    start=$(date +%s%N)
    "$@"
    end=$(date +%s%N)
    echo $(((end - start) / 1000))
}
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# One untimed run each brings the files into the page cache.
ours
theirs
if ! cmp -s "$out/varnoli" "$out/mutagen"; then
    echo "search_bench: the two searches disagree" >&2
    diff "$out/varnoli" "$out/mutagen" | head >&2
    exit 1
fi

: >"$out/a"
: >"$out/b"
: >"$out/ratio"
for ((round = 0; round < rounds; round++)); do
    # Alternate who goes first, so that neither always meets a warmer machine.
    if ((round % 2 == 0)); then
        a=$(timed ours)
        b=$(timed theirs)
    else
        b=$(timed theirs)
        a=$(timed ours)
    fi
    echo "$a" >>"$out/a"
    echo "$b" >>"$out/b"
    awk -v a="$a" -v b="$b" 'BEGIN { printf "%.2f\n", b / a }' >>"$out/ratio"
done

a=$(median <"$out/a")
b=$(median <"$out/b")
matches=$(wc -l <"$out/varnoli")
echo "search: $files files below $folder, artist \"$text\" (not exact), $matches results, median of $rounds rounds"
awk -v n="$files" -v a="$a" -v b="$b" 'BEGIN {
    printf "  Varnoli  %10.0f files/s  (%.3f s, varnoli-cli search)\n", n / (a / 1e6), a / 1e6
    printf "  mutagen  %10.0f files/s  (%.3f s, search_mutagen.py)\n", n / (b / 1e6), b / 1e6
}'
sort -n "$out/ratio" | awk -v r="$(awk -v a="$a" -v b="$b" 'BEGIN { print b / a }')" \
    'NR == 1 { lo = $1 } { hi = $1 } END { printf "  ratio    %10.2fx  (range %.2f to %.2f)\n", r, lo, hi }'
