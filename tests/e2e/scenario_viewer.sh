# "&Visor" on a save folder holding one PCX: the chooser, then the viewer showing the picture
# one pixel to one at the drawing surface's place; the Accept box brings the main window back.
source "$(dirname "$0")/lib.sh"

data=$(cd "$(dirname "$0")/../data" && pwd)
mkdir -p "$E2E_ROOT/Capturas" "$E2E_ROOT/Lotes"
cp "$data/quadrants.pcx" "$E2E_ROOT/Lotes/cuadrantes.pcx"
write_config "Dir1=$E2E_ROOT/Capturas" "Dir2=$E2E_ROOT/Lotes" "Pref=Fotos_" "Imagenes=5" \
  "Ext=*.bmp" "Vis=0x1"
start_varndel

main=$(wait_window Varndel 8) || fail "no main window"
xdotool windowactivate --sync "$main" 2>/dev/null || xdotool windowfocus --sync "$main"
# The menu's letters, typed slowly enough for the menu to open between them.
xdotool key --delay 400 alt+a v
chooser=$(wait_window "Resolución" 5) || fail "\"&Visor\" opened no chooser"
xdotool windowactivate --sync "$chooser" 2>/dev/null || xdotool windowfocus --sync "$chooser"
xdotool key --window "$chooser" alt+a
viewer=$(wait_window "Varndel - Visor" 5) || fail "the chooser's Accept opened no viewer"
read -r left top < <(window_origin "$viewer")
shot=$E2E_ROOT/viewer.png

# The drawing surface sits inside the container's one-pixel border at (184, 8).
x0=$((left + 185))
y0=$((top + 9))
painted() {
  screenshot "$shot"
  [ "$(pixel "$shot" "$x0" "$y0")" = "255,0,0" ]
}
wait_for 5 painted || fail "no picture at the drawing surface's place"
check() {
  local got
  got=$(pixel "$shot" $((x0 + $1)) $((y0 + $2)))
  [ "$got" = "$3" ] || fail "picture pixel ($1, $2) is $got, expected $3"
}
check 0 0 "255,0,0"
check 31 23 "255,0,0"
check 32 0 "0,255,0"
check 63 23 "0,255,0"
check 0 24 "0,0,255"
check 31 47 "0,0,255"
check 32 24 "255,255,0"
check 63 47 "255,255,0"
outside=$(pixel "$shot" $((x0 + 64)) $((y0 + 48)))
[ "$outside" != "255,255,0" ] || fail "the picture is larger than 64 x 48"

# The Accept box: the viewer closes and the main window is back.
click_at "$viewer" $((96 + 40)) $((480 + 16))
wait_for 5 bash -c "! xdotool search --onlyvisible --name '^Varndel - Visor\$' >/dev/null" ||
  fail "the Accept box did not close the viewer"
wait_window Varndel 5 >/dev/null || fail "the main window did not come back"
kill -0 "$E2E_PID" || fail "the program ended"
echo "viewer scenario passed"
