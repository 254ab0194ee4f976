#!/usr/bin/env bash
# Recovery after a crash, through the real valdorin binary under Xvfb:
#  1. edit cells, the tempo, the loop count and the play list; kill the program with SIGKILL;
#  2. start again, answer Yes: the work is back (Save Pattern writes it, and the next recovery
#     copy holds it); kill again;
#  3. start again, answer No: the copy is gone; a clean exit leaves no copy.
# Usage: recovery.sh VALDORIN VALDORIN_CLI
set -euo pipefail
valdorin="$1"
cli="$2"
dir="$(mktemp -d)"
pid=""
cleanup() {
    [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null || true
    rm -rf "$dir"
}
trap cleanup EXIT
"$cli" seed "$dir"
cd "$dir"
copy="$dir/temp/recovery.dat"

fail() {
    echo "FAIL: $*"
    echo "--- program output"
    cat "$dir/out.log" || true
    [ -f "$copy" ] && { echo "--- recovery copy"; cat -A "$copy"; }
    [ -f "$dir/first.dat" ] && { echo "--- copy left by the crash"; cat -A "$dir/first.dat"; }
    exit 1
}

# Waits up to 10 s for a window whose whole name matches; prints its id.
find_window() {
    local id=""
    for _ in $(seq 1 100); do
        id="$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true)"
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}

start() {
    VALDORIN_AUDIO=null "$valdorin" >>"$dir/out.log" 2>&1 &
    pid=$!
}

main_window() {
    window="$(find_window '^Valdorin Pro v')" || fail "main window not found"
    # Without a window manager the program stays inactive until one of its windows has the
    # focus.
    xdotool windowfocus --sync "$window" || true
    sleep 0.3
}

# Clicks a control of the main window at its place in the window's client area (the menu bar,
# about 21 pixels high, comes first; every point below lies well inside its control).
click() {
    xdotool mousemove --window "$window" "$1" $(($2 + 21)) click 1
    sleep 0.2
}

keys() {
    xdotool key --delay 60 "$@"
    sleep 0.2
}

kill_hard() {
    kill -9 "$pid"
    wait "$pid" 2>/dev/null || true
    pid=""
}

wait_for_copy() {
    for _ in $(seq 1 50); do
        [ -f "$copy" ] && grep -q "$1" "$copy" && return 0
        sleep 0.1
    done
    fail "no recovery copy holding $1"
}

line() { sed -n "$(($2 + 1))p" "$1" | tr -d '\r'; }

# ---- 1. Work, then a crash ----
start
main_window
[ -f "$copy" ] && fail "a copy before any change"
click 70 202                      # the pattern name box
keys ctrl+a
xdotool type --delay 60 "Groove"
click 407 200                     # Save Pattern: Groove.pat, and Groove on the play list
[ -f "$dir/Groove.pat" ] || fail "Save Pattern wrote nothing"
click 50 40                       # the pattern library's second entry, Groove
click 130 72                      # add to the play list: Groove twice now
click 400 82                      # the instrument chooser
keys ctrl+a
xdotool type --delay 60 "Kick      [ ]"
keys Return                       # Insert instrument: cell (1,2), and the grid has the focus
keys Down Right Return 7          # cell (2,3), with the volume digit 7
click 552 219                     # the loop count
keys ctrl+a 3
keys Tab Prior Prior              # the tempo bar, moved two pages
wait_for_copy "^Kick      \[7\]"
sleep 1.5                         # the last changes reach the copy too
kill_hard
[ -f "$copy" ] || fail "the copy went with the crash"
cp "$copy" "$dir/first.dat"

# ---- 2. Yes brings the work back ----
start
question="$(find_window '^Question$')" || fail "no question after the crash"
xdotool windowfocus --sync "$question" || true
sleep 0.3
keys y
main_window
click 407 200                     # Save Pattern writes the restored grid, tempo and loops
sleep 0.5
pat="$dir/Groove.pat"
[ "$(line "$pat" 15)" = "Kick      [ ]" ] || fail "cell (1,2) not back: $(line "$pat" 15)"
[ "$(line "$pat" 23)" = "Kick      [7]" ] || fail "cell (2,3) not back: $(line "$pat" 23)"
saved_tempo="$(line "$pat" 133)"
[ "$saved_tempo" != 60 ] || fail "the tempo is not back"
[ "$(line "$pat" 134)" = 3 ] || fail "the loop count is not back: $(line "$pat" 134)"
click 70 202                      # one more change, so that a new copy is written
keys End 2
wait_for_copy "^Groove2"
sleep 0.5
kill_hard
[ "$(grep -c '^-Groove' "$copy")" = 2 ] || fail "the play list is not back"
grep -q "^Kick      \[7\]" "$copy" || fail "the cells are not in the new copy"
grep -qx "$saved_tempo"$'\r' "$copy" || fail "the tempo is not in the new copy"

# ---- 3. No discards the copy; a clean exit leaves none ----
start
question="$(find_window '^Question$')" || fail "no question after the second crash"
xdotool windowfocus --sync "$question" || true
sleep 0.3
keys n
main_window
sleep 0.5
[ -f "$copy" ] && fail "No kept the copy"
click 552 219                     # a change, so that a copy is written again
keys ctrl+a 5
wait_for_copy "^5"$'\r'
click 300 400                     # back to the grid (an empty chooser changes no cell)
keys ctrl+c                       # File "E&xit"
for _ in $(seq 1 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "valdorin did not quit on Ctrl+C"
wait "$pid" || fail "valdorin exited with $?"
pid=""
[ -f "$copy" ] && fail "a clean exit left the copy"
echo "recovery test passed"
