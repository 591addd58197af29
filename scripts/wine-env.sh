# Sourced: chooses the Windows build that Wine can run on this machine and
# sets WINEARCH (and PATH) for it. SONALIX_WINE_ARCH is win32 where the kernel
# runs 32-bit x86 programs, so that Wine's 32-bit loader starts; some
# hypervisors offer no 32-bit user mode at all, and there the 64-bit build of
# the same sources runs under Wine's 64-bit loader, which Debian's `wine`
# would not pick while the 32-bit one is installed.
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  export SONALIX_WINE_ARCH=win32 WINEARCH=win32
else
  export SONALIX_WINE_ARCH=win64 WINEARCH=win64
  _loader="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/wine64-loader"
  case ":$PATH:" in *":$_loader:"*) ;; *) export PATH="$_loader:$PATH" ;; esac
  unset _loader
fi
