#include "archive/cmp_TQmbxCompress.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstddef>
#include <cstdlib>
#include <utility>
#include <vector>

#include "common/routines_Strings.h"
#include "components/cmp_TInstallContainer.h"
#include "components/cmp_TVersion.h"
#include "platform/Platform.h"
#include "system/routines_API.h"

namespace brim {

const TEnumInfo CompressionLevelInfo("TCompressionLevel", CompressionLevelNames);
// The overwrite rules, which install files publish too; defined with the
// engine so that a program using only the engine links no install tree.
const TEnumInfo OverwriteTypeInfo("TOverwriteType", OverwriteTypeNames);

namespace {

constexpr uint32_t kShareAll = shareRead | shareWrite | shareDelete;
constexpr uint32_t kDeflateOutputSize = 65536;  // compressed bytes per write and checkpoint
constexpr uint32_t kDeflateInputSize = 65536;
constexpr uint32_t kInflateInputSize = 65536;
constexpr uint32_t kInflateCheckpoint = 4096;  // extracted bytes per checkpoint
// zlib inflates into 64 KiB at a time, which is a fifth faster than 4 KiB
// steps; the checkpoints still run for every 4 KiB of it before it is written.
constexpr uint32_t kInflateOutputSize = 65536;
constexpr uint32_t kChunkSize = 8192;          // bytes per chunk when splitting or copying

// The dates a file system can hold: 1601-01-01 to 9999-12-31.
constexpr double kFirstFileDate = -109205;
constexpr double kLastFileDate = 2958466;

int ZlibLevel(TCompressionLevel level) {
  switch (level) {
    case TCompressionLevel::colNone: return Z_NO_COMPRESSION;
    case TCompressionLevel::colFastest: return Z_BEST_SPEED;
    case TCompressionLevel::colDefault: return Z_DEFAULT_COMPRESSION;
    case TCompressionLevel::colMax: return Z_BEST_COMPRESSION;
  }
  return Z_BEST_COMPRESSION;
}

// The engine's error for a platform call that just failed: the message,
// with the code the platform reported for the call as its cause.
template <class... A>
[[noreturn]] void FailedCall(const char* message, A&&... args) {
  throw TCaused<EQmbxCompress>(TPlatformError::Last(), std::string(message),
                               std::forward<A>(args)...);
}

// zlib's failure: the system's message, with zlib's code and text as its cause.
[[noreturn]] void ZlibFailed(int result, const z_stream& z) {
  TPlatformError cause(TErrorDomain::Zlib, static_cast<uint32_t>(result), z.msg ? z.msg : zError(result));
  throw TCaused<Exception>(cause, std::string(msgZlibError));
}

// zlib's memory, kept for the next stream of the thread: with a stream per
// file, the C library gave the 270 KiB of a level-9 deflate back to the
// system after every small file and had it faulted in again for the next,
// which cost more than compressing it.
class TZlibMemory {
 public:
  static voidpf Alloc(voidpf, uInt items, uInt size) {
    const size_t bytes = size_t{items} * size;
    auto& kept = Kept().Blocks;
    for (auto it = kept.begin(); it != kept.end(); ++it)
      if (it->second == bytes) {
        void* block = it->first;
        kept.erase(it);
        return Body(block);
      }
    void* block = std::malloc(kHeader + bytes);
    if (!block) return Z_NULL;
    *static_cast<size_t*>(block) = bytes;
    return Body(block);
  }
  static void Free(voidpf, voidpf address) {
    if (!address) return;
    void* block = static_cast<char*>(address) - kHeader;
    auto& kept = Kept().Blocks;
    if (kept.size() >= kKeep) {
      std::free(kept.front().first);
      kept.erase(kept.begin());
    }
    kept.emplace_back(block, *static_cast<size_t*>(block));
  }

 private:
  static constexpr size_t kHeader = alignof(std::max_align_t);
  static constexpr size_t kKeep = 8;  // a deflate stream takes 5 blocks, an inflate 2
  struct TKept {
    std::vector<std::pair<void*, size_t>> Blocks;
    ~TKept() {
      for (auto& block : Blocks) std::free(block.first);
    }
  };
  static TKept& Kept() {
    thread_local TKept kept;
    return kept;
  }
  static void* Body(void* block) { return static_cast<char*>(block) + kHeader; }
};

// A deflate stream, ended when it goes out of scope.
class TDeflater {
 public:
  explicit TDeflater(int level) {
    z_.zalloc = TZlibMemory::Alloc;
    z_.zfree = TZlibMemory::Free;
    if (int result = deflateInit(&z_, level); result != Z_OK) ZlibFailed(result, z_);
  }
  ~TDeflater() { deflateEnd(&z_); }
  TDeflater(const TDeflater&) = delete;
  TDeflater& operator=(const TDeflater&) = delete;
  z_stream* operator->() { return &z_; }
  const z_stream& Stream() const { return z_; }
  int Deflate(int flush) { return deflate(&z_, flush); }

