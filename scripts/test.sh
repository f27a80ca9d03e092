#!/usr/bin/env bash
# Installs what is needed, then builds and runs the whole test suite twice: an optimised build
# and a build under AddressSanitizer and UndefinedBehaviorSanitizer (halting on the first error).
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
