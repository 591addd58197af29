#!/bin/bash
# A private desktop for running Sonalix: Xvfb, a tray host, a PulseAudio null
# sink as the default input, and a Wine prefix or, for the native program, a
# session bus of its own with a window manager and a real panel (XFCE's), as
# a user's desktop has.
#   desktop.sh start DIR [--native]   starts it all and writes DIR/env.sh
#   desktop.sh exec DIR CMD [ARG...]  runs CMD in that environment, with its exit status
#   desktop.sh stop DIR    stops everything it started, by PID
#   desktop.sh audio-off DIR / audio-on DIR   takes the audio server away / back
#   desktop.sh prefix DIR  only makes the Wine prefix DIR (fonts set up for Japanese)
set -euo pipefail
# shellcheck disable=SC1091
. "$(dirname "$0")/wine-env.sh"

cmd=${1:?start or stop}
dir=$(realpath -m "${2:?directory}")
# The prepared prefix is kept per user, so no run needs to write outside its
# own home.
cache=${SONALIX_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/sonalix}
width=1024 height=768

started() { echo "$1" >> "$dir/pids"; }

stop() {
  audio_off
  if grep -qs '^export WINEPREFIX=' "$dir/env.sh"; then
    # shellcheck disable=SC1091
    . "$dir/env.sh"
    wineserver -k 2>/dev/null || true
  fi
  if [ -f "$dir/pids" ]; then
    tac "$dir/pids" | while read -r pid; do kill "$pid" 2>/dev/null || true; done
    sleep 0.3
    tac "$dir/pids" | while read -r pid; do kill -9 "$pid" 2>/dev/null || true; done
    rm -f "$dir/pids"
  fi
  rm -f "$dir/env.sh"
}

# How long a server this desktop starts may take to be ready: on a 2-core
# machine running every test lane, with busy loops beside them in the load
# tests, openbox has taken over 10 s. It only bounds a failure.
ready=60

wait_for() {  # wait_for SECONDS COMMAND...
  local limit=$(( $1 * 10 )); shift
  for _ in $(seq "$limit"); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
  echo "desktop.sh: timed out waiting for: $*" >&2
  return 1
}

make_prefix() {
  local wine_version key archive
  wine_version=$(wine --version)
  key=$(echo "$wine_version $WINEARCH $(sha1sum "$0" | cut -c1-12)" | tr ' ' '-')
  archive="$cache/wineprefix-$key.tar.zst"
  if [ -f "$archive" ]; then
    mkdir -p "$WINEPREFIX"
    tar -C "$WINEPREFIX" -I zstd -xf "$archive"
    return
  fi
  wineboot -i >/dev/null 2>&1
  wineserver -w
  # Debian's wine does not find its own symbol fonts; without Marlett the
  # caption buttons draw as letters.
  local fonts="$WINEPREFIX/drive_c/windows/Fonts"
  mkdir -p "$fonts"
  for f in marlett symbol wingding webdings; do
    [ -f "/usr/share/wine/fonts/$f.ttf" ] && cp "/usr/share/wine/fonts/$f.ttf" "$fonts/"
  done
  # Japanese glyphs on any locale: the wide-character calls need these
  # faces mapped to a font that has them.
  python3 - "$WINEPREFIX/settings.reg" <<'PY'
import sys
lines = ["Windows Registry Editor Version 5.00", "",
         r"[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]"]
for face in ["MS Shell Dlg", "MS Shell Dlg 2", "MS UI Gothic", "MS PGothic", "ＭＳ Ｐゴシック", "Tahoma"]:
    lines.append(f'"{face}"="IPAPGothic"')
for face in ["MS Gothic", "ＭＳ ゴシック"]:
    lines.append(f'"{face}"="IPAGothic"')
# Links go to the desktop's own openers: Wine would otherwise try "open"
# first, which Debian points at a mail-less xdg-open.
lines += ["", r"[HKEY_CURRENT_USER\Software\Wine\WineBrowser]", '"Browsers"="xdg-open"', '"Mailers"="xdg-email"']
open(sys.argv[1], "wb").write(("\r\n".join(lines) + "\r\n").encode("utf-16"))
PY
  wine regedit /S "$WINEPREFIX/settings.reg" >/dev/null 2>&1
  wineserver -w
  mkdir -p "$cache"
  tar -C "$WINEPREFIX" -I zstd -cf "$archive.tmp" . && mv "$archive.tmp" "$archive"
}

