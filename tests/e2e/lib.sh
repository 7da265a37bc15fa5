# shellcheck shell=bash disable=SC2034,SC2154
# Helpers for the end-to-end scripts, sourced by them (after `set -euo pipefail`) on the X
# server that run_under_xvfb starts: start the program, find its windows, move and click as a
# person would, read the clipboard. Every wait is bounded, so a window that never shows fails
# within seconds and says so. The script sets `e2e_name` (for its messages) and `program`.
#
# With `e2e_under=valgrind`, the program runs under valgrind memcheck and every wait is
# `slow` times longer. With E2E_SHOTS naming a folder, a failure leaves a screenshot of the
# whole screen there. (No command substitution calls a function that may fail here: bash
# would run the EXIT trap in it. Such functions answer in globals instead.)

dpi="${QUARNET_E2E_DPI:-96}"
slow=1
app_pid=""
app_log=""
valgrind_log=""
e2e_scratch="$(mktemp -d)"

e2e_cleanup() {
    [ -z "$app_pid" ] || kill "$app_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$e2e_scratch"
}
trap e2e_cleanup EXIT

fail() {
    echo "$e2e_name: $*" >&2
    [ -z "${E2E_SHOTS:-}" ] || import -window root "$E2E_SHOTS/$e2e_name-$dpi-failed.png" || true
    if [ -s "$app_log" ]; then
        echo "--- the program's standard error (last lines):" >&2
        tail -n 20 "$app_log" >&2
    fi
    valgrind_findings || true
    exit 1
}

# Shows what valgrind saw of invalid memory use, if anything; 0 when it saw some.
valgrind_findings() {
    [ -n "$valgrind_log" ] && grep -qE 'Invalid (read|write|free)' "$valgrind_log" || return 1
    echo "--- valgrind:" >&2
    grep -E -A 25 'Invalid (read|write|free)' "$valgrind_log" | head -n 80 >&2
}

need_tools() {
    local tool
    for tool in "$@"; do
        if ! command -v "$tool" >/dev/null 2>&1; then
            echo "skipped: $tool is not installed (scripts/setup installs it)"
            exit 77
        fi
    done
}

use_valgrind() {
    need_tools valgrind
    e2e_under=valgrind
    slow=8
}

# Waits up to SECONDS (times slow) of wall time for a command to succeed; 1 if it never
# does. The bound is the clock's, not a count of tries: a slow command must not stretch it.
wait_until() {
    local deadline
    deadline="$(awk -v s="$1" -v k="$slow" -v now="$(date +%s.%N)" 'BEGIN { printf "%.2f", now + s * k }')"
    shift
    while :; do
        if "$@" >/dev/null; then return 0; fi
        awk -v d="$deadline" -v now="$(date +%s.%N)" 'BEGIN { exit !(now < d) }' || return 1
        sleep 0.05
    done
}

pause() { sleep "$(awk -v s="$1" -v k="$slow" 'BEGIN { print s * k }')"; }

# Whether the program still runs: a program that ended stays a zombie until waited for, and
# kill -0 would still find it.
alive() {
    local state
    state="$(sed -n 's/^State:[[:space:]]*\([A-Z]\).*/\1/p' "/proc/$app_pid/status" 2>/dev/null)"
    [ -n "$state" ] && [ "$state" != Z ]
}

# Fails unless the program still runs; the argument says after what.
still_running() {
    alive && return 0
    local status=0
    wait "$app_pid" 2>/dev/null || status=$?
    app_pid=""
    fail "the program ended (status $status) after $1"
}

