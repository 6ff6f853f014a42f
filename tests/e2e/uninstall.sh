#!/usr/bin/env bash
# End-to-end checks of the uninstaller on the demo product:
#   tests/e2e/uninstall.sh native build/native   on a fresh substitute machine
#   tests/e2e/uninstall.sh win32  build/win32    under Wine (WINEPREFIX from scripts/wine-env)
# The demo is installed through its setup.exe, then again over itself in
# German, and removed by its installed uninstaller with /S and /log: the
# machine's files and registry are then a fresh machine's (under Wine: the
# files and keys the product made are gone, the uninstaller and its copy
# too). Without /S it asks in the language the setup ran in; a second run
# finds no record. Natively, a file in use waits for the restart, after
# which the machine is fresh again, and a record leading through a link is
# refused and reported.
# Prints one line per check and "e2e uninstall PLATFORM: N passed, N failed".
set -uo pipefail

platform="${1:?platform}"
build="$(realpath "${2:?build directory}")"
bin="$build/bin"
root="$(cd "$(dirname "$0")/../.." && pwd)"
native="$root/build/native"

# shellcheck source=checks.sh
. "$root/tests/e2e/checks.sh"
[ "$platform" = win32 ] && with_display "$0" "$@"
fresh_work "uninstall-$platform"
export BRIMWELL_UI=auto
echo "e2e uninstall $platform: the demo installed twice and removed"

winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
product='Brimwell Demo'
key='HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall\Brimwell Demo'
[ "$platform" = win32 ] && own_wine_prefix
the_machine
if [ "$platform" = native ]; then
  # The machine as files and registry, dates aside.
  state() { "$bin/brimmachine" tree "$M" | sed 's/  .*//'; "$bin/brimmachine" reg "$M"; }
  query() { "$bin/brimmachine" reg "$M" "$1" 2>&1; }
else
  # What the demo makes: its folders, fonts and shortcuts, its keys.
  state() {
    find "$C" -path '*Brimwell*' -o -ipath '*fonts/BrimDemo*' -o -iname 'bru*.exe' | sort
    for k in 'HKLM\Software\Brimwell' "$key"; do wine reg query "$k" 2>/dev/null | tr -d '\r'; done
    wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Fonts' 2>/dev/null | grep -a Brimwell
  }
  query() { wine reg query "$1" /s 2>&1 | tr -d '\r'; }
fi
state >fresh.txt

# The demo's distribution, with the uninstaller this build made.
demo_kit "$work" || { echo "cannot bind the demo"; exit 1; }
(cd source && timeout 120 "${run[@]}" "$work/kit/brimsetup$exe" -b >/dev/null 2>&1 </dev/null)
check "the demo builds with -b" test -s dist/setup.exe
install() { (cd dist && timeout 120 "${run[@]}" ./setup.exe "$@" >/dev/null 2>&1 </dev/null); }
app="$C/Program Files/Brimwell/Demo"
check "the demo installs" install
check "  and again over itself, in German" install '*LANG=German'
check "  with its uninstaller" test -s "$app/uninstall.exe"
desktop_link="$C/users/$(whoami)/Desktop/Brimwell Demo readme.lnk"
[ "$platform" = win32 ] && check "  and its desktop shortcut" test -s "$desktop_link"
query "$key" >record.txt
check "  and the language the setup ran in beside the record" grep -qaE 'SetupLanguage.*German' record.txt

# uninstall ARGS...: the installed uninstaller; status and its messages (UTF-8).
uninstall() {
  timeout 120 "${run[@]}" "${uninstaller[@]}" "$@" >out.txt 2>err.txt </dev/null
  status=$?
  [ "$platform" = win32 ] && wineserver -w
  tr -d '\r' <err.txt >err.lf
}
# ended STATUS: the uninstaller's status (a shell sees its low 8 bits).
ended() { [ "$status" -eq $(($1 % 256)) ] || { echo "        status $status"; sed 's/^/        | /' err.lf | head; false; }; }
if [ "$platform" = native ]; then uninstaller=("$bin/uninstall"); else uninstaller=('C:\Program Files\Brimwell\Demo\uninstall.exe'); fi
# Asked in German and answered No: nothing is removed.
printf 'box No\n' >no.txt
if [ "$platform" = native ]; then answers="$work/no.txt"; else answers="$(winpath "$work/no.txt")"; fi
BRIMWELL_UI="script:$answers" uninstall $product
check "without /S it asks in the setup's language" contains err.lf "Möchten Sie Brimwell Demo mit allen Komponenten"
check "  and No leaves it installed (1602)" ended 1602
check "  all of it" test -s "$app/readme.txt"

uninstall /S "/log=$(winpath "$work/uninstall.log")" $product
check "the uninstaller with /S ends well" ended 0
state >after.txt
check "  the machine is a fresh one again" diff fresh.txt after.txt
# Wine's desktop is a link to the host's home, which other runs share.
[ "$platform" = win32 ] && check "  its desktop shortcut too" test ! -e "$desktop_link"
check "  the uninstaller is gone too" test ! -e "$app/uninstall.exe" -a ! -e "$C/Program Files/Brimwell"
check "  its log names what it removed" contains uninstall.log 'Program Files\Brimwell\Demo\readme.txt: removed'
# The installed one is gone: the build's own asks again.
uninstaller=("$bin/uninstall$exe")
uninstall /quiet /log "$(winpath "$work/second.log")" $product
check "a second run finds no record (1603)" ended 1603
check "  and says so" contains err.lf "The uninstall information of Brimwell Demo was not found"
check "  in its log too" contains second.log "The uninstall information of Brimwell Demo was not found"

if [ "$platform" = native ]; then
  # A file in use goes, with its folders, at the restart.
  install
  "$bin/brimmachine" lock "$M" 'C:\Program Files\Brimwell\Demo\readme.txt' >/dev/null
  uninstall /S $product
  check "with a file in use it ends for the restart (3010)" ended 3010
  check "  and keeps the file until then" test -s "$app/readme.txt"
  "$bin/brimmachine" unlock "$M" 'C:\Program Files\Brimwell\Demo\readme.txt' >/dev/null
  "$bin/brimmachine" reboot "$M" >/dev/null
  state >after.txt
  check "  after the restart the machine is a fresh one" diff fresh.txt after.txt

  # A record whose folder leads through a link out of the installation.
  install
  mkdir -p outside && cp -r "$app/Docs" outside/ && rm -rf "$app/Docs" && ln -s "$work/outside/Docs" "$app/Docs"
  uninstall /S $product
  check "a path through a link is refused (1603)" ended 1603
  check "  and reported" contains err.lf 'Docs\guide.txt: refused: passes through the link or junction'
  check "  what it leads to stays" test -s outside/Docs/guide.txt
fi
echo "e2e uninstall $platform: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
