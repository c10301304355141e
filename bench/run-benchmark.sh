#!/usr/bin/env bash
# Times twinmoor-scan against jdupes on the same deterministic tree, and compares
# peak memory with rmlint on a tree of many small files.
#
#   bench/run-benchmark.sh [--pairs N] [--skip-memory]
#
# Writes the trees under bench/out/ (about 2 GiB), checks that both programs
# find the same groups, then runs them alternately and prints the medians.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
out="$top/bench/out"
pairs=5
memory=1
while [ $# -gt 0 ]; do
    case "$1" in
        --pairs) pairs="$2"; shift 2 ;;
        --skip-memory) memory=0; shift ;;
        *) echo "usage: bench/run-benchmark.sh [--pairs N] [--skip-memory]" >&2; exit 2 ;;
    esac
done

"$top/scripts/deps.sh"
need=()
for p in jdupes rmlint rdfind fdupes time jq gawk bc; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get install -y -q "${need[@]}" || { apt-get update -q && apt-get install -y -q "${need[@]}"; }
fi

build="$top/build/release"
mkdir -p "$out"
if ! { cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTWINMOOR_BUILD_TESTS=OFF \
        && cmake --build "$build" --parallel "$(nproc)" --target twinmoor-scan twinmoor-bench-tree; } > "$out/build.log" 2>&1; then
    tail -20 "$out/build.log"
    echo "the Release build failed (bench/out/build.log)" >&2
    exit 1
fi
scan="$build/bench/twinmoor-scan"
mkdir -p "$out"

# Settings that look at exactly what jdupes looks at: every file above 1024
# bytes (the tree has none smaller), no ignored folder or extension.
settings="$out/settings.plist"
cat > "$settings" <<'PLIST'
<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
	<key>IgnoreExtensionsTMR</key><array><string>none</string></array>
	<key>kIgnoreExtensionsStateTMR</key><array><false/></array>
	<key>IgnorePathsTMR</key><array/>
	<key>MinimumFileSizeTMR</key><integer>1024</integer>
</dict>
</plist>
PLIST

tree="$out/tree"
if [ ! -f "$tree/.complete" ]; then
    rm -rf "$tree"
    "$build/bench/twinmoor-bench-tree" --seed 20261210 --files 20000 --folders 200 "$tree"
    touch "$tree/.complete"
fi

# One group a line, its paths sorted and joined by tabs; the lines sorted.
twinmoor_groups() { "$scan" --no-pause --settings "$settings" "$1" | jq -r 'select(.paths) | .paths | sort | @tsv' | sort; }
jdupes_groups() {
    jdupes -r -q "$1" | gawk -v RS= '{n=split($0,a,"\n"); asort(a); s=a[1]; for(i=2;i<=n;i++) s=s"\t"a[i]; print s}' | sort
}

echo "== same groups?"
twinmoor_groups "$tree" > "$out/twinmoor.groups"
jdupes_groups "$tree" > "$out/jdupes.groups"
if cmp -s "$out/twinmoor.groups" "$out/jdupes.groups"; then
    echo "yes: $(wc -l < "$out/twinmoor.groups") groups"
else
    echo "NO: the groups differ (see $out/twinmoor.groups and $out/jdupes.groups)"
    diff "$out/twinmoor.groups" "$out/jdupes.groups" | head -20
    exit 1
fi

# Runs a command and prints "seconds kilobytes".
measure() { /usr/bin/time -f "%e %M" -o "$out/time.txt" "$@" > /dev/null 2>&1; cat "$out/time.txt"; }
median() { sort -g | awk '{a[NR]=$1} END{ if (NR%2) print a[(NR+1)/2]; else print (a[NR/2]+a[NR/2+1])/2 }'; }

compare() {
    local label="$1"; shift
    local prefix=("$@")
    local t_times=() j_times=() t_mem=() j_mem=()
    # Warm the page cache first, so both read from memory.
    find "$tree" -type f -exec cat {} + > /dev/null
    "${prefix[@]}" "$scan" --no-pause --settings "$settings" "$tree" > /dev/null
    "${prefix[@]}" jdupes -r -q "$tree" > /dev/null
    for ((i = 0; i < pairs; i++)); do
        read -r t m < <(measure "${prefix[@]}" "$scan" --no-pause --settings "$settings" "$tree")
        t_times+=("$t"); t_mem+=("$m")
        read -r t m < <(measure "${prefix[@]}" jdupes -r -q "$tree")
        j_times+=("$t"); j_mem+=("$m")
    done
    local tm jm tmem jmem
    tm=$(printf '%s\n' "${t_times[@]}" | median)
    jm=$(printf '%s\n' "${j_times[@]}" | median)
    tmem=$(printf '%s\n' "${t_mem[@]}" | median)
    jmem=$(printf '%s\n' "${j_mem[@]}" | median)
    printf '%-10s twinmoor-scan %6.2f s %8d KiB | jdupes %6.2f s %8d KiB | time ratio %.2f\n' \
        "$label" "$tm" "$tmem" "$jm" "$jmem" "$(echo "$tm / $jm" | bc -l)"
}

echo "== wall time, median of $pairs alternating pairs (warm cache)"
compare "all cores" env
compare "two cores" taskset -c 0,1

if [ "$memory" = 1 ]; then
    small="$out/small-tree"
    if [ ! -f "$small/.complete" ]; then
        rm -rf "$small"
        "$build/bench/twinmoor-bench-tree" --seed 7 --files 200000 --folders 2000 --small "$small"
        touch "$small/.complete"
    fi
    echo "== peak memory on 200,000 small files in 2,000 folders"
    work="$(mktemp -d)"
    read -r t m < <(measure "$scan" --no-pause --settings "$settings" "$small")
    printf 'twinmoor-scan %6.2f s %8d KiB\n' "$t" "$m"
    read -r t m < <(cd "$work" && measure rmlint -o fdupes:"$work/rmlint.out" "$small")
    printf 'rmlint        %6.2f s %8d KiB\n' "$t" "$m"
    read -r t m < <(measure jdupes -r -q "$small")
    printf 'jdupes        %6.2f s %8d KiB\n' "$t" "$m"
    rm -rf "$work"
fi
