#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The CPU time that monitoring a folder of 10,000 matching files costs while nothing arrives,
# measured from /proc over 60 s of the real program under Xvfb, as a share of one core.
# Usage: bench/idle_cpu.sh [path to varndel] [seconds]   (run inside xvfb-run, or it starts one)
set -euo pipefail
binary=${1:-$(dirname "$0")/../build/src/varndel}
seconds=${2:-60}
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a "$0" "$binary" "$seconds"
fi
root=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$root"' EXIT
mkdir -p "$root/in"
for i in $(seq 1 10000); do : > "$root/in/captura_$i.bmp"; done
printf '[CONFIGURACION]\nDir1=%s\nDir2=%s\nPref=Fotos_\nImagenes=32767\nExt=*.bmp\n' \
  "$root/in" "$root" > "$root/Config.ini"
"$binary" --config "$root/Config.ini" > "$root/log" 2>&1 &
pid=$!
until window=$(xdotool search --onlyvisible --name '^Varndel$' 2>/dev/null | head -n 1) &&
  [ -n "$window" ]; do sleep 0.2; done
xdotool windowactivate --sync "$window" 2>/dev/null || true
xdotool key --window "$window" alt+i
sleep 2
# Nanoseconds on a CPU, every thread of the process together: finer than the clock ticks of
# /proc/PID/stat, which would count 10 ms at a time.
cpu_ns() { cat /proc/"$pid"/task/*/schedstat | awk '{ sum += $1 } END { print sum }'; }
before=$(cpu_ns)
sleep "$seconds"
after=$(cpu_ns)
awk -v used=$((after - before)) -v s="$seconds" \
  'BEGIN { printf "idle monitoring of 10,000 files: %.3f %% of a core over %d s\n", 100 * used / 1e9 / s, s }'
