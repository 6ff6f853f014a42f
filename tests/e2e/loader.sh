#!/usr/bin/env bash
# End-to-end checks of a built distribution and its loading program:
#   tests/e2e/loader.sh native build/native   on a fresh substitute machine
#   tests/e2e/loader.sh win32  build/win32    under Wine and Xvfb (WINEPREFIX
#                                             from scripts/wine-env)
# A small product (one file) is bound into the runtime, which builds its
# distribution with "-b" beside a BUILD.INF, twice, into two directories:
# the same bytes both times. Then the self-extracting setup.exe, the plain
# setup.exe beside setup.1 and files.1, and "setup.exe *TODISK" each start
# the setup from the loader's directory under the temporary directory, which
# is gone afterwards; a missing, damaged or truncated setup archive is named
# and leaves nothing behind. Last, the demo product, with a file in use
# replaced at the restart and the start after it finishing the work.
# Prints one line per check and "e2e loader PLATFORM: N passed, N failed".
set -uo pipefail

platform="${1:?platform}"
build="$(realpath "${2:?build directory}")"
bin="$build/bin"
root="$(cd "$(dirname "$0")/../.." && pwd)"
native="$root/build/native"

# shellcheck source=checks.sh
. "$root/tests/e2e/checks.sh"
[ "$platform" = win32 ] && with_display "$0" "$@"

fresh_work "loader-$platform"
mkdir -p prod/payload kit
export BRIMWELL_UI=auto


echo "e2e loader $platform: a distribution built with -b and its setup.exe"

# winpath PATH: the host path as the programs see it (drive Z: is /).
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }

one_file_product LoaderCheck 'Loader Check' >prod/product.txt
printf 'hello from the payload\n' >prod/payload/hello.txt
"$native/bin/brimdef" compile prod/product.txt -o prod/product.bin >/dev/null ||
  { echo "cannot compile the product's definition"; exit 1; }

the_machine
if [ "$platform" = native ]; then
  # The native loader is not built for size as the win32 one is: a 2.88 MB
  # floppy takes it and setup.1 on the first disk.
  sed -i 's/^FloppyCapacity=.*/FloppyCapacity=2949120/' "$M/machine.ini"
  A="$M/drive_a"
else
  A="$work/floppy"
  mkdir -p "$A"
  rm -f "$WINEPREFIX/dosdevices/a:"
  ln -s "$A" "$WINEPREFIX/dosdevices/a:"
fi
# The runtime built for size, with the product bound in.
"$native/bin/brimdef" bind "$bin/brimruntime$exe" prod/product.bin -o "kit/brimsetup$exe" >/dev/null ||
  { echo "cannot bind the product"; exit 1; }
mkdir -p "$A"
cp "$bin/BrimwellLoadProgram.exe" kit/
setup_program="$work/kit/brimsetup$exe"

# build DIR: "-b" into DIR, from the product's directory.
build() {
  winpath "$work/$1" >kit/BUILD.INF
  (cd prod && timeout 120 "${run[@]}" "$setup_program" -b >../out.txt 2>../err.txt </dev/null)
}
# loader_dirs: the loaders' directories under the temporary directories.
loader_dirs() { find "$C" -maxdepth 6 -type d -name 'BWL*' 2>/dev/null | wc -l; }
# start DIR ARGS...: runs DIR/setup.exe, keeping its status and its stderr.
start() {
  local dir="$1"
  shift
  (cd "$dir" && timeout 120 "${run[@]}" ./setup.exe "$@" >"$work/out.txt" 2>"$work/err.txt" </dev/null)
  status=$?
  tr -d '\r' <"$work/err.txt" >"$work/err.lf"
}
# installed: the setup ran from the loader's copy and installed the
# product's file.
installed() {
  [ "$status" -eq 0 ] || { echo "        status $status"; sed 's/^/        | /' err.lf; return 1; }
  content_is "$C/Program Files/Brimwell/LoaderCheck/hello.txt" "hello from the payload"
}
ended_with_message() {
  [ "$status" -ne 0 ] && [ "$status" -ne 124 ] || { echo "        status $status"; return 1; }
  contains err.lf "$1"
}

