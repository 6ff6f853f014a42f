// Every class a definition or a dialog form may name is registered, and
// the ones a stream creates can be created and saved on their own.
#include <gtest/gtest.h>

#include <memory>

#include "engine/InstallDefinition.h"
#include "engine/TInstalator.h"
#include "paths/cmp_TPathSpecifier.h"
#include "objects/ClassRegistry.h"
#include "objects/FormLoader.h"
#include "objects/TextForm.h"

namespace brim::test {
namespace {

const char* kStreamedClasses[] = {
    "TInstall", "TInstallGroup", "TInstallDirectory", "TInstallFile", "TInstallFont",
    "TUninstallEXE", "TInstallRegistry", "TInstallShellLink", "TInstallMainLink",
    "TMainLinkGroup", "TDialogManager", "TLicenseDlg", "TSelectFolderDlg",
    "TGoodInstallationDlg", "TBadInstallationDlg", "TCopyFileDlg", "TInstallStatusDlg",
    "TTranslator", "TCustomNetInstallLocation", "TpsBDEDLL", "TpsCommonFiles",
    "TpsContainerArchiveFile", "TpsContainerDestDir", "TpsDesktopMenu", "TpsInstallSource",
    "TpsMainInstall", "TpsMainArchiveFile", "TpsProgramFiles", "TpsProgramMenu", "TpsStartMenu",
    "TpsStartupMenu", "TpsSystem", "TpsWindow", "TpsObjectLink", "TpsFileContainer",
    "TPathSpecifier", "TInstalator", "TBackdrop", "TRotate3DLabel", "TForm", "TPanel", "TLabel",
    "TButton", "TBitBtn", "TImage", "TBevel", "TProgressBar", "TListBox", "TEdit", "TMemo",
    "TRichEdit", "TGroupBox", "TTranslateLabel", "TTranslateBitBtn", "TVersionResource"};

TEST(ClassVocabulary, EveryStreamedClassIsRegisteredAndCreatable) {
  RegisterStreamClasses();
  for (const char* name : kStreamedClasses) {
    const TClassInfo* cls = FindClass(name);
    ASSERT_NE(cls, nullptr) << name << " is not registered";
    EXPECT_EQ(cls->ClassName, name);
    EXPECT_TRUE(static_cast<bool>(cls->CreateComponent)) << name << " cannot be created from a stream";
  }
  for (const char* nested : {"TRegistryEntry", "TLanguage", "TInstallGroupDialogOptions",
                             "TBuildInfo", "TInstallInformation", "TLabelStyle", "TVersionInfo"})
    EXPECT_NE(FindClass(nested), nullptr) << nested;
  EXPECT_EQ(FindClass("tinstallfile"), FindClass("TInstallFile")) << "class names ignore case";
}

// Each creatable component, alone on the main form after the standard
// path specifiers (as a definition declares them), saves and loads back to
// the same text: its constructor, declared defaults and metadata agree.
// The first form goes before the second is read: a program holds one
// installation component (and one program folder).
TEST(ClassVocabulary, EachComponentAloneRoundTrips) {
  RegisterStreamClasses();
  std::string specifiers;
  for (const TClassInfo* c : StandardPathSpecifierClasses())
    specifiers += "  object " + c->ClassName.substr(1) + ": " + c->ClassName + "\n  end\n";
  for (const char* name : kStreamedClasses) {
    if (std::string(name) == "TInstalator") continue;
    // A main link needs the program folder it lives in.
    const std::string folder = std::string(name) == "TInstallMainLink"
                                   ? "  object MainLinkGroup1: TMainLinkGroup\n  end\n"
                                   : "";
    std::string text = "object Instalator: TInstalator\n" + specifiers + folder + "  object X: " +
                       name + "\n  end\nend\n";
    std::unique_ptr<TComponent> first;
    try {
      first.reset(CreateForm(ParseTextForm(text)));
    } catch (const Exception& e) {
      ADD_FAILURE() << name << ": " << e.Message();
      continue;
    }
    std::string saved = PrintTextForm(SaveForm(*first));
    first.reset();
    std::unique_ptr<TComponent> second(CreateForm(ParseTextForm(saved)));
    EXPECT_EQ(PrintTextForm(SaveForm(*second)), saved) << name;
  }
}

}  // namespace
}  // namespace brim::test
