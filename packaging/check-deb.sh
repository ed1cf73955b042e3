#!/usr/bin/env bash
# Builds the Debian package of a build in a temporary folder and checks it:
# the copyright file in the machine-readable format, the change log, the
# manual page and the modules are in it, it depends on Qt's print support and
# network library, and lintian finds no error and no warning.
#
# Usage: check-deb.sh BUILD_DIR EXPORT_MODULE SITE_MODULE
#   EXPORT_MODULE: the export module's path below /usr, e.g. lib/x86_64-linux-gnu/metrino/metrino-export.so
#   SITE_MODULE: the site module's path below /usr, e.g. lib/x86_64-linux-gnu/metrino/metrino-site.so
set -euo pipefail

build=$1
module=$2
site_module=$3
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

cpack -G DEB -B "$work" --config "$build/CPackConfig.cmake" >/dev/null
deb=("$work"/metrino_*.deb)
[[ -f "${deb[0]}" ]] || { echo "FAIL: no package was made" >&2; exit 1; }

failed=0
fail() {
    echo "FAIL: $*" >&2
    failed=1
}

contents="$(dpkg-deb -c "${deb[0]}" | awk '{print $NF}')"
for file in ./usr/bin/metrino ./usr/share/doc/metrino/copyright \
    ./usr/share/doc/metrino/changelog.gz ./usr/share/man/man1/metrino.1.gz "./usr/$module" \
    "./usr/$site_module"; do
    grep -qx -- "$file" <<<"$contents" || fail "the package lacks $file"
done

# Printing and the PDF export need Qt's print support, which the export
# module links; the package must depend on it all the same.
dpkg-deb -f "${deb[0]}" Depends | grep -q 'libqt6printsupport6' \
    || fail "the package does not depend on libqt6printsupport6"
# The About and Contact dialogs reach the site through the site module.
dpkg-deb -f "${deb[0]}" Depends | grep -q 'libqt6network6' \
    || fail "the package does not depend on libqt6network6"

dpkg-deb -x "${deb[0]}" "$work/root"

# The Excel export, where the program was built with it, needs libxlsxwriter.
if objdump -p "$work/root/usr/$module" 2>/dev/null | grep -q 'NEEDED.*libxlsxwriter'; then
    dpkg-deb -f "${deb[0]}" Depends | grep -q 'libxlsxwriter' \
        || fail "the package does not depend on libxlsxwriter"
fi
copyright="$work/root/usr/share/doc/metrino/copyright"
if [[ -f "$copyright" ]]; then
    head -n1 "$copyright" \
        | grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
        || fail "the copyright file is not in the machine-readable format"
    grep -q '^License: LGPL-2.1$' "$copyright" || fail "the copyright file names no licence"
fi

if ! lintian --fail-on error,warning "${deb[0]}" 2>/dev/null; then
    fail "lintian found errors or warnings"
fi

exit $failed
