#!/usr/bin/env bash
# The Debian package CPack makes from the install rules: its fields and dependencies, and the
# editor unpacked from it passes the same checks as an installed one.
#
#   deb.sh BUILD_FOLDER SOURCE_FOLDER
set -euo pipefail
build=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
. "$(dirname "$0")/lib.bash"

cpack --config "$build/CPackConfig.cmake" -B "$tmp/out" >"$tmp/cpack.log" 2>&1 ||
    fail "cpack failed: $(cat "$tmp/cpack.log")"
debs=("$tmp"/out/wavetomuka_*.deb)
[ ${#debs[@]} = 1 ] && [ -f "${debs[0]}" ] || fail "no package: $(ls "$tmp/out")"
deb=${debs[0]}

version=$("$build/wtomuka" --version)
[ "$(dpkg-deb -f "$deb" Package)" = wavetomuka ] || fail "Package field"
[ "WaveTomuka $(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "Version field"
[ "$(dpkg-deb -f "$deb" Section)" = sound ] || fail "Section field"
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libportaudio2; do
    grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
done

dpkg-deb -x "$deb" "$tmp/root"
check_installed "$tmp/root" "$tmp/scratch"
echo "install deb: ok"
