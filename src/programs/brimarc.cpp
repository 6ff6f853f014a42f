// brimarc: the archive format from the command line, through the one
// compression engine (TQmbxCompress) the setup itself uses.
//   brimarc list ARCHIVE [--offset N]
//   brimarc create ARCHIVE [--add] [--level none|fastest|default|max] [--id N] FILE...
//   brimarc extract ARCHIVE [--offset N] [--overwrite MODE] -C DIR [NAME...]
//   brimarc split ARCHIVE [--offset N] DIR VOLUMENAME --volume-size BYTES
//   brimarc copy SRC DEST [--overwrite MODE]
// Paths on the command line are the host's. A FILE is stored under the path
// as given (on posix the platform takes "/" as "\", so both relative and
// absolute host paths reach the file through the machine's drive Z:).
// Errors are the engine's messages on stderr with a non-zero exit status;
// progress goes to stderr when it is a terminal; Ctrl-C aborts the running
// operation at its next checkpoint, as the setup's Cancel button does.
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>

#include "platform/posix/SubstituteMachine.h"
#endif

#include "archive/cmp_TQmbxCompress.h"
#include "common/exceptions_Brimwell.h"
#include "common/routines_Strings.h"
#include "components/cmp_TVersion.h"
#include "platform/ForwardingServices.h"
#include "platform/Platform.h"
#include "session/InstallSession.h"

namespace {

using namespace brim;

int Usage() {
  std::cerr
      << "usage: brimarc list ARCHIVE [--offset N]\n"
         "       brimarc create ARCHIVE [--add] [--level none|fastest|default|max] [--id N] "
         "FILE...\n"
         "       brimarc extract ARCHIVE [--offset N] [--overwrite MODE] -C DIR [NAME...]\n"
         "       brimarc split ARCHIVE [--offset N] DIR VOLUMENAME --volume-size BYTES\n"
         "       brimarc copy SRC DEST [--overwrite MODE]\n"
         "MODE is always, never, version, date or versiondate (default always).\n"
         "A NAME is a stored name as list shows it (letter case aside), or its file name.\n"
         "VOLUMENAME is the first volume's file name and ends in \".1\".\n"
#ifndef _WIN32
         "Files are reached through the substitute machine's drive Z: (the host's /):\n"
         "the machine named by BRIMWELL_MACHINE, or else a fresh one in a temporary\n"
         "directory for this run only.\n"
#endif
      ;
  return 2;
}

// A bad command line: usage text and exit status 2.
struct TUsageError {};

// What an error message is prefixed with: the archive or file the command
// works on, and the stored name of the file being extracted.
std::string errorContext;

// ---- The command line ----

struct TArguments {
  std::string Command;
  std::vector<std::string> Positional;
  bool Add = false;
  std::optional<TCompressionLevel> Level;
  std::optional<int32_t> FileID;
  std::optional<int32_t> Offset;
  std::optional<TOverwriteType> Overwrite;
  std::optional<std::string> Directory;  // -C
  std::optional<int64_t> VolumeSize;
};

int64_t NumberOption(const std::string& option, const std::string& value, int64_t low,
                     int64_t high) {
  long long number = 0;
  if (!TryStrToInt64(value, number) || number < low || number > high)
    throw Exception("The value %s of %s is not a number from %d to %d", value, option, low, high);
  return number;
}

template <class E, size_t N>
E ChoiceOption(const std::string& option, const std::string& value,
               const std::pair<const char*, E> (&choices)[N]) {
  for (const auto& [name, choice] : choices)
    if (value == name) return choice;
  std::string names;
  for (const auto& [name, choice] : choices) names += (names.empty() ? "" : ", ") + std::string(name);
  throw Exception("Unknown value %s of %s (choose %s)", value, option, names);
}

TArguments Parse(const std::vector<std::string>& args) {
  if (args.empty()) throw TUsageError();
  TArguments a;
  a.Command = args[0];
  bool optionsEnd = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnd || arg.empty() || arg[0] != '-' || arg == "-") {
      a.Positional.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnd = true;
      continue;
    }
    if (arg == "--add") {
      a.Add = true;
      continue;
    }
    if (i + 1 >= args.size()) throw TUsageError();
    const std::string& value = args[++i];
    if (arg == "--level") {
      static const std::pair<const char*, TCompressionLevel> levels[] = {
          {"none", TCompressionLevel::colNone}, {"fastest", TCompressionLevel::colFastest},
          {"default", TCompressionLevel::colDefault}, {"max", TCompressionLevel::colMax}};
      a.Level = ChoiceOption(arg, value, levels);
    } else if (arg == "--overwrite") {
      static const std::pair<const char*, TOverwriteType> modes[] = {
          {"always", TOverwriteType::owAlways}, {"never", TOverwriteType::owNever},
          {"version", TOverwriteType::owVersion}, {"date", TOverwriteType::owDate},
          {"versiondate", TOverwriteType::owVersionDate}};
      a.Overwrite = ChoiceOption(arg, value, modes);
    } else if (arg == "--id") {
      a.FileID = static_cast<int32_t>(NumberOption(arg, value, INT32_MIN, INT32_MAX));
    } else if (arg == "--offset") {
      a.Offset = static_cast<int32_t>(NumberOption(arg, value, 0, INT32_MAX));
    } else if (arg == "--volume-size") {
      a.VolumeSize = NumberOption(arg, value, 1, INT32_MAX);
    } else if (arg == "-C") {
      a.Directory = value;
    } else {
      throw TUsageError();
    }
  }
  return a;
}