 private:
  z_stream z_{};
};

// An inflate stream, ended when it goes out of scope.
class TInflater {
 public:
  TInflater() {
    z_.zalloc = TZlibMemory::Alloc;
    z_.zfree = TZlibMemory::Free;
    if (int result = inflateInit(&z_); result != Z_OK) ZlibFailed(result, z_);
  }
  ~TInflater() { inflateEnd(&z_); }
  TInflater(const TInflater&) = delete;
  TInflater& operator=(const TInflater&) = delete;
  z_stream* operator->() { return &z_; }
  const z_stream& Stream() const { return z_; }
  int Inflate() { return inflate(&z_, Z_NO_FLUSH); }

 private:
  z_stream z_{};
};

int32_t Clamp32(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

// Adds to a 32-bit status figure without overflowing it.
void Grow(int32_t& field, int64_t delta) { field = Clamp32(field + delta); }

// A directory where a file is to be written is never an existing file to
// keep or replace: the file cannot be created, whatever the replace rule.
bool ExistsAsFile(const std::string& path) {
  auto attributes = PlatformFiles().GetAttributes(path);
  if (attributes && (*attributes & attrDirectory)) throw EQmbxCompress(msgCannotCreateFile, path);
  return attributes.has_value();
}

// The directory of a path without a trailing backslash: the text before
// its last "\" or "/", or up to a drive's ":".
std::string FileDirectory(const std::string& path) {
  size_t cut = path.find_last_of("\\/:");
  if (cut == std::string::npos) return "";
  return path[cut] == ':' ? path.substr(0, cut + 1) : path.substr(0, cut);
}

std::string WithBackslash(const std::string& directory) {
  return !directory.empty() && directory.back() == '\\' ? directory : directory + "\\";
}

std::string VolumeExtension(int n) { return "." + std::to_string(n); }

bool IsRestorableDate(TDateTime date) {
  return std::isfinite(date) && date >= kFirstFileDate && date < kLastFileDate;
}

// Writes count bytes; false when fewer were written, with the last error
// saying why (a short write that reports success is a full disk).
bool WriteAll(IFile& file, const void* data, uint32_t count) {
  uint32_t done = 0;
  if (!file.Write(data, count, done)) return false;
  if (done == count) return true;
  PlatformSystem().SetLastError(errDiskFull);
  return false;
}

void SeekTo(IFile& file, int64_t position, const std::string& path) {
  if (position < 0 || file.Seek(position, TSeekOrigin::Begin) != position)
    throw EQmbxCompress(msgCannotReadArchive, path);
}

// Where an extracted file is written. A file that replaces an existing one
// is written beside it under a temporary name and takes its place only
// once it is complete (Commit), so a failure leaves the old file as it
// was; a new file is written in place. Without a commit the file written
// is deleted when this goes.
class TExtractTarget {
 public:
  TExtractTarget(std::string destination, bool replaces)
      : destination_(std::move(destination)), replaces_(replaces) {}
  ~TExtractTarget() {
    if (!written_.empty()) PlatformFiles().DeleteFile(written_);
  }
  TExtractTarget(const TExtractTarget&) = delete;
  TExtractTarget& operator=(const TExtractTarget&) = delete;

  // Creates the file to write; failing, raises the message for the destination.
  std::unique_ptr<IFile> Open() {
    auto& files = PlatformFiles();
    if (!replaces_) {
      auto file = files.Open(destination_, accWrite, shareNone, TFileCreation::CreateAlways);
      if (!file) FailedCall(msgCannotCreateFile, destination_);
      written_ = destination_;
      return file;
    }
    // A new name of its own ("~brw1A2B.tmp"): a name taken is passed over,
    // any other refusal is the destination's.
    static uint32_t next = PlatformSystem().TickCount();
    const std::string directory = WithBackslash(FileDirectory(destination_));
    for (int attempt = 0; attempt < 1000; ++attempt) {
      char name[32];
      std::snprintf(name, sizeof name, "~brw%04X.tmp", static_cast<unsigned>(next++ & 0xFFFF));
      auto file = files.Open(directory + name, accWrite, shareNone, TFileCreation::CreateNew);
      if (file) {
        written_ = directory + name;
        return file;
      }
      uint32_t code = PlatformSystem().LastError();
      if (code != errFileExists && code != errAlreadyExists) break;
    }
    FailedCall(msgCannotCreateFile, destination_);
  }
  // The complete file is the destination.
  void Commit() {
    if (replaces_ && !PlatformFiles().MoveFileReplacing(written_, destination_))
      FailedCall(msgCannotCreateFile, destination_);
    written_.clear();
  }
  // The user's abort keeps the part written of a new file, never in place
  // of an existing one.
  void KeepPartOfNewFile() {
    if (!replaces_) written_.clear();
  }

 private:
  std::string destination_;
  bool replaces_;
  std::string written_;
};

}  // namespace

// ---- Creation and properties ----

TQmbxCompress::TQmbxCompress(TComponent* owner) : TComponent(owner) {}

TQmbxCompress::~TQmbxCompress() = default;

void TQmbxCompress::SetCompressedFile(const std::string& value) {
  if (HasState(csLoading)) {
    compressedFile_ = value;
    return;
  }
  if (SameText(value, compressedFile_)) return;
  // Another volume of the same set keeps the list; any other file does not,
  // nor does the list a compression left behind.
  if (!SameText(ChangeFileExt(value, ".1"), ChangeFileExt(compressedFile_, ".1"))) {
    headersLoaded_ = false;
    if (lastOperation_ == TLastOperation::Compressing) lastOperation_ = TLastOperation::None;
  }
  compressedFile_ = value;
}

void TQmbxCompress::SetFilesToProcess(TStrings& value) {
  for (int i = value.Count() - 1; i >= 0; --i)
    if (Trim(value.Strings(i)).empty()) value.Delete(i);
  filesToProcess_.Assign(value);
}

void TQmbxCompress::DiskFull() {
  if (OnFullDisk)
    OnFullDisk(this);
  else
    throw TCaused<EqcDiskFull>(TPlatformError::Last(), std::string(msgDiskFull));
}

template <class F>
void TQmbxCompress::Guarded(bool silentAbortEnds, F&& body) {
  try {
    body();
  } catch (const EqcAborted&) {
    if (OnAborted) OnAborted(this);
  } catch (const EAbort&) {
    if (!silentAbortEnds) {
      Abort = true;
      throw;
    }
  } catch (...) {
    Abort = true;
    throw;
  }
}

// ---- The header list ----

void TQmbxCompress::LoadHeaders() {
  headersLoaded_ = false;
  std::unique_ptr<IFile> file;
  if (FileExists(compressedFile_))
    file = PlatformFiles().Open(compressedFile_, accRead, kShareAll, TFileCreation::OpenExisting);
  if (!file) FailedCall(msgCannotOpenCompressedFile, compressedFile_);
  try {
    fileIDIndex_.fill(0);
    headers_.ReadHeaders(*file, Offset);
    for (int i = 0; i < headers_.Count(); ++i) {
      int32_t id = headers_.FileHeaders(i).FileID;
      if (id >= 0 && id < FileIDCount) fileIDIndex_[static_cast<size_t>(id)] = i;
    }
  } catch (...) {
    throw EQmbxCompress(msgCannotReadHeaders);
  }
  headersLoaded_ = true;
}

void TQmbxCompress::LoadHeadersUnlessCompressed() {
  if (!headersLoaded_ && lastOperation_ != TLastOperation::Compressing) LoadHeaders();
}

int TQmbxCompress::FileCount() {
  LoadHeadersUnlessCompressed();
  return headers_.Count();
}

void TQmbxCompress::GetFileStats(int index, TlzhFileStats& stats) {
  LoadHeadersUnlessCompressed();
  if (index < 0 || index >= headers_.Count()) throw EQmbxCompress(msgFileNotDefined, index);
  headers_.InitTotals(stats_);
  headers_.FileHeaders(index).LoadStatus(stats_);
  stats = stats_;
}

int TQmbxCompress::IndexOfFileID(int32_t fileID) {
  if (!headersLoaded_) LoadHeaders();
  return fileID >= 0 && fileID < FileIDCount ? fileIDIndex_[static_cast<size_t>(fileID)] : -1;
}

void TQmbxCompress::OpenVolume(std::unique_ptr<IFile>& stream, int n, uint32_t access,
                               std::string& path) {
  for (int attempt = 1;; ++attempt) {
    stream.reset();
    if (headers_.Spanned) path = ChangeFileExt(path, VolumeExtension(n));
    if (!FileExists(path)) {
      if (!OnNewDisk) throw EQmbxCompress(msgCannotOpenDisk, n);
      std::string directory = FileDirectory(path);
      OnNewDisk(this, n, directory);
      path = WithBackslash(directory) + ArchiveNamePart(path);
    }
    if (FileExists(path)) {
      stream = PlatformFiles().Open(path, access, kShareAll, TFileCreation::OpenExisting);
      if (!stream) FailedCall(msgCannotOpenCompressedFile, path);
      return;
    }
    if (attempt == 4) FailedCall(msgCannotOpenCompressedFile, path);
  }
}

// ---- Compressing ----

void TQmbxCompress::CompressFiles(TlzhCommand command, int32_t fileID) {
  struct TEnd {
    TStrings& files;
    ~TEnd() { files.Clear(); }
  } end{filesToProcess_};
  Guarded(true, [&] { DoCompressFiles(command, fileID); });
}

void TQmbxCompress::DoCompressFiles(TlzhCommand command, int32_t fileID) {
  Abort = false;
  headers_.Spanned = false;
  Offset = 0;
  // The list becomes the one written here, whatever it held.
  headersLoaded_ = false;
  lastOperation_ = TLastOperation::Compressing;
  CreateDirectoryPath(FileDirectory(compressedFile_));

  std::unique_ptr<IFile> archive;
  auto& files = PlatformFiles();
  if (command == TlzhCommand::lzcOnlyAdd && FileExists(compressedFile_)) {
    archive = files.Open(compressedFile_, accRead | accWrite, kShareAll, TFileCreation::OpenExisting);
    if (!archive) FailedCall(msgCannotCreateFile, compressedFile_);
    headers_.ReadHeaders(*archive, 0);
    // Its data lies on other volumes; headers added here would overwrite it.
    if (headers_.Spanned) throw EQmbxCompress(msgCannotAddToDiskSet, compressedFile_);
    headers_.BuildFromList(filesToProcess_, true);
  } else {
    // A file that cannot be stored leaves an existing archive as it was.
    headers_.BuildFromList(filesToProcess_, false);
    archive = files.Open(compressedFile_, accRead | accWrite, shareRead, TFileCreation::CreateAlways);
    if (!archive) FailedCall(msgCannotCreateFile, compressedFile_);
  }
  headers_.WriteHeaders(*archive);
  if (!archive->Seek(0, TSeekOrigin::End)) throw EQmbxCompress(msgCannotWriteArchive, compressedFile_);

  headers_.InitTotals(stats_);
  stats_.TotalCompressed = 0;
  for (int i = 0; i < headers_.Count(); ++i) {
    TFileHeader& header = headers_.FileHeaders(i);
    if (!header.InArchive) CompressOne(*archive, header, i, fileID);
  }
  headersLoaded_ = false;
}

void TQmbxCompress::CompressOne(IFile& archive, TFileHeader& header, int index, int32_t fileID) {
  // The whole source path: the stored name may be cut to 100 characters.
  const std::string& path = header.SourcePath.empty() ? header.FileName : header.SourcePath;
  auto source = PlatformFiles().Open(path, accRead, kShareAll, TFileCreation::OpenExisting);
  if (!source) FailedCall(msgCannotOpenFile, path);

  // A write that comes up short on a full disk is the engine's disk-full
  // error, so that a build can tell the author to make room.
  auto writeArchive = [&](const uint8_t* data, uint32_t count) {
    if (WriteAll(archive, data, count)) return;
    TPlatformError cause = TPlatformError::Last();
    if (cause.Code == errDiskFull)
      throw TCaused<EqcDiskFull>(cause, msgCannotWriteArchive, compressedFile_);
    throw TCaused<EQmbxCompress>(cause, msgCannotWriteArchive, compressedFile_);
  };

  auto headerPosition = archive.Seek(0, TSeekOrigin::Current);
  if (!headerPosition) throw EQmbxCompress(msgCannotWriteArchive, compressedFile_);
  header.WriteToStream(archive);
  const int64_t dataStart = *headerPosition + FileHeaderSize;
  if (dataStart > INT32_MAX) throw EQmbxCompress(msgFileTooLarge, header.FileName, compressedFile_);
  header.DataStart = static_cast<int32_t>(dataStart);

  header.LoadStatus(stats_);
  stats_.CompressedSize = 0;
  if (OnBeforeAdding) OnBeforeAdding(this, stats_);

  std::vector<uint8_t> input(kDeflateInputSize), output(kDeflateOutputSize);
  TDeflater z(ZlibLevel(CompressionLevel));
  int64_t sourcePosition = 0, written = 0;
  z->next_out = output.data();
  z->avail_out = kDeflateOutputSize;
  for (;;) {
    uint32_t count = 0;
    if (!source->Read(input.data(), kDeflateInputSize, count))
      throw EQmbxCompress(msgCannotReadFile, header.FileName);
    if (count == 0) break;
    sourcePosition += count;
    if (sourcePosition > INT32_MAX)
      throw EQmbxCompress(msgFileTooLarge, header.FileName, compressedFile_);
    z->next_in = input.data();
    z->avail_in = count;
    while (z->avail_in > 0) {
      if (int result = z.Deflate(Z_NO_FLUSH); result < 0) ZlibFailed(result, z.Stream());
      if (z->avail_out == 0) {
        writeArchive(output.data(), kDeflateOutputSize);
        written += kDeflateOutputSize;
        z->next_out = output.data();
        z->avail_out = kDeflateOutputSize;
        CompressionCheckpoint(sourcePosition, written);
      }
    }
  }
  // Finishing the stream writes what deflate still holds, without checkpoints.
  for (;;) {
    int result = z.Deflate(Z_FINISH);
    if (result < 0) ZlibFailed(result, z.Stream());
    uint32_t pending = kDeflateOutputSize - z->avail_out;
    if (pending > 0 && (z->avail_out == 0 || result == Z_STREAM_END)) {
      writeArchive(output.data(), pending);
      written += pending;
      z->next_out = output.data();
      z->avail_out = kDeflateOutputSize;
    }
    if (result == Z_STREAM_END) break;
  }

  // Until the first checkpoint the record's CompressedSize is 0, so a file
  // whose output stays below one buffer reports a ratio of 0.
  stats_.Ratio = PercentByte(stats_.CompressedSize, stats_.FileSize);
  stats_.Finished = true;
  CompressionCheckpoint(sourcePosition, written);
  stats_.Finished = false;

  const int64_t end = dataStart + written;
  if (end > INT32_MAX) throw EQmbxCompress(msgFileTooLarge, header.FileName, compressedFile_);
  Grow(stats_.TotalCompressed, written + 1);
  header.DataEnd = static_cast<int32_t>(end - 1);
  header.NextHeader = static_cast<int32_t>(end);
  header.CompressedSize = static_cast<int32_t>(written);
  // What was read is what the archive holds, should the file have changed.
  header.FileSize = static_cast<int32_t>(sourcePosition);
  header.FileID = fileID;
  if (fileID >= 0 && fileID < FileIDCount) fileIDIndex_[static_cast<size_t>(fileID)] = index;

  if (archive.Seek(*headerPosition, TSeekOrigin::Begin) != *headerPosition)
    throw EQmbxCompress(msgCannotWriteArchive, compressedFile_);
  header.WriteToStream(archive);
  if (archive.Seek(0, TSeekOrigin::End) != end)
    throw EQmbxCompress(msgCannotWriteArchive, compressedFile_);

  if (OnAfterAdding) OnAfterAdding(this, stats_);
}

void TQmbxCompress::CompressionCheckpoint(int64_t sourcePosition, int64_t written) {
  if (Abort) throw EqcAborted(std::string(msgAborted));
  ProcessMessages();
  const int32_t processed = Clamp32(sourcePosition - 1);
  Grow(stats_.TotalProcessed, int64_t{processed} - stats_.Processed);
  stats_.Processed = processed;
  stats_.CompressedSize = Clamp32(written);
  stats_.Percent = PercentByte(stats_.Processed, stats_.FileSize);
  stats_.TotalPercent = PercentByte(stats_.TotalProcessed, stats_.TotalSize);
  Status();
}

// ---- Extracting ----

void TQmbxCompress::ExtractFiles() {
  struct TEnd {
    TQmbxCompress& engine;
    ~TEnd() {
      engine.filesToProcess_.Clear();
      engine.ExtractName.clear();
      engine.extractSource_.reset();
      engine.extractSourcePath_.clear();
      engine.inflateInput_.reset();
      engine.inflateOutput_.reset();
    }
  } end{*this};
  Guarded(true, [&] { DoExtractFiles(); });
}

void TQmbxCompress::DoExtractFiles() {
  Abort = false;
  lastOperation_ = TLastOperation::Extracting;
  if (!headersLoaded_) LoadHeaders();
  currentDisk_ = 0;
  headers_.InitTotals(stats_);
  // Handlers may change the list while it is worked through.
  const std::vector<std::string> entries = filesToProcess_.Lines();
  for (const std::string& entry : entries) {
    int index = headers_.FindByName(entry);
    if (index < 0) throw EQmbxCompress(msgFileNotInArchive, entry, compressedFile_);
    ExtractOne(headers_.FileHeaders(index));
  }
}

std::string TQmbxCompress::ExtractDestination(const TFileHeader& header) const {
  std::string name = ArchiveNamePart(ExtractName);
  if (!IsSafeFileName(name)) throw EQmbxCompress(msgUnsafeName, name, header.FileName, compressedFile_);
  return WithBackslash(ExtractDirectory) + name;
}

void TQmbxCompress::ExtractOne(TFileHeader& header) {
  header.LoadStatus(stats_);
  if (Trim(ExtractName).empty()) ExtractName = ArchiveNamePart(header.FileName);
  if (OnBeforeExtracting) OnBeforeExtracting(this, stats_);
  ExtractName = ArchiveNamePart(ExtractName);
  std::string destination = ExtractDestination(header);

  bool extract = true;
  bool exists = ExistsAsFile(destination);
  if (exists) {
    int decision =
        TVersionResource::IsFileNewer(header.FileVersion, header.FileDate, destination, Overwrite);
    if (decision == vrNoDecision) throw EQmbxCompress(std::string(msgVersionCompareFailed));
    extract = decision != vrSame && decision != vrKeepExisting;
    if (extract && OnReplace) {
      OnReplace(this, stats_);
      destination = ExtractDestination(header);
      exists = ExistsAsFile(destination);
    }
  }

  if (!extract) {
    stats_.Finished = true;
    Status();
  } else {
    // A disk set opens the volume of each file; one archive file stays
    // open from one file to the next, unless a handler named another.
    std::unique_ptr<IFile> source = std::move(extractSource_);
    currentDisk_ = header.FirstDisk;
    if (!source || headers_.Spanned || !SameText(extractSourcePath_, compressedFile_)) {
      OpenVolume(source, std::max(1, int{header.FirstDisk}), accRead, compressedFile_);
      extractSourcePath_ = compressedFile_;
    }
    CreateDirectoryPath(FileDirectory(destination));
    // A failure (a full disk, a damaged archive) leaves an existing file
    // as it was.
    TExtractTarget target(destination, exists);
    auto dest = target.Open();
    SeekTo(*source, int64_t{Offset} + header.DataStart, compressedFile_);
    try {
      Inflate(header, source, *dest);
    } catch (const EqcAborted&) {
      // The user's abort keeps the part written of a new file.
      dest.reset();
      target.KeepPartOfNewFile();
      throw;
    }
    stats_.Finished = true;
    Status();
    if (dest->Size() != int64_t{header.FileSize})
      throw EQmbxCompress(msgSizeMismatch, header.FileName);
    if (!IsRestorableDate(header.FileDate) ||
        !dest->SetLastWriteTime(
            PlatformSystem().LocalToUtcFileTime(DateTimeToLocalFileTime(header.FileDate))))
      throw EQmbxCompress(std::string(msgCannotSetDate));
    dest.reset();
    target.Commit();
    if (!headers_.Spanned) extractSource_ = std::move(source);
  }
  ExtractName.clear();
}

void TQmbxCompress::Inflate(const TFileHeader& header, std::unique_ptr<IFile>& source, IFile& dest) {
  // The buffers serve every file of the extraction: held here while this
  // file is inflated, handed back when it is done.
  std::unique_ptr<uint8_t[]> inputBuffer = std::move(inflateInput_);
  std::unique_ptr<uint8_t[]> outputBuffer = std::move(inflateOutput_);
  if (!inputBuffer) inputBuffer = std::make_unique_for_overwrite<uint8_t[]>(kInflateInputSize);
  if (!outputBuffer) outputBuffer = std::make_unique_for_overwrite<uint8_t[]>(kInflateOutputSize);
  uint8_t* const input = inputBuffer.get();
  uint8_t* const output = outputBuffer.get();
  TInflater z;
  // Reads on the last volume stop at DataEnd, so no byte of the next file
  // is read.
  const int64_t end = int64_t{Offset} + header.DataEnd + 1;
  int64_t position = int64_t{Offset} + header.DataStart;
  int64_t extracted = 0;
  bool streamEnded = false;
  for (;;) {
    for (;;) {
      z->next_out = output;
      z->avail_out = kInflateOutputSize;
      while (z->avail_out > 0 && !streamEnded) {
        if (z->avail_in == 0) {
          uint32_t wanted = kInflateInputSize;
          if (currentDisk_ == header.LastDisk) {
            if (position >= end) break;
            wanted = static_cast<uint32_t>(std::min<int64_t>(wanted, end - position));
          }
          uint32_t count = 0;
          if (!source->Read(input, wanted, count))
            throw EQmbxCompress(msgCannotReadArchive, compressedFile_);
          if (count == 0) break;
          position += count;
          z->next_in = input;
          z->avail_in = count;
        } else {
          int result = z.Inflate();
          if (result == Z_STREAM_END)
            streamEnded = true;
          else if (result != Z_OK)  // an error, or a dictionary the format never uses
            ZlibFailed(result, z.Stream());
        }
      }
      const uint32_t produced = kInflateOutputSize - z->avail_out;
      uint32_t reported = 0;
      try {
        do {
          const uint32_t slice = std::min(kInflateCheckpoint, produced - reported);
          if (Abort) throw EqcAborted(std::string(msgAborted));
          ProcessMessages();
          // A stream that holds more than the header says is refused before
          // the surplus reaches the disk.
          if (extracted + slice > header.FileSize) throw EQmbxCompress(msgSizeMismatch, header.FileName);
          extracted += slice;
          reported += slice;
          Grow(stats_.Processed, slice);
          Grow(stats_.TotalProcessed, slice);
          stats_.Percent = PercentByte(stats_.Processed, stats_.FileSize);
          stats_.TotalPercent = PercentByte(stats_.TotalProcessed, stats_.TotalSize);
          Status();
        } while (reported < produced);
      } catch (...) {
        // What was reported stays in the partly written file.
        uint32_t done = 0;
        dest.Write(output, reported, done);
        throw;
      }
      if (produced > 0 && !WriteAll(dest, output, produced)) DiskFull();
      if (produced == 0) break;
    }
    if (streamEnded || currentDisk_ >= header.LastDisk) break;
    ++currentDisk_;
    OpenVolume(source, currentDisk_, accRead, compressedFile_);
    position = 0;
    SeekTo(*source, 0, compressedFile_);
  }
  inflateInput_ = std::move(inputBuffer);
  inflateOutput_ = std::move(outputBuffer);
}

// ---- Making disks ----

struct TQmbxCompress::TDiskSetWriter {
  std::unique_ptr<IFile> Source;
  std::unique_ptr<IFile> Volume;
  std::string VolumeName;  // the first volume's name part
  std::string VolumePath;
  std::string Directory;   // where new volumes go; OnNewDisk may change it
  int64_t SourcePosition = 0;
  int64_t SourceEnd = 0;  // the current file's last byte in the source
  int64_t VolumePosition = 0;
  std::vector<uint8_t> Buffer = std::vector<uint8_t>(kChunkSize);
};

void TQmbxCompress::MakeDisks(const std::string& directory, const std::string& volumeName) {
  Guarded(false, [&] { DoMakeDisks(directory, volumeName); });
}

void TQmbxCompress::DoMakeDisks(const std::string& directory, const std::string& volumeName) {
  Abort = false;
  lastOperation_ = TLastOperation::Extracting;
  if (!headersLoaded_) LoadHeaders();
  // Its positions are per volume, not in the one file that is read here.
  if (headers_.Spanned) throw EQmbxCompress(msgAlreadyDiskSet, compressedFile_);
  // From here on the list describes the disk set, not CompressedFile.
  headersLoaded_ = false;
  currentDisk_ = 1;
  headers_.Spanned = true;
  headers_.InitTotals(stats_);

  TDiskSetWriter writer;
  // The archive is only read: a read-only medium or a running setup serves.
  writer.Source = PlatformFiles().Open(compressedFile_, accRead, kShareAll, TFileCreation::OpenExisting);
  if (!writer.Source) FailedCall(msgCannotOpenCompressedFile, compressedFile_);
  writer.VolumeName = ArchiveNamePart(volumeName);
  writer.Directory = directory;
  writer.VolumePath = WithBackslash(directory) + writer.VolumeName;
  writer.Volume =
      PlatformFiles().Open(writer.VolumePath, accRead | accWrite, shareRead, TFileCreation::CreateAlways);
  if (!writer.Volume) FailedCall(msgCannotCreateFile, writer.VolumePath);
  headers_.WriteHeaders(*writer.Volume);
  writer.VolumePosition = ArchivePrefixSize + int64_t{headers_.Count()} * FileHeaderSize;

  for (int i = 0; i < headers_.Count(); ++i) {
    TFileHeader& header = headers_.FileHeaders(i);
    header.LoadStatus(stats_);
    writer.SourcePosition = int64_t{Offset} + header.DataStart;
    writer.SourceEnd = int64_t{Offset} + header.DataEnd;
    SeekTo(*writer.Source, writer.SourcePosition, compressedFile_);
    if (writer.VolumePosition > INT32_MAX) throw EQmbxCompress(msgFileTooLarge, header.FileName, writer.VolumePath);
    header.DataStart = static_cast<int32_t>(writer.VolumePosition);
    header.FirstDisk = static_cast<uint8_t>(currentDisk_);
    while (CopyChunk(writer) > 0) {
    }
    if (writer.VolumePosition > INT32_MAX) throw EQmbxCompress(msgFileTooLarge, header.FileName, writer.VolumePath);
    header.DataEnd = static_cast<int32_t>(writer.VolumePosition - 1);
    header.LastDisk = static_cast<uint8_t>(currentDisk_);
  }

  OpenVolume(writer.Volume, 1, accRead | accWrite, writer.VolumePath);
  headers_.WriteHeaders(*writer.Volume);
}

int64_t TQmbxCompress::CopyChunk(TDiskSetWriter& writer) {
  if (Abort) throw EqcAborted(std::string(msgAborted));
  if (writer.SourcePosition > writer.SourceEnd) return 0;
  uint32_t wanted =
      static_cast<uint32_t>(std::min<int64_t>(kChunkSize, writer.SourceEnd - writer.SourcePosition + 1));
  uint32_t count = 0;
  if (!writer.Source->Read(writer.Buffer.data(), wanted, count))
    throw EQmbxCompress(msgCannotReadArchive, compressedFile_);
  if (count == 0) return 0;
  writer.SourcePosition += count;
  ProcessMessages();
  uint32_t done = 0;
  writer.Volume->Write(writer.Buffer.data(), count, done);
  writer.VolumePosition += done;
  if (done < count) {
    // The volume is full: the rest of the chunk begins the next one.
    writer.Volume.reset();
    ++currentDisk_;
    if (currentDisk_ > MaxDiskVolumes) throw EQmbxCompress(msgTooManyVolumes, writer.VolumePath);
    if (!OnNewDisk) throw EQmbxCompress(std::string(msgNoNewDiskHandler));
    OnNewDisk(this, currentDisk_, writer.Directory);
    writer.VolumePath = WithBackslash(writer.Directory) +
                        ChangeFileExt(writer.VolumeName, VolumeExtension(currentDisk_));
    writer.Volume = PlatformFiles().Open(writer.VolumePath, accRead | accWrite, shareRead,
                                         TFileCreation::CreateAlways);
    if (!writer.Volume) FailedCall(msgCannotCreateFile, writer.VolumePath);
    uint32_t rest = count - done, restDone = 0;
    writer.Volume->Write(writer.Buffer.data() + done, rest, restDone);
    writer.VolumePosition = restDone;
    if (restDone < rest) throw EQmbxCompress(std::string(msgTooLittleSpace));
  }
  Grow(stats_.Processed, count);
  Grow(stats_.TotalProcessed, count);
  stats_.Percent = PercentByte(stats_.Processed, stats_.CompressedSize);
  stats_.TotalPercent = PercentByte(stats_.TotalProcessed, stats_.TotalCompressed);
  Status();
  return count;
}

// ---- Copying ----

void TQmbxCompress::CopyFile(const std::string& source, const std::string& dest) {
  // The name given here is this copy's alone, never the next extraction's.
  struct TEnd {
    std::string& name;
    ~TEnd() { name.clear(); }
  } end{ExtractName};
  Abort = false;
  Offset = 0;
  ExtractDirectory = FileDirectory(dest);
  ExtractName = ArchiveNamePart(dest);

  std::string target = dest;
  if (ExistsAsFile(target)) {
    int decision = TVersionResource::IsFileNewerByName(source, target, Overwrite);
    if (decision == vrNoDecision) throw EQmbxCompress(std::string(msgVersionCompareFailed));
    if (decision == vrSame || decision == vrKeepExisting) return;
    if (OnReplace) {
      stats_ = TlzhFileStats{};
      OnReplace(this, stats_);
      target = WithBackslash(ExtractDirectory) + ArchiveNamePart(ExtractName);
    }
  }

  stats_ = TlzhFileStats{};
  stats_.FileName = source;
  auto in = PlatformFiles().Open(source, accRead, kShareAll, TFileCreation::OpenExisting);
  if (!in) FailedCall(msgCannotOpenFile, source);
  auto date = in->LastWriteTime();
  stats_.FileSize = stats_.TotalSize = Clamp32(in->Size().value_or(0));
  auto out = PlatformFiles().Open(target, accWrite, shareNone, TFileCreation::CreateAlways);
  if (!out) FailedCall(msgCannotCreateFile, target);

  std::vector<uint8_t> buffer(kChunkSize);
  for (;;) {
    if (Abort) return;
    uint32_t count = 0;
    if (!in->Read(buffer.data(), kChunkSize, count)) FailedCall(msgCannotReadFile, source);
    if (count > 0 && !WriteAll(*out, buffer.data(), count)) DiskFull();
    Grow(stats_.Processed, count);
    Grow(stats_.TotalProcessed, count);
    stats_.Percent = stats_.TotalPercent = PercentByte(stats_.Processed, stats_.FileSize);
    Status();
    ProcessMessages();
    if (count < kChunkSize) break;
  }
  if (date) out->SetLastWriteTime(*date);
  stats_.Finished = true;
  Status();
}

// ---- Published properties ----

const TClassInfo& TQmbxCompress::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TQmbxCompress>("TQmbxCompress", &TComponent::StaticClass())
          .Creatable()
          .Boolean("Abort", Field(&TQmbxCompress::Abort), false)
          .String("CompressedFile",
                  Methods(&TQmbxCompress::CompressedFile, &TQmbxCompress::SetCompressedFile))
          .Enumeration("CompressionLevel", Field(&TQmbxCompress::CompressionLevel),
                       CompressionLevelInfo, static_cast<int64_t>(TCompressionLevel::colMax))
          .String("ExtractDirectory", Field(&TQmbxCompress::ExtractDirectory))
          .Object("FilesToProcess", [](TQmbxCompress& c) { return &c.FilesToProcess(); })
          .Integer("Offset", Field(&TQmbxCompress::Offset), 0)
          .Enumeration("Overwrite", Field(&TQmbxCompress::Overwrite), OverwriteTypeInfo,
                       static_cast<int64_t>(TOverwriteType::owAlways))
          .Event("OnAborted", &TQmbxCompress::OnAborted)
          .Event("OnAfterAdding", &TQmbxCompress::OnAfterAdding)
          .Event("OnBeforeAdding", &TQmbxCompress::OnBeforeAdding)
          .Event("OnBeforeExtracting", &TQmbxCompress::OnBeforeExtracting)
          .Event("OnFullDisk", &TQmbxCompress::OnFullDisk)
          .Event("OnNewDisk", &TQmbxCompress::OnNewDisk)
          .Event("OnReplace", &TQmbxCompress::OnReplace)
          .Event("OnStatus", &TQmbxCompress::OnStatus)
          .Build();
  return info;
}

}  // namespace brim
