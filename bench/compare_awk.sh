#!/bin/sh
# Parsing speed of the signal file reader against awk summing the value column of the same
# 1,000,000-line file (time column + value column), both in processor seconds (user + system).
# Usage: compare_awk.sh [path/to/bench_signal_parse]
set -eu

bench=${1:-$(dirname "$0")/../build/bin/bench_signal_parse}
file=/tmp/fw_bench_signal_awk_1M.txt

if [ ! -f "$file" ]; then
    awk 'BEGIN { print "Time Force"; for (i = 0; i < 1000000; i++) printf "%.4f\t%.6f\n", i / 10000, 100 * sin(i / 100) }' >"$file"
fi

# Best of five, so that other work on the machine counts as little as it can.
best_awk=
for run in 1 2 3 4 5; do
    seconds=$( { /usr/bin/time -f '%U + %S' awk '{s+=$2} END {print s}' "$file" >/dev/null; } 2>&1 | bc -l)
    if [ -z "$best_awk" ] || [ "$(echo "$seconds < $best_awk" | bc -l)" = 1 ]; then
        best_awk=$seconds
    fi
done

# Google Benchmark's cpu_time is processor time of this process, in ms here; best repetition.
results=$(FW_SIGNAL_BENCH_FILE="$file" "$bench" --benchmark_repetitions=5 --benchmark_format=csv 2>/dev/null)
best_of() {
    echo "$results" | awk -F, -v name="\"$1\"" '$1 == name && (best == "" || $4 < best) { best = $4 } END { printf "%.1f", best }'
}
ours=$(best_of OpenAndReadAll)
reread=$(best_of RewindAndReadAll)
awk_ms=$(echo "$best_awk * 1000" | bc -l | xargs printf '%.1f')

echo "file:                                     $file ($(wc -l <"$file") lines, $(wc -c <"$file") bytes)"
echo "awk '{s+=\$2} END {print s}':              $awk_ms ms"
echo "signal file, open + read all samples:     $ours ms"
echo "signal file, rewind + read all samples:   $reread ms"
echo "open + read against awk:                  $(echo "$ours / $awk_ms" | bc -l | xargs printf '%.2f')x (target 1.50x or less)"
