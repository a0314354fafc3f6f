# Monitoring moves files dropped into the watched folder into a batch folder of their own; a
# file that a writer still holds open waits, with its batch, until the writer closes it.
source "$(dirname "$0")/lib.sh"

watched=$E2E_ROOT/Capturas
saved=$E2E_ROOT/Lotes
staging=$E2E_ROOT/staging
mkdir -p "$watched" "$saved" "$staging"
write_config "Dir1=$watched" "Dir2=$saved" "Pref=Fotos_" "Imagenes=3" "Ext=*.bmp" "Vis=0x1"
start_varndel

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# within_ms MILLISECONDS COMMAND...: polls until the command succeeds.
within_ms() {
  local deadline=$(($(now_ms) + $1))
  shift
  until "$@"; do
    [ "$(now_ms)" -lt "$deadline" ] || return 1
    sleep 0.05
  done
}

batches() { find "$saved" -mindepth 1 -maxdepth 1 -type d | sort; }
batch_count() { batches | wc -l; }
watched_empty() { [ -z "$(ls -A "$watched")" ]; }
one_batch_with() { [ "$(batch_count)" -eq 1 ] && [ "$(ls "$(batches)" | wc -l)" -eq "$1" ]; }
two_batches() { [ "$(batch_count)" -eq 2 ]; }

# Moves a finished file in at once, as a capture program that renames its output does.
drop() {
  printf '%s' "$2" > "$staging/$1"
  mv "$staging/$1" "$watched/$1"
}

window=$(wait_window Varndel 8) || fail "no window titled Varndel within 8 s"
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
sleep 0.3
xdotool key --window "$window" alt+i
sleep 0.7  # the first watch tick comes 500 ms after the start

drop uno.bmp 1
drop dos.bmp 22
drop tres.bmp 333
within_ms 2000 one_batch_with 3 || fail "no batch folder with the 3 files within 2 s: $(batches)"
watched_empty || fail "the watched folder still holds: $(ls -A "$watched")"
first=$(batches)
case $(basename "$first") in Fotos_*_*) ;; *) fail "unexpected batch folder name $first" ;; esac
[ "$(cat "$first/tres.bmp")" = 333 ] || fail "tres.bmp was not copied whole"

exec 7> "$watched/cuatro.bmp"
printf 'first half ' >&7
drop cinco.bmp 5
drop seis.bmp 6
sleep 2
[ -f "$watched/cuatro.bmp" ] || fail "cuatro.bmp was moved while still open for writing"
[ "$(batch_count)" -eq 1 ] || fail "a batch was saved while cuatro.bmp was open: $(batches)"
printf 'second half' >&7
exec 7>&-

within_ms 2000 two_batches || fail "cuatro.bmp was not moved within 2 s of being closed"
within_ms 1000 watched_empty || fail "the watched folder still holds: $(ls -A "$watched")"
second=$(batches | grep -vx "$first")
[ "$(cat "$second/cuatro.bmp")" = "first half second half" ] || fail "cuatro.bmp copied incomplete"
[ -f "$second/cinco.bmp" ] && [ -f "$second/seis.bmp" ] || fail "batch incomplete: $(ls "$second")"
kill -0 "$E2E_PID" || fail "the program ended"
echo "monitor scenario passed"
