// How an administrator deploys a setup: no window at all (quiet), the
// progress only (passive), a log file, the installation's destination and
// its language. The loading program takes them as the switches deployment
// tools expect ("/S", "/quiet", "/passive", "/log FILE", "/D=PATH",
// "/lang=NAME") and passes them on to the setup as its "*" words
// ("*QUIET", "*PASSIVE", "*LOG=FILE", "*INSTALLDIR=PATH", "*LANG=NAME"),
// whose second letter picks no switch of the setup's own, so a setup that
// does not know a word passes it by.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace brim {

struct TDeploymentOptions {
  bool Quiet = false;
  bool Passive = false;
  std::string LogFile;
  std::string InstallDir;
  std::string Language;
  // "/?": the loading program prints its switches and ends.
  bool Help = false;
};

// Takes one of the setup's "*" words (letter case ignored) into options;
// false when argument is none of them.
bool TakeDeploymentWord(const std::string& argument, TDeploymentOptions& options);
// The "*" words of the setup's command line.
TDeploymentOptions DeploymentWordsOf(const std::vector<std::string>& arguments);

// The loading program's switches. destination is the text after "/D=" as
// typed (its blanks kept), when the command line has it; "/D=" ends the
// switches, so the arguments after it are part of that path. Other "*"
// arguments go to passed, to be handed on as they are. A switch it does
// not know fails with the setup's invalid-parameter error.
TDeploymentOptions ParseLoaderSwitches(const std::vector<std::string>& arguments,
                                       const std::optional<std::string>& destination,
                                       std::vector<std::string>& passed);
// The setup's "*" words for the options, each one argument.
std::vector<std::string> DeploymentWords(const TDeploymentOptions& options);

// What "setup.exe /?" prints.
extern const char* const LoaderSwitchesHelp;

}  // namespace brim
