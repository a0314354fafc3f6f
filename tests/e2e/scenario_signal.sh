# SPDX-License-Identifier: GPL-3.0-or-later
# SIGTERM, as the desktop sends it at logout, in the middle of a save of 3,000 files (across two
# file systems when a tmpfs can be mounted): the program ends with status 0 within 2 s, and
# every file is once under its own name, in the watched folder or a whole batch, with no
# hidden name or journal left. Outside a save the program ends at once.
source "$(dirname "$0")/lib.sh"

watched=$E2E_ROOT/Capturas
saved=$E2E_ROOT/Lotes
mkdir -p "$watched" "$saved"
if [ "$(id -u)" -eq 0 ] && mount -t tmpfs varndel-e2e "$saved" 2>/dev/null; then
  trap 'umount "$saved" 2>/dev/null; e2e_cleanup' EXIT
fi
head -c 65536 /dev/urandom > "$E2E_ROOT/picture"
for i in $(seq 1 3000); do cp "$E2E_ROOT/picture" "$watched/captura_$i.bmp"; done
write_config "Dir1=$watched" "Dir2=$saved" "Pref=Fotos_" "Imagenes=3000" "Ext=*.bmp" "Vis=0x1"

now_ms() { echo $(($(date +%s%N) / 1000000)); }
saving() { ls -A "$watched" | grep -q '^\.varndel-' || [ -n "$(ls -A "$saved")" ]; }

start_varndel
window=$(wait_window Varndel 8) || fail "no window titled Varndel within 8 s"
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
xdotool key --window "$window" alt+i
wait_for 10 saving || fail "no save began within 10 s"
sent=$(now_ms)
kill -TERM "$E2E_PID"
status=0
wait "$E2E_PID" || status=$?
took=$(($(now_ms) - sent))
E2E_PID=
echo "ended ${took} ms after SIGTERM, with status $status"
[ "$status" -eq 0 ] || fail "exit status $status after SIGTERM"
[ "$took" -le 2000 ] || fail "took ${took} ms to end after SIGTERM"

hidden=$(find "$watched" "$saved" -name '.varndel-*' | head -n 5)
[ -z "$hidden" ] || fail "hidden names left: $hidden"
total=$(find "$watched" "$saved" -type f -name 'captura_*.bmp' | wc -l)
unique=$(find "$watched" "$saved" -type f -name 'captura_*.bmp' -printf '%f\n' | sort -u | wc -l)
[ "$total" -eq 3000 ] && [ "$unique" -eq 3000 ] || fail "$total files, $unique names, not 3000"
cmp -s "$watched/captura_1.bmp" "$E2E_ROOT/picture" ||
  cmp -s "$(find "$saved" -name captura_1.bmp)" "$E2E_ROOT/picture" || fail "captura_1.bmp changed"

start_varndel
wait_window Varndel 8 > /dev/null || fail "no window the second time"
sent=$(now_ms)
kill -TERM "$E2E_PID"
status=0
wait "$E2E_PID" || status=$?
E2E_PID=
[ "$status" -eq 0 ] || fail "exit status $status after SIGTERM while idle"
echo "signal scenario passed"
