#!/usr/bin/env bash
# Usage: run_under_xvfb DPI menu_step.sh PROGRAM TESTCARD
#
# Every entry of the picture's menu, of the loupe's and of the list's row menu, the list's
# buttons and the dialogs they open, as a person picks them: a right click, then Down, Right
# and Return; and every key of the README's table. After each, the program must still run
# and the entry must have done what it says (the clipboard, the caption, a file written).
# A menu entry that frees the menu while it still handles its own events crashes here, if
# not at once then under the glibc heap checks that CTest runs this with; MENU_UNDER=valgrind
# runs the menu, button and dialog steps under valgrind memcheck instead, which sees the
# invalid writes themselves, and fails on any. Exits 77 (skipped) when a tool is missing.
set -euo pipefail

if [ $# -lt 2 ]; then
    echo "usage: $0 PROGRAM TESTCARD" >&2
    exit 2
fi
program="$1"
testcard="$2"
e2e_name=menu_step
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
need_tools xdotool xclip xwininfo xrandr convert
[ "${MENU_UNDER:-}" != valgrind ] || use_valgrind

# A folder to walk: the test card, the same as a 300 ppi scan, a file that is no picture and
# a plain green picture; and another green one, for the clipboard.
pictures="$e2e_scratch/pictures"
mkdir "$pictures"
cp "$testcard" "$pictures/1-card.bmp"
convert "$testcard" -density 300 -units PixelsPerInch "$pictures/2-scan.jpg"
echo "no picture" >"$pictures/3-broken.bmp"
convert -size 480x300 'xc:rgb(10,200,30)' "$pictures/4-last.gif"
convert -size 480x300 'xc:rgb(10,200,30)' "$e2e_scratch/green.png"
green="RGB(10, 200, 30)   #0AC81E"

# The monitor's size as RandR gives it, in pixels and millimetres, for the 显示器 basis.
read -r screen_px_x screen_mm_x screen_px_y screen_mm_y < <(xrandr --listmonitors |
    sed -n 's|.* \([0-9]*\)/\([0-9]*\)x\([0-9]*\)/\([0-9]*\)+.*|\1 \2 \3 \4|p' | head -n 1)
monitor_cm() { awk -v p="$1" -v mm="$2" -v n="$3" 'BEGIN { printf "%.2f", p * mm / n / 10 }'; }

# Chooses what inches are reckoned from; 校准 is off until a scale is set.
calibrated=0
basis() {
    local downs
    case "$1" in
    屏幕) downs=0 ;;
    文件) downs=1 ;;
    校准) downs=2 ;;
    显示器) downs=$((2 + calibrated)) ;;
    esac
    picture_menu 400 250
    menu_pick 英寸依据 "$downs"
}

# Picks a copying entry of the picture menu over an image pixel.
menu_copies() {
    clip_text untouched
    picture_menu "$1" "$2"
    menu_pick "$3"
    expect_clip "$4" "$3"
}

# Sets a scale in the dialog that 设定比例… opens: 96 pixels are 50.8 mm, so 48 ppi.
scale_dialog() {
    wait_window '^设定比例$' "$1"
    xdotool type --delay 20 50.8
    xdotool key Return
    wait_no_window '^设定比例$' "$1"
    still_running "$1"
    calibrated=1
}

# The list's two buttons, bottom left and bottom right.
list_button() {
    client_corner "$list"
    local x=$((50 * dpi / 96)) y=$((height - 23 * dpi / 96))
    [ "$1" = left ] || x=$((width - x))
    click_in "$list" "$x" "$y"
}

line="Δx 96  Δy 0  96.00 px  0.00°"

start_program "$pictures/1-card.bmp"
expect_caption 1-card.bmp "the picture named on the command line"
find_picture 1

# Space walks on at once: the picture has the keyboard as soon as it shows.
xdotool key space
expect_caption 2-scan.jpg "Space right after start"

# Inches by the 300 ppi the file records, by the monitor's size and by the screen's.
menu_off="清除全部测量 设定比例"
unit_list 1
basis 文件
readout_at 150 60
[[ "$clip" == "x = 0.50   y = 0.20 "* ]] || fail "the file's 300 ppi read '$clip'"
unit_list 2
basis 显示器
readout_at 200 299
expected="x = $(monitor_cm 200 "$screen_mm_x" "$screen_px_x")   y = $(monitor_cm 299 "$screen_mm_y" "$screen_px_y")"
[[ "$clip" == "$expected "* ]] || fail "the monitor's resolution read '$clip', expected '$expected'"
basis 屏幕
readout_at 200 299
[[ "$clip" == "x = $(centimetres 200)   y = $(centimetres 299) "* ]] || fail "the screen's read '$clip'"

