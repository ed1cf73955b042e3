#!/usr/bin/env bash
# Installs the Debian packages that building, packaging, running and testing
# need (or the packages given as arguments), when any of them is missing.
# Uses sudo when not run as root. Waits up to METRINO_APT_LOCK_WAIT seconds
# (15 minutes by default) for another package manager to finish.
set -euo pipefail

# The packages named as arguments, or else those of the Linux build.
if [ $# -gt 0 ]; then
    packages=("$@")
else
    packages=(
        cmake g++ make
        qt6-base-dev qt6-base-dev-tools libgl-dev zlib1g-dev
        libxlsxwriter-dev pkg-config
        fonts-dejavu-core
        desktop-file-utils appstream dpkg-dev file lintian
        poppler-utils
    )
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

sudo=()
if [ "$(id -u)" -ne 0 ]; then
    sudo=(sudo)
fi

# Another package manager (an install elsewhere, the daily update) may hold
# Debian's locks for minutes: wait for it, saying so, rather than fail. The
# install waits by itself; the update of the package lists has no such
# option, so it is tried again while the lists are locked.
lock_wait=${METRINO_APT_LOCK_WAIT:-900}
update_lists() {
    local waited=0 errors
    errors=$(mktemp)
    while ! "${sudo[@]}" apt-get update 2> "$errors"; do
        cat "$errors" >&2
        if ! grep -q 'Could not get lock' "$errors" || [ "$waited" -ge "$lock_wait" ]; then
            rm -f "$errors"
            return 1
        fi
        echo "Another package manager is using the package lists: waiting for it" \
            "(${waited} s so far, up to $((lock_wait / 60)) minutes)..."
        sleep 15
        waited=$((waited + 15))
    done
    cat "$errors" >&2
    rm -f "$errors"
}

echo "Installing: ${missing[*]}"
update_lists
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get -o DPkg::Lock::Timeout="$lock_wait" \
    install -y --no-install-recommends "${missing[@]}"
