#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer into
# build-asan/ and runs the whole test suite in a private X session, the way
# scripts/test.sh does: tests that use the X server's keyboard and pointer one
# at a time (one that fails is tried once more), the rest in parallel. Any
# report of either sanitizer ends the test that made it, so the test fails.
# Prints how long the build and the run took.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

build=build-asan
flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"

# Every sanitized program, including the test listing the build runs, stops at
# its first report. Only the one leak named in the suppression file is allowed.
export ASAN_OPTIONS=abort_on_error=0:detect_stack_use_after_return=1:strict_init_order=1:check_initialization_order=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS="suppressions=$PWD/scripts/sanitizer-suppressions.txt:print_suppressions=0"

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)

started=$(date +%s)
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ "${launcher[@]}" \
    -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
    -DCMAKE_EXE_LINKER_FLAGS="$flags" -DCMAKE_SHARED_LINKER_FLAGS="$flags" \
    -DVURUZID_BUILD_BENCHMARKS=OFF
fi
CCACHE_BASEDIR=$PWD cmake --build "$build" -j"$(nproc)"
built=$(date +%s)

status=0
bash scripts/with-xserver.sh bash -c "
  ctest --test-dir $build --output-on-failure -j2 --timeout 300 -LE x11 &&
  ctest --test-dir $build --output-on-failure --timeout 300 -L x11 --repeat until-pass:2" || status=$?
finished=$(date +%s)
echo "Sanitizer build: $((built - started)) s, tests: $((finished - built)) s"
exit $status
