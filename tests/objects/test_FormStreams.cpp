// The binary and text forms of a component stream, and loading them into
// components of the sample vocabulary.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "SampleClasses.h"
#include "objects/BinaryForm.h"
#include "objects/FormLoader.h"
#include "objects/TextForm.h"

namespace brim::test {
namespace {

// Builds a binary stream byte by byte.
struct Bytes {
  std::string s = "TPF0";
  Bytes& B(int b) {
    s += static_cast<char>(b);
    return *this;
  }
  Bytes& Str(const std::string& t) {
    s += static_cast<char>(t.size());
    s += t;
    return *this;
  }
};

std::unique_ptr<TComponent> Load(const std::string& data, TLoadOptions options = {}) {
  RegisterSampleClasses();
  return std::unique_ptr<TComponent>(CreateForm(ParseForm(data), options));
}

TSampleThing& Thing(TComponent& root, const char* name) {
  auto* t = dynamic_cast<TSampleThing*>(root.FindComponent(name));
  EXPECT_NE(t, nullptr) << name;
  return *t;
}

std::string ErrorOf(const std::string& data, TLoadOptions options = {}) {
  try {
    Load(data, options);
  } catch (const EStreamError& e) {
    return e.Message();
  }
  return "";
}

TEST(BinaryForm, SmallIntegerTagsFillWideIntegerProperties) {
  Bytes b;
  b.Str("TSampleRoot").Str("Root").B(0);
  b.Str("TSampleThing").Str("A");
  b.Str("Tag").B(2).B(0xFF);                               // int8 -1 into a 32-bit Tag
  b.Str("Big").B(3).B(0x00).B(0x80);                       // int16 -32768 into an int64
  b.Str("Number").B(4).B(0x78).B(0x56).B(0x34).B(0x12);    // int32
  b.B(0).B(0).B(0);
  auto root = Load(b.s);
  EXPECT_EQ(Thing(*root, "A").Tag(), -1);
  EXPECT_EQ(Thing(*root, "A").Big, -32768);
  EXPECT_EQ(Thing(*root, "A").Number, 0x12345678);
}

TEST(BinaryForm, AnEmptySetIsOneZeroByteAfterItsTag) {
  auto root = Load("object Root: TSampleRoot\n object A: TSampleThing\n  Types = []\n end\nend\n");
  EXPECT_TRUE(Thing(*root, "A").Types.Empty());
  std::string bin = WriteBinaryForm(SaveForm(*root));
  std::string expected = std::string("\x05Types\x0B\x00", 8);
  EXPECT_NE(bin.find(expected), std::string::npos);
  // Font.Style = [] is written the same way.
  EXPECT_NE(bin.find(std::string("\x0A" "Font.Style\x0B\x00", 13)), std::string::npos);
}

TEST(BinaryForm, CollectionItemsWithAndWithoutOrderValues) {
  Bytes b;
  b.Str("TSampleRoot").Str("Root").B(0);
  b.Str("TSampleThing").Str("A");
  b.Str("Entries").B(14);
  b.B(1).Str("Ident").B(6).Str("first").B(0);        // no order: the next item
  b.B(2).B(7).B(1).Str("Value").B(2).B(9).B(0);      // order 7
  b.B(1).B(0);                                       // an empty item
  b.B(0);
  b.B(0).B(0).B(0);
  auto root = Load(b.s);
  auto& e = Thing(*root, "A").Entries;
  ASSERT_EQ(e.Count(), 3);
  EXPECT_EQ(e.ItemAs<TSampleEntry>(0)->Ident, "first");
  EXPECT_EQ(e.ItemAs<TSampleEntry>(1)->Value, 9);
  EXPECT_EQ(e.ItemAs<TSampleEntry>(2)->Ident, "");
  // Order values survive the text form.
  TObjectRecord r = ReadBinaryForm(b.s);
  EXPECT_EQ(WriteBinaryForm(ParseTextForm(PrintTextForm(r))), b.s);
}

TEST(BinaryForm, WriterPicksSmallestIntegerTagAndStringTagByLength) {
  auto tagOf = [](int64_t v) { return TValue::Integer(v).Tag; };
  EXPECT_EQ(tagOf(127), TValueTag::vaInt8);
  EXPECT_EQ(tagOf(-128), TValueTag::vaInt8);
  EXPECT_EQ(tagOf(128), TValueTag::vaInt16);
  EXPECT_EQ(tagOf(-32769), TValueTag::vaInt32);
  EXPECT_EQ(tagOf(int64_t{1} << 31), TValueTag::vaInt64);
  EXPECT_EQ(TValue::String(std::string(255, 'x')).Tag, TValueTag::vaString);
  EXPECT_EQ(TValue::String(std::string(256, 'x')).Tag, TValueTag::vaLString);

  TObjectRecord r;
  r.ClassName = "TSampleRoot";
  r.Props.push_back({"Tag", TValue::Integer(300), {}});
  TValue longText = TValue::String(std::string(300, 'y'));
  r.Props.push_back({"Text", longText, {}});
  std::string bin = WriteBinaryForm(r);
  EXPECT_NE(bin.find(std::string("\x03Tag\x03\x2C\x01", 7)), std::string::npos);
  EXPECT_NE(bin.find(std::string("\x04Text\x0C\x2C\x01\x00\x00", 10)), std::string::npos);
}

TEST(BinaryForm, EveryValueTagSurvivesTheTextForm) {
  Bytes b;
  b.Str("TSampleRoot").Str("Root");
  b.Str("P0").B(0);                                         // null
  b.Str("P1").B(1).B(2).B(5).B(6).Str("x").B(0);            // list
  b.Str("P5").B(5);                                         // extended 1.5
  for (int i = 0; i < 7; ++i) b.B(0);
  b.B(0xC0).B(0xFF).B(0x3F);
  b.Str("P7").B(7).Str("clNavy");
  b.Str("P8").B(8).Str("P9").B(9);
  b.Str("PA").B(10).B(3).B(0).B(0).B(0).B(0).B(0x7F).B(0xFF);
  b.Str("PB").B(11).Str("a").Str("b").B(0);
  b.Str("PC").B(12).B(2).B(0).B(0).B(0);
  b.s += "hi";
  b.Str("PD").B(13);
  b.Str("PF").B(15).B(0).B(0).B(0xC0).B(0x3F);              // single 1.5
  b.Str("PG").B(16).B(0x10).B(0x27).B(0).B(0).B(0).B(0).B(0).B(0);  // currency 1.0
  b.Str("PH").B(17).B(0).B(0).B(0).B(0).B(0).B(0x20).B(0xE6).B(0x40);  // date 45312
  b.Str("PI").B(18).B(2).B(0).B(0).B(0).B(0x41).B(0).B(0x14).B(0x20);  // "A" U+2014
  b.Str("PJ").B(19).B(0).B(0).B(0).B(0).B(1).B(0).B(0).B(0);          // int64 2^32
  b.Str("PK").B(20).B(2).B(0).B(0).B(0).B(0xC3).B(0xA9);              // UTF-8 e-acute
  b.B(0).B(0);
  TObjectRecord r = ReadBinaryForm(b.s);
  ASSERT_EQ(r.Props.size(), 16u);
  std::string text = PrintTextForm(r);
  EXPECT_NE(text.find("P0 = Null"), std::string::npos) << text;
  EXPECT_NE(text.find("P5 = 1.5\n"), std::string::npos) << text;
  EXPECT_NE(text.find("PA = {\n    007FFF}"), std::string::npos) << text;
  EXPECT_NE(text.find("PF = 1.5s"), std::string::npos) << text;
  EXPECT_NE(text.find("PG = 1.0000c"), std::string::npos) << text;
  EXPECT_NE(text.find("PH = 45312.0d"), std::string::npos) << text;
  EXPECT_NE(text.find("PI = 'A'#8212"), std::string::npos) << text;
  EXPECT_NE(text.find("PJ = 4294967296"), std::string::npos) << text;
  TObjectRecord again = ParseTextForm(text);
  EXPECT_EQ(PrintTextForm(again), text);
  // What the text gives back is the same stream, but for UTF-8 text that
  // comes back as a wide string.
  TObjectRecord fromText = ReadBinaryForm(WriteBinaryForm(again));
  EXPECT_EQ(fromText.Props[15].Value.Tag, TValueTag::vaString);
  EXPECT_EQ(fromText.Props[15].Value.Str, "\xE9");
  EXPECT_EQ(fromText.Props[2].Value.Extended, r.Props[2].Value.Extended);
  EXPECT_EQ(fromText.Props[11].Value.Int, 10000);
}

TEST(BinaryForm, PrefixFlagsAndChildPositionRoundTrip) {
  std::string text =
      "object Root: TSampleRoot\n"
      "  inherited A: TSampleThing [3]\n"
      "  end\n"
      "  inline B: TSampleThing\n"
      "  end\n"
      "end\n";
  TObjectRecord r = ParseTextForm(text);
  std::string bin = WriteBinaryForm(r);
  EXPECT_NE(bin.find(std::string("\xF3\x02\x03\x0CTSampleThing", 16)), std::string::npos);
  EXPECT_NE(bin.find(std::string("\xF4\x0CTSampleThing", 14)), std::string::npos);
  EXPECT_EQ(PrintTextForm(ReadBinaryForm(bin)), text);
}

TEST(BinaryForm, EveryTruncationAndEveryBadByteIsAnErrorNotACrash) {
  RegisterSampleClasses();
  std::string text =
      "object Root: TSampleRoot\n"
      "  object A: TSampleThing\n"
      "    Number = 70000\n    Mode = cmLoud\n    Types = [itFull]\n    Text = 'x'\n"
      "    Ratio = 2.5\n    Link = A\n    Lines.Strings = (\n      'a'\n      '')\n"
      "    Entries = <\n      item\n        Ident = 'i'\n      end>\n"
      "  end\n"
      "end\n";
  std::string bin = WriteBinaryForm(ParseTextForm(text));
  for (size_t n = 0; n < bin.size(); ++n)
    EXPECT_THROW(ReadBinaryForm(bin.substr(0, n)), EStreamError) << "truncated to " << n;
  for (size_t i = 4; i < bin.size(); ++i) {
    for (int delta : {1, 0x80}) {
      std::string bad = bin;
      bad[i] = static_cast<char>(bad[i] + delta);
      try {
        std::unique_ptr<TComponent>(CreateForm(ReadBinaryForm(bad)));
      } catch (const Exception&) {
        // an error is the right outcome; a changed value that still loads is fine too
      }
    }
  }
}

TEST(BinaryForm, ErrorsNameTheOffsetAndWhatWasWrong) {
  EXPECT_THROW(ReadBinaryForm("TPF1...."), EStreamError);
  try {
    ReadBinaryForm("TPF0\x0BTSampleRoot\x04Root\x03Tag\x63");
    FAIL();
  } catch (const EStreamError& e) {
    EXPECT_NE(e.Message().find("byte offset 25"), std::string::npos) << e.Message();
    EXPECT_NE(e.Message().find("unknown value tag 99"), std::string::npos) << e.Message();
  }
  Bytes trailing;
  trailing.Str("TSampleRoot").Str("").B(0).B(0).B(0x42);
  EXPECT_THROW(ReadBinaryForm(trailing.s), EStreamError);
}

TEST(TextForm, SyntaxErrorsNameTheLine) {
  try {
    ParseTextForm("object Root: TSampleRoot\n  Tag = 1\n  Tag = ]\nend\n");
    FAIL();
  } catch (const EStreamError& e) {
    EXPECT_NE(e.Message().find("line 3"), std::string::npos) << e.Message();
  }
  EXPECT_THROW(ParseTextForm("object Root: TSampleRoot\n  Text = 'open\nend\n"), EStreamError);
  EXPECT_THROW(ParseTextForm("object Root: TSampleRoot\n"), EStreamError);
  EXPECT_THROW(ParseTextForm("object Root: TSampleRoot\nend\nend\n"), EStreamError);
  EXPECT_THROW(ParseTextForm("object Root: TSampleRoot\n  Data = {ABC}\nend\n"), EStreamError);
  EXPECT_THROW(ParseTextForm("object Root: TSampleRoot\n  X = 12abc\nend\n"), EStreamError);
}

TEST(TextForm, StringsJoinPiecesAndCodes) {
  TObjectRecord r = ParseTextForm(
      "object Root: TSampleRoot\n  Text = 'Tab'#9'bed' +\n    ' and ''quoted'''\nend\n");
  EXPECT_EQ(r.Props[0].Value.Str, "Tab\tbed and 'quoted'");
  EXPECT_EQ(PrintTextForm(r), "object Root: TSampleRoot\n  Text = 'Tab'#9'bed and ''quoted'''\nend\n");
}

TEST(Loader, ReferencesResolveAfterTheWholeStream) {
  auto root = Load(
      "object Root: TSampleRoot\n"
      "  object A: TSampleThing\n    Link = B\n"
      "    Entries = <\n      item\n        Target = Root\n      end>\n  end\n"
      "  object B: TSampleThing\n    Link = A\n  end\n"
      "end\n");
  EXPECT_EQ(Thing(*root, "A").Link, root->FindComponent("B"));
  EXPECT_EQ(Thing(*root, "B").Link, root->FindComponent("A"));
  EXPECT_EQ(Thing(*root, "A").Entries.ItemAs<TSampleEntry>(0)->Target, root.get());
}

TEST(Loader, LoadedRunsOnceForEveryComponentInCreationOrder) {
  LoadedCounter = 0;
  auto root = Load(
      "object Root: TSampleRoot\n  object A: TSampleThing\n  end\n"
      "  object B: TSampleThing\n  end\n  object C: TSampleThing\n  end\nend\n");
  EXPECT_EQ(Thing(*root, "A").LoadedOrder, 0);
  EXPECT_EQ(Thing(*root, "B").LoadedOrder, 1);
  EXPECT_EQ(Thing(*root, "C").LoadedOrder, 2);
  EXPECT_EQ(Thing(*root, "C").LoadedCalls, 1);
  EXPECT_FALSE(Thing(*root, "C").HasState(csLoading));
}

TEST(Loader, StringListsKeepEmptyLines) {
  auto root = Load(
      "object Root: TSampleRoot\n  object A: TSampleThing\n"
      "    Lines.Strings = (\n      'one'\n      ''\n      ''\n      'four')\n  end\nend\n");
  EXPECT_EQ(Thing(*root, "A").Lines.Lines(), (std::vector<std::string>{"one", "", "", "four"}));
}

TEST(Loader, EachFailureNamesComponentClassPropertyAndPosition) {
  const char* head = "object Root: TSampleRoot\n  object A: TSampleThing\n";
  const char* tail = "  end\nend\n";
  auto err = [&](const std::string& props) { return ErrorOf(head + props + tail); };

  std::string e = err("    Nonsense = 1\n");
  EXPECT_NE(e.find("A.Nonsense (TSampleThing)"), std::string::npos) << e;
  EXPECT_NE(e.find("line 3"), std::string::npos) << e;
  EXPECT_NE(e.find("has no property Nonsense"), std::string::npos) << e;

  e = err("    Mode = cmQuiet\n");
  EXPECT_NE(e.find("cmQuiet is not a value of TColourMode"), std::string::npos) << e;
  e = err("    Types = [itFull, itNever]\n");
  EXPECT_NE(e.find("itNever"), std::string::npos) << e;
  e = err("    Number = 'text'\n");
  EXPECT_NE(e.find("expects an integer"), std::string::npos) << e;
  e = err("    Small = 200\n");
  EXPECT_NE(e.find("out of range"), std::string::npos) << e;
  e = err("    Flag = 1\n");
  EXPECT_NE(e.find("True or False"), std::string::npos) << e;
  e = err("    Colour = clNotAColour\n");
  EXPECT_NE(e.find("clNotAColour is not a constant of TColor"), std::string::npos) << e;
  e = err("    Link = Missing\n");
  EXPECT_NE(e.find("A.Link"), std::string::npos) << e;
  EXPECT_NE(e.find("Missing does not exist"), std::string::npos) << e;
  e = err("    Info = 3\n");
  EXPECT_NE(e.find("Info.Property"), std::string::npos) << e;
  e = err("    Info.Nothing = 3\n");
  EXPECT_NE(e.find("TSampleInfo has no property Nothing"), std::string::npos) << e;
  e = err("    Picture.Data = {00}\n");
  EXPECT_NE(e.find("Picture.Data"), std::string::npos) << e;
  e = err("    OnPoke = NoSuchHandler\n");
  EXPECT_NE(e.find("has no handler NoSuchHandler"), std::string::npos) << e;

  e = ErrorOf("object Root: TSampleRoot\n  object A: TNoSuchClass\n  end\nend\n");
  EXPECT_NE(e.find("class TNoSuchClass not found"), std::string::npos) << e;
  e = ErrorOf("object Root: TSampleRoot\n  object A: TSampleThing\n  end\n  object a: TSampleThing\n  end\nend\n");
  EXPECT_NE(e.find("already exists"), std::string::npos) << e;
  e = ErrorOf("object Root: TSampleRoot\n  object 9A: TSampleThing\n  end\nend\n");
  EXPECT_FALSE(e.empty());
}

TEST(Loader, EventsBindToTheFormsHandlersOrKeepTheNameWhenDesigning) {
  auto root = Load("object Root: TSampleRoot\n  object A: TSampleThing\n    OnPoke = DoPoke\n  end\nend\n");
  auto& a = Thing(*root, "A");
  ASSERT_TRUE(static_cast<bool>(a.OnPoke));
  a.OnPoke(&a);
  a.OnPoke(&a);
  EXPECT_EQ(static_cast<TSampleRoot&>(*root).Pokes, 2);

  auto designed = Load("object Root: TSampleRoot\n  object A: TSampleThing\n    OnPoke = Unwritten\n  end\nend\n",
                       TLoadOptions{true});
  EXPECT_TRUE(designed->HasState(csDesigning));
  EXPECT_TRUE(Thing(*designed, "A").HasState(csDesigning));
  EXPECT_EQ(Thing(*designed, "A").OnPoke.HandlerName, "Unwritten");
  EXPECT_FALSE(static_cast<bool>(Thing(*designed, "A").OnPoke));
}

TEST(Saver, OmitsDeclaredDefaultsAndWritesTheRest) {
  auto root = Load("object Root: TSampleRoot\n  object A: TSampleThing\n  end\nend\n");
  std::string text = PrintTextForm(SaveForm(*root));
  // Mode and Types differ from their declared defaults in the constructor,
  // so they are written; Always has no default and is always written.
  EXPECT_EQ(text,
            "object Root: TSampleRoot\n"
            "  object A: TSampleThing\n"
            "    Mode = cmFancy\n"
            "    Types = [itFull, itDefault, itCompact]\n"
            "    Always = False\n"
            "    Font.Charset = DEFAULT_CHARSET\n"
            "    Font.Color = clWindowText\n"
            "    Font.Height = -11\n"
            "    Font.Name = 'MS Sans Serif'\n"
            "    Font.Style = []\n"
            "  end\n"
            "end\n");
}

TEST(Saver, SetEqualToItsDeclaredDefaultIsNotWrittenAndLoadsAsTheConstructorValue) {
  auto root = Load("object Root: TSampleRoot\n  object A: TSampleThing\n"
                   "    Types = [itFull, itDefault, itCompact, itCustom]\n  end\nend\n");
  EXPECT_TRUE(Thing(*root, "A").Types.Contains(TInstallType::itCustom));
  auto again = Load(PrintTextForm(SaveForm(*root)));
  EXPECT_FALSE(Thing(*again, "A").Types.Contains(TInstallType::itCustom));
  EXPECT_TRUE(Thing(*again, "A").Types.Contains(TInstallType::itCompact));
}

TEST(Saver, LoadThenSaveIsAFixedPoint) {
  std::string text =
      "object Root: TSampleRoot\n"
      "  object A: TSampleThing\n"
      "    Tag = -1\n"
      "    Left = 16\n"
      "    Top = 32\n"
      "    Small = -128\n"
      "    Big = 5000000000\n"
      "    Colour = clBtnFace\n"
      "    Mode = cmLoud\n"
      "    Types = [itCustom]\n"
      "    Always = True\n"
      "    Text = ''\n"
      "    Ratio = 0.10000000000000001\n"
      "    When = 45312.5d\n"
      "    Link = A\n"
      "    Info.Company = 'Acme'\n"
      "    Info.Enabled = False\n"
      "    Lines.Strings = (\n      'x'\n      '')\n"
      "    Picture.Data = {\n"
      "      07544269746D61703A000000424D3A0000000000000036000000280000000100\n"
      "      0000010000000100180000000000040000000000000000000000000000000000\n"
      "      0000FF000000}\n"
      "    Font.Charset = ANSI_CHARSET\n"
      "    Font.Color = clFuchsia\n"
      "    Font.Height = -13\n"
      "    Font.Name = 'Arial'\n"
      "    Font.Style = [fsBold, fsItalic]\n"
      "    Entries = <\n      item\n        Ident = 'k'\n        Value = 3\n        Target = Root\n      end>\n"
      "    OnPoke = DoPoke\n"
      "  end\n"
      "end\n";
  auto root = Load(text);
  auto& a = Thing(*root, "A");
  EXPECT_EQ(a.Picture.Width(), 1);
  EXPECT_EQ(a.Picture.Height(), 1);
  EXPECT_EQ(a.Text, "") << "an empty string differing from the constructor value is kept";
  EXPECT_EQ(PrintTextForm(SaveForm(*root)), text);
}

TEST(Components, DestroyingAComponentClearsReferencesToIt) {
  auto root = Load(
      "object Root: TSampleRoot\n"
      "  object A: TSampleThing\n    Link = B\n"
      "    Entries = <\n      item\n        Target = B\n      end>\n  end\n"
      "  object B: TSampleThing\n  end\nend\n");
  root->FindComponent("B")->Free();
  EXPECT_EQ(root->FindComponent("B"), nullptr);
  EXPECT_EQ(Thing(*root, "A").Link, nullptr);
  EXPECT_EQ(Thing(*root, "A").Entries.ItemAs<TSampleEntry>(0)->Target, nullptr);
  EXPECT_EQ(root->ComponentCount(), 1);
}

TEST(Components, NamesAreIdentifiersUniqueWithinTheOwner) {
  TSampleRoot root(nullptr);
  auto* a = new TSampleThing(&root);
  auto* b = new TSampleThing(&root);
  a->SetName("First");
  EXPECT_THROW(b->SetName("FIRST"), EComponentError);
  EXPECT_THROW(b->SetName("has space"), EComponentError);
  b->SetName("Second");
  EXPECT_EQ(root.FindComponent("second"), b);
  a->SetName("");
  EXPECT_EQ(root.FindComponent(""), nullptr);
}

// An owner of many components finds them by name through an index: it
// follows renaming, freeing and moving to another owner, and of one name
// given twice the first in the list is found.
TEST(Components, NamesAreFoundAmongManyComponentsAfterEveryChange) {
  TSampleRoot root(nullptr), other(nullptr);
  std::vector<TSampleThing*> things;
  for (int i = 0; i < 40; ++i) {
    things.push_back(new TSampleThing(&root));
    things.back()->SetName("T" + std::to_string(i));
  }
  struct Step {
    std::function<void()> change;
    const char* name;
    TComponent* found;
  };
  const std::vector<Step> steps = {
      {[] {}, "t39", things[39]},
      {[&] { things[5]->SetName("Renamed"); }, "RENAMED", things[5]},
      {[] {}, "T5", nullptr},
      {[&] { things[6]->Free(); }, "t6", nullptr},
      {[&] { other.InsertComponent(things[7]); }, "T7", nullptr},
      {[&] { things[8]->SetName("T7"), root.InsertComponent(things[7]); }, "t7", things[8]},
      {[&] { things[8]->SetName(""); }, "T7", things[7]},
      {[&] { things[9]->SetName("Late"); }, "late", things[9]},
  };
  for (size_t i = 0; i < steps.size(); ++i) {
    steps[i].change();
    EXPECT_EQ(root.FindComponent(steps[i].name), steps[i].found) << i;
  }
  EXPECT_EQ(other.ComponentCount(), 0);
}

}  // namespace
}  // namespace brim::test
