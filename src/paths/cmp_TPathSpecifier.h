// Path specifiers: components that stand for a directory of the target
// machine (the program files folder, the main installation directory, the
// archive of a container, ...). Install objects name one as their
// DestDirType or ArchiveFileType and add a relative part to it; the
// specifier expands to a concrete directory each time it is asked, on the
// user's machine. Each standard class has a fixed component name
// ("psProgramFiles") and fixed texts. The install session keeps three
// lists of the unit: every specifier, every standard specifier, and the standard
// classes in the order in which missing instances are created.
#pragma once

#include <string>
#include <vector>

#include "objects/TComponent.h"

namespace brim {

BRIM_IEXCEPTION_CLASS(IEPathSpecifier, IException);
BRIM_IEXCEPTION_CLASS(IEPathSpecifierList, IException);
BRIM_IEXCEPTION_CLASS(IEPathSpecifierClassList, IException);

class TFileContainer;
class TInstallContainer;

// Asked by a specifier for the path of a component; the handler fills Path.
using TGetPathEvent = TEvent<void(TComponent* Sender, std::string& Path)>;

class TCustomPathSpecifier : public TComponent {
  BRIM_CLASS(TCustomPathSpecifier)

 public:
  explicit TCustomPathSpecifier(TComponent* owner);
  ~TCustomPathSpecifier() override;
  void BeforeDestruction() override;

  // Fails when the specifier cannot be used for the component; the base
  // accepts every component.
  virtual void Validate(TComponent* component) const {}
  // A long text for the specifier ("Unspecified" for the base).
  virtual std::string GetDescription() const;
  // The long text for one component.
  virtual std::string GetDescriptionFor(TComponent* component) const { return GetDescription(); }
  // The expanded directory for the component, without a trailing
  // backslash. The base asks OnGetPath, starting from an empty path.
  virtual std::string GetPath(TComponent* component) const;
  // The install object whose destination path GetPath(component) is built
  // on, or null: what a definition's places must not lead back from.
  virtual TInstallContainer* PathSource(TComponent* component) const { return nullptr; }
  // A short text; the base uses the description.
  virtual std::string GetShortName() const { return GetDescription(); }
  virtual std::string GetShortDescriptionFor(TComponent* component) const {
    return GetDescriptionFor(component);
  }

  TGetPathEvent OnGetPath;

 private:
  void LeaveLists();
};

// A specifier defined by the author: its path comes from OnGetPath.
class TPathSpecifier : public TCustomPathSpecifier {
  BRIM_CLASS(TPathSpecifier)

 public:
  explicit TPathSpecifier(TComponent* owner) : TCustomPathSpecifier(owner) {}
  std::string GetDescription() const override { return Description; }

  std::string Description = "My cool new path specifier";
};

// The fixed texts of a built-in specifier class.
struct TStandardSpecifierTexts {
  const char* StandardName;  // the component name of its automatic instance
  const char* Description;
  const char* ShortName;
};

// Base of the built-in specifiers; each class carries its fixed texts.
// Every expansion first validates the component.
class TStandardPathSpecifier : public TCustomPathSpecifier {
  BRIM_CLASS(TStandardPathSpecifier)

 public:
  TStandardPathSpecifier(TComponent* owner, const TStandardSpecifierTexts& texts);

  // The name an automatically created instance receives, e.g. "psProgramFiles".
  std::string StandardName() const { return texts_.StandardName; }
  std::string GetDescription() const override { return texts_.Description; }
  std::string GetShortName() const override { return texts_.ShortName; }
  std::string GetPath(TComponent* component) const override;

  // A streamed specifier that meets the one of its class made for the
  // first container under its name takes over: the other is renamed
  // "nameClash" and a number, and once loaded the references to it move
  // to this one and it is freed.
  void SetName(const std::string& name) override;
  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;

 protected:
  // The directory itself, once the component is validated.
  virtual std::string ExpandPath(TComponent* component) const { return ""; }

