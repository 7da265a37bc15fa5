#!/usr/bin/env bash
# shellcheck disable=SC2034 # the rows below use these, through eval
# Usage: run_under_xvfb DPI menu_step.sh PROGRAM TESTCARD
#
# Every entry of the picture's, the loupe's and the list's row menu, the list's buttons and
# their dialogs, picked as a person does (a right click, Down, Right, Return), and every key
# of the README's table; after each the program must still run and the entry must have done
# what it says. An entry that frees its menu while the menu still handles its events crashes
# here, if not at once then under glibc's heap checks; MENU_UNDER=valgrind runs the menu,
# button and dialog rows under valgrind memcheck, which sees the invalid writes themselves.
set -euo pipefail
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_begin menu_step "$@"
[ "${MENU_UNDER:-}" != valgrind ] || use_valgrind

pictures="$e2e_scratch/pictures" csv="$e2e_scratch/list.csv" gone_file="$e2e_scratch/gone.bmp"
make_folder "$pictures"
convert -size 480x300 'xc:rgb(10,200,30)' "$e2e_scratch/green.png"
# A line's figures end with the contrast between its end pixels, which the JPEG's colours
# change: measure_step checks its figures on the card.
orange_on_grey="  对比度 *"
line="Δx 96  Δy 0  96.00 px  0.00°$orange_on_grey" scale="Δx 5.08  Δy 0.00  5.08 cm  0.00°$orange_on_grey"
# The readout at image pixel 200, 299 in centimetres by the monitor's size that RandR gives.
monitor_xy="$(xrandr --listmonitors | sed -n 's|.* \([0-9]*\)/\([0-9]*\)x\([0-9]*\)/\([0-9]*\)+.*|\1 \2 \3 \4|p' |
    awk 'NR == 1 { printf "x = %.2f   y = %.2f", 200 * $2 / $1 / 10, 299 * $4 / $3 / 10 }')"

# The picture menu's entries in order, by a word of each, and those greyed now, which the
# keys pass over: 清除全部测量 with nothing kept, 设定比例 off a line, 重新载入 for a pasted
# picture; 英寸依据's 校准 until a scale is set.
entries=(位置和颜色 '#RRGGBB' rgb hsl 放大镜 测量列表 清除全部测量 英寸依据 设定比例 粘贴 重新载入
    截取屏幕 截取 截屏延时 另存为 最近的文件 对比图像 间距 清除参考线 导出 复制 裁剪到此框)
off="" calibrated=0
# A pattern to tile over the root window, and the whole screen it makes there, for a capture
# of the screen to match pixel for pixel.
convert -size 16x16 xc:white -fill black -draw 'rectangle 0,0 6,6' -draw 'rectangle 9,7 15,12' "$e2e_scratch/tile.xbm"
convert -size "$(xwininfo -root | awk '/^ *Width:/ {w = $NF} /^ *Height:/ {h = $NF} END {print w "x" h}')" \
    tile:"$e2e_scratch/tile.xbm" -colorspace sRGB -type TrueColor \
    -fill '#123456' -opaque black -fill '#e0d0c0' -opaque white "$e2e_scratch/tiled.png"

