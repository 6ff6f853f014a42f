#!/usr/bin/env bash
# End-to-end checks of a signed distribution under Wine and Xvfb:
#   tests/e2e/sign.sh win32 build/win32   (WINEPREFIX from scripts/wine-env)
# A small product's distribution is built with -b; its self-extracting
# setup.exe is signed with osslsigncode and a certificate openssl makes on
# the spot, which osslsigncode then verifies. The signed setup.exe installs
# the product and copies itself onto the floppy. A signed runtime that
# brimdef binds a definition into loses its signature, and brimdef says so.
# Prints one line per check and "e2e sign PLATFORM: N passed, N failed".
set -uo pipefail

platform="${1:?platform}"
build="$(realpath "${2:?build directory}")"
bin="$build/bin"
root="$(cd "$(dirname "$0")/../.." && pwd)"
native="$root/build/native"

# shellcheck source=checks.sh
. "$root/tests/e2e/checks.sh"
win32_only sign.sh "makes signed Windows programs"
need wine wine
need osslsigncode osslsigncode
need openssl openssl
with_display "$0" "$@"

fresh_work "sign-$platform"
mkdir -p prod/payload kit signed
export BRIMWELL_UI=auto
echo "e2e sign $platform: a signed setup.exe"

winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
cat >prod/product.txt <<'EOF'
object Instalator: TInstalator
  Width = 696
  Height = 480
  object Install1: TInstall
    DestDir = '\Brimwell\SignCheck'
    DestDirType = psProgramFiles
    Information.ProductName = 'Sign Check'
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
EOF
printf 'hello from a signed setup\n' >prod/payload/hello.txt
C="$WINEPREFIX/drive_c"
A="$work/floppy"
mkdir -p "$A"
rm -f "$WINEPREFIX/dosdevices/a:"
ln -s "$A" "$WINEPREFIX/dosdevices/a:"
"$native/bin/brimdef" bind "$bin/brimruntime.exe" prod/product.txt -o kit/brimsetup.exe >/dev/null &&
  cp "$bin/BrimwellLoadProgram.exe" kit/ && winpath "$work/dist" >kit/BUILD.INF ||
  { echo "cannot bind the product"; exit 1; }
(cd prod && timeout 120 wine ../kit/brimsetup.exe -b >../out.txt 2>../err.txt </dev/null)
check "-b builds the distribution" test -s dist/setup.exe -a -s dist/files.1

# certificate_entry FILE: the offset and size that the PE security
# directory entry (data directory 4 of a PE32 file) holds.
certificate_entry() {
  local pe
  pe=$(od -An -tu4 -j 60 -N 4 "$1" | tr -d ' ')
  od -An -tu4 -j $((pe + 24 + 96 + 32)) -N 8 "$1" | tr -s ' ' | sed 's/^ //'
}
# sign IN OUT: OUT is IN signed with the certificate made below.
sign() { ran osslsigncode sign -certs cert.pem -key key.pem -n "Sign Check" -in "$1" -out "$2"; }

check "openssl makes a key and a self-signed certificate" \
  ran openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 \
  -subj "/CN=Brimwell Sign Check"
check "osslsigncode signs setup.exe" sign dist/setup.exe signed/setup.exe
check "  which then has a certificate table" test "$(certificate_entry signed/setup.exe)" != "0 0"
check "  that osslsigncode verifies" ran osslsigncode verify -CAfile cert.pem -in signed/setup.exe

(cd signed && timeout 120 wine ./setup.exe >"$work/out.txt" 2>"$work/err.txt" </dev/null)
status=$?
check "the signed setup.exe installs the product" test "$status" -eq 0
check "  its file" content_is "$C/Program Files/Brimwell/SignCheck/hello.txt" "hello from a signed setup"
(cd signed && timeout 120 wine ./setup.exe '*TODISK' >"$work/out.txt" 2>"$work/err.txt" </dev/null)
check "the signed setup.exe *TODISK copies setup.1 onto the floppy" cmp -s "$A/setup.1" dist/setup.1
check "  and files.1 as the first disk" test -s "$A/files.1"

check "a signed runtime" sign "$bin/brimruntime.exe" signed-runtime.exe
check "  takes a definition with brimdef bind" \
  ran "$native/bin/brimdef" bind signed-runtime.exe prod/product.txt -o rebound.exe
check "  which says the signature was removed" \
  contains out.txt "signed-runtime.exe was signed; rebound.exe carries no signature"
check "  and leaves no certificate table" test "$(certificate_entry rebound.exe)" = "0 0"
check "brimdef bind on an unsigned runtime says nothing of signatures" \
  ran "$native/bin/brimdef" bind "$bin/brimruntime.exe" prod/product.txt -o plain.exe
check "  (nothing printed)" test ! -s out.txt

echo "e2e sign $platform: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
