#!/usr/bin/env bash
# Configures and builds into ./build (incremental). BUILD_DIR picks another folder.
set -euo pipefail
cd "$(dirname "$0")/.."
# The compiler cache serves every checkout of the project: paths are hashed relative to the checkout.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
dir="${BUILD_DIR:-build}"
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$dir" -j"$(nproc)"
