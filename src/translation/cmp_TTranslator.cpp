#include "translation/cmp_TTranslator.h"

namespace brim {

const TEnumInfo QmbxLanguageInfo(
    "TQmbxLanguage",
    {"qlChineseSimplified", "qlChineseTraditional", "qlCzech", "qlDanish", "qlDutch", "qlEnglish",
     "qlFrench", "qlGerman", "qlGreek", "qlHebrew", "qlItalian", "qlJapanese", "qlKorean",
     "qlNorwegianBokmal", "qlNorwegianNynorsk", "qlPolish", "qlPortugese", "qlRussian",
     "qlSpanish", "qlUser", "qlVietnamese"});

namespace {
// Face names outside the ANSI range, as bytes in their language's code page.
constexpr const char* ChineseFace = "\xB7\x73\xB2\xD3\xA9\xFA\xC5";
constexpr const char* JapaneseFace =
    "\x82\x6C\x82\x72\x20\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E";
constexpr const char* KoreanFace = "\xB9\xD9\xC5\xC1";
}  // namespace

const std::array<TLanguageInfo, 20>& LanguageInfos() {
  using Q = TQmbxLanguage;
  static const std::array<TLanguageInfo, 20> infos{{
      {Q::qlChineseSimplified, "lgChineseSimplified", "BM_LANG_SIMPCHINESE",
       "qmbiChineseSimplified.txt", 134, ChineseFace, 9, 4},
      {Q::qlChineseTraditional, "lgChineseTraditional", "BM_LANG_CHINESE_TRADITIONAL",
       "qmbiChineseTraditional.txt", 136, ChineseFace, 9, 4},
      {Q::qlCzech, "lgCzech", "BM_LANG_CZECH", "qmbiCzech.txt", 238, "Arial", 8, 5},
      {Q::qlDanish, "lgDanish", "BM_LANG_DANISH", "qmbiDanish.txt", 0, "Arial", 8, 6},
      {Q::qlDutch, "lgDutch", "BM_LANG_DUTCH", "qmbiDutch.txt", 0, "Arial", 8, 19},
      {Q::qlEnglish, "lgEnglish", "BM_LANG_ENGLISH", "qmbiEnglish.txt", 0, "Arial", 8, 9},
      {Q::qlFrench, "lgFrench", "BM_LANG_FRENCH", "qmbiFrench.txt", 0, "Arial", 8, 12},
      {Q::qlGerman, "lgGerman", "BM_LANG_GERMAN", "qmbiGerman.txt", 0, "MS Sans Serif", 8, 7},
      {Q::qlGreek, "lgGreek", "BM_LANG_GREEK", "qmbiGreek.txt", 0, "SGreek", 8, 8},
      {Q::qlHebrew, "lgHebrew", "BM_LANG_HEBREW", "qmbiHebrew.txt", 177, nullptr, 0, 13},
      {Q::qlItalian, "lgItalian", "BM_LANG_ITALIAN", "qmbiItalian.txt", 0, "Arial", 8, 16},
      {Q::qlJapanese, "lgJapanese", "BM_LANG_JAPANESE", "qmbiJapanese.txt", 128, JapaneseFace, 9,
       17},
      {Q::qlKorean, "lgKorean", "BM_LANG_KOREAN", "qmbiKorean.txt", 129, KoreanFace, 9, 18},
      {Q::qlNorwegianBokmal, "lgNorwegianBokmal", "BM_LANG_NORWEGIAN_BOKMAL",
       "qmbiNorwegianBokmal.txt", 0, "Arial", 8, 20},
      {Q::qlNorwegianNynorsk, "lgNorwegianNynorsk", "BM_LANG_NORWEGIAN_NYNORSK",
       "qmbiNorwegianNynorsk.txt", 0, "Arial", 8, 20},
      {Q::qlPolish, "lgPolish", "BM_LANG_POLISH", "qmbiPolish.txt", 238, "Arial", 8, 21},
      {Q::qlPortugese, "lgPortugese", "BM_LANG_PORTUGESE", "qmbiPortugese.txt", 238, "Arial", 8, 22},
      {Q::qlRussian, "lgRussian", "BM_LANG_RUSSIAN", "qmbiRussian.txt", 204, "Arial", 8, 25},
      {Q::qlSpanish, "lgSpanish", "BM_LANG_SPANISH", "qmbiSpanish.txt", 0, "Arial", 8, 10},
      {Q::qlVietnamese, "lgVietnamese", "BM_LANG_VIETNAMESE", "qmbiVietnamese.txt", 163, "Arial",
       8, 42},
  }};
  return infos;
}

TPersistent* TLangFormatStrings::GetOwner() const { return language_; }

const TClassInfo& TLangFormatStrings::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TLangFormatStrings>("TLangFormatStrings", &TStringList::StaticClass()).Build();
  return info;
}

