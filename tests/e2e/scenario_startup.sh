# The program starts on its splash and then shows the main window with the settings it read.
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
echo "startup scenario passed"
