#!/usr/bin/env bash
# The window-system lane: the real program under Xvfb and a window manager, driven from outside
# (label x11). Run after scripts/test.sh, which builds the program and installs what it needs.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh --tests
bash scripts/build.sh -DZEMBRA_BUILD_TESTS=ON -DZEMBRA_BUILD_BENCH=ON
cd build
ctest --output-on-failure -L x11 --timeout 600
