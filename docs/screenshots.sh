#!/usr/bin/env bash
# Takes the manual's screenshots from the real program.
#
#   docs/screenshots.sh [BUILD_DIR [OUTPUT_DIR]]
#
# BUILD_DIR is a build folder (default: build), OUTPUT_DIR where the pictures go (default:
# docs/images). Without a display the script runs itself on a virtual screen (xvfb-run) with the
# openbox window manager, as a user's desktop would frame the windows. Each scene starts the
# program with a settings folder of its own, drives it with xdotool and saves the screen, cut to
# the windows shown. The script fails, naming the window, when a window it waits for does not
# appear; it compares no pixels.
#
# Needs: xvfb-run (xvfb, xauth), openbox, xdotool, xwininfo (x11-utils), xsetroot
# (x11-xserver-utils), ImageMagick (import, convert).
set -euo pipefail

SOURCE_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=$(realpath "${1:-$SOURCE_DIR/build}")
OUTPUT_DIR=$(realpath -m "${2:-$SOURCE_DIR/docs/images}")
WINDOW_WAIT_S=${FW_SCREENSHOT_WAIT_S:-30}

if [[ -z "${DISPLAY:-}" ]]; then
    exec xvfb-run -a -s "-screen 0 1600x1000x24 -br" "${BASH_SOURCE[0]}" "$BUILD_DIR" "$OUTPUT_DIR"
fi

PROGRAM=$BUILD_DIR/bin/framewright
SAMPLES=$BUILD_DIR/bin/Samples
for needed in "$PROGRAM" "$SAMPLES"; do
    [[ -e "$needed" ]] || { echo "screenshots: $needed is missing; build the program first" >&2; exit 1; }
done
for tool in openbox xdotool xwininfo xsetroot import convert; do
    command -v "$tool" > /dev/null || { echo "screenshots: $tool is not installed" >&2; exit 1; }
done
mkdir -p "$OUTPUT_DIR"
WORK=$(mktemp -d)
PROGRAM_PID=
OPENBOX_PID=

cleanup() {
    stop_program
    [[ -n "$OPENBOX_PID" ]] && kill "$OPENBOX_PID" 2> /dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT

fail() {
    echo "screenshots: $*" >&2
    if [[ -n "${SCENE:-}" ]] && import -window root "$OUTPUT_DIR/failed-$SCENE.png" 2> /dev/null; then
        echo "screenshots: the screen at that moment is in $OUTPUT_DIR/failed-$SCENE.png" >&2
    fi
    if [[ -n "${SCENE_LOG:-}" && -s "$SCENE_LOG" ]]; then
        echo "--- the program's output (all of it in $OUTPUT_DIR/failed-$SCENE.log):" >&2
        tail -n 20 "$SCENE_LOG" >&2
        cp "$SCENE_LOG" "$OUTPUT_DIR/failed-$SCENE.log"
    fi
    exit 1
}

# The visible window whose title matches the pattern, waited for.
window() {
    local pattern=$1 id waited=0
    while :; do
        id=$(xdotool search --onlyvisible --name "$pattern" 2> /dev/null | tail -n 1 || true)
        [[ -n "$id" ]] && { echo "$id"; return; }
        [[ -n "$PROGRAM_PID" ]] && ! kill -0 "$PROGRAM_PID" 2> /dev/null \
            && fail "the program ended before the window \"$pattern\" appeared (scene $SCENE)"
        ((waited++ < WINDOW_WAIT_S * 5)) || fail "the window \"$pattern\" did not appear (scene $SCENE)"
        sleep 0.2
    done
}

settle() { sleep "${1:-1}"; }

# Starts the program in a fresh settings folder, the settings file read from stdin. The program
# runs through env, in place, so that $! is its own process.
start_program() {
    SCENE=$1
    shift
    local home=$WORK/$SCENE
    mkdir -p "$home/.config/Tarnwell" "$home/run"
    chmod 700 "$home/run"
    cat > "$home/.config/Tarnwell/Framewright.ini"
    SCENE_LOG=$home/program.log
    PROGRAM_COMMAND=(env HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_STATE_HOME="$home/.state"
        XDG_RUNTIME_DIR="$home/run" "$PROGRAM" --instance-name "screenshots-$$-$SCENE")
    "${PROGRAM_COMMAND[@]}" "$@" > "$SCENE_LOG" 2>&1 &
    PROGRAM_PID=$!
    MAIN=$(window "^Framewright$")
    settle
}

# Opens a file in the running program: a second start hands it over, as a file manager's would.
open_file() { "${PROGRAM_COMMAND[@]}" "$1" >> "$SCENE_LOG" 2>&1; }

stop_program() {
    [[ -n "$PROGRAM_PID" ]] || return 0
    kill "$PROGRAM_PID" 2> /dev/null || true
    for _ in $(seq 50); do kill -0 "$PROGRAM_PID" 2> /dev/null || break; sleep 0.1; done
    kill -9 "$PROGRAM_PID" 2> /dev/null || true
    wait "$PROGRAM_PID" 2> /dev/null || true
    PROGRAM_PID=
}

# The window's inside on the screen: LEFT TOP WIDTH HEIGHT.
inside() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
        /^  Width/ {w=$2} /^  Height/ {h=$2} END {print x, y, w, h}'
}

