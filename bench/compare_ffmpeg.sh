#!/bin/sh
# Decoding speed of the clip stream against the ffmpeg command on the same MJPEG clip, both
# single-threaded. Usage: compare_ffmpeg.sh [path/to/bench_frame_access]
set -eu

bench=${1:-$(dirname "$0")/../build/bin/bench_frame_access}
clip=/tmp/fw_bench_mjpeg422_512x384.avi
frames=300

if [ ! -f "$clip" ]; then
    ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc=size=512x384:rate=25 -frames:v $frames \
        -c:v mjpeg -q:v 3 -pix_fmt yuvj422p "$clip"
fi

# Best of five runs in frames per second of processor time (user + system), so that other
# work on the machine does not count; ffmpeg reports its own times with -benchmark.
best_rate() {
    best=0
    for run in 1 2 3 4 5; do
        seconds=$("$@" -benchmark 2>&1 | sed -n 's/.*utime=\([0-9.]*\)s stime=\([0-9.]*\)s.*/\1 + \2/p' | bc -l)
        rate=$(echo "$frames / $seconds" | bc -l)
        best=$(echo "if ($rate > $best) $rate else $best" | bc -l)
    done
    printf '%.0f' "$best"
}

decode_only=$(best_rate ffmpeg -nostdin -threads 1 -i "$clip" -f null -y /dev/null)
decode_bgr=$(best_rate ffmpeg -nostdin -threads 1 -i "$clip" -pix_fmt bgr24 -f rawvideo -y /dev/null)
# Google Benchmark's items_per_second is per processor second as well.
ours=$("$bench" --benchmark_filter='Mjpeg_Sequential' --benchmark_repetitions=5 \
    --benchmark_report_aggregates_only=true --benchmark_format=csv 2>/dev/null |
    awk -F, '$1 ~ /_median"?$/ { printf "%.0f", $7 }')

echo "ffmpeg -threads 1, decode only:            $decode_only frames/s"
echo "ffmpeg -threads 1, decode to bgr24 frames: $decode_bgr frames/s"
echo "clip stream GetFrame, sequential (median):$ours frames/s"
