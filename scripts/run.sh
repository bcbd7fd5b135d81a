#!/usr/bin/env bash
# Installs what is missing, builds, and starts Zembra.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh -DZEMBRA_BUILD_TESTS=OFF -DZEMBRA_BUILD_BENCH=OFF
exec ./build/app/zembra "$@"
