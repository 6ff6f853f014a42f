#include "paths/cmp_TPathSpecifier.h"

#include "components/cmp_TInstallContainer.h"

namespace brim {

std::string TCustomPathSpecifier::GetDescription() const { return "Unspecified"; }

const TClassInfo& TCustomPathSpecifier::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TCustomPathSpecifier>("TCustomPathSpecifier", &TComponent::StaticClass()).Build();
  return info;
}

const TClassInfo& TPathSpecifier::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TPathSpecifier>("TPathSpecifier", &TCustomPathSpecifier::StaticClass())
          .Creatable()
          .String("Description", Field(&TPathSpecifier::Description), "My cool new path specifier")
          .Event("OnGetPath", &TCustomPathSpecifier::OnGetPath)
          .Build();
  return info;
}

const TClassInfo& TStandardPathSpecifier::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TStandardPathSpecifier>("TStandardPathSpecifier",
                                            &TCustomPathSpecifier::StaticClass())
          .Build();
  return info;
}

// Each built-in class: its texts and its (property-less) metadata.
#define BRIM_DEFINE_STANDARD_PATH_SPECIFIER(Name, StdName, Description, ShortName)          \
  const TStandardSpecifierTexts& Name::Texts() {                                             \
    static const TStandardSpecifierTexts texts{StdName, Description, ShortName};             \
    return texts;                                                                            \
  }                                                                                          \
  const TClassInfo& Name::StaticClass() {                                                    \
    static const TClassInfo info =                                                           \
        TClassBuilder<Name>(#Name, &TStandardPathSpecifier::StaticClass()).Creatable().Build(); \
    return info;                                                                             \
  }

BRIM_DEFINE_STANDARD_PATH_SPECIFIER(TpsBDEDLL, "psBDEDLL", "Borland Database Engine DLL Path",
                                    "BDE DLL")
BRIM_DEFINE_STANDARD_PATH_SPECIFIER(
    TpsCommonFiles, "psCommonFiles",
    "Path of the common files directory under the program files directory", "Common files")
BRIM_DEFINE_STANDARD_PATH_SPECIFIER(TpsContainerArchiveFile, "psContainerArchiveFile",
                                    "Path to the archive file of the container",
                                    "Container archive file")
BRIM_DEFINE_STANDARD_PATH_SPECIFIER(TpsContainerDestDir, "psContainerDestDir",
                                    "Path of the group (container)",
                                    "Path of the group (container)")
BRIM_DEFINE_STANDARD_PATH_SPECIFIER(TpsDesktopMenu, "psDesktopMenu", "Path of the Desktop", "Desktop")
BRIM_DEFINE_STANDARD_PATH_SPECIFIER(TpsInstallSource, "psInstallSource",
                                    "Path from which the user ran the install", "Install source")
BRIM_DEFINE_STANDARD_PATH_SPECIFIER(TpsMainInstall, "psMainInstall", "Main installation directory",
                                    "Main install dir")
BRIM_DEFINE_STANDARD_PATH_SPECIFIER(TpsMainArchiveFile, "psMainArchiveFile",
                                    "Archive containing most or all non-internet installation files",
                                    "Main archive")
BRIM_DEFINE_STANDARD_PATH_SPECIFIER(TpsProgramFiles, "psProgramFiles",
                                    "Path of the program files directory", "Program files")
BRIM_DEFINE_STANDARD_PATH_SPECIFIER(TpsProgramMenu, "psProgramMenu",
                                    "Path of the Programs folder under the Start Menu", "Program menu")
BRIM_DEFINE_STANDARD_PATH_SPECIFIER(TpsStartMenu, "psStartMenu", "Path of Start Menu", "Start menu")
BRIM_DEFINE_STANDARD_PATH_SPECIFIER(
    TpsStartupMenu, "psStartupMenu",
    "Path of the Startup folder in the Programs folder under the Start Menu", "Startup menu")
BRIM_DEFINE_STANDARD_PATH_SPECIFIER(TpsSystem, "psSystem", "Path of system directory", "System dir")
BRIM_DEFINE_STANDARD_PATH_SPECIFIER(TpsWindow, "psWindow", "Path of the Windows directory",
                                    "Windows dir")

const TClassInfo& TpsFileContainer::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TpsFileContainer>("TpsFileContainer", &TCustomPathSpecifier::StaticClass())
          .Creatable()
          .Reference<TFileContainer>("FileContainer", Field(&TpsFileContainer::FileContainer))
          .Build();
  return info;
}

const std::vector<const TClassInfo*>& StandardPathSpecifierClasses() {
  static const std::vector<const TClassInfo*> classes{
      &TpsBDEDLL::StaticClass(),          &TpsCommonFiles::StaticClass(),
      &TpsContainerArchiveFile::StaticClass(), &TpsContainerDestDir::StaticClass(),
      &TpsDesktopMenu::StaticClass(),     &TpsInstallSource::StaticClass(),
      &TpsMainInstall::StaticClass(),     &TpsProgramFiles::StaticClass(),
      &TpsProgramMenu::StaticClass(),     &TpsStartMenu::StaticClass(),
      &TpsStartupMenu::StaticClass(),     &TpsSystem::StaticClass(),
      &TpsMainArchiveFile::StaticClass(), &TpsWindow::StaticClass(),
  };
  return classes;
}

}  // namespace brim
