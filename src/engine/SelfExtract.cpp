// The self-extracting setup's trailer, and the clean-up of the copy of the
// setup that the loading program extracted.
#include <climits>
#include <cstring>

#include "common/constants_Brimwell.h"
#include "common/routines_Strings.h"
#include "engine/cmp_TInstall.h"
#include "platform/Platform.h"
#include "platform/PlatformError.h"
#include "system/routines_API.h"

namespace brim {

namespace {

// Appends the whole of source to target; false when fewer bytes arrived
// than the source holds.
bool AppendFile(IFile& target, const std::string& source) {
  std::unique_ptr<IFile> in =
      PlatformFiles().Open(source, accRead, shareRead | shareWrite, TFileCreation::OpenExisting);
  if (!in) return false;
  std::optional<int64_t> size = in->Size();
  if (!size) return false;
  int64_t copied = 0;
  std::vector<char> buffer(65536);
  for (;;) {
    uint32_t got = 0;
    if (!in->Read(buffer.data(), static_cast<uint32_t>(buffer.size()), got)) return false;
    if (got == 0) break;
    uint32_t written = 0;
    if (!target.Write(buffer.data(), got, written) || written != got) return false;
    copied += got;
  }
  return copied >= *size;
}

}  // namespace

void AppendSelfExtract(const std::string& setupExePath, const std::string& setup1Path,
                       const std::string& files1Path) {
  TSelfExtractTrailer trailer;
  const char* message = "Cannot create the self-extracting exe because %s could not be loaded onto %s";
  std::unique_ptr<IFile> exe = PlatformFiles().Open(setupExePath, accRead | accWrite,
                                                    shareRead | shareWrite,
                                                    TFileCreation::OpenExisting);
  if (!exe) throw TCaused<IEInstall>(TPlatformError::Last(), message, setup1Path, setupExePath);
  auto append = [&](const std::string& part, int32_t& start, int32_t& end) {
    std::optional<int64_t> at = exe->Seek(0, TSeekOrigin::End);
    if (!at || !AppendFile(*exe, part))
      throw TCaused<IEInstall>(TPlatformError::Last(), message, part, setupExePath);
    std::optional<int64_t> after = exe->Seek(0, TSeekOrigin::Current);
    // The positions are 32-bit: a setup beyond 2 GB cannot say where its parts lie.
    if (!after || *after > INT32_MAX) throw IEInstall(message, part, setupExePath);
    start = static_cast<int32_t>(*at);
    end = static_cast<int32_t>(*after - 1);
  };
  append(setup1Path, trailer.SetupStart, trailer.SetupEnd);
  if (FileExists(files1Path)) append(files1Path, trailer.ArchiveStart, trailer.ArchiveEnd);
  unsigned char bytes[SelfExtractTrailerSize];
  EncodeSelfExtractTrailer(trailer, bytes);
  uint32_t written = 0;
  if (!exe->Seek(0, TSeekOrigin::End) || !exe->Write(bytes, sizeof bytes, written) ||
      written != sizeof bytes)
    throw TCaused<IEInstall>(TPlatformError::Last(), message, setup1Path, setupExePath);
}

TSelfExtractTrailer ReadSelfExtractTrailer(const std::string& fileName, int64_t* trailerEnd) {
  const char* message =
      "Could not read the extraction info from the archive file %s when trying to find the "
      "correct offset into the self extracting file";
  std::unique_ptr<IFile> file =
      PlatformFiles().Open(fileName, accRead, shareRead | shareWrite, TFileCreation::OpenExisting);
  if (!file) throw TCaused<IEInstall>(TPlatformError::Last(), message, fileName);
  unsigned char bytes[SelfExtractTrailerSize] = {};
  const std::optional<int64_t> end = ReadSelfExtractTrailerBytes(*file, bytes);
  if (!end) throw IEInstall(message, fileName);
  if (trailerEnd) *trailerEnd = *end;
  return DecodeSelfExtractTrailer(bytes);
}

namespace {

// Whether dir is a directory the loading program made for its copy of the
// setup: directly under the temporary directory, named with its prefix.
// Only such a directory may be removed whole; a setup started by hand
// with -c from its own directory keeps that directory.
bool IsLoaderDirectory(const std::string& dir) {
  std::optional<std::string> temp = PlatformFiles().TempDirectory();
  if (!temp) return false;
  std::string parent = ExtractFileDir(dir);
  std::string name = ExtractFileName(dir);
  return !name.empty() && SameText(RemoveTrailingBackslash(*temp), parent) &&
         SameText(name.substr(0, std::strlen(LoaderDirectoryPrefix)), LoaderDirectoryPrefix);
}

}  // namespace

void TCustomInstall::CleanupLoadingProgram() {
  if (!UseLoadingProgram() || HasSwitch('d') || !HasSwitch('c')) return;
  bool proceed = true;
  if (OnBeforeCleanup) OnBeforeCleanup(this, proceed);
  if (!proceed) return;
  std::string exe = PlatformModule().ModuleFileName();
  std::string dir = ExtractFileDir(exe);
  for (int i = 0; i < PresetupFiles.Count(); ++i)
    PlatformFiles().DeleteFile(JoinPath(dir, ExtractFileName(PresetupFiles.Strings(i))));
  // The batch file lives directly in the temporary directory, made there
  // exclusively: the setup's own directory goes when the setup ends, before
  // the batch runs. Every path is quoted, so a blank, "&", "(" or "^" in a
  // user's temporary directory stays part of the path; one a batch file
  // cannot carry is refused before anything is written.
  std::optional<std::string> temp = PlatformFiles().TempDirectory();
  if (!temp)
    throw TCaused<IEInstall>(TPlatformError::Last(), "Cannot find the temporary directory");
  CleanupBatchFile = CreateTemporaryFile(".bat", *temp);
  std::string text;
  try {
    text = "ERASE " + BatchQuoted(exe) + "\r\n";
    if (IsLoaderDirectory(dir)) text += "DELTREE /Y " + BatchQuoted(dir) + "\r\n";
    text += "ERASE " + BatchQuoted(ChangeFileExt(CleanupBatchFile, ".PIF")) + "\r\n";
    text += "ERASE " + BatchQuoted(CleanupBatchFile) + "\r\n";
  } catch (const EAPIRoutines& e) {
    PlatformFiles().DeleteFile(CleanupBatchFile);
    CleanupBatchFile.clear();
    throw IEInstall("Cannot write the clean-up batch file. %s", e.Message());
  }
  if (!WriteWholeFile(CleanupBatchFile, text))
    throw TCaused<IEInstall>(TPlatformError::Last(), "Cannot write the clean-up batch file %s",
                             CleanupBatchFile);
  RunCleanupBatch = true;
}

}  // namespace brim
