#!/usr/bin/env bash
# Cross-builds the calculator for 64-bit Windows on Debian 12, runs every test
# under Wine and writes, in dist/windows/, the program as a zip file and its
# installer.
#
# Qt and libxlsxwriter are built for Windows once, from Debian's own sources,
# into a cache folder outside the checkout (METRINO_WINDOWS_CACHE, by default
# ${XDG_CACHE_HOME:-~/.cache}/metrino-windows); later runs reuse them and only
# build the project, in build-windows/. A Qt build that was stopped goes on
# where it stopped. METRINO_JOBS sets the number of
# parallel compile jobs (default: the number of processors). Extra arguments
# go to the project's CMake configure step.
#
# The zip and the installer are the same bytes whenever the same commit is
# built: every time stamp in them is SOURCE_DATE_EPOCH, by default the time
# of the commit checked out.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct)
fi
export SOURCE_DATE_EPOCH

cache=${METRINO_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/metrino-windows}
build=$root/build-windows
dist=$root/dist/windows
jobs=${METRINO_JOBS:-$(nproc)}
target=x86_64-w64-mingw32
toolchain=$root/packaging/windows/mingw-w64.cmake

step() {
    echo
    echo "== $* ($(date -u +%H:%M:%S))"
}

took() {
    echo "-- $1: $(($2 / 60)) min $(($2 % 60)) s"
}

step "Debian packages"
packages=(
    cmake ninja-build perl dpkg-dev
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 libz-mingw-w64-dev
    qt6-base-dev qt6-base-dev-tools libxlsxwriter-dev
    wine wine64 fonts-dejavu-core
    nsis icoutils zip
)
"$root/scripts/setup-debian.sh" "${packages[@]}"

# The Windows Qt is built from the same source version as the host's Qt,
# whose moc, rcc and uic it uses.
qt_version=$(dpkg-query -W -f='${source:Version}' qt6-base-dev)
# Raised whenever the options of the Qt build below change, so that a cache
# built with other options is not taken for this one.
qt_options=3
qt_prefix=$cache/qt-$qt_version-$qt_options
# Core, Gui, Widgets, Network (Schannel for https), Print Support and Test are
# what the program and its tests use. The Debian source has no wintab and no
# sqlite, hence no tablet events and no SQL. OpenGL keeps its default (loaded
# at run time): the Windows platform plugin needs it.
qt_configure=(
    -G Ninja
    -DCMAKE_TOOLCHAIN_FILE="$toolchain"
    -DCMAKE_BUILD_TYPE=Release
    -DCMAKE_INSTALL_PREFIX="$qt_prefix"
    -DQT_HOST_PATH=/usr
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF
    -DFEATURE_sql=OFF -DFEATURE_tabletevent=OFF
    -DFEATURE_dbus=OFF -DFEATURE_concurrent=OFF
    -DINPUT_openssl=no -DFEATURE_schannel=ON
    # File names kept in the DLLs name no cache folder.
    -DCMAKE_C_FLAGS="-ffile-prefix-map=$cache/="
    -DCMAKE_CXX_FLAGS="-ffile-prefix-map=$cache/="
)

if [ ! -f "$qt_prefix/.complete" ]; then
    src_dir=$cache/src
    qt_build=$cache/qt-build
    # A build stopped half way (the machine shut down, Ctrl+C) goes on where it
    # stopped when it was made of the same source with the same options and
    # compilers; anything else starts again from the source.
    qt_stamp="qt6-base $qt_version; ${qt_configure[*]}; $(sha256sum < "$toolchain");"
    qt_stamp+=" $("$target-g++-posix" --version | head -n 1)"
    qt_src=$(find "$src_dir" -mindepth 1 -maxdepth 1 -type d -name 'qt6-base-*' 2>/dev/null || true)
    if [ -n "$qt_src" ] && [ -f "$qt_build/.metrino-stamp" ] &&
        [ "$(cat "$qt_build/.metrino-stamp")" = "$qt_stamp" ]; then
        step "Qt $qt_version for Windows: going on from where the last build stopped"
    else
        step "Qt $qt_version source"
        "$root/packaging/windows/debian-source.sh" "$cache" qt6-base "$qt_version" "$src_dir"
        qt_src=$(find "$src_dir" -mindepth 1 -maxdepth 1 -type d -name 'qt6-base-*')
        step "Qt $qt_version for Windows (an hour and a half or more on two cores)"
        rm -rf "$qt_build"
        cmake -S "$qt_src" -B "$qt_build" "${qt_configure[@]}"
        echo "$qt_stamp" > "$qt_build/.metrino-stamp"
    fi
    started=$SECONDS
    # The DLLs' time stamps are the date of the Qt source, not of the commit
    # that happened to fill the cache, so that every cache gives the same
    # bytes.
    qt_date=$(dpkg-parsechangelog -l "$qt_src/debian/changelog" -S Timestamp)
    SOURCE_DATE_EPOCH=$qt_date cmake --build "$qt_build" --parallel "$jobs"
    SOURCE_DATE_EPOCH=$qt_date cmake --install "$qt_build" --strip
    touch "$qt_prefix/.complete"
    rm -rf "$qt_build" "$src_dir"
    took "Qt build" $((SECONDS - started))
