#!/usr/bin/env bash
# Times twinmoor-scan against jdupes on trees that look like users' disks and
# prints one table: every row a median of paired runs (Twinmoor, then jdupes,
# alternately), with the ratio and the target.
#
#   bench/run-benchmark.sh [--pairs N] [--rows LIST] [--scan BINARY]
#
# LIST is a comma-separated choice of: tree, tree2, usr, usr2, cold, small,
# empty, tiny, heartbeat, review (all of them unless given; the /usr rows only
# where /usr exists, the cold row only as root). The review rows open the
# results window offscreen on 60,000 synthetic groups and give, for every step
# of a review, the longest wait of a 10 ms timer, then the peak memory. --scan times another build of
# twinmoor-scan against the same trees. The trees are written once under
# bench/out/ (about 2.2 GiB, 1.5 million files); before a tree is timed, both
# programs must find the same groups on it.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
out="$top/bench/out"
pairs=5
rows="tree,tree2,usr,usr2,cold,small,empty,tiny,heartbeat,review"
scan=""
while [ $# -gt 0 ]; do
    case "$1" in
        --pairs) pairs="$2"; shift 2 ;;
        --rows) rows="$2"; shift 2 ;;
        --scan) scan="$(cd "$(dirname "$2")" && pwd)/$(basename "$2")"; shift 2 ;;
        --skip-memory) rows="tree,tree2,usr,usr2,cold,heartbeat"; shift ;;
        *) echo "usage: bench/run-benchmark.sh [--pairs N] [--rows LIST] [--scan BINARY]" >&2; exit 2 ;;
    esac
done
wants() { [[ ",$rows," == *",$1,"* ]]; }

"$top/scripts/deps.sh"
need=()
for p in jdupes time jq gawk bc; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get install -y -q "${need[@]}" || { apt-get update -q && apt-get install -y -q "${need[@]}"; }
fi

build="$top/build/release"
mkdir -p "$out"
if ! { cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTWINMOOR_BUILD_TESTS=OFF \
        && cmake --build "$build" --parallel "$(nproc)" --target twinmoor-scan twinmoor-bench-tree twinmoor-heartbeat twinmoor-review-bench; } \
        > "$out/build.log" 2>&1; then
    tail -20 "$out/build.log"
    echo "the Release build failed (bench/out/build.log)" >&2
    exit 1
fi
[ -n "$scan" ] || scan="$build/bench/twinmoor-scan"
generate="$build/bench/twinmoor-bench-tree"

# Settings that look at exactly what jdupes looks at: no ignored folder or
# extension, files above the given size.
write_settings() {
    cat > "$out/settings-$1.plist" <<PLIST
<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
	<key>IgnoreExtensionsTMR</key><array><string>none</string></array>
	<key>kIgnoreExtensionsStateTMR</key><array><false/></array>
	<key>IgnorePathsTMR</key><array/>
	<key>MinimumFileSizeTMR</key><integer>$1</integer>
</dict>
</plist>
PLIST
}
write_settings 0
write_settings 1024

# Writes a tree once: tree NAME ARGUMENTS...
tree() {
    local dir="$out/$1"; shift
    if [ ! -f "$dir/.complete" ]; then
        rm -rf "$dir"
        "$generate" "$@" "$dir" >&2
        touch "$dir/.complete"
    fi
    echo "$dir"
}

# One group a line, its paths sorted and joined by tabs; the lines sorted.
twinmoor_groups() {
    "$scan" --no-pause --settings "$out/settings-$2.plist" "$1" 2> /dev/null | jq -r 'select(.paths) | .paths | sort | @tsv' | sort
}
jdupes_groups() {
    jdupes -r -A -q "$1" 2> /dev/null | gawk -v RS= '{n=split($0,a,"\n"); asort(a); s=a[1]; for(i=2;i<=n;i++) s=s"\t"a[i]; print s}' | sort
}