check "-b builds the distribution" build dist
check "  setup.exe, setup.1 and files.1" test -s dist/setup.exe -a -s dist/setup.1 -a -s dist/files.1
check "  setup.exe ends with the self-extract trailer" \
  test "$(tail -c 56 dist/setup.exe | head -c 15 | tail -c 14)" = SELFEXTRACTING
check "  setup.exe begins with the loading program" \
  cmp -s -n "$(stat -c %s kit/BrimwellLoadProgram.exe)" dist/setup.exe kit/BrimwellLoadProgram.exe
sleep 2
check "a second build into another directory" build "second build"
for f in setup.exe setup.1 files.1; do
  check "  gives the same $f" cmp -s "dist/$f" "second build/$f"
done

before=$(loader_dirs)
start dist
check "the self-extracting setup.exe starts the setup" installed
check "  and its directory is gone" test "$(loader_dirs)" = "$before"

mkdir -p plain
cp kit/BrimwellLoadProgram.exe plain/setup.exe
cp dist/setup.1 dist/files.1 plain/
rm -rf "$C/Program Files/Brimwell/LoaderCheck"
start plain
check "setup.exe beside setup.1 starts the setup" installed
check "  and its directory is gone" test "$(loader_dirs)" = "$before"

start dist '*TODISK'
check "setup.exe *TODISK copies the setup onto the floppy" cmp -s "$A/setup.1" dist/setup.1
check "  the loading program as its setup.exe" cmp -s "$A/setup.exe" kit/BrimwellLoadProgram.exe
check "  and files.1 as the first disk" test -s "$A/files.1"
check "  its directory is gone" test "$(loader_dirs)" = "$before"

mkdir -p bare
cp kit/BrimwellLoadProgram.exe bare/setup.exe
start bare
check "without setup.1 the loader names it" ended_with_message "The setup archive $(winpath "$work/bare/setup.1") was not found"

mkdir -p truncated
cp kit/BrimwellLoadProgram.exe truncated/setup.exe
head -c 300 dist/setup.1 >truncated/setup.1
start truncated
check "a truncated setup.1 is named" ended_with_message "Cannot extract the setup from $(winpath "$work/truncated/setup.1")"
check "  and leaves no directory" test "$(loader_dirs)" = "$before"

mkdir -p outside
cp dist/setup.exe outside/setup.exe
size=$(stat -c %s outside/setup.exe)
# SetupEnd (trailer offset 20) past the end of the file.
printf '\xff\xff\xff\x7f' | dd of=outside/setup.exe bs=1 seek=$((size - 56 + 20)) conv=notrunc status=none
start outside
check "a trailer pointing outside the file is named" \
  ended_with_message "The setup program $(winpath "$work/outside/setup.exe") is damaged: its self-extract trailer points outside the file"

# The demo product, built with -b and installed through its self-extracting
# setup.exe while another program holds one of its files: the setup ends
# for the restart (3010), keeping its copy for the start after it; the
# restart replaces the file and runs the RunOnce command, whose start (-r)
# finishes the unfinished list and ends well, removing the record.
mkdir -p demo/kit
demo_kit "$work/demo" || { echo "cannot bind the demo"; exit 1; }
(cd demo/source &&
  timeout 120 "${run[@]}" "$work/demo/kit/brimsetup$exe" -b >"$work/out.txt" 2>"$work/err.txt" </dev/null)
check "the demo builds with -b" test -s demo/dist/setup.exe -a -s demo/dist/files.1
app="$C/Program Files/Brimwell/Demo"
mkdir -p "$app"
printf 'an old readme\n' >"$app/readme.txt"
touch -d 2000-01-01 "$app/readme.txt"
record_key='HKEY_LOCAL_MACHINE\SOFTWARE\Brimwell\Install'
runonce='HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\RunOnce'
if [ "$platform" = native ]; then
  "$bin/brimmachine" lock "$M" 'C:\Program Files\Brimwell\Demo\readme.txt' >/dev/null
  query() { "$bin/brimmachine" reg "$M" "$1" 2>&1; }
  release() { "$bin/brimmachine" unlock "$M" 'C:\Program Files\Brimwell\Demo\readme.txt' >/dev/null; }
  # The setup's restart request is recorded on the machine: this is it.
  restart() { "$bin/brimmachine" reboot "$M"; }
