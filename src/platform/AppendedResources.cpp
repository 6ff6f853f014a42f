// The appended resource block: trailer, entries, and writing them again.
#include "platform/AppendedResources.h"

#include "common/LittleEndian.h"
#include "common/routines_Strings.h"

namespace brim {

namespace {

bool Damaged(std::string* damage, const std::string& what) {
  if (damage) *damage = what;
  return false;
}

}  // namespace

std::optional<TResourceBlockPlace> ReadResourceTrailer(std::string_view trailer, uint64_t fileSize,
                                                       std::string* damage) {
  TResourceBlockPlace place{fileSize, 0, 0};
  if (fileSize < kResourceTrailerSize || trailer.size() != kResourceTrailerSize ||
      trailer.substr(16, 8) != std::string_view(kResourceMagic, 8))
    return place;  // no resources appended
  uint64_t offset = ReadLittleEndian(trailer.data(), 8);
  uint64_t count = ReadLittleEndian(trailer.data() + 8, 4);
  if (ReadLittleEndian(trailer.data() + 12, 4) != 0) {
    Damaged(damage, "unknown trailer format");
    return std::nullopt;
  }
  uint64_t blockEnd = fileSize - kResourceTrailerSize;
  if (offset > blockEnd) {
    Damaged(damage, "the block starts past the end of the file");
    return std::nullopt;
  }
  place.Offset = offset;
  place.Size = blockEnd - offset;
  place.Count = count;
  if (count > place.Size / 12) {
    Damaged(damage, "more entries than the block can hold");
    return std::nullopt;
  }
  return place;
}

bool ReadResourceBlock(std::string_view block, uint64_t count,
                       std::vector<TExecutableResource>& entries, std::string* damage) {
  entries.clear();
  size_t at = 0;
  auto field = [&](std::string& out) {
    if (block.size() - at < 4) return false;
    uint64_t length = ReadLittleEndian(block.data() + at, 4);
    at += 4;
    if (length > block.size() - at) return false;
    out.assign(block.substr(at, static_cast<size_t>(length)));
    at += static_cast<size_t>(length);
    return true;
  };
  for (uint64_t i = 0; i < count; ++i) {
    TExecutableResource entry;
    if (!field(entry.Type) || !field(entry.Name) || !field(entry.Data))
      return Damaged(damage, "entry " + std::to_string(i + 1) + " runs past the block");
    entries.push_back(std::move(entry));
  }
  if (at != block.size()) return Damaged(damage, "the entries do not fill the block");
  return true;
}

void MergeResources(std::vector<TExecutableResource>& entries,
                    const std::vector<TExecutableResource>& resources) {
  for (const auto& resource : resources) {
    bool replaced = false;
    for (auto& entry : entries)
      if (SameText(entry.Type, resource.Type) && SameText(entry.Name, resource.Name)) {
        entry = resource;
        replaced = true;
        break;
      }
    if (!replaced) entries.push_back(resource);
  }
}

std::optional<std::string> ResourceBlockOf(const std::vector<TExecutableResource>& entries,
                                           uint64_t imageSize, std::string* tooLarge) {
  std::string tail;
  for (const auto& entry : entries) {
    for (const std::string* part : {&entry.Type, &entry.Name, &entry.Data}) {
      if (part->size() > 0xFFFFFFFFu) {
        if (tooLarge) *tooLarge = entry.Name;
        return std::nullopt;
      }
      AppendLittleEndian(tail, part->size(), 4);
      tail += *part;
    }
  }
  AppendLittleEndian(tail, imageSize, 8);
  AppendLittleEndian(tail, entries.size(), 4);
  AppendLittleEndian(tail, 0, 4);
  tail += kResourceMagic;
  return tail;
}

std::optional<std::vector<TExecutableResource>> AppendedResources(std::string_view file,
                                                                  uint64_t* imageEnd,
                                                                  std::string* damage) {
  std::string_view trailer =
      file.size() >= kResourceTrailerSize ? file.substr(file.size() - kResourceTrailerSize) : "";
  auto place = ReadResourceTrailer(trailer, file.size(), damage);
  if (!place) return std::nullopt;
  std::vector<TExecutableResource> entries;
  if (place->Offset < file.size() &&
      !ReadResourceBlock(file.substr(place->Offset, place->Size), place->Count, entries, damage))
    return std::nullopt;
  if (imageEnd) *imageEnd = place->Offset;
  return entries;
}

std::optional<std::string> WithAppendedResources(std::string_view file,
                                                 const std::vector<TExecutableResource>& resources,
                                                 std::string* error) {
  uint64_t imageEnd = 0;
  std::string damage;
  auto entries = AppendedResources(file, &imageEnd, &damage);
  if (!entries) {
    if (error) *error = "its appended resources are damaged: " + damage;
    return std::nullopt;
  }
  MergeResources(*entries, resources);
  std::string name;
  auto tail = ResourceBlockOf(*entries, imageEnd, &name);
  if (!tail) {
    if (error) *error = "the resource " + name + " is too large";
    return std::nullopt;
  }
  std::string out(file.substr(0, static_cast<size_t>(imageEnd)));
  out += *tail;
  return out;
}

}  // namespace brim
