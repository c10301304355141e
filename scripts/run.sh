#!/usr/bin/env bash
# Installs what is missing, builds Twinmoor in Release mode and starts it.
# Until the application window exists this runs the headless scan runner on the
# folders given on the command line.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/deps.sh"

build="$top/build/release"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTWINMOOR_BUILD_TESTS=OFF
cmake --build "$build" --parallel "$(nproc)"

if [ -x "$build/app/twinmoor" ]; then
    exec "$build/app/twinmoor" "$@"
fi
if [ -x "$build/bench/twinmoor-scan" ]; then
    if [ $# -eq 0 ]; then
        echo "usage: scripts/run.sh FOLDER...   (scans the folders for duplicates and prints the groups)" >&2
        exit 2
    fi
    exec "$build/bench/twinmoor-scan" "$@"
fi
echo "Twinmoor is built; the application window and the scan runner come in later issues." >&2
