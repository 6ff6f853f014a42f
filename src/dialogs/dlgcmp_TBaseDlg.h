// Dialog components: the settings an author chose for one installation
// dialog (its phase, order, side picture and translation). The component
// configures the dialog's form when the phase shows it, or runs the form
// on its own when it has no dialog manager.
#pragma once

#include "dialogs/dlgcmp_TBaseContainer.h"
#include "translation/cmp_TTranslator.h"

namespace brim {

using TDialogNotifyEvent = TEvent<void(TComponent* Sender)>;

class TCustomBaseInstallDlg : public TInstallObject {
  BRIM_CLASS(TCustomBaseInstallDlg)

 public:
  explicit TCustomBaseInstallDlg(TComponent* owner);
  int RegisteredType() const override { return rtDialog; }

  // Apply the language's font to the form.
  bool AutoSetFont = true;
  // Translate the form's texts.
  bool AutoTranslate = true;
  // The phase that shows the page.
  TDialogManager* DialogManager = nullptr;
  // Translate into TranslateIntoLanguage rather than the main translator's language.
  bool OverrideMainTranslator = false;
  // The picture in the page's left panel; empty: the installation's.
  TPicture ThemeBitmap;
  TQmbxLanguage TranslateIntoLanguage = TQmbxLanguage::qlUser;
  // The language the configured form's texts are in now.
  TQmbxLanguage TextLanguage = TQmbxLanguage::qlEnglish;

  TDialogNotifyEvent OnAfterExecute;
  TDialogNotifyEvent OnBeforeExecute;
};

class TBaseInstallDlg : public TCustomBaseInstallDlg {
  BRIM_CLASS(TBaseInstallDlg)

 public:
  explicit TBaseInstallDlg(TComponent* owner) : TCustomBaseInstallDlg(owner) {}
};

// Adds a dialog property or event by name with its declared default; the
// dialog classes publish different selections.
template <class T>
void PublishDialogProperty(TClassBuilder<T>& b, std::string_view name) {
  using D = TCustomBaseInstallDlg;
  if (name == "AutoSetFont") b.Boolean("AutoSetFont", Field(&D::AutoSetFont), true);
  else if (name == "AutoTranslate") b.Boolean("AutoTranslate", Field(&D::AutoTranslate), true);
  else if (name == "DialogManager")
    b.template Reference<TDialogManager>("DialogManager", Field(&D::DialogManager));
  else if (name == "OverrideMainTranslator")
    b.Boolean("OverrideMainTranslator", Field(&D::OverrideMainTranslator));
  else if (name == "ThemeBitmap") b.Object("ThemeBitmap", [](T& d) { return &d.ThemeBitmap; });
  else if (name == "TranslateIntoLanguage")
    b.Enumeration("TranslateIntoLanguage", Field(&D::TranslateIntoLanguage), QmbxLanguageInfo,
                  static_cast<int64_t>(TQmbxLanguage::qlUser));
  else if (name == "OnAfterExecute") b.Event("OnAfterExecute", &D::OnAfterExecute);
  else if (name == "OnBeforeExecute") b.Event("OnBeforeExecute", &D::OnBeforeExecute);
  else PublishInstallProperty(b, name);
}

template <class T>
void PublishDialogProperties(TClassBuilder<T>& b, std::initializer_list<std::string_view> names) {
  for (std::string_view n : names) PublishDialogProperty(b, n);
}

// What the page dialogs publish, in order.
#define BRIM_PAGE_DIALOG_PROPERTIES                                                      \
  "AutoSetFont", "AutoTranslate", "Container", "DialogManager", "Order",                 \
      "OverrideMainTranslator", "ThemeBitmap", "TranslateIntoLanguage", "OnAfterExecute", \
      "OnBeforeExecute"

}  // namespace brim
