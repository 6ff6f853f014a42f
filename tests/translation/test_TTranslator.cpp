// The translator as a definition declares it: twenty languages, each with
// its string table and font, reached by dotted paths.
#include <gtest/gtest.h>

#include "engine/DefinitionTestForm.h"
#include "objects/FormLoader.h"
#include "objects/TextForm.h"
#include "translation/cmp_TTranslator.h"

namespace brim::test {
namespace {

using Names = std::vector<std::string>;

TEST(TranslatorLanguages, TwentyLanguagesInIdentifierOrderWithoutUser) {
  TTranslator translator(nullptr);
  ASSERT_EQ(translator.LanguageCount(), 20);
  EXPECT_EQ(translator.Languages(0).LanguageIdent(), TQmbxLanguage::qlChineseSimplified);
  EXPECT_EQ(translator.Languages(18).LanguageIdent(), TQmbxLanguage::qlSpanish);
  EXPECT_EQ(translator.Languages(19).LanguageIdent(), TQmbxLanguage::qlVietnamese);
  EXPECT_EQ(translator.LanguageOf(TQmbxLanguage::qlUser), nullptr);
  TLanguage* english = translator.LanguageOf(TQmbxLanguage::qlEnglish);
  ASSERT_NE(english, nullptr);
  EXPECT_EQ(english->LanguageName(), "BM_LANG_ENGLISH");
  EXPECT_EQ(english->FileName(), "qmbiEnglish.txt");
  EXPECT_EQ(english->Translator(), &translator);
  EXPECT_EQ(translator.LanguageOf(TQmbxLanguage::qlPortugese)->FileName(), "qmbiPortugese.txt");
  EXPECT_EQ(translator.TranslateIntoLanguage, TQmbxLanguage::qlUser);
}

TEST(TranslatorLanguages, EachLanguagePropertyHoldsItsLanguage) {
  TTranslator translator(nullptr);
  for (const TLanguageInfo& info : LanguageInfos()) {
    const TPropInfo* prop = TTranslator::StaticClass().FindProp(info.PropertyName);
    ASSERT_NE(prop, nullptr) << info.PropertyName;
    auto* language = dynamic_cast<TLanguage*>(prop->GetObject(translator));
    ASSERT_NE(language, nullptr) << info.PropertyName;
    EXPECT_EQ(language->LanguageIdent(), info.Ident) << info.PropertyName;
  }
  EXPECT_EQ(TTranslator::StaticClass().FindProp("lgUser"), nullptr);
}

TEST(TranslatorStreams, StringTableAndFontLoadByDottedPath) {
  auto form = LoadComponents(R"(
    object MainTranslator: TTranslator
      lgEnglish.Font.Height = -13
      lgEnglish.Font.Name = 'Arial'
      lgEnglish.FontOverride = True
      lgEnglish.Strings.Strings = (
        '* common buttons'
        '4;< Previous'
        ''
        '5;Next >')
      lgGerman.Strings.Strings = (
        '5;Weiter >')
    end)");
  auto* translator = form->Find<TTranslator>("MainTranslator");
  TLanguage* english = translator->LanguageOf(TQmbxLanguage::qlEnglish);
  EXPECT_EQ(english->Font.Height, -13);
  EXPECT_EQ(english->Font.Name, "Arial");
  EXPECT_TRUE(english->FontOverride);
  EXPECT_EQ(english->Strings.Lines(), (Names{"* common buttons", "4;< Previous", "", "5;Next >"}));
  EXPECT_EQ(translator->LanguageOf(TQmbxLanguage::qlGerman)->Strings.Lines(), Names{"5;Weiter >"});
  EXPECT_FALSE(translator->LanguageOf(TQmbxLanguage::qlFrench)->FontOverride);
  auto props = SavedProperties(*form, "MainTranslator");
  ASSERT_TRUE(SavedValue(props, "lgEnglish.Strings.Strings").has_value());
  EXPECT_EQ(SavedValue(props, "lgEnglish.Strings.Strings")->List.size(), 4u);
  EXPECT_EQ(SavedValue(props, "lgEnglish.Font.Height")->Int, -13);
  EXPECT_FALSE(SavedValue(props, "lgFrench.Strings.Strings").has_value());
}

TEST(TranslatorStreams, AnUnknownLanguageOrABrokenTableIsNamed) {
  EXPECT_CONTAINS(LoadError("object T: TTranslator\n lgKlingon.FontOverride = True\nend"),
                  "TTranslator has no property lgKlingon");
  const std::string broken = LoadError("object T: TTranslator\n lgGerman.Strings.Strings = ('5;Weiter >' '6;')\nend");
  EXPECT_CONTAINS(broken, "lgGerman.Strings");
  EXPECT_CONTAINS(broken, "The 1'th string (6;) does not have the proper format of GLID;Text");
}

TEST(TranslatorStreams, TheLanguageIdentIsFixed) {
  auto form = LoadComponents(R"(
    object T: TTranslator
      lgFrench.LanguageIdent = qlFrench
    end)");
  // Never written, however it was declared.
  for (const auto& p : SavedProperties(*form, "T"))
    EXPECT_EQ(p.Name.find("LanguageIdent"), std::string::npos) << p.Name;
  EXPECT_CONTAINS(LoadError("object T: TTranslator\n lgFrench.LanguageIdent = qlGerman\nend"),
                  "LanguageIdent of lgFrench is read-only");
}

TEST(TranslatorStreams, EveryTargetLanguageButTheDefaultIsStoredAndComesBack) {
  auto bokmal = LoadComponents("object T: TTranslator\n TranslateIntoLanguage = qlNorwegianBokmal\nend");
  std::optional<TValue> saved = SavedValue(SavedProperties(*bokmal, "T"), "TranslateIntoLanguage");
  ASSERT_TRUE(saved.has_value());
  EXPECT_EQ(saved->Str, "qlNorwegianBokmal");
  auto again = LoadDefinition(PrintTextForm(SaveForm(*bokmal)));
  EXPECT_EQ(again->Find<TTranslator>("T")->TranslateIntoLanguage, TQmbxLanguage::qlNorwegianBokmal);
  // A new translator's qlUser is the default and is left out.
  auto fresh = LoadComponents("object T: TTranslator\nend");
  EXPECT_FALSE(SavedValue(SavedProperties(*fresh, "T"), "TranslateIntoLanguage").has_value());
  EXPECT_EQ(fresh->Find<TTranslator>("T")->TranslateIntoLanguage, TQmbxLanguage::qlUser);
}

TEST(TranslatorStreams, ALanguageNameOutsideTheEnumerationIsNamed) {
  EXPECT_CONTAINS(LoadError("object T: TTranslator\n TranslateIntoLanguage = qlLatin\nend"),
                  "qlLatin is not a value of TQmbxLanguage");
}

}  // namespace
}  // namespace brim::test
