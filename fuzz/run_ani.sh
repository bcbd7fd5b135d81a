#!/usr/bin/env bash
# Short bounded fuzzing of the animated-cursor and icon readers (not part of CI): builds the
# libraries with clang and the sanitizers, links the libFuzzer target and runs it for FUZZ_SECONDS
# (default 60) on the fixtures of the tests as seeds.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
OUT=${FUZZ_OUT:-$ROOT/build-fuzz-ani}
SECONDS_TO_RUN=${FUZZ_SECONDS:-60}
if ! command -v clang++ >/dev/null || ! command -v icotool >/dev/null; then
  apt-get install -y -qq --no-install-recommends clang libclang-rt-dev icoutils >/dev/null
fi
SAN="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
cmake -S "$ROOT" -B "$OUT/lib" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_CXX_FLAGS="$SAN -fsanitize=fuzzer-no-link" -DCMAKE_EXE_LINKER_FLAGS="$SAN" >/dev/null
cmake --build "$OUT/lib" -j"$(nproc)" --target zb_visual >/dev/null
L="$OUT/lib"
clang++ -std=c++20 -g -O1 $SAN -fsanitize=fuzzer -I"$ROOT" $(pkg-config --cflags Qt6Widgets Qt6PrintSupport) -fPIC \
  fuzz/ani_fuzz.cpp \
  "$L/controls/visual/libzb_visual.a" "$L/platform/forms/libzb_forms.a" "$L/platform/graphics/libzb_graphics.a" \
  "$L/platform/classes/libzb_classes.a" "$L/platform/rtl/libzb_rtl.a" \
  $(pkg-config --libs Qt6PrintSupport Qt6Widgets Qt6Gui Qt6Core) -o "$OUT/ani_fuzz"
mkdir -p "$OUT/corpus" "$OUT/fixtures"
/usr/bin/python3 tests/controls/visual/make_cursor_fixtures.py "$OUT/fixtures"
cp "$OUT"/fixtures/*.ani "$OUT"/fixtures/*.ico "$OUT"/fixtures/*.cur "$OUT/corpus/"
"$OUT/ani_fuzz" -max_total_time="$SECONDS_TO_RUN" -max_len=65536 -rss_limit_mb=2048 -timeout=10 "$OUT/corpus"
