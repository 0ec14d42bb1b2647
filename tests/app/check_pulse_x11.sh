#!/usr/bin/env bash
# Starts the program on a virtual X display, with no window manager and no input at all, and reads
# the main window's opacity property as the X server has it: the pulse must reach the server by
# itself, so two readings two seconds apart differ. Exits with 77 (skipped) where there is no Xvfb,
# xprop or xwininfo.
#   check_pulse_x11.sh PATH/TO/stampwise
set -uo pipefail
source "$(dirname "$0")/x11_program.sh" "$1"

opacity() { xprop -id "$window" _NET_WM_WINDOW_OPACITY 2>/dev/null | awk -F' = ' '/CARDINAL/ {print $2}'; }

first=""
for _ in $(seq 300); do
  first="$(opacity)"
  [ -n "$first" ] && break
  sleep 0.1
done
[ -n "$first" ] || { echo "FAILED: the main window's opacity never reached the server"; exit 1; }

# Read every fifth of a second for eight seconds: the value must never stand still for two seconds
# (the pulse moves it every tick, 100 ms, and holds it at most 0.4 s at the top of the cosine). A
# pulse that reaches the server only with some stray event stands still for seconds at a time.
now_ms() { date +%s%3N; }
start="$(now_ms)"
since="$start"
last="$first"
longest=0
count=1
while [ $(( $(now_ms) - start )) -lt 8000 ]; do
  sleep 0.2
  value="$(opacity)"
  t="$(now_ms)"
  count=$((count + 1))
  if [ "$value" != "$last" ]; then
    [ $((t - since)) -gt "$longest" ] && longest=$((t - since))
    since="$t"
    last="$value"
  fi
done
[ $(( $(now_ms) - since )) -gt "$longest" ] && longest=$(( $(now_ms) - since ))
if [ "$longest" -ge 2000 ]; then
  echo "FAILED: with no input the opacity stood still for ${longest} ms ($count readings)"
  exit 1
fi
echo "The opacity moves by itself: at most ${longest} ms on one value ($count readings)"
exit 0
