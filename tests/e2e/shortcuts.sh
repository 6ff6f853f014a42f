#!/usr/bin/env bash
# End-to-end checks of shell link files, each side reading the other's:
#   tests/e2e/shortcuts.sh build/native build/win32
# (Wine: the WINEPREFIX of scripts/wine-env; a prefix of its own when none.)
# The native link_probe saves links on a fresh substitute machine; lnkinfo
# (liblnk-utils), a reader of its own, finds each field in them; under Wine
# link_probe.exe reads the same files through the shell's IShellLinkA; then
# link_probe.exe saves links into the machine's drive through Wine's shell,
# and `brimmachine links` lists them with their fields, beside an internet
# shortcut, and names a file that is not a link.
# Prints one line per check and "e2e shortcuts: N passed, N failed".
set -uo pipefail

native="$(realpath "${1:?native build directory}")"
win32="$(realpath "${2:?win32 build directory}")"
root="$(cd "$(dirname "$0")/../.." && pwd)"

# shellcheck source=checks.sh
. "$root/tests/e2e/checks.sh"
need wine wine
need lnkinfo liblnk-utils
if [ -z "${WINEPREFIX:-}" ]; then
  # shellcheck source=../../scripts/wine-env
  . "$root/scripts/wine-env"
  wine_env_start || exit 1
  trap wine_env_stop EXIT
fi

fresh_work "shortcuts"
M="$work/machine"
export BRIMWELL_MACHINE="$M"
"$native/bin/brimmachine" init "$M" >/dev/null || { echo "cannot make a machine"; exit 1; }
mkdir -p "$M/drive_c/Links" "$M/drive_c/From Wine"
mkdir -p "$WINEPREFIX/drive_c/Program Files/App"
printf 'MZ' >"$WINEPREFIX/drive_c/Program Files/App/app.exe"

echo "e2e shortcuts: links of the substitute machine and of Wine, read by the other"

# winpath PATH: the host path as Wine's programs see it (drive Z: is /).
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }

# The links: file name, target, arguments, working directory, icon path,
# icon index, show command, hot key (Ctrl+Alt+Q is 0x0651).
links=(
  'App.lnk|C:\Program Files\App\app.exe|-x --name="a b"|C:\Program Files\App|C:\Program Files\App\app.exe|1|7|0x0651'
  'Plain.lnk|C:\Windows\notepad.exe|||||1|0'
  'Read me.lnk|C:\Program Files\App\readme.txt|/p|C:\Program Files\App|C:\Windows\system32\shell32.dll|23|3|0x0350'
)
fields() { IFS='|' read -r name target args dir icon index show hotkey <<<"$1"; }

for entry in "${links[@]}"; do
  fields "$entry"
  check "the machine saves $name" ran "$native/bin/link_probe" save "C:\\Links\\$name" \
    "$target" "$args" "$dir" "$icon" "${index:-0}" "$show" "$hotkey"
done

# has_line FILE LINE: the file has exactly that line.
has_line() { grep -qxF -- "$2" "$1" || { echo "        $1 lacks the line: $2"; sed 's/^/        | /' "$1" | head -30; false; }; }

# lnkinfo's lines "<tab>Name<tabs>: value" are read as "Name: value". (This
# version of it shows the show command and the hot key as 0 whatever the
# file holds; the icon index it reads.)
for entry in "${links[@]}"; do
  fields "$entry"
  lnkinfo "$M/drive_c/Links/$name" 2>&1 | sed 's/^\t//; s/\t*: /: /' >"lnkinfo-$name.txt"
  check "lnkinfo reads $name: its local path" has_line "lnkinfo-$name.txt" "Local path: $target"
  # An empty string is not in the file, and lnkinfo shows no line for it.
  [ -z "$args" ] || check "  its arguments" has_line "lnkinfo-$name.txt" "Command line arguments: $args"
  [ -z "$dir" ] || check "  its working directory" has_line "lnkinfo-$name.txt" "Working directory: $dir"
  [ -z "$icon" ] || check "  its icon location" has_line "lnkinfo-$name.txt" "Icon location: $icon"
  check "  its icon index" has_line "lnkinfo-$name.txt" "Icon index: ${index:-0}"
done

# Wine 8 reads every link's show command as 1, its own links' too, so the
# show command is not asked of it here; Wine writes it, and brimmachine
# reads it from Wine's links below.
for entry in "${links[@]}"; do
  fields "$entry"
  wine "$win32/bin/link_probe.exe" show "$(winpath "$M/drive_c/Links/$name")" 2>&1 </dev/null |
    tr -d '\r' >"wine-$name.txt"
  check "Wine's shell reads $name: its path" has_line "wine-$name.txt" "Path=$target"
  check "  resolved by GetPath" has_line "wine-$name.txt" "ResolvedPath=$target"
  check "  its arguments" has_line "wine-$name.txt" "Arguments=$args"
  check "  its working directory" has_line "wine-$name.txt" "WorkingDirectory=$dir"
  check "  its icon" has_line "wine-$name.txt" "IconLocation=$icon,${index:-0}"
  check "  its hot key" has_line "wine-$name.txt" "Hotkey=$(printf '0x%04X' "$hotkey")"
done

for entry in "${links[@]}"; do
  fields "$entry"
  check "Wine's shell saves $name into the machine" ran wine "$win32/bin/link_probe.exe" save \
    "$(winpath "$M/drive_c/From Wine/$name")" "$target" "$args" "$dir" "$icon" "${index:-0}" "$show" "$hotkey"
done
printf '[InternetShortcut]\r\nURL=http://example.com/app/\r\n' >"$M/drive_c/Links/Site.URL"

"$native/bin/brimmachine" links "$M" >links.txt 2>&1
check "brimmachine links reads them all" test $? -eq 0
check "  the internet shortcut's address" test "$(grep -A1 -xF 'C:\Links\Site.URL' links.txt)" = "C:\Links\Site.URL
  URL: http://example.com/app/"
for entry in "${links[@]}"; do
  fields "$entry"
  for folder in Links "From Wine"; do
    # The block of this link: its path line and the six after it.
    grep -A6 -xF "C:\\$folder\\$name" links.txt >block.txt
    check "  C:\\$folder\\$name: its target" has_line block.txt "  Target: $target"
    check "    its arguments, working directory and icon" \
      test "$(sed -n 3,5p block.txt)" = "  Arguments: $args
  Working directory: $dir
  Icon: $icon,${index:-0}"
    check "    its show command and hot key" \
      test "$(sed -n 6,7p block.txt)" = "  Show command: $show
  Hot key: $(printf '0x%04X' "$hotkey")"
  done
done

printf 'not a link\r\n' >"$M/drive_c/Links/Bad.LNK"
"$native/bin/brimmachine" links "$M" >links.txt 2>&1
check "brimmachine links fails on a file that is not a link" test $? -eq 1
check "  and names it, listing the others" test "$(grep -A1 -xF 'C:\Links\Bad.LNK' links.txt)" = "C:\Links\Bad.LNK
  cannot be read: COM error 0x8007000B: An attempt was made to load a program with an incorrect format."
check "  the others still listed" grep -qxF 'C:\Links\Read me.lnk' links.txt

echo "e2e shortcuts: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
