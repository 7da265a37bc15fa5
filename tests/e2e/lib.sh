# shellcheck shell=bash disable=SC2034,SC2154
# Helpers for the end-to-end scripts, on the X server that run_under_xvfb starts: start the
# program, find its windows, move, click and type as a person would, read the clipboard.
# Every wait is bounded by the clock, `slow` times longer under valgrind. With E2E_SHOTS
# naming a folder, a failure leaves a screenshot there. (No command substitution calls a
# function that may fail: bash would run the EXIT trap in it.)

dpi="${QUARNET_E2E_DPI:-96}"
slow=1 app_pid="" valgrind_log="" step=""
e2e_scratch="$(mktemp -d)"
app_log="$e2e_scratch/program.log"
trap '[ -z "$app_pid" ] || kill "$app_pid" 2>/dev/null; wait 2>/dev/null; rm -rf "$e2e_scratch"' EXIT

# e2e_begin NAME PROGRAM TESTCARD [SCREENSHOT_DIR]; exits 77 (skipped) when a tool is missing.
e2e_begin() {
    [ $# -ge 3 ] || { echo "usage: $1.sh PROGRAM TESTCARD [SCREENSHOT_DIR]" >&2; exit 2; }
    e2e_name="$1" program="$2" testcard="$3" shots="${4:-}"
    local tool
    for tool in xdotool xclip xwininfo xrandr convert ${shots:+import}; do
        command -v "$tool" >/dev/null 2>&1 && continue
        echo "skipped: $tool is not installed (scripts/setup installs it)"
        exit 77
    done
}

fail() {
    echo "$e2e_name: ${step:+at “$step”: }$*" >&2
    [ -z "${E2E_SHOTS:-}" ] || import -window root "$E2E_SHOTS/$e2e_name-$dpi-failed.png" || true
    [ ! -s "$app_log" ] || { echo "--- the program's standard error (last lines):" && tail -n 20 "$app_log"; } >&2
    valgrind_findings || true
    exit 1
}

# What valgrind saw of invalid memory use, if anything; 0 when it saw some.
valgrind_findings() {
    [ -n "$valgrind_log" ] && grep -qE 'Invalid (read|write|free)' "$valgrind_log" || return 1
    echo "--- valgrind:" >&2
    grep -E -A 25 'Invalid (read|write|free)' "$valgrind_log" | head -n 80 >&2
}
use_valgrind() {
    command -v valgrind >/dev/null 2>&1 || { echo "skipped: valgrind is not installed"; exit 77; }
    valgrind_log="$e2e_scratch/valgrind.log" slow=8
}

# Waits up to SECONDS (times slow) of wall time for a command to succeed; 1 if it never
# does. The bound is the clock's, not a count of tries: a slow command must not stretch it.
wait_until() {
    local deadline
    deadline="$(awk -v s="$1" -v k="$slow" -v now="$(date +%s.%N)" 'BEGIN { printf "%.2f", now + s * k }')"
    shift
    while ! "$@" >/dev/null; do
        awk -v d="$deadline" -v now="$(date +%s.%N)" 'BEGIN { exit !(now < d) }' || return 1
        sleep 0.05
    done
}
pause() { sleep "$(awk -v s="$1" -v k="$slow" 'BEGIN { print s * k }')"; }

# Whether the program still runs: one that ended stays a zombie until waited for, and kill -0
# would still find it.
alive() {
    local state
    state="$(sed -n 's/^State:[[:space:]]*\([A-Z]\).*/\1/p' "/proc/$app_pid/status" 2>/dev/null)"
    [ -n "$state" ] && [ "$state" != Z ]
}
still_running() {
    alive && return 0
    local status=0
    wait "$app_pid" 2>/dev/null || status=$?
    app_pid=""
    fail "the program ended (status $status) after $1"
}

# Starts the program and waits for its window: its id in $win, its client area's corner on
# the screen in $left and $top. Valgrind has its own allocator: the heap checks stay away.
start_program() {
    local under=()
    [ -z "$valgrind_log" ] || under=(env -u LD_PRELOAD -u GLIBC_TUNABLES valgrind --error-exitcode=99
        --track-origins=no --leak-check=no --num-callers=30 --log-file="$valgrind_log")
    "${under[@]}" "$program" "$@" 2>>"$app_log" &
    app_pid=$!
    wait_until 15 main_window_shown || fail "the program's window did not appear in time"
    activate "$win" || fail "the program's window did not take the focus in time"
    pause 0.5
    client_corner "$win"
    left="$corner_x" top="$corner_y"
}
main_window_shown() {
    alive || fail "the program ended before its window appeared"
    find_window '^Quarnet ' && win="$found"
}

# Ends the program and, under valgrind, fails on any invalid read, write or free it saw.
stop_program() {
    step=""
    still_running "the last step"
    kill "$app_pid"
    wait "$app_pid" 2>/dev/null || true
    app_pid=""
    [ -z "$valgrind_log" ] || grep -q 'Memcheck' "$valgrind_log" ||
        fail "the program did not run under valgrind: $(head -n 5 "$valgrind_log")"
    valgrind_findings || return 0
    valgrind_log=""
    fail "valgrind saw invalid memory use (above)"
}

# A window's client area: its corner on the screen in $corner_x, $corner_y, its size in
# $width, $height. (xdotool's own is off by the frame.)
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
shown() { wait_until 10 find_window "$1" || fail "no window '$1' appeared"; }
gone() { wait_until 10 no_window "$1" || fail "the window '$1' stayed"; }
# Makes a window active; 1 if it will not become so within 10 seconds.
activate() {
    [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ] ||
        timeout $((10 * slow)) xdotool windowactivate --sync "$1" >/dev/null 2>&1
}
to_viewer() { activate "$win" || fail "the viewer did not take the focus again"; pause 0.2; }

# Types over the field of the dialog whose caption matches the pattern, and Return, until the
# dialog goes. A file dialog's completion list takes a Return for itself, and a busy dialog
# that moves to a folder typed so far drops the keys that come meanwhile, as they would be
# for a person, who would type again.
type_into() {
    shown "$1"
    local dialog="$found" attempt
    for attempt in 1 2 3; do
        activate "$dialog" || true
        xdotool key ctrl+a
        xdotool type --delay $((10 * slow)) -- "$2"
        pause 0.3
        xdotool key Return
        wait_until 3 no_window "$1" && return 0
        xdotool key Return
        wait_until 3 no_window "$1" && return 0
    done
    # A dialog that refuses what was typed (a file that has gone) stays: whether it may is
    # the caller's to check.
    return 0
}

# Points are in the viewer's client area from here on. The pointer is moved and waited for:
# xdotool's own --sync waits for it to leave where it was, 15 seconds if it is there already.
move() { move_to_screen $((left + $1)) $((top + $2)); }
pointer_at() { [[ "$(xdotool getmouselocation)" == "x:$1 y:$2 "* ]]; }
move_to_screen() {
    xdotool mousemove "$1" "$2"
    wait_until 5 pointer_at "$1" "$2" || fail "the pointer did not reach $1, $2 on the screen"
}
key() { xdotool key "$@" && pause 0.2; }

# Text, a picture (PNG) or a copied file on the clipboard, owned by xclip, not the program.
clip_text() { printf '%s' "$1" | xclip -selection clipboard 2>/dev/null; }
clip_png() { xclip -selection clipboard -t image/png -i "$1" 2>/dev/null; }
clip_file() { printf 'file://%s\r\n' "$1" | xclip -selection clipboard -t text/uri-list 2>/dev/null; }
# What the clipboard holds into $clip, "" for clip_text's marker; the owner must answer soon.
read_clip() {
    clip="$(timeout $((5 * slow)) xclip -o -selection clipboard 2>/dev/null || true)"
    [ "$clip" != untouched ] || clip=""
}
# Ctrl+C, then what the clipboard holds into $clip; "" when Ctrl+C copied nothing.
copied() {
    clip_text untouched
    xdotool key --clearmodifiers ctrl+c
    pause 0.2
    read_clip
}
# What Ctrl+C copies, or what the clipboard holds, against a pattern ('*' for any text).
# shellcheck disable=SC2053
copy() { copied; [[ "$clip" == $1 ]] || fail "Ctrl+C copied '$clip', expected '$1'"; echo "copied: $clip"; }
# shellcheck disable=SC2053
clip() { read_clip; [[ "$clip" == $1 ]] || fail "the clipboard holds '$clip', expected '$1'"; }

# The image pixel the readout gives for a client point, into $px_x and $px_y.
pixel_at() {
    move "$1" "$2"
    pause 0.1
    copied
    [[ "$clip" =~ ^x\ =\ ([0-9]+)\ \ \ y\ =\ ([0-9]+)\ \ \ \ \ RGB ]] || fail "no readout at $1, $2: '$clip'"
    px_x="${BASH_REMATCH[1]}" px_y="${BASH_REMATCH[2]}"
}
# Where image pixel (0, 0) begins in the client area at the given factor, probed at the
# viewport's middle (450, 1080, 8055, 4815 twips) and one pixel on, so a block's first
# column and row show.
find_picture() {
    local factor="$1" a b
    mid_x=$(((450 + 8055 / 2) * dpi / 1440)) mid_y=$(((1080 + 4815 / 2) * dpi / 1440))
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
    at_x=$((origin_x + $1 * factor + factor / 2)) at_y=$((origin_y + $2 * factor + factor / 2))
}

# drag FACTOR X1 Y1 X2 Y2 [KEY]: from one image pixel to another, a modifier key held if given.
drag() {
    local ax ay
    point_of "$2" "$3" "$1"
    ax="$at_x" ay="$at_y"
    point_of "$4" "$5" "$1"
    drag_points "$ax" "$ay" "$at_x" "$at_y" "${6:-}"
    pause 0.2
}
# The same between client points, through a few steps.
drag_points() {
    local i
    move "$1" "$2"
    [ -z "$5" ] || xdotool keydown "$5"
    xdotool mousedown 1
    for i in 1 2 3 4; do move $(($1 + ($3 - $1) * i / 4)) $(($2 + ($4 - $2) * i / 4)); done
    xdotool mouseup 1
    [ -z "$5" ] || xdotool keyup "$5"
}

shot() { [ -z "$shots" ] || import -window "$win" "$shots/$1.png"; }

# Picks entry N of a drop-down list, found by its design rectangle's middle in twips.
pick() {
    move $(($1 * dpi / 1440)) $(($2 * dpi / 1440))
    xdotool click 1 && pause 0.3 && xdotool key Home
    menu_keys "$3" && pause 0.5
}
unit_list() { pick $((4890 + 915 / 2)) $((180 + 300 / 2)) "$1"; }
factor_list() { pick $((7380 + 615 / 2)) $((180 + 315 / 2)) "$1"; }
inches() { awk -v p="$1" -v d="$dpi" 'BEGIN { printf "%.2f", p / d }'; }
centimetres() { awk -v p="$1" -v d="$dpi" 'BEGIN { printf "%.2f", p / d * 2.54 }'; }

# The program's menus (or tooltips) show in windows that the window manager does not frame.
unframed() {
    local w kind
    for w in $(xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null); do
        xwininfo -id "$w" 2>/dev/null | grep -q 'Override Redirect State: yes' || continue
        kind=menu
        xprop -id "$w" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q TOOLTIP && kind=tooltip
        [ "$kind" != "$1" ] || return 0
    done
    return 1
}
no_menu() { ! unframed menu; }
# Right-clicks a point on the screen; 1 if no menu opens within SECONDS.
open_menu() {
    move_to_screen "$1" "$2"
    pause 0.1
    xdotool click 3
    wait_until "$3" unframed menu && pause 0.2
}
# menu_keys DOWNS [SUBMENU_DOWNS]: Down in the open menu, Right into its submenu and Down
# there if given, then Return.
menu_keys() {
    local i
    for ((i = 0; i < $1; i++)); do xdotool key Down; done
    if [ -n "${2:-}" ]; then
        xdotool key Right
        pause 0.2
        for ((i = 0; i < $2; i++)); do xdotool key Down; done
    fi
    xdotool key Return
}
# Where a tool window's menu opens: over the loupe's picture, or the list's first row.
tool_menu_point() { client_corner "$1" && menu_x=$((corner_x + width / 2)) menu_y=$((corner_y + 45 * dpi / 96)); }

# The list's two buttons, bottom left (全部清除) and bottom right (另存为 CSV…).
list_button() {
    shown '^测量$'
    client_corner "$found"
    local x=$((50 * dpi / 96))
    [ "$1" = left ] || x=$((width - x))
    move_to_screen $((corner_x + x)) $((corner_y + height - 23 * dpi / 96))
    xdotool click 1
}
# A double click on the viewer's title bar, as openbox has it, maximises it or brings it back.
# 1, for the caller to try again, while the title bar is off the screen or the pointer does
# not get there: the window manager may still be moving the window.
double_click_title() {
    client_corner "$win"
    local x=$((corner_x + 200)) y=$((corner_y - 8))
    ((y >= 0)) || return 1
    xdotool mousemove "$x" "$y"
    wait_until 5 pointer_at "$x" "$y" || return 1
    xdotool click --repeat 2 --delay 80 1
}

# A folder to walk: the test card, the same as a 300 ppi scan, a file that is no picture and
# a plain green picture.
make_folder() {
    mkdir -p "$1"
    cp "$testcard" "$1/1-card.bmp"
    convert "$testcard" -density 300 -units PixelsPerInch "$1/2-scan.jpg"
    echo "no picture" >"$1/3-broken.bmp"
    convert -size 480x300 'xc:rgb(10,200,30)' "$1/4-last.gif"
}