# Starts the program with the given arguments and waits for its window: its id in $win, its
# client area's top-left corner on the screen in $left and $top. Under valgrind, the glibc
# heap checks (LD_PRELOAD) stay away: valgrind has its own allocator.
start_program() {
    app_log="${app_log:-$e2e_scratch/program.log}"
    if [ "${e2e_under:-}" = valgrind ]; then
        valgrind_log="$e2e_scratch/valgrind.log"
        env -u LD_PRELOAD -u GLIBC_TUNABLES valgrind --error-exitcode=99 --track-origins=no \
            --leak-check=no --num-callers=30 --log-file="$valgrind_log" \
            "$program" "$@" 2>>"$app_log" &
    else
        "$program" "$@" 2>>"$app_log" &
    fi
    app_pid=$!
    wait_until 15 main_window_shown || fail "the program's window did not appear in time"
    timeout $((10 * slow)) xdotool windowactivate --sync "$win" >/dev/null 2>&1 ||
        fail "the program's window did not take the focus in time"
    pause 0.5
    client_corner "$win"
    left="$corner_x" top="$corner_y"
}

main_window_shown() {
    alive || fail "the program ended before its window appeared"
    win="$(xdotool search --all --onlyvisible --pid "$app_pid" --name '^Quarnet ' 2>/dev/null | head -n 1)"
    [ -n "$win" ]
}

# Ends the program and, under valgrind, fails on any invalid read, write or free it saw.
stop_program() {
    still_running "the last step"
    kill "$app_pid"
    wait "$app_pid" 2>/dev/null || true
    app_pid=""
    [ -z "$valgrind_log" ] || grep -q 'Memcheck' "$valgrind_log" ||
        fail "the program did not run under valgrind: $(head -n 5 "$valgrind_log")"
    if valgrind_findings; then
        valgrind_log=""
        fail "valgrind saw invalid memory use (above)"
    fi
}

# The top-left corner of a window's client area on the screen, in $corner_x and $corner_y,
# and its size in $width and $height. (Read with xwininfo: xdotool's own is off by the frame.)
client_corner() {
    read -r corner_x corner_y width height < <(xwininfo -id "$1" | awk '
        /Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF}
        /^ *Width:/ {w = $NF} /^ *Height:/ {h = $NF} END {print x, y, w, h}')
}

# The first visible window of the program whose caption matches the pattern, in $found.
find_window() {
    found="$(xdotool search --all --onlyvisible --pid "$app_pid" --name "$1" 2>/dev/null | head -n 1)"
    [ -n "$found" ]
}
no_window() { ! find_window "$1"; }

# Waits for a window of the program with a caption matching the pattern: its id in $found.
wait_window() {
    wait_until 10 find_window "$1" || fail "no window '$1' appeared ($2)"
}
wait_no_window() {
    wait_until 10 no_window "$1" || fail "the window '$1' stayed ($2)"
}

# Points are in the main window's client area from here on.
# Moves the pointer there and waits until the server has it there, for at most 5 seconds.
# (xdotool's own --sync waits for the pointer to leave where it was: a move to where it is
# already would wait until xdotool gives up, 15 seconds later.)
move() {
    move_to_screen $((left + $1)) $((top + $2))
}
move_to_screen() {
    local x="$1" y="$2" _
    xdotool mousemove "$x" "$y"
    for _ in $(seq 1 100); do
        if [[ "$(xdotool getmouselocation)" == "x:$x y:$y "* ]]; then return 0; fi
        sleep 0.05
    done
    fail "the pointer did not reach $x, $y on the screen within 5 seconds"
}

# Puts text, a picture (PNG) or a copied file on the clipboard, owned by xclip, not the
# program. (xclip stays to serve it, and says so when the X server ends first.)
clip_text() { printf '%s' "$1" | xclip -selection clipboard 2>/dev/null; }
clip_png() { xclip -selection clipboard -t image/png -i "$1" 2>/dev/null; }
clip_file() { printf 'file://%s\r\n' "$1" | xclip -selection clipboard -t text/uri-list 2>/dev/null; }

# What the clipboard holds into $clip, "" for the marker clip_text put there; read at most
# 5 seconds (the owner must answer).
read_clip() {
    clip="$(timeout $((5 * slow)) xclip -o -selection clipboard 2>/dev/null || true)"
    if [ "$clip" = untouched ]; then clip=""; fi
}

