// The archive file format: the byte layout of an archive, the file header
// records that describe its members, the in-memory list of those headers
// and the status record the compression engine hands to its events. The
// layout below is the one place that defines it; the header writer and
// reader in routines_Compression.cpp encode and decode every field through
// the offsets declared here, little-endian, byte by byte.
//
// Integers are little-endian two's complement. A short string is a length
// byte followed by that many ANSI characters, in a field of fixed size whose
// remaining bytes are zero.
//
// Archive prefix, at the archive's start (5 bytes):
//   0   4  count     signed number of file headers
//   4   1  spanned   0: single archive file, each header in front of its data
//                    1: disk set, every header follows the prefix
//
// File header record (176 bytes, the same in both layouts):
//   0   4  Number          1-based position in the list it was added with
//   4   4  (reserved, 0)
//   8   8  FileDate        IEEE 754 double: days since 1899-12-30 00:00, local
//                          time; the source file's last-write date (2 s)
//   16  1  LastDisk        volume holding the data's last byte; 0 if single
//   17  3  (reserved, 0)
//   20  4  DataEnd         position of the data's last byte (inclusive)
//   24  101 FileName       short string, at most 100 characters: the source
//                          path (the first ";" field of the entry added)
//   125 3  (reserved, 0)
//   128 4  NextHeader      position of the next file header
//   132 4  FileSize        uncompressed size
//   136 4  DataStart       position of the data's first byte
//   140 4  CompressedSize  bytes of compressed data
//   144 1  FirstDisk       volume holding the data's first byte; 0 if single
//   145 3  (reserved, 0)
//   148 4  FileID          the caller's identifier; 0 to 1999 can be looked up
//   152 21 FileVersion     short string, at most 20 characters: "1.2.3.4",
//                          empty when the source has no version resource
//   173 3  (reserved, 0)
// The data of each file is one complete zlib stream (RFC 1950).
//
// Single archive (spanned 0): the prefix, then for each file its header at
// position p and its data from DataStart = p + 176 to DataEnd; NextHeader =
// DataEnd + 1 is where the next header stands (the archive's end after the
// last one). Positions are relative to the archive's start; FirstDisk and
// LastDisk are 0. Files added later are appended at the end and count is
// rewritten.
//
// Disk set (spanned 1): volume 1 holds the prefix and all headers back to
// back (the header at p has NextHeader = p + 176), then the data of every
// file in header order, running on across the volumes without gaps.
// FirstDisk/DataStart locate a file's first byte and LastDisk/DataEnd its
// last byte, each position relative to the start of its own volume. Volume
// N is the first volume's name with the extension ".N" ("files.1",
// "files.2", ...); at most 255 volumes.
//
// Embedding: an archive may start at a byte Offset inside a larger file (a
// self-extracting setup). Readers add Offset to every stored position;
// writers always write an archive at offset 0 of its own file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "common/DateTime.h"
#include "common/exceptions_Brimwell.h"

namespace brim {

class IFile;
class TStrings;

inline constexpr int ArchivePrefixSize = 5;
inline constexpr int FileHeaderSize = 176;
inline constexpr int MaxStoredFileName = 100;
inline constexpr int MaxStoredFileVersion = 20;
inline constexpr int MaxDiskVolumes = 255;

// Offsets of the fields within the prefix and the header record.
namespace archive_layout {
inline constexpr int PrefixCount = 0;
inline constexpr int PrefixSpanned = 4;

inline constexpr int Number = 0;
inline constexpr int FileDate = 8;
inline constexpr int LastDisk = 16;
inline constexpr int DataEnd = 20;
inline constexpr int FileName = 24;  // length byte, then up to 100 characters
inline constexpr int NextHeader = 128;
inline constexpr int FileSize = 132;
inline constexpr int DataStart = 136;
inline constexpr int CompressedSize = 140;
inline constexpr int FirstDisk = 144;
inline constexpr int FileID = 148;
inline constexpr int FileVersion = 152;  // length byte, then up to 20 characters
}  // namespace archive_layout

// The 176-byte file header record, field by field.
struct TFileHeaderRecord {
  int32_t Number = 0;
  TDateTime FileDate = 0;
  uint8_t LastDisk = 0;
  int32_t DataEnd = 0;
  std::string FileName;
  int32_t NextHeader = 0;
  int32_t FileSize = 0;
  int32_t DataStart = 0;
  int32_t CompressedSize = 0;
  uint8_t FirstDisk = 0;
  int32_t FileID = 0;
  std::string FileVersion;

  // The record's bytes; names longer than their fields are cut.
  void Encode(uint8_t (&bytes)[FileHeaderSize]) const;
  // A record from its bytes; a length byte larger than its field is taken
  // as the field's size.
  static TFileHeaderRecord Decode(const uint8_t (&bytes)[FileHeaderSize]);