# A scale from a line under the pointer, then the screen's again, then the scale again.
drag 1 20 100 116 100
menu_off=""
picture_menu 68 100
menu_pick 设定比例
scale_dialog 设定比例…
expect_copy "Δx 5.08  Δy 0.00  5.08 cm  0.00°"
menu_off="设定比例"
basis 屏幕
expect_copy "Δx $(centimetres 96)  Δy 0.00  $(centimetres 96) cm  0.00°"
basis 校准
expect_copy "Δx 5.08  Δy 0.00  5.08 cm  0.00°"
picture_menu 400 250
menu_pick 清除全部测量
menu_off="清除全部测量 设定比例"
copied
[[ "$clip" == "x = "* ]] || fail "清除全部测量 left a measurement: '$clip'"
unit_list 0

# A recent file; the scale went with the picture it was set on.
picture_menu 400 250
menu_pick 最近的文件 1
expect_caption 1-card.bmp "最近的文件"
calibrated=0

# The copying entries, over the red patch.
menu_copies 30 30 位置和颜色 "x = 30   y = 30     RGB(255, 0, 0)   #FF0000"
menu_copies 30 30 '#RRGGBB' "#FF0000"
menu_copies 30 30 rgb "rgb(255, 0, 0)"
menu_copies 30 30 hsl "hsl(0, 100%, 50%)"

# The loupe, and its own menu: the colour of the pixel it shows, in each notation.
picture_menu 30 30
menu_pick 放大镜
wait_window '^放大镜$' 显示放大镜
loupe="$found"
entry=1
for expected in "#FF0000" "rgb(255, 0, 0)" "hsl(0, 100%, 50%)"; do
    clip_text untouched
    client_corner "$loupe"
    menu_in "$loupe" $((width / 2)) $((height / 2))
    menu_keys "$entry" "" "the loupe's entry $entry"
    expect_clip "$expected" "the loupe's entry $entry"
    entry=$((entry + 1))
done
picture_menu 30 30
menu_pick 放大镜
wait_no_window '^放大镜$' "显示放大镜 again"

# The list: a row's menu sets a scale from its line; 另存为 CSV… writes the rows through its
# dialog; 全部清除 empties it, and then Ctrl+Shift+C says there is nothing to copy.
picture_menu 400 250
menu_pick 测量列表
wait_window '^测量$' 显示测量列表
list="$found"
to_viewer
drag 1 20 100 116 100
menu_in "$list" $((100 * dpi / 96)) $((45 * dpi / 96))
menu_keys 1 "" "the row's 设定比例…"
scale_dialog "the row's 设定比例…"
to_viewer
unit_list 1
expect_copy "Δx 2.00  Δy 0.00  2.00 in  0.00°"
unit_list 0
list_button right
wait_window '^另存为 CSV$' "另存为 CSV…"
timeout $((10 * slow)) xdotool windowactivate --sync "$found" >/dev/null 2>&1 || true
xdotool key ctrl+a
xdotool type --delay 10 "$e2e_scratch/list.csv"
xdotool key Return
wait_no_window '^另存为 CSV$' "a path typed and Return"
still_running "另存为 CSV…"
wait_until 5 test -s "$e2e_scratch/list.csv" || fail "另存为 CSV… wrote no file"
[ "$(sed -n 2p "$e2e_scratch/list.csv")" = $'1,线段,20,100,116,100,96,0,96.00,0.00,,px\r' ] ||
    fail "另存为 CSV… wrote: $(cat "$e2e_scratch/list.csv")"
list_button left
still_running 全部清除
to_viewer
viewport_middle
move "$mid_x" "$mid_y"
# Under valgrind the readout may take a while to follow the pointer.
readout_copied() {
    copied
    [[ "$clip" == "x = "* ]]
}
wait_until 5 readout_copied || fail "全部清除 left a measurement: '$clip'"
clip_text untouched
xdotool key ctrl+shift+c
wait_until 3 tooltip_shown || fail "Ctrl+Shift+C with nothing kept said nothing"
read_clip
[ -z "$clip" ] || fail "Ctrl+Shift+C with nothing kept put '$clip' on the clipboard"
picture_menu 400 250
menu_pick 测量列表
wait_no_window '^测量$' "显示测量列表 again"

