#!/usr/bin/env bash
# End-to-end checks of install files on one platform:
#   tests/e2e/install.sh native BUILD_DIR   the substitute machine (brimmachine)
#   tests/e2e/install.sh win32 BUILD_DIR    Windows under Wine (WINEPREFIX from
#                                           scripts/wine-env)
# install_probe installs a file over one that another program holds: it is
# written beside it and replaces it at the reboot (MoveFileExA, then
# wineboot -r or brimmachine reboot). Two installs of a shared library count
# it twice under SharedDLLs; under Wine a real COM server (ComTestServer.dll,
# whose DllRegisterServer writes a registry value) is registered.
# Prints one line per check and "e2e PLATFORM: N passed, N failed".
set -uo pipefail

platform="${1:?platform}"
bin="$(realpath "${2:?build directory}")/bin"
root="$(cd "$(dirname "$0")/../.." && pwd)"
# shellcheck source=checks.sh
. "$root/tests/e2e/checks.sh"
fresh_work "install-$platform"

echo "e2e $platform: install_probe"

the_machine
if [ "$platform" = native ]; then
  probe() { "$bin/install_probe" "$@"; }
  query() { "$bin/brimmachine" reg "$M" "$1" >"$2"; }
else
  probe() { wine "$bin/install_probe.exe" "$@"; }
  query() { wine reg query "$1" >"$2" 2>&1; }
fi
mkdir -p "$C/Src" "$C/App"
printf new >"$C/Src/app.dll"
printf old >"$C/App/app.dll"

# Another program holds the destination.
if [ "$platform" = native ]; then
  "$bin/brimmachine" lock "$M" 'C:\App\app.dll' >/dev/null
else
  wine "$bin/install_probe.exe" hold 'C:\App\app.dll' 8 </dev/null >/dev/null 2>&1 &
  holder=$!
  for _ in $(seq 1 100); do [ -e "$C/App/app.dll.held" ] && break; sleep 0.2; done
fi
check "a file in use is installed" ran probe install 'C:\Src\app.dll' 'C:\App'
check "  beside it, for the restart" contains out.txt "in use: replaced at the restart"
check "  under a temporary name" content_is "$C/App/app.1" new
check "  and the old one stays" content_is "$C/App/app.dll" old
if [ "$platform" = native ]; then
  check "brimmachine reboot" ran "$bin/brimmachine" reboot "$M"
else
  wait "$holder"
  check "wineboot -r" ran wineboot -r
  wineserver -w
fi
check "the restart put the new file in place" content_is "$C/App/app.dll" new
check "  under its own name" test ! -e "$C/App/app.1"

# A shared library installed twice is counted twice, under its long name.
printf lib >"$C/Src/shared library.dll"
check "a shared library installs" ran probe install 'C:\Src\shared library.dll' 'C:\App' shared
check "  and again" ran probe install 'C:\Src\shared library.dll' 'C:\App' shared
query 'HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\SharedDLLs' shared.txt
tr -d '\r' <shared.txt >shared.lf
if [ "$platform" = native ]; then
  check "  SharedDLLs counts it twice" contains shared.lf '"C:\\App\\shared library.dll"=dword:00000002'
else
  check "  SharedDLLs counts it twice" contains shared.lf 'C:\App\shared library.dll    REG_DWORD    0x2'
fi

if [ "$platform" = win32 ]; then
  # A real server: its DllRegisterServer writes a value of its own.
  cp "$bin/ComTestServer.dll" "$C/Src/server.dll"
  wine reg delete 'HKCU\Software\BrimwellTests\ComTestServer' /f >/dev/null 2>&1
  check "a COM server installs with ActiveX" ran probe install 'C:\Src\server.dll' 'C:\App' activex
  query 'HKCU\Software\BrimwellTests\ComTestServer' server.txt
  check "  and its DllRegisterServer ran" contains server.txt 'Registered'
  wine reg delete 'HKCU\Software\BrimwellTests\ComTestServer' /f >/dev/null 2>&1
fi

echo "e2e $platform: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
