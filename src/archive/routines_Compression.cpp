#include "archive/routines_Compression.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "common/LittleEndian.h"
#include "common/routines_Strings.h"
#include "common/types_Brimwell.h"
#include "components/cmp_TVersion.h"
#include "objects/TStrings.h"
#include "platform/Platform.h"

namespace brim {

namespace {

namespace L = archive_layout;

void PutUInt32(uint8_t* bytes, int at, uint32_t value) { WriteLittleEndian(bytes + at, value, 4); }

uint32_t GetUInt32(const uint8_t* bytes, int at) {
  return static_cast<uint32_t>(ReadLittleEndian(bytes + at, 4));
}

void PutInt32(uint8_t* bytes, int at, int32_t value) {
  PutUInt32(bytes, at, static_cast<uint32_t>(value));
}

int32_t GetInt32(const uint8_t* bytes, int at) { return static_cast<int32_t>(GetUInt32(bytes, at)); }

void PutDouble(uint8_t* bytes, int at, double value) {
  uint64_t bits = std::bit_cast<uint64_t>(value);
  PutUInt32(bytes, at, static_cast<uint32_t>(bits));
  PutUInt32(bytes, at + 4, static_cast<uint32_t>(bits >> 32));
}

double GetDouble(const uint8_t* bytes, int at) {
  uint64_t bits = GetUInt32(bytes, at) | static_cast<uint64_t>(GetUInt32(bytes, at + 4)) << 32;
  return std::bit_cast<double>(bits);
}

void PutShortString(uint8_t* bytes, int at, int capacity, const std::string& text) {
  size_t length = std::min<size_t>(text.size(), static_cast<size_t>(capacity));
  bytes[at] = static_cast<uint8_t>(length);
  std::copy_n(text.data(), length, bytes + at + 1);
}

std::string GetShortString(const uint8_t* bytes, int at, int capacity) {
  size_t length = std::min<size_t>(bytes[at], static_cast<size_t>(capacity));
  return std::string(reinterpret_cast<const char*>(bytes + at + 1), length);
}

bool WriteExactly(IFile& stream, const void* buffer, uint32_t count) {
  uint32_t done = 0;
  return stream.Write(buffer, count, done) && done == count;
}

bool IsDeviceName(const std::string& name) {
  // Windows opens a device for these names, whatever the extension.
  std::string base = UpperCase(name.substr(0, name.find('.')));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL" || base == "CLOCK$" ||
      base == "CONIN$" || base == "CONOUT$")
    return true;
  return base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) &&
         base[3] >= '0' && base[3] <= '9';
}

}  // namespace

uint8_t PercentByte(double part, double whole) {
  return static_cast<uint8_t>(std::clamp(Percentage(part, whole), 0, 255));
}

std::string ArchiveNamePart(const std::string& path) {
  size_t cut = path.find_last_of("\\/:");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

bool IsSafeFileName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (unsigned char c : name)
    if (c < 32 || c == 127 || std::string_view("\\/:*?\"<>|").find(static_cast<char>(c)) !=
                                  std::string_view::npos)
      return false;
  // Windows drops trailing dots and blanks, so "..." or ".. " would not
  // name the file asked for.
  if (name.back() == '.' || name.back() == ' ') return false;
  return !IsDeviceName(name);
}

// ---- TFileHeaderRecord ----

void TFileHeaderRecord::Encode(uint8_t (&bytes)[FileHeaderSize]) const {
  std::fill(std::begin(bytes), std::end(bytes), uint8_t{0});
  PutInt32(bytes, L::Number, Number);
  PutDouble(bytes, L::FileDate, FileDate);
  bytes[L::LastDisk] = LastDisk;
  PutInt32(bytes, L::DataEnd, DataEnd);
  PutShortString(bytes, L::FileName, MaxStoredFileName, FileName);
  PutInt32(bytes, L::NextHeader, NextHeader);
  PutInt32(bytes, L::FileSize, FileSize);
  PutInt32(bytes, L::DataStart, DataStart);
  PutInt32(bytes, L::CompressedSize, CompressedSize);
  bytes[L::FirstDisk] = FirstDisk;
  PutInt32(bytes, L::FileID, FileID);
  PutShortString(bytes, L::FileVersion, MaxStoredFileVersion, FileVersion);
}

