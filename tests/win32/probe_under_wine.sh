#!/usr/bin/env bash
# The native Linux kerbcall-cli probe finds the Windows stand-in simulator under
# Wine and reads its build and distance, as it finds a simulator under Proton.
# usage: probe_under_wine.sh LINUX_KERBCALL_CLI ZRL_EXE   (with Wine's environment set)
set -euo pipefail
wine "$2" --early --hold 321.5 --seconds 60 >/dev/null &
simulator_pid=$!
trap 'kill "$simulator_pid" 2>/dev/null || true' EXIT
# Wine gives the process the Windows program's name; the simulator sets up its memory a moment later.
expected="\"found\":true,\"name\":\"zrl.exe\",\"pid\":$simulator_pid,\"index\":1,\"readable\":true,\"probeByte\":184,\"earlyBuild\":true,\"positionAddress\":6366992,\"samples\":[321.5,321.5,321.5,321.5,321.5,321.5]"
for _ in $(seq 50); do
  output=$("$1" probe --json || true)
  if [[ $output == *"$expected"* ]]; then
    echo "probe under Wine: $output"
    exit 0
  fi
  sleep 0.2
done
echo "probe under Wine: expected $expected, got $output" >&2
exit 1
