#!/usr/bin/env bash
# Start-up benchmark: launches the built program as a new user would (a fresh working folder,
# no pref.ini, so the default empty 3000 x 3000 document) several times under a virtual
# display and prints the medians of
#   - the time from launch to the splash painted,
#   - the time from the splash closed to the main window painted,
#   - the resident memory once the main window is shown,
# next to their goals.
#
# Usage: bench/startup.sh [BUILD_DIR] [RUNS]     (defaults: build-startup 5)
# The script configures and builds BUILD_DIR itself, as a Release build with -DQM_STARTUP_TRACE=ON
# (the program then writes the moments of its start-up to stderr). Without a display it runs
# itself again under xvfb-run. The launch moment is taken just before the program is started.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${1:-build-startup}
runs=${2:-5}
program="$root/$build/src/quillmoth"

goal_splash=0.150  # seconds from launch
goal_window=0.300  # seconds from the splash closed
goal_rss=150       # MB

if [ -z "${QM_BENCH_UNDER_XVFB:-}" ]; then
    scripts/install-deps.sh --gui-run
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQM_STARTUP_TRACE=ON \
        -DQM_BUILD_TESTS=OFF >"$build.configure.log" 2>&1 || { cat "$build.configure.log"; exit 1; }
    cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)"
    [ -x "$program" ] || { echo "startup.sh: the program was not built: $program" >&2; exit 1; }
    export QM_BENCH_UNDER_XVFB=1
    exec xvfb-run -a -s '-screen 0 1600x1000x24' "$0" "$@"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
scripts/prepare-workdir.sh "$build" "$work/run"

now() { date +%s.%N; }
calc() { awk "BEGIN { printf \"%.6f\", $1 }"; }

# The time of EVENT in a trace file, empty while it has not been written.
moment() { awk -v e="$2" '$1 == "quillmoth-startup" && $2 == e { print $3; exit }' "$1"; }

splash_times=() window_times=() rss_values=()
for ((run = 1; run <= runs; ++run)); do
    rm -f "$work/run/pref.ini"
    trace="$work/trace$run"
    : >"$trace"
    launched=$(now)
    (cd "$work/run" && exec "$program" 2>"$trace") &
    pid=$!
    painted=""
    for ((i = 0; i < 1000; ++i)); do  # up to 10 s
        painted=$(moment "$trace" main-window-painted)
        [ -n "$painted" ] && break
        sleep 0.01
    done
    if [ -z "$painted" ]; then
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
        echo "run $run: the main window was not painted within 10 s" >&2
        cat "$trace" >&2
        exit 1
    fi
    sleep 0.5  # let the first frames settle before reading the memory
    rss_kb=$(awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status")
    kill "$pid"
    wait "$pid" 2>/dev/null || true

    splash=$(moment "$trace" splash-painted)
    closed=$(moment "$trace" splash-closed)
    splash_times+=("$(calc "$splash - $launched")")
    window_times+=("$(calc "$painted - $closed")")
    rss_values+=("$(calc "$rss_kb / 1024")")
    printf 'run %d: splash painted %.3f s after launch, main window painted %.3f s after the splash closed, %.1f MB resident\n' \
        "$run" "${splash_times[-1]}" "${window_times[-1]}" "${rss_values[-1]}"
done

median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
verdict() { awk -v v="$1" -v g="$2" 'BEGIN { print (v <= g) ? "met" : "NOT met" }'; }

m_splash=$(median "${splash_times[@]}")
m_window=$(median "${window_times[@]}")
m_rss=$(median "${rss_values[@]}")
echo
echo "median of $runs launches ($(nproc) cores, empty 3000 x 3000 document):"
printf '  splash painted after launch:             %.3f s   (goal <= %s s: %s)\n' \
    "$m_splash" "$goal_splash" "$(verdict "$m_splash" "$goal_splash")"
printf '  main window painted after splash closed: %.3f s   (goal <= %s s: %s)\n' \
    "$m_window" "$goal_window" "$(verdict "$m_window" "$goal_window")"
printf '  resident memory with the main window:    %.1f MB  (goal <= %s MB: %s)\n' \
    "$m_rss" "$goal_rss" "$(verdict "$m_rss" "$goal_rss")"
