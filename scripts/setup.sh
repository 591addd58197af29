#!/bin/bash
# Checks that everything Sonalix needs to build, run and test on Debian 12 is
# installed, and installs what is missing. Only installing needs root: with
# everything present any user passes, and nothing here writes to the tree.
#   setup.sh          installs what is missing (as root), or says what is
#   setup.sh --check  installs nothing, touches no network: exit 1 if
#                     anything needed is missing
set -euo pipefail
# shellcheck disable=SC1091
. "$(dirname "$0")/i386-probe.sh"

case "${1:-}" in
  "") check_only=0 ;;
  --check) check_only=1 ;;
  *) echo "usage: setup.sh [--check]" >&2; exit 2 ;;
esac

PACKAGES=(
  cmake ninja-build g++ googletest libgtest-dev libgmock-dev python3
  clang libclang-rt-14-dev clang-format
  # The style check: clang-tidy 22 leaves the system's headers unvisited,
  # three times quicker than Debian 12's default 14.
  clang-tidy-22
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64 fonts-wine
  xvfb xdotool x11-utils x11-apps imagemagick trayer
  pulseaudio pulseaudio-utils sox
  locales fonts-ipafont-gothic fonts-ipafont-mincho
  zstd procps
  # The packages users install: CPack's Debian package computes its
  # dependencies with dpkg-shlibdeps (dpkg-dev) and finds binaries with file;
  # its checks are lintian, desktop-file-validate and appstreamcli; the
  # Windows installer is made by NSIS.
  dpkg-dev file lintian desktop-file-utils appstream nsis
  # The native Linux program: GTK 3 for its windows, menu and dialog (with
  # GLib's GDBus for the StatusNotifierItem tray icon), Xlib for the strip's
  # pixmap drawing, libpulse for capture, libdbusmenu-glib to serve the tray
  # icon's menu to hosts that draw it themselves, pkg-config for CMake to
  # find them.
  libgtk-3-dev libx11-dev libpulse-dev libdbusmenu-glib-dev pkg-config
  # xdg-open opens the version dialog's links; the native test desktop runs a
  # session bus of its own (dbus-daemon) and asks it with dbus-send
  # (dbus-bin); the benchmark compares the strip with the PulseAudio
  # project's own meter, through PulseAudio and through PipeWire's
  # PulseAudio server, which it starts itself on its own desktop (no user
  # session manager runs here to start it anywhere else).
  xdg-utils dbus-daemon dbus-bin pavumeter pipewire-pulse wireplumber
  # The native test desktop looks like a user's: openbox reparents windows as
  # desktop window managers do, and XFCE's panel (with its settings store)
  # reserves its space and is both an XEmbed tray and a StatusNotifierItem
  # host; GNOME's compositor mutter runs a headless Wayland session with
  # Xwayland for the program as an X client there.
  openbox xfce4-panel xfconf mutter xwayland
)
# Wine's 32-bit loader runs the shipped 32-bit program where the kernel runs
# 32-bit code. It comes from the i386 archive, which a mirror can leave out of
# step with the amd64 one, so it is wanted but not needed: without it the
# 64-bit build of the same sources runs the Windows tests (scripts/wine-env.sh).
WINE32=wine32:i386

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

# What is missing, one item per line: "locale:ja_JP.UTF-8",
# "alternative:<tool>" or a package name.
missing() {
  local p
  for p in "${PACKAGES[@]}"; do
    installed "$p" || echo "$p"
  done
  # Wine's Japanese font substitutes name this locale.
  locale -a 2>/dev/null | grep -qi '^ja_JP.utf8$' || echo "locale:ja_JP.UTF-8"
  # mingw's default compilers must be the posix thread model (std::thread).
  local target tool
  for target in i686 x86_64; do
    for tool in g++ gcc; do
      [ "$(readlink -f "/usr/bin/$target-w64-mingw32-$tool" 2>/dev/null)" = "/usr/bin/$target-w64-mingw32-$tool-posix" ] ||
        echo "alternative:$target-w64-mingw32-$tool"
    done
  done
}

