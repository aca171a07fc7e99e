#!/usr/bin/env bash
# The 32-bit tier: the i686 build under 32-bit Wine. The kernel refuses i386
# programs, so qemu's user-mode emulator runs them through binfmt_misc, inside a
# Debian root of their own that holds the 32-bit Wine (the machine's own Wine
# stays 64-bit only). Called by ./tw test-x86 once build/win32 is built.
set -euo pipefail
cd "$(dirname "$0")/../.."
ROOT=$PWD
XROOT=${TW_X86_ROOT:-/var/cache/tarnwick/x86-root}
QEMU=/usr/bin/qemu-i386-static
BINFMT=/proc/sys/fs/binfmt_misc

say() { echo "tw x86: $*"; }

[ "$(id -u)" -eq 0 ] || { say "the 32-bit tier sets up binfmt_misc and a Debian root, and needs root"; exit 1; }
case "$XROOT" in
"$ROOT"/*) say "TW_X86_ROOT must lie outside the repository ($XROOT)"; exit 1 ;;
esac

host_packages() {
    local missing=()
    for p in qemu-user-static debootstrap; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return
    say "installing ${missing[*]} on this machine"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# i386 ELF goes to the emulator; the F flag opens it now, so it works in the root too.
binfmt() {
    if [ ! -e "$BINFMT/register" ]; then
        say "mounting binfmt_misc"
        mount -t binfmt_misc binfmt_misc "$BINFMT"
    fi
    [ -e "$BINFMT/qemu-i386" ] && return
    say "registering $QEMU for i386 ELF programs"
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$QEMU"':F' \
        >"$BINFMT/register"
}

# The mirror apt already uses on this machine.
mirror() {
    local uri
    uri=$(sed -n 's/^URIs: *//p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -1)
    [ -n "$uri" ] || uri=$(awk '$1 == "deb" && $3 == "bookworm" { print $2; exit }' /etc/apt/sources.list 2>/dev/null)
    echo "${uri:-http://deb.debian.org/debian}"
}

MOUNTS=()
mount_root() {
    local m
    for m in proc sys dev dev/pts; do bind_at "/$m" "$XROOT/$m"; done
    mkdir -p "$XROOT/dev/shm"
    mountpoint -q "$XROOT/dev/shm" || mount -t tmpfs -o mode=1777 tmpfs "$XROOT/dev/shm"
    MOUNTS=("$XROOT/dev/shm" "${MOUNTS[@]}")
    # The work tree at its own path, so paths mean the same inside and out.
    bind_at "$ROOT" "$XROOT$ROOT"
}
# A mount left by a run that was killed is taken over, not stacked.
bind_at() { # from to
    mkdir -p "$2"
    mountpoint -q "$2" || mount --bind "$1" "$2"
    MOUNTS=("$2" "${MOUNTS[@]}")
}
unmount_root() {
    local m p
    # A Wine service that outlived its wineserver would hold the mounts.
    for p in /proc/[0-9]*; do
        [ "$(readlink "$p/root" 2>/dev/null)" = "$(readlink -f "$XROOT")" ] && kill -9 "${p#/proc/}" 2>/dev/null
    done
    for m in "${MOUNTS[@]}"; do
        umount "$m" 2>/dev/null || umount -l "$m" 2>/dev/null || say "could not unmount $m"
    done
    MOUNTS=()
}

make_root() {
    [ -f "$XROOT/.tw-ready" ] && return
    if [ ! -x "$XROOT/usr/bin/apt-get" ]; then
        local m
        m=$(mirror)
        say "making a minbase bookworm root in $XROOT from $m (about 2 minutes)"
        mkdir -p "$XROOT"
        debootstrap --variant=minbase bookworm "$XROOT" "$m" >"$XROOT.debootstrap.log" 2>&1 ||
            { tail -20 "$XROOT.debootstrap.log"; say "debootstrap failed"; exit 1; }
    fi
    say "installing wine wine32 wine64 xvfb in the root (about 2 minutes)"
    mount_root
    inside bash -c 'dpkg --add-architecture i386 && apt-get update -qq &&
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
            wine wine32 wine64 xvfb xauth fonts-wine procps >/dev/null' ||
        { say "installing Wine in the root failed"; exit 1; }
    unmount_root
    touch "$XROOT/.tw-ready"
}

inside() {
    chroot "$XROOT" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 "$@"
}

trap unmount_root EXIT
host_packages
binfmt
make_root
mount_root
inside TW_ROOT="$ROOT" ${TW_X86_FILTER:+TW_X86_FILTER="$TW_X86_FILTER"} ${TW_WINEDEBUG:+TW_WINEDEBUG="$TW_WINEDEBUG"} \
    bash "$ROOT/tools/x86/inside.sh" "$@"
