#!/usr/bin/env bash
# Usage: run_under_xvfb DPI soak.sh PROGRAM TESTCARD
#
# A seeded random soak of the real program, as a restless person would use it: a few hundred
# actions drawn from the README's table (keys, the picture's and the tool windows' menus,
# drags with and without Ctrl or Shift, clicks, the wheel, the lists, resizing, pasting, the
# walk through a folder with a broken and a cut-short file in it, files changing on disk).
# Dialogs that come up (Open, the load error, 设定比例…, 另存为 CSV…) are answered or closed.
# Fails when the program ends (a crash, or glibc's heap checks aborting it), when it stops
# answering (L no longer shows or hides the loupe within 10 seconds) or when a dialog will
# not close. SOAK_SECONDS (default 100) bounds the time, SOAK_ACTIONS (default 400) the
# actions; SOAK_SEED replays a run, whose seed is printed first. SOAK_UNDER=valgrind runs
# it under valgrind memcheck, failing on any invalid read or write. Exits 77 (skipped) when
# a tool is missing.
set -euo pipefail

if [ $# -lt 2 ]; then
    echo "usage: $0 PROGRAM TESTCARD" >&2
    exit 2
fi
program="$1"
testcard="$2"
e2e_name=soak
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
need_tools xdotool xclip xwininfo convert
[ "${SOAK_UNDER:-}" != valgrind ] || use_valgrind

seed="${SOAK_SEED:-$(((RANDOM << 15 | RANDOM) ^ $$))}"
echo "soak: seed $seed (SOAK_SEED=$seed replays it)"
RANDOM="$seed"
seconds="${SOAK_SECONDS:-100}"
most="${SOAK_ACTIONS:-400}"

# The folder to walk, and the originals that the changes on disk are copied from.
pictures="$e2e_scratch/pictures"
originals="$e2e_scratch/originals"
mkdir "$pictures" "$originals"
cp "$testcard" "$originals/1-card.bmp"
convert "$testcard" -density 300 -units PixelsPerInch "$originals/2-scan.jpg"
echo "no picture" >"$originals/3-broken.bmp"
convert -size 37x23 'xc:rgb(10,200,30)' "$originals/4-small.gif"
convert -size 1600x900 gradient:red-blue "$originals/5-large.png"
head -c 20000 "$originals/2-scan.jpg" >"$originals/6-cut.jpg"
cp "$originals"/* "$pictures"
names=(1-card.bmp 2-scan.jpg 3-broken.bmp 4-small.gif 5-large.png 6-cut.jpg)
any_picture() { picture="$pictures/${names[RANDOM % ${#names[@]}]}"; }

keys=(Escape Delete ctrl+c ctrl+shift+c m l plus minus space BackSpace space BackSpace F5 ctrl+v
    ctrl+Left ctrl+Right ctrl+Up ctrl+Down ctrl+shift+Left ctrl+shift+Right ctrl+shift+Up
    ctrl+shift+Down Left Right Up Down Next Prior ctrl+o)
# Drawn from with the weights that repetition gives.
actions=(key key key key key key walk walk move move drag drag box point click wheel wheel
    side_wheel menu menu menu menu tool_menu list_button unit factor resize paste disk open
    maximise)

# A point in the viewer's client area, most likely over the picture, into $rx and $ry.
any_point() {
    client_corner "$win"
    left="$corner_x" top="$corner_y"
    rx=$((30 * dpi / 96 + RANDOM % (width - 60 * dpi / 96)))
    ry=$((72 * dpi / 96 + RANDOM % (height - 120 * dpi / 96)))
}

drag_across() {
    local ax ay i
    any_point
    ax="$rx" ay="$ry"
    any_point
    move "$ax" "$ay"
    [ -z "${1:-}" ] || xdotool keydown "$1"
    xdotool mousedown 1
    for i in 1 2 3; do move $((ax + (rx - ax) * i / 3)) $((ay + (ry - ay) * i / 3)); done
    xdotool mouseup 1
    [ -z "${1:-}" ] || xdotool keyup "$1"
}

# Right-clicks at a window's client point; when a menu opens, goes down it and maybe into a
# submenu, then picks or leaves it.
menu_walk() {
    move_to_screen "$1" "$2"
    xdotool click 3
    wait_until 0.4 menu_shown || return 0
    local i downs=$((1 + RANDOM % 14)) more=$((RANDOM % 5))
    for ((i = 0; i < downs; i++)); do xdotool key Down; done
    if ((RANDOM % 3 == 0)); then
        xdotool key Right
        for ((i = 0; i < more; i++)); do xdotool key Down; done
    fi
    if ((RANDOM % 8 == 0)); then xdotool key Escape Escape; else xdotool key Return; fi
    did="$did, $downs down"
    # Return on a submenu's entry opens the submenu.
    close_menus
}

close_menus() {
    local _
    for _ in 1 2 3 4; do
        wait_until 0.2 no_menu && return 0
        xdotool key Escape
    done
}

# The program's dialogs showing now, in $dialogs.
find_dialogs() {
    local w
    dialogs=()
    for w in $(xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null); do
        if xprop -id "$w" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q _NET_WM_WINDOW_TYPE_DIALOG; then
            dialogs+=("$w")
        fi
    done
}

# Answers or closes every dialog: 设定比例 sometimes with a length, the others with Escape,
# each in turn (one may wait behind another's message). A dialog that is still there after
# 10 seconds of that fails the soak.
close_dialogs() {
    local tries name dialog
    for ((tries = 0; tries < 20 * slow; tries++)); do
        find_dialogs
        [ "${#dialogs[@]}" -gt 0 ] || return 0
        dialog="${dialogs[tries % ${#dialogs[@]}]}"
        name="$(xdotool getwindowname "$dialog" 2>/dev/null || true)"
        xdotool windowactivate "$dialog" 2>/dev/null || true
        pause 0.2
        if [ "$name" = 设定比例 ] && ((RANDOM % 2)); then
            xdotool type --delay 10 "$((RANDOM % 200 - 20))"
            xdotool key Return
        else
            xdotool key Escape
        fi
        pause 0.3
        still_running "closing the dialog '$name'"
    done
    fail "the dialog '$name' would not close (action $n: $did)"
}

# Whether the loupe shows.
loupe_shown() { find_window '^放大镜$'; }

# The program answers: with menus and dialogs closed and the viewer active, L shows or hides
# the loupe within 10 seconds. (L is asked again every 3 seconds: the window ignores keys
# while it is busy with an update.)
answers() {
    local was=0 now i
    close_menus
    close_dialogs
    to_viewer
    loupe_shown && was=1
    for ((i = 0; i < 200 * slow; i++)); do
        ((i % (60 * slow))) || xdotool key l
        sleep 0.05
        now=0
        loupe_shown && now=1
        [ "$now" = "$was" ] || return 0
    done
    fail "the program stopped answering: L did not show or hide the loupe in $((10 * slow)) seconds (after action $n: $did)"
}

# The keyboard to the viewer for what follows; a dialog that came up meanwhile (a file that
# changed on disk and no longer reads) is closed first.
focus_viewer() {
    close_dialogs
    [ "$(xdotool getactivewindow 2>/dev/null)" = "$win" ] ||
        timeout $((5 * slow)) xdotool windowactivate --sync "$win" >/dev/null 2>&1 || true
}

one_action() {
    local action="${actions[RANDOM % ${#actions[@]}]}" k x y w h
    did="$action"
    case "$action" in
    key)
        ((RANDOM % 4 == 0)) || focus_viewer
        k="${keys[RANDOM % ${#keys[@]}]}"
        did="key $k"
        xdotool key --clearmodifiers "$k"
        ;;
    walk)
        k=space
        ((RANDOM % 3)) || k=BackSpace
        did="key $k"
        focus_viewer
        xdotool key "$k"
        ;;
    move)
        any_point
        move "$rx" "$ry"
        ;;
    drag)
        k=""
        ((RANDOM % 4)) || k="shift"
        drag_across "$k"
        ;;
    box) drag_across ctrl ;;
    point | click)
        any_point
        move "$rx" "$ry"
        if [ "$action" = point ]; then xdotool keydown ctrl click 1 keyup ctrl; else xdotool click 1; fi
        ;;
    wheel | side_wheel)
        any_point
        move "$rx" "$ry"
        k=$((4 + RANDOM % 2))
        [ "$action" = wheel ] || k=$((6 + RANDOM % 2))
        if ((RANDOM % 3 == 0)); then xdotool keydown shift click "$k" keyup shift; else xdotool click "$k"; fi
        ;;
    menu)
        any_point
        menu_walk $((left + rx)) $((top + ry))
        ;;
    tool_menu)
        # The loupe's menu, or a row's in the list.
        for k in '^放大镜$' '^测量$'; do
            if find_window "$k" && ((RANDOM % 2)); then
                client_corner "$found"
                menu_walk $((corner_x + width / 2)) $((corner_y + 45 * dpi / 96))
                break
            fi
        done
        ;;
    list_button)
        if find_window '^测量$'; then
            client_corner "$found"
            x=$((50 * dpi / 96))
            ((RANDOM % 2)) || x=$((width - x))
            click_in "$found" "$x" $((height - 23 * dpi / 96))
            if ((x > width / 2)) && wait_until 2 find_window '^另存为 CSV$' && ((RANDOM % 2)); then
                xdotool windowactivate "$found" 2>/dev/null || true
                pause 0.3
                xdotool key ctrl+a
                xdotool type --delay 5 "$e2e_scratch/soak-$n.csv"
                xdotool key Return
            fi
        fi
        ;;
    unit)
        focus_viewer
        unit_list $((RANDOM % 3))
        ;;
    factor)
        focus_viewer
        factor_list $((RANDOM % 2))
        ;;
    resize)
        w=$((400 + RANDOM % 900)) h=$((250 + RANDOM % 700))
        did="resize to $w x $h"
        xdotool windowsize "$win" "$w" "$h"
        ;;
    paste)
        any_picture
        case $((RANDOM % 3)) in
        0) clip_png "$originals/5-large.png" ;;
        1) clip_file "$picture" ;;
        2) clip_text "no picture here" ;;
        esac
        focus_viewer
        xdotool key ctrl+v
        ;;
    disk)
        # A picture written anew, or gone, or back.
        any_picture
        k="${picture##*/}"
        case $((RANDOM % 3)) in
        0)
            # Written in two goes, as a slow program saves it.
            head -c 3000 "$originals/$k" >"$picture"
            sleep 0.2
            cp "$originals/$k" "$picture"
            did="$k written anew"
            ;;
        1) rm -f "$picture" && did="$k gone" ;;
        2) cp "$originals/$k" "$picture" && did="$k back" ;;
        esac
        ;;
    open)
        focus_viewer
        xdotool key ctrl+o
        if wait_until 3 find_window '^打开$' && ((RANDOM % 2)); then
            any_picture
            did="open ${picture##*/}"
            xdotool windowactivate "$found" 2>/dev/null || true
            pause 0.3
            xdotool type --delay 5 "$picture"
            xdotool key Return
        fi
        ;;
    maximise)
        client_corner "$win"
        move_to_screen $((corner_x + 100)) $((corner_y - 8))
        xdotool click --repeat 2 --delay 80 1
        ;;
    esac
}

start_program "$pictures/1-card.bmp"
n=0
did="start"
answers
started="$SECONDS"
while ((n < most && SECONDS - started < seconds)); do
    n=$((n + 1))
    one_action
    printf '%4d %s\n' "$n" "$did"
    pause 0.05
    still_running "action $n: $did"
    close_dialogs
    ((n % 20)) || answers
done
answers
stop_program
echo "soak: passed, $n actions in $((SECONDS - started)) seconds at $dpi ppi, seed $seed"