# 粘贴 shows the clipboard's picture, named 剪贴板; it is no recent file, and there is no
# file to read again.
clip_png "$e2e_scratch/green.png"
picture_menu 400 250
menu_pick 粘贴
expect_caption 剪贴板 粘贴
readout_at 100 100
[ "$clip" = "x = 100   y = 100     $green" ] || fail "粘贴 shows '$clip' at 100, 100"
menu_off="清除全部测量 设定比例 重新载入"
picture_menu 400 250
menu_pick 最近的文件 0
expect_caption 1-card.bmp "the first recent file after 粘贴"

# Ctrl+O: the Open dialog, a path typed and Return.
xdotool key ctrl+o
wait_window '^打开$' Ctrl+O
timeout $((10 * slow)) xdotool windowactivate --sync "$found" >/dev/null 2>&1 || true
xdotool type --delay 10 "$pictures/4-last.gif"
xdotool key Return
expect_caption 4-last.gif "a path typed into the Open dialog"
still_running "the Open dialog"

# 重新载入 keeps the measurements.
menu_off="设定比例"
drag 1 20 100 116 100
picture_menu 400 250
menu_pick 重新载入
expect_caption 4-last.gif 重新载入
expect_copy "$line"

[ "${e2e_under:-}" != valgrind ] || { stop_program; echo "menu_step: passed under valgrind at $dpi ppi"; exit 0; }

# The walk through the folder, past the file that is no picture and back.
walk_to_broken() {
    xdotool key "$1"
    wait_window '^Quarnet$' "$1 onto the file that is no picture"
    xdotool key Escape
    wait_no_window '^Quarnet$' "Escape on the load error"
    expect_caption '3-broken.bmp*' "$1 onto the file that is no picture"
}
walk_to_broken BackSpace
xdotool key BackSpace
expect_caption 2-scan.jpg "Backspace past the file that is no picture"
walk_to_broken space
xdotool key space
expect_caption 4-last.gif "Space past the file that is no picture"
walk_to_broken BackSpace
xdotool key BackSpace
expect_caption 2-scan.jpg "Backspace past the file that is no picture again"
xdotool key BackSpace
expect_caption 1-card.bmp "Backspace back to the first"

# Measuring: a line, a box, a point and an angle; a click selects, Delete removes the
# selected, Ctrl+Shift+C copies all as a table, Esc removes the last.
drag 1 20 100 116 100
expect_copy "$line"
drag 1 140 90 177 127 ctrl
expect_copy "宽 38  高 38  面积 1444 px²"
point_of 30 30
move "$at_x" "$at_y"
xdotool keydown ctrl click 1 keyup ctrl
pause 0.2
expect_copy "x = 30   y = 30   #FF0000"
drag 1 116 100 116 200
expect_copy "角 90.00°  边长 100.00 px"
point_of 30 30
move "$at_x" "$at_y"
xdotool click 1
pause 0.2
expect_copy "x = 30   y = 30   #FF0000"
xdotool key Delete
pause 0.2
expect_copy "角 90.00°  边长 100.00 px"
clip_text untouched
xdotool key ctrl+shift+c
pause 0.2
read_clip
[ "$(printf '%s\n' "$clip" | wc -l)" = 4 ] && [[ "$clip" == 编号* ]] ||
    fail "Ctrl+Shift+C copied: $clip"
xdotool key Escape
pause 0.2
expect_copy "宽 38  高 38  面积 1444 px²"

# M and L show and hide the tool windows; + and − change the loupe's size.
xdotool key m
wait_window '^测量$' M
xdotool key m
wait_no_window '^测量$' "M again"
xdotool key l
wait_window '^放大镜$' L
client_corner "$found"
loupe_height="$height"
xdotool key plus
pause 0.3
client_corner "$found"
[ "$height" -gt "$loupe_height" ] || fail "+ did not enlarge the loupe ($loupe_height to $height high)"
xdotool key minus
pause 0.3
client_corner "$found"
[ "$height" = "$loupe_height" ] || fail "− did not make the loupe smaller again ($height high, not $loupe_height)"