// Refuses options the command does not take.
void Allow(const TArguments& a, bool add, bool level, bool id, bool offset, bool overwrite,
           bool directory, bool volumeSize) {
  if ((a.Add && !add) || (a.Level && !level) || (a.FileID && !id) || (a.Offset && !offset) ||
      (a.Overwrite && !overwrite) || (a.Directory && !directory) || (a.VolumeSize && !volumeSize))
    throw TUsageError();
}

// ---- Paths ----

// An absolute path for the engine, which needs a directory part: the
// platform makes it so (on posix a Z: path of the host's file).
std::string FullPath(const std::string& path) {
  auto full = PlatformFiles().FullPathName(path);
  if (!full) throw Exception("The path %s is not valid", path);
  return *full;
}

bool IsDirectory(const std::string& path) {
  auto attributes = PlatformFiles().GetAttributes(path);
  return attributes && (*attributes & attrDirectory);
}

bool IsPresent(const std::string& path) { return PlatformFiles().GetAttributes(path).has_value(); }

// ---- Progress and Ctrl-C ----

volatile std::sig_atomic_t interrupted = 0;

void OnInterrupt(int) { interrupted = 1; }

bool StderrIsTerminal() {
#ifdef _WIN32
  return _isatty(_fileno(stderr)) != 0;
#else
  return ::isatty(2) != 0;
#endif
}

// A stored text as the terminal may show it: C0 control characters, DEL
// and the C1 controls as UTF-8 writes them (C2 80 to C2 9F, CSI among
// them) as \xNN, so a name cannot send escape sequences to the terminal.
std::string Printable(const std::string& text) {
  std::string shown;
  auto escape = [&](unsigned char c) {
    char escaped[5];
    std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
    shown += escaped;
  };
  for (size_t i = 0; i < text.size(); ++i) {
    auto c = static_cast<unsigned char>(text[i]);
    auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
    if (c == 0xC2 && next >= 0x80 && next <= 0x9F) {
      escape(c);
      escape(next);
      ++i;
    } else if (c < 0x20 || c == 0x7F) {
      escape(c);
    } else {
      shown += static_cast<char>(c);
    }
  }
  return shown;
}

// Wires the engine to the console: progress on a terminal, Ctrl-C as Abort.
class TConsoleEngine {
 public:
  TConsoleEngine() : progress_(StderrIsTerminal()) {
    std::signal(SIGINT, OnInterrupt);
    SetMessagePump([this] {
      if (interrupted) engine_->Abort = true;
    });
    if (progress_)
      engine_->OnStatus.Handler = [this](TQmbxCompress*, TlzhFileStats& stats) {
        std::string name = Printable(stats.FileName);
        if (name.size() > 50) name = "..." + name.substr(name.size() - 47);
        std::fprintf(stderr, "\r%3d%%  %-50s", stats.TotalPercent, name.c_str());
        shown_ = true;
      };
  }
  ~TConsoleEngine() {
    EndProgress();
    SetMessagePump(nullptr);
  }
  TConsoleEngine(const TConsoleEngine&) = delete;
  TConsoleEngine& operator=(const TConsoleEngine&) = delete;

