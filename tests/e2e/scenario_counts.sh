# SPDX-License-Identifier: GPL-3.0-or-later
# The status panels show the whole count however many files wait, 40,000 here, and the whole of
# a usual pattern beside it; a notice shows on a line of its own above them, never over them, and
# a screen reader is given its whole text, however much of it shows.
source "$(dirname "$0")/lib.sh"

watched=$E2E_ROOT/Capturas
mkdir -p "$watched"
(cd "$watched" && seq 1 4 | sed 's/$/.jpeg/' | xargs touch)
write_config "Dir1=$watched" "Dir2=$E2E_ROOT/Lotes" "Pref=Fotos_" "Imagenes=32767" "Ext=*.jpeg" \
  "Vis=0x1"

# The desktop's accessibility bus, as a screen reader finds the program on it.
a11y=
if command -v gdbus >/dev/null && [ -x /usr/libexec/at-spi-bus-launcher ]; then
  eval "$(dbus-daemon --session --fork --print-address=1 --print-pid=1 |
    sed -n '1s/^/export DBUS_SESSION_BUS_ADDRESS=/p; 2s/^/bus_pid=/p')"
  /usr/libexec/at-spi-bus-launcher --launch-immediately > /dev/null 2>&1 &
  launcher_pid=$!
  trap 'kill "$launcher_pid" "$bus_pid" 2>/dev/null || true; e2e_cleanup' EXIT
  export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
  a11y=yes
fi
# a11y_names: the name of every object the program shows a screen reader, one a line.
a11y_names() {
  local address
  address=$(gdbus call --session --dest org.a11y.Bus --object-path /org/a11y/bus \
    --method org.a11y.Bus.GetAddress | sed "s/^('\(.*\)',)\$/\1/")
  a11y_walk "$address" "$(a11y_children "$address" org.a11y.atspi.Registry \
    /org/a11y/atspi/accessible/root | head -n 1)"
}
a11y_children() {
  gdbus call --address "$1" --dest "$2" --object-path "$3" \
    --method org.a11y.atspi.Accessible.GetChildren |
    grep -o "('[^']*', [a-z ]*'/[^']*')" | sed "s/('\([^']*\)', [a-z ]*'\([^']*\)')/\1 \2/"
}
a11y_walk() {
  local address=$1 bus path child
  read -r bus path <<< "$2"
  gdbus call --address "$address" --dest "$bus" --object-path "$path" \
    --method org.freedesktop.DBus.Properties.Get org.a11y.atspi.Accessible Name |
    sed "s/^(<'\(.*\)'>,)\$/\1/"
  while read -r child; do
    [ -n "$child" ] && a11y_walk "$address" "$child"
  done < <(a11y_children "$address" "$bus" "$path")
}

# ink_runs SHOT ID TOP ROWS: prints "first last" for each run of text in that strip of the
# window's rows, counted from its bottom; runs closer than 8 pixels are one (words of one text).
# The panels' frames are lighter than text, so the threshold leaves them out.
ink_runs() {
  local X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$2")"
  convert "$1" -crop "${WIDTH}x${4}+${X}+$((Y + HEIGHT - $3))" +repage -colorspace Gray \
    -threshold 40% -negate -scale "${WIDTH}x1!" -depth 8 txt:- |
    awk -F'[,:() ]+' 'NR > 1 {
      ink = $4 > 0
      if (ink && !open) { first = $1; open = 1 }
      if (ink) last = $1
      if (!ink && open && $1 - last >= 8) { print first, last; open = 0 }
    } END { if (open) print first, last }'
}
panels() { ink_runs "$1" "$2" 17 17; }
notice_line() { ink_runs "$1" "$2" 36 17; }
# width_of_second RUNS: the count panel's text is the second run.
width_of_second() { sed -n 2p | awk '{ print $2 - $1 }'; }

run_and_shoot() {
  start_varndel
  window=$(wait_window Varndel 30) || fail "no window titled Varndel within 30 s"
  sleep 1
  screenshot "$1"
}

run_and_shoot "$E2E_ROOT/few.png"
[ "$(panels "$E2E_ROOT/few.png" "$window" | wc -l)" -eq 3 ] || fail "not three panels of text"
few=$(panels "$E2E_ROOT/few.png" "$window" | width_of_second)
# "Ext : *.jpeg" beside a short count ends well before the window's edge: a text cut there
# runs up to it.
read -r pattern_end pattern_width < <(panels "$E2E_ROOT/few.png" "$window" | sed -n 3p |
  awk '{ print $2, $2 - $1 }')
eval "$(xdotool getwindowgeometry --shell "$window")"
[ $((WIDTH - pattern_end)) -ge 20 ] ||
  fail "the pattern's panel is full: its text ends $((WIDTH - pattern_end)) pixels from the edge"
kill "$E2E_PID"
wait "$E2E_PID" || true

(cd "$watched" && seq 5 40000 | sed 's/$/.jpeg/' | xargs touch)
run_and_shoot "$E2E_ROOT/many.png"
many=$(panels "$E2E_ROOT/many.png" "$window" | width_of_second)
# "Imagenes : 4" against "Imagenes : 40000": four more digits, each some pixels wide. A count
# cut at the panel's edge, or ended with "…", grows by two at most.
[ $((many - few)) -ge 16 ] ||
  fail "the count does not show whole: its text grew by $((many - few)) pixels for 4 digits"
# Beside the wider count, the pattern still shows as wide as it did whole.
[ "$(panels "$E2E_ROOT/many.png" "$window" | sed -n 3p | awk '{ print $2 - $1 }')" = \
  "$pattern_width" ] || fail "the pattern is cut beside a count of 40000"

# An automatic save into a folder that does not exist fails at once and says so.
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
xdotool key --window "$window" alt+i
has_notice() {
  screenshot "$E2E_ROOT/notice.png"
  [ "$(notice_line "$E2E_ROOT/notice.png" "$window" | wc -l)" -ge 1 ]
}
wait_for 20 has_notice || fail "no notice above the panels"
[ "$(panels "$E2E_ROOT/notice.png" "$window" | wc -l)" -eq 3 ] || fail "the notice hid the panels"
[ "$(panels "$E2E_ROOT/notice.png" "$window" | width_of_second)" -eq "$many" ] ||
  fail "the count changed or was cut while the notice showed"
if [ -n "$a11y" ]; then
  a11y_names > "$E2E_ROOT/names"
  grep -qx 'Ext : \*\.jpeg' "$E2E_ROOT/names" || fail "no whole pattern for a screen reader"
  grep -x 'No se pudieron guardar las imágenes: .*No se ha perdido ningún archivo\.' \
    "$E2E_ROOT/names" > /dev/null ||
    fail "the notice is not given whole to a screen reader: $(grep 'No se pudieron' "$E2E_ROOT/names")"
else
  echo "accessibility not checked: no accessibility bus here"
fi
[ -n "${VARNDEL_E2E_KEEP:-}" ] && cp "$E2E_ROOT/notice.png" "$VARNDEL_E2E_KEEP"
echo "counts scenario passed"
