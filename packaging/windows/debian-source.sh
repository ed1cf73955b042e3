#!/usr/bin/env bash
# Fetches Debian's source of a package, of one version, with its patches
# applied, into a folder of its own.
# Arguments: the cache folder, the source package, its version, the folder.
#
# apt-get runs with a configuration of its own in the cache folder, so that
# the deb-src entries, their package lists and the downloads stay there and
# the machine's package sources are left as they are. The entries name the
# same archives as the machine's own for this release.
set -euo pipefail
cache=$1
package=$2
version=$3
into=$4

apt_dir=$cache/apt
mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
apt-get indextargets --format '$(REPO_URI) $(CODENAME)' 'Created-By: Packages' | sort -u |
    while read -r uri suite; do
        case $suite in
        "$codename" | "$codename"-*)
            echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $uri $suite main"
            ;;
        esac
    done > "$apt_dir/sources.list"
if [ ! -s "$apt_dir/sources.list" ]; then
    echo "No Debian archive for $codename found in the machine's package sources" >&2
    exit 1
fi
cat > "$apt_dir/apt.conf" <<END
Dir::Etc::sourcelist "$apt_dir/sources.list";
Dir::Etc::sourceparts "$apt_dir/sources.list.d";
Dir::State::Lists "$apt_dir/lists";
Dir::Cache "$apt_dir/cache";
END
export APT_CONFIG=$apt_dir/apt.conf
# The lists are fetched again when older than a day, or when they lack the
# version asked for.
if [ -z "$(find "$apt_dir/lists" -maxdepth 1 -name '*Sources*' -mtime -1 -print -quit)" ] ||
    ! apt-cache showsrc "$package" 2>/dev/null | grep -qx "Version: $version"; then
    apt-get update
fi
rm -rf "$into"
mkdir -p "$into"
(cd "$into" && apt-get source "$package=$version")
