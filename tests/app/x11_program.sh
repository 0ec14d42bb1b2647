# Sourced by the checks that read the program's main window from outside, on a virtual X display
# (Xvfb) with no window manager: starts the server and the program and finds the window. Exits
# with 77 (skipped) where there is no Xvfb, xprop or xwininfo. Sets DISPLAY, $scratch and $window;
# everything it started ends with the sourcing script.
#   source x11_program.sh PATH/TO/stampwise
program="$1"
for tool in Xvfb xprop xwininfo; do
  command -v "$tool" >/dev/null 2>&1 || { echo "SKIPPED: no $tool"; exit 77; }
done

scratch="$(mktemp -d)"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT

# The server picks a free display and writes its number once it accepts clients.
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$scratch/display" 2>"$scratch/xvfb.log" &
pids+=($!)
# Generous waits: a loaded machine may take long to start either program, and only starting is
# waited for.
for _ in $(seq 600); do [ -s "$scratch/display" ] && break; sleep 0.1; done
[ -s "$scratch/display" ] || { echo "FAILED: Xvfb did not start"; cat "$scratch/xvfb.log"; exit 1; }
export DISPLAY=":$(head -n1 "$scratch/display")"

mkdir "$scratch/home"
HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/.config" QT_QPA_PLATFORM=xcb \
  "$program" >"$scratch/program.log" 2>&1 &
pids+=($!)

window=""
for _ in $(seq 600); do
  window="$(xwininfo -root -tree 2>/dev/null | awk '/\("stampwise" / && / 400x500\+/ {print $1; exit}')"
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "FAILED: the main window did not appear"; cat "$scratch/program.log"; exit 1; }
# The tree lists the window from its creation on, while the program is still setting it up; once
# it is shown, the set-up is done.
for _ in $(seq 600); do
  xwininfo -id "$window" 2>/dev/null | grep -q 'Map State: IsViewable' && break
  sleep 0.1
done
xwininfo -id "$window" 2>/dev/null | grep -q 'Map State: IsViewable' ||
  { echo "FAILED: the main window was not shown"; cat "$scratch/program.log"; exit 1; }
