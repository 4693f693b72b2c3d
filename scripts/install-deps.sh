#!/usr/bin/env bash
# Installs the Debian 12 packages that building Framewright and running its tests need, and only
# those that are missing. Runs apt-get as root, through sudo when started as another user.
#   scripts/install-deps.sh          build, run and test
#   scripts/install-deps.sh --fuzz   also clang, for the fuzz preset
# Every command that sets up a machine (README, .ci/run) goes through this one list.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-serialport-dev libqcustomplot-dev
    libavformat-dev libavcodec-dev libswscale-dev libavutil-dev
    libjpeg-dev     # JPEG frame files
    libgtest-dev googletest libbenchmark-dev
    libtiff-dev     # the TIFF tests and benchmark compare against libtiff
    ffmpeg          # the tests make their clips with the ffmpeg command
    imagemagick     # and read frame files back with identify
    fonts-dejavu-core # widgets lay out text under the offscreen platform
    libaravis-dev libusb-1.0-0-dev # GenICam cameras; aravis-0.8.pc needs libusb's too
    dpkg-dev file   # cpack -G DEB: dpkg-shlibdeps finds the run-time libraries
    bash-completion desktop-file-utils appstream libxml2-utils shared-mime-info # package tests
    libopencv-imgproc-dev # template matching of the point tracker (core and imgproc only)
    xvfb xauth openbox xdotool x11-utils x11-xserver-utils # the manual's screenshots (docs/screenshots.sh)
)

case "${1:-}" in
    "") ;;
    --fuzz) packages+=(clang) ;;
    *) echo "usage: $0 [--fuzz]" >&2; exit 2 ;;
esac

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q '^install ok installed$'; then
        missing+=("$package")
    fi
done
if ((${#missing[@]} == 0)); then
    echo "install-deps: all ${#packages[@]} packages are installed"
    exit 0
fi

as_root=()
if [[ $(id -u) -ne 0 ]]; then
    if ! command -v sudo >/dev/null; then
        echo "install-deps: run as root (or install sudo) to install: ${missing[*]}" >&2
        exit 1
    fi
    as_root=(sudo)
fi
echo "install-deps: installing ${missing[*]}"
"${as_root[@]}" apt-get update -q
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -q --no-install-recommends "${missing[@]}"
