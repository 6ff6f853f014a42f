// The demo product's definition, examples/demo/demo.txt: it survives the
// trip through the binary stream, loads into the main form, is written
// exactly as the system writes a definition, and holds what a generated
// definition holds.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <set>
#include <sstream>

#include "components/cmp_TInstallContainer.h"
#include "dialogs/dlgcmp_TBaseContainer.h"
#include "engine/InstallDefinition.h"
#include "engine/TInstalator.h"
#include "engine/cmp_TInstall.h"
#include "objects/BinaryForm.h"
#include "objects/FormLoader.h"
#include "objects/TextForm.h"
#include "translation/cmp_TTranslator.h"

namespace brim::test {
namespace {

std::string DemoText() {
  std::ifstream in(std::string(BRIMWELL_SOURCE_DIR) + "/examples/demo/demo.txt", std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(DemoDefinition, RoundTripsThroughTheBinaryStream) {
  std::string text = DemoText();
  ASSERT_FALSE(text.empty()) << "examples/demo/demo.txt is missing";
  std::string printed = PrintTextForm(ParseTextForm(text));
  EXPECT_EQ(PrintTextForm(ReadBinaryForm(WriteBinaryForm(ParseTextForm(text)))), printed);
}

TEST(DemoDefinition, IsLaidOutAsTheTextWriterWritesIt) {
  std::string text = DemoText();
  EXPECT_EQ(PrintTextForm(ParseTextForm(text)), text);
}

std::unique_ptr<TComponent> LoadDemo() {
  RegisterStreamClasses();
  return std::unique_ptr<TComponent>(CreateForm(ParseTextForm(DemoText())));
}

template <class T>
std::vector<T*> ComponentsOf(const TComponent& root) {
  std::vector<T*> found;
  for (int i = 0; i < root.ComponentCount(); ++i)
    if (auto* c = dynamic_cast<T*>(root.Components(i))) found.push_back(c);
  return found;
}

TEST(DemoDefinition, LoadsIntoTheMainFormAndSavesBackUnchanged) {
  std::unique_ptr<TComponent> root = LoadDemo();
  ASSERT_NE(dynamic_cast<TInstalator*>(root.get()), nullptr);
  EXPECT_EQ(PrintTextForm(SaveForm(*root)), DemoText());
}

TEST(DemoDefinition, NamesTheProduct) {
  std::unique_ptr<TComponent> root = LoadDemo();
  auto* install = dynamic_cast<TInstall*>(root->FindComponent("Install1"));
  ASSERT_NE(install, nullptr);
  EXPECT_EQ(install->Information.ProductName, "Brimwell Demo");
  EXPECT_FALSE(install->HideMainForm());
  EXPECT_FALSE(install->Reboot);
  EXPECT_EQ(install->DestDirType(), root->FindComponent("psProgramFiles"));
}

TEST(DemoDefinition, HasOneInstanceOfEveryStandardPathSpecifier) {
  std::unique_ptr<TComponent> root = LoadDemo();
  for (const TClassInfo* c : StandardPathSpecifierClasses()) {
    TComponent* instance = root->FindComponent(c->ClassName.substr(1));
    ASSERT_NE(instance, nullptr) << c->ClassName;
    EXPECT_EQ(&instance->ClassType(), c);
  }
  EXPECT_NE(root->FindComponent("psObjectLink"), nullptr);
}

TEST(DemoDefinition, EveryFileContainerHasItsOwnSpecifier) {
  std::unique_ptr<TComponent> root = LoadDemo();
  std::multiset<TComponent*> named;
  for (auto* ps : ComponentsOf<TpsFileContainer>(*root)) named.insert(ps->FileContainer);
  for (auto* container : ComponentsOf<TFileContainer>(*root)) {
    if (container->InheritsFrom(TCustomInstall::StaticClass())) continue;
    EXPECT_EQ(named.count(container), 1u) << container->Name();
  }
}

TEST(DemoDefinition, FilesHaveDistinctIdentitiesAndExistingSources) {
  std::unique_ptr<TComponent> root = LoadDemo();
  std::set<int32_t> ids;
  for (auto* file : ComponentsOf<TCustomInstallFile>(*root)) {
    EXPECT_TRUE(ids.insert(file->UniqueID).second) << file->Name();
    EXPECT_NE(dynamic_cast<TFileContainer*>(file->Container()), nullptr) << file->Name();
    // The payload that the demo ships (the uninstaller comes from the build).
    if (file->IncludeFromDir.rfind("payload", 0) != 0) continue;
    std::string path = std::string(BRIMWELL_SOURCE_DIR) + "/examples/demo/" + file->IncludeFromDir +
                       "/" + file->FileName;
    for (char& c : path)
      if (c == '\\') c = '/';
    EXPECT_TRUE(std::ifstream(path).good()) << path;
  }
  EXPECT_GE(ids.size(), 4u);
}

TEST(DemoDefinition, HasOneDialogManagerPerPhase) {
  std::unique_ptr<TComponent> root = LoadDemo();
  std::multiset<TManagerType> phases;
  for (auto* m : ComponentsOf<TDialogManager>(*root)) phases.insert(m->ManagerType);
  for (size_t i = 0; i < ManagerTypeInfo.Values.size(); ++i)
    EXPECT_EQ(phases.count(static_cast<TManagerType>(i)), 1u) << ManagerTypeInfo.Values[i];
}

TEST(DemoDefinition, CarriesTheEnglishStringTable) {
  std::unique_ptr<TComponent> root = LoadDemo();
  auto* translator = dynamic_cast<TTranslator*>(root->FindComponent("MainTranslator"));
  ASSERT_NE(translator, nullptr);
  const TLangFormatStrings& lines = translator->LanguageOf(TQmbxLanguage::qlEnglish)->Strings;
  std::set<long long> ids;
  for (const std::string& line : lines.Lines()) {
    if (line.empty() || line[0] == '*') continue;
    size_t sep = line.find(';');
    ASSERT_NE(sep, std::string::npos) << line;
    long long id = std::stoll(line.substr(0, sep));
    EXPECT_TRUE(ids.insert(id).second) << "identifier " << id << " twice";
    EXPECT_FALSE(line.substr(sep + 1).empty()) << line;
  }
  EXPECT_EQ(ids.size(), 81u);
  EXPECT_NE(lines.IndexOf("5;Next >"), -1);
  EXPECT_NE(lines.IndexOf("61;Setup incomplete"), -1);
  EXPECT_NE(lines.IndexOf("45;Please insert disk number %d"), -1);
}

}  // namespace
}  // namespace brim::test

namespace brim::test {
namespace {

// A definition damaged anywhere must fail to load with an error, never
// crash, hang or read outside the stream. Every truncation, and every
// byte of the demo's binary stream replaced by its complement.
TEST(DemoDefinition, EveryTruncationOrDamagedByteIsAnError) {
  RegisterStreamClasses();
  const std::string bin = WriteBinaryForm(ParseTextForm(DemoText()));
  ASSERT_GT(bin.size(), 1000u);
  for (size_t n = 0; n < bin.size(); ++n)
    ASSERT_THROW(ReadBinaryForm(bin.substr(0, n)), EStreamError) << "truncated to " << n << " bytes";
  int rejected = 0;
  for (size_t i = 0; i < bin.size(); ++i) {
    std::string bad = bin;
    bad[i] = static_cast<char>(~bad[i]);
    try {
      std::unique_ptr<TComponent>(CreateForm(ReadBinaryForm(bad)));
    } catch (const Exception&) {
      ++rejected;
    }
  }
  // Most damage lands in names, tags and lengths and must be noticed; a
  // changed character inside a text may still load.
  EXPECT_GT(rejected, static_cast<int>(bin.size() / 2));
}

}  // namespace
}  // namespace brim::test