else
  wine "$bin/install_probe.exe" hold 'C:\Program Files\Brimwell\Demo\readme.txt' 20 </dev/null >/dev/null 2>&1 &
  holder=$!
  for _ in $(seq 1 100); do [ -e "$app/readme.txt.held" ] && break; sleep 0.2; done
  query() { wine reg query "$1" /s 2>&1 | tr -d '\r'; }
  release() { wait "$holder"; }
fi
before=$(loader_dirs)
start demo/dist
# 3010, restart required; a shell sees its low 8 bits.
check "the demo's setup.exe ends for the restart (3010)" test "$status" -eq 194
check "  the held readme waits beside it" test -s "$app/readme.1"
check "  the other files are installed" test -s "$app/license.txt" -a -s "$app/Docs/guide.txt"
check "  the loader keeps its copy of the setup" test "$(loader_dirs)" -gt "$before"
if [ "$platform" = native ]; then
  query "$runonce" >runonce.txt
  check "  the start after the restart is registered" contains runonce.txt "BrimwellUnfinished"
  query "$record_key" >record.txt
  check "  the record keeps the unfinished list" contains record.txt "Unfinished"
  release
  check "the restart" restart
else
  # Under Wine the setup's restart (ExitWindowsEx) is done as wineboot -r
  # does it, by a wineboot of its own that may still be at work: the
  # holder ends with the session, the held file is replaced and the RunOnce
  # command runs.
  release
  for _ in $(seq 1 60); do
    cmp -s "$app/readme.txt" "$root/examples/demo/payload/readme.txt" &&
      ! query "$record_key" | grep -qF Install0 && break
    sleep 0.5
  done
fi
check "  replaces the held readme" cmp -s "$app/readme.txt" "$root/examples/demo/payload/readme.txt"
query "$record_key" >record.txt
check "  and the start after it ends well, removing the record" lacks record.txt "Install0"
query "$runonce" >runonce.txt
check "  RunOnce is empty again" lacks runonce.txt "BrimwellUnfinished"

# The demo's shortcuts: in its program folder of the Start menu and on the
# desktop, each resolving to the installed file (or to Notepad with the
# sample as its argument), and the internet shortcut holding its address.
if [ "$platform" = native ]; then
  shell_folder() {
    "$bin/brimmachine" reg "$M" 'HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders' |
      tr -d '\r' | sed -n "s/^\"$1\"=\"\(.*\)\"\$/\1/p" | sed 's/\\\\/\\/g'
  }
  link_fields() { "$bin/link_probe" show "$1" 2>&1; }
  host_path() { printf '%s' "$M/drive_c/${1#C:\\}" | tr '\\' /; }
else
  shell_folder() {
    wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders' /v "$1" 2>/dev/null |
      tr -d '\r' | sed -n 's/.*REG_SZ[[:space:]]*//p'
  }
  link_fields() { wine "$bin/link_probe.exe" show "$1" 2>&1 </dev/null | tr -d '\r'; }
  host_path() { winepath -u "$1" 2>/dev/null; }
fi
# starts FILE TARGET: the link's path ends with TARGET.
starts() { grep '^Path=' "$1" | grep -qF -- "$2" || { echo "        $1:"; sed 's/^/        | /' "$1"; false; }; }
programs="$(shell_folder Programs)\\Brimwell Demo"
desktop="$(shell_folder Desktop)"
demo_dir='C:\Program Files\Brimwell\Demo'
while IFS='|' read -r link target arguments; do
  link_fields "$link" >link.txt
  check "  the shortcut $link starts $target" starts link.txt "$target"
  check "    with the arguments '$arguments'" grep -qxF -- "Arguments=$arguments" link.txt
done <<LINKS
$programs\\Read me.lnk|$demo_dir\\readme.txt|
$programs\\Brimwell Demo guide.lnk|$demo_dir\\Docs\\guide.txt|
$programs\\Hello sample.lnk|\\notepad.exe|"$demo_dir\\Docs\\Samples\\hello.txt"
$desktop\\Brimwell Demo readme.lnk|$demo_dir\\readme.txt|
$programs\\Uninstall Brimwell Demo.lnk|$demo_dir\\uninstall.exe|Brimwell Demo
LINKS
check "  the internet shortcut holds its address" \
  contains "$(host_path "$programs\\Brimwell on the web.url")" "URL=http://www.example.com/brimwell/"

