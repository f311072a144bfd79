#!/usr/bin/env bash
# Under a window manager, both windows carry the desktop entry's class, the
# icon and a title naming Kerbcall. Usage, on an X server: desktop_test.sh KERBCALL DESKTOP_ENTRY
set -uo pipefail
scratch=$(mktemp -d)
export XDG_CONFIG_HOME=$scratch XDG_DATA_HOME=$scratch SDL_AUDIODRIVER=dummy
openbox --sm-disable >/dev/null 2>&1 &
manager=$!
program=
trap 'kill $program $manager; wait; rm -rf "$scratch"' EXIT
# Windows mapped while the manager is still starting may be left unmapped by it.
until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; do
  ((SECONDS < 40)) || { echo "the window manager does not start"; exit 1; }
  sleep 0.05
done
windows=()
while ((SECONDS < 50 && ${#windows[@]} < 2)); do
  # Started again when it found no display, on a busy machine.
  [[ -n $program ]] && kill -0 $program 2>/dev/null || { "$1" 2>/dev/null & program=$!; }
  sleep 0.1
  mapfile -t windows < <(xdotool search --all --onlyvisible --pid $program --name . 2>/dev/null)
done
[[ ${#windows[@]} -eq 2 ]] || { echo "the two windows do not show"; exit 1; }
class=$(sed -n 's/^StartupWMClass=//p' "$2")
for window in "${windows[@]}"; do
  properties=$(xprop -id "$window" WM_CLASS _NET_WM_ICON _NET_WM_NAME)
  for wanted in "WM_CLASS(STRING) = \"kerbcall\", \"${class:-none}\"" "Icon (64 x 64)" " — Kerbcall\""; do
    grep -qF "$wanted" <<< "$properties" || { echo "$window: no $wanted"; exit 1; }
  done
done
