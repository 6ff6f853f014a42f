#include "dialogs/StandardDialogForms.h"

#include "dialogs/ordlg_TBadInstallForm.h"
#include "dialogs/ordlg_TCopyFileForm.h"
#include "dialogs/ordlg_TGoodInstallForm.h"
#include "dialogs/ordlg_TLicenseForm.h"
#include "dialogs/ordlg_TReadmeForm.h"
#include "dialogs/ordlg_TSelectDestinationForm.h"
#include "dialogs/ordlg_TSelectFolderForm.h"
#include "dialogs/ordlg_TWelcomeForm.h"

namespace brim {

void RegisterStandardDialogForms() {
  static bool done = false;
  if (done) return;
  done = true;
  // The form modules.
  RegisterPageForm(DialogFormClassOf<TWelcomeForm>(), nullptr);
  TBIFEntry* licence = RegisterPageForm(DialogFormClassOf<TLicenseForm>(), nullptr);
  TBIFEntry* readme = RegisterPageForm(DialogFormClassOf<TReadmeForm>(), nullptr);
  RegisterPageForm(DialogFormClassOf<TSelectDestinationForm>(), nullptr);
  TBIFEntry* folder = RegisterPageForm(DialogFormClassOf<TSelectFolderForm>(), nullptr);
  TBIFEntry* good = RegisterPageForm(DialogFormClassOf<TGoodInstallForm>(), nullptr);
  TBIFEntry* bad = RegisterPageForm(DialogFormClassOf<TBadInstallForm>(), nullptr);
  TDCFEntry* copy = RegisterProgressForm(DialogFormClassOf<TCopyFileForm>(), nullptr);
  // The dialog component modules: the licence, readme, program folder,
  // good and bad installation dialogs and the copy dialog drive their forms.
  UnregisterPageForm(licence);
  UnregisterPageForm(readme);
  UnregisterPageForm(folder);
  UnregisterPageForm(good);
  UnregisterPageForm(bad);
  UnregisterProgressForm(copy);
}

}  // namespace brim