# Saves the screen cut to the given windows with the window manager's frames around them.
shoot() {
    local name=$1
    shift
    local left=100000 top=100000 right=0 bottom=0 id x y w h
    xdotool mousemove 1599 999
    settle 0.8
    for id in "$@"; do
        read -r x y w h < <(inside "$id")
        ((x - 1 < left)) && left=$((x - 1))
        ((y - 20 < top)) && top=$((y - 20))
        ((x + w + 1 > right)) && right=$((x + w + 1))
        ((y + h + 1 > bottom)) && bottom=$((y + h + 1))
    done
    ((left < 0)) && left=0
    ((top < 0)) && top=0
    import -window root "$WORK/screen.png"
    convert "$WORK/screen.png" -crop "$((right - left))x$((bottom - top))+$left+$top" +repage \
        "$OUTPUT_DIR/$name.png"
    echo "screenshots: $name.png"
}

# Clicks at a point of a window's inside (button 1 unless given).
click_in() {
    local x y w h
    read -r x y w h < <(inside "$1")
    xdotool mousemove $((x + $2)) $((y + $3)) click "${4:-1}"
    settle 0.4
}

# Clicks at a point given in xdotool's own window coordinates.
click_window() { xdotool mousemove --window "$1" "$2" "$3" click 1; settle "${4:-0.3}"; }

# Moves a window so that its inside starts at the given point of the screen.
place() {
    xdotool windowmove "$1" "$2" "$(($3 - 20))"
    settle 0.4
}

# A menu item by the menu's and the item's accelerator keys.
menu() {
    xdotool windowactivate --sync "$1"
    settle 0.3
    xdotool key --clearmodifiers "alt+$2"
    settle 0.5
    xdotool key "$3"
    settle 0.5
}

# ---------------------------------------------------------------------------------------------
# Scenes

# Settings for scenes after the first start.
NOTE_OFF=$'[Preferences]\nShow%20First%20Start%20Note=false'

scene_first_start() {
    start_program first-start < /dev/null
    shoot first-start "$MAIN"
    stop_program
}

scene_clips_playing() {
    start_program clips "$SAMPLES/Falling Ball.avi" <<< "$NOTE_OFF"
    local ball pendulum disc
    ball=$(window "^Falling Ball.avi$")
    open_file "$SAMPLES/Pendulum.avi"
    pendulum=$(window "^Pendulum.avi$")
    open_file "$SAMPLES/Spinning Disc.kfs"
    disc=$(window "^Spinning Disc.kfs$")
    settle 2
    # The main window's Play button, then a moment of playing.
    click_in "$MAIN" 117 75
    settle 1.5
    shoot three-clips-playing "$MAIN" "$ball" "$pendulum" "$disc"
    stop_program
}

scene_signal_graph() {
    start_program signals "$SAMPLES/Falling Ball.avi" <<< "$NOTE_OFF"
    local clip graph
    clip=$(window "^Falling Ball.avi$")
    open_file "$SAMPLES/Falling Ball Force.txt"
    # The file's sampling facts, as the program read them from its header.
    window "Signal Info$" > /dev/null
    settle 0.5
    xdotool key Return
    # Graphing setup: the force on an axis of its own.
    local setup
    setup=$(window "^Signal Graphing Setup$")
    settle 0.5
    click_in "$setup" 290 41
    xdotool windowactivate --sync "$setup" key Return
    graph=$(window "^Signals vs Falling Ball.avi$")
    settle 1
    place "$graph" 540 180
    settle 1
    # The graph's cursor to the force peak at the impact: the clip follows.
    click_in "$graph" 520 200
    settle 1
    shoot signal-graph "$clip" "$graph"
    stop_program
}

