// The demo product's definition, examples/demo/demo.txt: it survives the
// trip through the binary stream and is written exactly as the system
// writes a definition.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "objects/BinaryForm.h"
#include "objects/TextForm.h"

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

TEST(DemoDefinition, HoldsTheInstallComponentsAsChildrenOfTheRoot) {
  TObjectRecord root = ParseTextForm(DemoText());
  EXPECT_EQ(root.ClassName, "TInstalator");
  EXPECT_EQ(root.Name, "Instalator");
  int installs = 0, translators = 0;
  for (const auto& child : root.Children) {
    if (child.ClassName == "TInstall") {
      ++installs;
      EXPECT_EQ(child.Name, "Install1");
    }
    if (child.ClassName == "TTranslator") {
      ++translators;
      EXPECT_EQ(child.Name, "MainTranslator");
    }
  }
  EXPECT_EQ(installs, 1);
  EXPECT_EQ(translators, 1);
}

}  // namespace
}  // namespace brim::test