  TQmbxCompress& operator*() { return *engine_; }
  TQmbxCompress* operator->() { return engine_.get(); }

  void EndProgress() {
    if (shown_) std::fprintf(stderr, "\r%*s\r", 57, "");
    shown_ = false;
  }

  // After an operation: an abort the engine absorbed still fails the run.
  void CheckAborted() {
    EndProgress();
    if (engine_->Abort) throw EqcAborted(std::string(msgAborted));
  }

 private:
  std::unique_ptr<TQmbxCompress> engine_ = std::make_unique<TQmbxCompress>(nullptr);
  bool progress_;
  bool shown_ = false;
};

void OpenArchive(TQmbxCompress& engine, const TArguments& a) {
  errorContext = a.Positional.at(0);
  engine.SetCompressedFile(FullPath(a.Positional.at(0)));
  engine.Offset = a.Offset.value_or(0);
}

// ---- The commands ----

std::string DateText(TDateTime date) {
  TDateTimeParts p = DecodeDateTime(date);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", p.Year, p.Month, p.Day, p.Hour,
                p.Minute, p.Second);
  return text;
}

int List(const TArguments& a) {
  Allow(a, false, false, false, true, false, false, false);
  if (a.Positional.size() != 1) throw TUsageError();
  TConsoleEngine engine;
  OpenArchive(*engine, a);
  int count = engine->FileCount();
  for (int i = 0; i < count; ++i) {
    TlzhFileStats stats;
    engine->GetFileStats(i, stats);
    const TFileHeaderRecord& h = stats.Header;
    std::cout << h.Number << '\t' << h.FileID << '\t' << h.FileSize << '\t' << h.CompressedSize
              << '\t' << DateText(h.FileDate) << '\t' << int{h.FirstDisk} << '\t' << h.DataStart
              << '\t' << int{h.LastDisk} << '\t' << h.DataEnd << '\t' << Printable(h.FileVersion)
              << '\t' << Printable(h.FileName) << '\n';
  }
  return 0;
}

int Create(const TArguments& a) {
  Allow(a, true, true, true, false, false, false, false);
  if (a.Positional.size() < 2) throw TUsageError();
  TConsoleEngine engine;
  errorContext = a.Positional[0];
  engine->SetCompressedFile(FullPath(a.Positional[0]));
  if (a.Level) engine->CompressionLevel = *a.Level;
  TStringList files;
  for (size_t i = 1; i < a.Positional.size(); ++i) files.Add(a.Positional[i]);
  engine->SetFilesToProcess(files);
  try {
    engine->CompressFiles(a.Add ? TlzhCommand::lzcOnlyAdd : TlzhCommand::lzcOverwrite,
                          a.FileID.value_or(0));
    engine.CheckAborted();
  } catch (...) {
    // A new archive that did not get all its files cannot be read; one
    // added to keeps what the engine left.
    engine.EndProgress();
    if (!a.Add) PlatformFiles().DeleteFile(engine->CompressedFile());
    throw;
  }
  return 0;
}

// The stored name a NAME stands for: itself when a header carries it (the
// engine compares A to Z without case), else the first stored name whose
// file name part it is; unknown names go to the engine, which reports them.
std::string StoredName(TQmbxCompress& engine, const std::string& name) {
  std::string byNamePart;
  for (int i = 0; i < engine.FileCount(); ++i) {
    TlzhFileStats stats;
    engine.GetFileStats(i, stats);
    const std::string& stored = stats.Header.FileName;
    if (SameText(stored, name)) return stored;
    if (byNamePart.empty() && SameText(ArchiveNamePart(stored), name)) byNamePart = stored;
  }
  return byNamePart.empty() ? name : byNamePart;
}

