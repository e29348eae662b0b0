#!/usr/bin/env bash
# Checks the desktop entry and the AppStream metainfo with Debian's own validators, where
# they are installed; says so when one is not.
set -uo pipefail
cd "$(dirname "$0")/.."

status=0
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate app/org.varnoli.Varnoli.desktop || status=1
else
    echo "desktop-file-validate is not installed; the desktop entry is not checked"
fi
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net app/org.varnoli.Varnoli.metainfo.xml || status=1
else
    echo "appstreamcli is not installed; the metainfo is not checked"
fi
exit $status
