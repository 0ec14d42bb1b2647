#!/usr/bin/env bash
# Starts the program on a virtual X display and reads the main window's title as the X server has
# it: a task bar names the program by it, so it is the application title, in both the old and the
# desktop's property. Exits with 77 (skipped) where there is no Xvfb, xprop or xwininfo.
#   check_title_x11.sh PATH/TO/stampwise
set -uo pipefail
source "$(dirname "$0")/x11_program.sh" "$1"

status=0
for property in WM_NAME _NET_WM_NAME; do
  value="$(xprop -id "$window" "$property" 2>/dev/null)"
  if [ "$value" != "$property(STRING) = \"VM-Stampwise\"" ] &&
     [ "$value" != "$property(UTF8_STRING) = \"VM-Stampwise\"" ]; then
    echo "FAILED: $value"
    status=1
  fi
done
[ $status -eq 0 ] && echo "The main window is titled VM-Stampwise"
exit $status
