#include "dialogs/DialogTestSupport.h"

#include <fstream>
#include <sstream>

#include "engine/InstallDefinition.h"
#include "widgets/Buttons.h"

namespace brim::test {

namespace {
TPlatformServices WithModule(IModuleService& module) {
  TPlatformServices services;
  services.Module = &module;
  return services;
}
}  // namespace

std::optional<std::string> TFormTextModule::LoadResource(const std::string& name) {
  if (name != "TTESTPAGE") return inner_.LoadResource(name);
  std::ifstream file(std::string(BRIMWELL_SOURCE_DIR) + "/src/forms/TWELCOMEFORM.txt");
  std::stringstream text;
  text << file.rdbuf();
  std::string data = text.str();
  size_t at = data.find("TWelcomeForm");
  if (at == std::string::npos) return std::nullopt;
  return data.replace(at, 12, "TTestPage");
}

std::string PageNote(TCustomForm& form) {
  TComponent* scope = &form;
  if (auto* wizard = dynamic_cast<TBaseFormContainer*>(&form); wizard && wizard->CurrentPage())
    scope = wizard->CurrentPage();
  std::string note = form.Caption + " <";
  const char* names[][2] = {{"BackBtn", "Back"}, {"ProceedBtn", "Next"}, {"FinishBtn", "Finish"},
                            {"CancelBtn", "Cancel"}};
  bool first = true;
  for (auto& [name, shown] : names)
    if (auto* button = dynamic_cast<TButton*>(scope->FindComponent(name)); button && button->Visible) {
      note += (first ? "" : " ") + std::string(shown);
      first = false;
    }
  note += ">";
  // A caption that is not in the ANSI character set says which it is in.
  if (form.Font().Charset != 0) note += " charset " + std::to_string(form.Font().Charset);
  return note;
}

void TScriptedUserInterface::FormShown(TCustomForm& form) { Shown.push_back(form.Caption); }

void TScriptedUserInterface::RunModal(TCustomForm& form) {
  size_t next = 0;
  while (form.ModalResult == mrNone) {
    if (next >= Presses.size()) {
      Trace.push_back("(no answer) " + PageNote(form));
      form.ModalResult = mrAbort;
      return;
    }
    Trace.push_back(PageNote(form));
    const std::string& name = Presses[next++];
    if (name == "close") {
      form.Close();
      continue;
    }
    auto* wizard = dynamic_cast<TBaseFormContainer*>(&form);
    if (name == "back!" && wizard) {
      wizard->PreviousPage();
      continue;
    }
    TComponent* scope = &form;
    if (wizard && wizard->CurrentPage()) scope = wizard->CurrentPage();
    auto* button = dynamic_cast<TButton*>(scope->FindComponent(name));
    if (!button) throw std::runtime_error("No button " + name + " on " + form.Caption);
    button->Click();
  }
}

bool TTestPage::ShouldSkip() {
  auto* dialog = dynamic_cast<TTestPageDlg*>(Dialog);
  return dialog && dialog->Skip;
}

const TClassInfo& TTestPage::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TTestPage>("TTestPage", &TBaseInstallForm::StaticClass()).Build();
  return info;
}

TTestPageDlg::TTestPageDlg(TComponent* owner) : TBaseInstallDlg(owner) {
  RegisterPage(TManagerType::dmBeforeInstall, *FormClass());
}

const TDialogFormClass* TTestPageDlg::FormClass() const { return &DialogFormClassOf<TTestPage>(); }

void TTestPageDlg::AssignDialogProperties() {
  TBaseInstallDlg::AssignDialogProperties();
  AssignStandardPageProperties();
  Form->Caption = Name();
}

const TClassInfo& TTestPageDlg::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TTestPageDlg>("TTestPageDlg", &TBaseInstallDlg::StaticClass()).Build();
  return info;
}

DialogTest::DialogTest() : module_(PlatformModule()), services_(WithModule(module_)) {
  RegisterInstallVocabulary();
  applicationComponents_ = Application().ComponentCount();
  Application().SetWindows(&windows_);
}

DialogTest::~DialogTest() {
  form_.reset();
  // The progress and status windows the test made belong to the
  // application; their windows are the test's.
  while (Application().ComponentCount() > applicationComponents_)
    Application().Components(Application().ComponentCount() - 1)->Free();
  Application().SetWindows(nullptr);
}

void DialogTest::Load(const std::string& components, std::map<std::string, std::any> handlers) {
  // One installation at a time.
  form_.reset();
  form_ = LoadOnForm(components, std::move(handlers));
}

TInstallContainer& DialogTest::Install() const { return *form_->Find<TInstallContainer>("Install1"); }

TTestPageDlg* DialogTest::AddTestPage(const std::string& name, int32_t order) {
  auto* dialog = new TTestPageDlg(form_.get());
  dialog->SetName(name);
  dialog->SetContainer(&Install());
  dialog->SetDialogManager(Find<TDialogManager>("Before"));
  dialog->Order = order;
  return dialog;
}

}  // namespace brim::test
