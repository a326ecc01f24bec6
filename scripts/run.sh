#!/usr/bin/env bash
# Sets everything up and runs Velvane. With a display it opens the program's window; without
# one it plays a short headless demo and writes its screenshots to a folder.
# Options after the script's name go to the program (velvane --help lists them).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
program=build/velvane/velvane
# A new user gets the demo phone book; an existing book is left alone.
build/velvane/velvane-pim demo --if-empty

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$program" "$@"
fi

out="$PWD/build/demo"
mkdir -p "$out"
echo "No display here: running a headless demo instead."
# The script's pictures land in the folder the program runs in.
(cd "$out" && "$OLDPWD/$program" --headless --script "$OLDPWD/scripts/headless-demo.script" "$@")
echo "Screenshots are in $out/"
