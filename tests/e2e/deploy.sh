#!/usr/bin/env bash
# The demo deployed through setup.exe's switches: tests/e2e/deploy.sh native
# build/native (a fresh substitute machine) or win32 build/win32 (Wine with
# no display, where any window would fail). Exit codes and the install log.
set -uo pipefail

platform="${1:?platform}"
bin="$(realpath "${2:?build directory}")/bin"
root="$(cd "$(dirname "$0")/../.." && pwd)"
native="$root/build/native"
# shellcheck source=checks.sh
. "$root/tests/e2e/checks.sh"
fresh_work "deploy-$platform"
mkdir -p kit
# The program's own front end, as on a deployed machine.
unset BRIMWELL_UI
echo "e2e deploy $platform: the demo's setup.exe with the switches deployment tools use"

if [ "$platform" = win32 ]; then
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  unset DISPLAY WAYLAND_DISPLAY
  own_wine_prefix
fi
the_machine
demo_kit "$work" || { echo "cannot bind the demo"; exit 1; }
(cd source && timeout 120 "${run[@]}" "$work/kit/brimsetup$exe" -b '*QUIET' >/dev/null 2>&1 </dev/null)
[ -s dist/setup.exe ] || { echo "cannot build the demo's distribution"; exit 1; }

start() {
  (cd dist && timeout 120 "${run[@]}" ./setup.exe "$@" >../out.txt 2>../err.txt </dev/null)
  status=$?
  tr -d '\r' <out.txt >out.lf
  tr -d '\r' <err.txt >err.lf
}
status_is() { [ "$status" -eq $(($1 & 255)) ] || { echo "        status $status, not $1"; head -20 err.lf; false; }; }
# logged LOG PATTERN: a line of LOG after its time (grep -E).
logged() {
  grep -qE "^[0-9-]{10} [0-9:.]{12} $2" "$1" || { echo "        $1 lacks: $2"; head -40 "$1"; false; }
}
P='C:.Program Files.Brimwell.Demo'

start '/?'
check "setup.exe /? prints the switches and ends with 0" test "$status" -eq 0 -a -n "$(grep -F /D=PATH out.lf)"
start /S /bogus
check "a switch setup.exe does not know ends with 1639" status_is 1639

if [ "$platform" = win32 ]; then
  start
  check "without /S the setup cannot make its window here" status_is 1603
fi
start /S /log 'C:\quiet.log'
check "setup.exe /S /log FILE installs and ends with 0" status_is 0
check "  the demo's files" test -s "$C/Program Files/Brimwell/Demo/readme.txt"
check "  showing no page and no message box" test -z "$(grep -E -- '---|answered' err.lf)"
tr -d '\r' <"$C/quiet.log" >quiet.log
check "  its log begins with the command line" logged <(head -1 quiet.log) 'command +.*brimsetup.*"?\*QUIET"? "?\*LOG=C:.quiet.log"?$'
for line in "phase +before-install pages" "file +$P.readme.txt: written$" "font +Brimwell Demo .TrueType.: .*Fonts.BrimDemo[0-9]*.ttf added" \
  "registry +HKEY_LOCAL_MACHINE.SOFTWARE.*Brimwell Demo" "shortcut +.*Read me.lnk -> $P.readme.txt" "phase +end: installed"; do
  check "  and has: $line" logged quiet.log "$line"
done
check "  and ends with the exit code" logged <(tail -1 quiet.log) 'exit +0$'
start /S /log 'C:\again.log'
check "a second /S install logs each file's decision" logged "$C/again.log" "file +$P.readme.txt: (kept, |written over)"

printf 'in the way\n' >"$C/Blocked"
start /quiet '/log=C:\blocked.log' '/D=C:\Blocked\App'
check "a destination that cannot be written ends with 1603" status_is 1603
tr -d '\r' <"$C/blocked.log" >blocked.log
check "  the log names the file and the system's code" logged blocked.log 'error +.*C:.Blocked.App.*(error|code) [0-9]+'
check "  and ends with the exit code" logged <(tail -1 blocked.log) 'exit +1603$'
check "  and the file in the way stays" content_is "$C/Blocked" "in the way"

start /S '/D=C:\Program Files\My App'
check "/D= with blanks installs there and ends with 0" status_is 0
check "  the demo's files" test -s "$C/Program Files/My App/readme.txt"

echo "e2e deploy $platform: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
