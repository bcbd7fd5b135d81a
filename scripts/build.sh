#!/usr/bin/env bash
# Configures and builds into ./build (incremental). BUILD_DIR picks another folder.
set -euo pipefail
cd "$(dirname "$0")/.."
# The compiler cache serves every checkout of the project: paths are hashed relative to the checkout.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
# ...and it caches the compiles that use a precompiled header only when told these are safe.
export CCACHE_SLOPPINESS="pch_defines,time_macros"
dir="${BUILD_DIR:-build}"
source scripts/generador.sh
generador "$dir"
cmake -S . -B "$dir" "${GENERATOR[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$dir" -j"$(nproc)"
