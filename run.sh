#!/usr/bin/env bash
# Installs what the build needs, builds Tarvel and runs it on this machine.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
exec ./build/src/cli/tarvelctl snapshot "$@"
