// TQmbxCompress: the compression engine, the one component through which
// the system touches archives. It compresses files into an archive (new or
// appended), extracts named files from a single archive or a disk set into
// a directory under the replace rules of the file version unit, splits an
// archive into floppy volumes and copies files uncompressed. Every
// operation reports through events carrying the engine's TlzhFileStats,
// stops at its next checkpoint when Abort is set, and asks through
// OnNewDisk for a volume that is missing or for a fresh one.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "archive/routines_Compression.h"
#include "common/types_Brimwell.h"
#include "objects/TComponent.h"
#include "objects/TStrings.h"

namespace brim {

class IFile;
class TQmbxCompress;

extern const TEnumInfo CompressionLevelInfo;

using TlzhFileStatsEvent = TEvent<void(TQmbxCompress* QmbxCompress, TlzhFileStats& FileStats)>;
// Path is a directory without a trailing backslash; the handler may change it.
using TlzhNewDiskEvent =
    TEvent<void(TQmbxCompress* QmbxCompress, int32_t DiskNumber, std::string& Path)>;
using TlzhNotifyEvent = TEvent<void(TComponent* Sender)>;

// The file IDs that IndexOfFileID can look up: 0 to FileIDCount - 1.
inline constexpr int FileIDCount = 2000;

class TQmbxCompress : public TComponent {
  BRIM_CLASS(TQmbxCompress)

 public:
  explicit TQmbxCompress(TComponent* owner);
  ~TQmbxCompress() override;

  // Set to stop the running operation at its next checkpoint; cleared when
  // an operation starts, set by the engine when an operation fails.
  bool Abort = false;
  TCompressionLevel CompressionLevel = TCompressionLevel::colMax;
  // Where files are extracted or copied to.
  std::string ExtractDirectory;
  // Where the archive starts inside CompressedFile.
  int32_t Offset = 0;
  TOverwriteType Overwrite = TOverwriteType::owAlways;

  // The archive (or a volume of a disk set). Another file that is not a
  // volume of the same set makes the header list load again.
  const std::string& CompressedFile() const { return compressedFile_; }
  void SetCompressedFile(const std::string& value);

  // The entries of the next operation: files to compress or names to
  // extract. Setting drops the blank entries from value itself, then copies it.
  TStrings& FilesToProcess() { return filesToProcess_; }
  void SetFilesToProcess(TStrings& value);

  // The name (its name part only) under which the next extracted file is
  // stored; empty: the stored file's own name. Cleared after each file.
  std::string ExtractName;

  TlzhNotifyEvent OnAborted;
  TlzhFileStatsEvent OnAfterAdding;
  TlzhFileStatsEvent OnBeforeAdding;
  TlzhFileStatsEvent OnBeforeExtracting;
  TlzhNotifyEvent OnFullDisk;
  TlzhNewDiskEvent OnNewDisk;
  TlzhFileStatsEvent OnReplace;
  TlzhFileStatsEvent OnStatus;

  // Compresses every entry of FilesToProcess into CompressedFile (a new
  // archive, or appended to an existing one with lzcOnlyAdd), giving each
  // new header FileID.
  void CompressFiles(TlzhCommand command, int32_t fileID);
  // Extracts every entry of FilesToProcess into ExtractDirectory.
  void ExtractFiles();
  // Writes the archive CompressedFile (at Offset) as a disk set whose first
  // volume is the name part of volumeName in directory.
  void MakeDisks(const std::string& directory, const std::string& volumeName);
  // Copies source to dest without compression, under the Overwrite rule.
  void CopyFile(const std::string& source, const std::string& dest);

  // The number of headers of the archive.
  int FileCount();
  // The status of header index, with the totals of the whole archive.
  void GetFileStats(int index, TlzhFileStats& stats);
  // The header index of a file ID 0 to 1999 (0 when no header has it);
  // -1 for any other ID.
  int IndexOfFileID(int32_t fileID);

  // The engine's own status record, which every event receives.
  const TlzhFileStats& FileStats() const { return stats_; }
  // The header list and whether it holds CompressedFile's headers.
  const TFileHeaders& Headers() const { return headers_; }
  bool HeadersLoaded() const { return headersLoaded_; }
  // The volume being read or written (0 in a single archive).
  int CurrentDisk() const { return currentDisk_; }

