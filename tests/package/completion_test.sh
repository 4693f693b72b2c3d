#!/bin/bash
# framewright-cli's bash completion, made from the tool's help, completes what the tool takes.
#   completion_test.sh COMPLETION_FILE
set -euo pipefail

# shellcheck disable=SC1091 # the system's bash-completion, then ours
source /usr/share/bash-completion/bash_completion
# shellcheck disable=SC1090
source "$1"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir clips
touch ball.avi disc.kfs notes.txt run.ips clips/F00000.bay data.csv

failures=0

# The words bash would offer for a command line whose last word is being typed.
offered() {
    local line=$1
    COMP_LINE=$line
    COMP_POINT=${#line}
    read -r -a COMP_WORDS <<<"$line"
    [[ $line == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _framewright_cli framewright-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd' '
}

expect() {
    local line=$1 wanted=$2 got
    got=$(offered "$line")
    if [[ $got != "$wanted" ]]; then
        echo "FAIL: \"$line\" offers \"$got\", expected \"$wanted\""
        failures=$((failures + 1))
    fi
}

# Offers must include these words (the full list may grow with the tool).
expect_among() {
    local line=$1 word got
    got=" $(offered "$line") "
    shift
    for word in "$@"; do
        if [[ $got != *" $word "* ]]; then
            echo "FAIL: \"$line\" offers \"$got\", which lacks $word"
            failures=$((failures + 1))
        fi
    done
}

# Commands, sub-commands and the tool's own options.
expect_among "framewright-cli " info frame descriptor convert compressors imager gpib capture kinematics
expect "framewright-cli --" "--help --verbose --version"
expect "framewright-cli --verbose co" "compressors convert"
expect "framewright-cli imager " "command download find status"
expect "framewright-cli descriptor " "get set"
expect "framewright-cli gpib d" "download"

# Each command's options, and the values the help names for them.
expect_among "framewright-cli convert ball.avi out.avi --" --type --compressor --first --last --step --settings --quality
expect "framewright-cli convert ball.avi out.avi --type " "avi bay bmp gif jpeg kfs tif"
expect "framewright-cli gpib download --type " "avi bmp gif jpeg kfs tif"
expect "framewright-cli imager find --baud 1" "115200 19200"
expect "framewright-cli imager download --ip 127.0.0.2 --t" "--type"
expect "framewright-cli kinematics data.csv --filter cfc6" "cfc60 cfc600"

# Files: the clip a command reads, any file it writes, settings files after --settings.
expect "framewright-cli info " "ball.avi clips disc.kfs"
expect "framewright-cli --verbose info " "ball.avi clips disc.kfs"
expect "framewright-cli frame ball.avi 3 " "ball.avi clips data.csv disc.kfs notes.txt run.ips"
expect "framewright-cli frame ball.avi 3 out.png --settings " "clips run.ips"
expect "framewright-cli convert --type avi " "ball.avi clips disc.kfs"
expect "framewright-cli info clips/" "clips/F00000.bay"
expect "framewright-cli kinematics " "clips data.csv"

if ((failures)); then
    echo "$failures completion case(s) failed"
    exit 1
fi
echo "all completion cases pass"
