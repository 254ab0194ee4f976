#!/usr/bin/env bash
# Starts the real valdorin binary under Xvfb in a fresh program directory, finds its main
# window, quits with Ctrl+C (File "E&xit") and checks the pan file it leaves behind.
# Usage: smoke.sh VALDORIN VALDORIN_CLI
set -euo pipefail
valdorin="$1"
cli="$2"
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
"$cli" seed "$dir"
rm "$dir/Panning.dat"
printf '0\r\n0\r\n0\r\n-300\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n1200\r\n' \
    >"$dir/Panning.dat"
cp "$dir/Panning.dat" "$dir/expected.dat"

cd "$dir"
VALDORIN_AUDIO=null "$valdorin" >"$dir/out.log" 2>&1 &
pid=$!

window=""
for _ in $(seq 1 100); do
    window="$(xdotool search --name '^Valdorin Pro v5.0$' 2>/dev/null | head -n 1 || true)"
    [ -n "$window" ] && break
    kill -0 "$pid" 2>/dev/null || { cat "$dir/out.log"; echo "valdorin exited early"; exit 1; }
    sleep 0.1
done
[ -n "$window" ] || { echo "main window not found"; kill "$pid"; exit 1; }

# Without a window manager the program stays inactive until one of its windows has the focus.
xdotool windowfocus --sync "$window" || true
sleep 0.3
xdotool key ctrl+c

for _ in $(seq 1 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
    echo "valdorin did not quit on Ctrl+C"
    kill "$pid"
    exit 1
fi
wait "$pid" || { echo "valdorin exited with $?"; cat "$dir/out.log"; exit 1; }

cmp "$dir/Panning.dat" "$dir/expected.dat" || { echo "Panning.dat differs"; od -c "$dir/Panning.dat" | head; exit 1; }
echo "smoke test passed"
