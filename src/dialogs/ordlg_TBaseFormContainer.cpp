#include "dialogs/ordlg_TBaseFormContainer.h"

#include <algorithm>

#include "dialogs/dlgcmp_TBaseDlg.h"

namespace brim {

TBaseFormContainer::TBaseFormContainer(TComponent* owner) : TForm(owner) {
  AddHandler<void(TComponent*, TCloseAction&)>(
      "FormClose", [this](TComponent*, TCloseAction& action) { FormClose(action); });
}

void TBaseFormContainer::FormCreated() {
  Font().Charset = 0;  // ANSI
  FontChanged();
  if (TPanel* panel = DisplayPanel()) {
    frameWidth_ = Width - panel->Width;
    frameHeight_ = Height - panel->Height;
  }
}

void TBaseFormContainer::FormClose(TCloseAction& action) {
  // Only the end of the phase closes the window, never the system menu or Alt+F4.
  if (!finishing_ && ModalResult != mrCancel) action = TCloseAction::caNone;
}

int TBaseFormContainer::BuildPages() {
  TDialogManager* current = CurrentDialogManager();
  if (!current) throw IEDialogManager("The current dialog manager is not defined");
  for (int i = 0; i < PageFormCount(); ++i) {
    const TBIFEntry entry = *PageFormEntry(i);
    TCustomBaseInstallDlg* dialog = entry.Dialog;
    if (dialog && (dialog->DialogManager != current || !dialog->ShouldExecute())) continue;
    TCustomForm* created = entry.FormClass->Create(this);
    auto* page = dynamic_cast<TBaseInstallForm*>(created);
    if (!page || (!dialog && page->Manager != current)) {
      created->Free();
      continue;
    }
    if (dialog) {
      page->Dialog = dialog;
      page->Container = dialog->Container();
      page->Order = dialog->Order;
      dialog->Form = page;
      dialog->AssignDialogProperties();
    }
    if (TTabControl* tabs = Tabs()) tabs->Tabs.Add(page->Caption);
    if (TPanel* panel = DisplayPanel()) {
      page->SetParent(panel);
      page->SetBounds(0, 0, panel->Width, panel->Height);
    }
    page->TranslateForm();
    pages_.push_back(page);
  }
  // Exchange sort by Order: equal orders are never exchanged directly.
  for (size_t i = 0; i < pages_.size(); ++i)
    for (size_t j = i + 1; j < pages_.size(); ++j)
      if (pages_[j]->Order < pages_[i]->Order) std::swap(pages_[i], pages_[j]);
  return PageCount();
}

int TBaseFormContainer::IndexOfPage(const TBaseInstallForm* page) const {
  auto it = std::find(pages_.begin(), pages_.end(), page);
  return it == pages_.end() ? -1 : static_cast<int>(it - pages_.begin());
}

int TBaseFormContainer::CurrentIndex() const {
  TTabControl* tabs = Tabs();
  return tabs ? tabs->TabIndex() : -1;
}

TBaseInstallForm* TBaseFormContainer::CurrentPage() const {
  int index = CurrentIndex();
  return index >= 0 && index < PageCount() ? pages_[index] : nullptr;
}

bool TBaseFormContainer::GoTo(int index, bool forward) {
  for (;; index += forward ? 1 : -1) {
    if (index < 0 || index >= PageCount()) return false;
    if (!pages_[index]->ShouldSkip()) break;
  }
  TBaseInstallForm* previous = CurrentPage();
  if (TTabControl* tabs = Tabs()) tabs->SetTabIndex(index);
  Caption = pages_[index]->Caption;
  // The caption is the page's text: it reads in the character set of the
  // page's font (a Polish page's in the East European one).
  Font().Charset = pages_[index]->Font().Charset;
  if (Window()) {
    Window()->SetCaptionCharset(Font().Charset);
    Window()->SetCaption(Caption);
  }
  if (previous && previous != pages_[index]) previous->Visible = false;
  pages_[index]->ActivatePage();
  UserInterface().FormChanged(*this);
  return true;
}

void TBaseFormContainer::OpenFirstPage() {
  if (!GoTo(0, false)) GoTo(0, true);
}

void TBaseFormContainer::NextPage() {
  int i = CurrentIndex();
  if (!GoTo(i + 1, true)) GoTo(i + 1, false);
  if (CurrentIndex() == i) {
    finishing_ = true;
    ModalResult = mrOk;
    Close();
  }
}

void TBaseFormContainer::PreviousPage() {
  int i = CurrentIndex();
  if (!GoTo(i - 1, false)) GoTo(i - 1, true);
}

TButton* TBaseFormContainer::AnswerButton() {
  TBaseInstallForm* page = CurrentPage();
  return page ? page->AnswerButton() : nullptr;
}

void TBaseFormContainer::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
  TForm::SetBounds(left, top, width, height);
  if (TPanel* panel = DisplayPanel())
    panel->SetBounds(0, 0, std::max(0, width - frameWidth_), std::max(0, height - frameHeight_));
  FitPages();
}

void TBaseFormContainer::FitPages() {
  TPanel* panel = DisplayPanel();
  if (!panel) return;
  for (TBaseInstallForm* page : pages_) page->SetBounds(0, 0, panel->Width, panel->Height);
}

const TClassInfo& TBaseFormContainer::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TBaseFormContainer>("TBaseFormContainer", &TForm::StaticClass()).Creatable().Build();
  return info;
}

}  // namespace brim
