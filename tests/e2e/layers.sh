#!/usr/bin/env bash
# Checks that the build enforces the layers: a header of a higher layer
# cannot be included by a lower one, a header of the same or a lower layer
# can. Each case is a probe target of the CMake build (layer_probe_N, in the
# order of LAYER_PROBES in CMakeLists.txt).
#   tests/e2e/layers.sh native build/native
# Prints one line per check and "e2e PLATFORM: N passed, N failed".
set -uo pipefail

platform="${1:?platform}"
build="$(realpath "${2:?build directory}")"
root="$(cd "$(dirname "$0")/../.." && pwd)"

# shellcheck source=checks.sh
. "$root/tests/e2e/checks.sh"

echo "e2e layers $platform: includes across the layers of $build"

compiles() { cmake --build "$build" --target "layer_probe_$1" >/dev/null 2>&1; }
# Fails for the one reason that counts: the header is not found.
fails() {
  local output
  ! output=$(cmake --build "$build" --target "layer_probe_$1" 2>&1) &&
    grep -q "$2: No such file or directory" <<<"$output"
}

#      probe  expected  library          includes
cases=(
  "1  fails     brim_objects     platform/Platform.h"
  "2  fails     brim_system      components/cmp_TInstallContainer.h"
  "3  fails     brim_session     components/cmp_TInstallContainer.h"
  "4  fails     brim_components  engine/cmp_TInstall.h"
  "5  fails     brim_components  widgets/Forms.h"
  "6  compiles  brim_components  archive/cmp_TQmbxCompress.h"
  "7  fails     brim_components  shortcuts/cmp_TInstallShellLink.h"
  "8  fails     brim_widgets     dialogs/dlgcmp_TBaseDlg.h"
  "9  fails     brim_dialogs     engine/cmp_TInstall.h"
  "10 compiles  brim_components  system/routines_API.h"
  "11 compiles  brim_components  paths/cmp_TPathSpecifier.h"
  "12 compiles  brim_dialogs     widgets/Forms.h"
  "13 compiles  brim_engine      dialogs/dlgcmp_TBaseDlg.h"
  "14 fails     brim_uninstall   engine/cmp_TInstall.h"
  "15 compiles  brim_uninstall   components/cmp_TInstallFont.h"
)
for row in "${cases[@]}"; do
  read -r number expected library header <<<"$row"
  check "$library including $header $expected" "$expected" "$number" "$header"
done

echo "e2e layers $platform: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
