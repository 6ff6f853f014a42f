#include "netlocation/routines_DownloadChecks.h"

#include <vector>

#include "common/routines_Strings.h"
#include "objects/TStrings.h"
#include "platform/PlatformServices.h"
#include "session/InstallSession.h"

namespace brim {

namespace {

struct TDownloadCheckState {
  bool Read = false;
  std::optional<TArchiveHashList> Hashes;
  std::map<std::string, int64_t> RemoteSizes;  // by upper-case name
};
TDownloadCheckState& State() { return CurrentSession().State<TDownloadCheckState>(); }

std::string DirectoryOf(const std::string& path) {
  size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

TArchiveHashList TArchiveHashList::Parse(const std::string& text, const std::string& path) {
  TArchiveHashList list;
  TStringList lines;
  lines.SetText(text);
  for (int i = 0; i < lines.Count(); ++i) {
    const std::string line = Trim(lines.Strings(i));
    if (line.empty() || line[0] == '#') continue;
    size_t first = line.find(' ');
    size_t second = first == std::string::npos ? first : line.find(' ', first + 1);
    TArchiveHash hash;
    long long size = -1;
    if (second == std::string::npos || !DigestFromHex(line.substr(0, first), hash.Digest) ||
        !TryStrToInt64(line.substr(first + 1, second - first - 1), size) || size < 0 ||
        Trim(line.substr(second + 1)).empty())
      throw ENIL_HashList("The list of archive hashes %s is damaged at line %d", path, i + 1);
    hash.Size = size;
    list.Add(Trim(line.substr(second + 1)), hash);
  }
  return list;
}

std::string TArchiveHashList::Text() const {
  std::string text =
      "# The network archives of this setup as its build wrote them, one a line:\r\n"
      "# SHA-256 (64 hex digits), size in bytes, archive name.\r\n";
  for (const auto& [key, entry] : entries_)
    text += DigestHex(entry.second.Digest) + " " + std::to_string(entry.second.Size) + " " +
            entry.first + "\r\n";
  return text;
}

void TArchiveHashList::Add(const std::string& name, const TArchiveHash& hash) {
  entries_[UpperCase(name)] = {name, hash};
}

const TArchiveHash* TArchiveHashList::Find(const std::string& name) const {
  auto it = entries_.find(UpperCase(name));
  return it == entries_.end() ? nullptr : &it->second.second;
}

std::optional<TArchiveHash> HashOfFile(const std::string& path) {
  std::unique_ptr<IFile> file =
      PlatformFiles().Open(path, accRead, shareRead, TFileCreation::OpenExisting);
  if (!file) return std::nullopt;
  TSha256 sha;
  std::vector<char> block(65536);
  TArchiveHash hash;
  uint32_t got = 0;
  do {
    if (!file->Read(block.data(), static_cast<uint32_t>(block.size()), got)) return std::nullopt;
    sha.Update(block.data(), got);
    hash.Size += got;
  } while (got > 0);
  hash.Digest = sha.Final();
  return hash;
}

const TArchiveHashList* SetupArchiveHashes() {
  TDownloadCheckState& state = State();
  if (!state.Read) {
    state.Read = true;
    const std::string path = DirectoryOf(PlatformModule().ModuleFileName()) + ArchiveHashListName;
    std::unique_ptr<IFile> file =
        PlatformFiles().Open(path, accRead, shareRead, TFileCreation::OpenExisting);
    if (file) {
      std::string text;
      std::vector<char> block(8192);
      uint32_t got = 0;
      do {
        if (!file->Read(block.data(), static_cast<uint32_t>(block.size()), got))
          throw ENIL_HashList("The list of archive hashes %s cannot be read", path);
        text.append(block.data(), got);
      } while (got > 0);
      state.Hashes = TArchiveHashList::Parse(text, path);
    }
  }
  return state.Hashes ? &*state.Hashes : nullptr;
}

void UseArchiveHashes(std::optional<TArchiveHashList> list) {
  State().Read = true;
  State().Hashes = std::move(list);
}

void SetRemoteFileSize(const std::string& name, int64_t size) {
  State().RemoteSizes[UpperCase(name)] = size;
}

std::optional<int64_t> RemoteFileSize(const std::string& name) {
  auto& sizes = State().RemoteSizes;
  auto it = sizes.find(UpperCase(name));
  if (it == sizes.end()) return std::nullopt;
  return it->second;
}

bool RemoteFileSizesKnown() { return !State().RemoteSizes.empty(); }

}  // namespace brim
