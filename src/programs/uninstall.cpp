// uninstall: removes a product a setup installed, by the record under its
// Uninstall key (TUninstaller). Its command line:
//
//   uninstall [/S | /quiet] [/log=FILE | /log FILE] PRODUCT NAME
//
// The leading switches it knows are taken off; the rest, its words joined
// by one blank, is the product name (unquoted, blanks allowed). Without
// /S or /quiet it asks first and says how it went, in the language the
// setup ran in ("SetupLanguage" beside the record), else in the user's;
// with them it shows nothing. /log writes the install log.
//
// Exit status: 0 removed; 3010 removed, some of it at the next start of
// Windows; 1602 the user said No; 1603 not removed (no record) or some
// entries were refused or could not be removed; 1639 no product named.
// A posix status keeps the low 8 bits.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "common/constants_Brimwell.h"
#include "common/routines_Strings.h"
#include "platform/CodePages.h"
#include "platform/ModuleService.h"
#include "platform/PlatformServices.h"
#include "platform/ProgramRemoval.h"
#include "platform/WindowService.h"
#include "session/InstallLog.h"
#include "session/InstallSession.h"
#include "translation/cmp_TTranslator.h"
#include "uninstall/TUninstaller.h"
#include "uninstall/UninstallRecord.h"

#ifdef __GLIBCXX__
// As in the setup: no demangler pulled in for an error nothing handles.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
  std::fputs("uninstall: terminated by an error nothing handled\n", stderr);
  std::abort();
}
}  // namespace __gnu_cxx
#endif

namespace {

using namespace brim;

// The uninstaller's texts in the string tables.
constexpr int32_t glidCaption = 89;
constexpr int32_t glidQuestion = 90;
constexpr int32_t glidRemoved = 91;
constexpr int32_t glidRemovedAtRestart = 92;
constexpr int32_t glidNotAllRemoved = 93;
// The problems a message box lists; the log has them all.
constexpr size_t kProblemsShown = 15;

struct TCommandLine {
  bool Quiet = false;
  std::string LogFile;
  std::string ProductName;
};

bool IsSwitch(const std::string& word, const char* name) { return SameText(word, name); }

TCommandLine ParseCommandLine(const std::vector<std::string>& words) {
  TCommandLine line;
  size_t i = 0;
  for (; i < words.size(); ++i) {
    const std::string& word = words[i];
    if (IsSwitch(word, "/S") || IsSwitch(word, "/quiet")) {
      line.Quiet = true;
    } else if (word.size() > 5 && SameText(word.substr(0, 5), "/log=")) {
      line.LogFile = word.substr(5);
    } else if (IsSwitch(word, "/log") && i + 1 < words.size()) {
      line.LogFile = words[++i];
    } else {
      break;
    }
  }
  for (; i < words.size(); ++i)
    line.ProductName += (line.ProductName.empty() ? "" : " ") + words[i];
  line.ProductName = Trim(line.ProductName);
  return line;
}

// The uninstaller's lines of each string table, linked into the program.
void LoadTables(TTranslator& translator) {
  for (int i = 0; i < translator.LanguageCount(); ++i) {
    TLanguage& language = translator.Languages(i);
    const std::string file = language.FileName();
    if (auto lines = PlatformModule().LoadResource(file.substr(0, file.find('.'))))
      language.Strings.SetText(*lines);
  }
}

TQmbxLanguage LanguageNamed(const std::string& name) {
  for (const TLanguageInfo& info : LanguageInfos())
    if (!name.empty() && SameText(name, std::string(info.PropertyName).substr(2)))
      return info.Ident;
  return TQmbxLanguage::qlUser;
}

class TUninstallProgram {
 public:
  explicit TUninstallProgram(TCommandLine line) : line_(std::move(line)) {
    LoadTables(translator_);
  }

  int Run() {
    TUninstallRecord record;
    try {
      record = ReadUninstallRecord(line_.ProductName);
    } catch (const IEUninstall& e) {
      LogError(e);
      if (line_.Quiet) std::fprintf(stderr, "uninstall: %s\n", e.Message().c_str());
      Show(e.Message(), boxOk | boxIconError);
      return exitInstallFailed;
    }
    translator_.TranslateIntoLanguage = LanguageNamed(record.SetupLanguage);
    TLanguage* target = translator_.TargetLanguage();
    SetMessageCharset(target && target->Strings.Count() > 0 ? target->Info().Charset
                                                            : charsetDefault);
    if (!line_.Quiet && Show(Text(glidQuestion,
                                  "Do you want to remove %s and all of its components "
                                  "from your computer?"),
                             boxYesNo | boxIconQuestion) != idYes) {
      LogEvent(TLogKind::Info, "The user chose not to uninstall " + line_.ProductName);
      return exitUserCancelled;
    }
    TUninstallOutcome outcome = TUninstaller(std::move(record)).Run();
    if (!outcome.Problems.empty()) {
      std::string text = Text(glidNotAllRemoved, "Some items of %s could not be removed:");
      for (size_t i = 0; i < outcome.Problems.size(); ++i) {
        std::fprintf(stderr, "uninstall: %s\n", outcome.Problems[i].c_str());
        if (i < kProblemsShown) text += "\n" + outcome.Problems[i];
      }
      if (outcome.Problems.size() > kProblemsShown) text += "\n...";
      Show(text, boxOk | boxIconWarning);
      return exitInstallFailed;
    }
    if (outcome.RestartRequired()) {
      Show(Text(glidRemovedAtRestart,
                "%s was removed. Some files are removed when you restart your computer."),
           boxOk | boxIconInformation);
      return exitRestartRequired;
    }
    Show(Text(glidRemoved, "%s was removed from your computer."), boxOk | boxIconInformation);
    return exitSuccess;
  }

 private:
  // The text of the identifier in the chosen language, with the product's name.
  std::string Text(int32_t glid, const std::string& english) const {
    return Format(translator_.TranslateGLID(glid, english), line_.ProductName);
  }
  int Show(const std::string& text, uint32_t flags) {
    if (line_.Quiet) return idYes;
    return PlatformWindows().MessageBox(text, translator_.TranslateGLID(glidCaption, "Uninstall"),
                                        flags);
  }

  TCommandLine line_;
  TTranslator translator_{nullptr};
};

}  // namespace

int main(int argc, char** argv) {
  RestrictLibrarySearch();
  SetProgramArguments(ProgramArgumentsOf(argc, argv));
  // A copy of the uninstaller started to remove it after it ended.
  if (RunRemovalHelper(ProgramArguments())) return exitSuccess;
  TCommandLine line = ParseCommandLine(ProgramArguments());
  TInstallSession session;
  if (!line.LogFile.empty() && !InstallLog().Open(line.LogFile))
    std::fprintf(stderr, "uninstall: cannot write the log %s\n", line.LogFile.c_str());
  LogEvent(TLogKind::Command, ProgramCommandLineText());
  int status = exitBadCommandLine;
  if (line.ProductName.empty()) {
    const std::string usage = "usage: uninstall [/S | /quiet] [/log=FILE] PRODUCT NAME";
    if (line.Quiet)
      std::fprintf(stderr, "%s\n", usage.c_str());
    else
      PlatformWindows().MessageBox(usage, "Uninstall", boxOk | boxIconError);
  } else {
    try {
      status = TUninstallProgram(line).Run();
    } catch (const std::exception& e) {
      // An answer script that does not fit, or a machine that fails a call.
      LogError(e);
      std::fprintf(stderr, "uninstall: %s\n", e.what());
      status = exitInstallFailed;
    }
  }
  LogEvent(TLogKind::Exit, std::to_string(status));
  return status;
}
