#!/usr/bin/env bash
# Short bounded fuzzing of the GIF reader (not part of CI): builds the libFuzzer
# target with clang and runs it for FUZZ_SECONDS (default 60) on generated seeds.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
OUT=${FUZZ_OUT:-$ROOT/build-fuzz}
SECONDS_TO_RUN=${FUZZ_SECONDS:-60}
if ! command -v clang++ >/dev/null || ! command -v convert >/dev/null; then
  apt-get install -y -qq --no-install-recommends clang libclang-rt-dev imagemagick >/dev/null
fi
mkdir -p "$OUT/corpus"
QT_FLAGS=$(pkg-config --cflags Qt6Core)
clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -I"$ROOT" $QT_FLAGS -fPIC \
  fuzz/gif_fuzz.cpp controls/visual/ZbGIF_lzw.cpp controls/visual/ZbGIF_format.cpp \
  platform/rtl/Exceptions.cpp platform/rtl/Object.cpp \
  $(pkg-config --libs Qt6Core) -o "$OUT/gif_fuzz"
# Seeds: a few small GIFs of different kinds, made here.
/usr/bin/convert -size 9x7 gradient:red-blue -colors 16 "$OUT/corpus/seed-grad.gif"
/usr/bin/convert -size 5x5 xc:white -transparent white "$OUT/corpus/seed-transparent.gif"
/usr/bin/convert -size 17x3 plasma:fractal -colors 256 -interlace GIF "$OUT/corpus/seed-interlaced.gif"
/usr/bin/convert -delay 10 -size 4x4 xc:red -size 3x3 xc:lime -loop 0 "$OUT/corpus/seed-anim.gif"
"$OUT/gif_fuzz" -max_total_time="$SECONDS_TO_RUN" -max_len=4096 -rss_limit_mb=2048 -timeout=10 -artifact_prefix="$OUT/" "$OUT/corpus"
