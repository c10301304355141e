#!/usr/bin/env bash
# Installs the Debian packages that building and testing Twinmoor need, when they
# are missing. Quick when everything is there already.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-svg-dev qt6-multimedia-dev libgl-dev fonts-dejavu-core
    libplist-dev libsqlite3-dev libssl-dev
    googletest libgtest-dev libgmock-dev
    libfuse3-dev
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
if ! $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"; then
    $SUDO apt-get update -q
    $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
