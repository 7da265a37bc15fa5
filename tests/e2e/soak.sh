#!/usr/bin/env bash
# shellcheck disable=SC2034 # any() reads the lists by name
# Usage: run_under_xvfb DPI soak.sh PROGRAM TESTCARD
#
# A seeded random soak of the real program, as a restless person would use it: a few hundred
# actions from the README's table (keys, the menus, drags, clicks, the wheel, the lists and
# the list's buttons, resizing, pasting, opening, the walk through a folder with a broken
# and a cut-short file, files changing on disk), dialogs answered or closed. Fails when the
# program ends (a crash, or glibc's heap checks aborting it), stops answering (L no longer
# shows or hides the loupe within 10 seconds) or keeps a dialog open. SOAK_SECONDS (100)
# and SOAK_ACTIONS (400) bound it; SOAK_SEED replays the seed printed first;
# SOAK_UNDER=valgrind runs it under valgrind memcheck.
set -euo pipefail
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_begin soak "$@"
[ "${SOAK_UNDER:-}" != valgrind ] || use_valgrind
seed="${SOAK_SEED:-$(((RANDOM << 15 | RANDOM) ^ $$))}"
echo "soak: seed $seed (SOAK_SEED=$seed replays it)"
RANDOM="$seed"

# The folder to walk, also with a tiny, a large and a cut-short picture, and the originals
# that the changes on disk copy from.
originals="$e2e_scratch/originals" pictures="$e2e_scratch/pictures"
make_folder "$originals"
convert -size 37x23 'xc:rgb(10,200,30)' "$originals/5-small.gif"
convert -size 1600x900 gradient:red-blue "$originals/6-large.png"
head -c 20000 "$originals/2-scan.jpg" >"$originals/7-cut.jpg"
cp -r "$originals" "$pictures"
names=(1-card.bmp 2-scan.jpg 3-broken.bmp 4-last.gif 5-small.gif 6-large.png 7-cut.jpg)
any() { local -n list="$1"; pick_="${list[RANDOM % ${#list[@]}]}"; }

keys=(Escape Delete ctrl+c ctrl+shift+c m l plus minus space BackSpace space BackSpace space
    BackSpace F5 ctrl+v ctrl+Left ctrl+Right ctrl+Up ctrl+Down ctrl+shift+Left ctrl+shift+Right
    ctrl+shift+Up ctrl+shift+Down Left Right Up Down Next Prior)
# Drawn from with the weights that repetition gives.
actions=(key key key key key key key key move move drag drag box point click wheel wheel
    side_wheel menu menu menu menu tool_menu list_button unit factor resize paste disk open
    maximise)

# A point in the viewer's client area, most likely over the picture, into $rx and $ry.
any_point() {
    client_corner "$win"
    left="$corner_x" top="$corner_y"
    rx=$((30 * dpi / 96 + RANDOM % (width - 60 * dpi / 96)))
    ry=$((72 * dpi / 96 + RANDOM % (height - 120 * dpi / 96)))
    # Resized past the screen's edge, the window has points the pointer cannot reach.
    rx=$((rx < screen_w - 1 - left ? rx : screen_w - 1 - left))
    ry=$((ry < screen_h - 1 - top ? ry : screen_h - 1 - top))
}
read -r screen_w screen_h < <(xdotool getdisplaygeometry)

# Right-clicks a point on the screen; when a menu opens, goes down it and maybe into a
# submenu, then picks or leaves it. Return on a submenu's entry opens the submenu: Escape
# closes what stays.
menu_walk() {
    open_menu "$1" "$2" 0.4 || return 0
    local downs=$((1 + RANDOM % 14)) more=""
    ((RANDOM % 3)) || more=$((RANDOM % 5))
    if ((RANDOM % 8 == 0)); then xdotool key Escape Escape; else menu_keys "$downs" "$more"; fi
    did="$did, $downs down${more:+, right, $more down}"
    close_menus
}
close_menus() {
    local _
    for _ in 1 2 3 4; do wait_until 0.2 no_menu && return 0; xdotool key Escape; done
}

# One dialog of the program's answered or closed, 设定比例 sometimes with a length, the
# others with Escape; 0 when there is none (one may wait behind another's message).
no_dialog_left() {
    local w dialogs=()
    for w in $(xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null); do
        xprop -id "$w" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q _DIALOG && dialogs+=("$w")
    done
    [ "${#dialogs[@]}" -gt 0 ] || return 0
    any dialogs
    name="$(xdotool getwindowname "$pick_" 2>/dev/null || true)"
    if [ "$name" = 设定比例 ] && ((RANDOM % 2)); then
        type_into '^设定比例$' "$((RANDOM % 200 - 20))"
    else
        xdotool windowactivate "$pick_" 2>/dev/null || true
        pause 0.2
        xdotool key Escape
    fi
    pause 0.3
    still_running "closing the dialog '$name'"
    return 1
}
close_dialogs() { wait_until 10 no_dialog_left || fail "the dialog '$name' would not close (action $n: $did)"; }
# The keyboard to the viewer, once what came up meanwhile (a file that changed on disk and
# no longer reads) is closed.
focus_viewer() { close_dialogs && { activate "$win" || true; }; }

