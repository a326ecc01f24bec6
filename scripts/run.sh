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
cat > "$out/demo.script" <<SCRIPT
# What a person sees in the first seconds: the splash, the phone book, then a keypad search.
frames 10
screenshot $out/01-splash.png
wait 3
screenshot $out/02-phone-book.png
# Typed digits land on the keypad, which opens over the list and narrows it; a bare key
# event carries no text. Typing keeps working whatever --size the program was given.
type "5"
wait 1
type "6"
wait 1
screenshot $out/03-keypad-56.png
quit
SCRIPT
echo "No display here: running a headless demo instead."
"$program" --headless --script "$out/demo.script" "$@"
echo "Screenshots are in $out/"
