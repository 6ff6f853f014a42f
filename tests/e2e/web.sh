#!/usr/bin/env bash
# End-to-end checks of a web distribution against a server that misbehaves:
#   tests/e2e/web.sh native build/native   on a fresh substitute machine
#   tests/e2e/web.sh win32  build/win32    under Wine, in a prefix of its own
# A one-file product (DistributeType dtWeb) is built with -b; its network
# folder is served by tests/netlocation/test_servers.py on 127.0.0.1. The
# server then swaps the archive for the one of another build, answers 500
# and sends an endless body: each run of setup.exe ends with the
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
mkdir -p prod/payload kit
export BRIMWELL_UI=auto

echo "e2e web $platform: a web distribution and a server on the network path"

# serve KIND NAME: a test server of KIND on the folder NAME (its port file
# NAME.port, told to misbehave through NAME.port.mode); prints its host.
serve() {
  mkdir -p "$2"
  BRIM_TEST_TLS_PEM="$work/server.pem" python3 "$root/tests/netlocation/test_servers.py" "$1" \
    "$work/$2" "$work/$2.port" </dev/null >/dev/null 2>&1 &
  for _ in $(seq 1 300); do [ -s "$2.port" ] && break; sleep 0.1; done
  [ "$(cat "$2.port" 2>/dev/null)" -gt 0 ] 2>/dev/null && echo "127.0.0.1:$(cat "$2.port")"
}
# The servers stop by themselves once their folders are gone.
trap 'rm -rf "$work/served" "$work/tls-served"; sleep 0.5; [ "$platform" = win32 ] && wine_env_stop' EXIT
host=$(serve http served) || { echo "the test server did not start"; exit 1; }
port=${host#127.0.0.1:}
folder="127.0.0.1$port/HTTP Root directory"

# product HOST PROTOCOL DIR: the product's definition, fetching from HOST.
product() {
  one_file_product "$3" 'Web Check' "    DistributeType = dtWeb
    NetLocation = Web
" "  object Web: TCustomNetInstallLocation
    LoginInformation.Hostname = '$1'
    LoginInformation.Protocol = $2
  end
"
}
product "$host" ipHTTP WebCheck >prod/product.txt

the_machine
# bind: the product's definition into the kit's runtime.
bind() {
  "$native/bin/brimdef" compile prod/product.txt -o prod/product.bin >/dev/null &&
    "$native/bin/brimdef" bind "$bin/brimruntime$exe" prod/product.bin -o "kit/brimsetup$exe" >/dev/null
}
bind || { echo "cannot bind the product"; exit 1; }
cp "$bin/BrimwellLoadProgram.exe" kit/

# build DIR: "-b" into DIR, from the product's directory.
build() {
  printf 'Z:%s' "$work/$1" | tr / '\\' >kit/BUILD.INF
  (cd prod && timeout 120 "${run[@]}" "$work/kit/brimsetup$exe" -b >../out.txt 2>../err.txt </dev/null)
}
# start [DIR]: runs DIR/setup.exe (dist's), keeping its status and its stderr.
start() {
  (cd "${1:-dist}" && timeout 180 "${run[@]}" ./setup.exe >"$work/out.txt" 2>"$work/err.txt" </dev/null)
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
echo 500 >served.port.mode
start
check "a 500 answer is refused, naming it and the address" \
  refused "The server answered 500 to the request for http://$host/filelist.lst"
check "  and nothing is saved" no_copies

echo endless >served.port.mode
start
check "an endless body stops at the expected size" \
  refused "The file filelist.lst on the server is larger than the"
check "  and nothing is saved" no_copies

rm -f served.port.mode
start
check "the good server's archive installs" test "$status" -eq 0
check "  the file it was built with" content_is "$installed_file" "the file this distribution was built with"

# HTTPS: a server whose certificate the test makes. Without its root the
# setup refuses it; trusted (natively through BRIM_CA_FILE, under Wine in the
# prefix's registry store of roots, which Wine's crypt32 reads) it installs.
need openssl openssl
openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1 \
  -addext "subjectAltName=IP:127.0.0.1,DNS:127.0.0.1" -keyout key.pem -out cert.pem 2>/dev/null &&
  cat key.pem cert.pem >server.pem
tls_host=$(serve https tls-served) || { echo "the TLS server did not start"; exit 1; }
product "$tls_host" ipHTTPS WebCheckTls >prod/product.txt
printf 'the file this distribution was built with\n' >prod/payload/hello.txt
bind && check "-b builds a distribution fetched over HTTPS" build tls
cp "tls/127.0.0.1${tls_host#127.0.0.1:}/HTTP Root directory/"* tls-served/
installed_file="$C/Program Files/Brimwell/WebCheckTls/hello.txt"
start tls
check "a server whose certificate leads to no trusted root is refused" \
  refused "Cannot send request for file filelist.lst to the server"
check "  and nothing is saved" no_copies
if [ "$platform" = native ]; then
  export BRIM_CA_FILE="$work/cert.pem"
else
  # Wine's store of roots: the certificate's DER form as a serialized
  # property (id 32, the certificate itself) under its SHA-1 thumbprint.
  thumb=$(openssl x509 -in cert.pem -noout -fingerprint -sha1 | sed 's/.*=//; s/://g')
  der=$(openssl x509 -in cert.pem -outform DER | od -An -tx1 -v | tr -s ' \n' ' ')
  len=$(openssl x509 -in cert.pem -outform DER | wc -c)
  size=$(printf '%02x,%02x,%02x,%02x' $((len & 255)) $((len >> 8 & 255)) $((len >> 16 & 255)) $((len >> 24)))
  {
    printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\SystemCertificates\\Root\\Certificates\\%s]\n' "$thumb"
    printf '"Blob"=hex:20,00,00,00,01,00,00,00,%s,%s\n' "$size" "$(echo $der | tr ' ' ',')"
  } >root.reg
  wine regedit /S "$(printf 'Z:%s' "$work/root.reg" | tr / '\\')" >/dev/null 2>&1
  wineserver -w
fi
start tls
check "trusted, the same server installs" test "$status" -eq 0
check "  the file it was built with" content_is "$installed_file" "the file this distribution was built with"

echo "e2e web $platform: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
