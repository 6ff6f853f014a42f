// Path specifiers: components that stand for a directory of the target
// machine (the program files folder, the main installation directory, the
// archive of a container, ...). Install objects name one as their
// DestDirType or ArchiveFileType and add a relative part to it. This unit
// holds the classes and what they carry in a definition; each standard
// class has a fixed component name ("psProgramFiles") and fixed texts.
#pragma once

#include <string>
#include <vector>

#include "objects/TComponent.h"

namespace brim {

BRIM_IEXCEPTION_CLASS(IEPathSpecifier, IException);
BRIM_IEXCEPTION_CLASS(IEPathSpecifierList, IException);
BRIM_IEXCEPTION_CLASS(IEPathSpecifierClassList, IException);

class TFileContainer;

// Asked by a specifier for the path of a component; the handler fills Path.
using TGetPathEvent = TEvent<void(TComponent* Sender, std::string& Path)>;

class TCustomPathSpecifier : public TComponent {
  BRIM_CLASS(TCustomPathSpecifier)

 public:
  explicit TCustomPathSpecifier(TComponent* owner) : TComponent(owner) {}

  // A long text for the specifier ("Unspecified" for the base).
  virtual std::string GetDescription() const;
  // A short text; the base uses the description.
  virtual std::string GetShortName() const { return GetDescription(); }

  TGetPathEvent OnGetPath;
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
class TStandardPathSpecifier : public TCustomPathSpecifier {
  BRIM_CLASS(TStandardPathSpecifier)

 public:
  TStandardPathSpecifier(TComponent* owner, const TStandardSpecifierTexts& texts)
      : TCustomPathSpecifier(owner), texts_(texts) {}

  // The name an automatically created instance receives, e.g. "psProgramFiles".
  std::string StandardName() const { return texts_.StandardName; }
  std::string GetDescription() const override { return texts_.Description; }
  std::string GetShortName() const override { return texts_.ShortName; }

 private:
  const TStandardSpecifierTexts& texts_;
};

#define BRIM_STANDARD_PATH_SPECIFIER(Name)                                   \
  class Name : public TStandardPathSpecifier {                              \
    BRIM_CLASS(Name)                                                        \
                                                                            \
   public:                                                                  \
    explicit Name(TComponent* owner) : TStandardPathSpecifier(owner, Texts()) {} \
    static const TStandardSpecifierTexts& Texts();                          \
  }

BRIM_STANDARD_PATH_SPECIFIER(TpsBDEDLL);
BRIM_STANDARD_PATH_SPECIFIER(TpsCommonFiles);
BRIM_STANDARD_PATH_SPECIFIER(TpsContainerArchiveFile);
BRIM_STANDARD_PATH_SPECIFIER(TpsContainerDestDir);
BRIM_STANDARD_PATH_SPECIFIER(TpsDesktopMenu);
BRIM_STANDARD_PATH_SPECIFIER(TpsInstallSource);
BRIM_STANDARD_PATH_SPECIFIER(TpsMainInstall);
BRIM_STANDARD_PATH_SPECIFIER(TpsProgramFiles);
BRIM_STANDARD_PATH_SPECIFIER(TpsProgramMenu);
BRIM_STANDARD_PATH_SPECIFIER(TpsStartMenu);
BRIM_STANDARD_PATH_SPECIFIER(TpsStartupMenu);
BRIM_STANDARD_PATH_SPECIFIER(TpsSystem);
BRIM_STANDARD_PATH_SPECIFIER(TpsWindow);

// The archive holding most or all non-internet files of the installation.
class TpsMainArchiveFile : public TStandardPathSpecifier {
  BRIM_CLASS(TpsMainArchiveFile)

 public:
  explicit TpsMainArchiveFile(TComponent* owner) : TStandardPathSpecifier(owner, Texts()) {}
  static const TStandardSpecifierTexts& Texts();

  // Where the user said the disks are, once a disk was looked for
  // elsewhere; empty until then.
  std::string DiskDirectory;
};

// The destination directory of one file container.
class TpsFileContainer : public TCustomPathSpecifier {
  BRIM_CLASS(TpsFileContainer)

 public:
  explicit TpsFileContainer(TComponent* owner) : TCustomPathSpecifier(owner) {}

  TFileContainer* FileContainer = nullptr;
};

// The standard specifier classes in the order in which missing instances
// are created.
const std::vector<const TClassInfo*>& StandardPathSpecifierClasses();

}  // namespace brim
