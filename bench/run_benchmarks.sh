#!/usr/bin/env bash
# Builds the benchmarks, generates their files and runs them all, Varnoli side by side
# with TagLib. Usage: bench/run_benchmarks.sh [DATA_FOLDER]  (build/bench-data by default;
# it needs about 9 GiB of free space).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

data=${1:-build/bench-data}
cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARNOLI_BENCH=ON >/dev/null
cmake --build build/bench -j"$(nproc)" --target make_corpus read_bench save_bench show_bench \
    table_bench window_bench varnoli-cli

if [ ! -d "$data/library" ]; then
    build/bench/bench/make_corpus "$data/library" 2000
fi
if [ ! -d "$data/show" ]; then
    # Ten thousand files with 64 to 256 KiB of audio: a tag read touches only their ends.
    build/bench/bench/make_corpus "$data/show" 10000 1 256
fi
build/bench/bench/read_bench "$data/library" 7
build/bench/bench/show_bench "$data/show" build/bench/cli/varnoli-cli "$data/show.jsonl" 7
build/bench/bench/save_bench resave "$data/resave" 2000 5
build/bench/bench/save_bench batches "$data/batches" build/bench/cli/varnoli-cli 5
build/bench/bench/save_bench grow "$data/grow" 20 5
build/bench/bench/save_bench grow "$data/grow" 200 5
if [ ! -d "$data/search" ]; then
    build/bench/bench/make_corpus "$data/search" 10000 1 64
fi
bench/search_bench.sh build/bench/cli/varnoli-cli "$data/search" 5
bench/check_bench.sh build/bench/cli/varnoli-cli build/bench/bench/make_corpus "$data/check" 100000 5
python3 bench/move_bench.py build/bench/cli/varnoli-cli "$data/move" 200 5
bench/index_bench.sh build/bench/cli/varnoli-cli build/bench/bench/make_corpus "$data/index" 100000 250000
QT_QPA_PLATFORM=offscreen build/bench/bench/table_bench 100000
bench/window_bench.sh build/bench/bench/window_bench "$data" 100000 250000
