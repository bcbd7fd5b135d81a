#!/usr/bin/env bash
# Short bounded fuzzing of the document reader (not part of CI): builds the libFuzzer target
# with clang and runs it for FUZZ_SECONDS (default 60) on seeds the unit tests leave behind.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
OUT=${FUZZ_OUT:-$ROOT/build-fuzz}
SECONDS_TO_RUN=${FUZZ_SECONDS:-60}
if ! command -v clang++ >/dev/null; then
  apt-get install -y -qq --no-install-recommends clang libclang-rt-dev >/dev/null
fi
mkdir -p "$OUT/corpus-document"
clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -I"$ROOT" \
  $(pkg-config --cflags Qt6Core libzip pugixml) -fPIC \
  fuzz/document_fuzz.cpp platform/documents/Document.cpp platform/rtl/Exceptions.cpp platform/rtl/Object.cpp \
  $(pkg-config --libs Qt6Core libzip pugixml) -o "$OUT/document_fuzz"
# Seeds: any small .docx/.odt given in FUZZ_SEEDS, else an empty corpus.
for f in ${FUZZ_SEEDS:-}; do cp "$f" "$OUT/corpus-document/"; done
"$OUT/document_fuzz" -max_total_time="$SECONDS_TO_RUN" -max_len=65536 -rss_limit_mb=1024 -timeout=10 \
  -artifact_prefix="$OUT/" "$OUT/corpus-document"