# The program answers: with menus and dialogs closed, L shows or hides the loupe within 10
# seconds. (L again every 3 seconds: the window ignores keys while busy with an update.)
loupe_is() { if find_window '^放大镜$'; then [ "$1" = 1 ]; else [ "$1" = 0 ]; fi; }
answers() {
    local now=0 _
    close_menus
    close_dialogs
    # A capture of the screen hides the viewer for as long as its delay (5 seconds at most).
    wait_until 10 main_window_shown || fail "the viewer did not come back (after action $n: $did)"
    to_viewer
    find_window '^放大镜$' && now=1
    for _ in 1 2 3; do xdotool key l && wait_until 3.3 loupe_is $((1 - now)) && return 0; done
    fail "the program stopped answering: L did not show or hide the loupe (after action $n: $did)"
}

one_action() {
    local k x y
    any actions
    did="$pick_"
    case "$did" in
    key) ((RANDOM % 4 == 0)) || focus_viewer; any keys; did="key $pick_"; xdotool key --clearmodifiers "$pick_" ;;
    move) any_point && move "$rx" "$ry" ;;
    drag | box)
        k=ctrl
        [ "$did" = box ] || { k=""; ((RANDOM % 4)) || k="shift"; }
        any_point && x="$rx" y="$ry" && any_point && drag_points "$x" "$y" "$rx" "$ry" "$k"
        ;;
    point) any_point && move "$rx" "$ry" && xdotool keydown ctrl click 1 keyup ctrl ;;
    click) any_point && move "$rx" "$ry" && xdotool click 1 ;;
    wheel | side_wheel)
        k=$((4 + RANDOM % 2))
        [ "$did" = wheel ] || k=$((k + 2))
        any_point && move "$rx" "$ry"
        if ((RANDOM % 3 == 0)); then xdotool keydown shift click "$k" keyup shift; else xdotool click "$k"; fi
        ;;
    menu) any_point && menu_walk $((left + rx)) $((top + ry)) ;;
    tool_menu)
        # The loupe's menu, or a row's in the list.
        for k in '^放大镜$' '^测量$'; do
            if find_window "$k" && ((RANDOM % 2)); then
                tool_menu_point "$found" && menu_walk "$menu_x" "$menu_y" && break
            fi
        done
        ;;
    list_button)
        k=left
        ((RANDOM % 2)) || k=right
        find_window '^测量$' && did="list button $k" && list_button "$k" || return 0
        if [ "$k" = right ] && wait_until 2 find_window '^另存为 CSV$' && ((RANDOM % 2)); then
            type_into '^另存为 CSV$' "$e2e_scratch/soak-$n.csv"
        fi
        ;;
    unit) focus_viewer && unit_list $((RANDOM % 3)) ;;
    factor) focus_viewer && factor_list $((RANDOM % 2)) ;;
    resize) x=$((400 + RANDOM % 900)) y=$((250 + RANDOM % 700)) did="resize to $x x $y" && xdotool windowsize "$win" "$x" "$y" ;;
    paste)
        any names
        case $((RANDOM % 3)) in
        0) clip_png "$originals/6-large.png" ;;
        1) clip_file "$pictures/$pick_" ;;
        2) clip_text "no picture here" ;;
        esac
        focus_viewer && xdotool key ctrl+v
        ;;
    disk)
        # A picture written anew (in two goes, as a slow program saves it), or gone, or back.
        any names
        k="$pictures/$pick_"
        case $((RANDOM % 3)) in
        0) head -c 3000 "$originals/$pick_" >"$k" && sleep 0.2 && cp "$originals/$pick_" "$k" && did="$pick_ written anew" ;;
        1) rm -f "$k" && did="$pick_ gone" ;;
        2) cp "$originals/$pick_" "$k" && did="$pick_ back" ;;
        esac
        ;;
    open)
        focus_viewer && xdotool key ctrl+o
        wait_until 3 find_window '^打开$' && ((RANDOM % 2)) || return 0
        any names
        did="open $pick_"
        type_into '^打开$' "$pictures/$pick_"
        ;;
    maximise) double_click_title || true ;;
    esac
}

start_program "$pictures/1-card.bmp"
n=0 did="start" name=""
answers
started="$SECONDS"
while ((n < ${SOAK_ACTIONS:-400} && SECONDS - started < ${SOAK_SECONDS:-100})); do
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
