#!/usr/bin/env bash
# The real program under a virtual X server: `--record FILE` records the mix from the start;
# a song plays in it; SIGTERM closes the window, which finishes the file within a second.
# Then the same with SIGKILL: the file still reads up to its last flushed second. Last, an
# .mkv of a counted clip: its pictures keep step with its sound. OpenGL is Mesa's software
# renderer.
program=$(realpath "$1")
source "$(dirname "$0")/virtual_desktop.sh"

song="$work/tone.wav"
sox -n -r 48000 -c 2 "$song" synth 30 sine 440 vol 0.5
export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/out.raw" ROTAVOX_HOME="$work/home"
export LIBGL_ALWAYS_SOFTWARE=1
# The length the file's header states (FLAC states it once finished).
stated_length() { ffprobe -v error -show_entries stream=duration -of csv=p=0 "$1"; }
# Decodes the whole file (FFmpeg's exit status) and prints how many seconds it holds.
decoded_seconds() {
    ffmpeg -nostdin -v error -i "$1" -f f32le -ac 2 -ar 48000 - | wc -c |
        awk '{ printf "%.2f", $1 / 8 / 48000 }'
}

# Starts the program recording into $1, plays $3 (the song by default) for $2 seconds; sets
# program_pid.
record_while_playing() {
    "$program" --new-window --record "$1" "${3:-$song}" 2>"$work/program.log" &
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
# Frame N shows N in binary: eight bars, white for 1 (as the engine tests' counted clip).
ffmpeg -loglevel error -y -f lavfi \
    -i "color=black:s=128x16:r=25:d=8,format=yuv420p,geq=lum='if(bitand(N\,pow(2\,floor(X/16)))\,235\,16)':cb=128:cr=128" \
    -f lavfi -i "sine=f=440:duration=8" -c:v mpeg4 -q:v 2 -g 50 -c:a aac "$work/counted.mp4"
record_while_playing "$work/set.mkv" 4 "$work/counted.mp4"
kill -TERM "$program_pid"
wait "$program_pid" || true
streams=$(ffprobe -v error -show_entries stream=codec_name,width,height:stream_tags=DURATION \
    -of csv=p=0 "$work/set.mkv" | tr '\n' ' ')
echo "set.mkv: $streams"
[[ $streams == *"flac,"* && $streams == *"h264,1280,720,"* ]] || fail "not H.264 and FLAC"
# The two streams' lengths (h:mm:ss.fraction) within a picture of each other.
echo "$streams" | awk -F'[ ,:]+' '{ a = $2 * 3600 + $3 * 60 + $4; v = $8 * 3600 + $9 * 60 + $10
    exit !(a > 4 && (a - v) ^ 2 < 0.04 ^ 2) }' || fail "the streams' lengths differ"
# The clip's first sound in the recording, then the number each picture shows (the clip fills
# the width, 160 pixels high: bar b's middle at x = 80 (2b + 1) on the middle row) against
# the clip's frame for the picture's time. A picture may lag where the machine stalled the
# window's drawing, but never leads; in the middle of the clip it is in step.
onset=$(ffmpeg -nostdin -v error -i "$work/set.mkv" -map 0:a -ac 1 -f f32le - |
    od -An -v -tf4 -w4 | awk 'at == "" && ($1 > 0.1 || $1 < -0.1) { at = (NR - 1) / 48000 }
        END { print at }')
ffmpeg -nostdin -v error -i "$work/set.mkv" -map 0:v -vf crop=1280:2:0:359 -f rawvideo \
    -pix_fmt rgb24 - | od -An -v -tu1 -w7680 | awk -v onset="$onset" '{
        n = 0; for (bit = 0; bit < 8; bit++) if ($(3 * 80 * (2 * bit + 1) + 1) > 128) n += 2 ^ bit
        expected = int(((NR - 1) * 0.04 - onset) / 0.04 + 0.5)
        if (expected >= 0) print NR - 1, expected, n }' >"$work/pictures.txt"
awk '$3 > $2 + 1 { print "picture " $1 " shows frame " $3 " of the clip, ahead of " $2; bad = 1 }
    $2 == 50 { middle = $3 - $2 } END { print "in the middle: " middle + 0 " frames off"
    exit bad || middle < -1 || middle > 1 }' "$work/pictures.txt" ||
    fail "the pictures are out of step with the sound"
echo "ok"
