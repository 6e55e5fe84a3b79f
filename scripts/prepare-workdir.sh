#!/usr/bin/env bash
# Prepares the program's working folder: copies the data and presets that the build generated,
# without overwriting anything already there (the user's pref.ini, presets and papers stay).
# Usage: scripts/prepare-workdir.sh BUILD_DIR WORK_DIR
set -euo pipefail
build=$1
work=$2
mkdir -p "$work"
if [ -d "$build/workdir" ]; then
    cp -rn "$build/workdir/." "$work/"
fi
