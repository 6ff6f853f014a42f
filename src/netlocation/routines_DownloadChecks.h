// What a download must match before the installation uses it. A build
// records the SHA-256 and the size of every network archive it writes (and
// of "filelist.lst") in the hash list "archives.sha", which travels inside
// setup.1 beside the setup program, so a signature over setup.exe covers
// it. The installation reads it from its own directory on first use; a
// setup built before the hash list existed has none and falls back to the
// sizes of "filelist.lst" and the server's Content-Length.
//
// "archives.sha" is text, one archive a line:
//   <64 hex digits of SHA-256> <size in bytes> <archive name>
// Lines that are blank or begin with "#" are comments. Names are compared
// without regard to case, as Windows names files.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "common/Sha256.h"
#include "common/exceptions_Brimwell.h"

namespace brim {

BRIM_EXCEPTION_CLASS(ENIL_HashList, Exception);

inline constexpr const char* ArchiveHashListName = "archives.sha";

struct TArchiveHash {
  int64_t Size = 0;
  TSha256Digest Digest{};
  bool operator==(const TArchiveHash&) const = default;
};

class TArchiveHashList {
 public:
  // The list in text; a damaged line raises ENIL_HashList naming path and line.
  static TArchiveHashList Parse(const std::string& text, const std::string& path);
  // The text of the list, its format told in a header comment.
  std::string Text() const;
  void Add(const std::string& name, const TArchiveHash& hash);
  // The hash of an archive, or null when the list does not name it.
  const TArchiveHash* Find(const std::string& name) const;
  int Count() const { return static_cast<int>(entries_.size()); }

 private:
  // By upper-case name: the name as written, and its hash.
  std::map<std::string, std::pair<std::string, TArchiveHash>> entries_;
};

// The hash and size of a file, or none when it cannot be read.
std::optional<TArchiveHash> HashOfFile(const std::string& path);

// The hash list of the running setup: "archives.sha" in the setup
// program's directory, read once; null when there is none. A list that
// cannot be read raises ENIL_HashList.
const TArchiveHashList* SetupArchiveHashes();
// Puts a list (or none) in place of the one beside the program.
void UseArchiveHashes(std::optional<TArchiveHashList> list);

// The sizes "filelist.lst" gave the install files, by component name.
void SetRemoteFileSize(const std::string& name, int64_t size);
std::optional<int64_t> RemoteFileSize(const std::string& name);
bool RemoteFileSizesKnown();

}  // namespace brim
