# Twenty starts at once, each on settings of its own with a minimum that is not a number, load
# the machine as a busy desktop would: each shows its start-up box, and over its own main
# window, so that no window the desktop places later can hide it.
source "$(dirname "$0")/lib.sh"

command -v xprop >/dev/null || { echo "skipped: no xprop here"; exit 77; }

starts=20
pids=()
trap 'kill "${pids[@]}" 2>/dev/null || true; e2e_cleanup' EXIT
for i in $(seq "$starts"); do
  copy=$E2E_ROOT/copia$i
  mkdir -p "$copy/Capturas"
  printf '[CONFIGURACION]\nDir1=%s\nDir2=%s\nPref=F_\nImagenes=abc\nExt=*.bmp\n' \
    "$copy/Capturas" "$copy" > "$copy/Config.ini"
  "$E2E_APP/varndel" --config "$copy/Config.ini" > "$copy/log" 2>&1 &
  pids+=($!)
done

all_shown() { [ "$(window_count ERROR)" -ge "$starts" ]; }
wait_for 60 all_shown || fail "$(window_count ERROR) start-up boxes for $starts starts"

# Each box is the dialog of a main window on screen, a different one for each.
owners=()
for box in $(xdotool search --onlyvisible --name '^ERROR$'); do
  owner=$(xprop -id "$box" WM_TRANSIENT_FOR | grep -o '0x[0-9a-f]*' || true)
  [ -n "$owner" ] || fail "box $box belongs to no window"
  xwininfo -id "$owner" | grep -q 'Map State: IsViewable' || fail "box $box is over no window"
  eval "$(xdotool getwindowgeometry --shell "$owner")"
  [ "$(xdotool getwindowname "$owner")" = Varndel ] && [ "$WIDTH" = 296 ] ||
    fail "box $box is over a window that is not a main window"
  owners+=("$owner")
done
[ "$(printf '%s\n' "${owners[@]}" | sort -u | wc -l)" = "$starts" ] ||
  fail "the boxes are not over $starts different main windows"
echo "startup box scenario passed"
