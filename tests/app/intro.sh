#!/usr/bin/env bash
# The intro video in the real valdorin binary under Xvfb: never shown without "Valdorin.avi";
# shown with a small AVI made here, gone at once on a key or a click, gone by itself after ten
# seconds; a damaged AVI is reported and the window goes. Exits 77 (skipped) where GStreamer
# cannot make or play an AVI.
# Usage: intro.sh VALDORIN VALDORIN_CLI
set -euo pipefail
valdorin="$(readlink -f "$1")"
cli="$(readlink -f "$2")"
work="$(mktemp -d)"
pid=""
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT

if ! command -v gst-launch-1.0 >/dev/null ||
    ! gst-launch-1.0 -q videotestsrc num-buffers=150 ! \
        video/x-raw,width=160,height=80,framerate=10/1 ! jpegenc ! avimux ! \
        filesink location="$work/good.avi" >/dev/null 2>&1 ||
    ! gst-inspect-1.0 avidemux >/dev/null 2>&1; then
    echo "SKIP: GStreamer cannot make or read an AVI here (gstreamer1.0-tools, -plugins-good)"
    exit 77
fi
printf 'RIFF\x10\x00\x00\x00AVI LIST' >"$work/bad.avi"
head -c 400 /dev/zero >>"$work/bad.avi"

fail() {
    echo "FAIL: $*"
    [ -f "$work/dir/out.log" ] && cat "$work/dir/out.log"
    exit 1
}

# start [VIDEO]: a fresh program directory, with VIDEO as Valdorin.avi when given.
start() {
    rm -rf "$work/dir"
    mkdir "$work/dir"
    "$cli" seed "$work/dir" >/dev/null
    [ $# -gt 0 ] && cp "$1" "$work/dir/Valdorin.avi"
    (cd "$work/dir" && VALDORIN_AUDIO=null exec "$valdorin" >"$work/dir/out.log" 2>&1) &
    pid=$!
    main=""
    for _ in $(seq 1 150); do
        main="$(xdotool search --onlyvisible --name '^Valdorin Pro v5.0$' 2>/dev/null | head -n 1 || true)"
        [ -n "$main" ] && return
        kill -0 "$pid" 2>/dev/null || fail "valdorin exited early"
        sleep 0.1
    done
    fail "main window not found"
}

visible() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true; }

# wait_for PATTERN present|gone SECONDS
wait_for() {
    local n=$(($3 * 10))
    for _ in $(seq 1 "$n"); do
        local w
        w="$(visible "$1")"
        if [ "$2" = present ] && [ -n "$w" ]; then echo "$w"; return 0; fi
        if [ "$2" = gone ] && [ -z "$w" ]; then return 0; fi
        sleep 0.1
    done
    return 1
}

quit() {
    xdotool windowfocus --sync "$main" 2>/dev/null || true
    sleep 0.3
    xdotool key ctrl+c
    for _ in $(seq 1 100); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$pid" 2>/dev/null && fail "valdorin did not quit"
    wait "$pid" || fail "valdorin exited with $?"
    pid=""
}

echo "no video: no intro"
start
sleep 2
[ -z "$(visible '^IntroScreen$')" ] || fail "the intro showed without a video"
quit

echo "a key ends the intro"
start "$work/good.avi"
intro="$(wait_for '^IntroScreen$' present 10)" || fail "the intro did not show"
sleep 1
[ -z "$(visible '^Valdorin$')" ] || fail "the video was reported as unplayable"
[ -n "$(visible '^IntroScreen$')" ] || fail "the intro closed before a key"
xdotool windowfocus --sync "$intro" 2>/dev/null || true
xdotool key space
wait_for '^IntroScreen$' gone 3 || fail "a key did not close the intro"
quit

echo "a click ends the intro"
start "$work/good.avi"
intro="$(wait_for '^IntroScreen$' present 10)" || fail "the intro did not show"
xdotool mousemove --window "$intro" 200 100 click 1
wait_for '^IntroScreen$' gone 3 || fail "a click did not close the intro"
quit

echo "ten seconds end the intro"
start "$work/good.avi"
wait_for '^IntroScreen$' present 10 >/dev/null || fail "the intro did not show"
shown=$(date +%s)
sleep 8
[ -n "$(visible '^IntroScreen$')" ] || fail "the intro closed before ten seconds"
wait_for '^IntroScreen$' gone 8 || fail "the intro stayed beyond ten seconds"
echo "closed after about $(($(date +%s) - shown)) s"
quit

echo "a damaged video is reported and the intro goes"
start "$work/bad.avi"
# On a loaded machine Qt's GStreamer backend now and then never answers a damaged file (the
# reporting itself is tested with the player alone); the intro must go either way.
if box="$(wait_for '^Valdorin$' present 15)"; then
    [ -z "$(visible '^IntroScreen$')" ] || fail "the intro stayed with a damaged video"
    xdotool windowfocus --sync "$box" 2>/dev/null || true
    xdotool key Return
    wait_for '^Valdorin$' gone 5 || fail "the error box did not close"
else
    echo "note: the media backend did not report the damaged video in 15 s"
    [ -z "$(visible '^IntroScreen$')" ] || fail "the intro stayed with a damaged video"
fi
quit

echo "intro test passed"