  bool operator==(const TFileHeaderRecord&) const = default;
};

// The progress record of the compression engine. Percentages and ratios
// are Percentage() of their two figures, held in a byte.
struct TlzhFileStats {
  uint8_t Percent = 0;          // progress of the current file
  int32_t Processed = 0;        // bytes of the current file processed
  std::string FileName;         // the stored FileName (a plain copy: the source)
  int32_t CompressedSize = 0;   // the current file's compressed size
  uint8_t Ratio = 0;            // CompressedSize / FileSize
  int32_t FileSize = 0;         // the current file's uncompressed size
  TFileHeaderRecord Header;     // a copy of the current file's header
  bool Finished = false;        // set only in the report that ends a file
  uint8_t TotalPercent = 0;     // progress of the whole operation
  int32_t TotalProcessed = 0;   // bytes processed in the whole operation
  int32_t TotalCompressed = 0;  // compressed bytes of all files
  uint8_t TotalRatio = 0;       // TotalCompressed / TotalSize
  int32_t TotalSize = 0;        // uncompressed bytes of all files
};

// Percentage(part, whole) as the status record's byte holds it: clamped
// to 0..255, so a ratio above 255 % or a negative figure cannot wrap.
uint8_t PercentByte(double part, double whole);

// The name part of a path: the text after its last "\", "/" or ":".
std::string ArchiveNamePart(const std::string& path);
// Whether a name part may name a file inside a directory: not empty, not
// "." or "..", no drive, no path separator of either platform, no control
// character or character Windows refuses in names, no trailing dot or
// blank, and no device name (CON, NUL, COM1, ...).
bool IsSafeFileName(const std::string& name);

// A file header in memory: the record, plus whether it was read from an
// archive (headers still to be compressed have InArchive false).
class TFileHeader : public TFileHeaderRecord {
 public:
  bool InArchive = false;
  // The whole path the header was filled from; empty for a header read
  // from an archive. FileName holds at most its first 100 characters.
  std::string SourcePath;

  // Fills the header from a file entry ("path" or "path;more fields"):
  // FileName (cut to 100 characters), and the date, size and version of
  // the file at the whole path. A file that cannot be opened raises
  // "Cannot open the file %s".
  void FillFromFile(const std::string& entry);
  // Reads the 176 bytes at the stream's position and sets InArchive.
  void ReadFromStream(IFile& stream);
  // Writes the 176 bytes at the stream's position.
  void WriteToStream(IFile& stream) const;
  // FileName is not blank once blanks and control characters are trimmed.
  bool IsValid() const;
  // Sets the per-file fields of stats from this header; totals stay.
  void LoadStatus(TlzhFileStats& stats) const;
};

// The ordered list of an archive's file headers, owning them.
class TFileHeaders {
 public:
  TFileHeaders() = default;
  TFileHeaders(const TFileHeaders&) = delete;
  TFileHeaders& operator=(const TFileHeaders&) = delete;

  // The prefix's second field: the list is (to be) a disk set.
  bool Spanned = false;

  int Count() const { return static_cast<int>(headers_.size()); }
  // The header at a 0-based index; outside the list raises
  // "%d is an invalid TFileHeader index in TFileHeaders.GetFileHeaders".
  TFileHeader& FileHeaders(int index) const;
  // Appends a valid header; an invalid one raises "Tried to add an invalid
  // file header" and is not added.
  void Add(std::unique_ptr<TFileHeader> header);
  void Clear();
  // Appends (keep) or replaces the list with one header per entry, filled
  // from the entry's file and numbered 1, 2, ... in list order. A path cut
  // to 100 characters whose stored name another header of the list also
  // has (or a name that a 100-character name read from the archive has) is
  // refused: one name would stand for two files.
  void BuildFromList(const TStrings& list, bool keep);
  // The index of the first header whose FileName equals the entry's first
  // ";" field, A to Z compared without case; -1 when there is none. Found
  // through an index of the names, kept by Add and Clear.
  int FindByName(const std::string& entry) const;
  // Reads the prefix and the chain of headers of the archive starting at
  // offset. A count below 1 gives an empty list. Refused as corrupt: a
  // count whose headers cannot fit in the file, a NextHeader that does not
  // lie past the header holding it, positions and volume numbers that
  // cannot belong to the layout. Headers read before a failure stay.
  void ReadHeaders(IFile& stream, int64_t offset);
  // Writes the prefix at position 0 and, in a disk set, every header back
  // to back after it (setting each NextHeader).
  void WriteHeaders(IFile& stream);
  // Sets the totals of stats from the whole list.
  void InitTotals(TlzhFileStats& stats) const;

 private:
  void IndexName(int index);
  void RebuildIndex() const;

  std::vector<std::unique_ptr<TFileHeader>> headers_;
  // FileName with a-z upper-cased -> the first header of that name.
  mutable std::unordered_map<std::string, int> byName_;
};

// The archive format's messages.
inline constexpr const char* msgCannotOpenFile = "Cannot open the file %s";
inline constexpr const char* msgCannotReadHeaderCount =
    "Could not read the file header count for the compressed file";
inline constexpr const char* msgCannotReadHeaders =
    "Could not read the file headers for the compressed file. The Archive file could "
    "possible be corrupt";
inline constexpr const char* msgCannotWriteHeaders =
    "Could not write the file headers for the compressed file";
inline constexpr const char* msgInvalidHeader = "Tried to add an invalid file header";
inline constexpr const char* msgCutNameTaken =
    "Cannot store the file %s as %s: cut to 100 characters, the name would stand for two files "
    "of the archive";
inline constexpr const char* msgInvalidHeaderIndex =
    "%d is an invalid TFileHeader index in TFileHeaders.GetFileHeaders";

}  // namespace brim
