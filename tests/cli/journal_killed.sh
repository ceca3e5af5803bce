#!/usr/bin/env bash
# A session with the recovery journal on, fed line by line, killed (SIGKILL) at random moments:
# during an effect, a save, the journal write and spill to disk just after a change, or
# anywhere. A new run then restores exactly the state after some change between the last one
# that finished at least 5 s before the kill and the last one begun (or finds nothing to
# recover where a save left the same state on disk). Then copies of a journal left by a kill,
# truncated or with bytes flipped, are refused with a message and set aside, or restore an
# exact earlier state: never a crash, never a wrong sample.
set -euo pipefail
wtomuka=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export XDG_STATE_HOME=$tmp/state XDG_CACHE_HOME=$tmp/cache
fail() {
    echo "journal_killed: $*" >&2
    exit 1
}
stamp() { now=$((${EPOCHREALTIME/./} / 1000)); } # milliseconds, without a fork
secs() { printf '%d.%03d' $(($1 / 1000)) $(($1 % 1000)); }
random() { echo $(((RANDOM << 15 | RANDOM) % ($1 > 0 ? $1 : 1))); }

# 14 s of noise, 16-bit stereo (2.5 MB); a budget of 1 MiB moves whole-sound steps to disk.
sox -D -n -r 44100 -b 16 -c 2 "$tmp/in.wav" synth 14 whitenoise vol 0.3
printf '[Options]\nhistorymemory=1\n' >"$tmp/w.ini"

# The session: groups of lines, each a change or a save; before the group at `pause` the
# session rests 5.2 s, so that the changes before it are old enough to be owed to a restore.
groups=(reverb "select 30000 90000;cut" "time_stretch 201=90" save "select 0 100000;fade_in"
    echo "select 50000 150000;phase_invert" reverse save "select 1000 2000;delete")