TLanguage::TLanguage(TTranslator* translator, const TLanguageInfo& info)
    : translator_(translator), info_(info) {}

TPersistent* TLanguage::GetOwner() const { return translator_; }

namespace {
// LanguageIdent is fixed at creation: a stream may only name the value it has.
void CheckLanguageIdent(TLanguage& language, TQmbxLanguage value) {
  if (value != language.LanguageIdent())
    throw EComponentError("LanguageIdent of %s is read-only: it is %s, not %s",
                            language.Info().PropertyName,
                            QmbxLanguageInfo.Values[static_cast<int>(language.LanguageIdent())],
                            QmbxLanguageInfo.Values[static_cast<int>(value)]);
}

struct TLanguageIdentAccess {
  using Value = TQmbxLanguage;
  TQmbxLanguage get(const TPersistent& p) const {
    return static_cast<const TLanguage&>(p).LanguageIdent();
  }
  void set(TPersistent& p, TQmbxLanguage v) const { CheckLanguageIdent(static_cast<TLanguage&>(p), v); }
};
}  // namespace

const TClassInfo& TLanguage::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TLanguage>("TLanguage", &TPersistent::StaticClass())
          .Object("Font", [](TLanguage& l) { return &l.Font; })
          .Boolean("FontOverride", Field(&TLanguage::FontOverride), false)
          .Enumeration("LanguageIdent", TLanguageIdentAccess{}, QmbxLanguageInfo)
          .StoredWhen([](const TLanguage&) { return false; })
          .Object("Strings", [](TLanguage& l) { return &l.Strings; })
          .Build();
  return info;
}

namespace {
TTranslator* mainTranslator = nullptr;
}  // namespace

TTranslator* MainTranslator() { return mainTranslator; }

TTranslator::TTranslator(TComponent* owner) : TComponent(owner) {
  for (const TLanguageInfo& info : LanguageInfos())
    languages_.push_back(std::make_unique<TLanguage>(this, info));
  if (!mainTranslator) mainTranslator = this;
}

TTranslator::~TTranslator() {
  if (mainTranslator == this) mainTranslator = nullptr;
}

TLanguage* TTranslator::LanguageOf(TQmbxLanguage ident) const {
  for (const auto& l : languages_)
    if (l->LanguageIdent() == ident) return l.get();
  return nullptr;
}

const TClassInfo& TTranslator::StaticClass() {
  static const TClassInfo info = [] {
    TClassBuilder<TTranslator> b("TTranslator", &TComponent::StaticClass());
    b.Creatable();
    for (size_t i = 0; i < LanguageInfos().size(); ++i)
      b.Object(LanguageInfos()[i].PropertyName,
               [i](TTranslator& t) { return &t.Languages(static_cast<int>(i)); });
    // The declared default is the constructor's qlUser, so every other
    // target language, Norwegian Bokmal included, is written and comes back.
    b.Enumeration("TranslateIntoLanguage", Field(&TTranslator::TranslateIntoLanguage),
                  QmbxLanguageInfo, static_cast<int64_t>(TQmbxLanguage::qlUser));
    return b.Build();
  }();
  return info;
}

}  // namespace brim
