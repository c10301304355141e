#!/usr/bin/env bash
# Installs what is missing, builds Twinmoor with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs every test.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/deps.sh"

build="$top/build/test"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTWINMOOR_SANITIZE=ON -DTWINMOOR_BUILD_TESTS=ON
cmake --build "$build" --parallel "$(nproc)"

export QT_QPA_PLATFORM=offscreen
export QT_MEDIA_BACKEND=ffmpeg
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export LSAN_OPTIONS="suppressions=$top/tests/support/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd "$build"
ctest --output-on-failure --parallel "$(nproc)" --timeout 900
