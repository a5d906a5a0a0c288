#!/usr/bin/env bash
# Builds the fuzz targets with clang into build-fuzz/ and runs each for a
# bounded time (default 60 seconds): fuzz/run.sh [seconds] [target...]
# Each target starts from its seed corpus in fuzz/corpus/<target>/ and keeps
# what it learns in build-fuzz/corpus/<target>/; an input that breaks a
# target is saved in build-fuzz/artifacts/<target>/ and named at the end.
# Not part of the CI run.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true

build=build-fuzz
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
if [ ! -f "$build/build.ninja" ]; then
  launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ "${launcher[@]}" \
    -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
    -DVURUZID_BUILD_FUZZERS=ON -DVURUZID_BUILD_DICTIONARIES=OFF -DVURUZID_BUILD_BENCHMARKS=OFF
fi
CCACHE_BASEDIR=$PWD cmake --build "$build" --target vuruzid_fuzzers -j"$(nproc)"

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(fuzz_language_library fuzz_text_lines fuzz_user_word_file fuzz_settings fuzz_cp1251
           fuzz_jpeg_decoder fuzz_key_sequence fuzz_key_bitmap fuzz_word_frequencies fuzz_corrections)
fi

# The targets that go through files save with a disk flush each time; a
# memory-backed scratch folder keeps that from setting the pace.
[ -d /dev/shm ] && [ -w /dev/shm ] && export TMPDIR=/dev/shm
export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
failed=()
for target in "${targets[@]}"; do
  corpus=$build/corpus/$target
  artifacts=$build/artifacts/$target
  mkdir -p "$corpus" "$artifacts"
  echo "== $target: $seconds s"
  if ! "$build/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$artifacts/" "$corpus" "fuzz/corpus/$target" 2>"$build/$target.log"; then
    failed+=("$target")
    grep -E "^(==[0-9]+==ERROR|SUMMARY|broken:)|Test unit written" "$build/$target.log" || true
  fi
  grep -E "^stat::(number_of_executed_units|peak_rss_mb|new_units_added)" "$build/$target.log" || true
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "Broken: ${failed[*]} (inputs in $build/artifacts/, logs in $build/*.log)" >&2
  exit 1
fi
echo "No target broke."
