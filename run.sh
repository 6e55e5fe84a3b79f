#!/usr/bin/env bash
# Installs what is missing, builds Quillmoth and starts it in its working folder (build/run),
# which holds the program's data, presets and pref.ini between runs.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh

cmake -S . -B build -G Ninja >build.configure.log 2>&1 || { cat build.configure.log; exit 1; }
cmake --build build -j "$(nproc 2>/dev/null || echo 2)"
scripts/prepare-workdir.sh build build/run

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "Quillmoth is built, but there is no display to open its window on (DISPLAY is not set)."
    echo "Hint: start it from a desktop session, or under a virtual display:"
    echo "    sudo apt-get install xvfb && xvfb-run -a -s '-screen 0 1600x1000x24' ./run.sh"
    exit 1
fi
cd build/run
exec ../src/quillmoth "$@"
