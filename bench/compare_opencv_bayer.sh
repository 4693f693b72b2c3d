#!/bin/sh
# Bayer interpolation of a 512 x 384 mosaic against OpenCV's bilinear demosaic of a mosaic of the
# same size and layout (cv2.cvtColor, one thread), both in processor time; and a whole BAY frame
# (read + interpolate + the preview's opening settings) in Mpixel/s.
# Installs Debian's python3-opencv when it is missing (needs root or sudo).
# Usage: compare_opencv_bayer.sh [path/to/bench_bayer]
set -eu

here=$(dirname "$0")
bench=${1:-$here/../build/bin/bench_bayer}
python=/usr/bin/python3

if ! "$python" -c 'import cv2' 2>/dev/null; then
    sudo=
    [ "$(id -u)" = 0 ] || sudo=sudo
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends python3-opencv >/dev/null
fi

opencv_us=$("$python" "$here/bayer_reference.py")

# Google Benchmark's cpu_time is processor time of this process; best of five repetitions.
results=$("$bench" --benchmark_repetitions=5 --benchmark_format=csv 2>/dev/null)
best_of() {
    echo "$results" | awk -F, -v name="\"$1\"" -v column="$2" \
        '$1 == name && (best == "" || $column < best) { best = $column } END { printf "%.3f", best }'
}
ours_ms=$(best_of InterpolateColour 4)
frame_ms=$(best_of ReadAndRenderDefault 4)
ours_us=$(echo "$ours_ms * 1000" | bc -l | xargs printf '%.1f')
frame_mpixels=$(echo "512 * 384 / ($frame_ms * 1000)" | bc -l | xargs printf '%.0f')

echo "OpenCV cvtColor(BayerGB2BGR), 512x384:     $opencv_us us"
echo "Bayer interpolation, 512x384:              $ours_us us"
echo "against OpenCV:                            $(echo "$ours_us / $opencv_us" | bc -l | xargs printf '%.2f')x (target 2.00x or less)"
echo "whole BAY frame, read + default pipeline:  $frame_ms ms = $frame_mpixels Mpixel/s (target 150 or more)"
