#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/) with clang and runs each for SECONDS on a copy of its
# seed corpus. Fails when a target finds a crash, a leak, undefined behaviour or a broken check;
# the input that did it is left in build-fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
[[ "$seconds" =~ ^[0-9]+$ ]] || { echo "run-fuzzers: SECONDS must be a whole number" >&2; exit 2; }

# clang and its fuzzer runtime (packaged apart from clang on Debian 12).
./scripts/install-deps.sh clang libclang-rt-14-dev

dir=build-fuzz
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
  -DTARVEL_FUZZ=ON -DTARVEL_TESTS=OFF -DTARVEL_BENCH=OFF >/dev/null
cmake --build "$dir" --target tarvel_fuzzers

export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizer/lsan.supp"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
findings="$dir/findings"
rm -rf "$findings" && mkdir -p "$findings"
failed=()
for seeds in fuzz/corpus/*/; do
  name="$(basename "$seeds")"
  work="$dir/corpus/$name"
  rm -rf "$work" && mkdir -p "$work" && cp "$seeds"* "$work"/
  log="$dir/fuzz_$name.log"
  echo "fuzz: $name for ${seconds}s"
  if "$dir/fuzz/fuzz_$name" -max_total_time="$seconds" -print_final_stats=1 \
       -artifact_prefix="$findings/$name-" "$work" >"$log" 2>&1; then
    grep -E 'stat::number_of_executed_units' "$log" | sed "s/^/  /" || true
  else
    failed+=("$name")
    echo "fuzz: $name FAILED; the end of $log:" >&2
    tail -n 40 "$log" >&2
  fi
done

if [[ ${#failed[@]} -gt 0 ]]; then
  echo "fuzz: failed: ${failed[*]} (inputs in $findings/)" >&2
  exit 1
fi
echo "fuzz: every target ran ${seconds}s without a finding"
