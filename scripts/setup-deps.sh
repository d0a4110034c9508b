#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages that building, running and testing need, only those missing.
set -euo pipefail

packages=(
    build-essential cmake make pkg-config
    qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev libgl-dev
    libgtest-dev libbenchmark-dev
    libchm-dev fp-utils
    libhdf5-dev python3-numpy python3-h5py python3-pytest
    libsigrok-dev sigrok-cli
    xvfb xauth fonts-noto-cjk
    # Qt's own texts (file dialogs, standard buttons) in Japanese.
    qt6-translations-l10n
    # Installing and packaging: the icons drawn from the SVG, the validators of the desktop
    # entry, metadata and MIME types, the man pages' check, dpkg-shlibdeps for `make deb`.
    librsvg2-bin desktop-file-utils appstream shared-mime-info groff-base dpkg-dev
    # The tests' comma-decimal locale is generated from the locale sources.
    locales
)
# `--fuzz` adds what the libFuzzer targets need.
if [ "${1:-}" = "--fuzz" ]; then
    packages+=(clang-14 libclang-rt-14-dev)
fi

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
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
