#!/usr/bin/env bash
# Installs the Debian packages that building and testing Quorvel need.
# Safe to run again; runs apt-get as root directly or through sudo.
set -euo pipefail

packages=(
    cmake g++ pkg-config ninja-build
    qt6-base-dev qt6-qpa-plugins qt6-translations-l10n libgl-dev
    libsqlite3-dev libgmime-3.0-dev
    libgtest-dev libgmock-dev
    xvfb xauth xdotool fonts-ipafont-gothic
    clang libclang-rt-14-dev
    desktop-file-utils shared-mime-info libxml2-utils groff-base appstream xdg-utils libfile-mimeinfo-perl dpkg-dev
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "setup: all packages are installed"
    exit 0
fi

as_root=()
if [ "$(id -u)" -ne 0 ]; then
    as_root=(sudo)
fi

echo "setup: installing ${missing[*]}"
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
