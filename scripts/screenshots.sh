#!/usr/bin/env bash
# Remakes the README's pictures of the main screen (docs/screenshots/portrait.png, keypad.png,
# landscape.png) on the demo phone book a new user gets, and of the contact card
# (card-*.png, editor.png), the favourites, the recents, a contact's history and the call
# screen on a small one, with headless runs at 480x800 (800x480) and 192 dpi. Everything runs in a
# temporary home: the user's own phone book and settings are left alone. Builds first when the
# program folder is missing (scripts/setup.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
[ -x build/velvane/velvane ] || scripts/setup.sh
bin="$PWD/build/velvane"
out="$PWD/docs/screenshots"

root="$(mktemp -d /tmp/velvane-shots-XXXXXX)"
trap 'rm -rf "$root"' EXIT
mkdir -p "$root"/{home,tmp,config,data,documents,run}
chmod 700 "$root/run"
export HOME="$root/home" TMPDIR="$root/tmp" XDG_RUNTIME_DIR="$root/run"
export XDG_CONFIG_HOME="$root/config" XDG_DATA_HOME="$root/data"
export XDG_DOCUMENTS_DIR="$root/documents"
unset DISPLAY WAYLAND_DISPLAY

# The main screen with the whole demo book, then with "26" typed on the keypad, and in
# landscape. Its own data and settings, so the small book below starts afresh.
(
    export XDG_DATA_HOME="$root/book" XDG_CONFIG_HOME="$root/book-config"
    mkdir -p "$XDG_DATA_HOME" "$XDG_CONFIG_HOME"
    "$bin/velvane-pim" demo > /dev/null
    cat > "$root/main.script" <<SCRIPT
wait 3
screenshot $out/portrait.png
type "2"
wait 1
type "6"
wait 1
screenshot $out/keypad.png
quit
SCRIPT
    "$bin/velvane" --headless --size 480x800 --dpi 192 --script "$root/main.script"
    printf 'wait 3\nscreenshot %s/landscape.png\nquit\n' "$out" > "$root/landscape.script"
    "$bin/velvane" --headless --size 800x480 --dpi 192 --script "$root/landscape.script"
)

# The demo book is the same on every run; its third contact has a photo, phones, e-mails and
# a birthday.
"$bin/velvane-pim" demo --count 12 > /dev/null
number="$("$bin/velvane-pim" show 3 | sed -n 's/^Mobile: //p')"

# The card's header: the edit toggle at the right, the names' editor over the head.
cat > "$root/light.script" <<SCRIPT
wait 3
screenshot $out/card-view.png
tap 420 38
wait 1
screenshot $out/card-edit.png
tap 420 170
wait 1
screenshot $out/editor.png
quit
SCRIPT
"$bin/velvane" --headless --size 480x800 --dpi 192 --script "$root/light.script" "open:$number"

# Six contacts' mobile numbers starred on their cards (the first phone row's star), then the
# tabs: favourites as a list and, on a second press of the tab, as a grid; recents, the first
# row's history and a call from the third contact.
for id in 1 3 4 5 6 10; do
    mobile="$("$bin/velvane-pim" show "$id" | sed -n 's/^Mobile: //p')"
    printf 'wait 2\ntap 445 352\nwait 0.5\nquit\n' > "$root/star.script"
    "$bin/velvane" --headless --size 480x800 --dpi 192 --script "$root/star.script" "open:$mobile"
done
{
    echo "wait 3"
    cat <<SCRIPT
tap 200 38
wait 1
screenshot $out/favorites-list.png
tap 200 38
wait 1
screenshot $out/favorites-grid.png
tap 333 38
wait 1
screenshot $out/recents.png
tap 440 123
wait 1
screenshot $out/history.png
tap 40 38
wait 1
phone ring ${number// /}
wait 2
screenshot $out/call.png
phone hangup
wait 1
quit
SCRIPT
} > "$root/tabs.script"
"$bin/velvane" --headless --size 480x800 --dpi 192 --script "$root/tabs.script"

"$bin/velvane-reg" set 'HKEY_CURRENT_USER\Software\Quorr\Velvane' Skin string default_dark
cat > "$root/dark.script" <<SCRIPT
wait 3
screenshot $out/card-view-dark.png
tap 40 38
wait 1
tap 200 38
wait 1
screenshot $out/favorites-grid-dark.png
phone ring ${number// /}
wait 2
screenshot $out/call-dark.png
phone hangup
wait 1
quit
SCRIPT
"$bin/velvane" --headless --size 480x800 --dpi 192 --script "$root/dark.script" "open:$number"
echo "Pictures written to $out/"
