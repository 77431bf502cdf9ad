#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/) with clang and runs each for SECONDS on a copy of its
# seed corpus, as many at once as there are cores. Fails when a target finds a crash, a leak,
# undefined behaviour or a broken check; the input that did it is left in build-fuzz/findings/.
# TARVEL_FUZZ_SEED fixes libFuzzer's random seed, so a run explores the same inputs each time
# (CI sets it: a red run is then the code's doing, not the draw's).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
seed="${TARVEL_FUZZ_SEED:-}"
[[ -z "$seed" || "$seed" =~ ^[0-9]+$ ]] || { echo "run-fuzzers: TARVEL_FUZZ_SEED must be a whole number" >&2; exit 2; }
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
rm -rf "$findings" "$dir/failed" && mkdir -p "$findings" "$dir/failed"
# One target per core at a time: each runs single-threaded.
run_target() {
  local name=$1 seeds=$2 work="$dir/corpus/$1" log="$dir/fuzz_$1.log"
  rm -rf "$work" && mkdir -p "$work" && cp "$seeds"* "$work"/
  if "$dir/fuzz/fuzz_$name" -max_total_time="$seconds" -print_final_stats=1 ${seed:+-seed="$seed"} \
       -artifact_prefix="$findings/$name-" "$work" >"$log" 2>&1; then
    echo "fuzz: $name ran ${seconds}s: $(grep -Eo 'number_of_executed_units: *[0-9]+' "$log" || true)"
  else
    touch "$dir/failed/$name"
    { echo "fuzz: $name FAILED; the end of $log:"; tail -n 40 "$log"; } >&2
  fi
}
parallel=$(nproc)
for seeds in fuzz/corpus/*/; do
  while (($(jobs -rp | wc -l) >= parallel)); do wait -n || true; done
  run_target "$(basename "$seeds")" "$seeds" &
done
wait

failed=$(ls "$dir/failed")
if [[ -n "$failed" ]]; then
  echo "fuzz: failed: $(echo $failed) (inputs in $findings/)" >&2
  exit 1
fi
echo "fuzz: every target ran ${seconds}s without a finding"
