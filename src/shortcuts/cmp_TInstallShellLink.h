// Shortcuts and the program folder. A shortcut points at an install object
// of the definition or at a free location and is written as a shell link,
// a Program Manager item or an internet shortcut. A shell link group is the
// folder shortcuts go into; TMainLinkGroup is the product's program folder
// and TInstallMainLink a shortcut that always lives in it. TpsObjectLink
// makes a shortcut's target the place where its linked object is installed.
// Groups and shortcuts are made in their own phases of the run (7000 and
// 8000), not by their containers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "components/cmp_TInstallContainer.h"

namespace brim {

BRIM_IEXCEPTION_CLASS(IEInstallShellLink, IException);
BRIM_IEXCEPTION_CLASS(IEShellLinkGroup, IException);
BRIM_IEXCEPTION_CLASS(IEShellLinkList, IException);

// How a shortcut is made.
enum class TMethodType { mtAutoDetect, mtShellLinkInterface, mtProgramManager };
extern const TEnumInfo MethodTypeInfo;

// The broadcast of a shell link group whose folder is being made: a
// folder dialog without a dialog manager runs then.
inline constexpr int bcShellLinkGroup = -991;

class TCustomShellLinkGroup : public TInstallObject {
  BRIM_CLASS(TCustomShellLinkGroup)

 public:
  explicit TCustomShellLinkGroup(TComponent* owner);
  ~TCustomShellLinkGroup() override { BeforeDestruction(); }
  int RegisteredType() const override { return rtShellLinkGroup; }
  // A group whose container goes, goes with it.
  void ContainerDestroyed(TInstallContainer* container) override;

 protected:
  // Announces the group (bcShellLinkGroup), makes its folder with every
  // missing parent, then the members that go with it.
  void ProcessContents() override;
};

// The product's program folder in the Start menu: one per process, always
// under psProgramMenu.
class TMainLinkGroup : public TCustomShellLinkGroup {
  BRIM_CLASS(TMainLinkGroup)

 public:
  // A second one raises IEShellLinkGroup.
  explicit TMainLinkGroup(TComponent* owner);
  ~TMainLinkGroup() override;
  // Any specifier given is taken as psProgramMenu.
  void SetDestDirType(TCustomPathSpecifier* value) override;

 protected:
  void ReleaseOnDestroy() override;
};

class TCustomInstallShellLink : public TInstallObject {
  BRIM_CLASS(TCustomInstallShellLink)

 public:
  // Enters the process's list of shell links and makes sure the form has
  // a psObjectLink.
  explicit TCustomInstallShellLink(TComponent* owner);
  ~TCustomInstallShellLink() override;
  int RegisteredType() const override { return rtShellLink; }
  void Notification(TComponent* component, TOperation operation) override;
  // A shortcut whose container goes, goes with it.
  void ContainerDestroyed(TInstallContainer* container) override;
  // The link file under the uninstall key's "Files" (or the first of
  // "Files1", "Files2", ... that takes it), once the shortcut was made.
  void WriteUninstallInfo(const std::string& key) override;

  // File name of the shortcut; ".URL" makes an internet shortcut. Outside
  // loading, any other extension but ".LNK" is replaced.
  const std::string& LinkName() const { return linkName_; }
  void SetLinkName(const std::string& value);
  // The install object the shortcut points at; setting it names the
  // shortcut after it and points ObjectLocationType at psObjectLink.
  TInstallContainer* ObjectLink() const { return objectLink_; }
  TInstallContainer* LinkedObject() const override { return objectLink_; }
  void SetObjectLink(TInstallContainer* value);
  // Target path or web address when there is no ObjectLink.
  const std::string& ObjectLocation() const { return objectLocation_; }
  void SetObjectLocation(const std::string& value);
  // The prefix of ObjectLocation; validated for this shortcut first.
  TCustomPathSpecifier* ObjectLocationType() const { return objectLocationType_; }
  void SetObjectLocationType(TCustomPathSpecifier* value);

  // The folder the shortcut goes into, and the shortcut's file there.
  std::string LinkFile();
  // What the shortcut starts: the specifier's path for this shortcut
  // followed by ObjectLocation, or ObjectLocation alone without one
  // trailing backslash.
  std::string Target();
  // Whether the last run made the shortcut.
  bool Made() const { return made_; }

  // Arguments; meta variables are expanded.
  std::string Parameters;
  // Empty: the target's directory.
  std::string WorkingDir;
  // Empty: the target's own icon.
  std::string IconFilePath;
  int32_t IconIndex = 0;
  // Virtual key in the low byte, modifier flags in the high byte.
  uint16_t HotKey = 0;
  TMethodType Method = TMethodType::mtAutoDetect;

 protected:
  // The install step: checks, then the kind the name and Method choose.
  void ProcessContents() override;
  void ReleaseOnDestroy() override;

 private:
  void WriteShellLinkFile();
  void WriteProgramManagerItem();
  void WriteInternetShortcut();
  // Makes the folder with every missing parent, or raises.
  void CreateFolder(const std::string& folder);
  // Whether the shortcut goes into a program group of the Start menu.
  bool InProgramGroup() const;

  std::string linkName_;
  TInstallContainer* objectLink_ = nullptr;
  std::string objectLocation_;
  TCustomPathSpecifier* objectLocationType_ = nullptr;
  bool made_ = false;
};

class TInstallShellLink : public TCustomInstallShellLink {
  BRIM_CLASS(TInstallShellLink)

 public:
  explicit TInstallShellLink(TComponent* owner) : TCustomInstallShellLink(owner) {}
};

// A shortcut in the main program folder: its container is always the
// TMainLinkGroup and its place psContainerDestDir.
class TInstallMainLink : public TCustomInstallShellLink {
  BRIM_CLASS(TInstallMainLink)

 public:
  // Without a TMainLinkGroup raises IEInstallShellLink.
  explicit TInstallMainLink(TComponent* owner);
  ~TInstallMainLink() override;
  // Any container but the main program folder is refused.
  void SetContainer(TInstallContainer* value) override;
  // Any specifier given is taken as psContainerDestDir.
  void SetDestDirType(TCustomPathSpecifier* value) override;

 protected:
  void ReleaseOnDestroy() override;
  // Leaving the folder as it goes keeps the place as it is.
  void ContainerChanged(TInstallContainer* container) override;
};

// The installed place of a shortcut's ObjectLink.
class TpsObjectLink : public TStandardPathSpecifier {
  BRIM_CLASS(TpsObjectLink)

 public:
  explicit TpsObjectLink(TComponent* owner) : TStandardPathSpecifier(owner, Texts()) {}
  static const TStandardSpecifierTexts& Texts();
  // Only a shortcut with an ObjectLink may use it.
  void Validate(TComponent* component) const override;

 protected:
  // An install file's full destination name; any other object's
  // destination path.
  std::string ExpandPath(TComponent* component) const override;
};

// The shortcuts of the process, in creation order.
class TShellLinkList {
 public:
  // A missing object raises IEShellLinkList.
  void Add(TCustomInstallShellLink* link);
  void Remove(TCustomInstallShellLink* link);
  int Count() const { return static_cast<int>(items_.size()); }
  TCustomInstallShellLink* Items(int i) const { return items_.at(i); }

 private:
  std::vector<TCustomInstallShellLink*> items_;
};

// Every shortcut, and every main link, of the process.
TShellLinkList& ShellLinks();
TShellLinkList& MainLinks();
// The process's main program folder, or null.
TMainLinkGroup* MainLinkGroup();

}  // namespace brim
