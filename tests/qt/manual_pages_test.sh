#!/usr/bin/env bash
# Each manual page names every command and option its program's --help gives;
# kerbcall answers without a display. Usage: manual_pages_test.sh KERBCALL KERBCALL_CLI KERBCALL_SIM MAN_FOLDER
set -uo pipefail
unset DISPLAY WAYLAND_DISPLAY
failed=0
fail() { echo "$*"; failed=1; }
while IFS='|' read -r arguments status begins; do  # kerbcall's arguments, exit status, output
  out=$("$1" $arguments 2>/dev/null)
  got=$?
  [[ $got == "$status" && $out == "$begins"* ]] || fail "kerbcall $arguments: exit status $got, printed '${out:0:30}'"
done <<'ROWS'
--help|0|usage: kerbcall
--version|0|kerbcall 1.
--verbose|2|
--help --version|2|
ROWS
page() { sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g' "$man/$1.1"; }
names_all() {  # page name, page text, help text
  for option in $(grep -oE -- '(^|[^[:alnum:]-])--?[[:alpha:]][[:alnum:]-]*' <<< "$3" | grep -oE -- '--?[[:alnum:]-]+' | sort -u); do
    grep -qE -- "(^|[^[:alnum:]-])$option([^[:alnum:]-]|\$)" <<< "$2" || fail "$1(1) does not name $option"
  done
}
man=$4
names_all kerbcall "$(page kerbcall)" "$("$1" --help)"
names_all kerbcall-sim "$(page kerbcall-sim)" "$("$3" --help)"
cli_page=$(page kerbcall-cli)
for command in "" $("$2" --help | sed -n '/^Subcommands:/,$s/^  \([a-z]\+\) .*/\1/p'); do
  grep -q "kerbcall-cli $command" <<< "$cli_page" || fail "kerbcall-cli(1) does not name the command $command"
  names_all kerbcall-cli "$cli_page" "$("$2" $command --help)"
done
exit $failed
