#!/usr/bin/env bash
# End-to-end checks of a deployment through setup.exe's switches:
#   tests/e2e/deploy.sh native build/native   on a fresh substitute machine
#   tests/e2e/deploy.sh win32  build/win32    under Wine with no display at
#                                             all, so any window would fail
# A small product with an uninstaller is built with -b. "setup.exe /?"
# prints the switches; a bad switch ends with 1639; "/S /log FILE" installs
# with no window (no page or message box written to stderr either) and exits 0, its log
# holding the command line, the phases, each file's decision, the Uninstall
# key's values and the exit code; a destination that cannot be written
# ends with 1603 and a log naming the file and the system's code; "/D=" with
# blanks installs there.
# Prints one line per check and "e2e deploy PLATFORM: N passed, N failed".
set -uo pipefail

platform="${1:?platform}"
build="$(realpath "${2:?build directory}")"
bin="$build/bin"
root="$(cd "$(dirname "$0")/../.." && pwd)"
native="$root/build/native"

# shellcheck source=checks.sh
. "$root/tests/e2e/checks.sh"
fresh_work "deploy-$platform"
mkdir -p prod/payload kit
# The front end is the program's own, as on a deployed machine.
unset BRIMWELL_UI

echo "e2e deploy $platform: setup.exe with the switches deployment tools use"

winpath() { printf 'Z:%s' "$1" | tr / '\\'; }

cat >prod/product.txt <<'EOF'
object Instalator: TInstalator
  Width = 696
  Height = 480
  object Install1: TInstall
    DestDir = '\Brimwell\DeployCheck'
    DestDirType = psProgramFiles
    Information.CompanyName = 'Brimwell Labs'
    Information.ProductName = 'Deploy Check'
    Information.Version = '2.1'
  end
  object Dir: TInstallDirectory
    Container = Install1
    ArchiveFileType = psContainerArchiveFile
    DestDirType = psContainerDestDir
  end
  object Hello: TInstallFile
    Container = Dir
    ArchiveFileType = psContainerArchiveFile
    DestDirType = psContainerDestDir
    IncludeFromDir = 'payload'
    FileName = 'hello.txt'
    DestName = 'hello.txt'
  end
  object Uninstaller: TUninstallEXE
    Container = Dir
    ArchiveFileType = psContainerArchiveFile
    DestDirType = psContainerDestDir
    IncludeFromDir = 'payload'
    FileName = 'uninstall.exe'
    DestName = 'uninstall.exe'
    Net = False
  end
end
EOF
printf 'hello from the payload\n' >prod/payload/hello.txt
printf 'the uninstaller\n' >prod/payload/uninstall.exe
"$native/bin/brimdef" compile prod/product.txt -o prod/product.bin >/dev/null ||
  { echo "cannot compile the product's definition"; exit 1; }

if [ "$platform" = native ]; then
  M="$work/machine"
  export BRIMWELL_MACHINE="$M"
  "$bin/brimmachine" init "$M" >/dev/null || { echo "cannot make a machine"; exit 1; }
  C="$M/drive_c"
  run=()
  exe=""
  query() { "$bin/brimmachine" reg "$M" "$1" 2>&1; }
else
  # No display: a window of any kind would fail to be made.
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  unset DISPLAY WAYLAND_DISPLAY
  C="$WINEPREFIX/drive_c"
  run=(wine)
  exe=".exe"
  query() { wine reg query "$1" 2>&1 | tr -d '\r'; }
fi
"$native/bin/brimdef" bind "$bin/brimruntime$exe" prod/product.bin -o "kit/brimsetup$exe" >/dev/null ||
  { echo "cannot bind the product"; exit 1; }
cp "$bin/BrimwellLoadProgram.exe" kit/
winpath "$work/dist" >kit/BUILD.INF
(cd prod && timeout 120 "${run[@]}" "$work/kit/brimsetup$exe" -b >../out.txt 2>../err.txt </dev/null)
[ -s dist/setup.exe ] || { echo "cannot build the distribution"; cat err.txt; exit 1; }

