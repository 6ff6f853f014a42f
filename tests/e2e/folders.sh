#!/usr/bin/env bash
# End-to-end checks of the folder browser under Wine and Xvfb:
#   tests/e2e/folders.sh win32 build/win32   (WINEPREFIX from scripts/wine-env)
# folder_probe.exe opens the destination page's browser and works it with
# a timer as a user would: it reads the places of the added path edit and
# create-folder button, types paths, makes folders, presses OK or Cancel.
# Then it opens the browser inside Wine's own desktop window and saves a
# picture of it, folder-browser.png in the work directory.
# Prints one line per check and "e2e folders PLATFORM: N passed, N failed".
set -uo pipefail

platform="${1:?platform}"
build="$(realpath "${2:?build directory}")"
root="$(cd "$(dirname "$0")/../.." && pwd)"

# shellcheck source=checks.sh
. "$root/tests/e2e/checks.sh"
win32_only folders.sh "has a folder browser"
need xdotool xdotool
need import imagemagick
if [ -z "${WINEPREFIX:-}" ]; then
  # shellcheck source=../../scripts/wine-env
  . "$root/scripts/wine-env"
  wine_env_start || exit 1
  trap wine_env_stop EXIT
fi
# Wine makes windows only with a display; the picture needs a screen of
# colour and room for an 800 x 600 desktop.
if [ -z "${BRIMWELL_E2E_XVFB:-}" ]; then
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  status=0
  BRIMWELL_E2E_XVFB=1 xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@" || status=$?
  wineserver -k >/dev/null 2>&1 || true
  exit $status
fi

fresh_work "folders-$platform"
probe="$build/bin/folder_probe.exe"
C="$WINEPREFIX/drive_c"
rm -rf "$C/Start" "$C/Typed"
mkdir -p "$C/Start/Here"

echo "e2e folders $platform: the folder browser with its added controls, under Wine"

# browse NAME ARGS...: runs the probe; its report in NAME.txt.
browse() {
  local name="$1"
  shift
  timeout 60 wine "$probe" "$@" 2>/dev/null </dev/null | tr -d '\r' >"$name.txt"
}
# field NAME KEY N: the N-th word after KEY on the first such line of NAME.txt.
field() { awk -v k="$1" -v n="$3" '$1 == k && !done { print $(n + 1); done = 1 }' "$2.txt"; }
is() { [ "$1" = "$2" ] || { echo "        got '$1', expected '$2'"; false; }; }

browse plain noedit 'C:\Start\Here' layout cancel
browse added 'C:\Start\Here' layout cancel
tree_plain=$(field tree plain 4)
tree_added=$(field tree added 4)
check "the path edit makes the tree 60 pixels shorter" is "$((tree_plain - tree_added))" 60
check "  its top, left and width unchanged" is "$(field tree added 1),$(field tree added 2),$(field tree added 3)" \
  "$(field tree plain 1),$(field tree plain 2),$(field tree plain 3)"
check "the tree keeps its selection visible" contains added.txt "tree keeps its selection visible 1"
# The added controls are placed by the places of the browser's own in its
# outer rectangle, so they stand off the tree by the width of the frame.
frame=$(field frame added 1)
check "the edit sits below the tree, as wide" is "$(field edit added 1),$(field edit added 3),$(field edit added 5)" \
  "$(($(field tree added 1) + frame)),$(field tree added 3),visible"
[ "$(field edit added 2)" -gt "$(($(field tree added 2) + tree_added))" ]
check "  with its top below the tree's bottom" test $? -eq 0
check "the create button starts at the edit's left, on the row of OK" \
  is "$(field button added 1),$(field button added 2),$(field button added 5)" \
  "$(($(field tree added 1) + frame)),$(field ok added 2),visible"
[ "$(($(field button added 1) + $(field button added 3)))" -le "$(field ok added 1)" ]
check "  and ends left of OK" test $? -eq 0
check "the browser opens on the folder, shown in the edit" contains added.txt "edit shows C:\\Start\\Here"
check "  selected in the tree" contains added.txt "tree selects Here"
check "cancel chooses nothing" is "$(field chosen added 1)" 0

browse deepest 'C:\Start\Here\Missing\Deeper' layout cancel
check "a folder that does not exist selects its deepest existing parent" contains deepest.txt "edit shows C:\\Start\\Here"
check "  and is not made" test ! -e "$C/Start/Here/Missing"

browse typed 'C:\Start' type 'C:\Typed\New\Deep' ok
check "a typed folder that does not exist is chosen with OK" contains typed.txt "directory C:\\Typed\\New\\Deep"
check "  and made with its parents" test -d "$C/Typed/New/Deep"

browse typedcancel 'C:\Start' type 'C:\Typed\Never' cancel
check "a typed folder is not made when the browser is cancelled" test ! -e "$C/Typed/Never"

browse named 'C:\Start' create name 'Made' layout ok
check "the create button asks a name and makes the folder in the current one" test -d "$C/Start/Made"
check "  then the browser opens again" is "$(field opened named 1)" 2
check "  with the new folder selected" contains named.txt "tree selects Made"
check "  and OK chooses it" contains named.txt "directory C:\\Start\\Made"

browse namecancel 'C:\Start' create cancel layout cancel
check "a name box that is cancelled leaves the browser open and makes nothing" \
  is "$(field opened namecancel 1),$(find "$C/Start" -mindepth 1 -maxdepth 1 | wc -l)" "1,2"

browse typedmade 'C:\Start' type 'C:\Start\Other\Inner' create layout ok
check "the create button makes a typed folder that does not exist" test -d "$C/Start/Other/Inner"
check "  and the browser opens again on it" contains typedmade.txt "tree selects Inner"

browse noedit noedit 'C:\Start\Here' ok
check "without the path edit OK chooses the selected folder" contains noedit.txt "directory C:\\Start\\Here"

# The picture: the browser with its added controls, a path typed, inside
# Wine's desktop window.
wine explorer /desktop=shot,800x600 "$probe" 'C:\Start\Here' type 'C:\Start\Made' wait 60 cancel \
  >/dev/null 2>&1 </dev/null &
shot_pid=$!
sleep 8
desktop=$(xdotool search --name '^shot' 2>/dev/null | head -1)
if [ -n "$desktop" ]; then import -window "$desktop" folder-browser.png 2>/dev/null
else import -window root -crop 800x600+0+0 folder-browser.png 2>/dev/null; fi
check "a picture of the browser is saved" test -s folder-browser.png
wait "$shot_pid" 2>/dev/null

echo "e2e folders $platform: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
