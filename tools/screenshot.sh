#!/usr/bin/env bash
# Takes a screenshot of the editor's window on a private X server.
#
#   tools/screenshot.sh OUT.png [FILE]
#
# Starts Xvfb (and twm, when installed, so the window has its caption bar), runs the built
# wtomuka with a settings file of its own (FILE is opened at start-up), waits for it to draw,
# captures the whole screen with ImageMagick's import, and stops everything it started.
# WTOMUKA selects the executable (default: build-qt/wtomuka beside this script's repository);
# WAIT_SECONDS how long to wait before the capture (default 3).
set -euo pipefail

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
    echo "usage: $0 OUT.png [FILE]" >&2
    exit 2
fi
out=$1
file=${2:-}
here=$(cd "$(dirname "$0")/.." && pwd)
exe=${WTOMUKA:-$here/build-qt/wtomuka}
wait_seconds=${WAIT_SECONDS:-3}

for tool in Xvfb import; do
    if ! command -v "$tool" >/dev/null; then
        echo "$0: $tool is not installed" >&2
        exit 1
    fi
done
if [ ! -x "$exe" ]; then
    echo "$0: no executable at $exe (build it, or set WTOMUKA)" >&2
    exit 1
fi

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${pids[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

# A free display number: the first without a lock file.
display=99
while [ -e "/tmp/.X${display}-lock" ] || [ -e "/tmp/.X11-unix/X${display}" ]; do
    display=$((display + 1))
done

Xvfb ":$display" -screen 0 800x480x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 1 50); do
    [ -e "/tmp/.X11-unix/X${display}" ] && break
    sleep 0.1
done
export DISPLAY=":$display"

if command -v twm >/dev/null; then
    # New windows are placed without asking (interactive placement would grab the server and
    # stall the capture); titles use a font set that has the Japanese glyphs.
    fonts='-misc-fixed-medium-r-normal--14-*,-*-*-medium-r-normal--16-*'
    cat >"$work/twmrc" <<EOF
RandomPlacement
NoGrabServer
UsePPosition "on"
TitleFont "$fonts"
MenuFont "$fonts"
IconFont "$fonts"
EOF
    LC_ALL=C.UTF-8 twm -f "$work/twmrc" >"$work/twm.log" 2>&1 &
    pids+=($!)
    sleep 0.5
fi

args=(--ini "$work/wtomuka.ini")
if [ -n "$file" ]; then
    args+=("$file")
fi
QT_QPA_PLATFORM=xcb "$exe" "${args[@]}" >"$work/wtomuka.log" 2>&1 &
app=$!
pids+=("$app")

sleep "$wait_seconds"
if ! kill -0 "$app" 2>/dev/null; then
    echo "$0: wtomuka ended early:" >&2
    cat "$work/wtomuka.log" >&2
    exit 1
fi
import -display ":$display" -window root "$out"
echo "$out"
