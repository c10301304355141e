#!/usr/bin/env bash
# Installs what is missing, builds Twinmoor in Release mode and starts it.
# With no arguments it opens the application window; with folders it runs the
# headless scan runner on them and prints the duplicate groups.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/deps.sh"

build="$top/build/release"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTWINMOOR_BUILD_TESTS=OFF
cmake --build "$build" --parallel "$(nproc)"

if [ $# -gt 0 ]; then
    exec "$build/bench/twinmoor-scan" "$@"
fi
exec "$build/app/twinmoor"
