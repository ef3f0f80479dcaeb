#!/usr/bin/env bash
# Weather on a real window: with a city list on disk, `Show Weather` and automatic update
# on and nothing listening at the service's address, the program starts its bundled
# orrelux-weatherd (which asks a local stand-in for the forecast API), fetches, and
# draws the icons and texts where --render draws them from the same weather data file.
# Every process started here, and the service the program started, is stopped.
set -euo pipefail
exe=$1
data=$2
standin_exe=$3
source "$(dirname "$0")/lib.sh"
standin_pid=""
service_pid=""
stop_all() {
  [ -n "$service_pid" ] && kill "$service_pid" 2>/dev/null || true
  [ -n "$standin_pid" ] && kill "$standin_pid" 2>/dev/null || true
  cleanup
}
trap stop_all EXIT

# The stand-in forecast API, and a free port for the program's default service address.
coproc STANDIN { exec "$standin_exe" 2>"$work/standin.log"; }
standin_pid=$STANDIN_PID
read -r -t 10 forecast_port service_port <&"${STANDIN[0]}" || fail "the forecast stand-in did not start"
export ORRELUX_WEATHERD_PORT=$service_port ORRELUX_WEATHER_UPSTREAM=http://127.0.0.1:$forecast_port
pidfile=$XDG_RUNTIME_DIR/orrelux-weatherd-$service_port.pid

# Settings: Celsius, automatic update, place names, weather shown (Flags2 bits 4 to 7),
# the view centred on 30 N, 10 E.
mkdir -p "$XDG_CONFIG_HOME/orrelux" "$work/noweather/orrelux" "$XDG_DATA_HOME/orrelux/weather"
printf '[General]\nFlags2 = dword:0x000000FF\nLast LatLon = dword:0xEAAB471C\n' >"$XDG_CONFIG_HOME/orrelux/settings.ini"
printf '[General]\nFlags2 = dword:0x0000007F\nLast LatLon = dword:0xEAAB471C\n' >"$work/noweather/orrelux/settings.ini"
printf 'Paris~France|Madrid~Spain|Rome~Italy|Lagos~Nigeria' >"$XDG_DATA_HOME/orrelux/weather/wthrcity.dat"
weather=$XDG_DATA_HOME/orrelux/weather/weather.dat

start_xvfb
time=2026-12-07T12:00:00Z
"$exe" --data-dir "$data" --scale 1 --time "$time" >"$work/app.log" 2>&1 &
app_pid=$!
wait_for_window

# The first automatic fetch finds nobody, starts the service and asks again.
for _ in $(seq 200); do [ -s "$weather" ] && break; sleep 0.1; done
[ -s "$weather" ] || fail "no weather data arrived: $(cat "$work/app.log" "$work/standin.log")"
[ -s "$pidfile" ] || fail "the program did not start the service"
service_pid=$(cat "$pidfile")
[ "$(basename "$(readlink "/proc/$service_pid/exe")")" = "orrelux-weatherd" ] || fail "pid $service_pid is not the service"
grep -q "^<MSG>Weather data by Open-Meteo.com (CC BY 4.0)</MSG>" "$weather" || fail "no attribution: $(cat "$weather")"
[ "$(tr -cd '|' <"$weather" | wc -c)" -eq 3 ] || fail "not four places: $(cat "$weather")"
grep -q "~clear_day.gif~Paris 12"$'\xB0'"C" "$weather" || fail "Paris is not as the forecast said: $(cat "$weather")"
grep -q "~rain.gif~Madrid 10"$'\xB0'"C" "$weather" || fail "Madrid is not as the forecast said: $(cat "$weather")"

# The next timer ticks load the places and redraw; then the window is compared with the
# program's own drawing of the same scene, with and without weather.
sleep 1.5
import -window "$wid" "$work/window.png"
"$exe" --render "$work/with.png" --data-dir "$data" --time "$time" >/dev/null
XDG_CONFIG_HOME=$work/noweather "$exe" --render "$work/without.png" --data-dir "$data" --time "$time" >/dev/null
count() { convert "$@" -format '%[fx:round(mean*w*h)]' info:; }
# Weather pixels: where the two renderings differ.
convert "$work/with.png" "$work/without.png" -compose difference -composite -colorspace gray -threshold 3% "$work/mask.png"
drawn=$(count "$work/mask.png")
[ "$drawn" -gt 400 ] || fail "only $drawn pixels of weather drawn by --render"
# Label pixels in "Weather Color" (0x07F9) in the window.
labels=$(count "$work/window.png" -fill white -fuzz 4% -opaque '#00FCC8' -fill black +opaque white -colorspace gray)
[ "$labels" -gt 100 ] || fail "only $labels label pixels in the window"
# Of the weather pixels, the window must show nearly all as --render does.
convert "$work/window.png" "$work/with.png" -compose difference -composite -colorspace gray -threshold 3% \
  "$work/mask.png" -compose multiply -composite "$work/wrong.png"
wrong=$(count "$work/wrong.png")
[ $((wrong * 20)) -lt "$drawn" ] || fail "$wrong of $drawn weather pixels differ from --render "

# Orderly exit; then the service the program started, which would end after an idle hour.
kill -TERM "$app_pid"
for _ in $(seq 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app_pid" 2>/dev/null && fail "did not end after SIGTERM"
wait "$app_pid" || fail "the program ended with an error: $(cat "$work/app.log")"
app_pid=""
kill -0 "$service_pid" 2>/dev/null || fail "the service ended with the program"
kill -TERM "$service_pid"
for _ in $(seq 50); do kill -0 "$service_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$service_pid" 2>/dev/null && fail "the service did not end after SIGTERM"
service_pid=""
[ -e "$pidfile" ] && fail "the service left its pid file"
kill -TERM "$standin_pid"
wait "$standin_pid" || true
standin_pid=""
echo "weather test passed"
