#include "translation/cmp_TTranslator.h"

#include <climits>

#include "common/routines_Strings.h"
#include "platform/CodePages.h"
#include "platform/PlatformServices.h"
#include "session/InstallSession.h"
#include "system/routines_API.h"
#include "translation/cmp_TTranslateControls.h"
#include "widgets/ExtCtrls.h"
#include "widgets/Forms.h"
#include "widgets/StdCtrls.h"

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
      // Greek texts are in code page 1253, which the ANSI character set
      // would show as Latin letters: GREEK_CHARSET.
      {Q::qlGreek, "lgGreek", "BM_LANG_GREEK", "qmbiGreek.txt", 161, "SGreek", 8, 8},
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
      // Portuguese is written in code page 1252: the East European character
      // set would show its accented letters wrongly, so it is ANSI.
      {Q::qlPortugese, "lgPortugese", "BM_LANG_PORTUGESE", "qmbiPortugese.txt", 0, "Arial", 8, 22},
      {Q::qlRussian, "lgRussian", "BM_LANG_RUSSIAN", "qmbiRussian.txt", 204, "Arial", 8, 25},
      {Q::qlSpanish, "lgSpanish", "BM_LANG_SPANISH", "qmbiSpanish.txt", 0, "Arial", 8, 10},
      {Q::qlVietnamese, "lgVietnamese", "BM_LANG_VIETNAMESE", "qmbiVietnamese.txt", 163, "Arial",
       8, 42},
  }};
  return infos;
}

// ---- TLangFormatStrings ----

TPersistent* TLangFormatStrings::GetOwner() const { return language_; }

void TLangFormatStrings::Changed() {
  TStringList::Changed();
  language_->Parse();
}

namespace {
// Turns a language's parsing off for a while and back to what it was.
class TParseSuspension {
 public:
  explicit TParseSuspension(TLanguage& language)
      : language_(language), was_(language.ParseEnabled()) {
    language_.SetParseEnabled(false);
  }
  ~TParseSuspension() { language_.SetParseEnabled(was_); }
  TParseSuspension(const TParseSuspension&) = delete;
  TParseSuspension& operator=(const TParseSuspension&) = delete;

 private:
  TLanguage& language_;
  bool was_;
};
}  // namespace

void TLangFormatStrings::Delete(int i) {
  {
    TParseSuspension suspended(*language_);
    TStringList::Delete(i);
  }
  language_->LineDeleted(i);
}

void TLangFormatStrings::Assign(const TPersistent& source) {
  {
    TParseSuspension suspended(*language_);
    TStringList::Assign(source);
  }
  language_->Parse();
}

void TLangFormatStrings::LoadFromFile(const std::string& path) {
  std::optional<std::string> text = ReadWholeFile(path);
  if (!text) throw Exception("Cannot read the translation file %s", path);
  {
    TParseSuspension suspended(*language_);
    SetText(*text);
  }
  language_->Parse();
}

const TClassInfo& TLangFormatStrings::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TLangFormatStrings>("TLangFormatStrings", &TStringList::StaticClass()).Build();
  return info;
}

// ---- TLanguage ----

TLanguage::TLanguage(TTranslator* translator, const TLanguageInfo& info)
    : translator_(translator), info_(info) {}

TPersistent* TLanguage::GetOwner() const { return translator_; }

namespace {
constexpr size_t MaxTextLength = 255;

// Decimal with an optional sign, or hexadecimal after "$" or "0x"; nothing
// around the digits.
bool ParseGLID(const std::string& text, int32_t& glid) {
  long long value = 0;
  if (!TryStrToInt64(text, value) || value < INT32_MIN || value > INT32_MAX) return false;
  glid = static_cast<int32_t>(value);
  return true;
}

[[noreturn]] void BadFormat(int line, const std::string& text) {
  throw Exception("The %d'th string (%s) does not have the proper format of GLID;Text", line, text);
}

[[noreturn]] void BadGLID(int line, const std::string& text) {
  throw Exception("The %d'th string (%s) does not have the proper format of GLID;Text or .GLID;",
                  line, text);
}
}  // namespace

