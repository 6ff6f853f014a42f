// The translator: one string table per supported language, each a list of
// "GLID;Text" lines plus memo entries, and the font each language wants.
// Texts are translated by identifier from the table of the language they
// are written in to the table of the target language; forms by walking
// their components' texts. This unit holds the languages, their fixed
// data, the translator component and the main translator, through which
// the dialogs and the system's messages are translated.
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

class TControl;
class TLanguage;
class TTranslator;
struct TMainTranslatorState;

// The lines of one language's string table. Every change made through the
// list parses the table again while the language's parse flag is set,
// except a deletion: it only moves the string entries below the deleted
// line up by one.
class TLangFormatStrings : public TStringList {
  BRIM_CLASS(TLangFormatStrings)

 public:
  explicit TLangFormatStrings(TLanguage* language) : language_(language) {}
  TLanguage* Language() const { return language_; }
  TPersistent* GetOwner() const override;

  void Delete(int i) override;
  // These parse once, after all the lines are in. A translation file
  // holds the lines in its language's code page; one that cannot be read
  // raises an Exception naming it and leaves the lines as they were.
  void Assign(const TPersistent& source) override;
  void LoadFromFile(const std::string& path);

 protected:
  void Changed() override;

 private:
  TLanguage* language_;
};

// A "GLID;Text" line of a string table.
struct TLangStringEntry {
  int32_t GLID = 0;
  std::string Text;  // as it stands between the separators, at most 255 characters
  int Line = 0;      // 0-based, in the language's Strings
};

// A memo of a string table: "#GLID;", its lines, then "#".
struct TLangMemoEntry {
  int32_t GLID = 0;
  int Line = 0;  // of its "#GLID;" line
  std::vector<std::string> Lines;
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

  // Builds the string and memo entries from Strings (while ParseEnabled).
  // A line that breaks the table's grammar raises an Exception naming its
  // 0-based line number and its trimmed text; the lines stay and the
  // language is left without any entries.
  void Parse();
  bool ParseEnabled() const { return parseEnabled_; }
  void SetParseEnabled(bool enabled) { parseEnabled_ = enabled; }

  const std::vector<TLangStringEntry>& StringEntries() const { return strings_; }
  const std::vector<TLangMemoEntry>& MemoEntries() const { return memos_; }
  // The first entry with that identifier, or null.
  const TLangStringEntry* StringOfGLID(int32_t glid) const;
  const TLangMemoEntry* MemoOfGLID(int32_t glid) const;
  // The first string entry whose text equals `text` by the platform's
  // case-insensitive comparison, or null.
  const TLangStringEntry* FindStringByText(const std::string& text) const;
  // The first memo whose lines are exactly these, or null.
  const TLangMemoEntry* FindMemoByText(const std::vector<std::string>& lines) const;

  // The font used for this language when FontOverride is set.
  TFont Font;
  bool FontOverride = false;
  TLangFormatStrings Strings{this};

 private:
  friend class TLangFormatStrings;
  void LineDeleted(int line);

  TTranslator* translator_;
  const TLanguageInfo& info_;
  bool parseEnabled_ = true;
  std::vector<TLangStringEntry> strings_;
  std::vector<TLangMemoEntry> memos_;
};

// The language a Windows language identifier stands for: its low 10 bits
// are the primary language, the upper 6 the sublanguage. A language
// without a table is English.
TQmbxLanguage LanguageOfLangID(uint16_t langId);

class TTranslator : public TComponent {
  BRIM_CLASS(TTranslator)

 public:
  // The first translator made while the session has no main translator
  // becomes it.
  explicit TTranslator(TComponent* owner);
  ~TTranslator() override;

  int LanguageCount() const { return static_cast<int>(languages_.size()); }
  TLanguage& Languages(int index) const { return *languages_.at(index); }
  // The language with that identifier, or null (qlUser has none).
  TLanguage* LanguageOf(TQmbxLanguage ident) const;
  // The language of the user's default Windows language.
  TLanguage* UserLanguage() const;
  // The user language for qlUser, else the language of that identifier.
  TLanguage* Resolve(TQmbxLanguage ident) const;
  TLanguage* TargetLanguage() const { return Resolve(TranslateIntoLanguage); }

  // The target language's text for the entry that holds `text` in fromLang;
  // the text itself when either is missing.
  std::string TranslateText(TQmbxLanguage fromLang, const std::string& text) const;
  // The target language's text of the identifier, else `text`.
  std::string TranslateGLID(int32_t glid, const std::string& text) const;
  // The target language's memo for the memo that holds `lines` in
  // fromLang; a copy of the lines when either is missing.
  std::vector<std::string> TranslateLines(TQmbxLanguage fromLang,
                                          const std::vector<std::string>& lines) const;
  // Translates the component's texts and those of everything it owns
  // (owned forms excepted). Gives the language the texts are in now:
  // TranslateIntoLanguage when the target has a table, else fromLang.
  TQmbxLanguage TranslateComponent(TQmbxLanguage fromLang, TComponent* component);
  // TranslateComponent into intoLang; TranslateIntoLanguage is unchanged after.
  TQmbxLanguage TranslateComponentInto(TQmbxLanguage fromLang, TQmbxLanguage intoLang,
                                       TComponent* component);
  // Gives the control and every control on it the target language's font:
  // the language's own Font when FontOverride, else its character set,
  // face name and minimum size. A target without lines uses English's.
  void ApplyFonts(TControl* control);
  void ApplyFontsOf(TQmbxLanguage intoLang, TControl* control);

  TQmbxLanguage TranslateIntoLanguage = TQmbxLanguage::qlUser;

 private:
  friend struct TMainTranslatorState;
  void TranslateProperties(TQmbxLanguage fromLang, TComponent& component);
  void ApplyFont(const TLanguage& language, TControl& control);

  std::vector<std::unique_ptr<TLanguage>> languages_;
  // The session state this translator is main translator of, or null.
  TMainTranslatorState* mainOf_ = nullptr;
};

// The main translator of the current install session (in a setup, the
// definition's "MainTranslator"), whose target language is the dialogs'
// language; null when there is none.
TTranslator* MainTranslator();

// Through the main translator; without one they change nothing.
// English text in, the main translator's target language out. While a
// main translator exists, the messages of IException pass through here.
std::string TranslateMessageText(const std::string& text);
// These give back the language the texts are in afterwards (fromLang
// without a main translator).
TQmbxLanguage TranslateForm(TQmbxLanguage fromLang, TComponent* component);
TQmbxLanguage TranslateFormInto(TQmbxLanguage fromLang, TQmbxLanguage intoLang,
                                TComponent* component);
void ApplyFormFonts(TControl* control);
void ApplyFormFontsOf(TQmbxLanguage intoLang, TControl* control);

}  // namespace brim
