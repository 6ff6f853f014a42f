// SHA-256 (FIPS 180-4): the digest a build records for every network
// archive it writes and the installation checks before it uses one. Fed
// in pieces of any size; Final gives the 32 bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace brim {

using TSha256Digest = std::array<uint8_t, 32>;

class TSha256 {
 public:
  TSha256() { Reset(); }
  void Reset();
  void Update(const void* data, size_t size);
  void Update(std::string_view text) { Update(text.data(), text.size()); }
  // The digest of everything fed since the last Reset; the object is then
  // reset for a new message.
  TSha256Digest Final();

 private:
  void Block(const uint8_t* block);

  std::array<uint32_t, 8> state_;
  std::array<uint8_t, 64> buffer_;
  size_t buffered_ = 0;
  uint64_t length_ = 0;  // bytes fed
};

// The digest of one piece of bytes.
TSha256Digest Sha256Of(std::string_view bytes);
// The digest as 64 lower-case hexadecimal digits.
std::string DigestHex(const TSha256Digest& digest);
// 64 hexadecimal digits (either case) as a digest; false for any other text.
bool DigestFromHex(std::string_view hex, TSha256Digest& digest);

}  // namespace brim
