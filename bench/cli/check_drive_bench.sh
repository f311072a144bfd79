#!/usr/bin/env bash
# Prints how long kerbcall-cli check takes to time the sounds and drive a full
# note table (2001 notes, 50 units apart, at 40 units a second, a sample every
# millisecond) with the sound pack, and its peak memory.
# Usage: check_drive_bench.sh KERBCALL_CLI SOUND_FOLDER
set -euo pipefail
cli=$1
sounds=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mapfile -t names < <(cd "$sounds" && ls ./*.mp3 | sed 's|^\./||' | grep -v activated)
for ((i = 0; i < 2001; i++)); do
  printf '%s,%d\r\n' "${names[i % ${#names[@]}]}" $((100 + i * 50))
done > "$work/full.ini"

/usr/bin/time -f '%e %M' -o "$work/time" \
  "$cli" check "$work/full.ini" --sounds "$sounds" --speed 40 --json > "$work/report.json" 2>/dev/null
read -r seconds kibibytes < "$work/time"
calls=$(grep -o '"firesAt"' "$work/report.json" | wc -l)
echo "check --speed 40 on 2001 notes ($calls calls, ${#names[@]} sounds): $seconds s, peak memory $kibibytes KiB"