# menu_at X Y DOWNS [SUBMENU_DOWNS]: right-clicks a point on the screen and picks with the
# keys; the menu must then close.
menu_at() {
    open_menu "$1" "$2" 5 || fail "no menu opened"
    menu_keys "$3" "${4:-}"
    wait_until 5 no_menu || fail "the menu stayed open"
    pause 0.3
}
# menu X Y ENTRY [SUBMENU_DOWNS]: the picture's menu at image pixel X, Y.
menu() {
    local e downs=1
    for e in "${entries[@]}"; do
        [ "$e" != "$3" ] || break
        [[ " $off " == *" $e "* ]] || downs=$((downs + 1))
    done
    [ "$e" = "$3" ] || fail "no menu entry '$3'"
    point_of "$1" "$2"
    menu_at $((left + at_x)) $((top + at_y)) "$downs" "${4:-}"
}
basis() {
    local downs
    case "$1" in 屏幕) downs=0 ;; 文件) downs=1 ;; 校准) downs=2 ;; 显示器) downs=$((2 + calibrated)) ;; esac
    menu 400 250 英寸依据 "$downs"
}
# tool_menu TITLE DOWNS: the loupe's menu, or a list row's.
tool_menu() { shown "$1" && tool_menu_point "$found" && menu_at "$menu_x" "$menu_y" "$2" || fail "no '$1'"; }
# 96 pixels are 50.8 mm: 48 ppi.
set_scale() { type_into '^设定比例$' 50.8 && gone '^设定比例$' && calibrated=1; }
click_pixel() {
    point_of "$1" "$2"
    move "$at_x" "$at_y"
    if [ -n "${3:-}" ]; then xdotool keydown "$3" click 1 keyup "$3"; else xdotool click 1; fi
    pause 0.2
}
# Scrolls; then the pixel at the viewport's middle has moved by $moved ("x,y").
scroll() {
    local x="$px_x" y="$px_y"
    "$@"
    pause 0.3
    pixel_at "$mid_x" "$mid_y"
    moved="$((px_x - x)),$((px_y - y))"
}
# Double-clicks the title bar until the viewer is (not) maximised, three times at most. Each
# double click is given time to take effect: one taken late and clicked again undoes itself.
title_until() {
    local _
    for _ in 1 2 3; do double_click_title && wait_until 6 "$1" && return 0; done
    fail "the viewer did not become $1"
}
maximised() { client_corner "$win" && [ "$width" -gt 1000 ]; }
not_maximised() { ! maximised; }

# Checks, each failing with what it found.
# shellcheck disable=SC2053 # the patterns are globs
caption_is() { [[ "$(xdotool getwindowname "$win" 2>/dev/null)" == *" — "$1 ]]; }
caption() { wait_until 5 caption_is "$1" || fail "the caption is '$(xdotool getwindowname "$win")', not '… — $1'"; }
# The readout over an image pixel at factor 1; under valgrind it may take a while to follow.
readout() { point_of "$1" "$2" && move "$at_x" "$at_y" && pause 0.1 && copy "$3"; }
# shellcheck disable=SC2053
copied_like() { copied && [[ "$clip" == $1 ]]; }
copy_soon() { wait_until 5 copied_like "$1" || fail "Ctrl+C copied '$clip', expected '$1'"; }
said_nothing() { wait_until 3 unframed tooltip || fail "nothing said"; clip ''; }
table_of() { clip '编号*' && [ "$(printf '%s\n' "$clip" | wc -l)" = "$1" ] || fail "copied: $clip"; }
csv_line() {
    wait_until 5 test -s "$csv" || fail "no file written"
    [ "$(sed -n "$1p" "$csv")" = "$2"$'\r' ] || fail "wrote: $(cat "$csv")"
}
# exported FILE: a PNG of the card's size whose pixels away from the marks are the card's.
exported() {
    wait_until 5 test -s "$1" || fail "no $1 written"
    [ "$(identify -format %wx%h "$1")" = 480x300 ] || fail "$1 is $(identify -format %wx%h "$1")"
    convert "$1" -crop 200x120+260+160 "$1.part.png"
    convert "$testcard" -crop 200x120+260+160 "$e2e_scratch/card.part.png"
    same_pixels "$1.part.png" "$e2e_scratch/card.part.png"
}
clip_png_out() { timeout $((5 * slow)) xclip -o -selection clipboard -t image/png >"$1" 2>/dev/null || fail "no PNG on the clipboard"; }
load_error() { shown '^Quarnet$' && key Escape && gone '^Quarnet$'; }
no_note() { ! unframed tooltip; }
viewer_back() { wait_until 10 main_window_shown || fail "the viewer did not come back"; }
same_pixels() {
    local differ
    differ="$(compare -metric AE "$1" "$2" null: 2>&1)" || true
    [ "$differ" = 0 ] || fail "$1 and $2 differ in $differ pixels"
}
loupe_size() { find_window '^放大镜$' && client_corner "$found"; }
moved() { [ "$moved" = "$1" ] || fail "scrolled $moved, expected $1"; }
loupe_above() {
    find_window '^放大镜$' &&
        [[ "$(xprop -root _NET_CLIENT_LIST_STACKING)" == *"$(printf '0x%x' "$win")"*"$(printf '0x%x' "$found")"* ]]
}