# Tried once, when setup adds the i386 architecture for it: where the i386
# archive could not give it, later runs neither update the index for it again
# nor fail for it (note_wine32 says how to add it by hand).
has_i386() { dpkg --print-foreign-architectures | grep -qx i386; }
wants_wine32() { kernel_runs_i386 && ! installed "$WINE32" && ! has_i386; }
note_wine32() {
  if kernel_runs_i386 && ! installed "$WINE32" && has_i386; then
    echo "setup.sh: note: $WINE32 is not installed, so the Windows tests run the 64-bit build; 'apt-get install $WINE32' adds it"
  fi
}

# A mirror in the middle of a sync can fail one list now and then: try a few
# times, then go on with what the index has. Only a package that cannot be
# installed fails setup.
update_index() {  # update_index ATTEMPTS
  local attempt
  for attempt in $(seq "$1"); do
    apt-get update -q >"$log" 2>&1 && return 0
    echo "setup.sh: updating the package index failed (attempt $attempt of $1)" >&2
    [ "$attempt" = "$1" ] || sleep $((attempt * 5))
  done
  grep -E '^(E|W):' "$log" | head -n 3 >&2 || true
  echo "setup.sh: going on with the package index as it is" >&2
}

# All at once first; when that fails (one package that cannot be had makes
# apt refuse the lot), one at a time, so that the others are installed and
# each one that is not is named with apt's reason, in one line.
install_packages() {  # install_packages PACKAGE...
  local p
  apt_install "$@" && return 0
  for p in "$@"; do
    apt_install "$p" || echo "setup.sh: cannot install $p: $(apt_error)" >&2
  done
}
apt_install() { apt-get install -y -q --no-install-recommends "$@" >"$log" 2>&1; }
apt_error() { grep -E '^E:' "$log" | head -n 1 | sed 's/^E: //'; }

install_missing() {  # install_missing ITEM...
  local packages=() item
  for item in "$@"; do
    case "$item" in
      locale:*|alternative:*) ;;
      *) packages+=("$item") ;;
    esac
  done
  if [ ${#packages[@]} -gt 0 ]; then
    update_index 3
    install_packages "${packages[@]}"
  fi
  if ! locale -a 2>/dev/null | grep -qi '^ja_JP.utf8$'; then
    sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
    grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >> /etc/locale.gen
    locale-gen >/dev/null
  fi
  local target tool
  for target in i686 x86_64; do
    for tool in g++ gcc; do
      update-alternatives --set "$target-w64-mingw32-$tool" "/usr/bin/$target-w64-mingw32-$tool-posix" >/dev/null 2>&1 || true
    done
  done
}

# After everything needed is in place, so that a broken i386 list can never
# keep the amd64 packages out.
install_wine32() {
  dpkg --add-architecture i386
  update_index 1
  apt_install "$WINE32" && return 0
  echo "setup.sh: cannot install $WINE32: $(apt_error); the Windows tests run the 64-bit build" >&2
}

mapfile -t absent < <(missing)
if [ ${#absent[@]} -eq 0 ] && { [ "$check_only" = 1 ] || [ "$(id -u)" -ne 0 ] || ! wants_wine32; }; then
  note_wine32
  echo "setup.sh: all packages present"
  exit 0
fi

if [ ${#absent[@]} -gt 0 ] && { [ "$check_only" = 1 ] || [ "$(id -u)" -ne 0 ]; }; then
  self=$(realpath "$0")
  echo "setup.sh: missing: ${absent[*]}" >&2
  if command -v sudo >/dev/null 2>&1; then
    echo "setup.sh: install them as root with: sudo $self" >&2
  else
    echo "setup.sh: install them as root with: su -c '$self'" >&2
  fi
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if [ ${#absent[@]} -gt 0 ]; then
  echo "setup.sh: installing: ${absent[*]}"
  install_missing "${absent[@]}"
fi
if wants_wine32; then
  echo "setup.sh: installing: $WINE32"
  install_wine32
fi
mapfile -t absent < <(missing)
if [ ${#absent[@]} -gt 0 ]; then
  echo "setup.sh: still missing after installing: ${absent[*]}" >&2
  exit 1
fi
echo "setup.sh: all packages present"