void TLanguage::Parse() {
  if (!parseEnabled_) return;
  strings_.clear();
  memos_.clear();
  try {
    bool inMemo = false;
    TLangMemoEntry memo;
    for (int i = 0; i < Strings.Count(); ++i) {
      const std::string t = Trim(Strings.Strings(i));
      if (t.empty()) continue;
      if (t == "#") {
        if (!inMemo) throw Exception("Found the end of memo marker # at line %d. Was not in a memo however", i);
        memos_.push_back(std::move(memo));
        memo = TLangMemoEntry();
        inMemo = false;
        continue;
      }
      if (t[0] == '*') continue;
      if (inMemo) {
        memo.Lines.push_back(t);
        continue;
      }
      const size_t first = t.find(';');
      std::string ident = t.substr(0, first);
      if (t[0] == '#') {
        ident.erase(0, 1);
        if (ident.empty()) BadFormat(i, t);
        if (!ParseGLID(ident, memo.GLID)) BadGLID(i, t);
        memo.Line = i;
        memo.Lines.clear();
        inMemo = true;
        continue;
      }
      TLangStringEntry entry;
      if (ident.empty()) BadFormat(i, t);
      if (!ParseGLID(ident, entry.GLID)) BadGLID(i, t);
      if (first != std::string::npos) {
        const size_t second = t.find(';', first + 1);
        entry.Text = t.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1);
      }
      if (Trim(entry.Text).empty()) BadFormat(i, t);
      if (entry.Text.size() > MaxTextLength) entry.Text.resize(MaxTextLength);
      entry.Line = i;
      strings_.push_back(std::move(entry));
    }
    // A memo still open at the end is dropped.
  } catch (...) {
    strings_.clear();
    memos_.clear();
    throw;
  }
}

void TLanguage::LineDeleted(int line) {
  for (TLangStringEntry& entry : strings_)
    if (entry.Line > line) --entry.Line;
}

const TLangStringEntry* TLanguage::StringOfGLID(int32_t glid) const {
  for (const TLangStringEntry& entry : strings_)
    if (entry.GLID == glid) return &entry;
  return nullptr;
}

const TLangMemoEntry* TLanguage::MemoOfGLID(int32_t glid) const {
  for (const TLangMemoEntry& memo : memos_)
    if (memo.GLID == glid) return &memo;
  return nullptr;
}

const TLangStringEntry* TLanguage::FindStringByText(const std::string& text) const {
  // The comparison of the user's locale, so that "NEXT >" finds "Next >"
  // and accented capitals find their small letters.
  ISystemService& system = PlatformSystem();
  for (const TLangStringEntry& entry : strings_)
    if (system.CompareText(entry.Text, text) == 0) return &entry;
  return nullptr;
}

const TLangMemoEntry* TLanguage::FindMemoByText(const std::vector<std::string>& lines) const {
  for (const TLangMemoEntry& memo : memos_)
    if (memo.Lines == lines) return &memo;
  return nullptr;
}

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

TQmbxLanguage LanguageOfLangID(uint16_t langId) {
  const int primary = langId & 0x3FF;
  const int sublanguage = langId >> 10;
  using Q = TQmbxLanguage;
  // Two languages share a primary language each; the sublanguage tells
  // Traditional from Simplified Chinese and Bokmal from Nynorsk.
  if (primary == 4) return sublanguage == 1 ? Q::qlChineseTraditional : Q::qlChineseSimplified;
  if (primary == 20) return sublanguage == 1 ? Q::qlNorwegianBokmal : Q::qlNorwegianNynorsk;
  for (const TLanguageInfo& info : LanguageInfos())
    if (info.PrimaryLanguage == primary) return info.Ident;
  return Q::qlEnglish;
}

// ---- The main translator ----

// The main translator belongs to the install session: a test's session
// starts without one, and a translator that outlives the session it was
// main in is told so when the session's state goes.
struct TMainTranslatorState {
  TTranslator* Main = nullptr;
  // The code page of the messages' texts follows their translation, and
  // goes back with it when the session ends.
  int32_t SavedMessageCharset = MessageCharset();
  ~TMainTranslatorState() {
    if (Main) Main->mainOf_ = nullptr;
    SetMessageCharset(SavedMessageCharset);
  }
};

TTranslator* MainTranslator() {
  TMainTranslatorState* state = CurrentSession().FindState<TMainTranslatorState>();
  return state ? state->Main : nullptr;
}

// ---- TTranslator ----

TTranslator::TTranslator(TComponent* owner) : TComponent(owner) {
  for (const TLanguageInfo& info : LanguageInfos())
    languages_.push_back(std::make_unique<TLanguage>(this, info));
  TInstallSession& session = CurrentSession();
  if (session.Ending()) return;
  TMainTranslatorState& state = session.State<TMainTranslatorState>();
  if (state.Main) return;
  state.Main = this;
  mainOf_ = &state;
  // The system's messages now speak the main translator's language; the
  // session gives the translation it replaced back when it ends.
  SetMessageTranslation(&TranslateMessageText);
}

