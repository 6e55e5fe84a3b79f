#!/usr/bin/env bash
# Installs what is missing, builds Quillmoth and runs every test: once in a normal build and once
# more under AddressSanitizer + UndefinedBehaviorSanitizer. Exits non-zero when any test fails.
set -uo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh || exit 1

jobs=$(nproc 2>/dev/null || echo 2)
status=0

build_and_test() {  # build-dir, extra cmake args...
    local dir=$1; shift
    echo "== configure and build ($dir)"
    cmake -S . -B "$dir" -G Ninja "$@" >"$dir.configure.log" 2>&1 || { cat "$dir.configure.log"; return 1; }
    cmake --build "$dir" -j "$jobs" || return 1
    echo "== tests ($dir)"
    (cd "$dir" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$jobs" --timeout 900)
}

mkdir -p build build-asan
build_and_test build || status=1

export ASAN_OPTIONS=abort_on_error=0:detect_leaks=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
build_and_test build-asan -DQM_SANITIZE=ON || status=1

exit $status
