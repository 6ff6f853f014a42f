// TSelectDestinationForm: the wizard page where the user chooses the
// installation's main directory. It writes the installation directly:
// every edit is live, and Back or Cancel does not undo it. Browse opens the
// folder browser on the current destination, which is made for the browser
// if it does not exist and removed again afterwards when still empty.
#pragma once

#include "dialogs/ordlg_TBaseInstallForm.h"

namespace brim {

class TEdit;
class TGroupBox;

class TSelectDestinationForm : public TBaseInstallForm {
  BRIM_CLASS(TSelectDestinationForm)

 public:
  static constexpr const char* ResourceName = "TSELECTDESTINATIONFORM";
  explicit TSelectDestinationForm(TComponent* owner);

  void PrepareForShow() override;
  void FormCreated() override;

  // The Browse button's action.
  void BrowseClick();

 private:
  void ShowDestination(const std::string& path);
  void DestDirChanged();

  TEdit* edDestDir_ = nullptr;
  TGroupBox* gbDirectory_ = nullptr;
  // Set while the page itself writes the edit box.
  bool updating_ = false;
};

}  // namespace brim
