#!/bin/bash
# Checks that everything Sonalix needs to build, run and test on Debian 12 is
# installed, and installs what is missing. Only installing needs root: with
# everything present any user passes, and nothing here writes to the tree.
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ googletest python3
  clang libclang-rt-14-dev clang-format clang-tidy clang-tools
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine32:i386 wine64 fonts-wine
  xvfb xdotool x11-utils x11-apps imagemagick trayer
  pulseaudio pulseaudio-utils sox
  locales fonts-ipafont-gothic fonts-ipafont-mincho
  zstd procps
  dbus-daemon
)

# What is missing, one item per line: "arch:i386", "locale:ja_JP.UTF-8",
# "alternative:<tool>" or a package name.
missing() {
  dpkg --print-foreign-architectures | grep -qx i386 || echo "arch:i386"
  local p
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
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

install_missing() {  # install_missing ITEM...
  local packages=() item
  for item in "$@"; do
    case "$item" in
      arch:*) dpkg --add-architecture "${item#arch:}" ;;
      locale:*|alternative:*) ;;
      *) packages+=("$item") ;;
    esac
  done
  if [ ${#packages[@]} -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q
    apt-get install -y -q --no-install-recommends "${packages[@]}"
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

mapfile -t absent < <(missing)
if [ ${#absent[@]} -eq 0 ]; then
  echo "setup.sh: all packages present"
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  self=$(realpath "$0")
  echo "setup.sh: missing: ${absent[*]}" >&2
  if command -v sudo >/dev/null 2>&1; then
    echo "setup.sh: install them as root with: sudo $self" >&2
  else
    echo "setup.sh: install them as root with: su -c '$self'" >&2
  fi
  exit 1
fi

echo "setup.sh: installing: ${absent[*]}"
install_missing "${absent[@]}"
mapfile -t absent < <(missing)
if [ ${#absent[@]} -gt 0 ]; then
  echo "setup.sh: still missing after installing: ${absent[*]}" >&2
  exit 1
fi
echo "setup.sh: all packages present"
