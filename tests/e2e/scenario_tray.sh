# With a system tray on the desktop, the program's icon sits in it, and its menu runs the main
# window's commands: "Iniciar" starts monitoring, "Detener" stops it, "Cerrar" ends the program.
source "$(dirname "$0")/lib.sh"

command -v trayer >/dev/null || { echo "skipped: no tray host (trayer) here"; exit 77; }

watched=$E2E_ROOT/Capturas
saved=$E2E_ROOT/Lotes
mkdir -p "$watched" "$saved"
write_config "Dir1=$watched" "Dir2=$saved" "Pref=Fotos_" "Imagenes=1" "Ext=*.bmp" "Vis=0x1"

trayer --edge top --align right --widthtype pixel --width 64 --height 32 --transparent false &
tray_host=$!
trap 'kill $tray_host 2>/dev/null; e2e_cleanup' EXIT
wait_for 5 xdotool search --name '^panel$' >/dev/null || fail "the tray host did not start"

start_varndel
wait_window Varndel 8 >/dev/null || fail "no main window within 8 s"

# The icon is the program's small window inside the tray; the main window is the large one.
tray_icon() {
  local id W H WIDTH HEIGHT X Y SCREEN WINDOW
  for id in $(xdotool search --classname '^varndel$'); do
    eval "$(xdotool getwindowgeometry --shell "$id")"
    if [ "$WIDTH" -ge 8 ] && [ "$WIDTH" -le 48 ] && [ "$HEIGHT" -le 48 ]; then
      echo "$id"
      return 0
    fi
  done
  return 1
}
wait_for 5 tray_icon >/dev/null || fail "no icon in the tray"
icon=$(tray_icon)

# choose N: the tray menu's Nth entry, picked with the keyboard.
choose() {
  xdotool mousemove --window "$icon" 10 10 click 3
  sleep 0.5
  for _ in $(seq "$1"); do xdotool key Down; done
  xdotool key Return
  sleep 0.7
}

moved_within() {
  local deadline=$((SECONDS + $1))
  while [ $SECONDS -lt "$deadline" ]; do
    [ -z "$(ls -A "$watched")" ] && return 0
    sleep 0.2
  done
  return 1
}

choose 1
printf 'a' > "$watched/uno.bmp"
moved_within 3 || fail "the tray's Iniciar did not start monitoring"

choose 2
printf 'b' > "$watched/dos.bmp"
moved_within 3 && fail "the tray's Detener did not stop monitoring"
[ -f "$watched/dos.bmp" ] || fail "dos.bmp went while monitoring was stopped"

# dos.bmp came while stopped and is not listed: "Guardar Imagenes" is greyed, as the window's
# button is, and the keyboard passes over it: after "Lotes guardados…" and "Mostrar", "Cerrar"
# is the 5th entry it reaches.
choose 5
wait_for 5 bash -c "! kill -0 $E2E_PID 2>/dev/null" || fail "the tray's Cerrar did not end the program"
echo "tray scenario passed"
