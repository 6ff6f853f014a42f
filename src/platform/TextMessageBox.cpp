#include "platform/TextMessageBox.h"
#include "platform/CodePages.h"

#include <cstdlib>

#include "common/Format.h"
#include "common/routines_Strings.h"
#include "platform/AnswerScript.h"

namespace brim {

std::vector<TMessageBoxButton> MessageBoxButtons(uint32_t flags) {
  switch (flags & 0xF) {
    case boxOkCancel: return {{idOk, "OK"}, {idCancel, "Cancel"}};
    case boxAbortRetryIgnore: return {{idAbort, "Abort"}, {idRetry, "Retry"}, {idIgnore, "Ignore"}};
    case boxYesNoCancel: return {{idYes, "Yes"}, {idNo, "No"}, {idCancel, "Cancel"}};
    case boxYesNo: return {{idYes, "Yes"}, {idNo, "No"}};
    case boxRetryCancel: return {{idRetry, "Retry"}, {idCancel, "Cancel"}};
    default: return {{idOk, "OK"}};
  }
}

int DefaultMessageBoxButton(uint32_t flags) {
  std::vector<TMessageBoxButton> buttons = MessageBoxButtons(flags);
  size_t index = (flags >> 8) & 0xF;
  return index < buttons.size() ? buttons[index].Id : buttons.front().Id;
}

namespace {

const char* CaptionOf(const std::vector<TMessageBoxButton>& buttons, int id) {
  for (const auto& b : buttons)
    if (b.Id == id) return b.Caption;
  return "?";
}

// The button the user named by caption or by number (1 for the first).
std::optional<int> ChosenButton(const std::vector<TMessageBoxButton>& buttons,
                                const std::string& answer) {
  for (const auto& b : buttons)
    if (SameText(answer, b.Caption)) return b.Id;
  long long n = 0;
  if (TryStrToInt64(answer, n) && n >= 1 && n <= static_cast<long long>(buttons.size()))
    return buttons[static_cast<size_t>(n - 1)].Id;
  return std::nullopt;
}

}  // namespace

int TextMessageBox(const std::string& text, const std::string& caption, uint32_t flags,
                   TUserInterfaceKind kind, const TTextConsole& console) {
  std::vector<TMessageBoxButton> buttons = MessageBoxButtons(flags);
  int answer = DefaultMessageBoxButton(flags);
  // The console reads UTF-8; the box's texts are in the dialog language's code page.
  int32_t charset = MessageCharset();
  std::string shownCaption = Utf8FromCharset(caption, charset);
  console.Write(shownCaption + ": " + Utf8FromCharset(text, charset) + "\n");
  if (kind == TUserInterfaceKind::Script) {
    TAnswerScript* script = console.Script;
    if (!script) {
      // A script that cannot be read is reported where the program starts
      // its user interface; the box that may be telling so takes its default.
      try {
        script = &ProgramAnswerScript();
      } catch (const EAnswerScript&) {
      }
    }
    if (script && script->Next() && script->Next()->Action == "box") {
      const TAnswerLine& line = script->Take();
      std::optional<int> chosen = ChosenButton(buttons, line.Value);
      if (!chosen)
        throw EAnswerScript("The message box \"%s\" has no button \"%s\" (%s)", caption,
                            line.Value, script->Where(line));
      answer = *chosen;
    }
  }
  if (buttons.size() == 1) return answer;
  if (kind == TUserInterfaceKind::Console && console.ReadLine) {
    std::string prompt;
    for (size_t i = 0; i < buttons.size(); ++i)
      prompt += (i ? ", " : "") + std::to_string(i + 1) + " " + buttons[i].Caption;
    prompt += Format(" [%s]? ", CaptionOf(buttons, answer));
    for (;;) {
      console.Write(prompt);
      std::optional<std::string> line = console.ReadLine();
      if (!line || Trim(*line).empty()) break;
      if (std::optional<int> chosen = ChosenButton(buttons, Trim(*line))) {
        answer = *chosen;
        break;
      }
    }
  }
  console.Write(shownCaption + ": answered " + CaptionOf(buttons, answer) + "\n");
  return answer;
}

TUserInterfaceMode ParseUserInterfaceMode(const char* setting) {
  TUserInterfaceMode mode;
  if (!setting || !*setting) return mode;
  mode.Setting = setting;
  if (SameText(mode.Setting, "auto")) {
    mode.Kind = TUserInterfaceKind::Auto;
  } else if (SameText(mode.Setting, "console")) {
    mode.Kind = TUserInterfaceKind::Console;
  } else if (StartsWithText(mode.Setting, "script:") && mode.Setting.size() > 7) {
    mode.Kind = TUserInterfaceKind::Script;
    mode.ScriptFile = mode.Setting.substr(7);
  } else {
    mode.Kind = TUserInterfaceKind::Invalid;
  }
  return mode;
}

TUserInterfaceMode UserInterfaceMode() { return ParseUserInterfaceMode(std::getenv("BRIMWELL_UI")); }

}  // namespace brim
