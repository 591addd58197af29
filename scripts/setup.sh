#!/bin/bash
# Installs everything Sonalix needs to build, run and test on Debian 12.
# Idempotent: a second run only checks that everything is present.
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ googletest python3
  clang libclang-rt-14-dev
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine32:i386 wine64 fonts-wine
  xvfb xdotool x11-utils x11-apps imagemagick trayer
  pulseaudio pulseaudio-utils sox
  locales fonts-ipafont-gothic fonts-ipafont-mincho
  zstd procps
)

if [ "$(id -u)" -ne 0 ]; then
  echo "setup.sh: run as root (it installs packages)" >&2
  exit 1
fi

missing=()
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  missing=("${PACKAGES[@]}")
else
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
fi

if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Wine's Japanese font substitutes name this locale; generate it once.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP.utf8$'; then
  sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi

# mingw's default compilers must be the posix thread model (std::thread).
for target in i686 x86_64; do
  for tool in g++ gcc; do
    update-alternatives --set "$target-w64-mingw32-$tool" "/usr/bin/$target-w64-mingw32-$tool-posix" >/dev/null 2>&1 || true
  done
done
echo "setup.sh: all packages present"
