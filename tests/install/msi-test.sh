#!/usr/bin/env bash
# A package under Wine, in a prefix of its own made afresh for each run: the
# install, the installed control hosted in Wine's ATL container and searching,
# the uninstall, an upgrade over the version before and a refused downgrade,
# and the package's registry entries against what the modules' own
# DllRegisterServer writes.
#
#   tests/install/msi-test.sh MSI [WINE]
#
# MSI is dist/Tarnwick-x64.msi or dist/Tarnwick-x86.msi, WINE the Wine launcher
# to use (wine unless given; its wineserver is the one beside it). The package
# of the version before is build/package-older/ under the same name
# (installer/package.sh --older), the helper tests/install/install_check.exe of
# build/win64 or build/win32, by the package's platform. TW_MSI_OLDER,
# TW_INSTALL_CHECK and TW_MSI_PREFIX name others. Prints "ok - ..." or
# "not ok - ..." per check and "N passed, M failed" last.
set -euo pipefail
cd "$(dirname "$0")/../.."
ROOT=$PWD

[ $# -ge 1 ] || { echo "usage: tests/install/msi-test.sh MSI [WINE]"; exit 2; }
MSI=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
WINE=$(command -v "${2:-wine}")
WINESERVER=$(dirname "$WINE")/wineserver
case "$(basename "$MSI")" in
*x64*) arch=x64 tree=win64 ;;
*x86*) arch=x86 tree=win32 ;;
*) echo "msi-test: $MSI names no platform"; exit 2 ;;
esac
OLDER=${TW_MSI_OLDER:-$ROOT/build/package-older/$(basename "$MSI")}
CHECK=${TW_INSTALL_CHECK:-$ROOT/build/$tree/tests/install/install_check.exe}
for f in "$MSI" "$OLDER" "$CHECK"; do
    [ -f "$f" ] || { echo "msi-test: $f is missing"; exit 2; }
done

export WINEPREFIX=${TW_MSI_PREFIX:-$ROOT/build/msi-prefix-$arch}
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
WORK=$(mktemp -d)
XVFB_PID=""
WINESERVER_PID=""
stop() {
    if [ -n "$WINESERVER_PID" ]; then
        "$WINESERVER" -k >/dev/null 2>&1 || true
        kill "$WINESERVER_PID" 2>/dev/null || true
        wait "$WINESERVER_PID" 2>/dev/null || true
        WINESERVER_PID=""
    fi
    if [ -n "$XVFB_PID" ]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
        XVFB_PID=""
    fi
    rm -rf "$WORK"
}
trap stop EXIT

# The X server first: Wine's desktop belongs to the first process of a prefix.
if [ -z "${DISPLAY:-}" ]; then
    n=91
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
fi
rm -rf "$WINEPREFIX"
"$WINE" wineboot -i >/dev/null 2>&1 || true
"$WINESERVER" -w
"$WINESERVER" -p >/dev/null 2>&1 &
WINESERVER_PID=$!

PASSED=0
FAILED=0
ok() { echo "ok - $1"; PASSED=$((PASSED + 1)); }
not_ok() { echo "not ok - $1"; FAILED=$((FAILED + 1)); }
check() { # description command...
    local what=$1; shift
    if "$@"; then ok "$what"; else not_ok "$what"; fi
}
# Same text in both files, else the lines that differ below the description.
same() { # description expected actual
    if cmp -s "$2" "$3"; then ok "$1"; else not_ok "$1"; { diff "$2" "$3" || true; } | head -20 | sed 's/^/    /'; fi
}