# The audio server with a null sink whose monitor is the default input, and
# a second one ("Second") whose monitor is an input to choose instead; its
# PIDs are kept apart so tests can take the server away and bring it back.
# It stays off every session bus: a PulseAudio daemon claims a bus name there,
# and a second one (a test's own server) on the same bus would refuse to start.
# SONALIX_AUDIO_SERVER=pipewire serves the same null sink, socket and
# keep-alive through PipeWire's PulseAudio server instead (the benchmark
# compares the two); PipeWire's session manager needs the native desktop's
# session bus.
audio_on() {
  if [ "${SONALIX_AUDIO_SERVER:-pulseaudio}" = pipewire ]; then
    [ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ] || { echo "desktop.sh: PipeWire needs the native desktop's session bus" >&2; return 1; }
    local server
    for server in pipewire wireplumber pipewire-pulse; do
      env -u DISPLAY "$server" >>"$dir/pipewire.log" 2>&1 &
      echo $! >> "$dir/audio.pids"
      if [ "$server" = pipewire ]; then wait_for "$ready" test -S "$XDG_RUNTIME_DIR/pipewire-0"; fi
    done
    wait_for "$ready" pactl info
    pactl load-module module-null-sink sink_name=vsink >/dev/null
    pactl load-module module-null-sink sink_name=vsecond sink_properties=device.description=Second >/dev/null
    wait_for "$ready" pactl get-sink-volume vsink
  else
    env -u DBUS_SESSION_BUS_ADDRESS -u DISPLAY pulseaudio --daemonize=no --use-pid-file=no --exit-idle-time=-1 -n --log-target=stderr \
      --load="module-null-sink sink_name=vsink" --load="module-null-sink sink_name=vsecond sink_properties=device.description=Second" \
      --load=module-native-protocol-unix >>"$dir/pulse.log" 2>&1 &
    echo $! >> "$dir/audio.pids"
    wait_for "$ready" pactl info
  fi
  pactl set-default-sink vsink
  pactl set-default-source vsink.monitor
  # An idle null sink sleeps and delivers captured sound in late bursts. The
  # keep-alive's latency sets the sink's (a quarter of it), and with it how
  # often every recording client wakes: the benchmark chooses its own.
  for sink in vsink vsecond; do
    pacat -p -d "$sink" --latency-msec="${SONALIX_KEEPALIVE_MSEC:-10}" </dev/zero >/dev/null 2>&1 &
    echo $! >> "$dir/audio.pids"
  done
}

audio_off() {
  [ -f "$dir/audio.pids" ] || return 0
  tac "$dir/audio.pids" | while read -r pid; do kill -9 "$pid" 2>/dev/null || true; done
  rm -f "$dir/audio.pids"
}

# A session bus of the desktop's own, for the native tray icon's
# StatusNotifierItem and whatever a test registers on it.
session_bus() {
  local address
  exec 3>"$dir/bus.address" 4>"$dir/bus.pid"
  dbus-daemon --session --fork --nopidfile --print-address=3 --print-pid=4 </dev/null >"$dir/dbus.log" 2>&1
  exec 3>&- 4>&-
  started "$(cat "$dir/bus.pid")"
  address=$(head -n 1 "$dir/bus.address")
  [ -n "$address" ] || { echo "desktop.sh: the session bus gave no address" >&2; return 1; }
  rm -f "$dir/bus.address" "$dir/bus.pid"
  export DBUS_SESSION_BUS_ADDRESS=$address
}

