// Dialog managers and dialog components as a definition declares them.
#include <gtest/gtest.h>

#include "dialogs/dlgcmp_TBadInstallationDlg.h"
#include "dialogs/dlgcmp_TBaseContainer.h"
#include "dialogs/dlgcmp_TCopyFileDlg.h"
#include "dialogs/dlgcmp_TGoodInstallationDlg.h"
#include "dialogs/dlgcmp_TInstallStatusDlg.h"
#include "dialogs/dlgcmp_TLicenseDlg.h"
#include "dialogs/dlgcmp_TSelectFolderDlg.h"
#include "engine/DefinitionTestForm.h"
#include "objects/TextForm.h"

namespace brim::test {
namespace {

using Names = std::vector<std::string>;

TEST(LicenseDialog, KeepsAnEmptyLineOfTheAgreement) {
  auto form = LoadComponents(R"(
    object LicenseDlg1: TLicenseDlg
      LicenseAgreement.Strings = (
        'BRIMWELL DEMO LICENCE'
        ''
        'You may use this demo freely.')
    end)");
  auto* dlg = form->Find<TLicenseDlg>("LicenseDlg1");
  EXPECT_EQ(dlg->LicenseAgreement.Lines(),
            (Names{"BRIMWELL DEMO LICENCE", "", "You may use this demo freely."}));
  std::optional<TValue> saved = SavedValue(SavedProperties(*form, "LicenseDlg1"), "LicenseAgreement.Strings");
  ASSERT_TRUE(saved.has_value());
  ASSERT_EQ(saved->List.size(), 3u);
  EXPECT_EQ(saved->List[1].Str, "");
}

TEST(PageDialogs, EachStandardPageHasItsOrder) {
  auto form = LoadComponents(R"(
    object LicenseDlg1: TLicenseDlg
    end
    object SelectFolderDlg1: TSelectFolderDlg
    end
    object GoodInstallationDlg1: TGoodInstallationDlg
    end
    object BadInstallationDlg1: TBadInstallationDlg
    end)");
  EXPECT_EQ(form->Find<TLicenseDlg>("LicenseDlg1")->Order, 20);
  EXPECT_EQ(form->Find<TSelectFolderDlg>("SelectFolderDlg1")->Order, 60);
  EXPECT_EQ(form->Find<TGoodInstallationDlg>("GoodInstallationDlg1")->Order, 10);
  EXPECT_EQ(form->Find<TBadInstallationDlg>("BadInstallationDlg1")->Order, 10);
  // Order and OverrideMainTranslator have no declared default.
  EXPECT_EQ(SavedNames(*form, "LicenseDlg1"), (Names{"Order", "OverrideMainTranslator"}));
}

TEST(PageDialogs, SettingsLoadAndTheManagerResolvesLater) {
  auto form = LoadOnForm(R"(
    object LicenseDlg1: TLicenseDlg
      AutoSetFont = False
      Container = Install1
      DialogManager = BeforeInstallManager
      Order = 25
      OverrideMainTranslator = True
      TranslateIntoLanguage = qlGerman
    end
    object BeforeInstallManager: TDialogManager
      Container = Install1
    end
    object Install1: TInstall
    end)");
  auto* dlg = form->Find<TLicenseDlg>("LicenseDlg1");
  EXPECT_FALSE(dlg->AutoSetFont);
  EXPECT_TRUE(dlg->AutoTranslate);
  EXPECT_EQ(dlg->DialogManager, form->FindComponent("BeforeInstallManager"));
  EXPECT_EQ(dlg->Container(), form->FindComponent("Install1"));
  EXPECT_EQ(dlg->Order, 25);
  EXPECT_TRUE(dlg->OverrideMainTranslator);
  EXPECT_EQ(dlg->TranslateIntoLanguage, TQmbxLanguage::qlGerman);
  EXPECT_EQ(dlg->RegisteredType(), 9000);
}

TEST(PageDialogs, TheDialogManagerMustBeOne) {
  EXPECT_CONTAINS(LoadErrorOnForm(R"(
    object LicenseDlg1: TLicenseDlg
      DialogManager = Install1
    end
    object Install1: TInstall
    end)"),
                  "Install1 is a TInstall, not a TDialogManager");
}

TEST(PageDialogs, AFreedManagerIsForgotten) {
  auto form = LoadComponents(R"(
    object GoodInstallationDlg1: TGoodInstallationDlg
      DialogManager = GoodManager
    end
    object GoodManager: TDialogManager
      ManagerType = dmAfterGoodInstall
    end)");
  form->FindComponent("GoodManager")->Free();
  EXPECT_EQ(form->Find<TGoodInstallationDlg>("GoodInstallationDlg1")->DialogManager, nullptr);
}

TEST(SelectFolderDialog, ItsContainerMustBeAShellLinkGroup) {
  auto form = LoadComponents(R"(
    object SelectFolderDlg1: TSelectFolderDlg
      Container = MainLinkGroup1
    end
    object MainLinkGroup1: TMainLinkGroup
    end)");
  EXPECT_EQ(form->Find<TSelectFolderDlg>("SelectFolderDlg1")->Container(),
            form->FindComponent("MainLinkGroup1"));
  EXPECT_CONTAINS(LoadError(R"(
    object SelectFolderDlg1: TSelectFolderDlg
      Container = Dir1
    end
    object Dir1: TInstallDirectory
    end)"),
                  "Dir1 is a TInstallDirectory, not a TCustomShellLinkGroup");
}

TEST(DialogManager, DefaultsAreLeftOutAndThePhaseLoadsByName) {
  auto form = LoadComponents(R"(
    object M1: TDialogManager
    end
    object M2: TDialogManager
      Height = 400
      ManagerType = dmDuringCopyFiles
      Position = qdpTopRight
      RelativeLeftOffset = 12
    end)");
  auto* m1 = form->Find<TDialogManager>("M1");
  EXPECT_EQ(m1->Height, 395);
  EXPECT_EQ(m1->Width, 478);
  EXPECT_EQ(m1->ManagerType, TManagerType::dmBeforeInstall);
  EXPECT_EQ(m1->Position, TBrimwellDialogPosition::qdpCenter);
  EXPECT_EQ(SavedNames(*form, "M1"),
            (Names{"RelativeLeftOffset", "RelativeTopOffset"}));
  auto* m2 = form->Find<TDialogManager>("M2");
  EXPECT_EQ(m2->ManagerType, TManagerType::dmDuringCopyFiles);
  EXPECT_EQ(m2->Position, TBrimwellDialogPosition::qdpTopRight);
  EXPECT_EQ(m2->RelativeLeftOffset, 12);
  EXPECT_CONTAINS(LoadError("object M: TDialogManager\n ManagerType = dmAfterInstall\nend"),
                  "dmAfterInstall is not a value of TManagerType");
}

TEST(CopyFileDialog, ItsPlacementDefaultsAreLeftOut) {
  auto form = LoadComponents(R"(
    object CopyFileDlg1: TCopyFileDlg
    end
    object CopyFileDlg2: TCopyFileDlg
      Position = qdpBottomLeft
      RelativeTopOffset = 0
    end)");
  auto* dlg = form->Find<TCopyFileDlg>("CopyFileDlg1");
  EXPECT_EQ(dlg->Width, 474);
  EXPECT_EQ(dlg->Height, 146);
  EXPECT_EQ(dlg->Position, TBrimwellDialogPosition::qdpBottomCenter);
  EXPECT_EQ(dlg->RelativeTopOffset, 30);
  EXPECT_EQ(SavedNames(*form, "CopyFileDlg1"), (Names{"OverrideMainTranslator"}));
  EXPECT_EQ(SavedValue(SavedProperties(*form, "CopyFileDlg2"), "RelativeTopOffset")->Int, 0);
}

TEST(CopyFileDialog, HasNoOrderAndNoEvents) {
  EXPECT_CONTAINS(LoadError("object C: TCopyFileDlg\n Order = 3\nend"),
                  "TCopyFileDlg has no property Order");
  EXPECT_CONTAINS(LoadError("object C: TCopyFileDlg\n OnBeforeExecute = X\nend"),
                  "TCopyFileDlg has no property OnBeforeExecute");
}

TEST(StatusDialog, HasNoDialogManager) {
  auto form = LoadOnForm(R"(
    object InstallStatusDlg1: TInstallStatusDlg
      Container = Install1
      AutoTranslate = False
    end
    object Install1: TInstall
    end)");
  EXPECT_FALSE(form->Find<TInstallStatusDlg>("InstallStatusDlg1")->AutoTranslate);
  EXPECT_CONTAINS(LoadError("object S: TInstallStatusDlg\n DialogManager = S\nend"),
                  "TInstallStatusDlg has no property DialogManager");
}

TEST(DialogEvents, BindToNotifyHandlers) {
  int calls = 0;
  std::function<void(TComponent*)> note = [&](TComponent*) { ++calls; };
  auto form = LoadComponents(R"(
    object LicenseDlg1: TLicenseDlg
      OnAfterExecute = Note
      OnBeforeExecute = Note
    end)",
                             {{"Note", note}});
  auto* dlg = form->Find<TLicenseDlg>("LicenseDlg1");
  dlg->OnBeforeExecute(dlg);
  dlg->OnAfterExecute(dlg);
  EXPECT_EQ(calls, 2);
}

}  // namespace
}  // namespace brim::test
