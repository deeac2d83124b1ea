#!/bin/sh
# Installs the Debian packages that building, running and testing need. Safe to run again:
# it installs only what is missing.
set -eu

PACKAGES="qt6-base-dev qt6-translations-l10n libpugixml-dev libexpat1-dev libcsv-dev libmodbus-dev \
pkgconf ninja-build cmake g++ make libgtest-dev libgmock-dev libbenchmark-dev \
xvfb xauth xdotool imagemagick fonts-dejavu-core iputils-ping poppler-utils \
desktop-file-utils appstream dpkg-dev file strace help2man curl"

if ! command -v dpkg-query >/dev/null 2>&1 || ! command -v apt-get >/dev/null 2>&1; then
    echo "install-deps: this script knows Debian and Ubuntu only; install Qt 6 (Core, Gui, Widgets," \
         "Network, Test), pugixml, GoogleTest, Google Benchmark, CMake and Ninja by hand." >&2
    exit 1
fi

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done
[ -z "$missing" ] && exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then
        SUDO="sudo"
    else
        echo "install-deps: missing packages:$missing; run as root or install sudo." >&2
        exit 1
    fi
fi
echo "install-deps: installing$missing"
$SUDO apt-get update -qq
# shellcheck disable=SC2086
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
