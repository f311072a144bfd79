#!/usr/bin/env bash
# The program's windows under a window manager: each carries the desktop
# entry's window class, Kerbcall's icon, and a title that names Kerbcall.
# Usage, under an X server: desktop_test.sh KERBCALL DESKTOP_ENTRY
set -uo pipefail
scratch=$(mktemp -d)
export XDG_CONFIG_HOME=$scratch XDG_DATA_HOME=$scratch SDL_AUDIODRIVER=dummy
openbox --sm-disable >/dev/null 2>&1 &
manager=$!
"$1" 2>/dev/null &
program=$!
trap 'kill $program $manager; wait; rm -rf "$scratch"' EXIT
class=$(sed -n 's/^StartupWMClass=//p' "$2")
for ((tries = 0; tries < 100; tries++)); do
  mapfile -t windows < <(xdotool search --all --onlyvisible --pid $program --name . 2>/dev/null)
  [[ ${#windows[@]} -eq 2 ]] && break
  sleep 0.1
done
[[ ${#windows[@]} -eq 2 && -n $class ]] || { echo "the two windows do not show"; exit 1; }
failed=0
for window in "${windows[@]}"; do
  properties=$(xprop -id "$window" WM_CLASS _NET_WM_ICON _NET_WM_NAME)
  for wanted in "WM_CLASS(STRING) = \"kerbcall\", \"$class\"" "Icon (64 x 64)" " — Kerbcall\""; do
    grep -qF "$wanted" <<< "$properties" || { echo "window $window: no $wanted"; failed=1; }
  done
done
exit $failed
