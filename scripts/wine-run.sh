#!/bin/bash
# Runs a Windows program under Wine on the test desktop named by
# SONALIX_DESKTOP_DIR (started by scripts/desktop.sh), or on the caller's own
# display and prefix when that is unset.
if [ -n "${SONALIX_DESKTOP_DIR:-}" ] && [ -f "$SONALIX_DESKTOP_DIR/env.sh" ]; then
  # shellcheck disable=SC1091
  . "$SONALIX_DESKTOP_DIR/env.sh"
fi
export WINEARCH=win32 WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
exec wine "$@" 2> >(tr -d '\r' >&2) | tr -d '\r'
