# The program starts on its splash and then shows the main window with the settings it read; a
# later start on the same settings brings that window forward and ends, one on other settings runs.
source "$(dirname "$0")/lib.sh"

watched=$E2E_ROOT/Capturas
mkdir -p "$watched" "$E2E_ROOT/Lotes"
touch "$watched/uno.bmp" "$watched/dos.BMP" "$watched/tres.txt"
write_config "Dir1=$watched" "Dir2=$E2E_ROOT/Lotes" "Pref=Fotos_" "Imagenes=5" "Ext=*.bmp"
start_varndel

window=$(wait_window Varndel 6) || fail "no window titled Varndel within 6 s"
sleep 1  # let the first status tick paint the panels
read -r left top < <(window_origin "$window")
shot=$E2E_ROOT/main.png
screenshot "$shot"

background=$(pixel "$shot" $((left + 6)) $((top + 160)))
[ "$background" = "224,224,224" ] || fail "main window background is $background"
banner=$(pixel "$shot" $((left + 30)) $((top + 60)))
[ "$banner" != "224,224,224" ] || fail "no banner where the banner belongs"
kill -0 "$E2E_PID" || fail "the program ended"

# A second start on the same settings hands over to the running copy and ends at once.
again() {
  local began=$SECONDS status=0
  timeout 10 "$E2E_APP/varndel" > "$E2E_ROOT/again.log" 2>&1 || status=$?
  [ "$status" = 0 ] || fail "a second start ended with status $status: $(cat "$E2E_ROOT/again.log")"
  [ $((SECONDS - began)) -le 3 ] || fail "a second start took $((SECONDS - began)) s to end"
}
again
[ "$(window_count Varndel)" = 1 ] || fail "a second start opened a window of its own"

# A copy on other settings runs beside the first.
other=$E2E_ROOT/otro/Config.ini
mkdir -p "$(dirname "$other")"
cp "$E2E_APP/Config.ini" "$other"
"$E2E_APP/varndel" --config "$other" > "$E2E_ROOT/otro.log" 2>&1 &
other_pid=$!
trap 'kill "$other_pid" 2>/dev/null || true; e2e_cleanup' EXIT
both_shown() { [ "$(window_count Varndel)" = 2 ]; }
wait_for 8 both_shown || fail "no second window for other settings"
kill -0 "$E2E_PID" && kill -0 "$other_pid" || fail "the two copies do not both run"

# The other copy's plain background over the first window's banner; a start on the first settings
# raises the first window over it again.
other_window=$(xdotool search --onlyvisible --name '^Varndel$' | grep -vx "$window" | head -n 1)
xdotool windowmove --sync "$other_window" $((left + 24)) $((top - 100))
xdotool windowraise "$other_window"
banner_shown() {
  screenshot "$shot"
  [ "$(pixel "$shot" $((left + 30)) $((top + 60)))" != "224,224,224" ]
}
wait_for 3 eval '! banner_shown' || fail "the other window does not cover the first one's banner"
again
wait_for 3 banner_shown || fail "the running window did not come forward"
[ "$(window_count Varndel)" = 2 ] || fail "a start on the first settings opened a window"
echo "startup scenario passed"