// Removes what a failed extraction left behind: the file it was writing
// when that file is new, and the directories the run made for the
// destination while they are empty. Files that existed before stay as the
// engine left them.
class TExtractionCleanup {
 public:
  TExtractionCleanup(TQmbxCompress& engine, const std::string& directory) {
    // The destination directory and its missing parents, deepest first.
    std::string path = RemoveTrailingBackslash(directory);
    while (path.size() > 3 && !IsPresent(path)) {
      newDirectories_.push_back(path);
      size_t cut = path.rfind('\\');
      if (cut == std::string::npos) break;
      path = path.substr(0, cut);
    }
    engine.OnBeforeExtracting.Handler = [this, &engine, archive = errorContext](
                                            TQmbxCompress*, TlzhFileStats& stats) {
      errorContext = archive + ": " + stats.FileName;
      // The destination the engine computes right after this event.
      current_ = JoinPath(engine.ExtractDirectory, ArchiveNamePart(engine.ExtractName));
      currentIsNew_ = !IsPresent(current_);
    };
  }

  void AfterFailure() {
    if (currentIsNew_) PlatformFiles().DeleteFile(current_);
    // Only an empty directory can be removed, so nothing else goes.
    for (const std::string& directory : newDirectories_) PlatformFiles().RemoveDirectory(directory);
  }

 private:
  std::vector<std::string> newDirectories_;
  std::string current_;
  bool currentIsNew_ = false;
};

int Extract(const TArguments& a) {
  Allow(a, false, false, false, true, true, true, false);
  if (a.Positional.empty() || !a.Directory) throw TUsageError();
  TConsoleEngine engine;
  OpenArchive(*engine, a);
  engine->ExtractDirectory = FullPath(*a.Directory);
  if (a.Overwrite) engine->Overwrite = *a.Overwrite;
  TStringList names;
  if (a.Positional.size() == 1) {
    int count = engine->FileCount();
    for (int i = 0; i < count; ++i) {
      TlzhFileStats stats;
      engine->GetFileStats(i, stats);
      names.Add(stats.Header.FileName);
    }
  } else {
    for (size_t i = 1; i < a.Positional.size(); ++i)
      names.Add(StoredName(*engine, a.Positional[i]));
  }
  TExtractionCleanup cleanup(*engine, engine->ExtractDirectory);
  try {
    engine->SetFilesToProcess(names);
    engine->ExtractFiles();
    engine.CheckAborted();
  } catch (...) {
    engine.EndProgress();
    cleanup.AfterFailure();
    throw;
  }
  return 0;
}

// ---- Volumes of a fixed capacity ----

// A file that takes bytes only up to a capacity: a write beyond it is cut
// short and fails with errDiskFull, as on a full floppy.
class TCapacityFile : public TForwardingFile {
 public:
  TCapacityFile(std::unique_ptr<IFile> file, int64_t capacity)
      : TForwardingFile(std::move(file)), capacity_(capacity) {}
  bool Write(const void* buffer, uint32_t count, uint32_t& done) override {
    done = 0;
    auto position = Inner().Seek(0, TSeekOrigin::Current);
    if (!position) return false;
    int64_t room = std::max<int64_t>(0, capacity_ - *position);
    uint32_t fits = static_cast<uint32_t>(std::min<int64_t>(count, room));
    if (fits > 0 && !Inner().Write(buffer, fits, done)) return false;
    if (done == count) return true;
    PlatformSystem().SetLastError(errDiskFull);
    return false;
  }

 private:
  int64_t capacity_;
};

// The current file service, except that every file opened for writing
// holds at most a capacity. While splitting, the only files the engine
// opens for writing are the volumes, so each volume is a medium of that
// size: the engine sees a short write, moves to the next volume through
// OnNewDisk and is itself unchanged.
class TVolumeFiles : public TForwardingFileService {
 public:
  explicit TVolumeFiles(int64_t capacity) : TForwardingFileService(PlatformFiles()), capacity_(capacity) {}
  std::unique_ptr<IFile> Open(const std::string& path, uint32_t access, uint32_t share,
                              TFileCreation creation) override {
    auto file = Inner().Open(path, access, share, creation);
    if (!file || !(access & accWrite)) return file;
    return std::make_unique<TCapacityFile>(std::move(file), capacity_);
  }

 private:
  int64_t capacity_;
};

