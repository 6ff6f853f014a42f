// The translator: one string table per supported language, each a list of
// "GLID;Text" lines plus memo entries, and the font each language wants.
// Texts are translated by identifier from the table of the language they
// are written in to the table of the target language. This unit holds the
// languages, their fixed data and the translator component.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "objects/TComponent.h"
#include "objects/TGraphics.h"
#include "objects/TStrings.h"

namespace brim {

enum class TQmbxLanguage {
  qlChineseSimplified,
  qlChineseTraditional,
  qlCzech,
  qlDanish,
  qlDutch,
  qlEnglish,
  qlFrench,
  qlGerman,
  qlGreek,
  qlHebrew,
  qlItalian,
  qlJapanese,
  qlKorean,
  qlNorwegianBokmal,
  qlNorwegianNynorsk,
  qlPolish,
  qlPortugese,
  qlRussian,
  qlSpanish,
  qlUser,  // the user's default language; no table of its own
  qlVietnamese
};
extern const TEnumInfo QmbxLanguageInfo;

// The fixed data of one language.
struct TLanguageInfo {
  TQmbxLanguage Ident;
  const char* PropertyName;  // the translator's property, "lgEnglish"
  const char* LanguageName;  // "BM_LANG_ENGLISH"
  const char* FileName;      // its translation file, "qmbiEnglish.txt"
  int32_t Charset;           // the Windows font character set
  const char* FaceName;      // in the language's code page; null: none known
  int MinimumSize;           // the smallest font size in points
  int PrimaryLanguage;       // the Windows primary language it stands for
};

// The twenty languages with a table, in the order of their identifiers.
const std::array<TLanguageInfo, 20>& LanguageInfos();

class TLanguage;
class TTranslator;

// The lines of one language's string table.
class TLangFormatStrings : public TStringList {
  BRIM_CLASS(TLangFormatStrings)

 public:
  explicit TLangFormatStrings(TLanguage* language) : language_(language) {}
  TLanguage* Language() const { return language_; }
  TPersistent* GetOwner() const override;

 private:
  TLanguage* language_;
};

// One language of a translator: its string table and its font.
class TLanguage : public TPersistent {
  BRIM_CLASS(TLanguage)

 public:
  TLanguage(TTranslator* translator, const TLanguageInfo& info);

  TQmbxLanguage LanguageIdent() const { return info_.Ident; }
  const TLanguageInfo& Info() const { return info_; }
  std::string LanguageName() const { return info_.LanguageName; }
  std::string FileName() const { return info_.FileName; }
  TTranslator* Translator() const { return translator_; }
  TPersistent* GetOwner() const override;

  // The font used for this language when FontOverride is set.
  TFont Font;
  bool FontOverride = false;
  TLangFormatStrings Strings{this};

 private:
  TTranslator* translator_;
  const TLanguageInfo& info_;
};

class TTranslator : public TComponent {
  BRIM_CLASS(TTranslator)

 public:
  // The first translator made while there is no main translator becomes it.
  explicit TTranslator(TComponent* owner);
  ~TTranslator() override;

  int LanguageCount() const { return static_cast<int>(languages_.size()); }
  TLanguage& Languages(int index) const { return *languages_.at(index); }
  // The language with that identifier, or null (qlUser has none).
  TLanguage* LanguageOf(TQmbxLanguage ident) const;

  TQmbxLanguage TranslateIntoLanguage = TQmbxLanguage::qlUser;

 private:
  std::vector<std::unique_ptr<TLanguage>> languages_;
};

// The main translator of the program (in a setup, the definition's
// "MainTranslator"), whose target language is the dialogs' language; null
// when there is none.
TTranslator* MainTranslator();

}  // namespace brim
