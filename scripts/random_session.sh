#!/usr/bin/env bash
# Runs the seeded random session for longer than the test run does, in walks of 150 steps,
# and stops at the first walk that fails (its seed and steps are printed).
# Usage: scripts/random_session.sh [SECONDS] [BUILD_FOLDER]   (default 3600 s, build-test)
# Repeat one walk: WT_SESSION_SEED=S WT_SESSION_WALKS=1 scripts/random_session.sh
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-3600}
build=${2:-build-test}
ninja -C "$build" wt_core_tests
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
WT_SESSION_SECONDS=$seconds exec "$build/tests/wt_core_tests" \
    --gtest_filter='RandomSession.*' --gtest_brief=1
