#!/usr/bin/env bash
# Installs what the build needs, builds everything from nothing and runs every test.
#   ./test.sh                    the normal build in build/
#   ./test.sh --sanitize         the same tests under AddressSanitizer and UBSan, in build-asan/
#   ./test.sh --fuzz [SECONDS]   builds the fuzz targets with clang in build-fuzz/ and runs each
#                                for SECONDS (default 60) on a copy of its seeds in fuzz/corpus/
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh

if [[ "${1:-}" == "--fuzz" ]]; then
  exec ./scripts/run-fuzzers.sh "${2:-60}"
fi

dir=build
flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVEL_WERROR=ON)
if [[ "${1:-}" == "--sanitize" ]]; then
  dir=build-asan
  flags=(-DCMAKE_BUILD_TYPE=Debug -DTARVEL_WERROR=ON -DTARVEL_SANITIZE=ON -DTARVEL_BENCH=OFF)
  export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizer/lsan.supp"
fi

cmake -S . -B "$dir" -G Ninja "${flags[@]}" >/dev/null
cmake --build "$dir"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$dir" --output-on-failure --timeout 300 -j "$(nproc)"