# start ARGS...: runs dist/setup.exe, keeping its status, stdout and stderr.
start() {
  (cd dist && timeout 120 "${run[@]}" ./setup.exe "$@" >"$work/out.txt" 2>"$work/err.txt" </dev/null)
  status=$?
  tr -d '\r' <"$work/out.txt" >"$work/out.lf"
  tr -d '\r' <"$work/err.txt" >"$work/err.lf"
}
status_is() { [ "$status" -eq "$1" ] || { echo "        status $status, not $1"; sed 's/^/        | /' err.lf | head -20; false; }; }
# log_has FILE PATTERN: a line of the log, after its time, matches PATTERN (grep -E).
log_has() {
  grep -qE "^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9:.]{12} $2" "$1" ||
    { echo "        $1 lacks: $2"; sed 's/^/        | /' "$1" | head -40; false; }
}
app="$C/Program Files/Brimwell/DeployCheck"
key='HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall\Deploy Check'

start '/?'
check "setup.exe /? prints the switches" contains out.lf "/D=PATH"
check "  with the exit codes" contains out.lf "1603 failed"
check "  and ends with 0" status_is 0

start /S /bogus
check "a switch setup.exe does not know ends with 1639" status_is $((1639 & 255))
check "  and installs nothing" test ! -e "$app"

start /S /log "$(winpath "$work/quiet.log")"
check "setup.exe /S /log FILE installs and ends with 0" status_is 0
check "  the product's file" content_is "$app/hello.txt" "hello from the payload"
check "  showing no page" lacks err.lf "---"
check "  and no message box" lacks err.lf "answered"
tr -d '\r' <quiet.log >quiet.lf
check "  the log's first line is the command line" test -n "$(head -1 quiet.lf | grep -E '^[0-9-]{10} [0-9:.]{12} command +.*setup.exe.*\*QUIET')"
check "  it has the phases" log_has quiet.lf "phase +files into C:.Program Files.Brimwell.DeployCheck"
check "  each file with its decision" log_has quiet.lf 'file +C:.Program Files.Brimwell.DeployCheck.hello.txt: written$'
check "  the Uninstall key's values" log_has quiet.lf 'registry +HKEY_LOCAL_MACHINE.Software.Microsoft.Windows.CurrentVersion.Uninstall.Deploy Check UninstallString = ""C:.Program Files.Brimwell.DeployCheck.uninstall.exe" Deploy Check"'
check "  and its last line is the exit code" test -n "$(tail -1 quiet.lf | grep -E ' exit +0$')"
query "$key" >arp.txt
check "the Uninstall key quotes the uninstaller's path" contains arp.txt 'C:\\Program Files\\Brimwell\\DeployCheck\\uninstall.exe\" Deploy Check'
check "  and has the publisher, the version and the size" \
  test -n "$(grep -c 'Brimwell Labs' arp.txt | grep -v '^0')" -a -n "$(grep '2\.1' arp.txt)" -a -n "$(grep -i EstimatedSize arp.txt)"

start /S /log "$(winpath "$work/again.log")"
check "a second /S install keeps nothing back and ends with 0" status_is 0
check "  its log says why a file was kept or that it was written over" \
  log_has again.log 'file +C:.Program Files.Brimwell.DeployCheck.hello.txt: (kept|written over)'

# A file stands where the destination's folder would be.
printf 'in the way\n' >"$C/Blocked"
start /S /log "$(winpath "$work/blocked.log")" '/D=C:\Blocked\App'
check "a destination that cannot be written ends with 1603" status_is $((1603 & 255))
tr -d '\r' <blocked.log >blocked.lf
check "  the log names the file" log_has blocked.lf 'error +.*C:.Blocked.App'
check "  with the system's code" log_has blocked.lf 'error +.*(code|error) [0-9]+'
check "  and the exit code" test -n "$(tail -1 blocked.lf | grep -E ' exit +1603$')"
check "  and leaves the file as it was" content_is "$C/Blocked" "in the way"

start /S '/D=C:\Program Files\My App'
check "/D= with blanks installs there" content_is "$C/Program Files/My App/hello.txt" "hello from the payload"
check "  and ends with 0" status_is 0

echo "e2e deploy: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
