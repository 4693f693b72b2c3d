#!/bin/sh
# The clip window's picture path against the ffmpeg command decoding the same clips, both
# single-threaded: scrubbing time per frame and the processor share of four clips played at
# their recorded rate.
# Usage: compare_playback.sh [path/to/bench_display_playback]
set -eu

bench=${1:-$(dirname "$0")/../build/bin/bench_display_playback}
frames=400
rate=100

# Runs the benchmark first: it makes the clips when they are missing.
results=$("$bench" --benchmark_format=json 2>/dev/null)

# Processor seconds (user + system) ffmpeg needs to decode the whole clip, best of three.
decode_seconds() {
    best=1000000
    for run in 1 2 3; do
        seconds=$(ffmpeg -nostdin -threads 1 -i "$1" -benchmark -f null -y /dev/null 2>&1 \
            | sed -n 's/.*utime=\([0-9.]*\)s stime=\([0-9.]*\)s.*/\1 + \2/p' | bc -l)
        best=$(echo "if ($seconds < $best) $seconds else $best" | bc -l)
    done
    echo "$best"
}

counter() { # benchmark name, counter name
    echo "$results" | python3 -c '
import json, sys
for run in json.load(sys.stdin)["benchmarks"]:
    if run["name"].startswith(sys.argv[1] + "/"):
        print(run[sys.argv[2]])' "$1" "$2"
}

for kind in raw mjpeg; do
    case $kind in raw) name=Uncompressed ;; *) name=Mjpeg ;; esac
    clip=/tmp/fw_bench_play_${kind}_512x384.avi
    seconds=$(decode_seconds "$clip")
    per_frame_ms=$(echo "$seconds * 1000 / $frames" | bc -l)
    # Four clips at their recorded rate, every frame decoded.
    ffmpeg_cores=$(echo "4 * $rate * $seconds / $frames" | bc -l)
    printf '%s 512x384:\n' "$name"
    printf '  ffmpeg decode per frame:                  %6.2f ms\n' "$per_frame_ms"
    printf '  frame bar move to frame painted, median:  %6.2f ms (p95 %.2f, target 20)\n' \
        "$(counter "Scrub_$name" median_ms)" "$(counter "Scrub_$name" p95_ms)"
    printf '  ffmpeg decoding 4 clips at x1, all frames: %5.2f cores\n' "$ffmpeg_cores"
    printf '  4 windows playing at x1:                  %5.2f cores (target below 1)\n' \
        "$(counter "PlayFour_${name}_x1" cores)"
    printf '  4 windows at x8: frames painted %s, left out %s, late by over one period before the end: %s\n' \
        "$(counter "PlayFour_${name}_x8" painted)" "$(counter "PlayFour_${name}_x8" skipped)" \
        "$(counter "PlayFour_${name}_x8" late_over_1_before_end)"
done