TTranslator::~TTranslator() {
  if (mainOf_) mainOf_->Main = nullptr;
}

TLanguage* TTranslator::LanguageOf(TQmbxLanguage ident) const {
  for (const auto& l : languages_)
    if (l->LanguageIdent() == ident) return l.get();
  return nullptr;
}

TLanguage* TTranslator::UserLanguage() const {
  return LanguageOf(LanguageOfLangID(PlatformSystem().UserDefaultLangID()));
}

TLanguage* TTranslator::Resolve(TQmbxLanguage ident) const {
  return ident == TQmbxLanguage::qlUser ? UserLanguage() : LanguageOf(ident);
}

std::string TTranslator::TranslateText(TQmbxLanguage fromLang, const std::string& text) const {
  TLanguage* source = Resolve(fromLang);
  if (!source) return text;
  const TLangStringEntry* entry = source->FindStringByText(text);
  if (!entry) return text;
  TLanguage* target = TargetLanguage();
  const TLangStringEntry* translated = target ? target->StringOfGLID(entry->GLID) : nullptr;
  return translated ? translated->Text : text;
}

std::string TTranslator::TranslateGLID(int32_t glid, const std::string& text) const {
  TLanguage* target = TargetLanguage();
  const TLangStringEntry* translated = target ? target->StringOfGLID(glid) : nullptr;
  return translated ? translated->Text : text;
}

std::vector<std::string> TTranslator::TranslateLines(TQmbxLanguage fromLang,
                                                     const std::vector<std::string>& lines) const {
  TLanguage* source = Resolve(fromLang);
  const TLangMemoEntry* memo = source ? source->FindMemoByText(lines) : nullptr;
  if (!memo) return lines;
  TLanguage* target = TargetLanguage();
  const TLangMemoEntry* translated = target ? target->MemoOfGLID(memo->GLID) : nullptr;
  return translated ? translated->Lines : lines;
}

namespace {
// Hides a control while its texts change, and turns a label's AutoSize
// off, so that nothing is laid out for a text half translated; both come
// back however the translation ends.
class TTranslationHide {
 public:
  explicit TTranslationHide(TComponent* component) : control_(dynamic_cast<TControl*>(component)) {
    if (!control_) return;
    visible_ = control_->Visible;
    if (!dynamic_cast<TCustomForm*>(control_) && !dynamic_cast<TImage*>(control_)) control_->Visible = false;
    label_ = dynamic_cast<TCustomLabel*>(control_);
    if (label_) {
      autoSize_ = label_->AutoSize;
      label_->AutoSize = false;
    }
  }
  ~TTranslationHide() {
    if (label_) label_->AutoSize = autoSize_;
    if (control_) control_->Visible = visible_;
    // The front ends lay aligned controls out again when they show the
    // form, so a windowed control needs nothing more here.
  }
  TTranslationHide(const TTranslationHide&) = delete;
  TTranslationHide& operator=(const TTranslationHide&) = delete;

 private:
  TControl* control_;
  TCustomLabel* label_ = nullptr;
  bool visible_ = true;
  bool autoSize_ = true;
};

// The identifier a control carries, 0 for none.
int32_t GLIDOf(const TComponent& component) {
  if (auto* label = dynamic_cast<const TTranslateLabel*>(&component)) return label->GLID;
  if (auto* button = dynamic_cast<const TTranslateBitBtn*>(&component)) return button->GLID;
  return 0;
}

// Puts lines in a list only when they differ, so that an untranslated list
// reports no change.
void ReplaceLines(TStrings& strings, const std::vector<std::string>& lines) {
  if (strings.Lines() == lines) return;
  TStringList replacement;
  for (const std::string& line : lines) replacement.Add(line);
  strings.Assign(replacement);
}
}  // namespace

void TTranslator::TranslateProperties(TQmbxLanguage fromLang, TComponent& component) {
  for (const TPropInfo* prop : component.ClassType().AllProps()) {
    // The name identifies the component: it is never a text to translate.
    if (prop->Kind != TPropKind::String || SameText(prop->Name, "Name")) continue;
    const std::string value = prop->GetStr(component);
    if (Trim(value).empty()) continue;
    const std::string translated = TranslateText(fromLang, value);
    if (translated != value) prop->SetStr(component, translated);
  }
  if (auto* memo = dynamic_cast<TCustomMemo*>(&component)) {
    ReplaceLines(memo->Lines, TranslateLines(fromLang, memo->Lines.Lines()));
  } else if (auto* list = dynamic_cast<TListControl*>(&component)) {
    std::vector<std::string> items = list->Items.Lines();
    for (std::string& item : items) item = TranslateText(fromLang, item);
    ReplaceLines(list->Items, items);
  }
}

