#!/usr/bin/env bash
# The desktop launcher seeds a per-user program directory under the XDG data home from the
# installed data on first start, never replaces the user's files, and starts the program there.
# Usage: desktop_start.sh LAUNCHER VALDORIN_CLI
set -euo pipefail
launcher="$1"
cli="$2"
root="$(mktemp -d)"
trap 'rm -rf "$root"' EXIT
mkdir -p "$root/bin" "$root/share/valdorin"
cp "$launcher" "$root/bin/valdorin-desktop"
"$cli" seed "$root/share/valdorin"
# A stand-in for the program: records where it was started.
printf '#!/bin/sh\npwd > "%s/started-in"\n' "$root" >"$root/bin/valdorin"
chmod +x "$root/bin/valdorin" "$root/bin/valdorin-desktop"

export XDG_DATA_HOME="$root/home/data"
"$root/bin/valdorin-desktop"
dir="$XDG_DATA_HOME/valdorin"
[ "$(cat "$root/started-in")" = "$dir" ] || { echo "started in $(cat "$root/started-in")"; exit 1; }
for f in power.dxg Blank.wav Panning.dat; do
    cmp "$root/share/valdorin/$f" "$dir/$f" || { echo "$f not seeded"; exit 1; }
done
[ -d "$dir/temp" ] || { echo "no temp directory"; exit 1; }

# A second start keeps what the user changed.
printf '5\r\n' >"$dir/Panning.dat"
"$root/bin/valdorin-desktop"
[ "$(cat "$dir/Panning.dat")" = "$(printf '5\r')" ] || { echo "Panning.dat replaced"; exit 1; }
echo "desktop start passed"