# Ctrl+C, then what the clipboard holds into $clip; "" when Ctrl+C copied nothing.
copied() {
    clip_text untouched
    xdotool key --clearmodifiers ctrl+c
    pause 0.2
    read_clip
}

expect_copy() {
    copied
    [ "$clip" = "$1" ] || fail "Ctrl+C copied '$clip', expected '$1'"
    echo "copied: $clip"
}

# The image pixel the readout gives for a client point, into $px_x and $px_y.
pixel_at() {
    move "$1" "$2"
    pause 0.1
    copied
    [[ "$clip" =~ ^x\ =\ ([0-9]+)\ \ \ y\ =\ ([0-9]+)\ \ \ \ \ RGB ]] ||
        fail "no readout at $1, $2: '$clip'"
    px_x="${BASH_REMATCH[1]}"
    px_y="${BASH_REMATCH[2]}"
}

# The middle of the viewport's design rectangle (450, 1080, 8055, 4815 twips).
viewport_middle() {
    mid_x=$(((450 + 8055 / 2) * dpi / 1440))
    mid_y=$(((1080 + 4815 / 2) * dpi / 1440))
}

# Where image pixel (0, 0) begins in the client area, at the given factor: probed at the
# viewport's middle and one pixel further on, so a block's first column and row show.
find_picture() {
    local factor="$1" a b
    viewport_middle
    pixel_at "$mid_x" "$mid_y"
    a="$px_x" b="$px_y"
    pixel_at $((mid_x + 1)) $((mid_y + 1))
    if [ "$px_x" != "$a" ]; then origin_x=$((mid_x + 1 - factor * px_x)); else origin_x=$((mid_x - factor * a)); fi
    if [ "$px_y" != "$b" ]; then origin_y=$((mid_y + 1 - factor * px_y)); else origin_y=$((mid_y - factor * b)); fi
    echo "factor $factor: image pixel 0, 0 at client $origin_x, $origin_y"
}

# The client point in the middle of an image pixel, in $at_x and $at_y.
point_of() {
    local factor="${3:-1}"
    at_x=$((origin_x + $1 * factor + factor / 2))
    at_y=$((origin_y + $2 * factor + factor / 2))
}

# Drags with the left button from one image pixel to another through a few steps, with
# the modifier key named last held (shift, ctrl), if any.
drag() {
    local factor="$1" x1="$2" y1="$3" x2="$4" y2="$5" keys="${6:-}" i ax ay
    point_of "$x1" "$y1" "$factor"
    ax="$at_x" ay="$at_y"
    point_of "$x2" "$y2" "$factor"
    move "$ax" "$ay"
    [ -z "$keys" ] || xdotool keydown "$keys"
    xdotool mousedown 1
    for i in 1 2 3 4; do
        move $((ax + (at_x - ax) * i / 4)) $((ay + (at_y - ay) * i / 4))
    done
    xdotool mouseup 1
    [ -z "$keys" ] || xdotool keyup "$keys"
    pause 0.2
}

shot() {
    [ -z "${shots:-}" ] || import -window "$win" "$shots/$1.png"
}

# Picks an entry of a drop-down list by its design rectangle's middle, in twips.
pick() {
    local x="$1" y="$2" entry="$3" i
    move $((x * dpi / 1440)) $((y * dpi / 1440))
    xdotool click 1
    pause 0.3
    xdotool key Home
    for ((i = 0; i < entry; i++)); do xdotool key Down; done
    xdotool key Return
    pause 0.5
}
unit_list() { pick $((4890 + 915 / 2)) $((180 + 300 / 2)) "$1"; }
factor_list() { pick $((7380 + 615 / 2)) $((180 + 315 / 2)) "$1"; }

inches() { awk -v p="$1" -v d="$dpi" 'BEGIN { printf "%.2f", p / d }'; }
centimetres() { awk -v p="$1" -v d="$dpi" 'BEGIN { printf "%.2f", p / d * 2.54 }'; }

