#!/usr/bin/env bash
# The .deb and the portable archive as users install them; the archive runs from
# wherever it is unpacked. Usage: install_test.sh BUILD_DIR PROGRAM_TEST
set -euo pipefail
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "$*"; exit 1; }

(cd "$1" && cpack -B "$scratch/packages" >/dev/null)
deb=$(ls "$scratch"/packages/kerbcall_*.deb)
listing=$(dpkg-deb -c "$deb")
for file in ./usr/lib/kerbcall/kerbcall ./usr/lib/kerbcall/Demo.ini "./usr/lib/kerbcall/Zuda Vodaz Sounds/activated.mp3" \
    "./usr/bin/kerbcall -> ../lib/kerbcall/kerbcall" ./usr/share/applications/org.kerbcall.Kerbcall.desktop \
    ./usr/share/icons/hicolor/128x128/apps/org.kerbcall.Kerbcall.png ./usr/share/man/man1/kerbcall-cli.1.gz; do
  grep -qF "$file" <<< "$listing" || fail "not in the package: $file"
done
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || fail "the package does not depend on Qt"
lintian --fail-on error,warning "$deb" >"$scratch/lintian" 2>&1 || { grep -v 'root privileges' "$scratch/lintian"; fail "lintian found errors or warnings"; }
dpkg-deb -x "$deb" "$scratch/root"
desktop-file-validate "$scratch"/root/usr/share/applications/*.desktop
appstreamcli validate --explain "$scratch"/root/usr/share/metainfo/*.xml >/dev/null ||
  fail "AppStream metadata is not valid"

mkdir "$scratch/unpacked here"
tar -xzf "$scratch"/packages/kerbcall-*.tar.gz -C "$scratch/unpacked here"
portable=$(ls -d "$scratch/unpacked here"/kerbcall-*)
[[ -f "$portable/README" ]] || fail "the archive has no README"
(cd "$portable" && XDG_DATA_HOME="$scratch/data" ./kerbcall-cli check Demo.ini --strict >/dev/null) ||
  fail "the archive's kerbcall-cli does not pass its Demo.ini with the sounds beside it"
# Installed, the bench takes a sound of the user's own first, as the program does.
mkdir -p "$scratch/data/kerbcall/Zuda Vodaz Sounds"
cp "$portable/Zuda Vodaz Sounds/left3.mp3" "$scratch/data/kerbcall/Zuda Vodaz Sounds/LEFT3.MP3"
XDG_DATA_HOME="$scratch/data" "$scratch/root/usr/bin/kerbcall-cli" check "$portable/Demo.ini" --json --strict |
  grep -qF "\"left3.mp3\":{\"found\":true,\"folder\":\"$scratch/data/kerbcall/Zuda Vodaz Sounds\"" ||
  fail "the installed kerbcall-cli does not take the user's own sound first"
KERBCALL_E2E_PROGRAM_FOLDER="$portable" xvfb-run -n 93 -s "-screen 0 1024x768x24 -noreset" \
  "$2" --gtest_filter='*PickStartDriveAndStop' || fail "the archive's program fails the end-to-end run"
echo "packaged: $(basename "$deb") and $(basename "$(ls "$scratch"/packages/kerbcall-*.tar.gz)")"
