# Sourced: chooses the Windows build that Wine can run on this machine and
# sets WINEARCH (and PATH) for it. SONALIX_WINE_ARCH is win32 where the kernel
# runs 32-bit x86 programs (the question scripts/setup.sh asks before it
# installs Wine's 32-bit loader) and that loader is installed; elsewhere the
# 64-bit build of the same sources runs under Wine's 64-bit loader, which
# Debian's `wine` would not pick while a 32-bit one is installed.
# shellcheck disable=SC1091
. "$(dirname "${BASH_SOURCE[0]}")/i386-probe.sh"
if kernel_runs_i386 && /usr/lib/wine/wine --version >/dev/null 2>&1; then
  export SONALIX_WINE_ARCH=win32 WINEARCH=win32
else
  export SONALIX_WINE_ARCH=win64 WINEARCH=win64
  _loader="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/wine64-loader"
  case ":$PATH:" in *":$_loader:"*) ;; *) export PATH="$_loader:$PATH" ;; esac
  unset _loader
fi