# Both programs find the same groups on the tree; a regular file named *.app
# is compared as a bundle by Twinmoor, so groups holding one are left aside.
# same_groups DIR MINIMUM [strict]
same_groups() {
    local name
    name="$(basename "$1")"
    twinmoor_groups "$1" "$2" | grep -v -P '\.app(\t|$)' > "$out/$name.twinmoor.groups" || true
    jdupes_groups "$1" | grep -v -P '\.app(\t|$)' > "$out/$name.jdupes.groups" || true
    if cmp -s "$out/$name.twinmoor.groups" "$out/$name.jdupes.groups"; then
        echo "same groups on $1: $(wc -l < "$out/$name.twinmoor.groups")" >&2
        return 0
    fi
    echo "the groups differ on $1 (bench/out/$name.*.groups):" >&2
    diff "$out/$name.twinmoor.groups" "$out/$name.jdupes.groups" | head -10 >&2
    [ "${3:-}" != strict ]
}

# Runs a command and prints "seconds kilobytes".
measure() { /usr/bin/time -f "%e %M" -o "$out/time.txt" "$@" > /dev/null 2>&1 || true; tail -n 1 "$out/time.txt"; }
median() { sort -g | awk '{a[NR]=$1} END{ if (NR%2) print a[(NR+1)/2]; else print (a[NR/2]+a[NR/2+1])/2 }'; }
drop_caches() { sync; echo 3 > /proc/sys/vm/drop_caches; }

printf '| %-58s | %-16s | %-16s | %-6s | %-7s |\n' "work ($(nproc) cores unless said; median of $pairs pairs)" Twinmoor jdupes ratio target
printf '|%s|%s|%s|%s|%s|\n' "$(printf -- '-%.0s' {1..60})" "$(printf -- '-%.0s' {1..18})" \
    "$(printf -- '-%.0s' {1..18})" "--------" "---------"
row() { printf '| %-58s | %-16s | %-16s | %-6s | %-7s |\n' "$@"; }

# Times both programs: timed LABEL TARGET DIR MINIMUM COLD PREFIX...
timed() {
    local label="$1" target="$2" dir="$3" minimum="$4" cold="$5"; shift 5
    local prefix=("$@") t_times=() j_times=() t m
    if [ "$cold" = 0 ]; then
        find "$dir" -type f -exec cat {} + > /dev/null 2>&1 || true
        "${prefix[@]}" "$scan" --no-pause --settings "$out/settings-$minimum.plist" "$dir" > /dev/null 2>&1 || true
        "${prefix[@]}" jdupes -r -A -q "$dir" > /dev/null 2>&1 || true
    fi
    for ((i = 0; i < pairs; i++)); do
        [ "$cold" = 0 ] || drop_caches
        read -r t m < <(measure "${prefix[@]}" "$scan" --no-pause --settings "$out/settings-$minimum.plist" "$dir")
        t_times+=("$t")
        [ "$cold" = 0 ] || drop_caches
        read -r t m < <(measure "${prefix[@]}" jdupes -r -A -q "$dir")
        j_times+=("$t")
    done
    local tm jm
    tm=$(printf '%s\n' "${t_times[@]}" | median)
    jm=$(printf '%s\n' "${j_times[@]}" | median)
    row "$label" "$(printf '%.2f s' "$tm")" "$(printf '%.2f s' "$jm")" "$(printf '%.2f' "$(echo "$tm / $jm" | bc -l)")" "$target"
}

# Peak memory of both (jdupes left out when there is nothing to compare it with):
# peak LABEL TARGET DIR MINIMUM WITH_JDUPES
peak() {
    local label="$1" target="$2" dir="$3" minimum="$4" with="$5" t_mem=() j_mem=() t m
    for ((i = 0; i < pairs; i++)); do
        read -r t m < <(measure "$scan" --no-pause --settings "$out/settings-$minimum.plist" "$dir")
        t_mem+=("$m")
        if [ "$with" = 1 ]; then
            read -r t m < <(measure jdupes -r -A -q "$dir")
            j_mem+=("$m")
        fi
    done
    local tm jm="—" ratio="—"
    tm=$(printf '%s\n' "${t_mem[@]}" | median)
    if [ "$with" = 1 ]; then
        jm=$(printf '%s\n' "${j_mem[@]}" | median)
        ratio=$(printf '%.2f' "$(echo "$tm / $jm" | bc -l)")
        jm="$(echo "$jm / 1000" | bc) MB"
    fi
    row "$label" "$(echo "$tm / 1000" | bc) MB" "$jm" "$ratio" "$target"
}

