#!/usr/bin/env bash
# Sets everything up and runs Velvane's main job. Until the program itself can start, that
# job is the skin tool: it compiles the sample skin and prints it as the loader sees it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
mkdir -p build/sample
build/velvane/velvane-skinc tests/tools/data/sample/sample.vskin -o build/sample/sample.skin
build/velvane/velvane-skinc --dump build/sample/sample.skin "$@"