pause=6
n=${#groups[@]}
# state[g]: the change whose result is the sound after group g (0: the sound as opened).
state=() changes=0
for ((g = 0; g < n; ++g)); do
    [ "${groups[g]}" = save ] || changes=$((changes + 1))
    state[g]=$changes
done

# Runs the session in DIR and kills the editor DELAY ms after it was sent group TARGET, or
# -DELAY ms after the group finished. TARGET -1: at the end, and EXPECTED names the folder to
# save each change's result in, the run keeping no journal. DIR/times gets "kill T" and
# "G START FINISH" per group (FINISH -1: unfinished), in ms from the first group.
session() { # DIR TARGET DELAY [EXPECTED]
    local dir=$1 target=$2 delay=$3 expected=${4:-} g t0 start finish line reply deadline pid
    mkdir -p "$dir"
    cp "$tmp/in.wav" "$tmp/w.ini" "$dir"
    export XDG_STATE_HOME=$dir/state XDG_CACHE_HOME=$dir/cache
    coproc ED { exec "$wtomuka" --batch --ini "$dir/w.ini" - 2>"$dir/err"; }
    pid=$ED_PID
    # Waits for the last line of "info" until `deadline`; false at the deadline.
    await() {
        local status
        while stamp && ((now < deadline)); do
            status=0
            read -r -t "$(secs $((deadline - now)))" reply <&"${ED[0]}" || status=$?
            ((status <= 128)) || return 1
            ((status == 0)) || fail "the session in $dir ended: $(cat "$dir/err")"
            [[ $reply != framesPerPixel:* ]] || return 0
        done
        return 1
    }
    send() { printf '%s\n' "$@" >&"${ED[1]}"; }
    [ -n "$expected" ] || send "journal on"
    send "open $dir/in.wav" info
    stamp && deadline=$((now + 60000)) && await || fail "no answer to open"
    [ -z "$expected" ] || send "saveas $expected/exp_0.wav"
    stamp && t0=$now
    for ((g = 0; g < n; ++g)); do
        ((g != pause)) || sleep 5.2
        IFS=';' read -r -a line <<<"${groups[g]}"
        # The expected run keeps no journal and saves each change apart.
        [ -z "$expected" ] || [ "${groups[g]}" != save ] || line=()
        stamp && start=$((now - t0)) finish=-1
        send "${line[@]}" info
        deadline=$((now + (g == target && delay >= 0 ? delay : 60000)))
        if await; then
            finish=$((now - t0))
            ((g != target || delay >= 0)) || deadline=$((now - delay))
        elif ((g != target)); then
            fail "group $g (${groups[g]}) took over a minute"
        fi
        echo "$g $start $finish" >>"$dir/times"
        [ -z "$expected" ] || [ "${groups[g]}" = save ] ||
            send "saveas $expected/exp_${state[g]}.wav"
        ((g != target)) || break
    done
    if [ -n "$expected" ]; then
        send info && stamp && deadline=$((now + 60000)) && await && stamp && deadline=$now
    fi
    stamp && sleep "$(secs $((deadline > now ? deadline - now : 0)))"
    stamp && echo "kill $((now - t0))" >>"$dir/times"
    kill -KILL "$pid"
    wait "$pid" 2>/dev/null || true
}

# The expected states, and when each group began and how long it took.
session "$tmp/expected" -1 0 "$tmp"
declare -a began took
while read -r g start finish; do
    [ "$g" = kill ] || began[g]=$start took[g]=$((finish - start)) total=$finish
done <"$tmp/expected/times"
[ "${#took[@]}" = "$n" ] || fail "the undisturbed run did not finish: $(cat "$tmp/expected/err")"

# The change whose state FILE holds among FROM..TO, or nothing.
state_of() { # FILE FROM TO
    local c
    for ((c = $2; c <= $3; ++c)); do
        cmp -s "$1" "$tmp/exp_$c.wav" && echo "$c" && return
    done
}

# After the kill: what a new run recovers must be owed, or later and begun.
check() { # DIR
    local dir=$1 kill low=0 high=0 g start finish got
    kill=$(sed -n 's/^kill //p' "$dir/times")
    while read -r g start finish; do
        high=${state[g]}
        ((finish < 0 || finish > kill - 5000)) || low=${state[g]}
    done < <(grep -v '^kill' "$dir/times")
    local run=("$wtomuka" --batch --ini "$dir/w.ini")
    "${run[@]}" -e "recover list" >"$dir/list" 2>"$dir/list.err" || fail "recover list failed in $dir"
    ! grep -q '^message:' "$dir/list.err" || fail "a killed session's journal refused: $(cat "$dir/list.err")"
    local listed what where=""
    ! compgen -G "$dir/state/wavetomuka/recovery/*.new" >/dev/null || where=", in a journal write"
    ! compgen -G "$dir/cache/wavetomuka/*/step-*" >/dev/null || where+=", steps on disk"
    listed=$(grep -c '^recover: ' "$dir/list" || true)
    if [ "$listed" = 0 ]; then
        # Nothing to recover: right before any change is owed, or after a save of one.
        got=$(state_of "$dir/in.wav" "$low" "$high")
        [ "$low" = 0 ] || [ -n "$got" ] ||
            fail "kill at $kill ms (owed $low..$high): nothing to recover, the file holds another state"
        what="nothing, the file holds ${got:-the sound as opened}"
    else
        [ "$listed" = 1 ] || fail "$listed journals listed in $dir"
        cp "$dir"/state/wavetomuka/recovery/*.wtj "$dir/journal"
        "${run[@]}" -e "recover restore 1" -e "saveas $dir/got.wav" >/dev/null 2>"$dir/restore.err" ||
            fail "the restore failed in $dir: $(cat "$dir/restore.err")"
        got=$(state_of "$dir/got.wav" "$low" "$high")
        [ -n "$got" ] || fail "kill at $kill ms (owed $low..$high) restored state $(state_of \
            "$dir/got.wav" 0 "$changes" || true) (empty: none at all) in $dir"
        echo "$got" >"$dir/journal.state"
        what="state $got"
    fi
    echo "kill at $kill ms, owed $low..$high: $what$where" >"$dir/result"
}

# Kill I targets, by I % 5: an effect, a save, the moment after a change of the whole sound
# (the journal starting a new file, the step moving to disk), or (twice) any moment.
kill_one() { # I
    local i=$1 g delay pick=() t
    for ((g = 0; g < n; ++g)); do
        case $((i % 5)):${groups[g]} in
        [02]:reverb | [02]:time_stretch* | 0:echo | 1:save | 2:reverse) pick+=("$g") ;;
        esac
    done
    if ((i % 5 < 3)); then
        g=${pick[$(random ${#pick[@]})]}
        delay=$(random $((took[g] + 1)))
        ((i % 5 != 2)) || delay=$((-1 - $(random 12)))
    else
        t=$(random "$total") g=0
        while ((g + 1 < n && began[g + 1] <= t)); do
            g=$((g + 1))
        done
        delay=$(random $((took[g] + 300)))
    fi
    session "$tmp/k$i" "$g" "$delay"
    check "$tmp/k$i"
    rm -rf "$tmp/k$i/cache" "$tmp/k$i/got.wav"
}
# Two at once, as the kills spend most of their time waiting.
kills=30
worker() { for ((i = $1; i < kills; i += 2)); do kill_one "$i"; done; }
worker 0 &
first=$!
worker 1 &
second=$!
status=0
wait $first || status=$?
wait $second || status=$?
((status == 0)) || fail "a kill went wrong"
cat "$tmp"/k*/result | sort -t' ' -k3,3n

# Damaged copies of the largest journal a kill left (a base and steps after it): truncated at
# random lengths, or one to three bytes flipped, half of them in its first 256 bytes.
good=$(ls -S "$tmp"/k*/journal 2>/dev/null | head -n 1 || true)
[ -n "$good" ] || fail "no kill left a journal"
good_state=$(cat "$(dirname "$good")/journal.state")
size=$(stat -c %s "$good")
refused=0 restored=0 run=("$wtomuka" --batch --ini "$tmp/w.ini")
for ((t = 0; t < 24; ++t)); do
    dir=$tmp/d$t folder=$tmp/d$t/state/wavetomuka/recovery name=session-damaged.wtj
    mkdir -p "$folder"
    cp "$good" "$folder/$name"
    range=$((t % 4 < 2 ? 256 : size))
    if ((t % 2)); then
        truncate -s "$(random "$range")" "$folder/$name"
    else
        for ((f = 0; f <= t % 3; ++f)); do
            at=$(random "$range")
            byte=$(od -An -tu1 -j "$at" -N1 "$folder/$name")
            printf "\\$(printf %03o $((byte ^ (1 + RANDOM % 255))))" |
                dd of="$folder/$name" bs=1 seek="$at" conv=notrunc status=none
        done
    fi
    status=0
    XDG_STATE_HOME=$dir/state "${run[@]}" -e "recover list" >"$dir/list" 2>"$dir/err" || status=$?
    ((status <= 1)) || fail "damaged copy $t: recover list ended with status $status"
    if grep -q "^recover: 1 " "$dir/list"; then
        XDG_STATE_HOME=$dir/state "${run[@]}" -e "recover restore 1" -e "saveas $dir/got.wav" \
            >/dev/null 2>&1 || status=$?
        ((status <= 1)) || fail "damaged copy $t: recover restore ended with status $status"
        got=$(state_of "$dir/got.wav" 0 "$good_state")
        # A cut keeps the records before it; a flip only where nothing is checked.
        [ -n "$got" ] && { ((t % 2)) || [ "$got" = "$good_state" ]; } ||
            fail "damaged copy $t restored samples of no expected state (${got:-none})"
        restored=$((restored + 1))
    else
        grep -q "^message: .*$name" "$dir/err" || fail "damaged copy $t refused without a message"
        [ -f "$folder/$name.damaged" ] && [ ! -e "$folder/$name" ] ||
            fail "damaged copy $t was not set aside"
        refused=$((refused + 1))
    fi
done
echo "journal_killed: $kills kills; damaged copies of a $size-byte journal: $refused refused," \
    "$restored restored to an earlier state"