scene_bayer_preview() {
    start_program bayer "$SAMPLES/Bouncing Ball BAY/F-0001.bay" <<< "$NOTE_OFF"
    local preview picture
    preview=$(window "Bouncing Ball BAY/\\*.bay$")
    picture=$(window "^Frame F-0050 ")
    settle 2
    shoot bayer-preview "$preview" "$picture"
    stop_program
}

# The windows of one clip: its descriptions, the video save options and the import preview that
# saves it anew.
scene_clip_dialogs() {
    start_program dialogs "$SAMPLES/Pendulum.avi" <<< "$NOTE_OFF"
    local clip dialog picture
    clip=$(window "^Pendulum.avi$")
    settle 1
    menu "$MAIN" e f
    dialog=$(window "Descriptors")
    settle 1
    shoot descriptors "$dialog"
    xdotool windowactivate --sync "$dialog" key Escape
    settle 0.5
    menu "$MAIN" f v
    dialog=$(window "^Video Compression$")
    settle 0.5
    shoot video-save-options "$dialog"
    xdotool windowactivate --sync "$dialog" key Escape
    settle 0.5
    menu "$MAIN" f s
    dialog=$(window "Pendulum.avi$")
    settle 2
    shoot import-preview $(xdotool search --onlyvisible --name "Pendulum")
    stop_program
}

# Tools > Demo Devices, then File > Attach Imager with the demo entry of the given row selected.
# Rows of the attach list: 0 Demo EM 1012, 1 Demo Frame Grabber, 2 Demo HG 2000, 3 Demo HS 4540,
# 4 Demo RO.
start_demo() {
    start_program "$1" <<< "$NOTE_OFF"
    menu "$MAIN" t d
    DEMO_BOX=$(window "^Demo Devices$")
    settle 0.5
}

attach_window_with() {
    xdotool windowactivate --sync "$DEMO_BOX" key Return
    settle 0.5
    menu "$MAIN" f a
    ATTACH=$(window "^Imager Attach and Setup$")
    settle 0.5
    click_in "$ATTACH" 60 $((38 + 14 * $1))
}

press_attach() { click_in "$ATTACH" 551 20; }

# The demo imager: the box, the attach window, the setup pages, the download window and the
# clip saved from it.
scene_demo_imager() {
    start_demo demo
    shoot demo-devices "$DEMO_BOX"
    attach_window_with 2
    shoot demo-attach "$ATTACH"
    click_in "$ATTACH" 551 105
    local setup preview picture save clip
    setup=$(window "^Imager Control and Setup$")
    settle 2
    shoot hg-setup-recording "$setup"
    click_in "$setup" 304 24
    settle 1
    shoot hg-setup-identification "$setup"
    xdotool windowactivate --sync "$setup" key Escape
    settle 1
    press_attach
    preview=$(window "^\\(Kodak HG 2000\\) Demo HG 2000$")
    picture=$(window "^Frame -20 \\(Kodak HG 2000\\) Demo HG 2000$")
    settle 2
    shoot demo-download "$MAIN" "$preview" "$picture"
    # Save: the clip goes into the scene's folder and opens in a clip window.
    local x y w h
    read -r x y w h < <(inside "$preview")
    click_in "$preview" 80 $((h - 22))
    save=$(window "^Save \\(Kodak HG 2000\\) Demo HG 2000 Images As$")
    settle 0.5
    xdotool type --delay 20 "$WORK/demo/Demo HG 2000.kfs"
    xdotool key Return
    local compression
    compression=$(window "^Video Compression$")
    settle 0.5
    xdotool windowactivate --sync "$compression" key Return
    clip=$(window "^Demo HG 2000.kfs$")
    settle 2
    shoot demo-save "$MAIN" "$clip"
    stop_program
}

