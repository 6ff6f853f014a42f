// Constants shared across the system.
#pragma once

#include <cstdint>

namespace brim {

// The registry key under which the system keeps its own state.
inline constexpr const char* BrimwellInstallKey = "\\SOFTWARE\\Brimwell\\Install";

// The resource holding the install definition inside a setup program.
inline constexpr const char* InstallDefinitionResource = "TINSTALATOR";

// The loading program extracts the setup into a directory of its own under
// the temporary directory, named with this prefix; only such a directory
// is removed by the setup's clean-up.
inline constexpr const char* LoaderDirectoryPrefix = "BWL";

// The loading program's file in the component set's directory; a build
// copies it as the distribution's "setup.exe".
inline constexpr const char* LoaderProgramName = "BrimwellLoadProgram.exe";
// The key under HKEY_LOCAL_MACHINE whose value "Directory" names the
// component set's directory on a building machine.
inline constexpr const char* BrimwellSetupKey = "\\SOFTWARE\\Brimwell\\Setup";

// The exit statuses of the loading program, the setup and the uninstaller,
// the ones Windows installers give, so deployment tools read them alike.
// A posix status keeps only the low 8 bits: 3010 arrives as 194, 1602 as
// 66, 1603 as 67 and 1639 as 103.
inline constexpr int exitSuccess = 0;
// The installation finishes after the computer restarts (its start after
// the reboot is registered), whether the restart was asked for or refused.
// The loading program keeps its copy of the setup for that start.
inline constexpr int exitRestartRequired = 3010;
inline constexpr int exitUserCancelled = 1602;
inline constexpr int exitInstallFailed = 1603;
inline constexpr int exitBadCommandLine = 1639;
// Whether a program's exit status says restart required. A posix exit
// status keeps only its low 8 bits, so there 3010 arrives as 194.
inline constexpr bool IsRestartRequiredStatus(uint32_t status) {
  return status == exitRestartRequired || status == (exitRestartRequired & 0xFF);
}

}  // namespace brim