# Rows of what to do, then after " | " what must follow, both run as shell words, the
# program still running in between; each row shows as it runs and in any failure.
run_rows() {
    local row rows
    mapfile -t rows
    for row in "${rows[@]}"; do
        [[ ! "$row" =~ ^[[:space:]]*(#|$) ]] || continue
        step="$row"
        echo "step: $row"
        clip_text untouched
        eval "${row%% | *}"
        still_running "$row"
        [[ "$row" != *" | "* ]] || eval "${row#* | }"
    done
    step=""
}

start_program "$pictures/1-card.bmp"
caption 1-card.bmp
find_picture 1

run_rows <<'ROWS'
# Space walks on at once: the picture has the keyboard as soon as it shows.
key space                                         | caption 2-scan.jpg
# Inches by the 300 ppi the file records (the menu crashed here once), the monitor's, the screen's.
off='清除全部测量 设定比例'; unit_list 1; basis 文件 | readout 150 60 'x = 0.50   y = 0.20 *'
unit_list 2; basis 显示器                         | readout 200 299 "$monitor_xy *"
basis 屏幕                                        | readout 200 299 "x = $(centimetres 200)   y = $(centimetres 299) *"
# A scale from a line under the pointer; the screen's again, then the scale again.
drag 1 20 100 116 100; off=''; menu 68 100 设定比例 | set_scale; copy "$scale"
off=设定比例; basis 屏幕                          | copy "Δx $(centimetres 96)  Δy 0.00  $(centimetres 96) cm  0.00°$orange_on_grey"
basis 校准                                        | copy "$scale"
menu 400 250 清除全部测量                         | copy 'x = *'
# A recent file (the walk to the scan made it none); the scale stayed with the scan.
off='清除全部测量 设定比例'; unit_list 0; menu 400 250 最近的文件 0; calibrated=0 | caption 1-card.bmp
# The copying entries, over the red patch.
menu 30 30 位置和颜色                             | clip 'x = 30   y = 30     RGB(255, 0, 0)   #FF0000'
menu 30 30 '#RRGGBB'                              | clip '#FF0000'
menu 30 30 rgb                                    | clip 'rgb(255, 0, 0)'
menu 30 30 hsl                                    | clip 'hsl(0, 100%, 50%)'
# A guide pulled from the ruler along the top onto row 60 copies as a row of its own; a
# double click on it types its place; the menu clears it, and then there is nothing to copy.
drag_points 200 $((origin_y - 8)) 200 $((origin_y + 60)) ''; key ctrl+shift+c | clip '编号*参考线*60*px*'
move 300 $((origin_y + 60)); xdotool click --repeat 2 --delay 80 1; type_into '^参考线$' 90 | gone '^参考线$'; key ctrl+shift+c; clip '编号*参考线*90*px*'
menu 400 250 清除参考线; key ctrl+shift+c          | said_nothing
# 对比图像…: another picture laid over this one and the tool window 对比; D shows their
# difference, and Esc there ends the comparison.
menu 400 250 对比图像; type_into '^对比图像$' "$pictures/2-scan.jpg" | shown '^对比$'
key d; activate "$found"; key Escape              | gone '^对比$'; to_viewer
# 间距: a click keeps the span found round the pointer, the red patch, as a box; the entry
# again ends the mode, and a drag measures once more.
menu 30 30 间距; click_pixel 30 30                | copy '宽 40  高 40  面积 1600 px²'
off=设定比例; menu 30 30 间距; drag 1 20 100 116 100 | copy "$line"
key Escape Escape; off='清除全部测量 设定比例'       | copy 'x = *'
# Ctrl+Z brings back the box the last Esc removed, Ctrl+Shift+Z takes it away again.
key ctrl+z                                        | copy '宽 40  高 40  面积 1600 px²'
key ctrl+shift+z                                  | copy 'x = *'
# The picture with its measurements drawn on it, at its own size, as a file and copied; the
# card's pixels away from the marks are its own.
drag 1 20 100 116 100; off='设定比例 清除参考线'; menu 400 250 导出; type_into '^导出带测量的图像$' "$e2e_scratch/found.png" | exported "$e2e_scratch/found.png"
menu 400 250 复制                                 | clip_png_out "$e2e_scratch/copied.png"; exported "$e2e_scratch/copied.png"
key Escape; off='清除全部测量 设定比例'             | copy 'x = *'
# The loupe, and its own menu: the colour of the pixel it shows, in each notation.
menu 30 30 放大镜                                 | shown '^放大镜$'
tool_menu '^放大镜$' 1                            | clip '#FF0000'
tool_menu '^放大镜$' 2                            | clip 'rgb(255, 0, 0)'
tool_menu '^放大镜$' 3                            | clip 'hsl(0, 100%, 50%)'
menu 30 30 放大镜                                 | gone '^放大镜$'
# The list: a row's menu sets a scale from its line, 另存为 CSV… writes the rows, 全部清除
# empties it, and then Ctrl+Shift+C says there is nothing to copy.
menu 400 250 测量列表                             | shown '^测量$'
to_viewer; drag 1 20 100 116 100; tool_menu '^测量$' 1 | set_scale
to_viewer; unit_list 1                            | copy "Δx 2.00  Δy 0.00  2.00 in  0.00°$orange_on_grey"
unit_list 0; list_button right; type_into '^另存为 CSV$' "$csv" | gone '^另存为 CSV$'; csv_line 2 '1,线段,20,100,116,100,96,0,96.00,0.00,,px,3.07:1 AA 大字'
list_button left; to_viewer; move "$mid_x" "$mid_y" | copy_soon 'x = *'
key ctrl+shift+c                                  | said_nothing
menu 400 250 测量列表                             | gone '^测量$'
# 裁剪到此框, in the menu while a box is selected: its pixels alone, both corners included.
drag 1 21 21 57 56 ctrl; click_pixel 21 30        | copy '宽 37  高 36  面积 1332 px²'
off='设定比例 清除参考线'; menu 21 30 裁剪到此框   | caption '1-card 的裁剪 1'; find_picture 1; readout 0 0 'x = 0   y = 0     RGB(255, 0, 0)*'; readout 36 35 'x = 36   y = 35     RGB(255, 0, 0)*'
# Ctrl+Alt+A: the viewer steps aside and comes back showing the screen, the pattern tiled
# over it with none of the viewer in it; Ctrl+S keeps it as PNG, pixel for pixel.
xsetroot -bitmap "$e2e_scratch/tile.xbm" -fg '#123456' -bg '#e0d0c0'; key ctrl+alt+a | caption '屏幕截图 [0-9][0-9]:[0-9][0-9]:[0-9][0-9]'; viewer_back; find_picture 1
key ctrl+s; type_into '^另存为$' "$e2e_scratch/screen.png" | caption screen.png; same_pixels "$e2e_scratch/screen.png" "$e2e_scratch/tiled.png"
# 截取… asks the desktop, which has no portal here: the viewer comes back as it was, saying why.
off='清除全部测量 设定比例'; menu 400 250 截取       | viewer_back; wait_until 5 unframed tooltip || fail "no note said why"; caption screen.png; wait_until 8 no_note
# 3 seconds' delay, the caption counting down; kept as well, then no delay again.
menu 400 250 截屏延时 1; key ctrl+alt+a           | caption '[123] 秒后截屏'; wait_until 10 caption_is '屏幕截图 *' || fail "no capture after the delay"; viewer_back
key ctrl+s; type_into '^另存为$' "$e2e_scratch/later.png" | caption later.png
# The box kept on the card before the crop is back with it; Esc removes it again.
menu 400 250 截屏延时 0; menu 400 250 最近的文件 2 | caption 1-card.bmp; key ctrl+shift+c; table_of 2
key Escape                                        | find_picture 1
# 粘贴 shows the clipboard's picture as 剪贴板: no recent file, nothing to read again.
clip_png "$e2e_scratch/green.png"; menu 400 250 粘贴 | caption 剪贴板; readout 100 100 'x = 100   y = 100     RGB(10, 200, 30)   #0AC81E'
off='清除全部测量 设定比例 重新载入'; menu 400 250 最近的文件 0 | caption 1-card.bmp
# Ctrl+O: the Open dialog, a path typed and Return.
key ctrl+o; type_into '^打开$' "$pictures/4-last.gif" | gone '^打开$'; caption 4-last.gif
# 重新载入 keeps the measurements.
off=设定比例; drag 1 20 100 116 100; menu 400 250 重新载入 | caption 4-last.gif; copy "Δx 96  Δy 0  96.00 px  0.00°  对比度 *"
ROWS

[ -z "$valgrind_log" ] || { stop_program && echo "menu_step: passed under valgrind at $dpi ppi" && exit 0; }

run_rows <<'ROWS'
# The walk through the folder goes past the file that is no picture, both ways.
key BackSpace; load_error                         | caption '3-broken.bmp*'
key BackSpace                                     | caption 2-scan.jpg
key space; load_error                             | caption '3-broken.bmp*'
key space                                         | caption 4-last.gif
key BackSpace; load_error                         | caption '3-broken.bmp*'
key BackSpace                                     | caption 2-scan.jpg
key BackSpace                                     | caption 1-card.bmp
# Measuring: a line, a box, a point and an angle; a click selects, Delete removes the
# selected, Ctrl+Shift+C copies all as a table, Esc removes the last.
drag 1 20 100 116 100                             | copy "$line"
drag 1 140 90 177 127 ctrl                        | copy '宽 38  高 38  面积 1444 px²'
click_pixel 30 30 ctrl                            | copy 'x = 30   y = 30   #FF0000'
drag 1 116 100 116 200                            | copy '角 90.00°  边长 100.00 px'
click_pixel 30 30                                 | copy 'x = 30   y = 30   #FF0000'
key Delete                                        | copy '角 90.00°  边长 100.00 px'
key ctrl+shift+c                                  | table_of 4
key Escape                                        | copy '宽 38  高 38  面积 1444 px²'
# M and L show and hide the tool windows; + and − change the loupe's size.
key m                                             | shown '^测量$'
key m                                             | gone '^测量$'
key l                                             | shown '^放大镜$'; loupe_size; small="$height"
key plus                                          | loupe_size; ((height > small)) || fail "the loupe is $height high, was $small"
key minus                                         | loupe_size; ((height == small)) || fail "the loupe is $height high, not $small"
# The tool windows stay above the viewer when it is maximised and back.
title_until maximised                             | wait_until 3 loupe_above || fail "the loupe fell behind the viewer"
title_until not_maximised                         | wait_until 3 loupe_above || fail "the loupe fell behind the viewer"
key l                                             | gone '^放大镜$'
# At factor 2, measurements gone: the wheel, with Shift and sideways, the pages, the arrows
# once the picture has been clicked (a screen pixel each, so half an image pixel); Ctrl +
# arrows move the pointer an image pixel, with Shift ten.
to_viewer; client_corner "$win"; left="$corner_x" top="$corner_y"; key Escape Escape
factor_list 1; find_picture 2; move "$mid_x" "$mid_y"; xdotool click 1; pixel_at "$mid_x" "$mid_y"
scroll key Next                                   | page="${moved#0,}"; moved "0,$page"; ((page > 50)) || fail "Page Down scrolled $moved"
scroll key Prior                                  | moved "0,-$page"
scroll xdotool click 5                            | moved 0,30
scroll xdotool keydown shift click 5 keyup shift  | moved 30,0
scroll xdotool click 7                            | moved 30,0
scroll key Right Right Right Right Left Left Down Down Down Down Up Up | moved 1,1
key ctrl+Right ctrl+Right ctrl+Left ctrl+Up ctrl+Down ctrl+Down | copy "x = $((px_x + 1))   y = $((px_y + 1)) *"
key ctrl+shift+Down ctrl+shift+Up ctrl+shift+Right ctrl+shift+Left ctrl+shift+Down | copy "x = $((px_x + 1))   y = $((px_y + 11)) *"
factor_list 0; find_picture 1
# Ctrl+V: picture data shows as 剪贴板, a copied file by its name; F5 on a file that has
# gone keeps the picture and its measurements, and the caption says so.
clip_png "$e2e_scratch/green.png"; key ctrl+v     | caption 剪贴板
cp "$testcard" "$gone_file"; clip_file "$gone_file"; key ctrl+v | caption gone.bmp
drag 1 20 100 116 100; rm "$gone_file"; key F5    | caption '*文件已不在*'; copy "$line"
key Escape                                        | readout 30 30 '*RGB(255, 0, 0)   #FF0000'
ROWS

stop_program
echo "menu_step: passed at $dpi ppi"
