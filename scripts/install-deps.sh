#!/usr/bin/env bash
# Installs the Debian packages Velvane builds and tests with; does nothing when all are there.
set -euo pipefail

packages=(
    build-essential cmake pkg-config git ccache
    python3  # skin source generator and its drift test
    libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev
    libpng-dev zlib1g-dev libminizip-dev  # minizip: screen recording archives
    libpixman-1-dev  # benchmark yardstick only
    libfreetype-dev libfontconfig-dev fonts-dejavu-core
    libsdl2-dev  # window, input and presenting
    libsqlite3-dev libjpeg62-turbo-dev  # contact database, call history, contact photos
    libicu-dev  # development-time collation table generator only
    libuchardet-dev  # guessing the charset of vCard files that name none
    libphonenumber-dev  # country codes and national forms of numbers for the search
    xvfb xauth  # run the program in a virtual X display when none is there
    unzip  # tests check the recording archive with a real unzip
    baresip-core  # the SIP phone engine's user agent, and the peer its tests call
    lintian desktop-file-utils appstream  # checks of the Debian package, its desktop entry and AppStream data
    libcurl4-openssl-dev libxml2-dev libsecret-1-dev  # address book sync: HTTP, XML, passwords
    radicale  # the sync tests run a real CardDAV server
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -q
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