# The wizard as a person steps through it, answered from a script: the
# pages come in their order, and the destination and program folder typed
# on their pages are where the product goes. Cancel on the destination
# page ends with the bad-end page and makes nothing.
cat >answers.txt <<'ANSWERS'
page Welcome
press Next >
page Software license agreement
press ProceedBtn
page Choose Destination Location
set edDestDir C:\Apps\Demo
press ProceedBtn
page Select folder in start menu
set FolderEdit My Demo
press ProceedBtn
ANSWERS
# The script is named as the program reads files: a host path natively.
script_path() { if [ "$platform" = native ]; then printf '%s' "$work/$1"; else winpath "$work/$1"; fi; }
BRIMWELL_UI="script:$(script_path answers.txt)" start demo/dist
check "a scripted install passes the wizard's pages in order" \
  test "$(grep -x -- '--- [A-Z][^-]* ---' err.lf | grep -vx -e '--- Brimwell Demo Setup ---' \
    -e '--- Copying installation files ---' | uniq | tr '\n' '|')" = \
  "--- Welcome ---|--- Software license agreement ---|--- Choose Destination Location ---|--- Select folder in start menu ---|--- Setup complete ---|"
check "  and installs into the destination typed" content_is "$C/Apps/Demo/Docs/Samples/hello.txt" "$(cat "$root/examples/demo/payload/samples/hello.txt")"
check "  with its shortcuts in the program folder typed" test -n "$(link_fields "$(shell_folder Programs)\\My Demo\\Read me.lnk" | grep '^Path=')"
# The same setup in German and in Japanese, unattended: the pages speak the
# language chosen with *LANG, which setup.exe passes on, and the text front
# end writes them in UTF-8.
for case in "German|Willkommen|Setup abgeschlossen" "Japanese|ようこそ|セットアップの完了"; do
  IFS='|' read -r language welcome done <<<"$case"
  BRIMWELL_UI=auto start demo/dist "*LANG=$language"
  check "an unattended install in $language shows its welcome page in $language" contains err.lf "--- $welcome ---"
  check "  and its success page" contains err.lf "--- $done ---"
done
cat >cancel.txt <<'ANSWERS'
page Welcome
press Next >
page Software license agreement
press Next >
page Choose Destination Location
set edDestDir C:\Cancelled\Demo
cancel
ANSWERS
BRIMWELL_UI="script:$(script_path cancel.txt)" start demo/dist
check "Cancel on the destination page ends with the bad-end page" contains err.lf "--- Setup incomplete ---"
check "  and makes nothing" test ! -e "$C/Cancelled"
check "  and its exit status says the user cancelled (1602)" test "$status" -eq $((1602 & 255))

# On Windows NT 3.51 the shell is Program Manager: the same setup makes its
# program folder a Program Manager group through DDE, and its items start
# what the shortcuts would; the desktop has no shortcut there.
if [ "$platform" = native ]; then
  M="$work/nt351"
  "$bin/brimmachine" init "$M" --windows nt351 >/dev/null
  # Program files go to the current drive there: the setup runs from C:.
  cp -r demo/dist "$M/drive_c/DIST"
  BRIMWELL_MACHINE="$M" start "$M/drive_c/DIST"
  check "on Windows NT 3.51 the demo installs" test "$status" -eq 0
  "$bin/brimmachine" groups "$M" >groups.txt 2>&1
  check "  its program folder is a Program Manager group" contains groups.txt "Brimwell Demo"
  check "  whose item starts the readme" contains groups.txt "command line: C:\\Program Files\\Brimwell\\Demo\\readme.txt"
  check "    and shows its icon" contains groups.txt "icon:         C:\\Program Files\\Brimwell\\Demo\\readme.txt,0"
  check "  and the sample with its argument" \
    contains groups.txt "\"C:\\WINDOWS\\notepad.exe\" \"C:\\Program Files\\Brimwell\\Demo\\Docs\\Samples\\hello.txt\""
  "$bin/brimmachine" links "$M" >links.txt 2>&1
  check "  no shell link file is made" lacks links.txt ".lnk"
fi

echo "e2e loader $platform: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
