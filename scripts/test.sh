#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headless.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh --tests
bash scripts/build.sh -DZEMBRA_BUILD_TESTS=ON -DZEMBRA_BUILD_BENCH=ON
export QT_QPA_PLATFORM=offscreen
source scripts/pruebas.sh
cd build
corre_pruebas --output-on-failure -j"$(nproc)" --timeout 300 -LE x11
