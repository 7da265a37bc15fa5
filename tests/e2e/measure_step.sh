#!/usr/bin/env bash
# Usage: run_under_xvfb DPI measure_step.sh PROGRAM TESTCARD [SCREENSHOT_DIR]
#
# Measures on the test card as a person would, on the X server that run_under_xvfb starts:
# drags across the one-inch box with the mouse (xdotool mousedown, mousemove, mouseup),
# presses Ctrl+C and reads the clipboard with xclip; once with Shift held, once in inches,
# and once more at factor 2, in pixels and centimetres. The picture is found on screen
# through the readout itself: Ctrl+C over the picture copies "x = ..   y = ..", the image
# pixel under the pointer. With SCREENSHOT_DIR, screenshots of the window go there; with
# MEASURE_LOG set, the program's standard error goes to that file. Exits 77 (skipped) when
# a tool is missing.
set -euo pipefail

if [ $# -lt 2 ]; then
    echo "usage: $0 PROGRAM TESTCARD [SCREENSHOT_DIR]" >&2
    exit 2
fi
program="$1"
testcard="$2"
shots="${3:-}"
dpi="${QUARNET_E2E_DPI:-96}"

for tool in xdotool xclip xwininfo; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "skipped: $tool is not installed (scripts/setup installs it)"
        exit 77
    fi
done
[ -z "$shots" ] || command -v import >/dev/null 2>&1 || { echo "skipped: no import"; exit 77; }

app_pid=""
cleanup() {
    [ -z "$app_pid" ] || kill "$app_pid" 2>/dev/null || true
    wait 2>/dev/null || true
}
trap cleanup EXIT

fail() {
    echo "measure_step: $*" >&2
    exit 1
}

# Every wait for the window system is bounded: a window that never shows, or never takes
# the focus, fails the test within seconds and says so, instead of waiting for ever.
"$program" "$testcard" 2>"${MEASURE_LOG:-/dev/null}" &
app_pid=$!
win=""
for _ in $(seq 1 100); do
    kill -0 "$app_pid" 2>/dev/null || fail "the program ended before its window appeared"
    win="$(xdotool search --onlyvisible --name '^Quarnet' 2>/dev/null | head -n 1 || true)"
    [ -z "$win" ] || break
    sleep 0.1
done
[ -n "$win" ] || fail "the program's window did not appear within 10 seconds"
timeout 10 xdotool windowactivate --sync "$win" ||
    fail "the program's window did not take the focus within 10 seconds"
sleep 0.5

# The client area's top-left corner on the screen.
read -r left top < <(xwininfo -id "$win" |
    awk '/Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF} END {print x, y}')

# Points are in the window's client area from here on.
# Moves the pointer there and waits until the server has it there, for at most 5 seconds.
# (xdotool's own --sync waits for the pointer to leave where it was: a move to where it is
# already would wait until xdotool gives up, 15 seconds later.)
move() {
    local x=$((left + $1)) y=$((top + $2)) _
    xdotool mousemove "$x" "$y"
    for _ in $(seq 1 100); do
        if [[ "$(xdotool getmouselocation)" == "x:$x y:$y "* ]]; then return 0; fi
        sleep 0.05
    done
    fail "the pointer did not reach $1, $2 within 5 seconds"
}

# Ctrl+C, then what the clipboard holds into $clip; "" when Ctrl+C copied nothing. (No
# command substitution calls a function here: bash would run the EXIT trap in it.)
copied() {
    printf 'untouched' | xclip -selection clipboard
    xdotool key --clearmodifiers ctrl+c
    sleep 0.2
    clip="$(xclip -o -selection clipboard 2>/dev/null || true)"
    if [ "$clip" = untouched ]; then clip=""; fi
}

# The image pixel the readout gives for a client point, into $px_x and $px_y.
pixel_at() {
    move "$1" "$2"
    sleep 0.1
    copied
    [[ "$clip" =~ ^x\ =\ ([0-9]+)\ \ \ y\ =\ ([0-9]+)\ \ \ \ \ RGB ]] ||
        fail "no readout at $1, $2: '$clip'"
    px_x="${BASH_REMATCH[1]}"
    px_y="${BASH_REMATCH[2]}"
}

# Where image pixel (0, 0) begins in the client area, at the given factor: probed at the
# viewport's middle and one pixel further on, so a block's first column and row show.
find_picture() {
    local factor="$1" px py a b
    # The middle of the viewport's design rectangle (450, 1080, 8055, 4815 twips).
    px=$(((450 + 8055 / 2) * dpi / 1440))
    py=$(((1080 + 4815 / 2) * dpi / 1440))
    pixel_at "$px" "$py"
    a="$px_x" b="$px_y"
    pixel_at $((px + 1)) $((py + 1))
    if [ "$px_x" != "$a" ]; then origin_x=$((px + 1 - factor * px_x)); else origin_x=$((px - factor * a)); fi
    if [ "$px_y" != "$b" ]; then origin_y=$((py + 1 - factor * px_y)); else origin_y=$((py - factor * b)); fi
    echo "factor $factor: image pixel 0, 0 at client $origin_x, $origin_y"
}

# Drags with the left button from one image pixel to another through a few steps, with
# Shift held when the last argument is "shift".
drag() {
    local factor="$1" x1="$2" y1="$3" x2="$4" y2="$5" keys="${6:-}" i
    local half=$((factor / 2))
    local ax=$((origin_x + x1 * factor + half)) ay=$((origin_y + y1 * factor + half))
    local bx=$((origin_x + x2 * factor + half)) by=$((origin_y + y2 * factor + half))
    move "$ax" "$ay"
    [ -z "$keys" ] || xdotool keydown shift
    xdotool mousedown 1
    for i in 1 2 3 4; do
        move $((ax + (bx - ax) * i / 4)) $((ay + (by - ay) * i / 4))
    done
    xdotool mouseup 1
    [ -z "$keys" ] || xdotool keyup shift
    sleep 0.2
}

expect_copy() {
    copied
    [ "$clip" = "$1" ] || fail "Ctrl+C copied '$clip', expected '$1'"
    echo "copied: $clip"
}

shot() {
    [ -z "$shots" ] || import -window "$win" "$shots/$1.png"
}

# Picks an entry of a drop-down list by its design rectangle's middle, in twips.
pick() {
    local x="$1" y="$2" entry="$3" i
    move $((x * dpi / 1440)) $((y * dpi / 1440))
    xdotool click 1
    sleep 0.3
    xdotool key Home
    for ((i = 0; i < entry; i++)); do xdotool key Down; done
    xdotool key Return
    sleep 0.5
}
unit_list() { pick $((4890 + 915 / 2)) $((180 + 300 / 2)) "$1"; }
factor_list() { pick $((7380 + 615 / 2)) $((180 + 315 / 2)) "$1"; }

inches() { awk -v p="$1" -v d="$dpi" 'BEGIN { printf "%.2f", p / d }'; }
centimetres() { awk -v p="$1" -v d="$dpi" 'BEGIN { printf "%.2f", p / d * 2.54 }'; }

# Removes the last measurement kept.
remove_last() {
    xdotool key Escape
    sleep 0.2
}

find_picture 1
# The one-inch box, 96 pixels wide from x = 20: from its first column to the first past it.
drag 1 20 100 116 100
expect_copy "Δx 96  Δy 0  96.00 px  0.00°"
# Shift snaps a drag of 96 across and 90 down to 45°: 93 both ways. Ctrl+C copies the last.
drag 1 20 90 116 180 shift
expect_copy "Δx 93  Δy 93  131.52 px  -45.00°"
shot measure-shift-factor1
remove_last
unit_list 1
expect_copy "Δx $(inches 96)  Δy 0.00  $(inches 96) in  0.00°"
shot measure-inches-factor1

# Back to pixels, which the readout gives the picture's place in; the line stays.
unit_list 0
expect_copy "Δx 96  Δy 0  96.00 px  0.00°"

# Another factor keeps the measurement on its pixels; Esc then removes it, and the same
# pixels measure the same at factor 2.
factor_list 1
expect_copy "Δx 96  Δy 0  96.00 px  0.00°"
remove_last
find_picture 2
drag 2 20 100 116 100
expect_copy "Δx 96  Δy 0  96.00 px  0.00°"
shot measure-pixels-factor2
unit_list 2
expect_copy "Δx $(centimetres 96)  Δy 0.00  $(centimetres 96) cm  0.00°"

# Esc removes it.
remove_last
copied
case "$clip" in Δx*) fail "Esc left the measurement" ;; esac
echo "measure_step: passed at $dpi ppi"
