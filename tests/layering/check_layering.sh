#!/usr/bin/env bash
# The headless logger links no widget library, and no library below the
# window includes the window's headers.
# Usage: check_layering.sh SOURCE_ROOT LOGGER_EXECUTABLE
set -u
src=$1
logger=$2
status=0

upward=$(grep -rn '#include "app/' "$src/base" "$src/decode" "$src/link" "$src/records" "$src/session" "$src/cli" 2>/dev/null)
if [ -n "$upward" ]; then
    echo "libraries below the window include its headers:"
    echo "$upward"
    status=1
fi

widgets=$(ldd "$logger" | grep -E 'libQt6(Widgets|Charts|PrintSupport|OpenGLWidgets)')
if [ -n "$widgets" ]; then
    echo "$logger links widget libraries:"
    echo "$widgets"
    status=1
fi
[ $status -eq 0 ] && echo "ok: layering"
exit $status
