// Constants shared across the system.
#pragma once

namespace brim {

// The registry key under which the system keeps its own state.
inline constexpr const char* BrimwellInstallKey = "\\SOFTWARE\\Brimwell\\Install";

// The resource holding the install definition inside a setup program.
inline constexpr const char* InstallDefinitionResource = "TINSTALATOR";

}  // namespace brim
