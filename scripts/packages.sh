#!/usr/bin/env bash
# Installs the Debian packages the editor, its tests and its tools need, when any is missing.
# Usage: scripts/packages.sh run|build|test
#   run: what the editor needs; build: that and what the test and fuzz builds need; test: all
#   that and what running the tests needs (test.sh installs the last while it builds).
set -euo pipefail

common=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-qpa-plugins libgl-dev
        portaudio19-dev libsndfile1-dev libmpg123-dev fonts-ipafont-gothic qt6-translations-l10n)
building=(libgtest-dev libgmock-dev clang libclang-rt-14-dev)
testing=(libbenchmark-dev sox libsox-fmt-base libsox-fmt-mp3
         sndfile-programs python3 python3-numpy xvfb xauth x11-apps imagemagick twm
         pulseaudio pulseaudio-utils libasound2-plugins
         xclip x11-utils desktop-file-utils appstream dpkg-dev file groff-base librsvg2-bin)

wanted=("${common[@]}")
case ${1:-run} in
run) ;;
build) wanted+=("${building[@]}") ;;
test) wanted+=("${building[@]}" "${testing[@]}") ;;
*)
    echo "usage: $0 run|build|test" >&2
    exit 2
    ;;
esac

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
