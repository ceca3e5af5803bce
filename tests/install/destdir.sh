#!/usr/bin/env bash
# cmake --install into a temporary DESTDIR: the installed editor runs from there, finds its
# help page and about sound, keeps its settings in the config folder, and its desktop files
# pass the validators. Also: the built editor finds the same files beside itself, and the
# committed icon sizes are renderings of the icon's SVG.
#
#   destdir.sh BUILD_FOLDER SOURCE_FOLDER
set -euo pipefail
build=$1
source=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
. "$(dirname "$0")/lib.bash"

DESTDIR=$tmp/root cmake --install "$build" --prefix /usr >"$tmp/install.log" ||
    fail "cmake --install failed: $(cat "$tmp/install.log")"
check_installed "$tmp/root" "$tmp/scratch"

out=$("$build/wtomuka" --batch -e paths)
for line in "settings: $build/wtomuka.ini" "help: $build/wtomuka.html" "helpFound: 1" \
    "aboutSound: $build/about.wav" "aboutSoundFound: 1"; do
    grep -qxF "$line" <<<"$out" || fail "built editor: expected \"$line\" in: $out"
done

# tools/render_icons.sh made the PNGs from the SVG; a changed SVG needs them made again.
tmpicons=$tmp/icons
"$source/tools/render_icons.sh" "$tmpicons"
for size in 16 22 24 32 48 64 128 256; do
    rel=${size}x${size}/apps/wavetomuka.png
    compare -metric AE -fuzz 2% "$tmpicons/$rel" "$source/dist/icons/hicolor/$rel" null: 2>/dev/null ||
        fail "dist/icons/hicolor/$rel differs from the SVG: run tools/render_icons.sh"
done
echo "install destdir: ok"
