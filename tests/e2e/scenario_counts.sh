# SPDX-License-Identifier: GPL-3.0-or-later
# The status panels show the whole count however many files wait, 40,000 here, and a notice
# shows on a line of its own above them, never over them.
source "$(dirname "$0")/lib.sh"

watched=$E2E_ROOT/Capturas
mkdir -p "$watched"
(cd "$watched" && seq 1 4 | sed 's/$/.png/' | xargs touch)
write_config "Dir1=$watched" "Dir2=$E2E_ROOT/Lotes" "Pref=Fotos_" "Imagenes=32767" "Ext=*.png" \
  "Vis=0x1"

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
kill "$E2E_PID"
wait "$E2E_PID" || true

(cd "$watched" && seq 5 40000 | sed 's/$/.png/' | xargs touch)
run_and_shoot "$E2E_ROOT/many.png"
many=$(panels "$E2E_ROOT/many.png" "$window" | width_of_second)
# "Imagenes : 4" against "Imagenes : 40000": four more digits, each some pixels wide. A count
# cut at the panel's edge, or ended with "…", grows by two at most.
[ $((many - few)) -ge 16 ] ||
  fail "the count does not show whole: its text grew by $((many - few)) pixels for 4 digits"

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
[ -n "${VARNDEL_E2E_KEEP:-}" ] && cp "$E2E_ROOT/notice.png" "$VARNDEL_E2E_KEEP"
echo "counts scenario passed"
