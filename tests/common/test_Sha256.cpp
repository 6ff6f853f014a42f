#include <gtest/gtest.h>

#include <string>

#include "common/Sha256.h"

namespace brim {
namespace {

// The standard vectors, each fed whole and in uneven pieces.
TEST(Sha256, GivesTheStandardDigestsHoweverTheMessageIsFed) {
  const struct {
    std::string Message, Digest;
  } cases[] = {
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'),
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Message.substr(0, 20));
    EXPECT_EQ(DigestHex(Sha256Of(c.Message)), c.Digest);
    TSha256 pieces;
    for (size_t at = 0, step = 1; at < c.Message.size(); at += step, step = step * 3 % 97 + 1)
      pieces.Update(c.Message.substr(at, step));
    EXPECT_EQ(DigestHex(pieces.Final()), c.Digest);
    TSha256Digest back{};
    EXPECT_TRUE(DigestFromHex(c.Digest, back));
    EXPECT_EQ(back, Sha256Of(c.Message));
  }
  TSha256Digest digest{};
  EXPECT_FALSE(DigestFromHex(std::string(63, 'a'), digest));
  EXPECT_FALSE(DigestFromHex(std::string(63, 'a') + "g", digest));
}

}  // namespace
}  // namespace brim
