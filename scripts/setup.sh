#!/usr/bin/env bash
# Sets everything up: Debian packages, configure, build into build/velvane (the program folder).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"
