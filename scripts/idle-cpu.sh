#!/usr/bin/env bash
# Measures the CPU the program uses while it sits idle: starts it under a virtual display in a
# prepared working folder, lets it settle, and reads its user + system time from /proc over a
# window of seconds. Prints the share of one core.
# Usage: scripts/idle-cpu.sh [PROGRAM] [SECONDS]   (run under xvfb-run -a when there is no display)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
program=${1:-$here/build/src/quillmoth}
seconds=${2:-10}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$here/scripts/prepare-workdir.sh" "$here/build" "$work"
cd "$work"
"$program" >/dev/null 2>&1 &
pid=$!
sleep 5  # start-up and the first paint
ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
hz=$(getconf CLK_TCK)
before=$(ticks)
sleep "$seconds"
after=$(ticks)
kill "$pid"
wait "$pid" 2>/dev/null || true
awk -v t=$((after - before)) -v hz="$hz" -v s="$seconds" \
    'BEGIN { printf "idle CPU: %.2f %% of one core over %d s (%d ticks)\n", 100 * t / hz / s, s, t }'
