# Sourced by the end-to-end tests of the real program on a plain virtual X server: the
# work folder and runtime folder of end_to_end.sh, and helpers that act on a window as a
# person would.
source "$(dirname "${BASH_SOURCE[0]}")/end_to_end.sh"

Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=":$(head -1 "$work/display")"

# Waits up to 20 s for a command to succeed (the machine may be busy).
await() {
    for _ in $(seq 200); do "$@" && return 0; sleep 0.1; done
    return 1
}
# The mixer's window, once shown; sets X and Y, its place on the screen, for the helpers below.
find_window() {
    window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Rotavox$' | head -1)
    [ -n "$window" ] || fail "no window"
    eval "$(xdotool getwindowgeometry --shell "$window")"
}
# Pixels of a part of the window, to see whether it changes.
snapshot() { import -window root -crop "$3x$4+$((X + $1))+$((Y + $2))" -depth 8 rgb:- | md5sum; }
click() { xdotool mousemove --sync $((X + $1)) $((Y + $2)) click "${@:3}" 1; }
changed_from() { [ "$(snapshot "${@:2}")" != "$1" ]; }
# Clicks, then waits up to 10 s for the outcome; three tries, as a click that lands
# while the window is still settling is lost.
click_until() {
    local x=$1 y=$2 clicks=$3
    shift 3
    for _ in 1 2 3; do
        click "$x" "$y" --repeat "$clicks" --delay 100
        for _ in $(seq 100); do "$@" && return 0; sleep 0.1; done
    done
    return 1
}

playlist=(8 256 175 30)    # the top of lstPlaylist(0)
time_label=(0 168 185 17)  # lblTime(0)
# A double-click on the first entry of the left playlist, until its time label changes.
play_first_entry() {
    local label_at_start
    label_at_start=$(snapshot "${time_label[@]}")
    click_until 60 265 2 changed_from "$label_at_start" "${time_label[@]}"
}
