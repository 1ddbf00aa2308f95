#!/usr/bin/env bash
# The real program under a virtual X server, driven as a person would: a song added
# through the "+" button's open dialog, started by a double-click in the playlist; its
# time label advances and its sound reaches the output (SDL's disk driver writes the
# output to a file, measured with sox).
program=$(realpath "$1")
source "$(dirname "$0")/end_to_end.sh"

song="$work/Tester - Tone ü.wav"
sox -n -r 44100 -c 2 "$song" synth 8 sine 440 vol 0.5

Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=":$(head -1 "$work/display")"
export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/out.raw" ROTAVOX_HOME="$work/home"

cd "$work"
"$program" 2>"$work/program.log" &
program_pid=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Rotavox$' | head -1)
[ -n "$window" ] || fail "no window"
eval "$(xdotool getwindowgeometry --shell "$window")"  # X, Y of the window

# Pixels of a part of the window, to see whether it changes.
snapshot() { import -window root -crop "$3x$4+$((X + $1))+$((Y + $2))" -depth 8 rgb:- | md5sum; }
click() { xdotool mousemove --sync $((X + $1)) $((Y + $2)) click "${@:3}" 1; }
windows() { xdotool search --onlyvisible --pid "$program_pid" 2>/dev/null | wc -l; }
# Waits up to 20 s for a command to succeed (the machine may be busy).
await() {
    for _ in $(seq 200); do "$@" && return 0; sleep 0.1; done
    return 1
}
changed_from() { [ "$(snapshot "${@:2}")" != "$1" ]; }

playlist=(8 256 175 30)       # the top of lstPlaylist(0)
time_label=(0 168 185 17)     # lblTime(0)
empty_playlist=$(snapshot "${playlist[@]}")
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
dialog_open() { [ "$(windows)" -ge 2 ]; }

click_until 208 376 1 dialog_open || fail "no open dialog"  # "+" of the left deck
sleep 0.5  # its file name field takes the keyboard
xdotool type --delay 10 "$song"
xdotool key Return
await changed_from "$empty_playlist" "${playlist[@]}" || fail "the chosen file is not in the playlist"

label_at_start=$(snapshot "${time_label[@]}")
# A double-click on the first entry of the left playlist.
click_until 60 265 2 changed_from "$label_at_start" "${time_label[@]}" ||
    fail "the time label did not change"
label_started=$(snapshot "${time_label[@]}")
await changed_from "$label_started" "${time_label[@]}" || fail "the time label did not advance"
sleep 1  # a second of the song in the output

# The last second: the song plays by then, whatever the start-up took.
last_second=(-t raw -r 48000 -e floating-point -b 32 -c 2 "$work/out.raw" -n remix 1 trim -1)
rms=$(sox "${last_second[@]}" stat 2>&1 | awk '/RMS +amplitude/ {print $3}')
# The strongest band of the spectrum (bins of about 12 Hz).
pitch=$(sox "${last_second[@]}" stat -freq 2>&1 |
    awk 'NF == 2 && $1 + 0 > 0 && $2 + 0 > best { best = $2 + 0; f = $1 } END { print f }')
echo "output: RMS $rms, strongest frequency $pitch Hz"
awk -v r="$rms" 'BEGIN { exit !(r > 0.05) }' || fail "no sound in the output"
awk -v f="$pitch" 'BEGIN { exit !(f > 420 && f < 460) }' || fail "not the song's pitch"
echo "ok"
