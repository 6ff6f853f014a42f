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
#include "dialogs/dlgcmp_TLicenseDlg.h"
#include "engine/InstallDefinition.h"
#include "engine/TInstalator.h"
#include "engine/cmp_TInstall.h"
#include "objects/BinaryForm.h"
#include "objects/FormLoader.h"
#include "objects/TextForm.h"
#include "platform/Platform.h"
#include "translation/cmp_TTranslator.h"
#ifndef _WIN32
#include "platform/posix/SubstituteMachine.h"
#endif

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

// The demo with a product name ending in "™" and a licence line in Polish,
// written as the text form writes characters above U+00FF.
std::string DemoWithWideText() {
  std::string text = DemoText();
  auto replace = [&text](const std::string& from, const std::string& to) {
    size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
  };
  replace("ProductName = 'Brimwell Demo'", "ProductName = 'Brimwell Demo'#8482");
  replace("'It comes without any warranty.'",
          "'Za'#380#243#322#263' g'#281#347'l'#261' ja'#378#324");
  return text;
}

// Wide text reaches the running setup in the system's ANSI code page, and
// text -> binary -> text loses nothing. The substitute machine takes the
// code page of its language; under Wine the prefix has its own.
TEST(DemoDefinition, WideTextArrivesInTheAnsiCodePage) {
  const std::u16string polish = u"Za\u017C\u00F3\u0142\u0107 g\u0119\u015Bl\u0105 ja\u017A\u0144";
  const struct {
    uint16_t language;
    uint32_t codePage;
    const char* product;
    const char* licence;
  } cases[] = {
      {0x0409, 1252, "Brimwell Demo\x99", "Za?\xF3?? g??l? ja??"},
      {0x0415, 1250, "Brimwell Demo\x99", "Za\xBF\xF3\xB3\xE6 g\xEA\x9Cl\xB9 ja\x9F\xF1"},
      {0x0419, 1251, "Brimwell Demo\x99", "Za???? g??l? ja??"},
  };
  std::string text = DemoWithWideText();
  std::string binary = WriteBinaryForm(ParseTextForm(text));
  EXPECT_EQ(PrintTextForm(ReadBinaryForm(binary)), text);
  RegisterStreamClasses();
#ifndef _WIN32
  // The machine's language goes back to its default whatever happens here.
  struct TDefaultLanguage {
    ~TDefaultLanguage() { TSubstituteMachine::Current().SetFact("Machine", "Language", ""); }
  } restore;
#endif
  for (const auto& c : cases) {
#ifdef _WIN32
    // The prefix's code page is what it is; the others are not tried.
    if (PlatformSystem().AnsiCodePage() != c.codePage) continue;
#else
    TSubstituteMachine& machine = TSubstituteMachine::Current();
    ASSERT_TRUE(machine.SetFact("Machine", "Language", std::to_string(c.language)));
    EXPECT_EQ(PlatformSystem().AnsiCodePage(), c.codePage);
#endif
    std::unique_ptr<TComponent> root(CreateForm(ReadBinaryForm(binary)));
    auto* install = dynamic_cast<TInstall*>(root->FindComponent("Install1"));
    auto* licence = dynamic_cast<TLicenseDlg*>(root->FindComponent("LicenseDlg1"));
    ASSERT_TRUE(install && licence);
    EXPECT_EQ(install->Information.ProductName, c.product) << c.codePage;
    ASSERT_EQ(licence->LicenseAgreement.Count(), 6) << c.codePage;
    EXPECT_EQ(licence->LicenseAgreement.Strings(3), c.licence) << c.codePage;
    EXPECT_EQ(PlatformSystem().WideFromAnsi(licence->LicenseAgreement.Strings(3)) == polish,
              c.codePage == 1250);
  }
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
  // The standard table, 88, the destination page's caption, and the uninstaller's six.
  EXPECT_EQ(ids.size(), 88u);
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
  // The other languages' tables are text like the English one: without
  // them the stream is the demo's structure, each kind of value once.
  TObjectRecord demo = ParseTextForm(DemoText());
  for (TObjectRecord& child : demo.Children)
    std::erase_if(child.Props, [](const TPropertyValue& p) {
      return p.Name.ends_with(".Strings.Strings") && p.Name != "lgEnglish.Strings.Strings";
    });
  const std::string bin = WriteBinaryForm(demo);
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
