#!/usr/bin/env bash
# The window-system lane: the real program under Xvfb and a window manager, driven from outside
# (label x11). Run after scripts/test.sh, which builds the program and installs what it needs.
# A lane that tests nothing fails: a missing tool is named, and a run of no test is an error.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh --tests
faltan=()
for herramienta in Xvfb openbox xdotool xclip; do
  command -v "$herramienta" >/dev/null || faltan+=("$herramienta")
done
if [ ${#faltan[@]} -gt 0 ]; then
  echo "test-x11: missing ${faltan[*]}, so the lane cannot run (scripts/deps.sh --tests installs what it needs)" >&2
  exit 1
fi
bash scripts/build.sh -DZEMBRA_BUILD_TESTS=ON -DZEMBRA_BUILD_BENCH=ON
cd build
ctest --output-on-failure -L x11 --timeout 600 --no-tests=error | tee x11.log
corridas=$(sed -nE 's/.*tests passed, [0-9]+ tests failed out of ([0-9]+).*/\1/p' x11.log | tail -n 1)
echo "test-x11: ${corridas:-0} tests ran"
[ "${corridas:-0}" -gt 0 ] || { echo "test-x11: no test ran" >&2; exit 1; }
