#include "platform/AnswerScript.h"

#include <exception>
#include <fstream>
#include <optional>
#include <sstream>

#include "common/Format.h"
#include "common/routines_Strings.h"
#include "platform/WindowService.h"

namespace brim {

namespace {

// The first word of text and the rest after the spaces that follow it.
std::pair<std::string, std::string> SplitWord(const std::string& text) {
  size_t end = text.find_first_of(" \t");
  if (end == std::string::npos) return {text, ""};
  size_t rest = text.find_first_not_of(" \t", end);
  return {text.substr(0, end), rest == std::string::npos ? "" : text.substr(rest)};
}

std::string TrimRight(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.pop_back();
  return s;
}

}  // namespace

TAnswerScript::TAnswerScript(const std::string& text, std::string file) : file_(std::move(file)) {
  std::vector<std::string> lines = SplitLines(text);
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string body = TrimRight(lines[i]);
    size_t start = body.find_first_not_of(" \t");
    if (start == std::string::npos || body[start] == '#') continue;
    TAnswerLine line;
    line.Line = static_cast<int>(i + 1);
    auto [action, rest] = SplitWord(body.substr(start));
    line.Action = LowerCase(action);
    auto where = [&] { return Where(line); };
    if (line.Action == "set" || line.Action == "pick" || line.Action == "check") {
      auto [target, value] = SplitWord(rest);
      if (target.empty()) throw EAnswerScript("\"%s\" needs a control name in %s", action, where());
      line.Target = target;
      line.Value = value;
      if (line.Action == "pick" && value.empty())
        throw EAnswerScript("\"pick\" needs a list entry in %s", where());
      if (line.Action == "check" && !SameText(value, "on") && !SameText(value, "off"))
        throw EAnswerScript("\"check\" needs on or off in %s", where());
    } else if (line.Action == "page" || line.Action == "press" || line.Action == "box" ||
               line.Action == "folder") {
      if (rest.empty()) throw EAnswerScript("\"%s\" needs a text in %s", action, where());
      line.Value = rest;
    } else if (line.Action != "cancel") {
      throw EAnswerScript("Unknown action \"%s\" in %s", action, where());
    }
    lines_.push_back(std::move(line));
  }
}

TAnswerScript TAnswerScript::Load(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  if (in) text << in.rdbuf();
  if (!in || in.bad()) throw EAnswerScript("Cannot read the answer script %s", file);
  return TAnswerScript(text.str(), file);
}

std::string TAnswerScript::Where(const TAnswerLine& line) const {
  return Format("line %d of the answer script %s", line.Line, file_);
}

TAnswerScript& ProgramAnswerScript() {
  static std::optional<TAnswerScript> script;
  static std::exception_ptr failure;
  if (failure) std::rethrow_exception(failure);
  if (!script) {
    try {
      script = TAnswerScript::Load(UserInterfaceMode().ScriptFile);
    } catch (...) {
      failure = std::current_exception();
      throw;
    }
  }
  return *script;
}

}  // namespace brim
