#!/usr/bin/env bash
# Sets up the machine, builds everything warning-free and runs every test: once as
# built, once under AddressSanitizer and UndefinedBehaviorSanitizer; then fuzzes the tag
# loader for a bounded time (VARNOLI_FUZZ_SECONDS, 60 by default) under both sanitizers.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen
# A compiler cache, when there is one, makes a second run on the same machine quick.
launcher=()
if command -v ccache >/dev/null; then
    export CCACHE_BASEDIR=$PWD
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

cmake -S . -B build/test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARNOLI_WERROR=ON -DVARNOLI_BENCH=ON "${launcher[@]}"
cmake --build build/test -j"$jobs"
(cd build/test && ctest --output-on-failure -j"$jobs")

cmake -S . -B build/sanitize -DCMAKE_BUILD_TYPE=Debug -DVARNOLI_WERROR=ON -DVARNOLI_SANITIZE=ON "${launcher[@]}"
cmake --build build/sanitize -j"$jobs"
(cd build/sanitize && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j"$jobs")

CC=clang CXX=clang++ cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARNOLI_WERROR=ON \
    -DVARNOLI_FUZZ=ON -DVARNOLI_SANITIZE=ON -DVARNOLI_GUI=OFF -DVARNOLI_TESTS=OFF "${launcher[@]}"
cmake --build build/fuzz -j"$jobs" --target fuzz_tags
# Seeds are copied so that nothing can ever write to the sample files.
rm -rf build/fuzz/seeds build/fuzz/found
mkdir -p build/fuzz/seeds build/fuzz/found
if [ -d ../shared/corpus/taglib ]; then
    cp ../shared/corpus/taglib/* build/fuzz/seeds/
    chmod u+w build/fuzz/seeds/*
fi
if ! build/fuzz/fuzz/fuzz_tags -max_total_time="${VARNOLI_FUZZ_SECONDS:-60}" -timeout=10 -rss_limit_mb=2048 \
    -max_len=200000 -print_final_stats=1 -dict=fuzz/id3.dict -artifact_prefix=build/fuzz/ \
    build/fuzz/found build/fuzz/seeds >build/fuzz/fuzz.log 2>&1; then
    tail -n 80 build/fuzz/fuzz.log
    echo "fuzz_tags found a fault; the input that shows it is in build/fuzz/" >&2
    exit 1
fi
grep -E '^(Done|stat::)' build/fuzz/fuzz.log
