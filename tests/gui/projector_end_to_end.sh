#!/usr/bin/env bash
# The projector on a display of two screens (Xorg's dummy driver, one virtual screen split
# into the RandR monitors LEFT and RIGHT): a red clip on the left deck and a blue one on
# the right, the projector opened by a double-click on the video area. It fills the screen
# the main window is not on; its pixels follow the crossfader; a sound-only song on the
# right deck, faded in alone, leaves it black; a counted clip shows the frame of the
# position a seek chose. OpenGL is Mesa's software renderer. Needs root for Xorg.
program=$(realpath "$1")
source "$(dirname "$0")/end_to_end.sh"

media() { ffmpeg -loglevel error -y "$@"; }
clip() {  # colour, file: 30 s with sound
    media -f lavfi -i "color=$1:size=320x240:rate=25:duration=30" \
        -f lavfi -i "sine=f=440:duration=30" -c:v mpeg4 -q:v 2 -c:a aac "$2"
}
clip red "$work/red.mp4"
clip blue "$work/blue.mp4"
media -f lavfi -i "sine=f=330:duration=30" "$work/song.wav"
# Frame N shows N in binary: eight bars, white for 1 (as the engine tests' counted clip).
media -f lavfi -i "color=black:s=128x16:r=25:d=4,format=yuv420p,geq=lum='if(bitand(N\,pow(2\,floor(X/16)))\,235\,16)':cb=128:cr=128" \
    -f lavfi -i "sine=f=440:duration=4" -c:v mpeg4 -q:v 2 -g 50 -c:a aac "$work/counted.mp4"

cat >"$work/xorg.conf" <<'CONF'
Section "Device"
    Identifier "card"
    Driver "dummy"
    VideoRam 32768
EndSection
Section "Monitor"
    Identifier "monitor"
    HorizSync 5.0-1000.0
    VertRefresh 5.0-200.0
    Modeline "2304x768" 100.00 2304 2336 2400 2432 768 771 777 780
EndSection
Section "Screen"
    Identifier "screen"
    Device "card"
    Monitor "monitor"
    DefaultDepth 24
    SubSection "Display"
        Depth 24
        Modes "2304x768"
        Virtual 2304 768
    EndSubSection
EndSection
CONF
Xorg -noreset -nolisten tcp -config "$work/xorg.conf" -logfile "$work/xorg.log" \
    -displayfd 3 3>"$work/display" >/dev/null 2>&1 &
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
[ -s "$work/display" ] || fail "Xorg with the dummy driver did not start"
export DISPLAY=":$(head -1 "$work/display")"
xrandr --setmonitor LEFT 1024/270x768/200+0+0 DUMMY0 >/dev/null
xrandr --setmonitor RIGHT 1280/340x768/200+1024+0 none >/dev/null
export SDL_AUDIODRIVER=dummy ROTAVOX_HOME="$work/home" XDG_CONFIG_HOME="$work/config"
export LIBGL_ALWAYS_SOFTWARE=1

cd "$work"
"$program" "$work/red.mp4" "$work/counted.mp4" 2>"$work/program.log" &
program_pid=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Rotavox$' | head -1)
[ -n "$window" ] || fail "no window"
eval "$(xdotool getwindowgeometry --shell "$window")"  # X, Y of the main window

click() { xdotool mousemove --sync $((X + $1)) $((Y + $2)) click "${@:3}" 1; }
# Waits up to 20 s for a command to succeed (the machine may be busy).
await() {
    for _ in $(seq 200); do "$@" && return 0; sleep 0.1; done
    return 1
}
# One pixel of the screen as "r g b".
pixel() { import -window root -crop "1x1+$1+$2" -depth 8 rgb:- | od -An -tu1 | xargs; }
# The projector's centre, when it fills RIGHT.
centre_is() { awk -v want="$1" -v got="$(pixel 1664 384)" 'BEGIN {
    split(got, c, " "); split(want, w, " ");
    for (i = 1; i <= 3; i++) if ((w[i] == "hi" && c[i] < 200) || (w[i] == "lo" && c[i] > 40) ||
                                 (w[i] == "mid" && (c[i] < 90 || c[i] > 165))) exit 1 }'; }