fi

step "libxlsxwriter for Windows"
xlsx_prefix=$("$root/packaging/windows/cross-build-xlsxwriter.sh" "$cache" "$jobs")

# The folders that hold the DLLs the programs need: Qt's, libxlsxwriter's and
# MinGW's (libstdc++, libgcc and winpthread).
dll_dirs=("$qt_prefix/bin" "$xlsx_prefix/bin")
for dll in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
    dir=$(dirname "$(readlink -f "$("$target-g++-posix" -print-file-name="$dll")")")
    [[ " ${dll_dirs[*]} " == *" $dir "* ]] || dll_dirs+=("$dir")
done

step "Project for Windows"
started=$SECONDS
mkdir -p "$build"
# Runs a Windows program under Wine, in a throw-away prefix in the build
# folder. Wine hands a program the host's QT_* variables (CTest sets
# QT_QPA_PLATFORM) only when they are spelled WINEQT_*. The offscreen
# platform that the tests use draws text with FreeType from QT_QPA_FONTDIR,
# without fontconfig to map the generic "Sans" onto a family: a folder with
# DejaVu Sans alone makes it the one the tests get, as on Linux.
# Without a console window Qt Test writes to the debugger unless
# QT_FORCE_STDERR_LOGGING is set.
mkdir -p "$build/fonts" "$build/tmp"
ln -sf /usr/share/fonts/truetype/dejavu/DejaVuSans{,-Bold,-Oblique,-BoldOblique}.ttf "$build/fonts/"
wine_path=""
for dir in "${dll_dirs[@]}"; do
    wine_path+="Z:${dir//\//\\};"
done
{
    echo '#!/bin/sh'
    echo "export WINEPREFIX='$build/wine'"
    # Wine keeps its server's socket in a wine-* folder in the temporary
    # folder.
    echo "export TMPDIR='$build/tmp'"
    echo "export WINEPATH='$wine_path'"
    echo "export WINEQT_QPA_FONTDIR='Z:${build//\//\\}\\fonts'"
    cat <<'EOF'
export WINEDEBUG=-all
# Wine's menu builder would put menu entries and icons into the host's home.
export WINEDLLOVERRIDES='mscoree,mshtml=;winemenubuilder.exe=d'
for name in $(env | sed -n 's/^\(QT_[A-Za-z0-9_]*\)=.*/\1/p'); do
    eval "export WINE$name=\"\$$name\""
done
export WINEQT_FORCE_STDERR_LOGGING=1
case $1 in
wineserver) exec "$@" ;;
esac
exec wine "$@"
EOF
} > "$build/wine-run.sh"
chmod +x "$build/wine-run.sh"

# libxlsxwriter is found through its pkg-config file, and only there: the
# host's own pkg-config files describe Linux builds.
export PKG_CONFIG_LIBDIR=$xlsx_prefix/lib/pkgconfig
"$qt_prefix/bin/qt-cmake" -S . -B "$build" -G Ninja \
    -DQT_CHAINLOAD_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_PREFIX_PATH="$xlsx_prefix" -DCMAKE_FIND_ROOT_PATH="$xlsx_prefix" \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$build/wine-run.sh" \
    "$@"
cmake --build "$build" --parallel "$jobs"
took "project build" $((SECONDS - started))

step "Tests under Wine"
started=$SECONDS
if [ ! -f "$build/wine/system.reg" ]; then
    "$build/wine-run.sh" wineboot --init
fi
# What the tests may not change: the prefix's user folders and the user's
# registry, apart from Wine's own keys (its font cache follows the host's
# fonts). The registry is on disk once Wine's server has ended.
user_state() {
    "$build/wine-run.sh" wineserver -w
    (cd "$build/wine/drive_c/users" && find . | LC_ALL=C sort)
    awk '/^\[/ { wine = index($0, "[Software\\\\Wine") == 1; sub(/\] [0-9]+$/, "]") }
         !wine && !/^#time=/' "$build/wine/user.reg"
}
user_state > "$build/user-before.txt"
status=0
ctest --test-dir "$build" --output-on-failure --timeout 600 || status=$?
"$build/wine-run.sh" wineserver -k || true
user_state > "$build/user-after.txt"
if ! diff -u "$build/user-before.txt" "$build/user-after.txt"; then
    echo "The tests left the above in the Wine prefix's user folders or registry" >&2
    status=1
