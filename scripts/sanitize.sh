#!/usr/bin/env bash
# Builds the project with the address and undefined-behaviour checkers (clang, into ./build-san;
# SAN_BUILD_DIR picks another folder) with the fuzz targets, and runs the whole test suite there.
# Any checker report fails the test that made it.
set -euo pipefail
cd "$(dirname "$0")/.."
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
# ...and it caches the compiles that use a precompiled header only when told these are safe.
export CCACHE_SLOPPINESS="pch_defines,time_macros"
dir="${SAN_BUILD_DIR:-build-san}"
san="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
# Light optimisation and line tables only: stack traces name the lines, the build stays quick.
# Each library's lone link is checked by the plain build (scripts/test.sh) and not again here.
# The tests' own code unoptimised and without the fuzzers' coverage, which only the fuzz targets
# read: compiling the tests was most of this build.
source scripts/generador.sh
generador "$dir"
CC=clang CXX=clang++ cmake -S . -B "$dir" "${GENERATOR[@]}" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only" \
  -DCMAKE_CXX_FLAGS="$san -fsanitize=fuzzer-no-link" -DCMAKE_EXE_LINKER_FLAGS="$san" \
  -DZEMBRA_BUILD_TESTS=ON -DZEMBRA_BUILD_BENCH=OFF -DZEMBRA_BUILD_FUZZ=ON -DZEMBRA_CHECK_LIBRARIES=OFF \
  "-DZEMBRA_TEST_COMPILE_OPTIONS=-O0;-fno-sanitize=fuzzer-no-link" >/dev/null
cmake --build "$dir" -j"$(nproc)"
source scripts/sanitize.env
export QT_QPA_PLATFORM=offscreen
source scripts/pruebas.sh
cd "$dir"
corre_pruebas --output-on-failure -j"$(nproc)" --timeout 300 -LE x11
