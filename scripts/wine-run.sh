#!/bin/bash
# Runs a Windows program under Wine on the test desktop named by
# SONALIX_DESKTOP_DIR (started by scripts/desktop.sh), or on the caller's own
# display and prefix when that is unset. Wine's console output ends lines
# with CRLF; the filter drops the CR, and the program's status is returned.
set -o pipefail
# shellcheck disable=SC1091
. "$(dirname "$0")/wine-env.sh"
if [ -n "${SONALIX_DESKTOP_DIR:-}" ] && [ -f "$SONALIX_DESKTOP_DIR/env.sh" ]; then
  # shellcheck disable=SC1091
  . "$SONALIX_DESKTOP_DIR/env.sh"
fi
export WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
wine "$@" 2> >(tr -d '\r' >&2) | tr -d '\r'
