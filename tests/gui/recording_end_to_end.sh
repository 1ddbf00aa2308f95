#!/usr/bin/env bash
# The real program under a virtual X server: `--record FILE` records the mix from the start;
# a song plays in it; SIGTERM closes the window, which finishes the file within a second.
# Then the same with SIGKILL: the file still reads up to its last flushed second.
program=$(realpath "$1")
source "$(dirname "$0")/virtual_desktop.sh"

song="$work/tone.wav"
sox -n -r 48000 -c 2 "$song" synth 30 sine 440 vol 0.5
export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/out.raw" ROTAVOX_HOME="$work/home"
# The length the file's header states (FLAC states it once finished).
stated_length() { ffprobe -v error -show_entries stream=duration -of csv=p=0 "$1"; }
# Decodes the whole file (FFmpeg's exit status) and prints how many seconds it holds.
decoded_seconds() {
    ffmpeg -nostdin -v error -i "$1" -f f32le -ac 2 -ar 48000 - | wc -c |
        awk '{ printf "%.2f", $1 / 8 / 48000 }'
}

# Starts the program recording into $1, plays the song for $2 seconds; sets program_pid.
record_while_playing() {
    "$program" --new-window --record "$1" "$song" 2>"$work/program.log" &
    program_pid=$!
    find_window
    play_first_entry || fail "the song did not start"
    sleep "$2"
}

record_while_playing "$work/set.flac" 3
kill -TERM "$program_pid"
stopped=$(date +%s.%N)
wait "$program_pid" || true
took=$(awk -v a="$stopped" -v b="$(date +%s.%N)" 'BEGIN { print b - a }')
echo "closed by SIGTERM in $took s"
awk -v t="$took" 'BEGIN { exit !(t < 1) }' || fail "the close took $took s"
length=$(stated_length "$work/set.flac")
echo "set.flac: $length s"
awk -v d="$length" 'BEGIN { exit !(d > 3 && d < 30) }' || fail "a recording stating $length s"
# The last second of the recording is the song.
ffmpeg -nostdin -v error -i "$work/set.flac" -f f32le "$work/set.raw"
pitch=$(sox -t raw -r 48000 -e floating-point -b 32 -c 2 "$work/set.raw" -n remix 1 trim -1 \
    stat -freq 2>&1 |
    awk 'NF == 2 && $1 + 0 > 0 && $2 + 0 > best { best = $2 + 0; f = $1 } END { print f }')
echo "its last second: strongest frequency $pitch Hz"
awk -v f="$pitch" 'BEGIN { exit !(f > 420 && f < 460) }' || fail "not the song in the recording"

for format in flac wav; do
    record_while_playing "$work/killed.$format" 4
    kill -KILL "$program_pid"
    wait "$program_pid" || true
    seconds=$(decoded_seconds "$work/killed.$format") || fail "killed.$format does not decode"
    echo "killed.$format: $seconds s decoded"
    awk -v s="$seconds" 'BEGIN { exit !(s >= 2) }' || fail "killed.$format holds $seconds s"
done
echo "ok"
