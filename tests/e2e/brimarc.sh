#!/usr/bin/env bash
# End-to-end checks of brimarc on one platform:
#   tests/e2e/brimarc.sh native  build/native/bin/brimarc
#   tests/e2e/brimarc.sh win32   build/win32/bin/brimarc.exe   (run under Wine;
#                                 WINEPREFIX from scripts/wine-env)
#   tests/e2e/brimarc.sh asan    build/asan/bin/brimarc
# A payload of fixed files and dates is archived at every level, listed,
# extracted, appended to, split into volumes and copied; missing and corrupt
# archives must fail with the engine's message and leave nothing behind.
# The archives stay in build/e2e/brimarc-PLATFORM/; where another platform's
# run left its own, the two must differ only in stored names and dates, and
# each must extract with the other platform's brimarc.
# Prints one line per check and "e2e brimarc: N passed, N failed".
set -uo pipefail

platform="${1:?platform}"
program="$(realpath "${2:?brimarc program}")"
root="$(cd "$(dirname "$0")/../.." && pwd)"

# run_with PLATFORM PROGRAM ARGS...: a brimarc of either kind.
run_with() {
  local kind="$1" exe="$2"
  shift 2
  if [ "$kind" = win32 ]; then wine "$exe" "$@"; else "$exe" "$@"; fi
}

# Source paths as the platform's users write them: the win32 build gets
# Windows paths, the posix builds host paths.
sep=/
[ "$platform" = win32 ] && sep='\'

# shellcheck source=checks.sh
. "$root/tests/e2e/checks.sh"
need python3 python3
fresh_work "brimarc-$platform"
echo "$platform $program" >program.txt
# No machine of the developer's is touched: a posix brimarc makes a
# throw-away one unless BRIMWELL_MACHINE names one.
unset BRIMWELL_MACHINE

