# A private PulseAudio sound server for the audio tests: a null sink "wt_sink" (44.1 kHz,
# 16-bit stereo, without rewinds, which would rewrite what its monitor already recorded)
# whose monitor is the default source, reached through its own runtime folder
# by every client these tests start (PortAudio through ALSA's pulse plugin, pacat, parec).
#
#   source lib/pulse.bash; start_pulse; ...; stop_pulse (stop_pulse is also run on exit)

pulse_dir=""
pulse_pid=""

stop_pulse() {
    stop_capture
    if [ -n "$pulse_pid" ] && kill -0 "$pulse_pid" 2>/dev/null; then
        kill "$pulse_pid" 2>/dev/null || true
        for _ in $(seq 50); do
            kill -0 "$pulse_pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -9 "$pulse_pid" 2>/dev/null || true
    fi
    pulse_pid=""
    if [ -n "$pulse_dir" ]; then
        rm -rf "$pulse_dir"
        pulse_dir=""
    fi
}

start_pulse() {
    pulse_dir=$(mktemp -d /tmp/wt-pulse-XXXXXX)
    mkdir -p "$pulse_dir/run/pulse" "$pulse_dir/home"
    chmod 700 "$pulse_dir/run" "$pulse_dir/run/pulse"
    export XDG_RUNTIME_DIR="$pulse_dir/run"
    export HOME="$pulse_dir/home"
    export PULSE_RUNTIME_PATH="$pulse_dir/run/pulse"
    export PULSE_SERVER="unix:$pulse_dir/run/pulse/native"
    unset PULSE_SINK PULSE_SOURCE
    # -n: no default configuration script, only the modules named here. A daemon started as
    # root says it should not be, and runs all the same.
    pulseaudio --daemonize=yes -n --use-pid-file=yes --exit-idle-time=-1 --disallow-exit \
        --log-target="file:$pulse_dir/pulse.log" \
        --load="module-null-sink sink_name=wt_sink format=s16le rate=44100 channels=2 norewinds=1" \
        --load="module-native-protocol-unix auth-anonymous=1 socket=$pulse_dir/run/pulse/native" \
        2>"$pulse_dir/start.log" || {
        echo "pulseaudio did not start:" >&2
        cat "$pulse_dir/start.log" "$pulse_dir/pulse.log" >&2 2>/dev/null
        return 1
    }
    for _ in $(seq 200); do
        if pactl info >/dev/null 2>&1; then
            break
        fi
        sleep 0.1
    done
    pulse_pid=$(cat "$pulse_dir/run/pulse/pid" 2>/dev/null || true)
    if [ -z "$pulse_pid" ] || ! pactl info >/dev/null 2>&1; then
        echo "pulseaudio does not answer" >&2
        cat "$pulse_dir/pulse.log" >&2 2>/dev/null
        return 1
    fi
    pactl set-default-sink wt_sink
    pactl set-default-source wt_sink.monitor
}

# Waits up to TRIES x 50 ms until the server lists a stream of KIND (sink-inputs: a player,
# source-outputs: a recorder).   wait_for_stream KIND [TRIES]
wait_for_stream() {
    for _ in $(seq "${2:-100}"); do
        if [ -n "$(pactl list short "$1" 2>/dev/null)" ]; then
            return 0
        fi
        sleep 0.05
    done
}

# The editor in a sanitizer build loads the sound libraries, whose own leaks are not its.
audio_sanitizer_options() {
    local here
    here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
    export ASAN_OPTIONS="fast_unwind_on_malloc=0${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
    export LSAN_OPTIONS="suppressions=$here/lsan.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
}

# Records what the null sink plays into FILE (raw 16-bit stereo at 44.1 kHz) until
# stop_capture, which lets the sink's last half second arrive first.   start_capture FILE
capture_pid=""
start_capture() {
    parec -d wt_sink.monitor --format=s16le --rate=44100 --channels=2 --raw \
        --latency-msec=200 >"$1" &
    capture_pid=$!
    wait_for_stream source-outputs
    sleep 0.3
}

stop_capture() {
    if [ -n "$capture_pid" ]; then
        sleep 0.5
        kill "$capture_pid" 2>/dev/null || true
        wait "$capture_pid" 2>/dev/null || true
        capture_pid=""
    fi
}