fi
took "tests under Wine" $((SECONDS - started))
if [ "$status" -ne 0 ]; then
    echo "Some tests failed" >&2
    exit "$status"
fi

step "Packages"
version=$(sed -n 's/^#define METRINO_VERSION_TEXT "\(.*\)"$/\1/p' "$build/app/windows/version.h")
name=metrino-$version
stage=$build/stage/$name
rm -rf "$build/stage"
mkdir -p "$stage" "$dist"

# Copies a program or DLL into the folder, then every DLL that it imports
# from Qt or MinGW, and theirs; what is found in neither comes with Windows.
deploy() {
    local file=$1 into=$2 dll dir
    cp "$file" "$into/"
    for dll in $("$target-objdump" -p "$file" | sed -n 's/^[[:space:]]*DLL Name: //p'); do
        [ -e "$stage/$dll" ] && continue
        for dir in "${dll_dirs[@]}"; do
            if [ -e "$dir/$dll" ]; then
                deploy "$dir/$dll" "$stage"
                break
            fi
        done
    done
}

deploy "$build/app/metrino.exe" "$stage"
# The program's modules, loaded when first used, beside it with what they need
# (the export module brings Qt's print support and libxlsxwriter, the site
# module Qt's network library).
for module in "$build"/app/metrino-*.dll; do
    deploy "$module" "$stage"
done
# Plugins: the Windows platform, the native style and https through Schannel.
for plugin in platforms/qwindows.dll styles/qwindowsvistastyle.dll tls/qschannelbackend.dll; do
    mkdir -p "$stage/$(dirname "$plugin")"
    deploy "$qt_prefix/plugins/$plugin" "$stage/$(dirname "$plugin")"
done
# MinGW's DLLs come with their debugging symbols (libstdc++ is 24 MB).
find "$stage" -name '*.exe' -o -name '*.dll' | xargs "$target-strip" --strip-unneeded
chmod -R u=rwX,go=rX "$build/stage"
find "$build/stage" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +

# The installer puts down the files of the zip; the uninstaller removes
# exactly those, and the folders if they are then empty.
install_list=$build/stage/install-files.nsh
uninstall_list=$build/stage/uninstall-files.nsh
: > "$install_list"
: > "$uninstall_list"
while read -r file; do
    folder=$(dirname "$file")
    if [ "$folder" = . ]; then
        echo "  SetOutPath \"\$INSTDIR\"" >> "$install_list"
    else
        echo "  SetOutPath \"\$INSTDIR\\${folder//\//\\}\"" >> "$install_list"
    fi
    echo "  File \"$stage/$file\"" >> "$install_list"
    echo "  Delete \"\$INSTDIR\\${file//\//\\}\"" >> "$uninstall_list"
done < <(cd "$stage" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
while read -r folder; do
    echo "  RMDir \"\$INSTDIR\\${folder//\//\\}\"" >> "$uninstall_list"
done < <(cd "$stage" && find . -mindepth 1 -type d | sed 's|^\./||' | LC_ALL=C sort -r)

# package FOLDER: writes the zip and the installer of the staged files into
# the folder. Entries in a fixed order, no owners, every time stamp in UTC.
package() {
    local into=$1
    mkdir -p "$into"
    rm -f "$into/$name-windows-x64.zip" "$into/$name-setup.exe"
    (cd "$build/stage" && find "$name" | LC_ALL=C sort |
        TZ=UTC zip -q -X -9 -@ "$into/$name-windows-x64.zip")
    makensis -V2 -INPUTCHARSET UTF8 \
        -DVERSION="$version" \
        -DSTAGE="$build/stage" \
        -DICON="$root/resources/windows/metrino.ico" \
        -DOUTFILE="$into/$name-setup.exe" \
        packaging/windows/metrino.nsi
}

package "$dist"
zip_file=$dist/$name-windows-x64.zip
setup_file=$dist/$name-setup.exe
# Packed a second time, the files must come out the same, byte for byte.
package "$build/package-again"
for file in "$zip_file" "$setup_file"; do
    if ! cmp -s "$file" "$build/package-again/$(basename "$file")"; then
        echo "Packing twice gave two different $(basename "$file")" >&2
        exit 1
    fi
done
rm -rf "$build/package-again"

step "Installer under Wine"
"$root/packaging/windows/check-installer.sh" "$setup_file" "$build/installer-check"

ls -l "$zip_file" "$setup_file"