# brimarc ARGS...: runs this platform's program, keeping status, stdout and stderr.
brimarc() {
  run_with "$platform" "$program" "$@" >stdout.txt 2>stderr.txt </dev/null
  status=$?
  tr -d '\r' <stdout.txt >stdout.lf
  tr -d '\r' <stderr.txt >stderr.lf
  return 0
}
succeeded() { [ "$status" -eq 0 ] || { sed 's/^/        /' stderr.lf; false; }; }
failed_with() {
  [ "$status" -ne 0 ] && grep -qF -- "$1" stderr.lf || { sed 's/^/        /' stderr.lf; false; }
}
absent() { local f; for f in "$@"; do [ ! -e "$f" ] || return 1; done; }
same_file() { cmp -s "$1" "$2" 2>/dev/null || { echo "        $1 differs from $2"; false; }; }
# same_tree DIR: DIR holds exactly the payload's files, byte for byte.
same_tree() {
  local f
  [ "$(ls "$1" 2>/dev/null | sort | tr '\n' ' ')" = "$(ls payload | sort | tr '\n' ' ')" ] ||
    { echo "        $1 holds: $(ls "$1" 2>/dev/null | tr '\n' ' ')"; return 1; }
  for f in payload/*; do same_file "$f" "$1/$(basename "$f")" || return 1; done
}
same_date() { [ "$(stat -c %Y "$1")" = "$(stat -c %Y "$2")" ] || { echo "        $1 has another date"; false; }; }
field() { cut -f"$1" stdout.lf | tr '\n' ' ' | sed 's/ $//'; }  # field N: column N of list
src() { echo "payload${sep}$1"; }

echo "e2e $platform: $(basename "$program")"

# The payload: text, incompressible bytes, an empty file, and the test
# library with a version resource when the win32 build made it. Fixed dates,
# so the archives of every platform hold the same values.
mkdir payload
seq 1 40000 | sed 's/$/ Brimwell archive line/' >payload/readme.txt
seq 1 30000 | gzip -9 -n >payload/noise.bin
: >payload/empty.dat
library="$root/build/win32/bin/VersionTestLibrary.dll"
[ -f "$library" ] && cp "$library" payload/library.dll
touch -d "2001-06-15 12:00:00" payload/*
files=()
for f in $(ls payload | sort); do files+=("$(src "$f")"); done
count=${#files[@]}

# Round trips at each level.
for level in none fastest default max; do
  brimarc create "$level.arc" --level "$level" "${files[@]}"
  check "create at level $level" succeeded
  brimarc extract "$level.arc" -C "out-$level"
  check "extract the $level archive: the same files" same_tree "out-$level"
done
check "extracted files get their stored dates" same_date payload/readme.txt out-max/readme.txt
size_of() { stat -c %s "$1"; }
check "max compresses the text better than none" \
  test "$(size_of max.arc)" -lt "$(size_of none.arc)"
check "fastest compresses the text" test "$(size_of fastest.arc)" -lt "$(size_of none.arc)"

brimarc list max.arc
check "list shows one line per file" test "$(wc -l <stdout.lf)" -eq "$count"
check "list has eleven tab-separated fields" \
  test "$(awk -F'\t' 'NF != 11' stdout.lf | wc -l)" -eq 0
check "list numbers the files from 1" test "$(field 1)" = "$(seq -s' ' 1 "$count")"
check "list shows the file dates" test "$(cut -f5 stdout.lf | sort -u)" = "2001-06-15 12:00:00"
check "list shows the stored names as given" test "$(field 11)" = "${files[*]}"
check "the first file's data starts after the prefix and its header" \
  test "$(head -1 stdout.lf | cut -f7)" = 181
sizes_ok() {
  local line name
  while IFS= read -r line; do
    name=$(cut -f11 <<<"$line")
    [ "$(cut -f3 <<<"$line")" = "$(size_of "payload/${name##*[\\/]}")" ] || return 1
  done <stdout.lf
}
check "list shows the file sizes" sizes_ok
if [ -f payload/library.dll ]; then
  check "list shows the library's version" grep -qP '\t2\.0\.0\.1\tpayload.library\.dll$' stdout.lf
fi

# A control character of a stored name is listed escaped.
echo x >payload-escX.txt && brimarc create escaped.arc payload-escX.txt
at=$(grep -boa escX escaped.arc | cut -d: -f1)
printf '\033' | dd of=escaped.arc bs=1 seek=$((at + 3)) conv=notrunc status=none && brimarc list escaped.arc
check "list shows a control character escaped" test "$(field 11)" = 'payload-esc\x1b.txt'
# A path over 100 characters: its file, under the cut name if no other has it.
mkdir cut && short="cut${sep}$(printf 'n%.0s' $(seq 96))"
echo short >"${short//\\//}" && echo long >"${short//\\//}-long.txt"
brimarc create long.arc "$short-long.txt" && brimarc extract long.arc -C out-long
check "a path over 100 characters stores its own file" test "$(cat out-long/n*)" = long
brimarc create both.arc "$short-long.txt" && brimarc create both.arc --add "$short"
check "two paths cut to one stored name are refused" failed_with "would stand for two files"

# An absolute path is stored as given and reaches the file.
if [ "$platform" = win32 ]; then absolute="Z:${work//\//\\}\\payload\\readme.txt"; else absolute="$work/payload/readme.txt"; fi
brimarc create absolute.arc "$absolute"
brimarc list absolute.arc
check "an absolute path is stored as given" test "$(field 11)" = "$absolute"
brimarc extract absolute.arc -C out-absolute
check "and the file extracts from it" same_file payload/readme.txt out-absolute/readme.txt

if [ "$platform" != win32 ]; then
  # Without BRIMWELL_MACHINE the run has a machine of its own, made and
  # removed in the temporary directory; the user's default one is never made.
  mkdir home tmp
  HOME="$work/home" TMPDIR="$work/tmp" brimarc extract max.arc -C out-home
  check "brimarc works without a machine of the user's" same_tree out-home
  check "and makes none in the user's home" absent home/.local
  check "and leaves no temporary machine behind" test -z "$(ls tmp)"
fi

# Appending, file IDs.
brimarc create added.arc --id 7 "$(src readme.txt)"
brimarc create added.arc --add --id 42 "$(src noise.bin)" "$(src empty.dat)"
check "create --add appends to an archive" succeeded
brimarc list added.arc
check "the archive holds the first file and the added ones" \
  test "$(field 11)" = "$(src readme.txt) $(src noise.bin) $(src empty.dat)"
check "appended files are numbered from 1 again" test "$(field 1)" = "1 1 2"
check "--id gives each new file its ID" test "$(field 2)" = "7 42 42"
brimarc extract added.arc -C out-added
check "the appended archive extracts" same_file payload/noise.bin out-added/noise.bin
brimarc create added.arc "$(src empty.dat)"
brimarc list added.arc
check "create without --add replaces the archive" test "$(field 11)" = "$(src empty.dat)"

# Extracting by name, in another letter case and by the file name alone.
upper=$(src README.TXT | tr '[:lower:]' '[:upper:]')
brimarc extract max.arc -C out-named "$upper" NOISE.BIN
check "extract by names in another letter case" succeeded
check "only the named files are extracted" test "$(ls out-named | sort | tr '\n' ' ')" = "noise.bin readme.txt "
brimarc extract max.arc -C out-named nothere.txt
check "an unknown name fails with the engine's message" failed_with "The file <nothere.txt> was not found in the archive"

# Overwrite modes.
mkdir out-keep
echo mine >out-keep/readme.txt
brimarc extract max.arc --overwrite never -C out-keep "$(src readme.txt)"
check "--overwrite never succeeds" succeeded
check "--overwrite never keeps an existing file" test "$(cat out-keep/readme.txt)" = mine
brimarc extract max.arc --overwrite always -C out-keep "$(src readme.txt)"
check "--overwrite always replaces it" same_file payload/readme.txt out-keep/readme.txt

# Splitting into volumes, then extracting the set.
brimarc split max.arc volumes files.1 --volume-size 40000
check "split into volumes" succeeded
volumes=$(ls volumes | wc -l)
check "the archive takes several volumes" test "$volumes" -ge 3
full_volumes() {
  local n
  for n in $(seq 1 $((volumes - 1))); do [ "$(size_of "volumes/files.$n")" -eq 40000 ] || return 1; done
  [ "$(size_of "volumes/files.$volumes")" -le 40000 ]
}
check "every volume but the last is full" full_volumes
brimarc list "volumes${sep}files.1"
check "the set's headers name their volumes" \
  test "$(tail -1 stdout.lf | cut -f8)" = "$volumes"
brimarc extract "volumes${sep}files.1" -C out-volumes
check "the volume set extracts to the same files" same_tree out-volumes
brimarc split max.arc volumes files.a --volume-size 40000
check "a first volume not named .1 is refused" failed_with "files.a"
brimarc split max.arc tiny files.1 --volume-size 100
check "a volume too small for the headers is refused" failed_with "cannot hold"
check "a refused split writes nothing" absent tiny

# An archive inside a larger file.
{ head -c 1000 /dev/zero; cat max.arc; } >embedded.bin
brimarc extract embedded.bin --offset 1000 -C out-embedded
check "extract an archive at an offset" same_tree out-embedded

# Copying.
brimarc copy "$(src noise.bin)" copied.bin
check "copy a file" same_file payload/noise.bin copied.bin
check "the copy keeps the date" same_date payload/noise.bin copied.bin
echo mine >kept.bin
brimarc copy "$(src noise.bin)" kept.bin --overwrite never
check "copy --overwrite never keeps the existing file" test "$(cat kept.bin)" = mine

# Errors: the message, a non-zero status, nothing written.
brimarc extract missing.arc -C out-missing
check "a missing archive fails with its message" failed_with "Cannot open the compressed file"
check "a missing archive writes nothing" absent out-missing
echo "this text is not an archive" >text.arc
brimarc extract text.arc -C out-text
check "a corrupt archive fails with its message" failed_with "Could not read the file headers"
check "a corrupt archive writes nothing" absent out-text
brimarc create single.arc "$(src readme.txt)"
python3 - <<'EOF'
data = bytearray(open("single.arc", "rb").read())
for at in range(400, 420):  # inside the deflate data of the only file
    data[at] ^= 0x5A
open("damaged.arc", "wb").write(data)
EOF
brimarc extract damaged.arc -C out-damaged
check "damaged data fails, naming the file" failed_with "damaged.arc: $(src readme.txt): "
check "damaged data leaves no file behind" absent out-damaged
brimarc create missing-source.arc payload${sep}nothere.txt
check "a missing source file fails with its message" failed_with "Cannot open the file"
check "a failed create leaves no archive" absent missing-source.arc
brimarc frobnicate
check "an unknown command prints the usage" test "$status" -eq 2 -a -n "$(grep usage: stderr.lf)"
brimarc extract max.arc
check "extract without -C prints the usage" test "$status" -eq 2
brimarc create x.arc --level huge "$(src readme.txt)"
check "an unknown level is refused" failed_with "huge"

# Across platforms: the same payload archived by another build.
# differ_only_in_names_and_dates A B: equal bytes outside the header fields
# FileDate and FileName (single archives, one header in front of each file).
differ_only_in_names_and_dates() {
  python3 - "$1" "$2" <<'EOF' || return 1
import struct, sys
a, b = (open(p, "rb").read() for p in sys.argv[1:3])
def masked(data):
    data = bytearray(data)
    count = struct.unpack_from("<i", data, 0)[0]
    at = 5
    for _ in range(count):
        data[at + 8:at + 16] = bytes(8)      # FileDate
        data[at + 24:at + 125] = bytes(101)  # FileName
        at = struct.unpack_from("<i", data, at + 128)[0]
    return bytes(data)
if len(a) != len(b) or masked(a) != masked(b):
    print("        the archives differ outside the names and dates")
    sys.exit(1)
EOF
}
for other_dir in "$root"/build/e2e/brimarc-*; do
  [ "$other_dir" = "$work" ] && continue
  [ -f "$other_dir/max.arc" ] && [ -f "$other_dir/program.txt" ] || continue
  read -r other_platform other_program <"$other_dir/program.txt"
  for level in none max; do
    check "the $level archive differs from the $other_platform one only in names and dates" \
      differ_only_in_names_and_dates "$level.arc" "$other_dir/$level.arc"
  done
  brimarc extract "$other_dir/max.arc" -C "from-$other_platform"
  check "the $other_platform archive extracts here" same_tree "from-$other_platform"
  if [ "$other_platform" != win32 ] || [ -n "${WINEPREFIX:-}" ]; then
    run_with "$other_platform" "$other_program" extract max.arc -C "by-$other_platform" \
      >/dev/null 2>&1 </dev/null
    check "this archive extracts with the $other_platform brimarc" same_tree "by-$other_platform"
  fi
done

echo "e2e brimarc: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
