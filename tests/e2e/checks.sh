# Sourced by the end-to-end scripts: one line per check, and the counts for
# their closing line "e2e PLATFORM: N passed, N failed".
passed=0
failed=0
check() {  # check NAME COMMAND...
  local name="$1"
  shift
  if "$@"; then
    echo "  ok    $name"
    passed=$((passed + 1))
  else
    echo "  FAIL  $name"
    failed=$((failed + 1))
  fi
}

# fresh_work NAME [SHOTS]: the suite's own empty folder build/e2e/NAME,
# entered, as work; shots, where its screenshots go, is SHOTS (made too)
# or that folder. A win32 suite needs Wine.
fresh_work() {
  [ "${platform:-}" = win32 ] && need wine wine
  work="$root/build/e2e/$1"
  shots="$(realpath -m "${2:-$work}")"
  rm -rf "$work"
  mkdir -p "$work" "$shots"
  cd "$work" || exit 1
}

# own_wine_prefix: a fresh Wine prefix for this suite alone, removed when
# the suite ends: the suites before it leave their products, the demo among
# them, in the shared one.
own_wine_prefix() {
  unset BRIMWELL_WINEPREFIX
  # shellcheck source=../../scripts/wine-env
  . "$root/scripts/wine-env"
  wine_env_start || { echo "cannot make a Wine prefix"; exit 1; }
  trap wine_env_stop EXIT
}

# demo_kit DIR: the demo's setup in DIR/kit (the definition bound into this
# build's runtime, the loader, a BUILD.INF naming DIR/dist) and DIR/source,
# what the definition names: the payload and the uninstaller this build
# made. A suite builds the distribution from DIR/source with -b.
demo_kit() {
  mkdir -p "$1/kit" "$1/source/uninstaller" &&
    "$native/bin/brimdef" bind "$bin/brimruntime$exe" "$root/examples/demo/demo.txt" \
      -o "$1/kit/brimsetup$exe" >/dev/null &&
    cp "$bin/BrimwellLoadProgram.exe" "$1/kit/" &&
    printf 'Z:%s' "$(realpath -m "$1/dist")" | tr / '\\' >"$1/kit/BUILD.INF" &&
    ln -sfn "$root/examples/demo/payload" "$1/source/payload" &&
    cp "$bin/uninstall$exe" "$1/source/uninstaller/uninstall.exe"
}

# one_file_product FOLDER NAME [LINES [OBJECTS]]: the definition of a
# product NAME of one file, payload/hello.txt, installed into Program
# Files\Brimwell\FOLDER; LINES go into its TInstall, OBJECTS after it.
one_file_product() {
  cat <<EOF
object Instalator: TInstalator
  Width = 696
  Height = 480
  object Install1: TInstall
    DestDir = '\\Brimwell\\$1'
    DestDirType = psProgramFiles
    Information.ProductName = '$2'
${3:-}  end
${4:-}  object Dir: TInstallDirectory
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
}

# the_machine: where the programs run. Natively a fresh substitute machine
# M under work (BRIMWELL_MACHINE), under Wine the prefix; C is its drive
# C:, run what starts a program there and exe a program's extension.
the_machine() {
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
}

# wine_units NAME FILTER: runs the unit tests FILTER names from
# $build/bin/brim_tests.exe under Wine (these need a screen) and checks that
# they passed, none failed and none was skipped; the failures are shown.
wine_units() {
  timeout 300 wine "$build/bin/brim_tests.exe" --gtest_filter="$2" >units.txt 2>&1 </dev/null
  tr -d '\r' <units.txt >units.lf
  check "$1" grep -q '^\[  PASSED  \]' units.lf
  check "  with nothing failed" test -z "$(grep '^\[  FAILED  \]' units.lf)"
  check "  with nothing skipped" test -z "$(grep SKIPPED units.lf)"
  grep -E '^\[  FAILED  \]|Failure|Expected|Which is|actual|SKIPPED' units.lf | head -30 | sed 's/^/        /'
}

# What checks test: a file contains a text or lacks it, a file holds
# exactly a text, a command ran well (its output kept in out.txt and
# err.txt of the current directory, shown when it failed).
contains() { grep -qF -- "$2" "$1" || { echo "        $1 lacks: $2"; sed 's/^/        | /' "$1" | head -30; false; }; }
lacks() { ! grep -qF -- "$2" "$1" || { echo "        $1 still has: $2"; false; }; }
content_is() { [ "$(cat "$1" 2>/dev/null)" = "$2" ] || { echo "        $1 holds '$(cat "$1" 2>/dev/null)', not '$2'"; false; }; }
ran() { "$@" >out.txt 2>err.txt </dev/null || { sed 's/^/        /' err.txt out.txt | head -20; false; }; }

# need PROGRAM PACKAGE: a suite that cannot run without PROGRAM fails at
# once, naming the Debian package that brings it (make deps installs it).
need() {
  command -v "$1" >/dev/null && return 0
  echo "  FAIL  $1 is missing: install the package $2 (make deps)"
  exit 1
}

# win32_only SCRIPT WHAT: a suite that only the win32 build can run stops
# with status 2 on any other platform, saying what the build has.
win32_only() {
  [ "$platform" = win32 ] || { echo "$1: only the win32 build $2" >&2; exit 2; }
}

# with_display SCRIPT ARGS...: Wine makes windows only for a wineserver
# started with a display. Stops the prefix's server, runs the script again
# under Xvfb (BRIMWELL_E2E_XVFB set), stops the server after it and exits
# with its status. Does nothing when already under Xvfb. BRIMWELL_XVFB_SCREEN
# (such as 1024x768x24) sets the size and depth of Xvfb's screen.
with_display() {
  [ -n "${BRIMWELL_E2E_XVFB:-}" ] && return 0
  need xvfb-run xvfb
  need xauth xauth
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  local status=0
  local screen=()
  [ -n "${BRIMWELL_XVFB_SCREEN:-}" ] && screen=(-s "-screen 0 $BRIMWELL_XVFB_SCREEN")
  BRIMWELL_E2E_XVFB=1 xvfb-run -a "${screen[@]}" "$@" || status=$?
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  exit $status
}
