#!/usr/bin/env bash
# Tries the installer and its uninstaller under Wine, in a prefix of their own
# in the work folder (emptied first; Wine's temporary files go there too):
# - a silent install puts down the program, the Start-menu shortcut and the
#   entry in the installed programs;
# - while the program runs (a stand-in holds its mutex), the installer and
#   the silent uninstall both end with exit code 2 and remove nothing;
# - the silent uninstall as the entry's QuietUninstallString gives it waits
#   for its work and ends with 0 only when the program, the shortcut and the
#   entry are gone; the uninstaller's own file and the folder follow at once.
# Arguments: the installer, the work folder.
set -uo pipefail
setup=$1
work=$2
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\metrino'

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

rm -rf "$work"
mkdir -p "$work/tmp"
export WINEPREFIX=$work/prefix TMPDIR=$work/tmp WINEDEBUG=-all
# Wine's menu builder would put menu entries and icons into the host's home.
export WINEDLLOVERRIDES='mscoree,mshtml=;winemenubuilder.exe=d'
windows_path() { echo "Z:${1//\//\\}"; }

# Holds the program's mutex until the file named first is deleted; creates the
# file named second once it holds it.
cat > "$work/hold.c" <<'EOF'
#include <windows.h>
int wmain(int argc, wchar_t **argv)
{
    if (argc < 3)
        return 1;
    HANDLE mutex = CreateMutexW(NULL, FALSE, L"metrino-running");
    if (!mutex)
        return 1;
    CloseHandle(CreateFileW(argv[2], GENERIC_WRITE, 0, NULL, CREATE_NEW, 0, NULL));
    while (GetFileAttributesW(argv[1]) != INVALID_FILE_ATTRIBUTES)
        Sleep(50);
    CloseHandle(mutex);
    return 0;
}
EOF
x86_64-w64-mingw32-gcc-posix -municode -Os -o "$work/hold.exe" "$work/hold.c" || exit 1
wine wineboot --init > /dev/null 2>&1

holder=
start_program() {
    touch "$work/holding"
    wine "$work/hold.exe" "$(windows_path "$work/holding")" "$(windows_path "$work/held")" &
    holder=$!
    for _ in $(seq 300); do
        [ -e "$work/held" ] && return
        sleep 0.1
    done
    fail "the stand-in did not start"
}
stop_program() {
    rm -f "$work/holding" "$work/held"
    wait "$holder"
}
registry_value() {
    wine reg query "$key" /v "$1" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$1 *REG_SZ *//p"
}
# Runs the QuietUninstallString read from the registry; its exit code.
quiet_uninstall() {
    local program arguments
    program=$(sed -n 's/^"\([^"]*\)".*/\1/p' <<< "$quiet")
    read -ra arguments <<< "$(sed 's/^"[^"]*" *//' <<< "$quiet")"
    wine "$program" "${arguments[@]}"
}

wine "$setup" /S
status=$?
[ "$status" -eq 0 ] || fail "silent install ended with $status"
quiet=$(registry_value QuietUninstallString)
folder=$(winepath -u "$(registry_value InstallLocation)" 2>/dev/null)
shortcut=$(find "$WINEPREFIX/drive_c/users" -name 'Φ.Π.Α. μετρίνο.lnk' | head -n 1)
[ -n "$folder" ] && [ -f "$folder/metrino.exe" ] && [ -f "$folder/uninstall.exe" ] ||
    fail "the program or its uninstaller is not in \"$folder\""
# Printing and the export files come with a module beside the program.
[ -f "$folder/metrino-export.dll" ] || fail "the export module is not in \"$folder\""
# So does the site client, with Qt's network library that it loads.
[ -f "$folder/metrino-site.dll" ] || fail "the site module is not in \"$folder\""
[ -f "$folder/Qt6Network.dll" ] || fail "Qt's network library is not in \"$folder\""
[ -n "$shortcut" ] || fail "no Start-menu shortcut"
[[ "$quiet" == *' /S _?='* ]] || fail "QuietUninstallString \"$quiet\" would not wait"
files=$(find "$folder" | wc -l)

start_program
wine "$setup" /S
status=$?
[ "$status" -eq 2 ] || fail "silent install while the program runs ended with $status, not 2"
quiet_uninstall
status=$?
[ "$status" -eq 2 ] || fail "silent uninstall while the program runs ended with $status, not 2"
[ "$(find "$folder" | wc -l)" -eq "$files" ] || fail "the uninstall refused removed files all the same"
stop_program

quiet_uninstall
status=$?
[ "$status" -eq 0 ] || fail "silent uninstall ended with $status"
[ ! -e "$folder/metrino.exe" ] || fail "the program is left"
# The uninstaller's own file and the folder go a moment after it has ended.
for _ in $(seq 100); do
    [ -e "$folder" ] || break
    sleep 0.1
done
[ ! -e "$folder" ] || fail "left behind: $(find "$folder" | tr '\n' ' ')"
[ ! -e "$shortcut" ] || fail "the Start-menu shortcut is left"
wine reg query "$key" > /dev/null 2>&1 && fail "the entry in the installed programs is left"
wineserver -k

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) of $(basename "$setup") failed"
    exit 1
fi
echo "$(basename "$setup"): installs, refuses with 2 while the program runs, uninstalls silently and completely with 0"
