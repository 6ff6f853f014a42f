// BrimwellLoadProgram: the loading program, which a build copies as the
// distribution's "setup.exe". It finds the setup archive "setup.1" inside
// its own file (a self-extracting setup ends with the self-extract trailer)
// or beside it, extracts its files into a new directory under the temporary
// directory, starts the setup (the archive's first file) from there and
// waits for it:
//   setup.exe           the setup with -s<distribution directory>,
//                       -e<this file's name> when self-extracting, and -c
//   setup.exe *TODISK   the setup with -s, -e and -f (copy onto floppies)
//   setup.exe *NAME...  other "*" arguments are passed on to the setup
//                       ("*LANG=German" chooses its language)
// and the switches deployment tools expect, passed on as the setup's "*"
// words: /S or /quiet (no window at all), /passive (progress only),
// /log FILE or /log=FILE, /lang=NAME, /D=PATH (the destination; the last
// switch, taken as typed with its blanks); /? prints them.
// Afterwards it removes its directory, so nothing is left behind even when
// the setup's own clean-up cannot delete a running program; unless the
// setup ended with 3010, restart required: its start after the reboot
// runs from that directory. Its exit status is the setup's; 1639 for a
// switch it does not know, 1603 when it could not start the setup, the
// error shown first (in a quiet run written to the log instead). It has
// no window of its own.
#include <cstdio>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "archive/SelfExtractTrailer.h"
#include "archive/cmp_TQmbxCompress.h"
#include "common/constants_Brimwell.h"
#include "common/exceptions_Brimwell.h"
#include "common/routines_Strings.h"
#include "platform/Platform.h"
#include "session/DeploymentOptions.h"
#include "session/InstallLog.h"
#include "system/routines_API.h"

