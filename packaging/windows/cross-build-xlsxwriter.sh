#!/usr/bin/env bash
# Cross-builds libxlsxwriter, the spreadsheet writer, for 64-bit Windows from
# Debian's source of the version the host has (libxlsxwriter-dev), once, into
# the cache folder; prints the folder it is installed in.
# Arguments: the cache folder, the number of parallel compile jobs.
#
# It is one DLL, libxlsxwriter.dll, with Debian's MinGW build of zlib linked
# in. Its own minizip and MD5 code are built in, where Debian's build uses the
# system's; numbers are written with its own locale-independent conversion.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cache=$1
jobs=$2

version=$(dpkg-query -W -f='${source:Version}' libxlsxwriter-dev)
# Raised whenever the options of the build below change.
options=1
prefix=$cache/xlsxwriter-$version-$options
if [ -f "$prefix/.complete" ]; then
    echo "$prefix"
    exit 0
fi

{
    started=$SECONDS
    src_dir=$cache/xlsxwriter-src
    build=$cache/xlsxwriter-build
    "$here/debian-source.sh" "$cache" libxlsxwriter "$version" "$src_dir"
    source=$(find "$src_dir" -mindepth 1 -maxdepth 1 -type d -name 'libxlsxwriter-*')
    # Every time stamp the build writes is the date of that source, and the
    # source file names it keeps do not name the cache folder, so that every
    # cache gives the same DLL.
    SOURCE_DATE_EPOCH=$(dpkg-parsechangelog -l "$source/debian/changelog" -S Timestamp)
    export SOURCE_DATE_EPOCH
    rm -rf "$build" "$prefix"
    mingw_root=/usr/x86_64-w64-mingw32
    cmake -S "$source" -B "$build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$here/mingw-w64.cmake" \
        -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" \
        -DBUILD_SHARED_LIBS=ON \
        -DUSE_DTOA_LIBRARY=ON \
        -DCMAKE_C_FLAGS="-ffile-prefix-map=$source=libxlsxwriter" \
        -DZLIB_LIBRARY="$mingw_root/lib/libz.a" \
        -DZLIB_INCLUDE_DIR="$mingw_root/include"
    cmake --build "$build" --parallel "$jobs"
    cmake --install "$build" --strip
    touch "$prefix/.complete"
    rm -rf "$build" "$src_dir"
    echo "-- libxlsxwriter $version for Windows: $((SECONDS - started)) s"
} >&2
echo "$prefix"
