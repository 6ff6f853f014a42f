#!/usr/bin/env bash
# End-to-end checks of brimdef on one platform:
#   tests/e2e/brimdef.sh native  build/native/bin/brimdef
#   tests/e2e/brimdef.sh win32   build/win32/bin/brimdef.exe   (run under Wine;
#                                 WINEPREFIX from scripts/wine-env)
# The definition is examples/demo/demo.txt. It must compile, check,
# decompile to the same text, and draw its main window; broken inputs must fail with a non-zero status, a message naming the
# file, and no output file. The compiled streams of all platforms are kept
# in build/e2e/ and must be byte for byte the same. It is bound into the
# runtimes that are built (build/native/bin/brimruntime, a posix program,
# and build/win32/bin/brimruntime.exe, a PE file): text and binary give
# the same setup, binding again replaces, the setup starts, and every
# platform's brimdef binds the same bytes.
# Prints one line per check and "e2e PLATFORM: N passed, N failed".
set -uo pipefail

platform="${1:?platform}"
program="$(realpath "${2:?brimdef program}")"
root="$(cd "$(dirname "$0")/../.." && pwd)"
definition="$root/examples/demo/demo.txt"

run=("$program")
case "$platform" in
  win32) run=(wine "$program") ;;
esac

# shellcheck source=checks.sh
. "$root/tests/e2e/checks.sh"
need python3 python3
fresh_work "$platform"
cp "$definition" definition.txt

# brimdef ARGS...: runs it, keeping status, stdout and stderr for the checks.
brimdef() {
  "${run[@]}" "$@" >stdout.txt 2>stderr.txt </dev/null
  status=$?
  tr -d '\r' <stderr.txt >stderr.lf
  return 0
}
succeeded() { [ "$status" -eq 0 ] || { sed 's/^/        /' stderr.lf; false; }; }
failed_with() { [ "$status" -ne 0 ] && grep -q -- "$1" stderr.lf; }
absent() { local f; for f in "$@"; do [ ! -e "$f" ] || return 1; done; }
same_file() { cmp -s "$1" "$2" 2>/dev/null || { diff "$1" "$2" 2>&1 | head -20 | sed 's/^/        /'; false; }; }

echo "e2e $platform: $(basename "$program") with ${definition#"$root"/}"

brimdef compile definition.txt -o definition.bin
check "compile the definition" succeeded
check "the binary starts with TPF0" test "$(head -c 4 definition.bin 2>/dev/null)" = TPF0

brimdef check definition.bin
check "check the binary" succeeded
brimdef check definition.txt
check "check the text" succeeded

brimdef decompile definition.bin -o decompiled.txt
check "decompile the binary" succeeded
check "the decompiled text is the definition" same_file definition.txt decompiled.txt

brimdef decompile definition.bin
tr -d '\r' <stdout.txt >stdout.lf
check "decompile to standard output gives the same text" same_file definition.txt stdout.lf

brimdef compile decompiled.txt -o recompiled.bin
check "the decompiled text compiles to the same binary" same_file definition.bin recompiled.bin

# The main window's face: the demo's backdrop fills its 688 x 453 client
# area (rows of 2064 bytes after the 54-byte headers).
brimdef face definition.txt -o face.bmp
check "draw the main window's face" succeeded
check "  as a 24-bit BMP of the client area" \
  test "$(head -c 2 face.bmp 2>/dev/null)$(stat -c %s face.bmp 2>/dev/null)" = "BM$((54 + 2064 * 453))"
head -n -1 definition.txt >unfinished-face.txt
brimdef face unfinished-face.txt -o none.bmp
check "  a broken definition fails with its file and line" failed_with "unfinished-face.txt: .*line"
check "  and draws nothing" absent none.bmp none.bmp.tmp

