#!/usr/bin/env bash
# Installing puts one program folder together, and the .deb carries it to
# /opt/kerbcall. Usage: install_test.sh BUILD_DIR
set -euo pipefail
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

cmake --install "$build" --prefix "$scratch/program" >/dev/null
for file in kerbcall kerbcall-cli kerbcall-sim Demo.ini "Zuda Vodaz Sounds/activated.mp3" \
    "Zuda Vodaz Sounds/deactivated.mp3" "Zuda Vodaz Sounds/left3.mp3" "Zuda Vodaz Sounds/finish.mp3"; do
  [[ -f "$scratch/program/$file" ]] || { echo "not installed: $file"; exit 1; }
done
[[ -x "$scratch/program/kerbcall" ]] || { echo "kerbcall is not executable"; exit 1; }

(cd "$build" && cpack -G DEB -B "$scratch/package" >/dev/null)
deb=$(ls "$scratch"/package/kerbcall_*.deb)
listing=$(dpkg-deb -c "$deb")
for file in ./opt/kerbcall/kerbcall ./opt/kerbcall/Demo.ini "./opt/kerbcall/Zuda Vodaz Sounds/activated.mp3"; do
  grep -qF "$file" <<< "$listing" || { echo "not in the package: $file"; exit 1; }
done
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || { echo "the package does not depend on Qt"; exit 1; }
echo "installed and packaged"