# Wine's output into files, not pipes: its services inherit the handles and outlive the program.
wine_run() { # out command...
    local out=$1; shift
    "$WINE" "$@" >"$out" 2>"$WORK/stderr"
    local rc=$?
    sed -i 's/\r$//' "$out"
    return $rc
}
helper() { wine_run "$WORK/helper" "$CHECK" "$@"; cat "$WORK/helper"; }
msiexec() { wine_run "$WORK/msiexec" msiexec "$@" /qn; }
winpath() { local p=${1//\//\\}; echo "Z:$p"; }

# The registry of the machine and the user, one sorted line per key and value.
# Wine's type library registration writes the module's path in its \\?\ form,
# which names the same file.
dump() { # file
    wine_run "$1.raw" "$CHECK" dump
    sed 's/ sz:\\\\?\\/ sz:/' "$1.raw" | LC_ALL=C sort >"$1"
}
# A dump less the installer's own record of its products.
ours() {
    grep -vE '^[KV] HKLM\\Software\\(Microsoft\\Windows\\CurrentVersion\\(Installer|Uninstall)|Classes\\Installer)([\\ ]|$)' "$1" || true
}
# The lines of the second dump that the first lacks, the installer's record aside.
added() { LC_ALL=C comm -13 "$1" "$2" >"$WORK/added"; ours "$WORK/added"; }
# The values of the first dump that the second lacks.
lost_values() { LC_ALL=C comm -23 "$1" "$2" | grep '^V' || true; }
# Nothing that the first dump lacks, and no value of it lost.
restored() { # description before after
    added "$2" "$3" >"$WORK/left"
    lost_values "$2" "$3" >>"$WORK/left"
    same "$1" /dev/null "$WORK/left"
}

helper info "$(winpath "$MSI")" "$(winpath "$OLDER")" >"$WORK/info"
FOLDER_WIN=$(sed -n 1p "$WORK/info")
NEW=$(sed -n 2p "$WORK/info")
OLD=$(sed -n 3p "$WORK/info")
FOLDER=$WINEPREFIX/drive_c/${FOLDER_WIN#C:\\}
FOLDER=${FOLDER//\\//}
listing() { [ -d "$FOLDER" ] && (cd "$FOLDER" && find . -mindepth 1 | LC_ALL=C sort); }
hashes() { (cd "$FOLDER" && sha256sum Tarnwick.ocx CddbLocal.dll); }
installed() { helper installed "$(winpath "$MSI")"; }

echo "# $(basename "$MSI") ($NEW) into $FOLDER_WIN"
dump "$WORK/before"

# The install, what it put on the disk, and the control at work.
check "msiexec /i installs the package" msiexec /i "$(winpath "$MSI")"
check "one product is installed, this package's" test "$(installed)" = "$NEW"
printf '%s\n' ./CddbImport.exe ./CddbLocal.dll ./Tarnwick.ocx ./cddb >"$WORK/files"
listing >"$WORK/listing"
same "the install folder holds Tarnwick.ocx, CddbLocal.dll, CddbImport.exe and the empty folder cddb" "$WORK/files" \
    "$WORK/listing"
hashes >"$WORK/hashes" 2>/dev/null || true
mkdir -p "$WORK/modules"
cp "$FOLDER/Tarnwick.ocx" "$FOLDER/CddbLocal.dll" "$WORK/modules/" 2>/dev/null || true
dump "$WORK/installed"
wine_run "$WORK/host" "$CHECK" host || true
cat "$WORK/host"
PASSED=$((PASSED + $(grep -c '^ok - ' "$WORK/host" || true)))
FAILED=$((FAILED + $(grep -c '^not ok - ' "$WORK/host" || true)))
grep -qE '^(not )?ok - ' "$WORK/host" || not_ok "the hosted control reports (it crashed)"

# The uninstall leaves the registry and the disk as they were.
check "msiexec /x removes the package" msiexec /x "$(winpath "$MSI")"
check "no product is left" test -z "$(installed)"
dump "$WORK/removed"
restored "every key and value the install made is gone, and nothing else" "$WORK/before" "$WORK/removed"
check "every file and folder the install made is gone" test ! -e "$FOLDER"

# The version before, then this one over it: one product, the new files, the
# registry of a fresh install and a database folder set beforehand kept through
# both; then the older one refused over the newer.
[ "$arch" = x64 ] && view=/reg:64 || view=/reg:32
check "a database folder is set for the machine" wine_run "$WORK/reg" reg add 'HKLM\Software\Tarnwick\CddbLocal' \
    /v DatabaseFolder /d 'D:\discs' /f "$view"
check "msiexec /i installs the version before" msiexec /i "$(winpath "$OLDER")"
check "one product is installed, the version before ($OLD)" test "$(installed)" = "$OLD"
check "msiexec /i of this version upgrades it" msiexec /i "$(winpath "$MSI")"
check "one product is left, this package's" test "$(installed)" = "$NEW"
hashes >"$WORK/upgraded-hashes" 2>/dev/null || true
same "the upgraded files are this package's" "$WORK/hashes" "$WORK/upgraded-hashes"
listing >"$WORK/upgraded-listing"
same "nothing else is in the install folder" "$WORK/files" "$WORK/upgraded-listing"
dump "$WORK/upgraded"
folder_value='^V HKLM\\Software\\Tarnwick\\CddbLocal \[DatabaseFolder\] '
check "the database folder set before is kept" grep -qx "${folder_value}sz:D:\\\\discs" "$WORK/upgraded"
ours "$WORK/installed" | grep -v "$folder_value" >"$WORK/installed-ours"
ours "$WORK/upgraded" | grep -v "$folder_value" >"$WORK/upgraded-ours"
same "the registry is otherwise that of a fresh install" "$WORK/installed-ours" "$WORK/upgraded-ours"
if msiexec /i "$(winpath "$OLDER")"; then not_ok "the version before is refused over this one"
else ok "the version before is refused over this one"; fi
check "this package stays installed" test "$(installed)" = "$NEW"
check "msiexec /x removes the upgraded package" msiexec /x "$(winpath "$MSI")"
check "nothing of either version is left on the disk" test ! -e "$FOLDER"

# The modules' own registration, at the same place: the package must write
# exactly the same keys and values.
mkdir -p "$FOLDER"
cp "$WORK/modules/"* "$FOLDER/"
check "DllRegisterServer of both installed modules succeeds" \
    wine_run "$WORK/register" "$CHECK" register "$FOLDER_WIN\\Tarnwick.ocx" "$FOLDER_WIN\\CddbLocal.dll"
dump "$WORK/registered"
added "$WORK/before" "$WORK/registered" >"$WORK/by-registration"
added "$WORK/before" "$WORK/installed" >"$WORK/by-package"
check "DllRegisterServer writes $(grep -c . "$WORK/by-registration") keys and values" test -s "$WORK/by-registration"
same "the package writes the same keys and values" "$WORK/by-registration" "$WORK/by-package"

echo "$PASSED passed, $FAILED failed"
[ "$FAILED" -eq 0 ] || exit 1
# The prefix stays for a look when something failed.
stop
rm -rf "$WINEPREFIX"
