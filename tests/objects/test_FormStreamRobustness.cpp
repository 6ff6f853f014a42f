// Streams that are malformed or merely unusual: each must either be
// rejected with a message that says where, or survive decompiling and
// compiling again unchanged. The cases come from fuzzing the form streams.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <memory>
#include <sstream>

#include "SampleClasses.h"
#include "engine/InstallDefinition.h"
#include "objects/BinaryForm.h"
#include "objects/FormLoader.h"
#include "objects/TextForm.h"

namespace brim {
namespace {

TObjectRecord Record(const std::string& className, std::vector<TPropertyValue> props) {
  TObjectRecord r;
  r.ClassName = className;
  r.Name = "Thing1";
  r.Props = std::move(props);
  return r;
}

TPropertyValue Prop(const std::string& name, TValue v) { return {name, std::move(v), {}}; }

std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const EStreamError& e) {
    return e.Message();
  }
  return "(no error)";
}

// What brimdef decompile and compile do, one after the other.
std::string Decompiled(const std::string& binary) { return PrintTextForm(ReadBinaryForm(binary)); }
std::string Compiled(const std::string& text) { return WriteBinaryForm(ParseTextForm(text)); }

TEST(BinaryFormNames, AnIdentifierTheTextFormCannotHoldIsRejectedWithItsOffset) {
  std::string bytes = WriteBinaryForm(Record("TSampleThing", {Prop("Colour", TValue::Ident("clWi`dowText"))}));
  std::string message = ErrorOf([&] { ReadBinaryForm(bytes); });
  EXPECT_NE(message.find("\"clWi`dowText\" is not a valid identifier"), std::string::npos) << message;
  EXPECT_NE(message.find("byte offset"), std::string::npos) << message;
}

TEST(BinaryFormNames, ComponentAndClassNamesMustBeIdentifiers) {
  TObjectRecord r = Record("TSampleThing", {});
  r.Name = "Two Words";
  EXPECT_NE(ErrorOf([&] { ReadBinaryForm(WriteBinaryForm(r)); }).find("\"Two Words\""), std::string::npos);
  r.Name = "Thing1";
  r.ClassName = "T-Thing";
  EXPECT_NE(ErrorOf([&] { ReadBinaryForm(WriteBinaryForm(r)); }).find("\"T-Thing\""), std::string::npos);
}

TEST(BinaryFormNames, AnEmptyIdentifierValueIsRejected) {
  std::string bytes = WriteBinaryForm(Record("TSampleThing", {Prop("Mode", TValue::Ident(""))}));
  EXPECT_NE(ErrorOf([&] { ReadBinaryForm(bytes); }).find("identifier is empty"), std::string::npos);
}

TEST(BinaryFormNames, AWordThatStartsARecordCannotNameAnObjectProperty) {
  for (const char* word : {"inline", "inherited", "object", "END"}) {
    std::string bytes = WriteBinaryForm(Record("TSampleThing", {Prop(word, TValue::Integer(1))}));
    std::string message = ErrorOf([&] { ReadBinaryForm(bytes); });
    EXPECT_NE(message.find(std::string("\"") + word + "\" is not a valid identifier"), std::string::npos)
        << message;
  }
}

TEST(BinaryFormNames, OnlyEndIsReservedInsideACollectionItem) {
  TValue entries;
  entries.Tag = TValueTag::vaCollection;
  entries.Items.push_back({false, 0, {Prop("inline", TValue::Integer(5))}, {}});
  std::string bytes = WriteBinaryForm(Record("TSampleThing", {Prop("Entries", entries)}));
  std::string text = Decompiled(bytes);
  EXPECT_EQ(Compiled(text), bytes);

  entries.Items[0].Props[0].Name = "end";
  bytes = WriteBinaryForm(Record("TSampleThing", {Prop("Entries", entries)}));
  EXPECT_NE(ErrorOf([&] { ReadBinaryForm(bytes); }).find("\"end\" is not a valid identifier"), std::string::npos);
}

TEST(BinaryFormNames, AClassNameThatLooksLikeAFlagsByteIsNotWritten) {
  // A name of 240 bytes or more would start with a byte the reader takes
  // for the flags of an inherited or inline object.
  TObjectRecord r = Record("T" + std::string(239, 'x'), {});
  std::string message = ErrorOf([&] { WriteBinaryForm(r); });
  EXPECT_NE(message.find("longer than 239 bytes"), std::string::npos) << message;

  r.ClassName = "T" + std::string(238, 'x');
  EXPECT_EQ(ReadBinaryForm(WriteBinaryForm(r)).ClassName, r.ClassName);
}

TEST(FormNumbers, AnInfiniteOrNaNFloatInABinaryStreamIsRejected) {
  for (double d : {INFINITY, -INFINITY, NAN}) {
    for (TValue v : {TValue::ExtendedFloat(d), TValue::Single(static_cast<float>(d)), TValue::Date(d)}) {
      std::string bytes = WriteBinaryForm(Record("TSampleThing", {Prop("Ratio", v)}));
      std::string message = ErrorOf([&] { ReadBinaryForm(bytes); });
      EXPECT_NE(message.find("infinite, not a number or out of range"), std::string::npos)
          << ValueTagName(v.Tag) << ": " << message;
    }
  }
}

