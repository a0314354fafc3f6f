# A watched folder that refuses deletions (here a read-only mount) gets no batch: the files stay
# where they are, no batch folder holds any of them, and the save is not tried again and again.
source "$(dirname "$0")/lib.sh"

if [ "$(id -u)" -ne 0 ]; then
  echo "skipped: mounting a read-only folder needs root"
  exit 77
fi

watched=$E2E_ROOT/Capturas
saved=$E2E_ROOT/Lotes
mkdir -p "$watched" "$saved"
mount -t tmpfs varndel-e2e "$watched" || { echo "skipped: tmpfs cannot be mounted here"; exit 77; }
trap 'umount "$watched" 2>/dev/null; e2e_cleanup' EXIT
for name in uno dos tres; do printf '%s' "$name" > "$watched/$name.bmp"; done
mount -o remount,ro "$watched"

write_config "Dir1=$watched" "Dir2=$saved" "Pref=Fotos_" "Imagenes=1" "Ext=*.bmp" "Vis=0x1"
start_varndel
window=$(wait_window Varndel 8) || fail "no window titled Varndel within 8 s"
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
sleep 0.3
xdotool key --window "$window" alt+i
sleep 1
screenshot "$E2E_ROOT/notice.png"
sleep 9

[ "$(ls "$watched" | wc -l)" -eq 3 ] || fail "the watched folder lost files: $(ls -A "$watched")"
held=$(find "$saved" -type f | wc -l)
[ "$held" -eq 0 ] || fail "$held files were copied into batch folders: $(find "$saved")"
[ -z "$(ls -A "$saved")" ] || fail "batch folders were left behind: $(ls -A "$saved")"
kill -0 "$E2E_PID" || fail "the program ended"
[ -n "${VARNDEL_E2E_KEEP:-}" ] && cp "$E2E_ROOT/notice.png" "$VARNDEL_E2E_KEEP"
echo "read-only scenario passed"
