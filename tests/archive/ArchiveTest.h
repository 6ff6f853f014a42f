// The fixture of the archive tests: a compression engine on a scratch
// directory, source files of random bytes, and byte-level access to the
// archives it writes (decoded here on their own, not through the engine's
// decoder, so a layout fault shows).
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "archive/cmp_TQmbxCompress.h"
#include "common/exceptions_Brimwell.h"
#include "components/cmp_TVersion.h"
#include "platform/PlatformTest.h"

namespace brim::test {

inline std::string RandomBytes(size_t size, uint32_t seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
  return bytes;
}

// Text that compresses well, for files whose stream must stay small.
inline std::string Repetitive(size_t size) {
  std::string text;
  while (text.size() < size) text += "line " + std::to_string(text.size() % 97) + "\r\n";
  return text.substr(0, size);
}

inline int32_t Le32(const std::string& bytes, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(bytes.at(at + i));
  return static_cast<int32_t>(v);
}

inline void Put32(std::string& bytes, size_t at, int32_t value) {
  for (int i = 0; i < 4; ++i) bytes.at(at + i) = static_cast<char>(static_cast<uint32_t>(value) >> (8 * i));
}

// The message of the exception of class E that f raises ("" when none).
template <class E = EQmbxCompress, class F>
std::string ErrorOf(F&& f) {
  try {
    f();
  } catch (const E& e) {
    return e.Message();
  }
  return "";
}

class ArchiveTest : public PlatformTest {
 protected:
  void SetUp() override {
    PlatformTest::SetUp();
    engine = std::make_unique<TQmbxCompress>(nullptr);
  }
  void TearDown() override {
    engine.reset();
    PlatformTest::TearDown();
  }

  // A source file in the scratch directory; its path.
  std::string Source(const std::string& name, const std::string& data) {
    WriteFile(At(name), data);
    return At(name);
  }
  void Compress(const std::string& archive, const std::vector<std::string>& entries,
                TlzhCommand command = TlzhCommand::lzcOverwrite, int32_t fileID = 0) {
    engine->SetCompressedFile(archive);
    engine->FilesToProcess().Clear();
    for (const auto& entry : entries) engine->FilesToProcess().Add(entry);
    engine->CompressFiles(command, fileID);
  }
  void Extract(const std::string& archive, const std::string& directory,
               const std::vector<std::string>& names) {
    engine->SetCompressedFile(archive);
    engine->ExtractDirectory = directory;
    for (const auto& name : names) engine->FilesToProcess().Add(name);
    engine->ExtractFiles();
  }
  std::string Bytes(const std::string& path) { return ReadFile(path).value_or("<missing>"); }
  void Replace(const std::string& path, const std::string& bytes) { WriteFile(path, bytes); }
  std::optional<int64_t> WriteTime(const std::string& path) {
    auto file = PlatformFiles().Open(path, accRead, shareRead | shareWrite, TFileCreation::OpenExisting);
    return file ? file->LastWriteTime() : std::nullopt;
  }
  void SetWriteTime(const std::string& path, int64_t utcTicks) {
    auto file = PlatformFiles().Open(path, accWrite, shareRead, TFileCreation::OpenExisting);
    ASSERT_TRUE(file && file->SetLastWriteTime(utcTicks)) << path;
  }
  // The names in a directory (empty when it does not exist).
  std::vector<std::string> Listing(const std::string& directory) {
    std::vector<std::string> names;
    for (const auto& entry : PlatformFiles().FindFiles(directory + "\\*")) names.push_back(entry.Name);
    return names;
  }

  std::unique_ptr<TQmbxCompress> engine;
};

}  // namespace brim::test
