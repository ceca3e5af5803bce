#!/usr/bin/env bash
# The editor killed (SIGKILL) at random moments while it saves a large sound over the file it
# was opened from: afterwards the file is always the whole old file or the whole new one.
# Half of the kills fall anywhere in the run, half while the save is writing (once its
# temporary file exists), so some kills always land inside the save.
set -euo pipefail
wtomuka=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() {
    echo "save_killed: $*" >&2
    exit 1
}
now_ms() { echo $(($(date +%s%N) / 1000000)); }

# A canonical 16-bit stereo 44100 Hz WAV file of 32 MiB of noise.
bytes=$((32 << 20))
le32() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $(($1 >> 8 & 255)))\\x$(printf %02x $(($1 >> 16 & 255)))\\x$(printf %02x $(($1 >> 24 & 255)))"; }
{
    printf 'RIFF'
    le32 $((bytes + 36))
    printf 'WAVEfmt \x10\x00\x00\x00\x01\x00\x02\x00\x44\xac\x00\x00\x10\xb1\x02\x00\x04\x00\x10\x00data'
    le32 $bytes
    head -c $bytes /dev/urandom
} >"$tmp/old.wav"

# Run in the background, the editor replaces the subshell (exec), so that $! is the editor
# itself: killing a subshell instead would leave the editor saving on its own.
edit() { exec "$wtomuka" --batch --ini "$tmp/w.ini" -e "open $1" -e phase_invert -e save; }

# The new file, from a run that is not disturbed, and how long such a run and its save take.
cp "$tmp/old.wav" "$tmp/new.wav"
start=$(now_ms)
edit "$tmp/new.wav" >/dev/null 2>&1 &
pid=$!
while ! compgen -G "$tmp/.new.wav.wtsave-*" >/dev/null && kill -0 $pid 2>/dev/null; do
    sleep 0.002
done
save_start=$(now_ms)
wait $pid || fail "the undisturbed run failed"
end=$(now_ms)
run_ms=$((end - start))
save_ms=$((end - save_start))
cmp -s "$tmp/old.wav" "$tmp/new.wav" && fail "the edit changed nothing"
[[ $(stat -c %s "$tmp/new.wav") == $(stat -c %s "$tmp/old.wav") ]] || fail "the edit changed the size"

kills=16 old=0 new=0 inside=0
for ((i = 0; i < kills; ++i)); do
    cp "$tmp/old.wav" "$tmp/target.wav"
    edit "$tmp/target.wav" >/dev/null 2>&1 &
    pid=$!
    if ((i % 2)); then
        while ! compgen -G "$tmp/.target.wav.wtsave-*" >/dev/null && kill -0 $pid 2>/dev/null; do
            sleep 0.002
        done
        delay=$((RANDOM % (save_ms / 2 + 1))) # the first half of the save, mostly still writing
    else
        delay=$((RANDOM % (run_ms + 1)))
    fi
    sleep "$(printf '%d.%03d' $((delay / 1000)) $((delay % 1000)))"
    kill -KILL $pid 2>/dev/null || true
    wait $pid 2>/dev/null || true
    if compgen -G "$tmp/.target.wav.wtsave-*" >/dev/null; then
        inside=$((inside + 1))
        rm -f "$tmp"/.target.wav.wtsave-*
    fi
    if cmp -s "$tmp/target.wav" "$tmp/old.wav"; then
        old=$((old + 1))
    elif cmp -s "$tmp/target.wav" "$tmp/new.wav"; then
        new=$((new + 1))
    else
        fail "kill $((i + 1)) after $delay ms left a file that is neither the old nor the new one ($(stat -c %s "$tmp/target.wav") bytes)"
    fi
done
echo "save_killed: $kills kills (run $run_ms ms, save $save_ms ms): $old old files, $new new files, $inside inside the save"
((inside > 0)) || fail "no kill landed inside the save"
