#!/bin/bash
# Builds the Debian package, installs it the way a user would on a machine without any of the
# build's packages, starts Ordano as an ordinary user under xvfb-run and shows the per-user
# workspace it made and the menu entry. Meant for a fresh Debian 12 root (run as root there):
#   ../shared/tools/fresh-machine.sh scripts/fresh-install.sh
# It removes the build's packages before installing, so only the package's own dependencies
# are there when Ordano starts. Not part of make test.
set -eu
cd "$(dirname "$0")/.."

echo "== building the package"
make package >/tmp/ordano-package.log 2>&1 || { tail -n 30 /tmp/ordano-package.log; exit 1; }
deb=$(ls build/package/ordano_*.deb)
cp "$deb" /tmp/
deb=/tmp/$(basename "$deb")
dpkg-deb --field "$deb" Package Version Architecture Depends Recommends

echo "== removing the build's packages"
build_packages=$(sed -n '/^PACKAGES=/,/"$/p' scripts/install-deps.sh | sh -c 'eval "$(cat)"; echo $PACKAGES')
# shellcheck disable=SC2086
DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq $build_packages >/dev/null 2>&1 || true
DEBIAN_FRONTEND=noninteractive apt-get autoremove --purge -y -qq >/dev/null 2>&1 || true
if dpkg-query -W libqt6core6 >/dev/null 2>&1; then echo "note: Qt is still installed"; fi

echo "== apt install $deb"
DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "$deb" xvfb xauth xdotool 2>&1 |
    grep -E '^(Setting up ordano|The following NEW|  |[0-9]+ upgraded)' || true
dpkg -L ordano

echo "== the menu entry (/usr/share/applications/ordano.desktop)"
cat /usr/share/applications/ordano.desktop

echo "== ordano-cli --version, as an ordinary user"
id tester >/dev/null 2>&1 || useradd -m tester
runuser -u tester -- ordano-cli --version

echo "== ordano under xvfb-run, as that user; closed with its own close button"
runuser -u tester -- env HOME=/home/tester xvfb-run -a sh -c '
    ordano & pid=$!
    win=$(xdotool search --sync --onlyvisible --name "Configurator KT48213" | head -n 1)
    sleep 1
    # The close button sits at the top right of the main window (no window manager here).
    xdotool mousemove --window "$win" 657 33 click 1
    for i in $(seq 50); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
    kill $pid 2>/dev/null && echo "ordano did not end" || wait $pid; echo "ordano ended: $?"'
echo "== the per-user workspace"
find /home/tester/.local/share/Ordano | sort
cat /home/tester/.local/share/Ordano/Ordano.xml; echo
ls -la /usr/bin/ordano /usr/share/ordano