TQmbxLanguage TTranslator::TranslateComponent(TQmbxLanguage fromLang, TComponent* component) {
  if (!component) return fromLang;
  {
    TTranslationHide hidden(component);
    const int32_t glid = GLIDOf(*component);
    if (glid > 0) {
      auto& control = static_cast<TControl&>(*component);
      control.Caption = TranslateGLID(glid, control.Caption);
    }
    // A control with an identifier is never translated by its wording.
    if (glid == 0) TranslateProperties(fromLang, *component);
    for (int i = 0; i < component->ComponentCount(); ++i) {
      TComponent* owned = component->Components(i);
      if (!dynamic_cast<TCustomForm*>(owned)) TranslateComponent(fromLang, owned);
    }
  }
  TLanguage* target = TargetLanguage();
  return target && target->Strings.Count() > 0 ? TranslateIntoLanguage : fromLang;
}

namespace {
// Sets a translator's target language for a while and back in every case.
class TTargetFor {
 public:
  TTargetFor(TTranslator& translator, TQmbxLanguage language)
      : translator_(translator), was_(translator.TranslateIntoLanguage) {
    translator_.TranslateIntoLanguage = language;
  }
  ~TTargetFor() { translator_.TranslateIntoLanguage = was_; }
  TTargetFor(const TTargetFor&) = delete;
  TTargetFor& operator=(const TTargetFor&) = delete;

 private:
  TTranslator& translator_;
  TQmbxLanguage was_;
};
}  // namespace

TQmbxLanguage TTranslator::TranslateComponentInto(TQmbxLanguage fromLang, TQmbxLanguage intoLang,
                                                  TComponent* component) {
  TTargetFor target(*this, intoLang);
  return TranslateComponent(fromLang, component);
}

void TTranslator::ApplyFont(const TLanguage& language, TControl& control) {
  if (language.FontOverride) {
    control.SetFont(language.Font);
  } else {
    const TLanguageInfo& info = language.Info();
    TFont& font = control.Font();
    font.Charset = info.Charset;
    if (!info.FaceName) {
      control.FontChanged();
      throw Exception("Unrecognized language");
    }
    font.Name = info.FaceName;
    if (font.Size() < info.MinimumSize) font.SetSize(info.MinimumSize);
    control.FontChanged();
  }
  if (auto* windowed = dynamic_cast<TWinControl*>(&control))
    for (int i = 0; i < windowed->ControlCount(); ++i) ApplyFont(language, *windowed->Controls(i));
}

void TTranslator::ApplyFonts(TControl* control) {
  TLanguage* language = TargetLanguage();
  if (!language || !control) return;
  // A language without a table shows the English texts: English's font.
  if (language->Strings.Count() == 0) language = LanguageOf(TQmbxLanguage::qlEnglish);
  ApplyFont(*language, *control);
}

void TTranslator::ApplyFontsOf(TQmbxLanguage intoLang, TControl* control) {
  TTargetFor target(*this, intoLang);
  ApplyFonts(control);
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

// ---- Through the main translator ----

std::string TranslateMessageText(const std::string& text) {
  TTranslator* translator = MainTranslator();
  if (!translator) return text;
  // A message box reads its text in the code page of the language the
  // message is translated into.
  TLanguage* target = translator->TargetLanguage();
  SetMessageCharset(target && target->Strings.Count() > 0 ? target->Info().Charset : charsetDefault);
  return translator->TranslateText(TQmbxLanguage::qlEnglish, text);
}

TQmbxLanguage TranslateForm(TQmbxLanguage fromLang, TComponent* component) {
  TTranslator* translator = MainTranslator();
  return translator ? translator->TranslateComponent(fromLang, component) : fromLang;
}

TQmbxLanguage TranslateFormInto(TQmbxLanguage fromLang, TQmbxLanguage intoLang, TComponent* component) {
  TTranslator* translator = MainTranslator();
  return translator ? translator->TranslateComponentInto(fromLang, intoLang, component) : fromLang;
}

void ApplyFormFonts(TControl* control) {
  if (TTranslator* translator = MainTranslator()) translator->ApplyFonts(control);
}

void ApplyFormFontsOf(TQmbxLanguage intoLang, TControl* control) {
  if (TTranslator* translator = MainTranslator()) translator->ApplyFontsOf(intoLang, control);
}

}  // namespace brim
