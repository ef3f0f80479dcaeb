#!/usr/bin/env bash
# A new user's session with the Options dialog in the real SDL window: open it from the
# command bar, change settings on seven pages (skin applied, a check box, a radio choice,
# a slider, a map, a city added, a colour), press OK and see the globe change; open it
# again, change more and Cancel, and nothing changes; exit, start again, and the globe
# and the chosen cities are as they were.
set -euo pipefail
exe=$1
data=$2
source "$(dirname "$0")/lib.sh"
start_xvfb

# Positions are window pixels at scale 2.
pixel() { convert "$work/$1.png[1x1+$2+$3]" -format '%[hex:p{0,0}]' info:; }
# Pixels of colour $2 in picture $1 above the command bar.
count_colour() {
  convert "$work/$1.png" -crop 480x596+0+0 +repage -fill white -opaque "#$2" -fill black +opaque white \
    -format '%[fx:round(mean*w*h)]' info:
}
# The tab row shows a few of the twelve tabs: "<" and ">" scroll it by one tab. Scrolled
# k times from the start, tab k is the first whole one; the last two share a view.
page() {
  for _ in $(seq 11); do click 430 74 0.1; done
  local k=$(($1 > 10 ? 10 : $1))
  for _ in $(seq "$k"); do click 458 74 0.1; done
  if [ "$1" -eq 11 ]; then click 310 76; else click 110 76; fi
}
open_options() { click 88 620 0.6; }   # the cog, fourth on the command bar
ok() { click 324 614 0; wait_until_idle; sleep 0.3; }
cancel() { click 424 614 0; wait_until_idle; sleep 0.3; }
exit_app() {
  click 444 620 0.5   # "Close...", then "Exit" in the confirmation
  click 100 338 0
  for _ in $(seq 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$app_pid" 2>/dev/null && fail "still running after Exit"
  wait "$app_pid" && rc=0 || rc=$?
  app_pid=""
  [ "$rc" -eq 0 ] || fail "exit code $rc: $(cat "$work/app.log")"
}

start_app
shot before
open_options
shot general
[ "$(differing before general)" -gt 100000 ] || fail "the Options dialog did not open"

# Appearance: the "Dark.gif" skin, applied at once to the dialog itself.
page 10
shot appearance
click 150 184       # "Select Skin:" box
click 85 214        # "Dark.gif", first in its list
click 390 526 0.6   # "Apply"
shot dark
[ "$(pixel appearance 240 440)" != "$(pixel dark 240 440)" ] || fail "Apply did not change the skin"
# General: "Auto update of Earth's shadow" off.
page 0
click 40 218
# Display: "Tropic and Polar circles" on, "Grid Step:" 30 degrees.
page 1
click 40 370
click 340 496
# Sun/Moon: a tap on the "Darkness:" track moves its knob there.
page 2
click 340 498
# Maps: "Main Map:" becomes "Night.gif".
page 3
click 300 120
click 275 190
# Cities: type "Paris" (the real keyboard), pick the first result, "Add".
page 4
click 100 150
xdotool type --window "$wid" --delay 100 "Paris"
sleep 0.5
click 100 228       # the first row, which also closes the on-screen keyboard
click 384 312       # "Add"
shot cities
# Colors: "Tropic Circles", then a blue from the picker.
page 9
click 120 318
click 75 440
shot colors
blue=$(pixel colors 75 440)
[ "$(pixel colors 60 318)" = "$blue" ] || fail "the item's swatch did not take the picked colour"

ok
shot after
[ "$(differing before after)" -gt 20000 ] || fail "OK did not change the globe"
[ "$(count_colour before "$blue")" -lt 20 ] || fail "the picked colour was already on the globe"
circles=$(count_colour after "$blue")
[ "$circles" -gt 300 ] || fail "only $circles pixels of tropic circles in the picked colour"

# Cancel discards: the other map and the circles off, then "Cancel".
open_options        # on the page it was left on
page 3
click 300 120
click 275 164       # "Day.gif"
page 1
click 40 370
cancel
shot cancelled
[ "$(differing after cancelled)" -lt 50 ] || fail "Cancel changed the globe"

exit_app
ini=$XDG_CONFIG_HOME/orrelux/settings.ini
[ -f "$ini" ] || fail "no settings file"
value() { sed -n "s/^$1 = \(dword\|sz\):\(.*\)$/\2/p" "$ini"; }
[ "$(value 'Main Map File')" = "Night.gif" ] || fail "main map: $(value 'Main Map File')"
[ "$(value 'Skin File')" = "Dark.gif" ] || fail "skin: $(value 'Skin File')"
[ "$(value 'Grid Step')" = "1032" ] || fail "grid step: $(value 'Grid Step')"
[ "$(value 'Earth Shadow Darkness')" -gt 20 ] || fail "darkness: $(value 'Earth Shadow Darkness')"
[ "$(value 'Tropic Color')" != "0x0000FB00" ] || fail "the tropic colour is not stored"
flags=$(value Flags)
(( (flags >> 12 & 1) == 1 )) || fail "the circles are not stored on (Flags $flags)"
(( (flags >> 20 & 1) == 0 )) || fail "the shadow's automatic update is not stored off (Flags $flags)"

# Started again, everything is as chosen: the same globe, and Paris among the displayed
# cities (the list's picture as it was when added).
start_app
shot restarted
[ "$(differing after restarted)" -lt 50 ] || fail "the globe differs after a restart"
open_options
page 4
shot cities_again
convert "$work/cities.png" -crop 284x160+28+406 +repage "$work/list_before.png"
convert "$work/cities_again.png" -crop 284x160+28+406 +repage "$work/list_after.png"
[ "$(convert "$work/list_before.png" -format %k info:)" -gt 2 ] || fail "no city in the displayed list"
[ "$(differing list_before list_after)" -eq 0 ] || fail "the displayed cities differ after a restart"
cancel
exit_app
echo "options test passed"
