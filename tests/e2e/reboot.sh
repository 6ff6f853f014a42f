#!/usr/bin/env bash
# End-to-end checks of work left for the next start of Windows, on one
# platform:
#   tests/e2e/reboot.sh native BUILD_DIR   the substitute machine: brimmachine
#                                           init, reboot, reg, tree, lock
#   tests/e2e/reboot.sh win32 BUILD_DIR    Windows under Wine: wineboot -r
#                                           (WINEPREFIX from scripts/wine-env)
# In both, reboot_probe schedules a replacement at the reboot and a RunOnce
# batch file; after the reboot the file is replaced, the batch file has run
# and the RunOnce value is gone. On the substitute machine the registry
# files must then import into Wine's regedit with the same values.
# Prints one line per check and "e2e PLATFORM: N passed, N failed".
set -uo pipefail

platform="${1:?platform}"
bin="$(realpath "${2:?build directory}")/bin"
root="$(cd "$(dirname "$0")/../.." && pwd)"
# shellcheck source=checks.sh
. "$root/tests/e2e/checks.sh"
need wine wine
fresh_work "reboot-$platform"

# A machine, its drive C: as a host directory, and a way to read a value.
if [ "$platform" = native ]; then
  machine() { "$bin/brimmachine" "$@"; }
  probe() { BRIMWELL_MACHINE="$M" "$bin/reboot_probe" "$@"; }
else
  probe() { wine "$bin/reboot_probe.exe" "$@"; }
fi

# prepare DRIVE_C: the files the probe works on.
prepare() {
  mkdir -p "$1/App"
  printf old >"$1/App/Old Library.dll"
  printf new >"$1/App/new.tmp"
  printf here >"$1/App/marker.txt"
  printf 'erase C:\\App\\marker.txt\r\n' >"$1/App/after.bat"
}

echo "e2e $platform: reboot_probe, then a reboot"

