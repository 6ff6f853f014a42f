#include "engine/DefinitionTestForm.h"

#include "engine/InstallDefinition.h"
#include "objects/ClassRegistry.h"
#include "objects/TextForm.h"

namespace brim::test {

const TClassInfo& TDefinitionTestForm::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TDefinitionTestForm>("TDefinitionTestForm", &TComponent::StaticClass())
          .Creatable()
          .Build();
  return info;
}

const TClassInfo& TDefinitionTestMainForm::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TDefinitionTestMainForm>("TDefinitionTestMainForm", &TForm::StaticClass())
          .Creatable()
          .Build();
  return info;
}

namespace {

template <class Root>
std::unique_ptr<Root> LoadRoot(const std::string& components,
                               std::map<std::string, std::any> handlers) {
  RegisterStreamClasses();
  RegisterClass(Root::StaticClass());
  auto root = std::make_unique<Root>(nullptr);
  root->Handlers = std::move(handlers);
  LoadForm(*root, ParseTextForm("object Form: " + Root::StaticClass().ClassName + "\n" +
                                components + "\nend\n"));
  return root;
}

template <class Root>
std::string ErrorOf(const std::string& components) {
  return MessageOf([&] { LoadRoot<Root>(components, {}); });
}

}  // namespace

std::string FormText(const std::string& components) {
  return "object Form: TDefinitionTestForm\n" + components + "\nend\n";
}

std::unique_ptr<TDefinitionTestForm> LoadDefinition(const std::string& text,
                                                    std::map<std::string, std::any> handlers) {
  RegisterStreamClasses();
  RegisterClass(TDefinitionTestForm::StaticClass());
  auto form = std::make_unique<TDefinitionTestForm>(nullptr);
  form->Handlers = std::move(handlers);
  LoadForm(*form, ParseTextForm(text));
  return form;
}

std::unique_ptr<TDefinitionTestForm> LoadComponents(const std::string& components,
                                                    std::map<std::string, std::any> handlers) {
  return LoadRoot<TDefinitionTestForm>(components, std::move(handlers));
}

std::unique_ptr<TDefinitionTestMainForm> LoadOnForm(const std::string& components,
                                                    std::map<std::string, std::any> handlers) {
  return LoadRoot<TDefinitionTestMainForm>(components, std::move(handlers));
}

std::vector<TPropertyValue> SavedProperties(const TComponent& root, const std::string& name) {
  TObjectRecord record = SaveForm(root);
  for (const auto& child : record.Children)
    if (child.Name == name) return child.Props;
  throw Exception("The saved form has no component %s", name);
}

std::vector<std::string> SavedNames(const TComponent& root, const std::string& name) {
  std::vector<std::string> names;
  for (const auto& p : SavedProperties(root, name)) names.push_back(p.Name);
  return names;
}

std::optional<TValue> SavedValue(const std::vector<TPropertyValue>& props, const std::string& name) {
  for (const auto& p : props)
    if (p.Name == name) return p.Value;
  return std::nullopt;
}

std::string LoadError(const std::string& components) { return ErrorOf<TDefinitionTestForm>(components); }

std::string LoadErrorOnForm(const std::string& components) {
  return ErrorOf<TDefinitionTestMainForm>(components);
}

std::string MessageOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const Exception& e) {
    return e.Message();
  }
  return "";
}

testing::AssertionResult AssertContains(const char* textExpr, const char* partExpr,
                                        const std::string& text, const std::string& part) {
  if (text.find(part) != std::string::npos) return testing::AssertionSuccess();
  return testing::AssertionFailure() << textExpr << " does not contain " << partExpr << "\n  text: \""
                                     << text << "\"\n  part: \"" << part << "\"";
}

}  // namespace brim::test
