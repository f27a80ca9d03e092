#!/usr/bin/env bash
# Builds the libFuzzer programs with clang under AddressSanitizer and UndefinedBehaviorSanitizer
# (build-fuzz/) and runs each one for a bounded time on its seed corpus fuzz/corpus/<name>/.
# Any finding (crash, sanitizer report, leak, timeout) fails the run; its input is kept in
# build-fuzz/findings/.
#   scripts/fuzz.sh [seconds per target, default $ORVANE_FUZZ_SECONDS or 15]
# New inputs the fuzzer finds go to a scratch folder, never into the seed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-${ORVANE_FUZZ_SECONDS:-15}}"
jobs="$(nproc)"

scripts/build.sh fuzz >/dev/null

export ASAN_OPTIONS="halt_on_error=1:abort_on_error=1:detect_leaks=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
findings="$PWD/build-fuzz/findings"
scratch="$PWD/build-fuzz/scratch-corpus"
rm -rf "$scratch"
mkdir -p "$findings"

run_one() {
  local program="$1" name="${1##*/fuzz_}"
  local seeds="fuzz/corpus/$name" work="$scratch/$name" log="$scratch/$name.log"
  mkdir -p "$work"
  if [ ! -d "$seeds" ]; then
    echo "fuzz $name: no seed corpus in $seeds"
    return 1
  fi
  if "$program" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
       -artifact_prefix="$findings/$name-" "$work" "$seeds" >"$log" 2>&1; then
    echo "fuzz $name: no finding in ${seconds}s ($(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$') runs)"
  else
    echo "fuzz $name: FINDING (log follows)"
    tail -n 60 "$log"
    return 1
  fi
}
export -f run_one
export seconds findings scratch

programs=(build-fuzz/bin/fuzz_*)
printf '%s\n' "${programs[@]}" | xargs -P "$jobs" -I{} bash -c 'run_one "$@"' _ {}
echo "fuzz: ${#programs[@]} targets, ${seconds}s each, no finding"