TFileHeaderRecord TFileHeaderRecord::Decode(const uint8_t (&bytes)[FileHeaderSize]) {
  TFileHeaderRecord r;
  r.Number = GetInt32(bytes, L::Number);
  r.FileDate = GetDouble(bytes, L::FileDate);
  r.LastDisk = bytes[L::LastDisk];
  r.DataEnd = GetInt32(bytes, L::DataEnd);
  r.FileName = GetShortString(bytes, L::FileName, MaxStoredFileName);
  r.NextHeader = GetInt32(bytes, L::NextHeader);
  r.FileSize = GetInt32(bytes, L::FileSize);
  r.DataStart = GetInt32(bytes, L::DataStart);
  r.CompressedSize = GetInt32(bytes, L::CompressedSize);
  r.FirstDisk = bytes[L::FirstDisk];
  r.FileID = GetInt32(bytes, L::FileID);
  r.FileVersion = GetShortString(bytes, L::FileVersion, MaxStoredFileVersion);
  return r;
}

// ---- TFileHeader ----

void TFileHeader::FillFromFile(const std::string& entry) {
  SourcePath = SemicolonField(entry, 1);
  FileName = SourcePath.substr(0, MaxStoredFileName);
  // The file is the one the whole path names; only its stored name is cut.
  auto file = PlatformFiles().Open(SourcePath, accRead, shareRead | shareWrite | shareDelete,
                                   TFileCreation::OpenExisting);
  if (!file) throw TCaused<EQmbxCompress>(TPlatformError::Last(), msgCannotOpenFile, SourcePath);
  auto written = file->LastWriteTime();
  auto size = file->Size();
  if (!written || !size) throw EQmbxCompress(msgCannotOpenFile, SourcePath);
  FileDate = LocalFileTimeToDateTime(PlatformSystem().UtcToLocalFileTime(*written));
  // Sizes beyond the 32-bit field are refused when the file is compressed.
  FileSize = static_cast<int32_t>(std::min<int64_t>(*size, INT32_MAX));
  file.reset();
  FileVersion = FileVersionOf(SourcePath).substr(0, MaxStoredFileVersion);
}

void TFileHeader::ReadFromStream(IFile& stream) {
  uint8_t bytes[FileHeaderSize];
  if (!ReadExactly(stream, bytes, FileHeaderSize)) throw EQmbxCompress(msgCannotReadHeaders);
  static_cast<TFileHeaderRecord&>(*this) = Decode(bytes);
  InArchive = true;
}

void TFileHeader::WriteToStream(IFile& stream) const {
  uint8_t bytes[FileHeaderSize];
  Encode(bytes);
  if (!WriteExactly(stream, bytes, FileHeaderSize)) throw EQmbxCompress(msgCannotWriteHeaders);
}

bool TFileHeader::IsValid() const { return !Trim(FileName).empty(); }

void TFileHeader::LoadStatus(TlzhFileStats& stats) const {
  stats.FileName = FileName;
  stats.FileSize = FileSize;
  stats.CompressedSize = CompressedSize;
  stats.Processed = 0;
  stats.Percent = 0;
  stats.Finished = false;
  stats.Ratio = PercentByte(CompressedSize, FileSize);
  stats.Header = *this;
}

// ---- TFileHeaders ----

TFileHeader& TFileHeaders::FileHeaders(int index) const {
  if (index < 0 || index >= Count()) throw EQmbxCompress(msgInvalidHeaderIndex, index);
  return *headers_[static_cast<size_t>(index)];
}

void TFileHeaders::Add(std::unique_ptr<TFileHeader> header) {
  if (!header || !header->IsValid()) throw EQmbxCompress(msgInvalidHeader);
  headers_.push_back(std::move(header));
  IndexName(Count() - 1);
}

void TFileHeaders::Clear() {
  headers_.clear();
  byName_.clear();
}

// The first header of a name keeps the entry: FindByName finds the first.
void TFileHeaders::IndexName(int index) {
  byName_.emplace(UpperCase(headers_[static_cast<size_t>(index)]->FileName), index);
}

void TFileHeaders::RebuildIndex() const {
  byName_.clear();
  for (int i = 0; i < Count(); ++i)
    byName_.emplace(UpperCase(headers_[static_cast<size_t>(i)]->FileName), i);
}

void TFileHeaders::BuildFromList(const TStrings& list, bool keep) {
  if (!keep) Clear();
  for (int i = 0; i < list.Count(); ++i) {
    auto header = std::make_unique<TFileHeader>();
    header->FillFromFile(list.Strings(i));
    header->Number = i + 1;
    // A cut name must not be the name of another file, nor another file's
    // name the cut name of this one. A name of 100 characters read from the
    // archive may have been cut.
    auto cut = [](const TFileHeader& h) {
      return h.SourcePath.size() > h.FileName.size() ||
             (h.InArchive && h.FileName.size() == static_cast<size_t>(MaxStoredFileName));
    };
    int same = FindByName(header->FileName);
    if (same >= 0 && (cut(*header) || cut(FileHeaders(same))))
      throw EQmbxCompress(msgCutNameTaken, header->SourcePath, header->FileName);
    Add(std::move(header));
  }
}