# What a user's desktop has and a bare X server lacks: a reparenting window
# manager, and a panel along the top that reserves its height, with a tray
# that is both an XEmbed system tray and a StatusNotifierItem host: XFCE's,
# on this desktop's bus, with a settings store and a configuration of its own
# (desktop-panel.xml), so that it asks nothing. The panel's first start on a
# loaded machine takes several seconds.
panel_height=32
user_desktop() {
  openbox --sm-disable >"$dir/openbox.log" 2>&1 &
  started $!
  wait_for "$ready" root_has _NET_SUPPORTING_WM_CHECK "window id"
  local config="$dir/panel" xfconfd
  mkdir -p "$config/xfce4/xfconf/xfce-perchannel-xml"
  cp "$(dirname "$0")/desktop-panel.xml" "$config/xfce4/xfconf/xfce-perchannel-xml/xfce4-panel.xml"
  xfconfd=$(echo /usr/lib/*/xfce4/xfconf/xfconfd)
  XDG_CONFIG_HOME=$config "$xfconfd" >"$dir/xfconfd.log" 2>&1 &
  started $!
  # Owned before the panel asks for it: the bus would start one of its own.
  wait_for "$ready" bus_has_owner org.xfce.Xfconf
  XDG_CONFIG_HOME=$config xfce4-panel --disable-wm-check >"$dir/panel.log" 2>&1 &
  started $!
  # The window manager has taken the panel's strut into its work area.
  wait_for "$ready" root_has _NET_WORKAREA "= 0, $panel_height, $width, $((height - panel_height))"
  wait_for "$ready" tray_hosts_items
  wait_for "$ready" xembed_tray_owned
}

bus_has_owner() {  # bus_has_owner NAME
  dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner "string:$1" | grep -q "boolean true"
}

# The panel's watcher holds items and its tray has registered as their host.
tray_hosts_items() {
  dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher /StatusNotifierWatcher \
    org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierWatcher \
    string:IsStatusNotifierHostRegistered | grep -q "boolean true"
}

# Some client holds the XEmbed system tray's selection.
xembed_tray_owned() {
  python3 - <<'PY'
import ctypes
import sys
x = ctypes.CDLL("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XInternAtom.restype = ctypes.c_ulong
x.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
x.XGetSelectionOwner.restype = ctypes.c_ulong
display = x.XOpenDisplay(None)
sys.exit(0 if display and x.XGetSelectionOwner(display, x.XInternAtom(display, b"_NET_SYSTEM_TRAY_S0", 0)) else 1)
PY
}

root_has() {  # root_has PROPERTY TEXT
  xprop -root "$1" | grep -qF -- "$2"
}

native_env() {
  export XDG_CONFIG_HOME="$dir/config"
  mkdir -p "$XDG_CONFIG_HOME"
  cat > "$dir/env.sh" <<ENV
export DISPLAY=$DISPLAY
export XDG_RUNTIME_DIR=$XDG_RUNTIME_DIR
export XDG_CONFIG_HOME=$XDG_CONFIG_HOME
export HOME=$HOME
export DBUS_SESSION_BUS_ADDRESS="$DBUS_SESSION_BUS_ADDRESS"
# GTK would otherwise look for the accessibility bus and warn that it is missing.
export NO_AT_BRIDGE=1
export LANG=C.UTF-8
ENV
  echo "desktop.sh: native display $DISPLAY ready ($dir/env.sh)"
}

start() {  # start [--native]
  local native=0
  case "${1:-}" in
    "") ;;
    --native) native=1 ;;
    *) echo "desktop.sh: unknown option $1" >&2; exit 2 ;;
  esac
  stop
  mkdir -p "$dir"
  local display=""
  for n in $(seq 90 150); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=":$n"; break; fi
  done
  [ -n "$display" ] || { echo "desktop.sh: no free display" >&2; exit 1; }

  # -noreset: an X server whose last client leaves resets itself and refuses
  # clients meanwhile; the readiness probe below is such a last client.
  Xvfb "$display" -noreset -screen 0 "${width}x${height}x24" -nolisten tcp >"$dir/xvfb.log" 2>&1 &
  started $!
  export DISPLAY=$display
  wait_for "$ready" xdpyinfo

  export XDG_RUNTIME_DIR="$dir/xdg" HOME="$dir/home"
  mkdir -p "$XDG_RUNTIME_DIR" "$HOME"
  chmod 700 "$XDG_RUNTIME_DIR"
  if [ "$native" = 1 ]; then
    # Started first, so that the tray host and the audio server talk to this
    # bus and never to the session of whoever runs the tests.
    session_bus
    export NO_AT_BRIDGE=1
    user_desktop
  fi
  if [ "$native" = 0 ]; then
    # The Wine desktop has no window manager: a reparenting one races Wine
    # over where a borderless popup is, so the program's idea of its position
    # and the screen disagree. What Wine waits for from one, each window's
    # WM_STATE, is kept by a helper. Its tray host is a bare XEmbed tray.
    python3 "$(dirname "$0")/wm-state.py" >"$dir/wm-state.log" 2>&1 &
    started $!
    wait_for "$ready" grep -qx ready "$dir/wm-state.log"
    trayer --edge bottom --align right --widthtype pixel --width 64 --height 32 \
      --SetDockType true --expand false --transparent false >"$dir/trayer.log" 2>&1 &
    started $!
    wait_for "$ready" xembed_tray_owned
  fi
  audio_on
  if [ "$native" = 1 ]; then
    native_env
    return
  fi
  export WINEPREFIX="$dir/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  rm -rf "$WINEPREFIX"
  make_prefix
  wineserver -p >/dev/null 2>&1 </dev/null
  # The first program starts Wine's background services, which keep the
  # caller's output open for good: start them here, not in the first test.
  wine cmd /c exit >/dev/null 2>&1 </dev/null
  # Callers that do not source wine-env.sh still find the right loader.
  local path_line=""
  [ "$WINEARCH" = win64 ] && path_line="export PATH=\"$(dirname "$(realpath "$0")")/wine64-loader:\$PATH\""
  cat > "$dir/env.sh" <<ENV
export DISPLAY=$DISPLAY
export XDG_RUNTIME_DIR=$XDG_RUNTIME_DIR
export HOME=$HOME
export WINEPREFIX=$WINEPREFIX
export WINEARCH=$WINEARCH
export SONALIX_WINE_ARCH=$SONALIX_WINE_ARCH
$path_line
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=C.UTF-8
ENV
  echo "desktop.sh: display $DISPLAY ready ($dir/env.sh)"
}

case "$cmd" in
  prefix)
    export WINEPREFIX=$dir WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    [ -f "$WINEPREFIX/system.reg" ] || { mkdir -p "$dir"; make_prefix; } ;;
  start) start "${@:3}" ;;
  exec)
    [ $# -ge 3 ] || { echo "usage: desktop.sh exec DIR CMD [ARG...]" >&2; exit 2; }
    [ -f "$dir/env.sh" ] || { echo "desktop.sh: no desktop runs in $dir" >&2; exit 2; }
    # shellcheck disable=SC1091
    . "$dir/env.sh"
    exec "${@:3}" ;;
  audio-off) audio_off ;;
  audio-on)
    # shellcheck disable=SC1091
    . "$dir/env.sh"
    audio_on ;;
  stop) stop ;;
  *) echo "usage: desktop.sh start|exec|stop|audio-off|audio-on|prefix DIR" >&2; exit 2 ;;
esac