# The program's menus and tooltips show in windows that the window manager does not frame.
unframed() {
    local w tooltip
    for w in $(xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null); do
        xwininfo -id "$w" 2>/dev/null | grep -q 'Override Redirect State: yes' || continue
        tooltip=menu
        xprop -id "$w" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q TOOLTIP && tooltip=tooltip
        [ "$tooltip" != "$1" ] || return 0
    done
    return 1
}
menu_shown() { unframed menu; }
no_menu() { ! unframed menu; }
tooltip_shown() { unframed tooltip; }

# Right-clicks at a point of a window's client area and waits for the menu.
menu_in() {
    client_corner "$1"
    move_to_screen $((corner_x + $2)) $((corner_y + $3))
    pause 0.1
    xdotool click 3
    wait_until 5 menu_shown || fail "no menu opened at $2, $3 in window $1"
    pause 0.2
}
# Right-clicks the picture at an image pixel, at factor 1.
picture_menu() {
    point_of "$1" "$2"
    menu_in "$win" "$at_x" "$at_y"
}

# Clicks at a point of a window's client area.
click_in() {
    client_corner "$1"
    move_to_screen $((corner_x + $2)) $((corner_y + $3))
    xdotool click 1
}

# The keyboard back to the viewer, from a tool window or a dialog.
to_viewer() {
    [ "$(xdotool getactivewindow 2>/dev/null)" != "$win" ] || return 0
    timeout $((10 * slow)) xdotool windowactivate --sync "$win" >/dev/null 2>&1 ||
        fail "the viewer did not take the focus again"
    pause 0.2
}

# The picture menu's entries in order, by a word of each.
menu_entries=(位置和颜色 '#RRGGBB' rgb hsl 放大镜 测量列表 清除全部测量 英寸依据 设定比例 粘贴 重新载入
    最近的文件)
# Entries that are off (greyed) in the picture menu just now; the keys pass over them.
menu_off=""

# menu_pick ENTRY [SUBMENU_DOWNS]: picks an entry of the open picture menu with the keys,
# and within its submenu the entry that SUBMENU_DOWNS more Down keys reach; then waits for
# the menu to close and checks the program still runs.
menu_pick() {
    local entry="$1" e downs=1
    for e in "${menu_entries[@]}"; do
        [ "$e" != "$entry" ] || break
        [[ " $menu_off " == *" $e "* ]] || downs=$((downs + 1))
    done
    [ "$e" = "$entry" ] || fail "no menu entry '$entry'"
    menu_keys "$downs" "${2:-}" "the menu entry $entry${2:+ → $2}"
    echo "menu: $entry${2:+ → $2}"
}

# menu_keys DOWNS [SUBMENU_DOWNS [WHAT]]: Down in the open menu, into its submenu and Down
# there if given, then Return; WHAT says what that picks, for the messages.
menu_keys() {
    local i
    for ((i = 0; i < $1; i++)); do xdotool key Down; done
    if [ -n "${2:-}" ]; then
        xdotool key Right
        pause 0.2
        for ((i = 0; i < $2; i++)); do xdotool key Down; done
    fi
    xdotool key Return
    wait_until 5 no_menu || fail "the menu stayed open after ${3:-its entry}"
    pause 0.3
    still_running "${3:-a menu entry}"
}

# Whether the viewer's caption ends in " — " and a name matching the pattern.
caption_is() {
    # shellcheck disable=SC2053 # the pattern is a glob
    [[ "$(xdotool getwindowname "$win" 2>/dev/null)" == *" — "$1 ]]
}
expect_caption() {
    wait_until 5 caption_is "$1" ||
        fail "the caption is '$(xdotool getwindowname "$win")', expected it to end in '— $1' ($2)"
}

# What the clipboard holds, against what an action should have put there.
expect_clip() {
    read_clip
    [ "$clip" = "$1" ] || fail "$2 put '$clip' on the clipboard, expected '$1'"
    echo "$2: $clip"
}

# The readout (Ctrl+C) over an image pixel at factor 1, into $clip.
readout_at() {
    point_of "$1" "$2"
    move "$at_x" "$at_y"
    pause 0.1
    copied
}
