#!/usr/bin/env bash
# Checks what the Windows program file carries for the system's shell: that it
# is a GUI program (no console window), its icon group IDI_ICON1 with 256, 48,
# 32 and 16 pixel images of 32 bits, the manifest with the systems it supports,
# and the version information with the copyright.
# Arguments: the program file and the version it should state.
set -uo pipefail
exe=$1
version=$2
objdump=${OBJDUMP:-x86_64-w64-mingw32-objdump}

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$objdump" -p "$exe" > "$work/headers" || fail "objdump cannot read $exe"
grep -Eq '^Subsystem[[:space:]]+0+2[[:space:]]' "$work/headers" ||
    fail "not a Windows GUI program: $(grep '^Subsystem' "$work/headers")"

# Icon group (resource type 14) and its images.
if wrestool -x --type=14 --name=IDI_ICON1 "$exe" > "$work/icon.ico" && [ -s "$work/icon.ico" ]; then
    icotool -l "$work/icon.ico" > "$work/icons"
    for size in 256 48 32 16; do
        grep -q -- "--width=$size --height=$size --bit-depth=32 " "$work/icons" ||
            fail "icon group IDI_ICON1 has no ${size}x${size} image of 32 bits"
    done
    [ "$(wc -l < "$work/icons")" -eq 4 ] || fail "icon group IDI_ICON1 does not hold exactly four images"
else
    fail "no icon group named IDI_ICON1"
fi

# Manifest (resource type 24).
wrestool -x --raw --type=24 "$exe" > "$work/manifest"
grep -q 'level="asInvoker"' "$work/manifest" || fail "manifest does not ask for asInvoker"
grep -q 'uiAccess="false"' "$work/manifest" || fail "manifest does not set uiAccess false"
grep -q 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' "$work/manifest" ||
    fail "manifest does not depend on Common Controls 6.0.0.0"
grep -q 'supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"' "$work/manifest" ||
    fail "manifest does not declare Windows 10 and 11 as supported"

# Version information (resource type 16): the fixed part holds the version as
# numbers after the signature FEEF04BD, the string table holds the texts in
# UTF-16.
wrestool -x --raw --type=16 "$exe" > "$work/version"
IFS=. read -r major minor patch <<< "$version"
word() { printf '%02x%02x' $(($1 & 255)) $(($1 >> 8)); }
fixed="bd04effe00000100$(word "$minor")$(word "$major")0000$(word "$patch")"
od -An -v -tx1 "$work/version" | tr -d ' \n' | grep -q "$fixed" ||
    fail "version resource does not hold the file version $version"
iconv -c -f UTF-16LE -t UTF-8 "$work/version" > "$work/strings" 2>/dev/null
for text in "FileVersion" "$version" "ProductName" "Φ.Π.Α. μετρίνο" "CompanyName" "Korvex" \
    "LegalCopyright" "© 2012 Korvex"; do
    grep -aqF -- "$text" "$work/strings" || fail "version information lacks \"$text\""
done

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) of $exe failed"
    exit 1
fi
echo "$exe: GUI program with icon group IDI_ICON1 (256, 48, 32, 16 px), manifest and version $version"
