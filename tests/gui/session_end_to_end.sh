#!/usr/bin/env bash
# The real program as a desktop session meets it, under a virtual X server:
# - a second start hands its files to the running window (their playlist, saved through
#   the right-click menu, lists them after the first start's, in order) and ends with
#   status 0 within a second, leaving one window;
# - the lock and socket of a killed window do not stop the next starts, and two starts
#   at the same instant make one window that holds both starts' files;
# - SIGTERM while a song plays closes the program with status 0 within a second.
set -euo pipefail
program=$(realpath "$1")
source "$(dirname "$0")/virtual_desktop.sh"
export SDL_AUDIODRIVER=dummy ROTAVOX_HOME="$work/home"
cd "$work"
sox -n -r 44100 -c 2 one.wav synth 20 sine 440 vol 0.3
for name in two "three songs" four "five ü"; do cp one.wav "$name.wav"; done

now_ms() { echo $(($(date +%s%N) / 1000000)); }
mixer_windows() { xdotool search --onlyvisible --name '^Rotavox$' | wc -l; }
menu_open() { [ "$(xdotool search --onlyvisible --pid "$(xdotool getwindowpid "$window")" | wc -l)" -ge 2 ]; }
save_dialog_open() { xdotool search --onlyvisible --name '^Save playlist$' >/dev/null; }
# The left playlist's paths, as its right-click menu saves them.
saved_playlist() {
    local file="$work/saved-$RANDOM.m3u8"
    xdotool mousemove --sync $((X + 100)) $((Y + 330)) click 3  # not where clicks go: --sync would wait
    await menu_open || fail "no playlist menu"
    xdotool key Down Return
    await save_dialog_open || fail "no save dialog"
    sleep 0.5  # its file name field takes the keyboard
    xdotool type --delay 10 "$file"
    xdotool key Return
    await test -s "$file" || fail "the playlist was not saved"
    grep -v '^#' "$file"
}

"$program" one.wav 2>>program.log &
first=$!
find_window
started=$(now_ms)
status=0
timeout 10 "$program" two.wav missing.wav "three songs.wav" 2>>program.log || status=$?
handed_ms=$(($(now_ms) - started))
echo "second start ended after $handed_ms ms"
[ "$status" = 0 ] || fail "the second start ended with status $status"
[ "$handed_ms" -le 1000 ] || fail "the second start took $handed_ms ms"
[ "$(mixer_windows)" = 1 ] || fail "$(mixer_windows) windows"
expected=$(printf '%s\n' "$work/one.wav" "$work/two.wav" "$work/three songs.wav")
[ "$(saved_playlist)" = "$expected" ] || fail "the left playlist is not the three files in order"

kill -9 "$first"
wait "$first" 2>/dev/null || true
[ -e run/rotavox.lock ] && [ -S run/rotavox.socket ] || fail "the killed window left nothing"
"$program" four.wav 2>>program.log &
a=$!
"$program" "five ü.wav" 2>>program.log &
b=$!
one_ended() { ! kill -0 "$a" 2>/dev/null || ! kill -0 "$b" 2>/dev/null; }
await one_ended || fail "both starts kept running"
if kill -0 "$a" 2>/dev/null; then mixer=$a handed=$b; else mixer=$b handed=$a; fi
status=0
wait "$handed" || status=$?
[ "$status" = 0 ] || fail "the start that handed its file over ended with status $status"
find_window
[ "$(mixer_windows)" = 1 ] || fail "$(mixer_windows) windows after two starts at once"
expected=$(printf '%s\n' "$work/five ü.wav" "$work/four.wav")
[ "$(saved_playlist | sort)" = "$expected" ] || fail "the window does not hold both starts' files"

play_first_entry || fail "the song did not start"
started=$(now_ms)
kill -TERM "$mixer"
(sleep 5 && kill -KILL "$mixer") 2>/dev/null &  # so that a signal it ignores fails, not hangs
status=0
wait "$mixer" || status=$?
closed_ms=$(($(now_ms) - started))
echo "SIGTERM: status $status after $closed_ms ms"
[ "$status" = 0 ] || fail "SIGTERM ended the program with status $status"
[ "$closed_ms" -le 1000 ] || fail "SIGTERM took $closed_ms ms"
echo "ok"