int TFileHeaders::FindByName(const std::string& entry) const {
  std::string name = SemicolonField(entry, 1);
  for (int pass = 0; pass < 2; ++pass) {
    auto it = byName_.find(UpperCase(name));
    if (it == byName_.end()) return -1;
    // A header renamed through FileHeaders() since it was indexed: index again.
    if (it->second < Count() && SameText(headers_[static_cast<size_t>(it->second)]->FileName, name))
      return it->second;
    RebuildIndex();
  }
  return -1;
}

void TFileHeaders::ReadHeaders(IFile& stream, int64_t offset) {
  Clear();
  uint8_t prefix[ArchivePrefixSize];
  if (offset < 0 || stream.Seek(offset, TSeekOrigin::Begin) != offset ||
      !ReadExactly(stream, prefix, ArchivePrefixSize))
    throw EQmbxCompress(msgCannotReadHeaderCount);
  int32_t count = GetInt32(prefix, L::PrefixCount);
  Spanned = prefix[L::PrefixSpanned] != 0;
  if (count <= 0) return;

  // Every header takes 176 bytes of its own further on in the file, so a
  // count that cannot fit is corrupt before anything is allocated.
  auto size = stream.Size();
  if (!size) throw EQmbxCompress(msgCannotReadHeaders);
  int64_t room = *size - offset - ArchivePrefixSize;
  if (room < 0 || count > room / FileHeaderSize) throw EQmbxCompress(msgCannotReadHeaders);

  // The list grows only by headers actually read, so its memory follows
  // the file's size.
  int64_t position = offset + ArchivePrefixSize;
  for (int32_t i = 0; i < count; ++i) {
    if (stream.Seek(position, TSeekOrigin::Begin) != position)
      throw EQmbxCompress(msgCannotReadHeaders);
    auto header = std::make_unique<TFileHeader>();
    header->ReadFromStream(stream);
    int64_t next = offset + header->NextHeader;
    // The chain must move forward past the header itself: a loop or a step
    // back is corrupt. Positions and volumes must fit the layout.
    bool sane = next >= position + FileHeaderSize && header->FileSize >= 0 &&
                header->DataStart >= 0 && header->DataEnd >= -1 &&
                header->FirstDisk <= header->LastDisk &&
                (header->FirstDisk < header->LastDisk ||
                 header->DataEnd >= int64_t{header->DataStart} - 1);
    if (Spanned)
      sane = sane && header->FirstDisk >= 1;
    else
      sane = sane && header->LastDisk == 0 && offset + header->DataEnd < *size;
    if (!sane) throw EQmbxCompress(msgCannotReadHeaders);
    position = next;
    Add(std::move(header));
  }
}

void TFileHeaders::WriteHeaders(IFile& stream) {
  uint8_t prefix[ArchivePrefixSize] = {};
  PutInt32(prefix, L::PrefixCount, Count());
  prefix[L::PrefixSpanned] = Spanned ? 1 : 0;
  if (stream.Seek(0, TSeekOrigin::Begin) != 0 || !WriteExactly(stream, prefix, ArchivePrefixSize))
    throw EQmbxCompress(msgCannotWriteHeaders);
  if (!Spanned) return;
  int64_t position = ArchivePrefixSize;
  for (auto& header : headers_) {
    header->NextHeader = static_cast<int32_t>(position + FileHeaderSize);
    header->WriteToStream(stream);
    position += FileHeaderSize;
  }
}

void TFileHeaders::InitTotals(TlzhFileStats& stats) const {
  int64_t compressed = 0, size = 0;
  for (const auto& header : headers_) {
    compressed += header->CompressedSize;
    size += header->FileSize;
  }
  stats.TotalProcessed = 0;
  stats.TotalPercent = 0;
  stats.Finished = false;
  // Sums beyond the 32-bit fields stay at their largest value.
  stats.TotalCompressed = static_cast<int32_t>(std::clamp<int64_t>(compressed, INT32_MIN, INT32_MAX));
  stats.TotalSize = static_cast<int32_t>(std::clamp<int64_t>(size, INT32_MIN, INT32_MAX));
  stats.TotalRatio = PercentByte(stats.TotalCompressed, stats.TotalSize);
}

}  // namespace brim
