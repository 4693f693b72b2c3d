#!/bin/bash
# Builds the Debian package from the build folder, unpacks it as an installed system would hold
# it, and runs the installed tool from there, with nothing of the build in reach.
#   deb_package_test.sh BUILD_DIR PROJECT_VERSION
set -euo pipefail
build_dir=$1
version=$2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset LD_LIBRARY_PATH
export XDG_STATE_HOME=$work/state

cd "$build_dir"
if ! cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    exit 1
fi
shopt -s nullglob
packages=("$work"/out/framewright_"$version"_*.deb)
if ((${#packages[@]} != 1)); then
    echo "FAIL: cpack made no framewright_${version}_ARCH.deb"
    exit 1
fi
package=${packages[0]}
root=$work/root
dpkg-deb -x "$package" "$root"
cli=$root/usr/bin/framewright-cli
samples=$root/usr/share/framewright/samples

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
expect_in() {
    grep -q -- "$2" <<<"$1" || fail "$3: $(head -c 600 <<<"$1")"
}

# The installed tool runs, and reads the installed samples: a clip and a BAY sequence.
expect_in "$("$cli" --version 2>&1)" "^framewright-cli $version$" "--version"
expect_in "$("$cli" info "$samples/Spinning Disc.kfs" 2>&1)" '"frames": 400' "info on the KFS sample"
expect_in "$("$cli" info "$samples/Bouncing Ball BAY/F00000.bay" 2>&1)" '"first_number": -50' \
    "info on the BAY sample"
# The program starts from the tree (its libraries and Qt plugins resolve), and its manual page
# describes every option it takes.
program_help=$(QT_QPA_PLATFORM=offscreen "$root/usr/bin/framewright" --help 2>&1)
expect_in "$program_help" "--instance-name" "framewright --help"
program_page=$(zcat "$root/usr/share/man/man1/framewright.1.gz" | sed 's/\\-/-/g')
for option in $(grep -o -- '--[a-z][a-z-]*' <<<"$program_help" | sort -u); do
    grep -q -- "$option" <<<"$program_page" || fail "framewright(1) lacks $option"
done
# The GenICam library, opened by name, is found beside the programs through their run path.
expect_in "$(FW_GENICAM_FAKE=1 "$cli" capture interfaces 2>&1)" '"name"' "capture interfaces"

# Nothing in the package points back into the build.
for binary in "$root"/usr/bin/* "$root"/usr/lib/framewright/*; do
    run_path=$(readelf -d "$binary" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p')
    [[ -z $run_path || $run_path == '$ORIGIN/../lib/framewright' ]] ||
        fail "$(basename "$binary") has run path $run_path"
done

# What the system needs from the package: run-time libraries, manual pages, completion.
depends=$(dpkg-deb -f "$package" Depends)
for library in libaravis libavformat libqt6widgets6 qt6-qpa-plugins; do
    expect_in "$depends" "$library" "Depends lacks $library"
done
for page in framewright framewright-cli fw-imager-sim; do
    [[ -f $root/usr/share/man/man1/$page.1.gz ]] || fail "no manual page $page(1)"
done
[[ -f $root/usr/share/bash-completion/completions/framewright-cli ]] || fail "no bash completion"
[[ -f $root/usr/share/doc/framewright/index.html ]] || fail "no manual"
[[ -f $root/usr/share/doc/framewright/copyright ]] || fail "no copyright file"

if ((failures)); then
    echo "$failures check(s) failed"
    exit 1
fi
echo "$(basename "$package"): $(du -k "$package" | cut -f1) KiB, runs from the unpacked tree"
