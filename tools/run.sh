#!/usr/bin/env bash
# Installs what is missing, builds, and starts Orbek.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release -j"$(nproc)"
exec build/release/app/orbek "$@"