int Split(const TArguments& a) {
  Allow(a, false, false, false, true, false, false, true);
  if (a.Positional.size() != 3 || !a.VolumeSize) throw TUsageError();
  const std::string& volumeName = a.Positional[2];
  if (ArchiveNamePart(volumeName) != volumeName || !IsSafeFileName(volumeName) ||
      volumeName.size() < 3 || volumeName.substr(volumeName.size() - 2) != ".1")
    throw Exception("The first volume's name %s is not a file name ending in .1", volumeName);
  TConsoleEngine engine;
  OpenArchive(*engine, a);
  int64_t headerBytes = ArchivePrefixSize + int64_t{engine->FileCount()} * FileHeaderSize;
  if (*a.VolumeSize < headerBytes)
    throw Exception("A volume of %d bytes cannot hold the %d bytes of file headers of %s",
                    *a.VolumeSize, headerBytes, engine->CompressedFile());
  std::string directory = RemoveTrailingBackslash(FullPath(a.Positional[1]));
  if (!IsDirectory(directory) && !CreateDirectoryPath(directory))
    throw Exception("Cannot create the directory %s", directory);
  // Each full volume stays where it is; the next one goes beside it.
  engine->OnNewDisk.Handler = [](TQmbxCompress*, int32_t, std::string&) {};
  {
    TVolumeFiles volumes(*a.VolumeSize);
    TPlatformServices services;
    services.Files = &volumes;
    TScopedPlatformServices scope(services);
    engine->MakeDisks(directory, volumeName);
  }
  engine.CheckAborted();
  return 0;
}

int Copy(const TArguments& a) {
  Allow(a, false, false, false, false, true, false, false);
  if (a.Positional.size() != 2) throw TUsageError();
  TConsoleEngine engine;
  errorContext = a.Positional[0];
  if (a.Overwrite) engine->Overwrite = *a.Overwrite;
  std::string source = FullPath(a.Positional[0]);
  std::string dest = FullPath(a.Positional[1]);
  // Into a directory: under the source's own name.
  if (IsDirectory(dest)) dest = JoinPath(dest, ArchiveNamePart(source));
  engine->CopyFile(source, dest);
  engine.CheckAborted();
  return 0;
}

int Run(const std::vector<std::string>& args) {
  TArguments a = Parse(args);
  if (a.Command == "list") return List(a);
  if (a.Command == "create") return Create(a);
  if (a.Command == "extract") return Extract(a);
  if (a.Command == "split") return Split(a);
  if (a.Command == "copy") return Copy(a);
  throw TUsageError();
}

#ifndef _WIN32
// The machine whose drive Z: reaches the host's files: BRIMWELL_MACHINE
// when set; otherwise a fresh machine in a temporary directory, removed
// when the run ends, so the developer's own machine is neither made nor
// changed by an archive tool.
class TRunMachine {
 public:
  TRunMachine() {
    const char* named = std::getenv("BRIMWELL_MACHINE");
    if (named && *named) return;
    std::string pattern = (std::filesystem::temp_directory_path() / "brimarc.XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
      throw Exception("Cannot create a temporary directory for the substitute machine in %s",
                      std::filesystem::temp_directory_path().string());
    root_ = pattern;
    TSubstituteMachine::Use(root_);
  }
  ~TRunMachine() {
    if (root_.empty()) return;
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  TRunMachine(const TRunMachine&) = delete;
  TRunMachine& operator=(const TRunMachine&) = delete;

 private:
  std::string root_;
};
#endif

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  int status = 1;
  try {
    TInstallSession session;
#ifndef _WIN32
    TRunMachine machine;
#endif
    try {
      status = Run(args);
    } catch (const TUsageError&) {
      status = Usage();
    } catch (const EqcAborted& e) {
      std::cerr << "brimarc: " << e.what() << "\n";
      status = 130;
    }
  } catch (const std::exception& e) {
    // A message may name a stored file: shown like list shows it.
    std::cerr << "brimarc: " << Printable(errorContext.empty() ? "" : errorContext + ": ")
              << Printable(e.what()) << "\n";
    if (const TPlatformError* cause = CauseOf(e)) std::cerr << "brimarc: " << cause->Describe() << "\n";
    status = 1;
  }
  return status;
}
