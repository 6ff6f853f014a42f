// The build and floppy modes: "-b" builds the distribution (setup.exe,
// setup.1, files.1 and, for web distributions, the network archives and
// "filelist.lst") into the directory that BUILD.INF names; "-f" copies a
// self-extracting setup onto floppy disks.
#include <cstring>
#include <map>
#include <vector>

#include "archive/cmp_TQmbxCompress.h"
#include "common/LittleEndian.h"
#include "common/constants_Brimwell.h"
#include "common/routines_Strings.h"
#include "components/cmp_TVersion.h"
#include "engine/cmp_TInstall.h"
#include "engine/cmp_TInstallRegistry.h"
#include "netlocation/routines_DownloadChecks.h"
#include "platform/Platform.h"
#include "platform/PlatformError.h"
#include "system/routines_API.h"
#include "system/routines_Registry.h"

namespace brim {

namespace {

constexpr int kLocalMachine = static_cast<int>(TRootKeys::hkLocalMachine);
// A record of "filelist.lst": size, reserved, date, name, version.
constexpr int kRemoteRecordSize = 80;
constexpr size_t kRemoteNameSize = 40, kRemoteVersionSize = 24;
constexpr uint32_t kFloppyChunk = 8192;

// The build directory as a full path: a blank line means the current
// directory, a relative one is taken from there.
std::string FullBuildDirectory(const std::string& line) {
  std::string dir = Trim(line);
  if (dir.empty()) return RemoveTrailingBackslash(PlatformFiles().CurrentDirectory());
  std::optional<std::string> full = PlatformFiles().FullPathName(dir);
  return full ? *full : dir;
}

// The component set's directory: the running setup's own when the loading
// program lies beside it, else the one the registry names.
std::string ComponentSetDirectory() {
  std::string own = ExtractFileDir(PlatformModule().ModuleFileName());
  if (FileExists(JoinPath(own, LoaderProgramName))) return own;
  std::string named = Trim(ReadRegistryString(kLocalMachine, BrimwellSetupKey, "Directory", ""));
  if (named.empty() || !DirectoryPresent(named))
    throw IEInstall(
        "The HKEY_LOCAL_MACHINE | %s key in the registry is either missing or points to an "
        "invalid Brimwell directory",
        BrimwellSetupKey);
  return named.size() > 3 ? RemoveTrailingBackslash(named) : named;
}

// Copies count bytes from source's current position into a new file path,
// in chunks, letting window messages run after each.
void CopyPart(IFile& source, int64_t count, const std::string& path, const char* message) {
  std::unique_ptr<IFile> target =
      PlatformFiles().Open(path, accWrite, shareNone, TFileCreation::CreateAlways);
  if (!target) throw TCaused<IEInstall>(TPlatformError::Last(), message);
  std::vector<char> buffer(kFloppyChunk);
  while (count > 0) {
    uint32_t want = static_cast<uint32_t>(std::min<int64_t>(count, kFloppyChunk));
    uint32_t got = 0, written = 0;
    if (!source.Read(buffer.data(), want, got) || got != want ||
        !target->Write(buffer.data(), got, written) || written != got)
      throw TCaused<IEInstall>(TPlatformError::Last(), message);
    count -= got;
    ProcessMessages();
  }
}

// Adds the file at path to the list under its file name, when it exists.
void AddHash(TArchiveHashList& list, const std::string& path) {
  if (!FileExists(path)) return;
  std::optional<TArchiveHash> hash = HashOfFile(path);
  if (!hash) throw TCaused<IEInstall>(TPlatformError::Last(), "Cannot read the archive %s", path);
  list.Add(ExtractFileName(path), *hash);
}

// The hash list of a web build: every network archive the build wrote
// (each container's, and each file's own) and "filelist.lst".
TArchiveHashList NetArchiveHashes(TCustomInstall& install) {
  TArchiveHashList list;
  for (TInstallContainer* container : InstallContainers().Containers()) {
    auto* files = dynamic_cast<TFileContainer*>(container);
    if (!files) continue;
    if (!Trim(files->LocalArchive).empty()) AddHash(list, files->LocalArchive);
    for (int i = 0; i < files->MemberCount(); ++i) {
      auto* file = dynamic_cast<TCustomInstallFile*>(files->Members(i));
      if (!file || !file->HasOwnNetArchive()) continue;
      try {
        AddHash(list, JoinPath(ExtractFileDir(files->ArchivePath()), file->NetArchiveFolder()) +
                          "\\" + file->Name() + ".1");
      } catch (const IEFileRel_NoNetLocation&) {
        // A file with no location has no network archive.
      }
    }
  }
  AddHash(list,
          JoinPath(JoinPath(ExtractFileDir(install.ArchiveFile()), install.NetArchiveFolder()),
                   "filelist.lst"));
  return list;
}

// The message of an error that ends the build or the floppy mode.
void ShowModeError(const std::exception& e) {
  const auto* own = dynamic_cast<const Exception*>(&e);
  Application().MessageBox(own ? own->Message() : std::string(e.what()), Application().Title(),
                           boxOk);
}

}  // namespace

void TCustomInstall::BuildFromBuildInf() {
  try {
    const std::string exe = PlatformModule().ModuleFileName();
    const std::string inf = JoinPath(ExtractFileDir(exe), "BUILD.INF");
    if (!FileExists(inf))
      throw IEInstall(
          "Need to have a BUILD.INF file in this directory with the first line specifying the "
          "build directory");
    std::optional<std::string> text = ReadWholeFile(inf);
    if (!text) throw TCaused<IEInstall>(TPlatformError::Last(), "Cannot read the file %s", inf);
    TStringList lines;
    lines.SetText(*text);
    if (lines.Count() == 0)
      throw IEInstall("Must be 1 line in BUILD.INF. This line should specify the build directory");
    BuildDistribution(exe, lines.Strings(0), true);
  } catch (const EAbort&) {
    Ended = true;
  } catch (const std::exception& e) {
    Ended = true;
    ShowModeError(e);
  }
  Application().Terminate();
}

void TCustomInstall::BuildDistribution(const std::string& setupExe, const std::string& buildDir,
                                       bool standAlone) {
  if (standAlone && !UseLoadingProgram())
    throw IEInstall(
        "Cannot build a stand alone executable if the UseLoadingProgram property of the TInstall "
        "is set to False");
  const std::string dir = FullBuildDirectory(buildDir);
  if (!CreateDirectoryPath(dir))
    throw TCaused<IEInstall>(TPlatformError::Last(), "Cannot create the build directory %s", dir);
  CopySetupProgram(dir, setupExe);

  const std::string savedFile = ArchiveFile();
  TCustomPathSpecifier* const savedType = ArchiveFileType();
  AssignArchive(JoinPath(dir, "files.1"), nullptr);
  try {
    TCustomInstallFileList& files = AllInstallFiles();
    for (int i = 0; i < files.Count(); ++i) files.Items(i)->CompressState = 0;
    switch (DistributeType()) {
      case TDistributeType::dtTraditional: Compress(46); break;
      case TDistributeType::dtWeb:
        Compress(54);
        WriteRemoteFileList();
        break;
      case TDistributeType::dtTraditionalNet:
        Compress(38);
        WriteRemoteFileList();
        break;
    }
    // The hash list goes beside the setup program: into setup.1, which the
    // loading program unpacks beside it (written for that beside the
    // building program, as setup.1 names its files by their source), or
    // beside the copied program.
    const std::string hashPath =
        JoinPath(UseLoadingProgram() ? ExtractFileDir(setupExe) : dir, ArchiveHashListName);
    PlatformFiles().DeleteFile(JoinPath(dir, ArchiveHashListName));
    if (DistributeType() != TDistributeType::dtTraditional) {
      if (!WriteWholeFile(hashPath, NetArchiveHashes(*this).Text()))
        throw TCaused<IEInstall>(TPlatformError::Last(),
                                 "Cannot write the list of archive hashes %s", hashPath);
      if (UseLoadingProgram()) {
        struct TStaged {
          std::string Path;
          ~TStaged() { PlatformFiles().DeleteFile(Path); }
        } staged{hashPath};
        TInstallFile file(nullptr, hashPath);
        file.SetNet(false);
        file.AddToArchive = TlzhCommand::lzcOnlyAdd;
        file.AssignArchive(JoinPath(dir, "setup.1"), nullptr);
        file.CompressFile();
      }
    }
  } catch (...) {
    AssignArchive(savedFile, savedType);
    throw;
  }
  AssignArchive(savedFile, savedType);
  if (standAlone)
    AppendSelfExtract(JoinPath(dir, "setup.exe"), JoinPath(dir, "setup.1"), JoinPath(dir, "files.1"));
}

void TCustomInstall::CopySetupProgram(const std::string& buildDir, const std::string& setupExe) {
  if (!UseLoadingProgram()) {
    const std::string target = JoinPath(buildDir, ExtractFileName(setupExe));
    const char* message = "Cannot copy the installation application from %s to %s";
    if (!CreateDirectoryPath(buildDir))
      throw TCaused<IEInstall>(TPlatformError::Last(), message, setupExe, target);
    if (!PlatformFiles().CopyFile(setupExe, target, false))
      throw TCaused<IEInstall>(TPlatformError::Last(), message, setupExe, target);
    return;
  }
  try {
    CreateSetupArchive(buildDir, setupExe);
  } catch (const EqcDiskFull&) {
    throw IEInstall(
        "The disk that you have specified has been determined to be either too full or is "
        "corrupt while trying to copy the SETUP.1 archive file. You should probably clear all "
        "files off of the drive. Minimally, you should leave enough space on the drive for the "
        "SETUP.1 archive file.");
  }
  const std::string loader = JoinPath(ComponentSetDirectory(), LoaderProgramName);
  if (!FileExists(loader)) throw IEInstall("The loader program %s was not found", loader);
  const std::string target = JoinPath(buildDir, "setup.exe");
  if (!PlatformFiles().CopyFile(loader, target, false))
    throw TCaused<IEInstall>(TPlatformError::Last(),
                             "Cannot copy the loading program from %s to %s", loader, target);
}

void TCustomInstall::CreateSetupArchive(const std::string& buildDir, const std::string& setupExe) {
  if (Trim(setupExe).empty()) throw IEInstall("Cannot create setup file. Executable is blank");
  if (!FileExists(setupExe)) throw IEInstall("TInstall: Cannot find the executable file %s", setupExe);
  const std::string archive = JoinPath(buildDir, "setup.1");
  // A free-standing file, in no container, compresses itself into setup.1.
  auto add = [&](const std::string& source, TlzhCommand command) {
    TInstallFile file(nullptr, source);
    file.SetNet(false);
    file.AddToArchive = command;
    file.AssignArchive(archive, nullptr);
    file.CompressFile();
  };
  add(setupExe, TlzhCommand::lzcOverwrite);
  for (int i = 0; i < PresetupFiles.Count(); ++i)
    add(PresetupFiles.Strings(i), TlzhCommand::lzcOnlyAdd);
}

void TCustomInstall::WriteRemoteFileList() {
  const std::string dir = JoinPath(ExtractFileDir(ArchiveFile()), NetArchiveFolder());
  if (!CreateDirectoryPath(dir))
    throw TCaused<IEInstall>(TPlatformError::Last(), "Cannot create the directory %s", dir);
  const std::string path = JoinPath(dir, "filelist.lst");

  std::vector<TCustomInstallFile*> placed;
  TCustomInstallFileList& files = AllInstallFiles();
  for (int i = 0; i < files.Count(); ++i)
    if (files.Items(i)->CompressState == 1 || files.Items(i)->CompressState == 2)
      placed.push_back(files.Items(i));

  // Names longer than a record holds are cut; two that become one could
  // not be told apart by the installation, so the build refuses them.
  std::map<std::string, std::string> seen;
  std::string bytes;
  AppendLittleEndian(bytes, static_cast<uint32_t>(placed.size()), 4);
  for (TCustomInstallFile* file : placed) {
    const std::string name = file->Name().substr(0, kRemoteNameSize - 1);
    auto [it, fresh] = seen.emplace(UpperCase(name), file->Name());
    if (!fresh)
      throw IEInstall(
          "The remote list of files cannot tell %s from %s: it keeps only the first 39 "
          "characters of a name",
          it->second, file->Name());
    char record[kRemoteRecordSize] = {};
    WriteLittleEndian(record, static_cast<uint32_t>(file->UncompressedSize), 4);
    uint64_t date = 0;
    static_assert(sizeof date == sizeof file->Date);
    std::memcpy(&date, &file->Date, sizeof date);
    WriteLittleEndian(record + 8, date, 8);
    std::memcpy(record + 16, name.data(), name.size());
    const std::string version = file->Version.substr(0, kRemoteVersionSize - 1);
    std::memcpy(record + 56, version.data(), version.size());
    bytes.append(record, sizeof record);
  }
  if (!WriteWholeFile(path, bytes))
    throw TCaused<IEInstall>(TPlatformError::Last(), "Cannot write the remote list of files %s", path);
}

void TCustomInstall::TransferToFloppies(const std::string& drive) {
  ProcessMessages();
  try {
    if (!HasSwitch('e'))
      throw IEInstall(
          "Sorry... You can only transfer this installation to floppies through the "
          "self-extracting file. Usage example: setup.exe *TODISK");
    const std::string self = ArchivePath();
    int64_t trailerEnd = 0;
    const TSelfExtractTrailer trailer = ReadSelfExtractTrailer(self, &trailerEnd);
    SendStatusMessage("Transferring this installation to floppies. Please wait...");
    try {
      std::unique_ptr<IFile> source =
          PlatformFiles().Open(self, accRead, shareRead | shareWrite, TFileCreation::OpenExisting);
      std::optional<int64_t> size = source ? source->Size() : std::nullopt;
      if (!size) throw TCaused<IEInstall>(TPlatformError::Last(), "Cannot open the file %s", self);
      if (!SelfExtractTrailerFits(trailer, trailerEnd))
        throw IEInstall("The self-extracting file %s is damaged: its trailer points outside the file",
                        self);
      if (!source->Seek(0, TSeekOrigin::Begin))
        throw TCaused<IEInstall>(TPlatformError::Last(), "Cannot open the file %s", self);
      CopyPart(*source, trailer.SetupStart, JoinPath(drive, "setup.exe"),
               "Cannot create setup.exe on the A drive. Probably not enough room");
      CopyPart(*source, int64_t{trailer.SetupEnd} - trailer.SetupStart + 1,
               JoinPath(drive, "setup.1"),
               "Cannot create setup.1 on the A drive. Probably not enough room");
    } catch (...) {
      BroadcastEvent(bcStatusMessageDone, nullptr);
      throw;
    }
    BroadcastEvent(bcStatusMessageDone, nullptr);

    // Without an embedded files.1 there is nothing more to carry.
    if (trailer.ArchiveStart != 0) {
      TQmbxCompress& engine = SharedCompressionEngine();
      const int32_t savedOffset = engine.Offset;
      engine.OnNewDisk.Handler = [](TQmbxCompress*, int32_t disk, std::string&) {
        if (Application().MessageBox(Format("Please insert disk %d", disk), Application().Title(),
                                     boxOkCancel | boxIconQuestion) == idCancel)
          throw IEInstall("Aborted by user");
      };
      engine.OnStatus.Handler = [](TQmbxCompress*, TlzhFileStats&) { ProcessMessages(); };
      auto release = [&] {
        engine.OnNewDisk = {};
        engine.OnStatus = {};
        engine.Offset = savedOffset;
      };
      try {
        engine.Offset = trailer.ArchiveStart;
        engine.SetCompressedFile(self);
        engine.MakeDisks(JoinPath(drive, ""), "files.1");
      } catch (...) {
        release();
        throw;
      }
      release();
    }
  } catch (const EAbort&) {
    Ended = true;
  } catch (const std::exception& e) {
    Ended = true;
    ShowModeError(e);
  }
  ProcessMessages();
  Application().Terminate();
}

}  // namespace brim
