// The fixture of the platform conformance suite. The same tests run against
// the substitute machine (posix build: a fresh machine per test in a
// temporary directory) and against Windows (win32 build under Wine: scratch
// places in the real temporary directory and registry). Tests use only the
// scratch places below, so they pass on a real Windows too and leave nothing.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/Platform.h"

namespace brim::test {

class PlatformTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // An empty directory (Windows path, no trailing backslash).
  std::string Scratch;
  // A registry path, without a leading backslash, that does not exist yet;
  // tests use it under HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE.
  std::string ScratchKey;

  // Scratch joined with a relative name.
  std::string At(const std::string& name) const { return Scratch + "\\" + name; }
  // Writes a whole file (creating or replacing it); fails the test on error.
  void WriteFile(const std::string& path, const std::string& data);
  // The whole content of a file, or an empty optional when it cannot be read.
  std::optional<std::string> ReadFile(const std::string& path);
  bool Exists(const std::string& path);
};

// Removes a directory tree through the platform's own calls; true when gone.
bool RemoveTree(const std::string& path);
// Removes a registry tree through the platform's own calls.
void RemoveKeyTree(TRegRoot root, const std::string& path);

}  // namespace brim::test
