#!/bin/bash
# Builds Sonalix.exe and runs it under Wine. Without a display it starts a
# virtual one, lets the meter show a test tone and saves a screenshot.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
# shellcheck disable=SC1091
. scripts/wine-env.sh
cmake --preset "$SONALIX_WINE_ARCH" >/dev/null
cmake --build --preset "$SONALIX_WINE_ARCH" -j 2 --target Sonalix
bin=$PWD/build/$SONALIX_WINE_ARCH/bin
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  export WINEPREFIX=${WINEPREFIX:-$PWD/build/wineprefix}
  scripts/desktop.sh prefix "$WINEPREFIX"
  exec wine "$bin/Sonalix.exe"
fi

desk=$PWD/build/run-desktop
scripts/desktop.sh start "$desk"
trap 'scripts/desktop.sh stop "$desk"' EXIT
# shellcheck disable=SC1091
. "$desk/env.sh"
wine "$bin/Sonalix.exe" &
app=$!
find_strip() {
  local w
  for w in $(xdotool search --onlyvisible --name '^Sonalix 100115$' 2>/dev/null); do
    if xwininfo -id "$w" | grep -q 'Width: 274'; then
      xwininfo -id "$w" | awk '/Absolute upper-left X/{print "x="$4} /Absolute upper-left Y/{print "y="$4}'
      return 0
    fi
  done
  return 1
}
for _ in $(seq 100); do
  found=$(find_strip) && break
  sleep 0.1
done
eval "$found"
# Start capture from the menu and play a tone louder on the left than on the right.
xdotool mousemove $((x + 260)) $((y + 13)) click 3
sleep 0.5
xdotool key s
sox -n -r 44100 -c 2 -b 16 -t wav - synth 5 sine 440 remix 1v0.9 1v0.2 2>/dev/null | pacat -d vsink &
sleep 1.5
shot=$PWD/build/sonalix-screenshot.png
import -window root -crop 274x26+"$x"+"$y" +repage "$shot"
echo "Sonalix is running on the virtual display $DISPLAY; screenshot of the strip: $shot"
echo "Press Enter to end it."
read -r _ || true
xdotool mousemove $((x + 260)) $((y + 13)) click 3
sleep 0.5
xdotool key x
wait "$app"
