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
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_begin measure_step "$@"
app_log="${MEASURE_LOG:-$app_log}"
start_program "$testcard"

# The line across the one-inch box runs from its orange edge to the card's grey grid.
orange_on_grey="  对比度 3.07:1 AA 大字"
find_picture 1
# The one-inch box, 96 pixels wide from x = 20: from its first column to the first past it.
drag 1 20 100 116 100
copy "Δx 96  Δy 0  96.00 px  0.00°$orange_on_grey"
# Shift snaps a drag of 96 across and 90 down to 45°: 93 both ways. Ctrl+C copies the last.
drag 1 20 90 116 180 shift
copy "Δx 93  Δy 93  131.52 px  -45.00°  对比度 1.00:1 不达标"
shot measure-shift-factor1
key Escape
unit_list 1
copy "Δx $(inches 96)  Δy 0.00  $(inches 96) in  0.00°$orange_on_grey"
shot measure-inches-factor1

# Back to pixels, which the readout gives the picture's place in; the line stays.
unit_list 0
copy "Δx 96  Δy 0  96.00 px  0.00°$orange_on_grey"

# Another factor keeps the measurement on its pixels; Esc then removes it, and the same
# pixels measure the same at factor 2.
factor_list 1
copy "Δx 96  Δy 0  96.00 px  0.00°$orange_on_grey"
key Escape
find_picture 2
drag 2 20 100 116 100
copy "Δx 96  Δy 0  96.00 px  0.00°$orange_on_grey"
shot measure-pixels-factor2
unit_list 2
copy "Δx $(centimetres 96)  Δy 0.00  $(centimetres 96) cm  0.00°$orange_on_grey"

# Esc removes it.
key Escape
copied
case "$clip" in Δx*) fail "Esc left the measurement" ;; esac
echo "measure_step: passed at $dpi ppi"
