#!/usr/bin/env bash
# Configures and builds one flavour of the project.
#   scripts/build.sh [release|asan|tsan|fuzz] [extra cmake args...]
# release -> build/       everything, optimised
# asan    -> build-asan/  everything under AddressSanitizer + UndefinedBehaviorSanitizer
# tsan    -> build-tsan/  only the thread tests (target orvane_tsan), built with clang under
#                         ThreadSanitizer
# fuzz    -> build-fuzz/  only the libFuzzer programs (target orvane_fuzz), built with clang under
#                         AddressSanitizer + UndefinedBehaviorSanitizer
set -euo pipefail
cd "$(dirname "$0")/.."
flavour="${1:-release}"
shift || true
jobs="$(nproc)"
targets=()
# The sanitizer flavours keep line tables only (-g1): enough for the sanitizers' stack traces, and
# much quicker to compile and link than full debug information.
lines=(-DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG")
case "$flavour" in
  release) dir=build; args=(-DCMAKE_BUILD_TYPE=Release) ;;
  asan) dir=build-asan; args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo "${lines[@]}" -DORVANE_SANITIZE=ON -DORVANE_BUILD_BENCH=OFF) ;;
  tsan)
    dir=build-tsan
    # clang: GCC's per-processor clones of the hot loops are chosen by resolvers that run
    # before ThreadSanitizer's runtime is ready, and crash under it.
    args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo "${lines[@]}" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
          -DORVANE_SANITIZE_THREAD=ON -DORVANE_BUILD_BENCH=OFF -DORVANE_BUILD_LV2=OFF)
    targets=(--target orvane_tsan)
    ;;
  fuzz)
    dir=build-fuzz
    args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo "${lines[@]}" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
          -DORVANE_BUILD_FUZZ=ON -DORVANE_BUILD_BENCH=OFF -DORVANE_BUILD_LV2=OFF)
    targets=(--target orvane_fuzz)
    ;;
  *) echo "unknown flavour: $flavour (release, asan, tsan or fuzz)" >&2; exit 2 ;;
esac
cmake -S . -B "$dir" -G Ninja "${args[@]}" "$@" >/dev/null
cmake --build "$dir" -j "$jobs" "${targets[@]}"
