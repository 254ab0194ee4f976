#!/usr/bin/env bash
# Plays a two-pattern song in the real valdorin binary on a real sound server: a private
# PulseAudio daemon with a null sink, reached the way a desktop reaches it (PortAudio, ALSA's
# PulseAudio plugin). Records the sink's monitor and checks that the steps arrive one step
# interval apart, with the tempo change where the song's timing puts it, and that the output
# saw no underflow while the song played. Run under Xvfb; exits 77 (skipped) where the daemon
# cannot start.
# Usage: pulse_playback.sh VALDORIN VALDORIN_CLI ONSETS
set -euo pipefail
valdorin="$1"
cli="$2"
onsets="$3"

skip() {
    echo "SKIPPED: $*"
    exit 77
}

for tool in pulseaudio pactl parec xdotool; do
    command -v "$tool" >/dev/null || skip "$tool is not installed (packages pulseaudio, pulseaudio-utils, xdotool)"
done
[ -e /usr/share/alsa/alsa.conf.d/pulse.conf ] || skip "ALSA's PulseAudio plugin is not installed (package libasound2-plugins)"

work="$(mktemp -d)"
daemon=""
recorder=""
program=""
cleanup() {
    for pid in "$program" "$recorder" "$daemon"; do
        [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

# A server of our own: its runtime directory, home (cookie) and configuration are private, so a
# desktop's own server is neither used nor disturbed.
export XDG_RUNTIME_DIR="$work/run" HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
mkdir -m 700 "$XDG_RUNTIME_DIR" "$HOME"
unset PULSE_SERVER PULSE_SINK PULSE_COOKIE
rate=44100
sink=valdorin_test
# As root the daemon warns that it is meant for a user session, and runs.
pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --log-target=stderr \
    -L "module-null-sink sink_name=$sink rate=$rate channels=2" \
    -L module-native-protocol-unix >"$work/pulse.log" 2>&1 &
daemon=$!
for _ in $(seq 1 100); do
    pactl info >/dev/null 2>&1 && break
    kill -0 "$daemon" 2>/dev/null || break
    sleep 0.1
done
if ! pactl info >/dev/null 2>&1; then
    cat "$work/pulse.log"
    skip "the PulseAudio daemon did not start"
fi
pactl set-default-sink "$sink"

# Two patterns of 16 steps, a rimshot on every step: A at tempo 60 (a step every 120 ms) 15
# times over, B at tempo 90 (every 180 ms) 11 times over; a minute of song.
dir="$work/programdir"
"$cli" seed "$dir" >/dev/null
pattern() { # NAME TEMPO LOOPS
    {
        printf '%s\r\nLength:\r\n16\r\nTime:\r\n4\r\n\r\n\r\n' "$1"
        printf '\r\n'
        for c in 1 2 3 4 5 6; do printf 'Channel %s\r\n' "$c"; done
        for step in $(seq 1 16); do
            printf '%s\r\nRimshot   [1]\r\n\r\n\r\n\r\n\r\n\r\n' "$step"
        done
        printf '17\r\n\r\n\r\n\r\n\r\n\r\n\r\n'
        printf '%s\r\n%s\r\n' "$2" "$3"
        for _ in $(seq 1 32); do printf 'Blank.wav\r\n44100\r\n'; done
    } >"$dir/$1.pat"
}
pattern A 60 15
pattern B 90 11
printf 'A\r\nB\r\n' >"$dir/song.sng"

parec -d "$sink.monitor" --format=s16le --rate=$rate --channels=2 --raw >"$work/recording.raw" &
recorder=$!

cd "$dir"
# The machines that run the tests are shared and loaded: the output starts at the largest buffer
# it would grow to, so that no underflow in the settling seconds breaks up the song.
VALDORIN_AUDIO=portaudio VALDORIN_AUDIO_REPORT=1 VALDORIN_AUDIO_LATENCY_MS="${VALDORIN_AUDIO_LATENCY_MS:-250}" "$valdorin" >"$work/valdorin.log" 2>&1 &
program=$!
window=""
for _ in $(seq 1 100); do
    window="$(xdotool search --name '^Valdorin Pro v5.0$' 2>/dev/null | head -n 1 || true)"
    [ -n "$window" ] && break
    kill -0 "$program" 2>/dev/null || { cat "$work/valdorin.log"; echo "valdorin exited early"; exit 1; }
    sleep 0.1
done
[ -n "$window" ] || { echo "main window not found"; exit 1; }
# Without a window manager the program stays inactive, and its timers still, until one of its
# windows has the focus.
xdotool windowfocus --sync "$window" || true
# A few seconds of silence, in which the output settles on its buffer.
sleep 8
grep -q '^valdorin audio: buffer' "$work/valdorin.log" || {
    cat "$work/valdorin.log"
    echo "valdorin did not open the sound server through PortAudio"
    exit 1
}

# Open Song (Ctrl+O), the file's name typed into the dialog, then Play Song (F5).
xdotool key ctrl+o
sleep 2
xdotool type --delay 20 "$dir/song.sng"
xdotool key Return
sleep 1
xdotool windowfocus --sync "$window" || true
sleep 0.5
start="$(date +%s.%N)"
xdotool key F5
# The first step comes a second after F5, then 240 steps of 120 ms and 175 of 180 ms.
sleep 64
end="$(date +%s.%N)"
kill "$recorder"
wait "$recorder" 2>/dev/null || true
recorder=""
xdotool windowfocus --sync "$window" || true
xdotool key ctrl+c
for _ in $(seq 1 100); do
    kill -0 "$program" 2>/dev/null || break
    sleep 0.1
done
status=0
wait "$program" || status=$?
program=""
cat "$work/valdorin.log"
[ "$status" -eq 0 ] || { echo "valdorin exited with $status"; exit 1; }

failed=0
"$onsets" "$work/recording.raw" $rate 240x120 175x180 --tolerance-ms 2 || failed=1
during="$(awk -v s="$start" -v e="$end" '/^valdorin audio: underflow at / { t = $5 + 0; if (t >= s && t <= e) n++ } END { print n + 0 }' "$work/valdorin.log")"
echo "underflows during the song: $during"
[ "$during" -eq 0 ] || failed=1
[ "$failed" -eq 0 ] || { echo "pulse playback test failed"; exit 1; }
echo "pulse playback test passed"
