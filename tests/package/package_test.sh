#!/bin/sh
# The Debian package as a person meets it: made from this build, installed with dpkg into a
# scratch root (maintainer scripts run with DPKG_ROOT, as dpkg --root runs them, so nothing
# outside the root changes), the installed program started headless with a script, then
# removed and purged. Afterwards nothing may be left but the user's own data.
# usage: package_test.sh BUILD_DIR
set -eu

build=$1
for tool in dpkg dpkg-deb cpack; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIP: $tool is not installed"
        exit 77
    fi
done
as_root=""
if [ "$(id -u)" != 0 ]; then
    if ! command -v fakeroot >/dev/null 2>&1; then
        echo "SKIP: neither root nor fakeroot, dpkg cannot install"
        exit 77
    fi
    as_root=fakeroot
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/velvane-package-XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Packaged from what the build already holds.
(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) ||
    { cat "$work/cpack.log" >&2; fail "cpack failed"; }
deb=$(ls "$work"/out/velvane_*.deb)

root=$work/root
admin=$root/var/lib/dpkg
# As on a real system, /etc is there before the package.
mkdir -p "$admin/info" "$admin/updates" "$root/etc"
: >"$admin/status"
dpkg_root() {
    $as_root dpkg --root="$root" --admindir="$admin" --log=/dev/null \
        --force-script-chrootless --force-depends --force-not-root "$@"
}
settings=$root/etc/velvane/registry.reg
shell_value() {
    grep -A3 -i '^\[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shell\\Rai\\:MSCONTACTS\]' "$settings" |
        grep '^"1"=' || true
}

dpkg_root --install "$deb" >"$work/install.log" 2>&1 || { cat "$work/install.log" >&2; fail "install"; }
for file in usr/bin/velvane usr/sbin/velvane-setup usr/lib/velvane/setup.so \
    usr/lib/velvane/keyboard.txt usr/lib/velvane/skins/bin/default.skin \
    usr/share/applications/velvane.desktop usr/share/icons/hicolor/48x48/apps/velvane.png \
    usr/share/man/man1/velvane.1.gz; do
    [ -e "$root/$file" ] || fail "$file is not installed"
done
[ "$(shell_value)" = '"1"="\"/usr/lib/velvane/velvane\""' ] ||
    fail "the shell registration after install is $(shell_value)"
# The desktop learns inside the root that Velvane handles phone links.
if command -v update-desktop-database >/dev/null 2>&1; then
    grep -q '^x-scheme-handler/tel=velvane.desktop' "$root/usr/share/applications/mimeinfo.cache" ||
        fail "tel: links are not registered with the desktop"
fi

# A user runs the installed program through its link on the PATH.
home=$work/home
mkdir -p "$home" "$work/run"
chmod 700 "$work/run"
cat >"$work/script" <<SCRIPT
wait 3
screenshot $work/shot.png
quit
SCRIPT
env -i PATH=/usr/bin:/bin HOME="$home" TMPDIR="$work" XDG_RUNTIME_DIR="$work/run" \
    VELVANE_SYSCONFDIR="$root/etc/velvane" LANG=C.UTF-8 \
    "$root/usr/bin/velvane" --headless --script "$work/script" >"$work/run.log" 2>&1 ||
    { cat "$work/run.log" >&2; fail "the installed program did not run"; }
[ -s "$work/shot.png" ] || fail "the installed program drew nothing"
[ -n "$(find "$home" -type f)" ] || fail "the run left the user no data"

# Another program's machine-wide value, which purging must keep.
VELVANE_SYSCONFDIR="$root/etc/velvane" "$root/usr/bin/velvane-reg" set \
    'HKEY_LOCAL_MACHINE\Software\Apps\Quorr Textwell' InstallDir string /opt/textwell ||
    fail "velvane-reg could not write a machine-wide value"

dpkg_root --remove velvane >"$work/remove.log" 2>&1 || { cat "$work/remove.log" >&2; fail "remove"; }
[ "$(shell_value)" = '"1"=":MSPOUTLOOK contacts"' ] ||
    fail "the shell registration after removal is $(shell_value)"
[ ! -e "$root/usr/lib/velvane" ] || fail "the program folder outlives its removal"

dpkg_root --purge velvane >"$work/purge.log" 2>&1 || { cat "$work/purge.log" >&2; fail "purge"; }
[ -z "$(shell_value)" ] || fail "the shell registration outlives the purge"
grep -q '^"InstallDir"="/opt/textwell"' "$settings" || fail "purging took another program's value"
rm -rf "$root/etc/velvane"

# Without another value, purging takes the settings file and its folder too.
dpkg-deb -e "$deb" "$work/control"
alone=$work/alone
mkdir -p "$alone/etc/velvane"
printf '%s\n\n%s\n%s\n' 'Windows Registry Editor Version 5.00' \
    '[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Shell\Rai\:MSCONTACTS]' '"1"=":MSPOUTLOOK contacts"' \
    >"$alone/etc/velvane/registry.reg"
DPKG_ROOT=$alone sh "$work/control/postrm" purge
[ ! -e "$alone/etc/velvane" ] || fail "purging left $(ls -A "$alone/etc/velvane")"
left=$(cd "$root" && find . -path ./var/lib/dpkg -prune -o ! -name . ! -path ./var ! -path ./var/lib ! -path ./etc -print)
[ -z "$left" ] || fail "left behind after purge: $left"
[ -n "$(find "$home" -type f)" ] || fail "purging took the user's data"
echo "package installs, runs, removes and purges cleanly"
