#!/usr/bin/env bash
# Installs a build into a temporary prefix and checks that exactly the expected
# files land there: the program and its modules, its desktop entry and
# metainfo, the badge as hicolor icons of the right sizes, its copyright file,
# change log and manual. The program itself must not need the libraries that
# only its modules use.
#
# Usage: check-install.sh BUILD_DIR APP_ID MODULE...
#   MODULE: a module's path below the prefix, e.g. lib/x86_64-linux-gnu/metrino/metrino-export.so
#   and lib/x86_64-linux-gnu/metrino/metrino-site.so
set -euo pipefail

build=$1
id=$2
modules=("${@:3}")
sizes=(16 22 24 32 48 64 128 256)

prefix="$(mktemp -d)"
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null

expected=(
    "bin/metrino"
    "share/applications/$id.desktop"
    "share/metainfo/$id.metainfo.xml"
    "share/icons/hicolor/scalable/apps/$id.svg"
    "share/doc/metrino/copyright"
    "share/doc/metrino/changelog.gz"
    "share/man/man1/metrino.1.gz"
    "${modules[@]}"
)
for s in "${sizes[@]}"; do
    expected+=("share/icons/hicolor/${s}x${s}/apps/$id.png")
done

failed=0
fail() {
    echo "FAIL: $*" >&2
    failed=1
}

actual="$(cd "$prefix" && find . ! -type d | sed 's|^\./||' | LC_ALL=C sort)"
wanted="$(printf '%s\n' "${expected[@]}" | LC_ALL=C sort)"
if [[ "$actual" != "$wanted" ]]; then
    fail "installed files differ from the expected ones (< expected, > installed):"
    diff <(echo "$wanted") <(echo "$actual") >&2 || true
fi

[[ -x "$prefix/bin/metrino" ]] || fail "bin/metrino is not executable"

# Printing and the spreadsheet files come with the export module, and the
# network with the site module, each loaded when first used: the program
# starts without their libraries.
if [[ -f "$prefix/bin/metrino" ]]; then
    needed="$(readelf -d "$prefix/bin/metrino" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')"
    for library in libQt6PrintSupport libxlsxwriter libQt6Network; do
        grep -q "^$library\." <<<"$needed" && fail "bin/metrino needs $library at start"
    done
fi
# Each module brings its own library: the export module Qt's print support,
# the site module Qt's network library.
for module in "${modules[@]}"; do
    [[ -f "$prefix/$module" ]] || continue
    case "$(basename "$module")" in
        metrino-export.*) library=libQt6PrintSupport ;;
        metrino-site.*) library=libQt6Network ;;
        *) fail "$module is no module of this program"; continue ;;
    esac
    readelf -d "$prefix/$module" | grep -q "(NEEDED).*\[$library\." \
        || fail "$module does not link $library"
done

# Width and height are the big-endian words at bytes 16 and 20 of a PNG.
png_size() {
    local bytes
    bytes=($(od -An -tu1 -j12 -N12 "$1"))
    [[ "${bytes[0]}${bytes[1]}${bytes[2]}${bytes[3]}" == "73726882" ]] || { echo "no IHDR"; return; }
    echo "$(( (bytes[4] << 24) | (bytes[5] << 16) | (bytes[6] << 8) | bytes[7] ))x$(( (bytes[8] << 24) | (bytes[9] << 16) | (bytes[10] << 8) | bytes[11] ))"
}
for s in "${sizes[@]}"; do
    png="$prefix/share/icons/hicolor/${s}x${s}/apps/$id.png"
    [[ -f "$png" ]] || continue
    got="$(png_size "$png")"
    [[ "$got" == "${s}x${s}" ]] || fail "$png is $got, not ${s}x${s}"
done

svg="$prefix/share/icons/hicolor/scalable/apps/$id.svg"
if [[ -f "$svg" ]] && ! grep -q '<svg' "$svg"; then
    fail "$svg is not an SVG drawing"
fi

# The entry must start the installed program and name the installed icons,
# and the metainfo must point at the entry.
desktop="$prefix/share/applications/$id.desktop"
if [[ -f "$desktop" ]]; then
    grep -qx 'Exec=metrino' "$desktop" || fail "the desktop entry does not run metrino"
    grep -qx "Icon=$id" "$desktop" || fail "the desktop entry does not name the icon $id"
fi
metainfo="$prefix/share/metainfo/$id.metainfo.xml"
if [[ -f "$metainfo" ]]; then
    grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" \
        || fail "the metainfo does not launch $id.desktop"
    if grep -q '@[A-Z_]*@' "$metainfo"; then
        fail "the metainfo has unreplaced placeholders"
    fi
fi

if [[ $failed -ne 0 ]]; then
    echo "Installed tree:" >&2
    (cd "$prefix" && find . | LC_ALL=C sort) >&2
    exit 1
fi
echo "Installed tree as expected: ${#expected[@]} files"
