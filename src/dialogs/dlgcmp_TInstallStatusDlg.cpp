#include "dialogs/dlgcmp_TInstallStatusDlg.h"

#include <cmath>

#include "components/InstallParameters.h"
#include "dialogs/ordlg_TBaseInstallForm.h"
#include "dialogs/ordlg_TInstallStatusForm.h"
#include "platform/Canvas.h"

namespace brim {

namespace {

// The canvas font of a control's font (a negative height is the
// character's height without the internal leading, which the canvas takes
// as its cell height as well).
TCanvasFont CanvasFontOf(const TFont& font) {
  TCanvasFont f;
  f.Face = font.Name;
  f.Height = font.Height < 0 ? -font.Height : font.Height;
  f.Weight = font.Style.Contains(TFontStyle::fsBold) ? 700 : 400;
  return f;
}

// The size of one line of text in a font.
TCanvasSize MeasureText(const std::string& text, const TFont& font) {
  std::unique_ptr<ICanvas> canvas = CreateMemoryCanvas(1, 1);
  return canvas ? canvas->TextExtent(text, CanvasFontOf(font)) : TCanvasSize{};
}

int32_t Rounded(double value) { return static_cast<int32_t>(std::nearbyint(value)); }

}  // namespace

TInstallStatusDlg::~TInstallStatusDlg() {
  if (statusForm_) statusForm_->Free();
}

void TInstallStatusDlg::Notification(TComponent* component, TOperation operation) {
  if (operation == TOperation::opRemove && component == statusForm_) {
    statusForm_ = nullptr;
    if (Form == component) Form = nullptr;
  }
  TCustomBaseInstallDlg::Notification(component, operation);
}

const TDialogFormClass* TInstallStatusDlg::FormClass() const {
  return &DialogFormClassOf<TInstallStatusForm>();
}

void TInstallStatusDlg::HandleEvent(TInstallContainer* sender, int code, TPersistent* parameter) {
  if (!DialogManager && code == bcStatusMessage) {
    if (!parameter) throw IEInstallStatusDlg("%s got a nil PO parameter", Name());
    auto* message = dynamic_cast<TMessageParameter*>(parameter);
    if (!message)
      throw IEInstallStatusDlg("The PO object passed to %s is not a TMessageParameter object", Name());
    CurrentMessage = message->Message;
    Messages.Add(CurrentMessage);
    ShowCurrentMessage();
  } else if (!DialogManager && code == bcStatusMessageDone) {
    if (Messages.Count() > 0) Messages.Delete(Messages.Count() - 1);
    if (Messages.Count() > 0) {
      CurrentMessage = Messages.Strings(Messages.Count() - 1);
      ShowCurrentMessage();
    } else {
      if (statusForm_) statusForm_->Hide();
      Application().ProcessMessages();
    }
  }
  TCustomBaseInstallDlg::HandleEvent(sender, code, parameter);
}

void TInstallStatusDlg::Translate() {
  TCustomBaseInstallDlg::Translate();
  TextLanguage = TQmbxLanguage::qlEnglish;
}

void TInstallStatusDlg::ShowCurrentMessage() {
  if (!statusForm_) {
    statusForm_ = static_cast<TInstallStatusForm*>(FormClass()->Create(&Application()));
    statusForm_->FreeNotification(this);
    Form = statusForm_;
    AssignDialogProperties();
    // Designed screen-centred: the first showing sets the top for good.
    statusForm_->Top = Rounded(Application().Windows().ScreenMetrics().Height / 2.0 -
                               statusForm_->Height / 2.0);
  }
  TInstallStatusForm& form = *statusForm_;
  TLabel* label = form.lblMessage();
  TPanel* back = form.pnlBack();
  TPanel* panel = form.pnlMessage();
  if (!label) return;
  label->Align = TAlign::alNone;
  label->WordWrap = false;
  label->Caption = CurrentMessage;
  Translate();
  // The label takes the size of its one line of text.
  label->AutoSize = true;
  TCanvasSize size = MeasureText(label->Caption, label->Font());
  label->Width = size.Width;
  label->Height = size.Height;
  label->Top = Rounded(form.ClientHeight() / 2.0 - label->Height / 2.0);
  int32_t width = size.Width + (back ? back->Left : 0) + (panel ? panel->Left : 0) + label->Left + 25;
  int32_t left = Rounded(Application().Windows().ScreenMetrics().Width / 2.0 - width / 2.0);
  form.SetBounds(left, form.Top, width, form.Height);
  if (back) back->Width = width - back->Left;
  if (panel) panel->Width = width - (back ? back->Left : 0) - panel->Left;
  form.Show();
  // The front end takes the new texts and sizes first, so that the
  // repaint shows them, picture included.
  UserInterface().FormChanged(form);
  form.Repaint();
  Application().ProcessMessages();
}

const TClassInfo& TInstallStatusDlg::StaticClass() {
  static const TClassInfo info = [] {
    TClassBuilder<TInstallStatusDlg> b("TInstallStatusDlg", &TCustomBaseInstallDlg::StaticClass());
    b.Creatable();
    PublishDialogProperties(b, {"AutoSetFont", "AutoTranslate", "Container",
                                "OverrideMainTranslator", "ThemeBitmap", "TranslateIntoLanguage"});
    return b.Build();
  }();
  return info;
}

}  // namespace brim
