#!/usr/bin/env bash
# Prints how long kerbcall-cli pack takes to make the sound pack again from
# its own calls (each decoded, measured, cut and encoded as a recording
# would be), and its peak memory.
# Usage: pack_bench.sh KERBCALL_CLI SOUND_FOLDER
set -euo pipefail
cli=$1
sounds=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

/usr/bin/time -f '%e %M' -o "$work/time" "$cli" pack "$sounds" -o "$work/pack" --json > "$work/report.json"
read -r seconds kibibytes < "$work/time"
calls=$(grep -o '"durationAfter"' "$work/report.json" | wc -l)
bytes=$(cat "$work/pack"/*.mp3 | wc -c)
echo "pack of the sound pack ($calls calls, $((bytes / 1024)) KiB made): $seconds s, peak memory $kibibytes KiB"
