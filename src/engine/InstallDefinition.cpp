#include "engine/InstallDefinition.h"

#include "components/cmp_TInstallContainer.h"
#include "components/cmp_TInstallFont.h"
#include "components/cmp_TUninstallEXE.h"
#include "components/cmp_TVersion.h"
#include "decoration/cmp_Rotate3DLabel.h"
#include "decoration/cmp_TBackDrop.h"
#include "dialogs/dlgcmp_TBadInstallationDlg.h"
#include "dialogs/dlgcmp_TBaseContainer.h"
#include "dialogs/dlgcmp_TBaseDlg.h"
#include "dialogs/dlgcmp_TCopyFileDlg.h"
#include "dialogs/dlgcmp_TGoodInstallationDlg.h"
#include "dialogs/dlgcmp_TInstallStatusDlg.h"
#include "dialogs/dlgcmp_TLicenseDlg.h"
#include "dialogs/dlgcmp_TSelectFolderDlg.h"
#include "dialogs/ordlg_TSelectDestinationForm.h"
#include "engine/TInstalator.h"
#include "engine/cmp_TInstall.h"
#include "engine/cmp_TInstallInformation.h"
#include "engine/cmp_TInstallRegistry.h"
#include "netlocation/cmp_TNetInstallLocation.h"
#include "objects/ClassRegistry.h"
#include "objects/FormValue.h"
#include "objects/TCollection.h"
#include "objects/TGraphics.h"
#include "objects/TStrings.h"
#include "paths/cmp_TPathSpecifier.h"
#include "platform/Platform.h"
#include "shortcuts/cmp_TInstallShellLink.h"
#include "translation/cmp_TTranslateControls.h"
#include "translation/cmp_TTranslator.h"
#include "widgets/Buttons.h"
#include "widgets/ComCtrls.h"
#include "widgets/Controls.h"
#include "widgets/ExtCtrls.h"
#include "widgets/Forms.h"
#include "widgets/StdCtrls.h"

namespace brim {

void RegisterInstallVocabulary() {
  static bool done = false;
  if (done) return;
  done = true;
  // Wide and UTF-8 strings of a definition arrive in the system's ANSI code
  // page, as the system itself would convert them.
  SetAnsiConversion([](const std::u16string& text) {
    return PlatformSystem().AnsiFromWide(text).value_or(std::string(text.size(), '?'));
  });
  const TClassInfo* classes[] = {
      // The component model.
      &TPersistent::StaticClass(), &TComponent::StaticClass(), &TStrings::StaticClass(),
      &TStringList::StaticClass(), &TCollection::StaticClass(), &TCollectionItem::StaticClass(),
      &TGraphic::StaticClass(), &TBitmap::StaticClass(), &TIcon::StaticClass(),
      &TPicture::StaticClass(), &TFont::StaticClass(),
      // The installation and its registry keys.
      &TCustomInstall::StaticClass(), &TInstall::StaticClass(), &TBuildInfo::StaticClass(),
      &TInstallInformation::StaticClass(), &TCustomInstallRegistry::StaticClass(),
      &TInstallRegistry::StaticClass(), &TRegistryEntries::StaticClass(),
      &TRegistryEntry::StaticClass(),
      // The install tree, files, fonts and the uninstaller.
      &TInstallContainer::StaticClass(), &TInstallObject::StaticClass(),
      &TFileRelated::StaticClass(), &TFileContainer::StaticClass(),
      &TInstallDirectory::StaticClass(), &TCustomInstallGroup::StaticClass(),
      &TInstallGroup::StaticClass(), &TInstallGroupDialogOptions::StaticClass(),
      &TCustomInstallFile::StaticClass(), &TInstallFile::StaticClass(),
      &TInstallFont::StaticClass(), &TUninstallEXE::StaticClass(),
      &TVersionResource::StaticClass(), &TVersionInfo::StaticClass(),
      // Path specifiers.
      &TCustomPathSpecifier::StaticClass(), &TPathSpecifier::StaticClass(),
      &TStandardPathSpecifier::StaticClass(), &TpsBDEDLL::StaticClass(),
      &TpsCommonFiles::StaticClass(), &TpsContainerArchiveFile::StaticClass(),
      &TpsContainerDestDir::StaticClass(), &TpsDesktopMenu::StaticClass(),
      &TpsInstallSource::StaticClass(), &TpsMainInstall::StaticClass(),
      &TpsMainArchiveFile::StaticClass(), &TpsProgramFiles::StaticClass(),
      &TpsProgramMenu::StaticClass(), &TpsStartMenu::StaticClass(),
      &TpsStartupMenu::StaticClass(), &TpsSystem::StaticClass(), &TpsWindow::StaticClass(),
      &TpsFileContainer::StaticClass(), &TpsObjectLink::StaticClass(),
      // Shortcuts and the program folder.
      &TCustomShellLinkGroup::StaticClass(), &TMainLinkGroup::StaticClass(),
      &TCustomInstallShellLink::StaticClass(), &TInstallShellLink::StaticClass(),
      &TInstallMainLink::StaticClass(),
      // Dialog managers and dialog components.
      &TDialogManager::StaticClass(), &TCustomBaseInstallDlg::StaticClass(),
      &TBaseInstallDlg::StaticClass(), &TLicenseDlg::StaticClass(),
      &TSelectFolderDlg::StaticClass(), &TGoodInstallationDlg::StaticClass(),
      &TBadInstallationDlg::StaticClass(), &TCopyFileDlg::StaticClass(),
      &TInstallStatusDlg::StaticClass(),
      // The wizard's pages.
      &TSelectDestinationForm::StaticClass(),
      // Translation.
      &TTranslator::StaticClass(), &TLanguage::StaticClass(),
      &TLangFormatStrings::StaticClass(),
      // Network install locations.
      &TCustomNetInstallLocation::StaticClass(), &TCustomLoginInformation::StaticClass(),
      &TLoginInformation::StaticClass(),
      // The controls the forms are made of.
      &TControl::StaticClass(), &TWinControl::StaticClass(), &TGraphicControl::StaticClass(),
      &TCustomControl::StaticClass(), &TCustomForm::StaticClass(), &TForm::StaticClass(),
      &TCustomLabel::StaticClass(), &TLabel::StaticClass(), &TButton::StaticClass(),
      &TCustomEdit::StaticClass(), &TEdit::StaticClass(), &TCustomMemo::StaticClass(),
      &TMemo::StaticClass(), &TListControl::StaticClass(), &TListBox::StaticClass(),
      &TComboBox::StaticClass(), &TGroupBox::StaticClass(), &TCheckBox::StaticClass(),
      &TRadioButton::StaticClass(), &TCustomPanel::StaticClass(), &TPanel::StaticClass(),
      &TImage::StaticClass(), &TBevel::StaticClass(), &TBitBtn::StaticClass(),
      &TSpeedButton::StaticClass(), &TProgressBar::StaticClass(), &TRichEdit::StaticClass(),
      &TTabControl::StaticClass(),
      // The main form and its decoration.
      &TInstalator::StaticClass(), &TBackdrop::StaticClass(), &TRotate3DLabel::StaticClass(),
      &TLabelStyle::StaticClass(),
      // Controls that carry a string identifier.
      &TTranslateLabel::StaticClass(), &TTranslateBitBtn::StaticClass(),
  };
  for (const TClassInfo* c : classes) RegisterClass(*c);
}

}  // namespace brim
