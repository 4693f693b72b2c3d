#!/bin/bash
# Writes the imager simulator's manual page from its own help, so that the page cannot drift
# from the options the simulator takes.
#
#   sim-man-page.sh TOOL VERSION > fw-imager-sim.1
set -euo pipefail

tool=${1:?usage: sim-man-page.sh TOOL VERSION}
version=${2:?usage: sim-man-page.sh TOOL VERSION}

# The usage line names the program as it was started; the page names it as installed.
help=$(LC_ALL=C.UTF-8 "$tool" --help </dev/null | sed '1s/^Usage: .*fw-imager-sim/Usage: fw-imager-sim/')

cat <<PAGE
.\\" Made by sim-man-page.sh from the output of fw-imager-sim --help.
.TH FW\\-IMAGER\\-SIM 1 "" "Framewright $version" "User Commands"
.SH NAME
fw\\-imager\\-sim \\- simulated HG/RO imagers on loopback UDP addresses and a serial line
.SH SYNOPSIS
.B fw\\-imager\\-sim
.RI [ options ]
.SH DESCRIPTION
.B fw\\-imager\\-sim
stands in for imagers, so that
.BR framewright (1)
and
.BR framewright\\-cli (1)
can find, attach, set up and download from them without hardware.
What follows is its own help, as
.B fw\\-imager\\-sim \\-\\-help
prints it.
.PP
.nf
PAGE
sed -e 's/\\/\\e/g' -e 's/-/\\-/g' -e "s/^\\([.']\\)/\\\\\\&\\1/" <<<"$help"
cat <<'PAGE'
.fi
.SH SEE ALSO
.BR framewright (1),
.BR framewright\-cli (1)
PAGE
