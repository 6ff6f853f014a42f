// Little-endian integers in byte buffers: the fixed layouts the system reads
// and writes (archive headers, version blocks, bitmaps, registry DWORDs,
// appended resources) all store their numbers this way, byte by byte, so
// the result never depends on the host's byte order or alignment.
#pragma once

#include <cstdint>
#include <string>

namespace brim {

// The size-byte integer at bytes (size 1 to 8).
inline uint64_t ReadLittleEndian(const void* bytes, int size) {
  const auto* p = static_cast<const unsigned char*>(bytes);
  uint64_t value = 0;
  for (int i = 0; i < size; ++i) value |= static_cast<uint64_t>(p[i]) << (8 * i);
  return value;
}

// Stores the low size bytes of value at bytes.
inline void WriteLittleEndian(void* bytes, uint64_t value, int size) {
  auto* p = static_cast<unsigned char*>(bytes);
  for (int i = 0; i < size; ++i) p[i] = static_cast<unsigned char>(value >> (8 * i));
}

// Appends the low size bytes of value to out.
inline void AppendLittleEndian(std::string& out, uint64_t value, int size) {
  for (int i = 0; i < size; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace brim
