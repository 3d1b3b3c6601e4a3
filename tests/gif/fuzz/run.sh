#!/usr/bin/env bash
# Builds the GIF reader's libFuzzer target with clang (ASan + UBSan) and runs
# it over the seed corpus: the peer and maker files of tests/gif/data and the
# regression files beside this script.
#
#   tests/gif/fuzz/run.sh [SECONDS]      default 60: the bounded run of the test command
#   tests/gif/fuzz/run.sh 3600 -jobs=2   a longer run; extra arguments go to libFuzzer
#
# Needs clang and libclang-rt-14-dev (libFuzzer). New corpus entries go to
# build/fuzz-reader/corpus, crash files to build/fuzz-reader/ (copy a crash
# into tests/gif/fuzz/regressions/ to keep it as a regression test).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../../.." && pwd)"
out="$root/build/fuzz-reader"
seconds="${1:-60}"
shift || true
mkdir -p "$out/corpus"

sources=(
  "$here/gif_reader_fuzz.cpp"
  "$root/src/gif/gif_reader.cpp"
  "$root/src/gif/gif_reader_parse.cpp"
  "$root/src/gif/gif_reader_decode.cpp"
  "$root/src/gif/byte_sink.cpp"
  "$root/src/gif/byte_sink_host.cpp"
  "$root/src/gif/codec_failure.cpp"
  "$root/src/common/file_io_host.cpp"
  "$root/src/common/file_path.cpp"
  "$root/src/common/file_path_host.cpp"
  "$root/src/common/gbk.cpp"
)
binary="$out/gif_reader_fuzz"
# Rebuild only when a source is newer than the binary.
rebuild=0
[ -x "$binary" ] || rebuild=1
for s in "${sources[@]}" "$root"/src/gif/gif_reader*.h; do
  [ "$s" -nt "$binary" ] && rebuild=1
done
if [ "$rebuild" = 1 ]; then
  echo "== building $binary"
  clang++ -std=c++17 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -fno-omit-frame-pointer -I"$root/src" "${sources[@]}" -o "$binary"
fi

echo "== fuzzing the GIF reader for ${seconds}s (log: $out/fuzz.log)"
# The regressions and the seed files are run first. libFuzzer's progress
# lines go to the log; a failure prints the end of it with the crash report.
set +e
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  "$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
  -dict="$here/gif.dict" -artifact_prefix="$out/" -print_final_stats=1 "$@" \
  "$out/corpus" "$here/../data" "$here/regressions" >"$out/fuzz.log" 2>&1
status=$?
set -e
if [ "$status" != 0 ]; then
  tail -n 80 "$out/fuzz.log"
  echo "GIF reader fuzzing failed ($status); the input is in $out/ (crash-*, leak-*, timeout-*, oom-*)"
  exit "$status"
fi
grep -E '^(Done|stat::)' "$out/fuzz.log"