if wants tree || wants tree2; then
    big="$(tree tree --seed 20261210 --files 20000 --folders 200)"
    same_groups "$big" 1024 strict
    ! wants tree || timed "2 GiB tree of 20,000 files with hard decoys" "≤ 0.35" "$big" 1024 0 env
    ! wants tree2 || timed "same, two cores" "≤ 0.6" "$big" 1024 0 taskset -c 0,1
fi
if [ -d /usr ] && { wants usr || wants usr2 || wants cold; }; then
    same_groups /usr 0 || true
    ! wants usr || timed "/usr ($(find /usr -type f | wc -l) files, minimum size 0)" "≤ 0.5" /usr 0 0 env
    ! wants usr2 || timed "same, two cores" "≤ 0.7" /usr 0 0 taskset -c 0,1
    if wants cold; then
        if [ -w /proc/sys/vm/drop_caches ]; then
            timed "/usr, cold cache" "≤ 0.4" /usr 0 1 env
        else
            echo "the cold-cache row needs root (to drop the page cache)" >&2
        fi
    fi
fi
if wants small || wants heartbeat; then
    small="$(tree small-tree --seed 7 --files 200000 --folders 2000 --small)"
    if wants small; then
        same_groups "$small" 1024 strict
        peak "200,000 small files, peak RSS" "≤ 1.5" "$small" 1024 1
    fi
fi
if wants empty; then
    empty="$(tree empty-tree --seed 11 --files 300000 --folders 3000 --size 0 --copies 0)"
    peak "300,000 empty files (no candidate), peak RSS" "≤ 30 MB" "$empty" 0 0
fi
if wants tiny; then
    tiny="$(tree tiny-tree --seed 13 --files 1000000 --folders 10000 --size 16 --copies 50)"
    same_groups "$tiny" 0 strict
    peak "1,000,000 files of 16 bytes (half copies), peak RSS" "≤ 1.5" "$tiny" 0 1
fi
if wants heartbeat; then
    gaps=()
    for ((i = 0; i < pairs; i++)); do
        gaps+=("$("$build/bench/twinmoor-heartbeat" --settings "$out/settings-1024.plist" "$small" | awk '{print $6}')")
    done
    row "longest wait of a 10 ms timer during a scan of 200,000 files" "$(printf '%s\n' "${gaps[@]}" | median) ms" "—" "—" "≤ 50 ms"
fi
if wants review; then
    # The window's settings and caches go to a home of its own.
    home="$out/review-home"
    mkdir -p "$home/run" && chmod 700 "$home/run"
    for ((i = 0; i < pairs; i++)); do
        env HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" XDG_CACHE_HOME="$home/cache" \
            XDG_RUNTIME_DIR="$home/run" QT_QPA_PLATFORM=offscreen \
            "$build/bench/twinmoor-review-bench" > "$out/review-$i.txt" 2> /dev/null
    done
    # review_median FIELD [STEP]: the median of one figure over the runs.
    review_median() {
        for ((i = 0; i < pairs; i++)); do
            awk -v field="$1" -v step="${2:-}" '
                step != "" && $1 == "step" && $2 == step { for (f = 3; f < NF; f++) if ($f == field) print $(f + 1) }
                step == "" && $1 == field { print $2 }' "$out/review-$i.txt"
        done | median
    }
    while read -r step label; do
        row "review of 60,000 groups: $label" "$(review_median longest-gap-ms "$step") ms" "—" "—" "≤ 300 ms"
    done <<STEPS
open opening the results
search-f keystroke all groups match
search-fi a further keystroke
search-clear clearing the search
auto-mark Auto Mark (keep the first)
sort-name sort by name
sort-count sort by number of copies
sort-marked sort by number of marked copies
sort-size sort by size
sort-ascending ascending
STEPS
    row "longest wait of a 10 ms timer during those steps" "$(review_median longest-gap-ms) ms" "—" "—" "≤ 300 ms"
    opened=$(review_median peak-open-kb)
    ended=$(review_median peak-end-kb)
    row "peak memory: after the steps / at opening" "$(echo "$ended / 1000" | bc) / $(echo "$opened / 1000" | bc) MB" "—" \
        "$(printf '%.2f' "$(echo "$ended / $opened" | bc -l)")" "≤ 1.2"
fi
