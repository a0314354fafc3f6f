# Shared steps of the end-to-end scenarios: the real program, copied into a temporary folder
# beside its own Config.ini, under the X server that xvfb-run started for the scenario.
set -euo pipefail

E2E_BINARY=${1:?usage: scenario.sh <path to the varndel binary>}
E2E_ROOT=$(mktemp -d)
E2E_APP=$E2E_ROOT/app
E2E_PID=
mkdir -p "$E2E_APP"
# The scenario's own runtime folder, where the program keeps the socket a later start finds.
export XDG_RUNTIME_DIR=$E2E_ROOT/run
mkdir -m 700 "$XDG_RUNTIME_DIR"
cp "$E2E_BINARY" "$E2E_APP/varndel"

e2e_cleanup() {
  if [ -n "$E2E_PID" ] && kill -0 "$E2E_PID" 2>/dev/null; then
    kill "$E2E_PID" 2>/dev/null || true
    wait "$E2E_PID" 2>/dev/null || true
  fi
  rm -rf "$E2E_ROOT"
}
trap e2e_cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  if [ -n "${DISPLAY:-}" ]; then
    import -window root "${TMPDIR:-/tmp}/varndel-e2e-failure.png" 2>/dev/null &&
      echo "screenshot: ${TMPDIR:-/tmp}/varndel-e2e-failure.png" >&2
  fi
  exit 1
}

# write_config KEY=VALUE...: the program's Config.ini, section CONFIGURACION.
write_config() {
  { echo "[CONFIGURACION]"; printf '%s\n' "$@"; } > "$E2E_APP/Config.ini"
}

# start_varndel [PROGRAM]: the copy beside its Config.ini unless another program is named.
start_varndel() {
  "${1:-$E2E_APP/varndel}" > "$E2E_ROOT/varndel.log" 2>&1 &
  E2E_PID=$!
}

# window_count TITLE: how many visible windows have exactly that title.
window_count() {
  xdotool search --onlyvisible --name "^${1}\$" 2>/dev/null | wc -l
}

# wait_window TITLE SECONDS: prints the id of the visible window with exactly that title.
wait_window() {
  local title=$1 deadline=$((SECONDS + $2)) id
  while [ $SECONDS -lt "$deadline" ]; do
    id=$(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | head -n 1 || true)
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    kill -0 "$E2E_PID" 2>/dev/null || fail "the program ended: $(cat "$E2E_ROOT/varndel.log")"
    sleep 0.2
  done
  return 1
}

# wait_main: prints the main window's id. The splash carries the program's name too, for its
# 3 s, so the window is looked for again once the splash has gone.
wait_main() {
  wait_window Varndel 8 > /dev/null || fail "no window titled Varndel within 8 s"
  sleep 3.5
  wait_window Varndel 8 || fail "no main window within 11 s"
}

# Saves by hand from the main window once a status tick has enabled the button; prints the
# window's id.
save_by_hand() {
  local main
  main=$(wait_main)
  xdotool windowfocus --sync "$main"
  sleep 0.7
  xdotool key alt+g
  echo "$main"
}

# wait_for SECONDS COMMAND...: polls until the command succeeds.
wait_for() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    [ $SECONDS -lt "$deadline" ] || return 1
    sleep 0.2
  done
}

# window_origin ID: prints "X Y", the window's top-left corner on the screen.
window_origin() {
  local X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$1")"
  echo "$X $Y"
}

screenshot() { import -window root "$1"; }

# pixel FILE X Y: prints the colour at that point as "R,G,B".
pixel() {
  convert "$1" -format "%[fx:int(255*p{$2,$3}.r)],%[fx:int(255*p{$2,$3}.g)],%[fx:int(255*p{$2,$3}.b)]" info:
}

# click_at ID X Y: a left click at a point of the window's client area.
click_at() {
  xdotool mousemove --window "$1" "$2" "$3" click 1
}
