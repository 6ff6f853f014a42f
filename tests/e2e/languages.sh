#!/usr/bin/env bash
# End-to-end check that pages in every script show under Wine and Xvfb:
#   tests/e2e/languages.sh win32 build/win32 [SHOTS]
# checks that the fonts Wine takes its glyphs from are installed, runs the
# unit tests of texts and fonts on real windows, then shows a page with
# Japanese, Chinese, Russian, Greek, German and Korean texts, each in its
# code page and font character set (language_probe.exe), inside Wine's
# desktop window: every text must read back as the right UTF-16, and the
# screenshot (SHOTS/languages.png, default build/e2e/languages-win32/) is
# there to look at for boxes. Escape ends the page; a Japanese message box
# follows (SHOTS/languages-box.png), which Enter answers.
# Prints one line per check and "e2e languages PLATFORM: N passed, N failed".
set -uo pipefail

platform="${1:?platform}"
build="$(realpath "${2:?build directory}")"
root="$(cd "$(dirname "$0")/../.." && pwd)"

# shellcheck source=checks.sh
. "$root/tests/e2e/checks.sh"
win32_only languages.sh "makes real windows"
need xdotool xdotool
need import imagemagick
BRIMWELL_XVFB_SCREEN="${BRIMWELL_XVFB_SCREEN:-1024x768x24}" with_display "$0" "$@"

fresh_work "languages-$platform" "${3:-}"
export WINEDEBUG=-all

echo "e2e languages $platform: pages in every script under Wine and Xvfb"

for lang in ja zh-cn ko ru el he vi; do
  check "a font for $lang is installed (scripts/install-deps)" test -n "$(fc-list ":lang=$lang" family)"
done

wine_units "texts and fonts work on real windows" 'CodePages.*:FontFallback.*:Win32Windows.Texts*'

wine explorer /desktop=languages,800x600 "$build/bin/language_probe.exe" >probe.txt 2>&1 </dev/null &
pid=$!
window=""
for _ in $(seq 1 60); do
  window=$(xdotool search --name 'Wine desktop' 2>/dev/null | head -1)
  [ -n "$window" ] && grep -q '^face cancel-button' probe.txt 2>/dev/null && break
  sleep 0.5
done
sleep 2
import -window root "$shots/languages.png"
[ -n "$window" ] && xdotool windowfocus --sync "$window" >/dev/null 2>&1
xdotool key --clearmodifiers Escape
# Then the message box, in Japanese too.
for _ in $(seq 1 20); do
  grep -q '^ModalResult' probe.txt 2>/dev/null && break
  sleep 0.5
done
sleep 2
import -window root "$shots/languages-box.png"
# The box has no owner to take the keyboard from: a click in its middle
# (the middle of Wine's desktop) makes it the active window.
[ -n "$window" ] && xdotool windowfocus --sync "$window" >/dev/null 2>&1
xdotool mousemove --window "${window:-0}" 400 300 click 1 >/dev/null 2>&1
sleep 0.5
xdotool key --clearmodifiers Return
for _ in $(seq 1 40); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.5
done
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
tr -d '\r' <probe.txt >probe.lf

check "the page was on the screen" test -s "$shots/languages.png"
for what in Japanese Chinese Russian Greek German Korean caption next-button cancel-button; do
  check "the $what text shows as its UTF-16" contains probe.lf "shown $what"
done
# The faces asked for (the Japanese and Chinese ones named in their code
# pages) are not on this machine: an installed face of the script is used.
for what in Japanese Chinese Korean; do
  check "the $what text is in an installed face" grep -qE "^face $what: (WenQuanYi|Noto Sans CJK|Droid Sans)" probe.lf
done
sed -n 's/^face /        face /p' probe.lf
check "Escape ends the page" contains probe.lf "ModalResult=2"
check "the message box was on the screen and Enter answered it" contains probe.lf "box answered 1"

echo "e2e languages $platform: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
