#!/usr/bin/env bash
# Takes a screenshot of the editor's window on a private X server.
#
#   tools/screenshot.sh OUT.png [FILE]
#
# Starts Xvfb (and twm, when installed, so the window has its caption bar), runs the built
# wtomuka with a settings file of its own and FILE as its one command-line argument, waits
# until its main window is up and has drawn, captures it with ImageMagick's import, prints
# OUT.png and "title: CAPTION" (the main window's caption), and stops everything it started.
#
# WTOMUKA selects the executable (default: build-qt/wtomuka beside this script's repository);
# INI the settings file (default: a new one); WINDOW_ONLY=1 captures only the editor's window,
# without a window manager (default: the whole screen); WAIT_SECONDS how long to let the
# window draw once it is up (default 3); TIMEOUT_SECONDS how long to wait for it (default 60).
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
timeout_seconds=${TIMEOUT_SECONDS:-60}
window_only=${WINDOW_ONLY:-0}

for tool in Xvfb import xwininfo; do
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
ini=${INI:-$work/wtomuka.ini}
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

# Xvfb picks a free display itself and writes its number once it accepts connections, so
# several captures can run at once. The file exists before Xvfb starts: the shell opens it for
# Xvfb only once the background job runs, and the wait below may read it before that.
: >"$work/display"
Xvfb -displayfd 3 -screen 0 800x480x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
pids+=($!)
display=
for _ in $(seq 1 100); do
    display=$(tr -d '[:space:]' <"$work/display")
    [ -n "$display" ] && break
    sleep 0.1
done
if [ -z "$display" ]; then
    echo "$0: Xvfb did not start:" >&2
    cat "$work/xvfb.log" >&2
    exit 1
fi
export DISPLAY=":$display"

if [ "$window_only" != 1 ] && command -v twm >/dev/null; then
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

args=(--ini "$ini")
if [ -n "$file" ]; then
    args+=("$file")
fi
QT_QPA_PLATFORM=xcb "$exe" "${args[@]}" >"$work/wtomuka.log" 2>&1 &
app=$!
pids+=("$app")

# The main window is the one whose caption is "WaveTomuka -[TITLE]".
window=
deadline=$((SECONDS + timeout_seconds))
while [ -z "$window" ]; do
    if ! kill -0 "$app" 2>/dev/null; then
        echo "$0: wtomuka ended early:" >&2
        cat "$work/wtomuka.log" >&2
        exit 1
    fi
    if [ "$SECONDS" -ge "$deadline" ]; then
        echo "$0: no main window after $timeout_seconds s" >&2
        exit 1
    fi
    sleep 0.2
    window=$(LC_ALL=C.UTF-8 xwininfo -root -tree | awk '/"WaveTomuka -\[/ {print $1; exit}')
done
sleep "$wait_seconds"
if ! kill -0 "$app" 2>/dev/null; then
    echo "$0: wtomuka ended early:" >&2
    cat "$work/wtomuka.log" >&2
    exit 1
fi
if [ "$window_only" = 1 ]; then
    import -display ":$display" -window "$window" "$out"
else
    import -display ":$display" -window root "$out"
fi
echo "$out"
# xwininfo prints the name as "NAME"; the caption is what lies between the first and the
# last quote of that line.
LC_ALL=C.UTF-8 xwininfo -id "$window" | sed -n 's/^xwininfo: Window id: [^"]*"\(.*\)"$/title: \1/p'
