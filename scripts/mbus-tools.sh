#!/bin/sh
# Builds the request tools of an independent M-Bus library (libmbus, shipped inside the npm
# package node-mbus) into OUTPUT_DIR/bin, for the tests that read our slaves with a master we
# did not write. The package is fetched once per version into a cache keyed by its SHA-256 and
# checked against it; the tools are rebuilt only when the package changes.
#
#   scripts/mbus-tools.sh OUTPUT_DIR
#
# Never fails the build: OUTPUT_DIR/status says "ok" or why the tools are missing, and the tests
# that need them fail with that reason (unless ORDANO_SKIP_LIBMBUS_TESTS=1).
set -u

VERSION=2.2.6
SHA256=19c024e86160ea8570f390c53f0a9c4724661f9c85d427e676133da347330682
URL="https://registry.npmjs.org/node-mbus/-/node-mbus-$VERSION.tgz"
TOOLS="mbus-tcp-request-data mbus-tcp-request-data-multi-reply mbus-tcp-scan
mbus-tcp-scan-secondary mbus-tcp-select-secondary mbus-serial-request-data
mbus-serial-request-data-multi-reply mbus-serial-scan mbus-serial-scan-secondary
mbus-serial-select-secondary"

out=${1:?usage: mbus-tools.sh OUTPUT_DIR}
mkdir -p "$out" || exit 0
status="$out/status"
stamp="$out/bin/.built-$SHA256"
[ -f "$stamp" ] && exit 0

say() {
    printf '%s\n' "$*" >"$status"
    echo "mbus-tools: $*" >&2
    exit 0
}

cache="${ORDANO_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/ordano}"
tarball="$cache/node-mbus-$SHA256.tgz"
mkdir -p "$cache" 2>/dev/null || cache="$out" tarball="$out/node-mbus-$SHA256.tgz"
if [ ! -f "$tarball" ] || ! echo "$SHA256  $tarball" | sha256sum -c --status 2>/dev/null; then
    command -v curl >/dev/null 2>&1 || say "curl is missing; scripts/install-deps.sh installs it"
    rm -f "$tarball.part"
    curl -fsSL --connect-timeout 10 --retry 1 --max-time 120 -o "$tarball.part" "$URL" ||
        say "cannot download $URL"
    echo "$SHA256  $tarball.part" | sha256sum -c --status ||
        say "$URL does not have the SHA-256 $SHA256"
    mv "$tarball.part" "$tarball"
fi

work="$out/src"
rm -rf "$work" "$out/bin"
mkdir -p "$work" "$out/bin"
tar -xzf "$tarball" -C "$work" package/libmbus || say "cannot unpack $tarball"
lib="$work/package/libmbus"
cp "$lib/config.h" "$lib/mbus/" || say "the package holds no libmbus/config.h"
# A pseudo-terminal has no wire and refuses the parity the serial tools set with the baud rate;
# they carry on at 2400 8E1 when that refusal is let pass, which the tests on ptys need.
serial="$lib/mbus/mbus-serial.c"
sed -i 's/if (tcsetattr(handle->fd, TCSANOW, &(serial_data->t)) != 0)/if (tcsetattr(handle->fd, TCSANOW, \&(serial_data->t)) != 0 \&\& errno != EINVAL)/' "$serial"
grep -q '!= 0 && errno != EINVAL)' "$serial" || say "the serial tools could not be prepared for pseudo-terminals"
cc=${CC:-gcc}
for tool in $TOOLS; do
    (cd "$lib" && "$cc" -O1 -w -o "$out/bin/$tool" "bin/$tool.c" mbus/mbus.c mbus/mbus-protocol.c \
        mbus/mbus-protocol-aux.c mbus/mbus-serial.c mbus/mbus-tcp.c -I. -Imbus -DHAVE_CONFIG_H -lm) ||
        say "$cc could not build $tool"
done
touch "$stamp"
printf 'ok node-mbus %s\n' "$VERSION" >"$status"
