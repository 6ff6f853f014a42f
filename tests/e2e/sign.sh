#!/usr/bin/env bash
# tests/e2e/sign.sh win32 build/win32: under Wine (WINEPREFIX from
# scripts/wine-env), a small product's setup.exe signed with a certificate
# made on the spot verifies, installs and copies itself onto the floppy;
# brimdef bind into a signed runtime drops the signature and says so.
set -uo pipefail
platform="${1:?platform}"
bin="$(realpath "${2:?build directory}")/bin"
root="$(cd "$(dirname "$0")/../.." && pwd)"
brimdef="$root/build/native/bin/brimdef"
# shellcheck source=checks.sh
. "$root/tests/e2e/checks.sh"
win32_only sign.sh "makes signed Windows programs"
need osslsigncode osslsigncode
need openssl openssl
with_display "$0" "$@"
fresh_work "sign-$platform"
mkdir -p payload kit signed floppy
export BRIMWELL_UI=auto
echo "e2e sign $platform: a signed setup.exe"

printf "object I: TInstalator\n object Install1: TInstall\n  DestDir = '\\\\SignCheck'
  DestDirType = psProgramFiles\n end\n object Hello: TInstallFile\n  Container = Install1
  ArchiveFileType = psContainerArchiveFile\n  DestDirType = psContainerDestDir
  IncludeFromDir = 'payload'\n  FileName = 'hello.txt'\n end\nend\n" >product.txt
printf 'signed hello\n' >payload/hello.txt
ln -sfn "$work/floppy" "$WINEPREFIX/dosdevices/a:"
"$brimdef" bind "$bin/brimruntime.exe" product.txt -o kit/brimsetup.exe >/dev/null &&
  cp "$bin/BrimwellLoadProgram.exe" kit/ && printf 'Z:%s' "$work/dist" | tr / '\\' >kit/BUILD.INF
check "-b builds the distribution" ran timeout 120 wine kit/brimsetup.exe -b

# certificate_entry FILE: the offset and size in the security directory entry of a PE32 file.
certificate_entry() {
  local pe
  pe=$(od -An -tu4 -j 60 -N 4 "$1" | tr -d ' ')
  od -An -tu4 -j $((pe + 24 + 96 + 32)) -N 8 "$1" | tr -s ' ' | sed 's/^ //'
}
sign() { ran osslsigncode sign -certs cert.pem -key key.pem -in "$1" -out "$2"; }
check "openssl makes a self-signed certificate" ran openssl req -x509 -newkey rsa:2048 -nodes \
  -keyout key.pem -out cert.pem -days 2 -subj "/CN=Brimwell Sign Check"
check "osslsigncode signs setup.exe" sign dist/setup.exe signed/setup.exe
check "  adding a certificate table" test "$(certificate_entry signed/setup.exe)" != "0 0"
check "  which osslsigncode verifies" ran osslsigncode verify -CAfile cert.pem -in signed/setup.exe
check "the signed setup.exe installs" ran timeout 120 wine signed/setup.exe
check "  the product's file" content_is "$WINEPREFIX/drive_c/Program Files/SignCheck/hello.txt" "signed hello"
timeout 120 wine signed/setup.exe '*TODISK' </dev/null >/dev/null 2>&1
check "the signed setup.exe *TODISK copies setup.1 onto the floppy" cmp -s floppy/setup.1 dist/setup.1

check "a signed runtime" sign "$bin/brimruntime.exe" signed-runtime.exe
check "  takes a definition with brimdef bind" ran "$brimdef" bind signed-runtime.exe product.txt -o bound.exe
check "  which says the signature was removed" \
  contains out.txt "the signature of signed-runtime.exe was removed: bound.exe is not signed"
check "  and leaves no certificate table" test "$(certificate_entry bound.exe)" = "0 0"
check "an unsigned runtime binds without that line" ran "$brimdef" bind "$bin/brimruntime.exe" product.txt -o plain.exe
check "  (nothing printed)" test ! -s out.txt

echo "e2e sign $platform: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
