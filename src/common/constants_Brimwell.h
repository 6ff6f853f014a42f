// Constants shared across the system.
#pragma once

namespace brim {

// The registry key under which the system keeps its own state.
inline constexpr const char* BrimwellInstallKey = "\\SOFTWARE\\Brimwell\\Install";

// The resource holding the install definition inside a setup program.
inline constexpr const char* InstallDefinitionResource = "TINSTALATOR";

// The loading program extracts the setup into a directory of its own under
// the temporary directory, named with this prefix; only such a directory
// is removed by the setup's clean-up.
inline constexpr const char* LoaderDirectoryPrefix = "BWL";

}  // namespace brim
