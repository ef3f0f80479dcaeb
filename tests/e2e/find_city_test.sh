#!/usr/bin/env bash
# A new user finds a city in the real SDL window: "Find City..." on the command bar opens
# the panel, two letters typed on the real keyboard fill its list, a tap on the first
# city turns the globe to it, and the panel opens again with the same text. The view
# stored at exit is the city's.
set -euo pipefail
exe=$1
data=$2
source "$(dirname "$0")/lib.sh"
start_xvfb

# Positions are window pixels at scale 2.
start_app
crop() { convert "$work/$1.png" -crop "$3" +repage "$work/$2.png"; }
colours() { convert "$work/$1.png" -format %k info:; }
find_city() { click 326 620 0.6; }   # the magnifier, eleventh on the command bar

shot before
find_city
shot panel
# The panel stands in the top right corner: its results list is empty until text comes.
crop panel empty_list 218x112+252+126
[ "$(colours empty_list)" -le 2 ] || fail "the results list is not empty before typing"

click 360 100        # the search field
xdotool type --window "$wid" --delay 150 "Ma"
sleep 0.6
shot typed
crop typed list 218x112+252+126
[ "$(colours list)" -gt 2 ] || fail "two letters found no city"

click 330 136 0      # the first city
wait_until_idle
sleep 0.3
shot arrived
# The globe turned: most of what is beside and below the panel changed.
crop before globe_before 480x340+0+250
crop arrived globe_after 480x340+0+250
[ "$(differing globe_before globe_after)" -gt 30000 ] || fail "the globe did not turn"

# Closed and opened again, the panel keeps its search text, so it lists the same cities.
find_city
find_city
shot reopened
crop reopened list_again 218x112+252+126
[ "$(differing list list_again)" -eq 0 ] || fail "the search text was not kept"
find_city

kill -TERM "$app_pid"
for _ in $(seq 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app_pid" 2>/dev/null && fail "did not end after SIGTERM"
wait "$app_pid" || fail "the program ended with an error: $(cat "$work/app.log")"
app_pid=""

# The first city under "Ma" is Ma On Shan, Hong Kong (22.40 N, 114.23 E). The view is
# stored in 1/65536 turns as the globe's rotation: the latitude negated in the high half,
# the longitude plus a quarter turn in the low (signed halves).
ini=$XDG_CONFIG_HOME/orrelux/settings.ini
view=$(sed -n 's/^Last LatLon = dword:\(0x[0-9A-Fa-f]*\)$/\1/p' "$ini")
[ -n "$view" ] || fail "no view stored"
lat=$(( (view >> 16) & 0xFFFF )); (( lat >= 32768 )) && lat=$((lat - 65536))
lon=$(( view & 0xFFFF )); (( lon >= 32768 )) && lon=$((lon - 65536))
near() { (( $1 - $2 < 91 && $2 - $1 < 91 )); }   # half a degree
near "$lat" -4078 && near "$lon" -28356 || fail "the view stored is $lat/$lon, not Ma On Shan's"
echo "find city test passed"
