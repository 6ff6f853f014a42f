// Shortcuts and the program folder. A shortcut points at an install object
// of the definition or at a free location and is written as a shell link,
// a Program Manager item or an internet shortcut. A shell link group is the
// folder shortcuts go into; TMainLinkGroup is the product's program folder
// and TInstallMainLink a shortcut that always lives in it. TpsObjectLink
// makes a shortcut's target the place where its linked object is installed.
#pragma once

#include <cstdint>
#include <string>

#include "components/cmp_TInstallContainer.h"

namespace brim {

BRIM_IEXCEPTION_CLASS(IEInstallShellLink, IException);
BRIM_IEXCEPTION_CLASS(IEShellLinkGroup, IException);

// How a shortcut is made.
enum class TMethodType { mtAutoDetect, mtShellLinkInterface, mtProgramManager };
extern const TEnumInfo MethodTypeInfo;

class TCustomShellLinkGroup : public TInstallObject {
  BRIM_CLASS(TCustomShellLinkGroup)

 public:
  explicit TCustomShellLinkGroup(TComponent* owner);
  int RegisteredType() const override { return rtShellLinkGroup; }
};

// The product's program folder in the Start menu.
class TMainLinkGroup : public TCustomShellLinkGroup {
  BRIM_CLASS(TMainLinkGroup)

 public:
  explicit TMainLinkGroup(TComponent* owner);
};

class TCustomInstallShellLink : public TInstallObject {
  BRIM_CLASS(TCustomInstallShellLink)

 public:
  explicit TCustomInstallShellLink(TComponent* owner);
  int RegisteredType() const override { return rtShellLink; }

  // File name of the shortcut; ".URL" makes an internet shortcut.
  std::string LinkName;
  // The install object the shortcut points at.
  TInstallContainer* ObjectLink = nullptr;
  // Target path or web address when there is no ObjectLink.
  std::string ObjectLocation;
  TCustomPathSpecifier* ObjectLocationType = nullptr;
  // Arguments; meta variables are expanded.
  std::string Parameters;
  std::string WorkingDir;
  std::string IconFilePath;
  int32_t IconIndex = 0;
  // Virtual key in the low byte, modifier flags in the high byte.
  uint16_t HotKey = 0;
  TMethodType Method = TMethodType::mtAutoDetect;
};

class TInstallShellLink : public TCustomInstallShellLink {
  BRIM_CLASS(TInstallShellLink)

 public:
  explicit TInstallShellLink(TComponent* owner) : TCustomInstallShellLink(owner) {}
};

// A shortcut in the main program folder.
class TInstallMainLink : public TCustomInstallShellLink {
  BRIM_CLASS(TInstallMainLink)

 public:
  explicit TInstallMainLink(TComponent* owner) : TCustomInstallShellLink(owner) {}
};

// The installed place of a shortcut's ObjectLink.
class TpsObjectLink : public TStandardPathSpecifier {
  BRIM_CLASS(TpsObjectLink)

 public:
  explicit TpsObjectLink(TComponent* owner) : TStandardPathSpecifier(owner, Texts()) {}
  static const TStandardSpecifierTexts& Texts();
};

}  // namespace brim
