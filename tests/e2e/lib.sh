# Shared by the end-to-end tests: a private work folder with its own settings and data
# folders, cleanup at exit, a virtual X display, and waiting for the program's window.
# Set exe and data before sourcing.
work=$(mktemp -d)
xvfb_pid=""
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill -9 "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/share XDG_RUNTIME_DIR=$work/run
mkdir -p "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

# Starts Xvfb on a display number it picks itself (so parallel runs never share one)
# and exports DISPLAY.
start_xvfb() {
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  [ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
  export DISPLAY=:$(head -1 "$work/display")
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && return 0; sleep 0.1; done
  fail "Xvfb does not answer on $DISPLAY"
}

# Waits for the visible main window of $app_pid and sets wid to it.
wait_for_window() {
  xdotool search --sync --onlyvisible --name '^Orrelux$' >/dev/null &
  local search=$!
  for _ in $(seq 100); do kill -0 "$search" 2>/dev/null || break; sleep 0.1; done
  kill "$search" 2>/dev/null && fail "no window appeared: $(cat "$work/app.log")"
  wid=$(xdotool search --onlyvisible --name '^Orrelux$' | head -1)
}

# Waits until $app_pid idles: start-up (splash, texture) is busy work, and once the
# program idles it takes input.
wait_until_idle() {
  local prev cur
  prev=$(awk '{print $14 + $15}' "/proc/$app_pid/stat")
  for _ in $(seq 120); do
    sleep 0.5
    cur=$(awk '{print $14 + $15}' "/proc/$app_pid/stat")
    [ $((cur - prev)) -lt 10 ] && return 0
    prev=$cur
  done
}

# Starts the program at scale 2 (frame pixel (x, y) is window pixel (2x, 2y)) at a fixed
# time, and waits until it takes input.
start_app() {
  "$exe" --data-dir "$data" --scale 2 --time 2026-12-07T12:00:00Z >"$work/app.log" 2>&1 &
  app_pid=$!
  wait_for_window
  wait_until_idle
  sleep 0.3
}
# A tap at window pixel ($1, $2), then a pause of $3 seconds (0.4 by default).
click() { xdotool mousemove --window "$wid" "$1" "$2" click 1; sleep "${3:-0.4}"; }
# A screenshot of the window, once the program idles, as $work/$1.png.
shot() { wait_until_idle; import -window "$wid" "$work/$1.png"; }
# How many pixels differ between $work/$1.png and $work/$2.png.
differing() { compare -metric AE "$work/$1.png" "$work/$2.png" null: 2>&1 || true; }
