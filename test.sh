#!/usr/bin/env bash
# Installs what the tests need, builds with AddressSanitizer and UndefinedBehaviorSanitizer,
# and runs every test through CTest, then every fuzz target for a few seconds. At the end (also
# after a failure) it prints each phase's wall and processor time.
#
# Short on purpose, so that a whole run takes minutes: the random session walks for
# WT_SESSION_SECONDS (default 15) and each fuzz target runs for WT_FUZZ_SECONDS (default 10).
# The long runs: scripts/random_session.sh and scripts/fuzz_all.sh.
set -euo pipefail
cd "$(dirname "$0")"

session_seconds=${WT_SESSION_SECONDS:-15}
fuzz_seconds=${WT_FUZZ_SECONDS:-10}
jobs=$(nproc)
build="build-test"
fuzz="build-fuzz"

# --- Phase times: wall time, and processor time (user + system) of the phase's processes. ---
ticks=$(getconf CLK_TCK)
rows=()
phase=""
# Sets now_us (wall, microseconds) and cpu_ticks (this shell's and its finished children's
# processor time). Not in a subshell: that would read the subshell's own times.
measure() {
    local stat fields
    read -r stat </proc/$BASHPID/stat
    stat=${stat##*) }
    read -r -a fields <<<"$stat"
    cpu_ticks=$((fields[11] + fields[12] + fields[13] + fields[14]))
    now_us=${EPOCHREALTIME/./}
}
phase_start() { # NAME
    phase=$1
    measure
    phase_us=$now_us
    phase_ticks=$cpu_ticks
}
# Ends the phase under way: sets row to its name, wall seconds, processor seconds and NOTE.
phase_stop() { # [NOTE]
    measure
    local wall=$(((now_us - phase_us) / 100000)) cpu=$(((cpu_ticks - phase_ticks) * 10 / ticks))
    printf -v row '%-12s %6d.%d %6d.%d  %s' "$phase" $((wall / 10)) $((wall % 10)) \
        $((cpu / 10)) $((cpu % 10)) "${1:-}"
    phase=""
}
phase_end() { # [NOTE]
    phase_stop "${1:-}"
    rows+=("$row")
}
# Runs COMMAND as phase NAME in a subshell of its own: a job that ends meanwhile adds its
# processor time to this shell's, not to the subshell's.
run_phase() { # NAME COMMAND...
    local name=$1 file
    shift
    file=$(mktemp)
    phase_start "$name"
    (
        phase_start "$name"
        "$@"
        phase_stop
        echo "$row" >"$file"
    )
    phase=""
    rows+=("$(cat "$file")")
    rm -f "$file"
}
measure
total_us=$now_us
total_ticks=$cpu_ticks

# Jobs that run alongside the build, each a phase of its own with its output in a log.
declare -A job_pid=() job_log=() job_row=() job_stoppable=()
start_job() { # NAME STOPPABLE COMMAND... (STOPPABLE: may be stopped when the run fails)
    local name=$1 stoppable=$2
    shift 2
    job_log[$name]=$(mktemp)
    job_row[$name]=$(mktemp)
    job_stoppable[$name]=$stoppable
    (
        phase_start "$name"
        "$@"
        phase_stop "alongside the build"
        echo "$row" >"${job_row[$name]}"
    ) >"${job_log[$name]}" 2>&1 &
    job_pid[$name]=$!
}
job_row_of() { # NAME NOTE: adds the job's row, or one with NOTE when it did not finish
    if [ -s "${job_row[$1]}" ]; then
        rows+=("$(cat "${job_row[$1]}")")
    else
        rows+=("$(printf '%-12s %8s %8s  %s' "$1" - - "$2")")
    fi
}
finish_job() { # NAME: waits for it; its failure shows its output and fails the run
    local name=$1 status=0
    wait "${job_pid[$name]}" || status=$?
    unset "job_pid[$name]"
    job_row_of "$name" failed
    if [ "$status" -ne 0 ]; then
        tail -n 100 "${job_log[$name]}" >&2
        echo "$name failed, status $status" >&2
        exit 1
    fi
}

print_times() {
    local status=$? name
    [ -z "$phase" ] || phase_end "failed"
    for name in "${!job_pid[@]}"; do
        if [ "${job_stoppable[$name]}" = yes ]; then
            pkill -TERM -P "${job_pid[$name]}" 2>/dev/null || true
            kill "${job_pid[$name]}" 2>/dev/null || true
        fi
        wait "${job_pid[$name]}" 2>/dev/null || true
        job_row_of "$name" stopped
    done
    phase=total
    phase_us=$total_us
    phase_ticks=$total_ticks
    if [ "$status" -eq 0 ]; then phase_end; else phase_end "failed, status $status"; fi
    echo
    printf '%-12s %8s %8s\n' phase "wall s" "cpu s"
    printf '%s\n' "${rows[@]}"
    rm -f "${job_log[@]}" "${job_row[@]}"
    exit "$status"
}
trap print_times EXIT

# What the builds need first; what only the tests use (sound servers, X, sox, ImageMagick...)
# installs while they build.
run_phase packages scripts/packages.sh build
start_job "packages 2" no scripts/packages.sh test

# The libFuzzer targets need clang: a build of the core of their own. It builds alongside the
# sanitizer build, filling the processors while that one links or waits on its last files.
build_fuzz() {
    CXX=clang++ cmake -S . -B "$fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWT_FUZZ=ON \
        -DWT_WITH_QT=OFF -DWT_TESTS=OFF -DWT_FUZZ_SECONDS="$fuzz_seconds"
    ninja -C "$fuzz" -j"$jobs"
}
start_job "fuzz build" yes build_fuzz

build_tests() {
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DWT_SANITIZE=ON -DWT_TESTS=ON
    ninja -C "$build" -j"$jobs"
}
run_phase build build_tests
finish_job "fuzz build"
finish_job "packages 2"

export QT_QPA_PLATFORM=offscreen
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export WT_SESSION_SECONDS=$session_seconds
ctest_in() { # FOLDER
    cd "$1"
    ctest --output-on-failure -j"$jobs" --timeout 600
}
run_phase ctest ctest_in "$build"
# A CTest entry is one test suite: name the tests that skipped themselves (a missing tool).
skipped=$(grep -ho '^\[  SKIPPED \] [A-Za-z_].*' "$build/Testing/Temporary/LastTest.log" |
    sed 's/ ([0-9]* ms)$//' | sort -u || true)
[ -z "$skipped" ] || printf 'Skipped:\n%s\n' "$skipped"

# Each fuzz target for WT_FUZZ_SECONDS from its corpus in fuzz/corpus.
run_phase fuzz ctest_in "$fuzz"
