#!/usr/bin/env bash
# Builds the Debian package of an already built tree (default ./build) into
# build/package/, after checking the desktop entry and the AppStream metadata:
#   bash scripts/package.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
desktop-file-validate src/ui/trevlamark.desktop
appstreamcli validate --no-net packaging/com.qormix.trevlamark.metainfo.xml
cmake --build "$build"
(cd "$build" && cpack -G DEB)
ls "$build"/package/trevlamark_*.deb
