# SPDX-License-Identifier: GPL-3.0-or-later
# Two copies of the program, started with two settings files, watch one folder and save into one
# folder (on another file system when a tmpfs can be mounted), while screenshots arrive: every
# file ends up exactly once under its own name, and no hidden name is left.
source "$(dirname "$0")/lib.sh"

watched=$E2E_ROOT/Capturas
saved=$E2E_ROOT/Lotes
staging=$E2E_ROOT/staging
mkdir -p "$watched" "$saved" "$staging"
if [ "$(id -u)" -eq 0 ] && mount -t tmpfs varndel-e2e "$saved" 2>/dev/null; then
  trap 'umount -l "$saved" 2>/dev/null; kill "$second" 2>/dev/null; e2e_cleanup' EXIT
fi
# A minimum of 1: with more, a last file that arrives alone would wait for company forever.
settings=("Dir1=$watched" "Dir2=$saved" "Pref=Fotos_" "Imagenes=1" "Ext=*.bmp" "Vis=0x1")
write_config "${settings[@]}"
{ echo "[CONFIGURACION]"; printf '%s\n' "${settings[@]}"; } > "$E2E_ROOT/Otra.ini"

start_varndel
first=$(wait_window Varndel 8) || fail "no first window"
"$E2E_APP/varndel" --config "$E2E_ROOT/Otra.ini" > "$E2E_ROOT/second.log" 2>&1 &
second=$!
wait_for 8 bash -c "[ \$(xdotool search --onlyvisible --name '^Varndel\$' | wc -l) -eq 2 ]" ||
  fail "the second copy showed no window"
for window in $(xdotool search --onlyvisible --name '^Varndel$'); do
  xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
  sleep 0.3
  xdotool key --window "$window" alt+i
done

for i in $(seq 1 40); do
  head -c 200000 /dev/urandom > "$staging/captura_$i.bmp"
  md5sum "$staging/captura_$i.bmp" | cut -d' ' -f1 > "$staging/captura_$i.sum"
  mv "$staging/captura_$i.bmp" "$watched/"
  sleep 0.1
done
settled() { [ -z "$(ls -A "$watched")" ]; }
wait_for 30 settled || fail "files still waiting: $(ls -A "$watched" | head)"
kill -0 "$E2E_PID" && kill -0 "$second" || fail "a copy ended"

hidden=$(find "$watched" "$saved" -name '.varndel-*' | head -n 5)
[ -z "$hidden" ] || fail "hidden names left: $hidden"
for i in $(seq 1 40); do
  copies=$(find "$saved" -type f -name "captura_$i.bmp")
  [ "$(echo "$copies" | grep -c .)" -eq 1 ] || fail "captura_$i.bmp is in $(echo "$copies" | wc -l) places"
  [ "$(md5sum < "$copies" | cut -d' ' -f1)" = "$(cat "$staging/captura_$i.sum")" ] ||
    fail "captura_$i.bmp changed"
done
echo "$(find "$saved" -mindepth 1 -maxdepth 1 -type d | wc -l) batches, 40 files each once"
echo "two copies scenario passed"
