#!/usr/bin/env bash
# The headphones through a real sound server: the program plays on the null sink "Room" and
# pre-listens on "Phones" (--output and --cue), under a virtual X server. The left deck plays
# a 440 Hz tone at the crossfader's far left, the right deck a 660 Hz tone, and a click on
# the right deck's disc cues it: the room's recording holds 440 Hz and no 660 Hz, the
# headphones' 660 Hz at the deck's volume; a second click sends the room's mix to them.
program=$(realpath "$1")
here=$(dirname "$(realpath "$0")")
source "$here/virtual_desktop.sh"
source "$here/sound_server.sh"
start_sound_server "$work/sound" || no_sound_server

sox -n -r 48000 -c 2 "$work/low.wav" synth 60 sine 440 vol 0.5
sox -n -r 48000 -c 2 "$work/high.wav" synth 60 sine 660 vol 0.5

export ROTAVOX_HOME="$work/home" XDG_CONFIG_HOME="$work/config"

cd "$work"
# Long periods: on a busy shared machine short ones underrun now and then, and each underrun's
# click would spread over the bands measured below.
"$program" --verbose --period 1024 --output Room --cue Phones "$work/low.wav" 2>"$work/program.log" &
program_pid=$!
find_window
windows() { xdotool search --onlyvisible --pid "$program_pid" 2>/dev/null | wc -l; }
dialog_open() { [ "$(windows)" -ge 2 ]; }

right_playlist=(376 256 175 30)
empty=$(snapshot "${right_playlist[@]}")
click_until 352 376 1 dialog_open || fail "no open dialog"  # "+" of the right deck
sleep 0.5
xdotool type --delay 10 "$work/high.wav"
xdotool key Return
await changed_from "$empty" "${right_playlist[@]}" || fail "the file is not in the right playlist"

disc=(408 24 113 105)  # Shape2, with lblTrack(1) inside it
title=$(snapshot "${disc[@]}")
click_until 428 265 2 changed_from "$title" "${disc[@]}" || fail "the right deck did not start"
left_title=(56 56 81 41)
title=$(snapshot "${left_title[@]}")
click_until 60 265 2 changed_from "$title" "${left_title[@]}" || fail "the left deck did not start"

# Two seconds of each sink's monitor into room.raw and phones.raw, from a second on.
record() {
    sleep 1
    local sink pids=()
    for sink in room phones; do
        timeout 2 parec --latency-msec=200 -d "$sink.monitor" --raw --format=float32le --rate=48000 --channels=2 \
            >"$work/$sink.raw" &
        pids+=($!)
    done
    wait "${pids[@]}" || true  # timeout ends them
}
# RMS of the band around $2 Hz in the quarter second from $3 s of recording $1.
band_rms() {
    sox -t raw -r 48000 -e floating-point -b 32 -c 2 "$1" -n remix 1 \
        sinc -t 40 $(($2 - 40))-$(($2 + 40)) trim "$3" 0.25 stat 2>&1 |
        awk '/RMS +amplitude/ {print $3}'
}
# Of four quarter seconds of recording $1, the one where tone $3 Hz is quietest against
# tone $2 Hz: "<level of $2> <dB of $3 against it>". A scheduling hiccup on a busy machine
# (a click in the recording) spoils one quarter, not all of them.
measure() {
    for start in 0.5 0.75 1.0 1.25; do
        echo "$(band_rms "$1" "$2" "$start") $(band_rms "$1" "$3" "$start")"
    done | awk '{ db = 20 * log(($2 + 1e-12) / $1) / log(10) }
                NR == 1 || db < best { best = db; level = $1 }
                END { printf "%.4f %.1f\n", level, best }'
}
at_least() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a >= b) }'; }
# Recording $1 holds tone $2 Hz at RMS 0.33 to 0.37 (amplitude 0.5) and tone $3 Hz at least
# 60 dB below it; else fails with $4.
expect_tone() {
    local level db
    read -r level db < <(measure "$1" "$2" "$3")
    echo "$(basename "$1"): $2 Hz at RMS $level, $3 Hz at $db dB against it"
    at_least "$level" 0.33 && at_least 0.37 "$level" && at_least -60 "$db" || fail "$4"
}

title=$(snapshot "${disc[@]}")
click 464 76  # the right deck's disc: cue it
await changed_from "$title" "${disc[@]}" || fail "the disc does not show the cue"
record
expect_tone "$work/room.raw" 440 660 "the room does not hear the left deck alone"
expect_tone "$work/phones.raw" 660 440 "the headphones do not carry the cued deck alone at its volume"

click 464 76  # un-cue: the headphones carry the room's mix
record
expect_tone "$work/phones.raw" 440 660 "the headphones do not carry the room's mix"
echo "ok"
