// Fonts made known to the running system: a font file added to or removed
// from the font table, and the broadcast that tells the running programs
// the fonts have changed. Registering a font for the next start (the
// "Fonts" registry key) is the registry's work, not this service's.
//
// win32: AddFontResourceA, RemoveFontResourceA and WM_FONTCHANGE to every
// top-level window. posix: the substitute machine keeps the fonts it has
// loaded and counts the broadcasts (see PosixFonts.h).
#pragma once

#include <cstdint>

#include <string>

#include "platform/PlatformError.h"

namespace brim {

class IFontService {
 public:
  virtual ~IFontService() = default;
  // Adds the fonts of a font file; count is how many it held (0 on failure).
  virtual TPlatformError AddFontResource(const std::string& path, int& count) = 0;
  // Takes a font file added before out of the table again.
  virtual TPlatformError RemoveFontResource(const std::string& path) = 0;
  // Tells every top-level window that the fonts changed (WM_FONTCHANGE).
  virtual TPlatformError BroadcastFontChange() = 0;
};

// The font service of the platform this program was built for.
IFontService& NativeFontService();

}  // namespace brim
