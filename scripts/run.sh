#!/bin/sh
# Starts the configurator with its program folder (and so its workspace) in the build tree.
set -eu
program="$1"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "ordano: no display found (DISPLAY and WAYLAND_DISPLAY are unset); start it from a desktop session, or under xvfb-run." >&2
    exit 1
fi
exec "$program"
