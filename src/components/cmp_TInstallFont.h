// TInstallFont: an install file that, once written, is added to the
// system's font table and registered under its font name. A font is always
// written under a fresh numbered name (F.TTF becomes F1.TTF, else F2.TTF,
// ...), so a font the running system holds is never overwritten.
#pragma once

#include "components/cmp_TInstallContainer.h"

namespace brim {

BRIM_IEXCEPTION_CLASS(IEInstallFont, IException);

// Where fonts are registered for the next start of Windows.
inline constexpr const char* FontsRegistryKey = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Fonts";

class TInstallFont : public TCustomInstallFile {
  BRIM_CLASS(TInstallFont)

 public:
  explicit TInstallFont(TComponent* owner) : TCustomInstallFile(owner) {}

  // Installs the file, then adds the font and registers it, also when the
  // file was kept or skipped (for the name it has at its destination).
  void Install() override;
  // Chooses the numbered name the font is written under.
  void ReplaceFile() override;
  // A font is a plain file whatever type it is given.
  TInstallFileType GetFontFileType() const { return FileType; }
  void SetFontFileType(TInstallFileType) { SetFileType(TInstallFileType::iftNormal); }

  // The fonts folder: the user's "Fonts" shell folder, or the Windows
  // system directory when there is none; no trailing backslash.
  static std::string FontsFolder();

  // The name under which the font is registered.
  std::string FontName = "A New Font";
};

}  // namespace brim
