#!/usr/bin/env bash
# The real program under a virtual X server, driven as a person would: a song added
# through the "+" button's open dialog, started by a double-click in the playlist; its
# time label advances and its sound reaches the output (SDL's disk driver writes the
# output to a file, measured with sox).
program=$(realpath "$1")
source "$(dirname "$0")/virtual_desktop.sh"

song="$work/Tester - Tone ü.wav"
sox -n -r 44100 -c 2 "$song" synth 8 sine 440 vol 0.5
export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/out.raw" ROTAVOX_HOME="$work/home"

cd "$work"
"$program" 2>"$work/program.log" &
program_pid=$!
find_window
windows() { xdotool search --onlyvisible --pid "$program_pid" 2>/dev/null | wc -l; }
dialog_open() { [ "$(windows)" -ge 2 ]; }

empty_playlist=$(snapshot "${playlist[@]}")
click_until 208 376 1 dialog_open || fail "no open dialog"  # "+" of the left deck
sleep 0.5  # its file name field takes the keyboard
xdotool type --delay 10 "$song"
xdotool key Return
await changed_from "$empty_playlist" "${playlist[@]}" || fail "the chosen file is not in the playlist"

play_first_entry || fail "the time label did not change"
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
