// Fonts on the substitute machine. A font file added to the font table is
// recorded in machine.ini, section [LoadedFonts] (its full Windows path =
// how many times it was added), and each font-change broadcast adds one to
// [FontChanges] Broadcasts, so a test or brimmachine can see what an
// installation made the running system load. A reboot clears neither: the
// record is what the session loaded since the machine was made.
#pragma once

#include <map>
#include <string>

#include "platform/FontService.h"

namespace brim {

class TPosixFontService : public IFontService {
 public:
  TPlatformError AddFontResource(const std::string& path, int& count) override;
  TPlatformError RemoveFontResource(const std::string& path) override;
  TPlatformError BroadcastFontChange() override;
};

// How many fonts a font file holds: 1 for a TrueType or OpenType file, the
// number of fonts of a TrueType collection or of a bitmap font file (.fon);
// 0 when the bytes are no font.
int FontsInFile(const std::string& bytes);

// The font files loaded now, by full Windows path, with their add counts.
std::map<std::string, int> LoadedFonts();
// How many font-change broadcasts the machine has seen.
int FontChangeBroadcasts();

}  // namespace brim
