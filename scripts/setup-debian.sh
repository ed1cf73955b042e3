#!/usr/bin/env bash
# Installs the Debian packages that building, packaging, running and testing
# need (or the packages given as arguments), when any of them is missing.
# Uses sudo when not run as root.
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
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
