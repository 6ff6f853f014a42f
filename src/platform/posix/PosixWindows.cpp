// IWindowService of the posix build: there is no screen, so windows are
// the headless records and message boxes never block (BRIMWELL_UI=console,
// or unset with a terminal on stdin, reads the answer from stdin).
#include <unistd.h>

#include <cstdio>

#include "platform/HeadlessWindows.h"
#include "platform/NativeServices.h"

namespace brim {

TTextConsole StandardTextConsole() {
  TTextConsole console;
  console.Write = [](const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
  };
  console.ReadLine = []() -> std::optional<std::string> {
    std::string line;
    int c;
    while ((c = std::getchar()) != EOF && c != '\n') line += static_cast<char>(c);
    if (c == EOF && line.empty()) return std::nullopt;
    return line;
  };
  return console;
}

bool StandardInputIsTerminal() { return ::isatty(0) != 0; }

IWindowService& NativeWindows() {
  // Without a setting the console is the user interface when a person
  // sits at it.
  static THeadlessWindowService service([] {
    TUserInterfaceKind kind = UserInterfaceMode().Kind;
    return kind == TUserInterfaceKind::Native && StandardInputIsTerminal() ? TUserInterfaceKind::Console
                                                                         : kind;
  }());
  return service;
}

}  // namespace brim
