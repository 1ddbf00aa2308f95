#!/usr/bin/env bash
# Makes the media fuzzer's seed corpora: a few small files of each playable kind, in
# fuzz/media-seeds/<extension>/. Tiny on purpose (fractions of a second, 32x32 pictures):
# the fuzzer mutates faster and reaches the headers more often. Run from anywhere; the
# files are committed, so this only needs to run again to change them.
set -euo pipefail
out="$(cd "$(dirname "$0")" && pwd)/media-seeds"
rm -rf "$out"
mkdir -p "$out"/{mp3,wav,wma,m4a,mp4,avi,mov,mpg,mid}

tone() {  # tone SECONDS RATE: opposite signs left and right
    echo "-f lavfi -i aevalsrc=0.4*sin(2*PI*1000*t)|-0.4*sin(2*PI*1000*t):s=$2:d=$1:c=stereo"
}
monotone() {
    echo "-f lavfi -i aevalsrc=0.4*sin(2*PI*440*t):s=$2:d=$1:c=mono"
}
picture() {
    echo "-f lavfi -i testsrc=size=32x32:rate=25:duration=$1"
}
make() {  # make FILE OPTIONS...
    local file=$1
    shift
    # shellcheck disable=SC2068
    ffmpeg -nostdin -y -v error $@ -map_metadata -1 -fflags +bitexact "$out/$file"
}

make mp3/cbr.mp3 "$(tone 0.3 22050)" -c:a libmp3lame -b:a 32k
make mp3/vbr.mp3 "$(tone 0.3 44100)" -c:a libmp3lame -q:a 9
make mp3/bare.mp3 "$(monotone 0.3 16000)" -c:a libmp3lame -q:a 9 -write_xing 0
make mp3/id3.mp3 "$(tone 0.2 8000)" -c:a libmp3lame -b:a 16k -id3v2_version 3 -metadata title=t

make wav/s16.wav "$(tone 0.05 8000)" -c:a pcm_s16le
make wav/u8-mono.wav "$(monotone 0.05 11025)" -c:a pcm_u8
make wav/f32.wav "$(tone 0.02 8000)" -c:a pcm_f32le
make wav/s24.wav "$(tone 0.02 8000)" -c:a pcm_s24le
make wav/adpcm.wav "$(tone 0.1 8000)" -c:a adpcm_ima_wav

make wma/v2.wma "$(tone 0.3 22050)" -c:a wmav2 -b:a 32k
make wma/v1.wma "$(monotone 0.3 11025)" -c:a wmav1 -b:a 24k

make m4a/aac.m4a "$(tone 0.3 22050)" -c:a aac -b:a 32k
make m4a/alac.m4a "$(tone 0.03 8000)" -c:a alac

make mp4/h264-aac.mp4 "$(picture 0.3)" "$(tone 0.3 22050)" -c:v libx264 -preset ultrafast \
    -c:a aac -b:a 32k
make mp4/mpeg4-mp3.mp4 "$(picture 0.3)" "$(tone 0.3 22050)" -c:v mpeg4 -c:a libmp3lame -b:a 32k
make mp4/silent.mp4 "$(picture 0.3)" -c:v mpeg4

make avi/mpeg4-mp3.avi "$(picture 0.3)" "$(tone 0.3 22050)" -c:v mpeg4 -c:a libmp3lame -b:a 32k
make avi/mjpeg-pcm.avi "$(picture 0.08)" "$(tone 0.05 8000)" -c:v mjpeg -c:a pcm_s16le

make mov/h264-aac.mov "$(picture 0.3)" "$(tone 0.3 22050)" -c:v libx264 -preset ultrafast \
    -c:a aac -b:a 32k
make mov/pcm.mov "$(tone 0.05 8000)" -c:a pcm_s16be

make mpg/mpeg1-mp2.mpg "$(picture 0.3)" "$(tone 0.3 22050)" -c:v mpeg1video -c:a mp2 -b:a 32k
make mpg/mpeg2-mp2.mpg "$(picture 0.3)" "$(tone 0.3 32000)" -c:v mpeg2video -c:a mp2 -b:a 32k \
    -f vob

# MIDI is refused today; a seed for when it plays: note on, note off, end of track.
printf 'MThd\0\0\0\6\0\0\0\1\0\140MTrk\0\0\0\14\0\220\74\100\140\200\74\100\0\377\57\0' \
    >"$out/mid/tune.mid"
du -sh "$out"/*
