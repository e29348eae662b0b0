#!/usr/bin/env bash
# Sets up the machine, builds everything and shows the tags of a sample file.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build/release -j"$(nproc)"
build/release/cli/varnoli-cli dump ../shared/corpus/taglib/ape-id3v1.mp3