# The demo processor's download window and the demo frame grabber's capture window.
scene_demo_processor() {
    start_demo processor
    attach_window_with 0
    press_attach
    local preview picture
    preview=$(window "^\\(Kodak EM 1012\\) Demo EM 1012$")
    settle 4
    picture=$(window "^Frame ")
    shoot em-download "$preview" "$picture"
    stop_program
}

scene_demo_grabber() {
    start_demo grabber
    attach_window_with 1
    press_attach
    local capture video
    capture=$(window "Demo Frame Grabber")
    video=$(window "^Live Video")
    local x y w h
    read -r x y w h < <(inside "$capture")
    place "$video" $((x + w + 8)) "$y"
    settle 3
    shoot capture-window "$capture" "$video"
    stop_program
}

# Tracks the marker of the tracking sample, then plots its X velocity and Y acceleration
# through a CFC 60 filter.
scene_measure_and_plot() {
    start_program measure "$SAMPLES/Tracking Marker.avi" <<< "$NOTE_OFF"
    local clip sheet plot graph
    clip=$(window "^Tracking Marker.avi$")
    settle 1
    xdotool windowmove "$clip" 4 24
    settle 0.5
    click_window "$clip" 100 50 0 && xdotool click 3 && settle 0.7 && xdotool key q
    sheet=$(window "^Quick Measure")
    settle 1
    # Defaults: X Velocity and Y Acceleration shown, no auto step, no cursor positioning.
    click_window "$sheet" 389 32 0.4
    click_window "$sheet" 261 346 0.2
    click_window "$sheet" 404 311 0.2
    click_window "$sheet" 30 121 0.2
    click_window "$sheet" 30 188 0.2
    # Objects: a point named Marker, in red, through CFC 60.
    click_window "$sheet" 147 32 0.4
    click_window "$sheet" 408 94 0.4
    click_window "$sheet" 408 195 0.6
    xdotool key ctrl+a type Marker
    xdotool key Return
    settle 0.3
    click_window "$sheet" 527 308
    xdotool key ctrl+a type 9
    xdotool key Tab
    settle 0.2
    click_window "$sheet" 378 368 0.6
    click_window "$sheet" 365 413
    # Collection: the marker clicked on frame 0, then Track > Track Point to the last frame.
    click_window "$sheet" 308 32 0.5
    click_window "$clip" 70 126 0.4
    click_window "$sheet" 63 8 0.5
    xdotool key p
    window "^Track Point$" > /dev/null
    settle 0.5
    xdotool key Return
    # The track stops at the card in front of the marker and says so.
    settle 3
    window "^Track Point$" > /dev/null
    settle 0.5
    xdotool key Return
    settle 1
    xdotool windowsize "$sheet" 700 420
    settle 0.3
    xdotool windowmove "$sheet" 332 24
    settle 0.5
    shoot quick-measure "$clip" "$sheet"
    # Edit > Plot...: X Velocity and Y Acceleration.
    click_window "$sheet" 21 8 0.5
    xdotool key p
    plot=$(window "^Plot Measured Data$")
    settle 0.5
    click_window "$plot" 22 66 0.2
    click_window "$plot" 22 80 0.2
    click_window "$plot" 190 240
    graph=$(window "^Measured Data vs")
    settle 1
    xdotool windowmove "$MAIN" 1100 880
    xdotool windowsize "$graph" 1028 470
    settle 0.3
    xdotool windowmove "$graph" 4 476
    settle 0.3
    xdotool windowactivate "$sheet"
    settle 0.3
    xdotool windowactivate "$graph"
    settle 1
    # The graph's cursor to 40 ms: the clip follows.
    click_window "$graph" 400 150 0.8
    shoot measured-plot "$clip" "$sheet" "$graph"
    stop_program
}

SCENES=(${FW_SCREENSHOT_SCENES:-first_start clips_playing signal_graph bayer_preview clip_dialogs measure_and_plot
    demo_imager demo_processor demo_grabber})

openbox > "$WORK/openbox.log" 2>&1 &
OPENBOX_PID=$!
settle
# A desktop background, so that the screen is repainted where a window was.
xsetroot -solid black
for scene in "${SCENES[@]}"; do
    "scene_$scene"
done
echo "screenshots: ${#SCENES[@]} scenes taken into $OUTPUT_DIR"
