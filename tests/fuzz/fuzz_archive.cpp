// libFuzzer target for the archive reader and the extraction. Each input
// is an archive: its volumes, when it has several, are separated by the
// marker below. It is written to C:\work of a substitute machine made for
// this process in a temporary directory; every stored file is extracted
// into C:\work\out (twice, the second time under a replace rule), the
// archive is split into a disk set in C:\work\disks, and every file is
// extracted from that set into C:\work\out2. Errors of
// the system are the expected answer to bad input; a crash, a sanitizer
// report, a hang, unbounded memory, a directory made below an extract
// directory or any file appearing outside C:\work is a fault.
//
// With BRIMWELL_ARCHIVE_SEEDS=DIR the target first writes its seed
// archives into DIR (made by the engine itself).
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "archive/cmp_TQmbxCompress.h"
#include "common/exceptions_Brimwell.h"
#include "components/cmp_TVersion.h"
#include "platform/Platform.h"
#include "platform/posix/PosixFiles.h"
#include "platform/posix/SubstituteMachine.h"

namespace {

using namespace brim;
namespace fs = std::filesystem;

const std::string kVolumeMarker = "BRIMVOL\x01";
const std::string kWork = "C:\\work";

fs::path machineRoot;
std::set<std::string> machineBefore;

bool Verbose() {
  static const bool verbose = std::getenv("BRIMWELL_FUZZ_VERBOSE") != nullptr;
  return verbose;
}

void Note(const char* stage, const std::exception& e) {
  if (Verbose()) std::fprintf(stderr, "%s: %s\n", stage, e.what());
}

[[noreturn]] void Fault(const std::string& what) {
  std::fprintf(stderr, "archive fault: %s\n", what.c_str());
  std::abort();
}

void WriteMachineFile(const std::string& path, const std::string& bytes) {
  auto file = PlatformFiles().Open(path, accWrite, shareNone, TFileCreation::CreateAlways);
  uint32_t done = 0;
  if (!file || !file->Write(bytes.data(), static_cast<uint32_t>(bytes.size()), done))
    Fault("cannot write " + path);
}

std::string ReadMachineFile(const std::string& path) {
  auto file = PlatformFiles().Open(path, accRead, shareRead, TFileCreation::OpenExisting);
  std::string bytes;
  char buffer[65536];
  uint32_t done = 0;
  while (file && file->Read(buffer, sizeof buffer, done) && done > 0) bytes.append(buffer, done);
  return bytes;
}

void FreshWorkDirectory() {
  if (!RemoveMachineTree(kWork) || !PlatformFiles().CreateDirectory(kWork))
    Fault("cannot make a fresh " + kWork);
}

// Every path on the machine's drives, relative to its root (the machine's
// own files beside the drives, such as its short-name table, change as
// files are made).
std::set<std::string> MachineTree() {
  std::set<std::string> paths;
  for (const auto& entry : fs::recursive_directory_iterator(machineRoot)) {
    std::string path = fs::relative(entry.path(), machineRoot).generic_string();
    if (path.starts_with("drive_")) paths.insert(path);
  }
  return paths;
}

// What extraction may leave: the volumes, and plain files directly in the
// extract directories and the disk set's directory.
void CheckNothingOutside() {
  const std::string work = "drive_c/work";
  for (const std::string& path : MachineTree()) {
    if (machineBefore.count(path) || path == work) continue;
    if (!path.starts_with(work + "/")) Fault("written outside the work directory: " + path);
    std::string rest = path.substr(work.size() + 1);
    size_t slash = rest.find('/');
    if (slash == std::string::npos) continue;  // the volumes and the three directories
    std::string dir = rest.substr(0, slash), name = rest.substr(slash + 1);
    if ((dir != "out" && dir != "out2" && dir != "disks") || name.find('/') != std::string::npos)
      Fault("written where no extraction goes: " + path);
    if (fs::is_directory(machineRoot / path)) Fault("a directory made by extraction: " + path);
  }
}

void ExtractAll(TQmbxCompress& engine, const std::string& archive,
                const std::vector<std::string>& names, const std::string& directory) {
  for (const std::string& name : names) {
    engine.SetCompressedFile(archive);
    engine.ExtractDirectory = directory;
    engine.FilesToProcess().Add(name);
    try {
      engine.ExtractFiles();
    } catch (const Exception& e) {
      Note("extract", e);
    }
  }
}

// Writes the seed archives: single archives of several kinds, an empty
// one, and a disk set of two volumes.
void WriteSeeds(const fs::path& directory) {
  fs::create_directories(directory);
  auto save = [&](const std::string& name, const std::string& bytes) {
    std::ofstream(directory / name, std::ios::binary) << bytes;
  };
  FreshWorkDirectory();
  std::string text;
  for (int i = 0; text.size() < 3000; ++i) text += "line " + std::to_string(i % 37) + "\r\n";
  std::string noise;
  for (uint32_t x = 1; noise.size() < 1500; x = x * 1103515245 + 12345) noise += static_cast<char>(x >> 16);
  WriteMachineFile(kWork + "\\readme.txt", text);
  WriteMachineFile(kWork + "\\data.bin", noise);
  WriteMachineFile(kWork + "\\empty.txt", "");

  TQmbxCompress engine(nullptr);
  auto compress = [&](const std::string& archive, std::vector<std::string> files,
                      TCompressionLevel level) {
    engine.CompressionLevel = level;
    engine.SetCompressedFile(archive);
    for (const auto& file : files) engine.FilesToProcess().Add(kWork + "\\" + file);
    engine.CompressFiles(TlzhCommand::lzcOverwrite, 1);
    return ReadMachineFile(archive);
  };
  save("two-files.arc", compress(kWork + "\\a.1", {"readme.txt", "data.bin"}, TCompressionLevel::colMax));
  save("stored.arc", compress(kWork + "\\b.1", {"data.bin", "empty.txt"}, TCompressionLevel::colNone));
  save("empty.arc", compress(kWork + "\\c.1", {}, TCompressionLevel::colMax));
  compress(kWork + "\\d.1", {"readme.txt", "empty.txt", "data.bin"}, TCompressionLevel::colFastest);
  PlatformFiles().CreateDirectory(kWork + "\\set");
  engine.SetCompressedFile(kWork + "\\d.1");
  engine.MakeDisks(kWork + "\\set", "files.1");
  // The first file's data continues on a second volume, where the others lie.
  std::string set = ReadMachineFile(kWork + "\\set\\files.1");
  const int32_t cut = 5 + 3 * 176 + 40;
  std::string first = set.substr(0, static_cast<size_t>(cut)), second = set.substr(static_cast<size_t>(cut));
  auto put32 = [&](size_t at, int32_t value) {
    for (int i = 0; i < 4; ++i) first[at + i] = static_cast<char>(static_cast<uint32_t>(value) >> (8 * i));
  };
  auto get32 = [&](size_t at) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<uint8_t>(first[at + i]);
    return static_cast<int32_t>(value);
  };
  for (size_t header = 5; header < 5 + 3 * 176; header += 176) {
    if (header > 5) {
      first[header + 144] = 2;  // FirstDisk
      put32(header + 136, get32(header + 136) - cut);
    }
    first[header + 16] = 2;  // LastDisk
    put32(header + 20, get32(header + 20) - cut);
  }
  save("disk-set.arc", first + kVolumeMarker + second);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fs::path base = fs::temp_directory_path() / ("brimwell-fuzz-archive-" + std::to_string(getpid()));
  fs::remove_all(base);
  machineRoot = base / "machine";
  TSubstituteMachine::Use(machineRoot.string());
  std::atexit([] {
    std::error_code ec;
    fs::remove_all(machineRoot.parent_path(), ec);
  });
  if (const char* seeds = std::getenv("BRIMWELL_ARCHIVE_SEEDS")) {
    try {
      WriteSeeds(seeds);
    } catch (const Exception& e) {
      Fault(std::string("cannot write the seeds: ") + e.what());
    }
  }
  FreshWorkDirectory();
  machineBefore = MachineTree();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  FreshWorkDirectory();
  int volumes = 0;
  for (size_t at = 0;;) {
    size_t marker = input.find(kVolumeMarker, at);
    WriteMachineFile(kWork + "\\files." + std::to_string(++volumes), input.substr(at, marker - at));
    if (marker == std::string::npos || volumes == 8) break;
    at = marker + kVolumeMarker.size();
  }