if [ "$platform" = native ]; then
  M="$work/machine"
  check "brimmachine init makes a machine" ran machine init "$M"
  check "the registry is REGEDIT4 text" test "$(head -n 1 "$M/HKLM.reg" | tr -d '\r')" = REGEDIT4
  check "the machine has a Windows directory" test -d "$M/drive_c/WINDOWS/system32"
  machine reg "$M" 'HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion' >reg.txt
  check "Program Files is registered" contains reg.txt '"ProgramFilesDir"="C:\\Program Files"'
  prepare "$M/drive_c"
  check "the probe schedules its work" ran probe 'C:\App\new.tmp' 'C:\App\Old Library.dll' 'C:\App\after.bat'
  machine reg "$M" 'HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Session Manager' >pending.txt
  check "the rename waits as Windows keeps it" contains pending.txt '"PendingFileRenameOperations"=hex(7):'
  machine reg "$M" >before.txt
  check "the RunOnce value is there" contains before.txt '"BrimwellUnfinished"="C:\\App\\after.bat"'
  check "brimmachine tree lists the files" ran machine tree "$M"
  check "  with their sizes" contains out.txt 'C:\App\Old Library.dll  3  '
  check "brimmachine reboot" ran machine reboot "$M"
  check "the old file was replaced" content_is "$M/drive_c/App/Old Library.dll" new
  check "the new file's name is gone" test ! -e "$M/drive_c/App/new.tmp"
  check "the RunOnce batch file ran" test ! -e "$M/drive_c/App/marker.txt"
  machine reg "$M" >after.txt
  check "the RunOnce value was removed" lacks after.txt BrimwellUnfinished
  check "no rename is pending" lacks after.txt PendingFileRenameOperations

  # A file marked in use stays so until the restart, which releases it.
  printf here >"$M/drive_c/App/marker.txt"
  printf new >"$M/drive_c/App/new.tmp"
  check "the probe runs again" ran probe 'C:\App\new.tmp' 'C:\App\x.dll' 'C:\App\after.bat'
  check "brimmachine lock marks a file in use" ran machine lock "$M" 'C:\App\marker.txt'
  check "  in machine.ini" contains "$M/machine.ini" 'C:\APP\MARKER.TXT=1'
  check "brimmachine unlock releases it" ran machine unlock "$M" 'C:\App\marker.txt'
  check "  from machine.ini" lacks "$M/machine.ini" 'MARKER.TXT'
  machine lock "$M" 'C:\App\marker.txt'
  check "brimmachine reboot again" ran machine reboot "$M"
  check "the restart released the file in use" test ! -e "$M/drive_c/App/marker.txt"
  check "  and scheduled renames with a new name" content_is "$M/drive_c/App/x.dll" new

  # A RunOnce program of the machine runs for real, on this machine, and
  # the reboot waits for it.
  printf '#!/bin/sh\nsleep 0.2\nprintf "%%s|%%s|%%s" "$1" "$2" "$BRIMWELL_MACHINE" >"$(dirname "$0")/continued.txt"\n' \
    >"$M/drive_c/App/continue.sh"
  chmod +x "$M/drive_c/App/continue.sh"
  printf new >"$M/drive_c/App/new.tmp"
  check "the probe registers a program" ran probe 'C:\App\new.tmp' 'C:\App\y.dll' '"C:\App\continue.sh" -r "-sC:\App Dir"'
  check "brimmachine reboot runs it" ran machine reboot "$M"
  check "  with its arguments and the machine" content_is "$M/drive_c/App/continued.txt" "-r|-sC:\App Dir|$M"

  # Windows 95 keeps its renames in WININIT.INI.
  M95="$work/machine95"
  check "brimmachine init --windows 95" ran machine init "$M95" --windows 95
  prepare "$M95/drive_c"
  check "the probe writes WININIT.INI" ran env BRIMWELL_MACHINE="$M95" "$bin/reboot_probe" 'C:\App\new.tmp' 'C:\App\Old Library.dll' 'C:\App\after.bat'
  check "  with short names" contains "$M95/drive_c/WINDOWS/WININIT.INI" 'C:\App\OLDLIB~1.DLL=C:\App\new.tmp'
  machine reboot "$M95" >/dev/null 2>&1
  check "WININIT.INI renames at the reboot" content_is "$M95/drive_c/App/Old Library.dll" new
  check "WININIT.INI becomes WININIT.BAK" test -e "$M95/drive_c/WINDOWS/WININIT.BAK" -a ! -e "$M95/drive_c/WINDOWS/WININIT.INI"

  # Windows NT 3.51 has Program Manager, not Explorer: no shell folders.
  M351="$work/machine351"
  check "brimmachine init --windows nt351 --lang 0x0407" ran machine init "$M351" --windows nt351 --lang 0x0407
  machine reg "$M351" >nt351.txt
  check "  has no shell folders" lacks nt351.txt 'Shell Folders'
  check "  speaks German" contains "$M351/machine.ini" 'Language=1031'

  # The registry files import into Wine's regedit with the same values.
  if [ -n "${WINEPREFIX:-}" ]; then
    wine regedit /S "Z:$(echo "$M/HKLM.reg" | tr / '\\')" >/dev/null 2>&1
    wine reg query 'HKLM\Software\BrimwellProbe' >query.txt 2>&1
    tr -d '\r' <query.txt >query.lf
    check "Wine imports the text value" contains query.lf 'C:\Program Files\Probe "quoted"'
    check "Wine imports the integer value" contains query.lf '0x2a'
    check "Wine imports the binary value" contains query.lf '0102FEFF'
    check "Wine imports the default value" contains query.lf 'default value'
    wine reg delete 'HKLM\Software\BrimwellProbe' /f >/dev/null 2>&1
  else
    echo "        no Wine prefix: run this suite through scripts/run-tests, which makes one"
    check "Wine imports the registry files" false
  fi
else
  C="$WINEPREFIX/drive_c"
  prepare "$C"
  check "the probe schedules its work" ran probe 'C:\App\new.tmp' 'C:\App\Old Library.dll' 'C:\App\after.bat'
  wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\RunOnce' >runonce.txt 2>&1
  check "the RunOnce value is there" contains runonce.txt 'BrimwellUnfinished'
  check "wineboot -r" ran wineboot -r
  wineserver -w
  check "the old file was replaced" content_is "$C/App/Old Library.dll" new
  check "the new file's name is gone" test ! -e "$C/App/new.tmp"
  check "the RunOnce batch file ran" test ! -e "$C/App/marker.txt"
  wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\RunOnce' >runonce.txt 2>&1
  check "the RunOnce value was removed" lacks runonce.txt BrimwellUnfinished
  wine reg delete 'HKLM\Software\BrimwellProbe' /f >/dev/null 2>&1
fi

echo "e2e $platform: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
