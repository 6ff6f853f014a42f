#include "dialogs/ordlg_TSelectDestinationForm.h"

#include <optional>

#include "common/routines_Strings.h"
#include "components/cmp_TVersion.h"
#include "dialogs/cmp_TOpenFolderDialog.h"
#include "platform/Platform.h"
#include "session/InstallSession.h"
#include "widgets/StdCtrls.h"

namespace brim {

const TClassInfo& TSelectDestinationForm::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TSelectDestinationForm>("TSelectDestinationForm", &TBaseInstallForm::StaticClass())
          .Creatable()
          .Build();
  return info;
}

TSelectDestinationForm::TSelectDestinationForm(TComponent* owner)
    : TBaseInstallForm(owner, TManagerType::dmBeforeInstall) {
  Order = 45;
  Container = dynamic_cast<TInstallContainer*>(CurrentInstallation());
  AddHandler<void(TComponent*)>("BrowseBtnClick", [this](TComponent*) { BrowseClick(); });
  AddHandler<void(TComponent*)>("edDestDirChange", [this](TComponent*) { DestDirChanged(); });
}

void TSelectDestinationForm::FormCreated() {
  TBaseInstallForm::FormCreated();
  edDestDir_ = Control<TEdit>("edDestDir");
  gbDirectory_ = Control<TGroupBox>("gbDirectory");
}

void TSelectDestinationForm::ShowDestination(const std::string& path) {
  if (!edDestDir_) return;
  updating_ = true;
  edDestDir_->SetText(path);
  updating_ = false;
}

void TSelectDestinationForm::PrepareForShow() {
  PrepareStandardPage(*this);
  std::string path = Container ? Container->DestinationPath() : std::string();
  if (gbDirectory_) gbDirectory_->Visible = !path.empty();
  ShowDestination(path);
}

void TSelectDestinationForm::DestDirChanged() {
  TInstallContainer* install = Container;
  if (updating_ || !install || !edDestDir_) return;
  // From here on the typed text is the absolute destination.
  install->SetDestDirType(nullptr);
  install->SetDestDir(edDestDir_->Text());
}

void TSelectDestinationForm::BrowseClick() {
  TInstallContainer* install = Container;
  if (!install) return;
  std::string path = install->DestinationPath();
  std::optional<uint32_t> attributes = PlatformFiles().GetAttributes(path);
  const bool existed = !Trim(path).empty() && attributes && (*attributes & attrDirectory);
  // The browser can only preselect a folder that exists.
  if (!existed) CreateDirectoryPath(path);
  // Only the last level, and only when nothing was put in it; also when
  // the browser fails, so that a refused Browse leaves no folder behind.
  auto removeMade = [&] {
    if (!existed && !Trim(path).empty()) PlatformFiles().RemoveDirectory(path);
  };
  try {
    TOpenFolderDialog browser(nullptr);
    browser.Directory = path;
    if (browser.Execute()) {
      install->SetDestDirType(nullptr);
      install->SetDestDir(RemoveTrailingBackslash(browser.Directory));
      ShowDestination(install->DestDir());
    }
  } catch (...) {
    removeMade();
    throw;
  }
  removeMade();
}

}  // namespace brim