namespace brim {
namespace {

// Where the setup archive lies: its file and its position there.
struct TSetupSource {
  std::string Archive;
  int32_t Offset = 0;
  bool Embedded = false;
};

// This file's own trailer when it has one (before a signature appended to
// the file), else "setup.1" beside it.
TSetupSource FindSetupSource(const std::string& self) {
  std::unique_ptr<IFile> file =
      PlatformFiles().Open(self, accRead, shareRead | shareWrite, TFileCreation::OpenExisting);
  if (!file) throw Exception("Cannot open the setup program %s", self);
  unsigned char bytes[SelfExtractTrailerSize] = {};
  const std::optional<int64_t> trailerEnd = ReadSelfExtractTrailerBytes(*file, bytes);
  if (trailerEnd && HasSelfExtractSignature(bytes)) {
    TSelfExtractTrailer trailer = DecodeSelfExtractTrailer(bytes);
    if (!SelfExtractTrailerFits(trailer, *trailerEnd))
      throw Exception("The setup program %s is damaged: its self-extract trailer points outside the file",
                      self);
    return {self, trailer.SetupStart, true};
  }
  std::string beside = JoinPath(ExtractFileDir(self), "setup.1");
  if (!FileExists(beside)) throw Exception("The setup archive %s was not found", beside);
  return {beside, 0, false};
}

// A new, empty directory under the temporary directory, named with the
// prefix that tells the setup's clean-up it may remove it.
std::string MakeWorkDirectory() {
  std::optional<std::string> temp = PlatformFiles().TempDirectory();
  if (!temp) throw Exception("Cannot find the temporary directory");
  for (int attempt = 0; attempt < 16; ++attempt) {
    std::optional<std::string> name = PlatformFiles().UniqueTempFileName(*temp, LoaderDirectoryPrefix);
    if (!name) break;
    // The unique name's file makes way for a directory of the same name.
    PlatformFiles().DeleteFile(*name);
    if (PlatformFiles().CreateDirectory(*name)) return *name;
  }
  throw Exception("Cannot create a directory for the setup in %s", *temp);
}

// Removes what the directory holds, then the directory; what cannot be
// removed (a program still running) stays. A link or junction found in it
// goes itself; what it leads to is never entered.
void RemoveDirectoryTree(const std::string& dir) {
  for (const TFindEntry& entry : PlatformFiles().FindFiles(JoinPath(dir, "*"))) {
    std::string path = JoinPath(dir, entry.Name);
    if ((entry.Attributes & attrDirectory) && (entry.Attributes & attrReparsePoint)) {
      PlatformFiles().RemoveDirectory(path);
    } else if (entry.Attributes & attrDirectory) {
      RemoveDirectoryTree(path);
    } else {
      if (entry.Attributes & attrReadOnly) PlatformFiles().SetAttributes(path, attrNormal);
      PlatformFiles().DeleteFile(path);
    }
  }
  PlatformFiles().RemoveDirectory(dir);
}

std::string Quoted(const std::string& argument) { return "\"" + argument + "\""; }

int RunLoader(const TDeploymentOptions& given, const std::vector<std::string>& passedOn) {
  const std::string self = PlatformModule().ModuleFileName();
  const TSetupSource source = FindSetupSource(self);
  TDeploymentOptions options = given;
  bool toDisk = false;
  // Other "*" arguments are the setup's own ("*LANG=German"): passed on.
  std::string passed;
  for (const std::string& argument : passedOn) {
    if (SameText(argument, "*TODISK")) {
      toDisk = true;
    } else {
      passed += " " + Quoted(argument);
    }
  }
  // The setup runs in a directory of its own: a log named from here is
  // named whole.
  if (!options.LogFile.empty())
    options.LogFile = PlatformFiles().FullPathName(options.LogFile).value_or(options.LogFile);
  for (const std::string& word : DeploymentWords(options)) passed += " " + Quoted(word);

  TQmbxCompress engine(nullptr);
  engine.Offset = source.Offset;
  engine.SetCompressedFile(source.Archive);
  const std::string dir = MakeWorkDirectory();
  std::string setup;
  try {
    int count = engine.FileCount();
    if (count <= 0) throw Exception("The setup archive %s holds no files", source.Archive);
    TStringList names;
    for (int i = 0; i < count; ++i) {
      TlzhFileStats stats;
      engine.GetFileStats(i, stats);
      names.Add(stats.FileName);
    }
    setup = JoinPath(dir, ArchiveNamePart(names.Strings(0)));
    engine.ExtractDirectory = dir;
    engine.SetFilesToProcess(names);
    engine.ExtractFiles();
    if (engine.Abort || !FileExists(setup)) throw Exception("The setup could not be extracted");
  } catch (const std::exception& e) {
    RemoveDirectoryTree(dir);
    const auto* own = dynamic_cast<const Exception*>(&e);
    throw Exception("Cannot extract the setup from %s: %s", source.Archive,
                    own ? own->Message() : std::string(e.what()));
  }

  std::string command = Quoted(setup) + " " + Quoted("-s" + ExtractFileDir(self));
  // -e names the file within the distribution directory that -s gives.
  if (source.Embedded) command += " " + Quoted("-e" + ExtractFileName(self));
  command += toDisk ? " -f" : " -c";
  command += passed;
  std::optional<uint32_t> status = PlatformProcesses().RunProgram(command, TShowWindow::Normal, waitForever);
  // A setup that finishes after the restart is started again from this
  // copy by the RunOnce command it registered: the copy stays for it.
  if (!status || !IsRestartRequiredStatus(*status)) RemoveDirectoryTree(dir);
  if (!status)
    throw Exception("Cannot start the setup program %s: %s", setup,
                    PlatformSystem().ErrorMessage(PlatformSystem().LastError()));
  return static_cast<int>(*status);
}

// What ended the loader before the setup could take over: in a message box,
// or, in a quiet or passive run, in the log (when one is asked for) and on
// stderr.
void ReportFailure(const TDeploymentOptions& options, const std::exception& e, int status) {
  const auto* own = dynamic_cast<const Exception*>(&e);
  const std::string message = own ? own->Message() : std::string(e.what());
  if (!options.LogFile.empty() && InstallLog().Open(options.LogFile)) {
    LogEvent(TLogKind::Command, ProgramCommandLineText());
    LogError(e);
    LogEvent(TLogKind::Exit, std::to_string(status));
  }
  if (options.Quiet || options.Passive) {
    std::fprintf(stderr, "%s\n", message.c_str());
  } else {
    PlatformWindows().MessageBox(message, "Setup", boxOk | boxIconError);
  }
}

}  // namespace
}  // namespace brim

int main(int argc, char** argv) {
  using namespace brim;
  RestrictLibrarySearch();
  SetProgramArguments(ProgramArgumentsOf(argc, argv));
  TDeploymentOptions options;
  std::vector<std::string> passed;
  try {
    options =
        ParseLoaderSwitches(ProgramArguments(), CommandLineRestAfter("/D=", argc, argv), passed);
  } catch (const std::exception& e) {
    ReportFailure(options, e, exitBadCommandLine);
    return exitBadCommandLine;
  }
  if (options.Help) {
    std::fputs(LoaderSwitchesHelp, stdout);
    std::fflush(stdout);
    return exitSuccess;
  }
  try {
    return RunLoader(options, passed);
  } catch (const std::exception& e) {
    ReportFailure(options, e, exitInstallFailed);
    return exitInstallFailed;
  }
}
