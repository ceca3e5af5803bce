#!/usr/bin/env bash
# Installs the Debian packages the editor, its tests and its tools need, when any is missing.
# Usage: scripts/packages.sh run|test
set -euo pipefail

common=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-qpa-plugins libgl-dev
        portaudio19-dev fonts-ipafont-gothic qt6-translations-l10n)
testing=(libgtest-dev libgmock-dev libbenchmark-dev sox libsox-fmt-base libsndfile1-dev
         sndfile-programs python3 xvfb xauth x11-apps imagemagick twm clang libclang-rt-14-dev
         pulseaudio pulseaudio-utils libasound2-plugins
         xclip x11-utils desktop-file-utils appstream dpkg-dev file groff-base librsvg2-bin)

wanted=("${common[@]}")
if [ "${1:-run}" = test ]; then
    wanted+=("${testing[@]}")
fi

missing=()
for p in "${wanted[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo_cmd=(sudo)
    fi
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
fi
