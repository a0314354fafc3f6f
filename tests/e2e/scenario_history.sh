# SPDX-License-Identifier: GPL-3.0-or-later
# A batch saved by hand is listed in "Lotes guardados…", and "Deshacer" there takes it back:
# every file returns to the watched folder and the batch folder goes.
source "$(dirname "$0")/lib.sh"

watched=$E2E_ROOT/Capturas
saved=$E2E_ROOT/Lotes
mkdir -p "$watched" "$saved"
for name in uno dos tres; do printf '%s' "$name" > "$watched/$name.bmp"; done
write_config "Dir1=$watched" "Dir2=$saved" "Pref=Fotos_" "Imagenes=99" "Ext=*.bmp" "Vis=0x1"
start_varndel

main=$(save_by_hand)

batch_with_three() {
  local batch
  batch=$(find "$saved" -mindepth 1 -maxdepth 1 -type d | head -n 1)
  [ -n "$batch" ] && [ "$(ls "$batch" | wc -l)" -eq 3 ]
}
wait_for 5 batch_with_three || fail "no batch of 3 files: $(ls -R "$saved")"
batch=$(find "$saved" -mindepth 1 -maxdepth 1 -type d)
# The box that tells of a save by hand.
sleep 0.5
xdotool key Return
sleep 0.5
[ -s "$E2E_APP/Historial.txt" ] || fail "the portable copy kept no history beside its Config.ini"

xdotool windowfocus --sync "$main"
xdotool key alt+a
sleep 0.3
xdotool key l
lotes=$(wait_window "Lotes guardados" 5) || fail "the saved batches window did not open"
sleep 0.5
screenshot "${TMPDIR:-/tmp}/varndel-e2e-history.png"

xdotool windowfocus --sync "$lotes"
xdotool key alt+d
all_back() { [ "$(ls "$watched" | wc -l)" -eq 3 ] && [ ! -e "$batch" ]; }
wait_for 5 all_back || fail "after the undo: watched $(ls -A "$watched"), batch $(ls -A "$batch")"
for name in uno dos tres; do
  [ "$(cat "$watched/$name.bmp")" = "$name" ] || fail "$name.bmp came back changed"
done
sleep 0.5
screenshot "${TMPDIR:-/tmp}/varndel-e2e-history-undone.png"
kill -0 "$E2E_PID" || fail "the program ended"
echo "history scenario passed"