for other in "$root"/build/e2e/*/definition.bin; do
  [ "$other" = "$work/definition.bin" ] && continue
  other_platform="$(basename "$(dirname "$other")")"
  check "the binary equals the $other_platform one" same_file definition.bin "$other"
done

# Broken inputs.
size=$(stat -c %s definition.bin)
head -c $((size - 3)) definition.bin >truncated.bin
brimdef decompile truncated.bin -o truncated.txt
check "a truncated binary fails and names the file" failed_with "truncated.bin"
check "a truncated binary leaves no output" absent truncated.txt truncated.txt.tmp

brimdef check truncated.bin
check "check rejects a truncated binary with its byte offset" failed_with "byte offset"

head -n -1 definition.txt >unfinished.txt
brimdef compile unfinished.txt -o unfinished.bin
check "a text without its last 'end' fails with the line" failed_with "unfinished.txt: .*line"
check "a broken text leaves no output" absent unfinished.bin unfinished.bin.tmp

printf 'old contents\n' >kept.bin
cp kept.bin kept.orig
brimdef compile unfinished.txt -o kept.bin
check "a failed compile keeps the existing output file" same_file kept.orig kept.bin

sed '1s/: *[A-Za-z_][A-Za-z0-9_]*$/: TNoSuchClass/' definition.txt >unknown.txt
brimdef compile unknown.txt -o unknown.bin
check "an unknown class fails and names the class" failed_with "TNoSuchClass"
check "an unknown class leaves no output" absent unknown.bin unknown.bin.tmp

brimdef compile missing.txt -o missing.bin
check "a missing input fails and names the file" failed_with "missing.txt"

# Binding into the runtimes.
invalid_x() {
  echo "$1: Invalid parameter <-x>. Valid command line parameters are: -b (Build), -d (Debug), -f (Transfer to floppies), -e (Called by self-extractor), -r (After reboot)"
}
for runtime in "$root/build/native/bin/brimruntime" "$root/build/win32/bin/brimruntime.exe"; do
  [ -e "$runtime" ] || { echo "  (no $runtime: not bound)"; continue; }
  kind=posix
  case "$runtime" in *.exe) kind=pe ;; esac
  setup="setup-$kind"
  [ $kind = pe ] && setup="$setup.exe"
  brimdef bind "$runtime" definition.txt -o "$setup"
  check "bind the text into the $kind runtime" succeeded
  brimdef bind "$runtime" definition.bin -o "from-binary-$setup"
  check "  the binary gives the same setup" same_file "$setup" "from-binary-$setup"
  brimdef bind "$setup" definition.bin -o "again-$setup"
  check "  binding into the setup again replaces the definition" same_file "$setup" "again-$setup"
  if [ $kind = posix ]; then
    check "  the posix setup ends with its resources" test "$(tail -c 8 "$setup")" = BRIMRES1
    # Windows keeps no execute permission to hand on.
    [ "$platform" = win32 ] || check "  the posix setup is executable as its runtime" test -x "$setup"
  fi
  # The setup starts and reads its definition (a bad switch names the program).
  if { [ $kind = posix ] && [ "$platform" != win32 ]; } || { [ $kind = pe ] && [ "$platform" = win32 ]; }; then
    starter=("./$setup")
    [ $kind = pe ] && starter=(wine "./$setup")
    BRIMWELL_UI=auto BRIMWELL_MACHINE="$work/machine" timeout 60 "${starter[@]}" -x >stdout.txt 2>stderr.txt </dev/null
    tr -d '\r' <stderr.txt >stderr.lf
    check "  the $kind setup starts with the definition" grep -qFx -- "$(invalid_x "${setup%.exe}")" stderr.lf
  fi
  for other in "$root"/build/e2e/*/"$setup"; do
    [ "$other" = "$work/$setup" ] && continue
    check "  the $kind setup equals the $(basename "$(dirname "$other")") one" same_file "$setup" "$other"
  done
done

# The string tables: each language has every text of the English table with
# its directives, in its own code page, and the demo carries them as they stand.
check "the string tables are complete and valid in their code pages" \
  python3 "$root/tests/translation/check_tables.py" "$root/src/translation/languages"
rm -rf languages && cp -r "$root/src/translation/languages" languages
cp "$root/examples/demo/demo.txt" demo.txt
brimdef languages demo.txt languages -o demo-languages.txt
check "brimdef languages puts the tables into the translator: the demo carries them all" \
  same_file "$root/examples/demo/demo.txt" demo-languages.txt
printf '5;Next >\n12;\n' >languages/qmbiGerman.txt
brimdef languages demo.txt languages -o bad-languages.txt
check "  a table that does not parse is refused with its line" \
  failed_with "The 1'th string (12;) does not have the proper format of GLID;Text"
check "  and leaves no output" absent bad-languages.txt

printf 'not a program\n' >text-runtime
brimdef bind text-runtime definition.txt -o bad-setup
check "binding into a file that is no program fails and names it" \
  failed_with "Cannot bind the definition into text-runtime: not an executable"
check "  and leaves no output" absent bad-setup bad-setup.tmp
if [ -e "$root/build/native/bin/brimruntime" ]; then
  printf 'old setup\n' >kept-setup
  cp kept-setup kept-setup.orig
  brimdef bind "$root/build/native/bin/brimruntime" unfinished.txt -o kept-setup
  check "a broken definition is not bound, and names its file" failed_with "unfinished.txt: .*line"
  check "  the existing setup is kept" same_file kept-setup.orig kept-setup
fi

echo "e2e $platform: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