  TQmbxCompress engine(nullptr);
  int newDisks = 0;
  engine.OnNewDisk.Handler = [&](TQmbxCompress*, int32_t, std::string&) {
    if (++newDisks > 4 * 1000) Fault("OnNewDisk asked without end");
  };
  const std::string archive = kWork + "\\files.1";
  engine.SetCompressedFile(archive);
  std::vector<std::string> names;
  try {
    const int count = engine.FileCount();
    for (int i = 0; i < count; ++i) {
      TlzhFileStats stats;
      engine.GetFileStats(i, stats);
      names.push_back(stats.FileName);
      engine.IndexOfFileID(stats.Header.FileID);
    }
  } catch (const Exception& e) {
    Note("headers", e);
    return 0;
  }
  // While extracting, a file's progress never passes its size.
  const auto progressInRange = [](TQmbxCompress*, TlzhFileStats& stats) {
    if (stats.Percent > 100 || stats.Processed < 0 || stats.Processed > stats.FileSize)
      Fault("a status report out of range for " + stats.FileName);
  };
  engine.OnStatus.Handler = progressInRange;
  ExtractAll(engine, archive, names, kWork + "\\out");
  // Again over what is there now, under a replace rule the input chooses,
  // so stored versions and dates meet the comparison.
  engine.Overwrite = static_cast<TOverwriteType>(size % 5);
  ExtractAll(engine, archive, names, kWork + "\\out");
  engine.Overwrite = TOverwriteType::owAlways;

  PlatformFiles().CreateDirectory(kWork + "\\disks");
  try {
    engine.SetCompressedFile(archive);
    engine.OnStatus = {};
    engine.MakeDisks(kWork + "\\disks", "files.1");
    engine.OnStatus.Handler = progressInRange;
    ExtractAll(engine, kWork + "\\disks\\files.1", names, kWork + "\\out2");
  } catch (const Exception& e) {
    Note("disks", e);
  }
  CheckNothingOutside();
  if (Verbose()) std::fprintf(stderr, "read %zu headers from %d volumes\n", names.size(), volumes);
  return 0;
}
