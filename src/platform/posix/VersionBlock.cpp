// Walking a version block node by node, each node checked against its
// parent before its key, value or children are read.
#include "platform/posix/VersionBlock.h"

#include <algorithm>
#include <cstdint>

namespace brim {

namespace {

uint16_t U16(std::string_view b, size_t at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(b[at]) |
                               static_cast<unsigned char>(b[at + 1]) << 8);
}

size_t Align4(size_t offset) { return (offset + 3) & ~size_t{3}; }

// Windows compares keys without regard to case; A-Z and the Latin-1
// letters cover every key a version block uses.
char16_t FoldCase(char16_t c) {
  if (c >= 'a' && c <= 'z') return static_cast<char16_t>(c - 32);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 32);
  return c;
}

bool SameKey(const std::u16string& a, const std::u16string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  return true;
}

// One node of the tree, as offsets into the block.
struct TNode {
  size_t End = 0;  // offset after the node's wLength bytes
  bool IsText = false;
  std::u16string Key;
  size_t ValueStart = 0;
  size_t ValueSize = 0;    // in bytes, as far as the node holds it
  bool ValueWhole = true;  // false when wValueLength runs past the node
  size_t ChildrenStart = 0;
};

// The node at start, which must end by limit; empty when it is damaged.
std::optional<TNode> ReadNode(std::string_view block, size_t start, size_t limit) {
  if (start > limit || limit - start < 6) return std::nullopt;
  size_t length = U16(block, start);
  if (length < 6 || length > limit - start) return std::nullopt;
  TNode node;
  node.End = start + length;
  size_t valueLength = U16(block, start + 2);
  node.IsText = U16(block, start + 4) != 0;
  size_t at = start + 6;
  for (;;) {
    if (node.End - at < 2) return std::nullopt;  // key without its NUL
    char16_t c = static_cast<char16_t>(U16(block, at));
    at += 2;
    if (c == 0) break;
    node.Key += c;
  }
  node.ValueStart = std::min(Align4(at), node.End);
  size_t declared = valueLength * (node.IsText ? 2 : 1);
  size_t room = node.End - node.ValueStart;
  node.ValueWhole = declared <= room;
  node.ValueSize = std::min(declared, room);
  node.ChildrenStart = node.ValueWhole ? Align4(node.ValueStart + declared) : node.End;
  return node;
}

std::optional<TNode> FindChild(std::string_view block, const TNode& parent,
                               const std::u16string& key) {
  size_t at = parent.ChildrenStart;
  while (at < parent.End && parent.End - at >= 6) {
    auto child = ReadNode(block, at, parent.End);
    if (!child) return std::nullopt;
    if (SameKey(child->Key, key)) return child;
    at = Align4(child->End);  // wLength is at least 6, so this moves on
  }
  return std::nullopt;
}

constexpr size_t kFixedFileInfoSize = 52;
constexpr uint32_t kFixedFileInfoSignature = 0xFEEF04BDu;

}  // namespace

std::optional<std::string> QueryVersionValue(std::string_view block, const std::string& subBlock,
                                             uint32_t codePage) {
  auto node = ReadNode(block, 0, block.size());
  if (!node) return std::nullopt;
  bool root = true;
  size_t start = 0;
  while (start <= subBlock.size()) {
    size_t end = subBlock.find('\\', start);
    if (end == std::string::npos) end = subBlock.size();
    if (end > start) {
      node = FindChild(block, *node,
                       Utf16FromAnsi(std::string_view(subBlock).substr(start, end - start), codePage));
      if (!node) return std::nullopt;
      root = false;
    }
    start = end + 1;
  }
  std::string_view value = block.substr(node->ValueStart, node->ValueSize);
  if (root) {
    if (!node->ValueWhole || value.size() < kFixedFileInfoSize) return std::nullopt;
    uint32_t signature = U16(value, 0) | static_cast<uint32_t>(U16(value, 2)) << 16;
    if (signature != kFixedFileInfoSignature) return std::nullopt;
    return std::string(value.substr(0, kFixedFileInfoSize));
  }
  if (!node->IsText) {
    if (!node->ValueWhole) return std::nullopt;
    return std::string(value);
  }
  // Text: up to its NUL. Some tools count the value in bytes, not
  // characters; the node's own end bounds it either way.
  std::u16string text;
  for (size_t i = 0; i + 1 < value.size(); i += 2) {
    char16_t c = static_cast<char16_t>(U16(value, i));
    if (c == 0) break;
    text += c;
  }
  return AnsiFromUtf16(text, codePage);
}

}  // namespace brim