 private:
  const TStandardSpecifierTexts& texts_;
  TStandardPathSpecifier* replaces_ = nullptr;
};

// The members every standard class declares: its texts and its expansion.
#define BRIM_STANDARD_PATH_SPECIFIER_MEMBERS(Name)                                \
  BRIM_CLASS(Name)                                                                \
                                                                                  \
 public:                                                                          \
  explicit Name(TComponent* owner) : TStandardPathSpecifier(owner, Texts()) {}    \
  static const TStandardSpecifierTexts& Texts();                                  \
                                                                                  \
 protected:                                                                       \
  std::string ExpandPath(TComponent* component) const override;                   \
                                                                                  \
 public:

// A standard specifier that accepts every component.
#define BRIM_STANDARD_PATH_SPECIFIER(Name)          \
  class Name : public TStandardPathSpecifier {      \
    BRIM_STANDARD_PATH_SPECIFIER_MEMBERS(Name)      \
  }

// A standard specifier with rules about the components it serves.
#define BRIM_VALIDATING_PATH_SPECIFIER(Name)                  \
  class Name : public TStandardPathSpecifier {                \
    BRIM_STANDARD_PATH_SPECIFIER_MEMBERS(Name)                \
    void Validate(TComponent* component) const override;      \
  }

// The first directory of the Borland Database Engine's DLL path.
BRIM_STANDARD_PATH_SPECIFIER(TpsBDEDLL);
BRIM_STANDARD_PATH_SPECIFIER(TpsCommonFiles);
BRIM_STANDARD_PATH_SPECIFIER(TpsDesktopMenu);
BRIM_STANDARD_PATH_SPECIFIER(TpsProgramFiles);
BRIM_STANDARD_PATH_SPECIFIER(TpsProgramMenu);
BRIM_STANDARD_PATH_SPECIFIER(TpsStartMenu);
BRIM_STANDARD_PATH_SPECIFIER(TpsStartupMenu);
BRIM_STANDARD_PATH_SPECIFIER(TpsSystem);
BRIM_STANDARD_PATH_SPECIFIER(TpsWindow);

// The archive file of the component's container.
BRIM_VALIDATING_PATH_SPECIFIER(TpsContainerArchiveFile);

// The destination directory of the component's container.
class TpsContainerDestDir : public TStandardPathSpecifier {
  BRIM_STANDARD_PATH_SPECIFIER_MEMBERS(TpsContainerDestDir)
  void Validate(TComponent* component) const override;
  TInstallContainer* PathSource(TComponent* component) const override;
  // Names the container: the main installation directory, a group or a
  // directory by its description, anything else by its name.
  std::string GetDescriptionFor(TComponent* component) const override;
  std::string GetShortDescriptionFor(TComponent* component) const override;
};

// The directory from which the user ran the setup.
BRIM_VALIDATING_PATH_SPECIFIER(TpsInstallSource);

// The destination directory of the installation component.
BRIM_VALIDATING_PATH_SPECIFIER(TpsMainInstall);

// The archive holding most or all non-internet files of the installation:
// the self-extracting setup itself (switch e), or "files.1" where the
// disks are.
class TpsMainArchiveFile : public TStandardPathSpecifier {
  BRIM_STANDARD_PATH_SPECIFIER_MEMBERS(TpsMainArchiveFile)
  void Validate(TComponent* component) const override;

  // Where the user said the disks are, once a disk was looked for
  // elsewhere; empty until then.
  std::string DiskDirectory;
};

// The destination directory of one file container. Each file container
// makes one when it is created; one read from a definition takes the
// place of the one the container made.
class TpsFileContainer : public TCustomPathSpecifier {
  BRIM_CLASS(TpsFileContainer)

 public:
  explicit TpsFileContainer(TComponent* owner) : TCustomPathSpecifier(owner) {}
  void BeforeDestruction() override;
  void Loaded() override;
  // A name taken by another component of the owner goes to this one; the
  // other is renamed "nameClash" and a number.
  void SetName(const std::string& name) override;

  // File containers, groups and files may not use it.
  void Validate(TComponent* component) const override;
  TInstallContainer* PathSource(TComponent* component) const override;
  std::string GetDescription() const override;
  std::string GetShortName() const override;
  std::string GetPath(TComponent* component) const override;

  TFileContainer* FileContainer = nullptr;
};

// Every path specifier of the process.
class TPathSpecifierList {
 public:
  void Add(TCustomPathSpecifier* specifier);
  void Remove(TCustomPathSpecifier* specifier);
  int Count() const { return static_cast<int>(items_.size()); }
  TCustomPathSpecifier* Items(int i) const { return items_.at(i); }
  // The first instance of the class or of a descendant, or null.
  TCustomPathSpecifier* FindInstanceOf(const TClassInfo& cls) const;

 private:
  std::vector<TCustomPathSpecifier*> items_;
};

// Every standard path specifier of the process.
class TStandardPathSpecList : public TPathSpecifierList {};

// The standard classes, in the order in which missing instances are created.
class TPathSpecifierClassList {
 public:
  void Add(const TClassInfo* cls);
  int Count() const { return static_cast<int>(classes_.size()); }
  const TClassInfo* Items(int i) const { return classes_.at(i); }
  const std::vector<const TClassInfo*>& Classes() const { return classes_; }

 private:
  std::vector<const TClassInfo*> classes_;
};

TPathSpecifierList& PathSpecifiers();
TStandardPathSpecList& StandardPathSpecifiers();
TPathSpecifierClassList& PathSpecifierClasses();

// The standard classes in the order in which missing instances are created.
const std::vector<const TClassInfo*>& StandardPathSpecifierClasses();

// The first standard instance of the class (or of a descendant); none
// raises IEPathSpecifier "Could not find the path specifier".
TStandardPathSpecifier* FindStandardPathSpecifier(const TClassInfo& cls);
template <class T>
T* StandardPathSpecifier() {
  return static_cast<T*>(FindStandardPathSpecifier(T::StaticClass()));
}

// The standard instance of the class; when there is none, one is created
// for the owner (or, without one, kept by this unit until the program
// ends) and named after its class.
TStandardPathSpecifier* ObtainStandardPathSpecifier(const TClassInfo& cls, TComponent* owner);

// Makes sure one instance of every standard class exists: each missing one
// is created with the owner and named after its class ("psProgramFiles").
// Nothing happens without an owner.
void EnsureStandardSpecifiers(TComponent* owner);

}  // namespace brim