# The tool windows stay above the viewer when it is maximised and back: a double click on
# its title bar, as openbox has it, tried three times at most.
title_double_click() {
    local _
    for _ in 1 2 3; do
        client_corner "$win"
        move_to_screen $((corner_x + 200)) $((corner_y - 8))
        xdotool click --repeat 2 --delay 80 1
        if wait_until 2 "$@"; then return 0; fi
    done
    return 1
}
maximised() { client_corner "$win"; [ "$width" -gt 1000 ]; }
not_maximised() { ! maximised; }
loupe_above() {
    [[ "$(xprop -root _NET_CLIENT_LIST_STACKING)" == *"$(printf '0x%x' "$win")"*"$(printf '0x%x' "$found")"* ]]
}
title_double_click maximised || fail "the viewer did not maximise"
wait_until 3 loupe_above || fail "the loupe fell behind the maximised viewer"
title_double_click not_maximised || fail "the viewer did not come back from maximised"
wait_until 3 loupe_above || fail "the loupe fell behind the viewer after maximising"
xdotool key l
wait_no_window '^放大镜$' "L again"
to_viewer
client_corner "$win"
left="$corner_x" top="$corner_y"

# Scrolling at factor 2: the wheel, with Shift and sideways, Page Down and Up, the arrows
# once the picture has been clicked; Ctrl + arrows move the pointer.
xdotool key Escape Escape
factor_list 1
find_picture 2
viewport_middle
scrolled() {
    local x="$px_x" y="$px_y"
    "$@"
    pause 0.3
    pixel_at "$mid_x" "$mid_y"
    echo "$*: $((px_x - x)), $((px_y - y))"
    moved_x=$((px_x - x)) moved_y=$((px_y - y))
}
move "$mid_x" "$mid_y"
xdotool click 1
pixel_at "$mid_x" "$mid_y"
scrolled xdotool key Next
[ "$moved_x" = 0 ] && [ "$moved_y" -gt 50 ] || fail "Page Down scrolled $moved_x, $moved_y"
page="$moved_y"
scrolled xdotool key Prior
[ "$moved_x,$moved_y" = "0,-$page" ] || fail "Page Up scrolled $moved_x, $moved_y"
scrolled xdotool click 5
[ "$moved_x,$moved_y" = 0,30 ] || fail "a notch of the wheel scrolled $moved_x, $moved_y"
scrolled xdotool keydown shift click 5 keyup shift
[ "$moved_x,$moved_y" = 30,0 ] || fail "Shift + wheel scrolled $moved_x, $moved_y"
scrolled xdotool click 7
[ "$moved_x,$moved_y" = 30,0 ] || fail "the sideways wheel scrolled $moved_x, $moved_y"
scrolled xdotool key Right Right Down Down
[ "$moved_x,$moved_y" = 1,1 ] || fail "two Right and two Down scrolled $moved_x, $moved_y"
xdotool key ctrl+Right ctrl+shift+Down
pause 0.3
x="$px_x" y="$px_y"
copied
[[ "$clip" == "x = $((x + 1))   y = $((y + 10)) "* ]] ||
    fail "Ctrl+Right and Ctrl+Shift+Down from $x, $y took the pointer to '$clip'"
factor_list 0
find_picture 1

# Ctrl+V: a picture's data shows named 剪贴板, a copied file with its own name; F5 on a file
# that has gone keeps the picture and its measurements, and the caption says it has gone.
clip_png "$e2e_scratch/green.png"
xdotool key ctrl+v
expect_caption 剪贴板 Ctrl+V
cp "$testcard" "$e2e_scratch/gone.bmp"
clip_file "$e2e_scratch/gone.bmp"
xdotool key ctrl+v
expect_caption gone.bmp "Ctrl+V with a copied file"
drag 1 20 100 116 100
rm "$e2e_scratch/gone.bmp"
xdotool key F5
pause 0.5
expect_caption '*文件已不在*' "F5 on a file that has gone"
still_running F5
expect_copy "$line"
xdotool key Escape
readout_at 30 30
[[ "$clip" == *"RGB(255, 0, 0)   #FF0000" ]] || fail "F5 on a file that has gone left '$clip' at 30, 30"

stop_program
echo "menu_step: passed at $dpi ppi"
