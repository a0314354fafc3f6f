# The settings dialog fills the watched folder from the Wine prefix's registry, stores the
# settings on Accept, and brings the main window back with the new folder.
source "$(dirname "$0")/lib.sh"

export HOME=$E2E_ROOT/home
prefix=$HOME/.wine
simulator="$prefix/drive_c/Program Files/Microsoft Games/Train Simulator"
saved=$E2E_ROOT/Lotes
mkdir -p "$simulator" "$prefix/dosdevices" "$saved" "$E2E_ROOT/Antes"
ln -s ../drive_c "$prefix/dosdevices/c:"
cat > "$prefix/system.reg" <<'REG'
WINE REGISTRY Version 2
;; All keys relative to \\Machine

#arch=win64

[Software\\Wow6432Node\\Microsoft\\Microsoft Games\\Train Simulator\\1.0] 1600000000
#time=1d6d5e0a4c4b6a2
"Path"="C:\\Program Files\\Microsoft Games\\Train Simulator\\"
REG
touch "$simulator/uno.bmp" "$simulator/dos.bmp"
write_config "Dir1=$E2E_ROOT/Antes" "Dir2=$saved" "Pref=Fotos_" "Imagenes=5" "Ext=*.bmp" "Vis=0x1"
start_varndel

main=$(wait_main)
# Real key strokes (XTEST): keys sent to a window bypass the key state, and Alt+C is both
# "&Configuración" here and "&Cancelar" in the dialog.
xdotool windowfocus --sync "$main"
sleep 0.3
xdotool key alt+c
config=$(wait_window "Varndel - Configuración" 5) || fail "the settings dialog did not open"
xdotool search --onlyvisible --name '^Varndel$' > /dev/null && fail "the main window stayed visible"

# Keys only: the focus starts on Cancelar, and Msts is the fourth stop.
xdotool windowfocus --sync "$config"
xdotool key Tab Tab Tab space
xdotool key alt+a

expected="Dir1=$simulator/"
wait_for 5 grep -qxF "$expected" "$E2E_APP/Config.ini" ||
  fail "Config.ini does not hold $expected: $(cat "$E2E_APP/Config.ini")"
wait_window Varndel 5 > /dev/null || fail "the main window did not come back"
xdotool search --onlyvisible --name '^Varndel - Configuración$' > /dev/null &&
  fail "the settings dialog stayed open"
grep -qxF "Pref=Fotos_" "$E2E_APP/Config.ini" || fail "Pref was not kept"
kill -0 "$E2E_PID" || fail "the program ended"
echo "settings scenario passed"
