# SPDX-License-Identifier: GPL-3.0-or-later
# A batch of BMPs saved by hand shows its pictures in "Lotes guardados…", and their thumbnails
# go into the desktop's cache ($XDG_CACHE_HOME) as file managers read them: GLib's own check,
# where it is installed, finds each one and calls it valid.
source "$(dirname "$0")/lib.sh"

export XDG_CACHE_HOME=$E2E_ROOT/cache
watched=$E2E_ROOT/Capturas
saved=$E2E_ROOT/Lotes
mkdir -p "$watched" "$saved"
colours=(red lime blue)
for i in 0 1 2; do
  convert -size 640x360 "xc:${colours[$i]}" -type TrueColor "BMP3:$watched/captura $((i + 1)).bmp"
done
write_config "Dir1=$watched" "Dir2=$saved" "Pref=Fotos_" "Imagenes=99" "Ext=*.bmp" "Vis=0x1"
start_varndel

main=$(save_by_hand)
batch_saved() { [ "$(find "$saved" -mindepth 2 -name '*.bmp' | wc -l)" -eq 3 ]; }
wait_for 5 batch_saved || fail "no batch of 3 pictures: $(ls -R "$saved")"
batch=$(find "$saved" -mindepth 1 -maxdepth 1 -type d)
sleep 0.5
xdotool key Return  # the box that tells of a save by hand
sleep 0.5

xdotool windowfocus --sync "$main"
xdotool key --delay 300 alt+a l
lotes=$(wait_window "Lotes guardados" 5) || fail "the saved batches window did not open"
normal=$XDG_CACHE_HOME/thumbnails/normal
three_entries() { [ "$(find "$normal" -name '*.png' 2>/dev/null | wc -l)" -eq 3 ]; }
wait_for 5 three_entries || fail "the cache holds: $(ls -la "$normal" 2>&1)"
sleep 0.5
shot=${TMPDIR:-/tmp}/varndel-e2e-thumbnails.png
screenshot "$shot"

# The strip lies under the list: one 136-pixel cell for each picture, in name order.
read -r x y < <(window_origin "$lotes")
expected=("255,0,0" "0,255,0" "0,0,255")
for i in 0 1 2; do
  seen=$(pixel "$shot" $((x + 9 + 136 * i + 68)) $((y + 211 + 68)))
  [ "$seen" = "${expected[$i]}" ] || fail "picture $((i + 1)) shows $seen, not ${expected[$i]} ($shot)"
done

[ "$(stat -c %a "$XDG_CACHE_HOME/thumbnails")" = 700 ] || fail "thumbnails/ is not 0700"
[ "$(stat -c %a "$normal")" = 700 ] || fail "thumbnails/normal/ is not 0700"
for i in 1 2 3; do
  file="$batch/captura $i.bmp"
  # The names hold no other character a URI escapes, and the temporary folders none at all.
  entry=$normal/$(printf 'file://%s' "${file// /%20}" | md5sum | cut -c1-32).png
  [ "$(stat -c %a "$entry")" = 600 ] || fail "no entry 0600 for $file: $(ls -la "$normal")"
  [ "$(identify -format '%w %h' "$entry")" = "128 72" ] || fail "$entry is not 128 x 72"
  if command -v gio > /dev/null; then
    info=$(gio info -a 'thumbnail::*' "$file")
    grep -q "thumbnail::is-valid: TRUE" <<< "$info" || fail "GLib finds no valid thumbnail: $info"
  fi
done
kill -0 "$E2E_PID" || fail "the program ended"
echo "thumbnails scenario passed"