TEST(FormNumbers, AnExtendedBeyondTheRangeOfADoubleIsRejected) {
  TValue v = TValue::ExtendedFloat(1);
  v.Extended = {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x7F - 1};  // 2^16383
  TObjectRecord r = Record("TSampleThing", {Prop("Ratio", v)});
  std::string bytes = WriteBinaryForm(r);
  EXPECT_NE(ErrorOf([&] { ReadBinaryForm(bytes); }).find("an extended value"), std::string::npos);
}

TEST(FormNumbers, ATextNumberOutOfRangeIsASyntaxErrorWithItsLine) {
  for (const char* number : {"1e999", "-1e400d", "1e39s"}) {
    std::string text = std::string("object Thing1: TSampleThing\n  Ratio = ") + number + "\nend\n";
    std::string message = ErrorOf([&] { ParseTextForm(text); });
    EXPECT_NE(message.find("line 2"), std::string::npos) << number << ": " << message;
    EXPECT_NE(message.find("out of range"), std::string::npos) << number << ": " << message;
  }
  // The largest single still fits.
  EXPECT_NO_THROW(ParseTextForm("object Thing1: TSampleThing\n  Ratio = 3.4e38s\nend\n"));
}

TEST(TextFormLists, NullCannotBeAListItem) {
  // The binary form ends a list with the Null tag: such a list would come
  // back shorter after compiling.
  std::string text =
      "object Thing1: TSampleThing\n  Lines.Strings = (\n    'one'\n    Null\n    'two')\nend\n";
  std::string message = ErrorOf([&] { ParseTextForm(text); });
  EXPECT_NE(message.find("line 4"), std::string::npos) << message;
  EXPECT_NE(message.find("Null cannot be an item of a list"), std::string::npos) << message;
  EXPECT_NO_THROW(ParseTextForm("object Thing1: TSampleThing\n  Tag = Null\nend\n"));
}

class CollectionGivenTwice : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterStreamClasses();
    test::RegisterSampleClasses();
  }
};

TEST_F(CollectionGivenTwice, TheSecondListWinsAndItsReferencesResolve) {
  // The first list's items are freed when the second is read; their
  // pending references must go with them.
  const char* text = R"(object Root: TSampleRoot
  object Thing1: TSampleThing
    Entries = <
      item
        Ident = 'first'
        Target = Thing2
      end
      item
        Target = Root
      end>
    Entries = <
      item
        Ident = 'second'
        Target = Thing1
      end>
  end
  object Thing2: TSampleThing
  end
end
)";
  std::unique_ptr<TComponent> root(CreateForm(ParseTextForm(text), TLoadOptions{true}));
  auto* thing1 = dynamic_cast<test::TSampleThing*>(root->FindComponent("Thing1"));
  ASSERT_NE(thing1, nullptr);
  ASSERT_EQ(thing1->Entries.Count(), 1);
  auto* entry = thing1->Entries.ItemAs<test::TSampleEntry>(0);
  EXPECT_EQ(entry->Ident, "second");
  EXPECT_EQ(entry->Target, thing1);
}

TEST_F(CollectionGivenTwice, ABrokenReferenceInTheFirstListNoLongerMatters) {
  const char* text = R"(object Root: TSampleRoot
  object Thing1: TSampleThing
    Entries = <
      item
        Target = NoSuchThing
      end>
    Entries = <
      item
        Target = Root
      end>
  end
end
)";
  std::unique_ptr<TComponent> root(CreateForm(ParseTextForm(text), TLoadOptions{true}));
  auto* thing1 = dynamic_cast<test::TSampleThing*>(root->FindComponent("Thing1"));
  ASSERT_NE(thing1, nullptr);
  EXPECT_EQ(thing1->Entries.ItemAs<test::TSampleEntry>(0)->Target, root.get());
}

class EveryPropertyKind : public CollectionGivenTwice {};

TEST_F(EveryPropertyKind, AFormSurvivesLoadSaveCompileAndDecompile) {
  // The fuzzer's seed: every kind of property the stream knows.
  std::ifstream in(std::string(BRIMWELL_SOURCE_DIR) + "/tests/fuzz/seeds/sample_kinds.txt", std::ios::binary);
  ASSERT_TRUE(in) << "cannot open the seed form under " << BRIMWELL_SOURCE_DIR;
  std::stringstream s;
  s << in.rdbuf();
  const std::string text = s.str();

  std::unique_ptr<TComponent> root(CreateForm(ParseForm(text), TLoadOptions{true}));
  std::string saved = PrintTextForm(SaveForm(*root));
  std::string binary = Compiled(saved);
  EXPECT_EQ(Decompiled(binary), saved);

  std::unique_ptr<TComponent> again(CreateForm(ParseForm(binary), TLoadOptions{true}));
  EXPECT_EQ(PrintTextForm(SaveForm(*again)), saved);
  auto* thing = dynamic_cast<test::TSampleThing*>(again->FindComponent("Thing1"));
  ASSERT_NE(thing, nullptr);
  EXPECT_EQ(thing->Big, INT64_MAX);
  EXPECT_EQ(thing->Entries.Count(), 2);
  EXPECT_EQ(thing->Link, again->FindComponent("Thing2"));
  EXPECT_EQ(thing->Text, "It's\there\xE9");
}

}  // namespace
}  // namespace brim
