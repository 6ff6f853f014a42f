// The message box of the user interfaces that never block on a window
// (BRIMWELL_UI=auto, console and script:FILE): its text goes to stderr, so
// an unattended install and every test leave a trace of what was asked,
// and the answer is the default button or, on the console, what the user
// types. Both backends use it; each brings its own way to stderr and stdin.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace brim {

class TAnswerScript;

// Where the text of a box goes and where a console answer comes from.
struct TTextConsole {
  std::function<void(const std::string& text)> Write;
  // One line without its line break; empty at the end of the input.
  std::function<std::optional<std::string>()> ReadLine;
  // The answers of script mode; null takes the program's (BRIMWELL_UI).
  TAnswerScript* Script = nullptr;
};

// The program's own stderr and stdin (each backend defines it).
TTextConsole StandardTextConsole();
// True when stdin is a terminal a person types on.
bool StandardInputIsTerminal();

struct TMessageBoxButton {
  int Id;
  const char* Caption;
};

// The buttons a box with these flags shows, in order.
std::vector<TMessageBoxButton> MessageBoxButtons(uint32_t flags);
// The answer of a box closed by its default button (MB_DEFBUTTON1..3; a
// default beyond the last button is the first, as Windows takes it).
int DefaultMessageBoxButton(uint32_t flags);

// Shows the box as the mode asks: "CAPTION: TEXT" on the console, then the
// answer. Console mode asks until it gets a button's name or number (an
// empty line or the end of the input takes the default). Script mode takes
// the script's next statement when it is a box line.
int TextMessageBox(const std::string& text, const std::string& caption, uint32_t flags,
                   TUserInterfaceKind kind, const TTextConsole& console);

}  // namespace brim
