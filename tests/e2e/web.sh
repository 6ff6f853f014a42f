#!/usr/bin/env bash
# End-to-end checks of a web distribution against a server that misbehaves:
#   tests/e2e/web.sh native build/native   on a fresh substitute machine
#   tests/e2e/web.sh win32  build/win32    under Wine, in a prefix of its own
# A one-file product (DistributeType dtWeb) is built with -b; its network
# folder is served by tests/netlocation/test_servers.py on 127.0.0.1. The
# server then swaps the archive for the one of another build, answers 500
# and (native) sends an endless body: each run of setup.exe ends with the
# system's message, installs nothing and leaves no copy of an archive
# behind. Last, a run against the good server installs the product.
# Prints one line per check and "e2e web PLATFORM: N passed, N failed".
set -uo pipefail

platform="${1:?platform}"
build="$(realpath "${2:?build directory}")"
bin="$build/bin"
root="$(cd "$(dirname "$0")/../.." && pwd)"
native="$root/build/native"

# shellcheck source=checks.sh
. "$root/tests/e2e/checks.sh"
[ "$platform" = win32 ] && with_display "$0" "$@"
need python3 python3

fresh_work "web-$platform"
[ "$platform" = win32 ] && own_wine_prefix
mkdir -p prod/payload kit served
export BRIMWELL_UI=auto

echo "e2e web $platform: a web distribution and a server on the network path"

python3 "$root/tests/netlocation/test_servers.py" http "$work/served" "$work/port" </dev/null >/dev/null 2>&1 &
server=$!
stop_server() { touch "$work/port.stop"; wait "$server" 2>/dev/null; }
trap 'stop_server; [ "$platform" = win32 ] && wine_env_stop' EXIT
for _ in $(seq 1 300); do [ -s port ] && break; sleep 0.1; done
port=$(cat port 2>/dev/null)
[ "${port:-0}" -gt 0 ] || { echo "the test server did not start"; exit 1; }
host="127.0.0.1:$port"
folder="127.0.0.1$port/HTTP Root directory"

cat >prod/product.txt <<EOF2
object Instalator: TInstalator
  Width = 696
  Height = 480
  object Install1: TInstall
    DestDir = '\\Brimwell\\WebCheck'
    DestDirType = psProgramFiles
    DistributeType = dtWeb
    NetLocation = Web
    Information.ProductName = 'Web Check'
  end
  object Web: TCustomNetInstallLocation
    LoginInformation.Hostname = '$host'
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
end
EOF2
"$native/bin/brimdef" compile prod/product.txt -o prod/product.bin >/dev/null ||
  { echo "cannot compile the product's definition"; exit 1; }

if [ "$platform" = native ]; then
  M="$work/machine"
  export BRIMWELL_MACHINE="$M"
  "$bin/brimmachine" init "$M" >/dev/null || { echo "cannot make a machine"; exit 1; }
  C="$M/drive_c"
  run=()
  exe=""
else
  C="$WINEPREFIX/drive_c"
  run=(wine)
  exe=".exe"
fi
"$native/bin/brimdef" bind "$bin/brimruntime$exe" prod/product.bin -o "kit/brimsetup$exe" >/dev/null ||
  { echo "cannot bind the product"; exit 1; }
cp "$bin/BrimwellLoadProgram.exe" kit/

# build DIR: "-b" into DIR, from the product's directory.
build() {
  printf 'Z:%s' "$work/$1" | tr / '\\' >kit/BUILD.INF
  (cd prod && timeout 120 "${run[@]}" "$work/kit/brimsetup$exe" -b >../out.txt 2>../err.txt </dev/null)
}
# start: runs dist/setup.exe, keeping its status and its stderr.
start() {
  (cd dist && timeout 180 "${run[@]}" ./setup.exe >"$work/out.txt" 2>"$work/err.txt" </dev/null)
  status=$?
  tr -d '\r' <"$work/err.txt" >"$work/err.lf"
}
installed_file="$C/Program Files/Brimwell/WebCheck/hello.txt"
# refused MESSAGE: the run failed with the message and installed nothing.
refused() {
  [ "$status" -ne 0 ] && [ "$status" -ne 124 ] || { echo "        status $status"; return 1; }
  contains err.lf "$1" && test ! -e "$installed_file"
}
# no_copies: no archive, whole or partial, was left on the machine.
no_copies() {
  local left
  left=$(find "$C" \( -iname '*.1' -o -iname '*.part' \) 2>/dev/null | head -5)
  [ -z "$left" ] || { echo "        left: $left"; false; }
}

printf 'the file this distribution was built with\n' >prod/payload/hello.txt
check "-b builds the web distribution" build dist
check "  with its archive and remote list" test -s "dist/$folder/Dir.1" -a -s "dist/$folder/filelist.lst"
printf 'a file of the server\n' >prod/payload/hello.txt
check "-b builds another with a different file" build other
cp "dist/$folder/Dir.1" "dist/$folder/filelist.lst" served/

cp "other/$folder/Dir.1" served/Dir.1
start
check "an archive the server swapped is refused" \
  refused "The file Dir.1 from the server is not the one this setup was built with"
check "  and no copy of it stays" no_copies

cp "dist/$folder/Dir.1" served/Dir.1
echo 500 >port.mode
start
check "a 500 answer is refused, naming it and the address" \
  refused "The server answered 500 to the request for http://$host/filelist.lst"
check "  and nothing is saved" no_copies

if [ "$platform" = native ]; then
  echo endless >port.mode
  start
  check "an endless body stops at the expected size" \
    refused "The file filelist.lst on the server is larger than the"
  check "  and nothing is saved" no_copies
fi

rm -f port.mode
start
check "the good server's archive installs" test "$status" -eq 0
check "  the file it was built with" content_is "$installed_file" "the file this distribution was built with"

echo "e2e web $platform: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