 protected:
  // Called when a write to a destination file comes up short while
  // extracting or copying: calls OnFullDisk, or raises EqcDiskFull.
  virtual void DiskFull();

 private:
  enum class TLastOperation { None, Compressing, Extracting };
  struct TDiskSetWriter;

  void LoadHeaders();
  void LoadHeadersUnlessCompressed();
  // Opens volume n of the archive (the file itself when the list is not a
  // disk set) into stream, asking OnNewDisk for it up to four times; path
  // follows the volume.
  void OpenVolume(std::unique_ptr<IFile>& stream, int n, uint32_t access, std::string& path);
  // The destination of the next extracted file: ExtractDirectory and the
  // name part of ExtractName, refused when that is not a plain file name.
  std::string ExtractDestination(const TFileHeader& header) const;

  void DoCompressFiles(TlzhCommand command, int32_t fileID);
  void CompressOne(IFile& archive, TFileHeader& header, int index, int32_t fileID);
  void CompressionCheckpoint(int64_t sourcePosition, int64_t written);
  void DoExtractFiles();
  void ExtractOne(TFileHeader& header);
  void Inflate(const TFileHeader& header, std::unique_ptr<IFile>& source, IFile& dest);
  void DoMakeDisks(const std::string& directory, const std::string& volumeName);
  int64_t CopyChunk(TDiskSetWriter& writer);
  // Runs an operation under the engine's failure rules.
  template <class F>
  void Guarded(bool silentAbortEnds, F&& body);

  void Status() {
    if (OnStatus) OnStatus(this, stats_);
  }

  std::string compressedFile_;
  TStringList filesToProcess_;
  TFileHeaders headers_;
  bool headersLoaded_ = false;
  TLastOperation lastOperation_ = TLastOperation::None;
  std::array<int32_t, FileIDCount> fileIDIndex_{};
  TlzhFileStats stats_;
  int currentDisk_ = 0;
  // The archive while one extraction reads it, opened for its first file
  // and kept for the next ones when it is one file, not a disk set.
  std::unique_ptr<IFile> extractSource_;
  std::string extractSourcePath_;
  std::unique_ptr<uint8_t[]> inflateInput_, inflateOutput_;
};

// The install session's one engine, made on first use and freed with the
// session: install files that read the main archive share it, so that the
// volume and disk state carry over from file to file.
TQmbxCompress& SharedCompressionEngine();

// The engine's messages.
inline constexpr const char* msgCannotOpenCompressedFile = "Cannot open the compressed file %s";
inline constexpr const char* msgCannotOpenDisk = "Could not open the correct disk file %d";
inline constexpr const char* msgCannotCreateFile = "Cannot create the file %s";
inline constexpr const char* msgFileNotInArchive = "The file <%s> was not found in the archive <%s>";
inline constexpr const char* msgVersionCompareFailed = "Error comparing file versions in TQmbxCompress";
inline constexpr const char* msgSizeMismatch =
    "The decompressed file's size does not match with the actual size of the file.  The file "
    "is %s";
inline constexpr const char* msgCannotSetDate = "Cannot set the date of the file just extracted.";
inline constexpr const char* msgFileNotDefined = "Tried to access the %dth file. This file is not defined";
inline constexpr const char* msgNoNewDiskHandler =
    "There was no event handler for the OnNewDisk event, therefore no new disk could be inserted";
inline constexpr const char* msgTooLittleSpace = "There is too little space on this disk to operate";
inline constexpr const char* msgDiskFull = "The disk is full";
inline constexpr const char* msgAborted = "Operation aborted by user";
inline constexpr const char* msgZlibError = "error";
inline constexpr const char* msgUnsafeName =
    "The name <%s> of the file <%s> in the archive <%s> is not a plain file name";
inline constexpr const char* msgCannotReadFile = "Cannot read the file %s";
inline constexpr const char* msgCannotReadArchive = "Cannot read the compressed file %s";
inline constexpr const char* msgCannotWriteArchive = "Cannot write to the compressed file %s";
inline constexpr const char* msgFileTooLarge = "The file %s is too large for the archive %s";
inline constexpr const char* msgTooManyVolumes =
    "The disk set %s would need more than 255 volumes";
inline constexpr const char* msgCannotAddToDiskSet =
    "Cannot add files to %s: it is the first volume of a disk set";
inline constexpr const char* msgAlreadyDiskSet = "Cannot make disks of %s: it is already a disk set";

}  // namespace brim
