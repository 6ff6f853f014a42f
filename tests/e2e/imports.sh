#!/usr/bin/env bash
# What the win32 programs load and the rights they ask for:
# tests/e2e/imports.sh build/win32. The setup's loader, the runtime and the
# uninstaller import only Windows 10's known libraries and ask for an
# administrator in their manifest, the tools for their user alone; a
# COMCTL32.dll planted beside each, which Wine is told to prefer to its
# own, never runs. (A planted version.dll proves nothing under Wine: Wine's
# own user32, unlike Windows', imports it from the program's folder.)
set -uo pipefail

bin="$(realpath "${1:?build directory}")/bin"
root="$(cd "$(dirname "$0")/../.." && pwd)"
native="$root/build/native"
platform=win32 exe=.exe
# shellcheck source=checks.sh
. "$root/tests/e2e/checks.sh"
need i686-w64-mingw32-objdump binutils-mingw-w64-i686 && need i686-w64-mingw32-gcc gcc-mingw-w64-i686
fresh_work imports-win32
echo "e2e imports win32: the programs' import tables, manifests and planted libraries"

# HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\KnownDLLs of Windows 10.
known=" advapi32 clbcatq combase comdlg32 coml2 difxapi gdi32 gdiplus imagehlp imm32 kernel32 msctf"
known="$known msvcrt normaliz nsi ole32 oleaut32 psapi rpcrt4 sechost setupapi shcore shell32"
known="$known shlwapi user32 wldap32 ws2_32 "
imports_known() {
  local dll unknown=""
  for dll in $(i686-w64-mingw32-objdump -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p'); do
    dll="$(echo "${dll%.*}" | tr '[:upper:]' '[:lower:]')"
    [[ "$known" == *" $dll "* ]] || unknown="$unknown $dll"
  done
  [ -z "$unknown" ] || { echo "        $(basename "$1") imports$unknown"; false; }
}
# manifest_asks PROGRAM LEVEL: a manifest resource (type 24, id 1) asking
# for LEVEL, naming Windows 7 and Windows 10.
manifest_asks() {
  i686-w64-mingw32-objdump -p "$1" | awk '/^[0-9a-f]+   Entry: / { manifest = /ID: 0x000018,/; next }
    manifest && /^[0-9a-f]+     Entry: ID: 0x000001,/ { found = 1 } END { exit !found }' ||
    { echo "        $(basename "$1") has no manifest resource 1"; return 1; }
  local text
  for text in "<requestedExecutionLevel level=\"$2\" uiAccess=\"false\"/>" \
    '{35138b9a-5d96-4fbd-8e2d-a2440225f93a}' '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}'; do
    grep -qaF "$text" "$1" || { echo "        $(basename "$1") lacks $text"; return 1; }
  done
}
for program in BrimwellLoadProgram brimruntime brimsetup uninstall; do
  check "$program.exe imports known libraries only" imports_known "$bin/$program.exe"
  check "  and asks for an administrator" manifest_asks "$bin/$program.exe" requireAdministrator
done
for tool in brimarc brimdef brim_tests install_probe; do
  check "$tool.exe asks to run as its user" manifest_asks "$bin/$tool.exe" asInvoker
done

# The planted library's DllMain leaves a marker file on C:.
printf '%s\n' '#include <windows.h>' \
  'BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {' \
  '  if (reason == DLL_PROCESS_ATTACH)' \
  '    CloseHandle(CreateFileA("C:\\planted-dll-ran.txt", GENERIC_WRITE, 0, 0, CREATE_ALWAYS, 0, 0));' \
  '  return TRUE;' '}' >planted.c
i686-w64-mingw32-gcc -shared -o COMCTL32.dll planted.c || { echo "cannot build the planted DLL"; exit 1; }
wineserver -k >/dev/null 2>&1; unset DISPLAY WAYLAND_DISPLAY
own_wine_prefix
marker="$WINEPREFIX/drive_c/planted-dll-ran.txt"
# planted DIR PROGRAM ARGS...: PROGRAM run in DIR, a COMCTL32.dll beside it.
planted() {
  rm -f "$marker"
  cp COMCTL32.dll "$(dirname "$2")/"
  (cd "$1" && shift && WINEDLLOVERRIDES="$WINEDLLOVERRIDES;comctl32=n,b" timeout 120 wine "$@" \
    >"$work/out.txt" 2>"$work/err.txt" </dev/null)
  status=$?
  wineserver -w
}
no_marker() { [ ! -e "$marker" ] || { echo "        the planted COMCTL32.dll ran"; false; }; }
status_is() { [ "$status" -eq $(($1 & 255)) ] || { echo "        status $status, not $1"; head -5 "$work/err.txt"; false; }; }

demo_kit "$work" || { echo "cannot bind the demo"; exit 1; }
planted source "$work/kit/brimsetup.exe" -b '*QUIET'
check "the runtime builds a distribution beside a planted COMCTL32.dll" test -s dist/setup.exe
check "  which never runs" no_marker
planted dist "$work/dist/setup.exe" /S
check "setup.exe /S installs beside a planted COMCTL32.dll" status_is 0
check "  which never runs" no_marker
mkdir remover && cp "$bin/uninstall.exe" remover/
planted remover "$work/remover/uninstall.exe" /S "No Such Product"
check "uninstall.exe beside a planted COMCTL32.dll finds no record" status_is 1603
check "  which never runs" no_marker

echo "e2e imports win32: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
