#!/bin/sh
# Decoding speed of the clip stream against the ffmpeg command on the same MJPEG clip, both
# single-threaded, plus the clip stream's other access figures for the record.
# Usage: compare_ffmpeg.sh [path/to/bench_frame_access]
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
# Google Benchmark's items_per_second is per processor second as well; the best of five
# repetitions, like the ffmpeg figures.
results=$("$bench" --benchmark_filter='^(Mjpeg|Uncompressed)_(Sequential|Random)$' \
    --benchmark_repetitions=5 --benchmark_format=csv 2>/dev/null)
rate_of() {
    echo "$results" | awk -F, -v name="\"$1\"" '$1 == name && $7 > best { best = $7 } END { printf "%.0f", best }'
}
ours=$(rate_of Mjpeg_Sequential)

echo "ffmpeg -threads 1, decode only:              $decode_only frames/s"
echo "ffmpeg -threads 1, decode to bgr24 frames:   $decode_bgr frames/s"
echo "clip stream MJPEG, sequential:               $ours frames/s"
echo "clip stream MJPEG, random:                   $(rate_of Mjpeg_Random) frames/s"
echo "clip stream uncompressed, sequential:        $(rate_of Uncompressed_Sequential) frames/s"
echo "clip stream uncompressed, random:            $(rate_of Uncompressed_Random) frames/s"
echo "MJPEG sequential time against ffmpeg decode: $(echo "$decode_only / $ours" | bc -l | xargs printf '%.2f')x (target 1.20x or less)"
