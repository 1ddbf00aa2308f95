# Sourced by the tests that play through a real sound server. start_sound_server DIR starts
# a private PulseAudio (its runtime folder in DIR) with two null sinks of float stereo at
# 48 kHz, "Room" and "Phones" (monitors room.monitor and phones.monitor), and points this
# shell's programs at it. It returns 1 when the server does not come up; the caller skips
# then, unless ROTAVOX_REQUIRE_SOUND_SERVER=1 (tools/check sets it) makes that a failure.

start_sound_server() {
    local dir=$1
    mkdir -p "$dir/run" "$dir/state" && chmod 700 "$dir/run"
    export XDG_RUNTIME_DIR="$dir/run" PULSE_STATE_PATH="$dir/state" PULSE_RUNTIME_PATH="$dir/run/pulse"
    export SDL_AUDIODRIVER=pulseaudio
    unset PULSE_SERVER
    command -v pulseaudio >/dev/null || return 1
    local sink="format=float32le rate=48000 channels=2"
    pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --disable-shm=yes \
        --log-target=file:"$dir/server.log" \
        -L module-native-protocol-unix \
        -L "module-null-sink sink_name=room $sink sink_properties=device.description=Room" \
        -L "module-null-sink sink_name=phones $sink sink_properties=device.description=Phones" &
    for _ in $(seq 100); do
        pactl list short sinks 2>/dev/null | grep -q phones && return 0
        sleep 0.1
    done
    return 1
}

# Skips (exit 77) or, when the server is required, fails.
no_sound_server() {
    if [ "${ROTAVOX_REQUIRE_SOUND_SERVER:-0}" = 1 ]; then
        echo "FAIL: the sound server (PulseAudio, from tools/setup) did not start" >&2
        exit 1
    fi
    echo "SKIP: no sound server (PulseAudio did not start; tools/setup installs it)"
    exit 77
}
