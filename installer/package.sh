#!/usr/bin/env bash
# The release: stripped binaries with their debug information beside them, and
# one Windows Installer package per platform, from the built trees.
#   installer/package.sh OUT            OUT/x64, OUT/x86, OUT/Tarnwick-x64.msi, OUT/Tarnwick-x86.msi
#   installer/package.sh --older OUT    the same one version below the sources, its
#                                       binaries marked, for the upgrade test
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD

older=""
if [ "${1:-}" = --older ]; then older=1; shift; fi
[ $# -eq 1 ] || { echo "usage: installer/package.sh [--older] OUT"; exit 2; }
mkdir -p "$1"
OUT=$(cd "$1" && pwd)

# The control's file version, a.b.c.d, from its version resource.
version=$(sed -n 's/^FILEVERSION *\([0-9]*\), *\([0-9]*\), *\([0-9]*\), *\([0-9]*\).*/\1.\2.\3.\4/p' control/Tarnwick.rc)
[ -n "$version" ] || { echo "package: no FILEVERSION in control/Tarnwick.rc" >&2; exit 1; }

# The version before a.b.c, in the three fields that the installer compares.
previous_version() { # a.b.c.d
    local a b c
    IFS=. read -r a b c _ <<<"$1"
    if [ "$c" -gt 0 ]; then echo "$a.$b.$((c - 1)).0"
    elif [ "$b" -gt 0 ]; then echo "$a.$((b - 1)).0.0"
    else echo "$((a - 1)).0.0.0"; fi
}
[ -z "$older" ] || version=$(previous_version "$version")

# Each version and platform has a product code of its own, the same in every
# build of it: the same version is never installed twice as two products.
product_code() { # arch version
    python3 -c 'import sys, uuid; print(str(uuid.uuid5(uuid.UUID("8A60FD46-DE51-4611-96B0-6EA9BEBC4828"), sys.argv[1])).upper())' \
        "Tarnwick-$1-$2"
}

# Stripped, with a link to the debug information kept beside it.
strip_binary() { # objcopy source target
    "$1" --only-keep-debug "$2" "$3.debug"
    "$1" --strip-all --add-gnu-debuglink="$3.debug" "$2" "$3"
    if [ -n "$older" ]; then printf 'older build' >>"$3"; fi
}

for spec in x64:win64:x86_64 x86:win32:i686; do
    IFS=: read -r arch tree cpu <<<"$spec"
    for f in "build/$tree/control/Tarnwick.ocx" "build/$tree/cddb/CddbLocal.dll" "build/$tree/cddb/CddbImport.exe"; do
        [ -f "$f" ] || { echo "package: $f is not built (./tw build)" >&2; exit 1; }
    done
    rm -rf "${OUT:?}/$arch"
    mkdir -p "$OUT/$arch"
    for f in control/Tarnwick.ocx cddb/CddbLocal.dll cddb/CddbImport.exe; do
        strip_binary "$cpu-w64-mingw32-objcopy" "build/$tree/$f" "$OUT/$arch/$(basename "$f")"
    done
    # wixl finds the files named in the source relative to the current folder.
    (cd "$OUT" && wixl -a "$arch" -D Arch="$arch" -D Version="$version" -D ProductCode="$(product_code "$arch" "$version")" \
        -D Bin="$arch" -o "Tarnwick-$arch.msi" "$ROOT/installer/Tarnwick.wxs")
    echo "package: $OUT/Tarnwick-$arch.msi ($version)"
done
