#include "session/DeploymentOptions.h"

#include "common/exceptions_Brimwell.h"
#include "common/routines_Strings.h"

namespace brim {

namespace {

// The text after prefix when argument begins with it (letter case ignored).
std::optional<std::string> After(const std::string& argument, const char* prefix) {
  if (!StartsWithText(argument, prefix)) return std::nullopt;
  return argument.substr(std::string(prefix).size());
}

}  // namespace

bool TakeDeploymentWord(const std::string& argument, TDeploymentOptions& options) {
  if (SameText(argument, "*QUIET")) {
    options.Quiet = true;
  } else if (SameText(argument, "*PASSIVE")) {
    options.Passive = true;
  } else if (auto file = After(argument, "*LOG=")) {
    options.LogFile = *file;
  } else if (auto dir = After(argument, "*INSTALLDIR=")) {
    options.InstallDir = Trim(*dir);
  } else if (auto language = After(argument, "*LANG=")) {
    options.Language = *language;
  } else {
    return false;
  }
  return true;
}

TDeploymentOptions DeploymentWordsOf(const std::vector<std::string>& arguments) {
  TDeploymentOptions options;
  for (const std::string& argument : arguments) TakeDeploymentWord(argument, options);
  return options;
}

TDeploymentOptions ParseLoaderSwitches(const std::vector<std::string>& arguments,
                                       const std::optional<std::string>& destination,
                                       std::vector<std::string>& passed) {
  TDeploymentOptions options;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (!argument.empty() && argument[0] == '*') {
      passed.push_back(argument);
    } else if (SameText(argument, "/S") || SameText(argument, "/quiet")) {
      options.Quiet = true;
    } else if (SameText(argument, "/passive")) {
      options.Passive = true;
    } else if (SameText(argument, "/?") || SameText(argument, "/help")) {
      options.Help = true;
    } else if (SameText(argument, "/log") && i + 1 < arguments.size()) {
      options.LogFile = arguments[++i];
    } else if (auto file = After(argument, "/log="); file && !file->empty()) {
      options.LogFile = *file;
    } else if (auto language = After(argument, "/lang="); language && !language->empty()) {
      options.Language = *language;
    } else if (auto dir = After(argument, "/D=");
               dir && !Trim(destination.value_or(*dir)).empty()) {
      options.InstallDir = Trim(destination.value_or(*dir));
      return options;
    } else {
      throw IException(
          "Invalid parameter <%s>. Valid command line parameters are: /S or /quiet, /passive, "
          "/log FILE, /lang=NAME, /D=PATH (the last one), /?",
          argument);
    }
  }
  return options;
}

std::vector<std::string> DeploymentWords(const TDeploymentOptions& options) {
  std::vector<std::string> words;
  if (options.Quiet) words.push_back("*QUIET");
  if (options.Passive) words.push_back("*PASSIVE");
  if (!options.LogFile.empty()) words.push_back("*LOG=" + options.LogFile);
  if (!options.Language.empty()) words.push_back("*LANG=" + options.Language);
  if (!options.InstallDir.empty()) words.push_back("*INSTALLDIR=" + options.InstallDir);
  return words;
}

const char* const LoaderSwitchesHelp =
    "Usage: setup.exe [switches]\r\n"
    "  /S, /quiet   install with no window at all: every page and message takes its\r\n"
    "               default answer; errors go to the log and the exit code\r\n"
    "  /passive     show the progress only, ask nothing\r\n"
    "  /log FILE    write the install log to FILE (also /log=FILE)\r\n"
    "  /lang=NAME   the language of the pages and messages (English, German, ...)\r\n"
    "  /D=PATH      the installation's destination folder; the last switch, may hold blanks\r\n"
    "  /?           this text\r\n"
    "Exit codes: 0 installed, 3010 installed and a restart is needed, 1602 cancelled by\r\n"
    "the user, 1603 failed, 1639 a bad command line.\r\n";

}  // namespace brim
