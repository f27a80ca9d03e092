#!/usr/bin/env bash
# Installs what is needed, then builds and runs the test suite:
#   1. an optimised build, every test;
#   2. a build under AddressSanitizer and UndefinedBehaviorSanitizer (halting on the first error),
#      every test;
#   3. a ThreadSanitizer build of the thread tests only, every test labelled "tsan";
#   4. the libFuzzer programs (clang, AddressSanitizer, UndefinedBehaviorSanitizer), each run for
#      a bounded time on its seed corpus (scripts/fuzz.sh; ORVANE_FUZZ_SECONDS sets the time).
# Any failure, sanitizer report or fuzz finding fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs="$(nproc)"

scripts/build.sh release
(cd build && ctest --output-on-failure -j "$jobs")

scripts/build.sh asan
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=1:detect_leaks=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
(cd build-asan && ctest --output-on-failure -j "$jobs")

scripts/build.sh tsan
(cd build-tsan && TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1" \
  ctest --output-on-failure -j "$jobs" -L tsan)

scripts/fuzz.sh
