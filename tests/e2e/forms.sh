#!/usr/bin/env bash
# End-to-end checks of forms as real windows under Wine and Xvfb:
#   tests/e2e/forms.sh win32 build/win32 [SHOTS]
# runs the window and front-end tests of brim_tests.exe that need a display,
# then shows tests/widgets/EveryKindForm.txt with form_probe.exe inside
# Wine's desktop window, saves a screenshot (SHOTS/every-kind.png, default
# build/e2e/forms-win32/), and presses Enter (the default button ends the
# form with mrOk) and Escape (the cancel button: mrCancel) on the keyboard.
# Prints one line per check and "e2e forms PLATFORM: N passed, N failed".
set -uo pipefail

platform="${1:?platform}"
build="$(realpath "${2:?build directory}")"
root="$(cd "$(dirname "$0")/../.." && pwd)"

# shellcheck source=checks.sh
. "$root/tests/e2e/checks.sh"
win32_only forms.sh "makes real windows"
need xdotool xdotool
need import imagemagick
BRIMWELL_XVFB_SCREEN="${BRIMWELL_XVFB_SCREEN:-1024x768x24}" with_display "$0" "$@"

fresh_work "forms-$platform" "${3:-}"
export WINEDEBUG=-all

echo "e2e forms $platform: forms as windows under Wine and Xvfb"

wine_units "windows, controls and the front end work on real windows" 'Win32Windows.*:Win32WindowsFrontEnd.*'

# The probe's window inside Wine's desktop window, which draws its frame.
form="Z:$(echo "$root/tests/widgets/EveryKindForm.txt" | tr / '\\')"
press() {  # press KEY: shows the form, presses KEY in it, leaves the output in KEY.txt
  local key="$1" shot="${2:-}"
  wine explorer /desktop=forms,800x600 "$build/bin/form_probe.exe" "$form" >"$key.txt" 2>&1 </dev/null &
  local pid=$! window=""
  for _ in $(seq 1 60); do
    window=$(xdotool search --name 'Wine desktop' 2>/dev/null | head -1)
    [ -n "$window" ] && break
    sleep 0.5
  done
  sleep 2
  [ -n "$shot" ] && import -window root "$shot"
  [ -n "$window" ] && xdotool windowfocus --sync "$window" >/dev/null 2>&1
  xdotool key --clearmodifiers "$key"
  for _ in $(seq 1 40); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.5
  done
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  tr -d '\r' <"$key.txt" >"$key.lf"
}
press Return "$shots/every-kind.png"
check "the form was on the screen" test -s "$shots/every-kind.png"
check "Enter presses the default button" contains Return.lf "ModalResult=1"
press Escape
check "Escape presses the cancel button" contains Escape.lf "ModalResult=2"

echo "e2e forms $platform: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