windows() { xdotool search --onlyvisible --name . 2>/dev/null | wc -l; }
windows_are() { [ "$(windows)" -eq "$1" ]; }  # counted afresh on each try of `await`
projector_gone() { [ -z "$(xdotool search --onlyvisible --name '^Rotavox projector$' 2>/dev/null)" ]; }
add_right() {  # the right deck's "+" (three tries: a click while the window settles is lost)
    local before try
    before=$(windows)
    for try in 1 2 3; do
        click 352 376
        for _ in $(seq 50); do [ "$(windows)" -gt "$before" ] && break 2; sleep 0.1; done
    done
    [ "$(windows)" -gt "$before" ] || fail "no open dialog"
    sleep 0.5  # its file name field takes the keyboard
    xdotool type --delay 10 "$1"
    xdotool key Return
    await windows_are "$before" || fail "the open dialog stays"
}
crossfade() { click "$1" 184; }  # a press on the crossfader's track at that x

click 60 265 --repeat 2 --delay 100  # the red clip on the left deck
add_right "$work/blue.mp4"
click 440 265 --repeat 2 --delay 100  # and the blue one on the right
sleep 1

click 280 76 --repeat 2 --delay 100  # a double-click on the video area
projector=$(timeout 20 xdotool search --sync --onlyvisible --name '^Rotavox projector$' | head -1)
[ -n "$projector" ] || fail "no projector"
geometry=$(xdotool getwindowgeometry --shell "$projector" | tr '\n' ' ')
[[ $geometry == *"X=1024 Y=0 WIDTH=1280 HEIGHT=768"* ]] || fail "not on RIGHT: $geometry"

await centre_is "hi lo lo" || fail "not red with the crossfader at the left: $(pixel 1664 384)"
crossfade 360
await centre_is "lo lo hi" || fail "not blue with the crossfader at the right: $(pixel 1664 384)"
crossfade 275
await centre_is "mid lo mid" || fail "not both in the middle: $(pixel 1664 384)"

add_right "$work/song.wav"
sleep 1  # the list lays out its new entry between other events
click 440 278 --repeat 2 --delay 100  # the song, second on the right
crossfade 360
await centre_is "lo lo lo" || fail "not black for a song without pictures: $(pixel 1664 384)"

crossfade 194
click 60 265  # the counted clip, second on the left
xdotool key Down Return
sleep 1
click 96 192  # pause
# The clip fills the projector's width, 160 pixels high: bar b's middle at x = 80 (2b + 1).
shown_number() {
    import -window root -crop 1280x1+1024+384 -depth 8 rgb:- | od -An -v -tu1 -w3 |
        awk '{ red[NR - 1] = $1 } END {
            for (bit = 0; bit < 8; bit++) if (red[80 * (2 * bit + 1)] > 128) n += 2 ^ bit
            print n + 0 }'
}
# A press k pixels into the seek bar's client seeks to k * 4 s / 173 (frames of 40 ms).
for k in 100 40; do
    expected=$((k * 4000 / 173 / 40))
    click $((10 + k)) 160
    shows_expected() { [ "$(shown_number)" -eq "$expected" ]; }
    await shows_expected || fail "after a seek to ${k}: frame $(shown_number), not $expected"
done

xdotool windowfocus --sync "$projector" key Escape
await projector_gone || fail "Esc did not close the projector"
# The video area shows the decks' pictures again, though the clip came while the projector
# was open: its paused frame stretched over the area's client (x from 194, 177 wide).
area_number() {
    local bit n=0
    for bit in $(seq 0 7); do
        read -r red _ < <(pixel $((X + 194 + (2 * bit + 1) * 177 / 16)) $((Y + 78)))
        [ "$red" -gt 128 ] && n=$((n + (1 << bit)))
    done
    echo "$n"
}
area_shows_expected() { [ "$(area_number)" -eq "$expected" ]; }
await area_shows_expected || fail "the video area shows frame $(area_number), not $expected"
kill -0 "$program_pid" 2>/dev/null || fail "the program ended with the projector"
echo "ok"
