#!/usr/bin/env bash
# CPU use of the headless logger while the simulator sends
# 1,000 frames a second: user + system time of the logger, read from /proc,
# as a percentage of one core, logging every frame and a reading a second.
#
#   bench/cpu_use.sh [BIN_DIR] [SECONDS]     (defaults: build/bin, 30)
#
# The window's figure for the same line comes from journal_bench
# (BM_WindowAt1000FramesPerSecond, counter cpu_percent).
set -euo pipefail
cd "$(dirname "$0")/.."
BIN=$(realpath "${1:-build/bin}")
SECONDS_TO_MEASURE=${2:-30}
TICKS=$(getconf CLK_TCK)
work=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

# measure PID: prints the share of one core PID used over SECONDS_TO_MEASURE
measure() {
    local before after
    before=$(cpu_ticks "$1")
    sleep "$SECONDS_TO_MEASURE"
    after=$(cpu_ticks "$1")
    awk -v d=$((after - before)) -v t="$TICKS" -v s="$SECONDS_TO_MEASURE" 'BEGIN { printf "%.2f %%", 100 * d / t / s }'
}

# start_simulator NAME: starts the simulator and sets pty to its line
start_simulator() {
    "$BIN/metersim" --rate 1000 > "$work/$1.sim" &
    pids+=($!)
    for _ in $(seq 50); do [ -s "$work/$1.sim" ] && break; sleep 0.1; done
    pty=$(head -n 1 "$work/$1.sim")
}

export XDG_DATA_HOME="$work/data"

for interval in 0 1; do
    start_simulator "log$interval"
    "$BIN/brenmoor5082-log" --port "$pty" --interval "$interval" --quiet --output "$work/run$interval.csv" &
    pids+=($!)
    sleep 2
    echo "brenmoor5082-log --interval $interval: $(measure "${pids[-1]}") of one core"
    kill "${pids[-1]}" "${pids[-2]}"
    wait "${pids[-1]}" || true
    echo "  rows written in all: $(($(wc -l < "$work/run$interval.csv") - 1))"
done

