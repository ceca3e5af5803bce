# Checks of an installed editor, shared by the install tests. Source it; set -euo pipefail.

fail() {
    echo "$*" >&2
    exit 1
}

# check_installed ROOT SCRATCH: ROOT holds an installation under ROOT/usr (from DESTDIR or
# from the Debian package). Checks its files, validates the desktop entry, the AppStream
# metadata and the manual page, and runs the installed editor in batch mode: it finds its help
# page and about sound and keeps its settings in the config folder, never beside itself.
check_installed() {
    local root=$1 scratch=$2 prefix=$1/usr
    local share=$prefix/share
    for f in bin/wtomuka share/wavetomuka/wtomuka.html share/wavetomuka/about.wav \
        share/applications/wavetomuka.desktop \
        share/metainfo/io.github.wavetomuka.wavetomuka.metainfo.xml \
        share/icons/hicolor/scalable/apps/wavetomuka.svg share/man/man1/wtomuka.1.gz \
        share/doc/wavetomuka/README.md share/doc/wavetomuka/screenshot.png; do
        [ -f "$prefix/$f" ] || fail "not installed: $f"
    done
    [ -x "$prefix/bin/wtomuka" ] || fail "wtomuka is not executable"

    # Each PNG icon has the size of its folder.
    for size in 16 22 24 32 48 64 128 256; do
        local png=$share/icons/hicolor/${size}x${size}/apps/wavetomuka.png
        [ -f "$png" ] || fail "no ${size}x${size} icon"
        [ "$(identify -format '%w %h' "$png")" = "$size $size" ] || fail "$png is not $size px"
    done

    desktop-file-validate "$share/applications/wavetomuka.desktop" ||
        fail "desktop-file-validate failed"
    grep -qx 'Exec=wtomuka %f' "$share/applications/wavetomuka.desktop" || fail "Exec line"
    appstreamcli validate-tree --no-net "$root" || fail "appstreamcli validate-tree failed"
    local warnings
    warnings=$(zcat "$share/man/man1/wtomuka.1.gz" | LC_ALL=C.UTF-8 groff -k -man -Tutf8 -ww -z 2>&1)
    [ -z "$warnings" ] || fail "manual page: $warnings"

    # The installed editor, with the config folder named and with the default one.
    mkdir -p "$scratch/home" "$scratch/xdg"
    local before out
    before=$(ls -A "$prefix/bin")
    out=$(env HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/xdg" "$prefix/bin/wtomuka" --batch \
        -e info -e paths -e 'new 104=1 202=1 302=1' -e "saveas $scratch/a.wav")
    grep -qx 'status0: 22050Hz 8Bits Mono' <<<"$out" || fail "info: $out"
    for line in "settings: $scratch/xdg/wavetomuka/wtomuka.ini" \
        "help: $share/wavetomuka/wtomuka.html" "helpFound: 1" \
        "aboutSound: $share/wavetomuka/about.wav" "aboutSoundFound: 1"; do
        grep -qxF "$line" <<<"$out" || fail "expected \"$line\" in: $out"
    done
    # A batch run without --ini leaves the user's settings alone: its Save As listed the file
    # among the recent files for the run only.
    [ ! -e "$scratch/xdg/wavetomuka/wtomuka.ini" ] ||
        fail "a batch run without --ini wrote the settings file"
    out=$(env -u XDG_CONFIG_HOME HOME="$scratch/home" "$prefix/bin/wtomuka" --batch -e paths)
    grep -qxF "settings: $scratch/home/.config/wavetomuka/wtomuka.ini" <<<"$out" ||
        fail "default config folder: $out"
    [ "$(ls -A "$prefix/bin")" = "$before" ] || fail "the editor wrote beside itself"
}
