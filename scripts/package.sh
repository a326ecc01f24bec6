#!/usr/bin/env bash
# Builds the Debian package: a release build with Debian's hardening flags in build-package/,
# packed by CPack into build-package/package/, then checked with lintian,
# desktop-file-validate and appstreamcli. Options after the script go to cmake's configure.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

# RelWithDebInfo (-O2, as Debian builds): at -O3 GCC 12 warns falsely about std::string copies.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
# CMake takes CFLAGS, CXXFLAGS and LDFLAGS from the environment; CPPFLAGS it does not.
eval "$(dpkg-buildflags --export=sh)"
export CFLAGS="$CFLAGS $CPPFLAGS" CXXFLAGS="$CXXFLAGS $CPPFLAGS"
cmake -S . -B build-package -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELVANE_TESTS=OFF -DVELVANE_BENCH=OFF "$@"
cmake --build build-package -j"$(nproc)"
(cd build-package && cpack -G DEB)

deb=$(ls -t build-package/package/velvane_*.deb | head -n 1)
lintian --fail-on error,warning "$deb"
desktop-file-validate data/install/velvane.desktop
appstreamcli validate --no-net build-package/install/*.metainfo.xml
echo "Package: $deb"
