// The fixture of the platform conformance suite. The same tests run against
// the substitute machine (posix build: a fresh machine per test in a
// temporary directory) and against Windows (win32 build under Wine: scratch
// places in the real temporary directory and registry). Tests use only the
// scratch places below, so they pass on a real Windows too and leave nothing.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

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

// Plants a symbolic link to a file (or directory) at link, as another
// program could; false where the system makes none.
bool PlantLink(const std::string& link, const std::string& target, bool directory = false);
// Removes a directory tree through the platform's own calls; true when gone.
bool RemoveTree(const std::string& path);
// Removes a registry tree through the platform's own calls.
void RemoveKeyTree(TRegRoot root, const std::string& path);

// A registry value changed for one test and put back afterwards, with
// any key the test had to create.
class TRegistryValueChange {
 public:
  TRegistryValueChange(TRegRoot root, const std::string& key, const std::string& name)
      : root_(root), key_(key.substr(1)), name_(name) {
    // The outermost key that does not exist yet goes away again.
    for (size_t at = 0; at != std::string::npos; at = key_.find('\\', at + 1)) {
      std::string part = key_.substr(0, key_.find('\\', at + 1));
      if (!PlatformRegistry().OpenKey(root_, part, TRegAccess::Read)) {
        createdKey_ = part;
        break;
      }
    }
    if (auto open = PlatformRegistry().OpenKey(root_, key_, TRegAccess::Read))
      old_ = open->ReadValue(name_);
  }
  ~TRegistryValueChange() {
    if (!createdKey_.empty()) {
      RemoveKeyTree(root_, createdKey_);
      return;
    }
    auto open = PlatformRegistry().OpenKey(root_, key_, TRegAccess::All);
    if (!open) return;
    if (old_) open->WriteValue(name_, *old_);
    else open->DeleteValue(name_);
  }
  void Set(const std::string& text) {
    auto open = PlatformRegistry().CreateKey(root_, key_);
    ASSERT_TRUE(open && open->WriteValue(name_, TRegValue::Text(text))) << key_ << "\\" << name_;
  }

 private:
  TRegRoot root_;
  std::string key_, name_, createdKey_;
  std::optional<TRegValue> old_;
};

// The bytes in a heap block of exactly their size, so that reading one
// byte past the end is an error the sanitizer reports.
class TExactBytes {
 public:
  explicit TExactBytes(std::string_view bytes)
      : data_(new char[bytes.size() ? bytes.size() : 1]), size_(bytes.size()) {
    std::copy(bytes.begin(), bytes.end(), data_.get());
  }
  std::string_view View() const { return {data_.get(), size_}; }

 private:
  std::unique_ptr<char[]> data_;
  size_t size_;
};

}  // namespace brim::test
