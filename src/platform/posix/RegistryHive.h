// One root of the substitute machine's registry (HKEY_LOCAL_MACHINE,
// HKEY_CURRENT_USER, ...): its tree of keys and values in memory, and the
// REGEDIT4 text its hive file holds. The text is what Windows' regedit
// exports and imports, so a hive can be imported into a real registry and a
// regedit export can be loaded as a hive.
//
// Names are ANSI bytes, compared without regard to case (A-Z folding) and
// kept in the case first written. Subkeys enumerate sorted without regard
// to case, as NT enumerates them; values in the order first written. The
// text keeps both orders, so they survive a save and a load.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Platform.h"

namespace brim {

class TRegistryHive {
 public:
  class TKey {
   public:
    explicit TKey(std::string name) : name_(std::move(name)) {}
    TKey(const TKey&) = delete;
    TKey& operator=(const TKey&) = delete;

    const std::string& Name() const { return name_; }

    TKey* SubKey(const std::string& name);
    const TKey* SubKey(const std::string& name) const;
    // The subkey of that name, added when missing. Raises Exception for a
    // name the registry cannot hold (see ValidKeyName).
    TKey& AddSubKey(const std::string& name);
    // Removes a subkey with everything below it; false when there is none.
    bool RemoveSubKey(const std::string& name);
    const std::vector<std::unique_ptr<TKey>>& SubKeys() const { return subKeys_; }
    std::vector<std::string> SubKeyNames() const;

    // "" names the default value.
    const TRegValue* Value(const std::string& name) const;
    // Replaces the value of that name in its place, or appends it. Raises
    // Exception for a name the hive text cannot hold (see ValidValueName).
    void SetValue(const std::string& name, TRegValue value);
    bool DeleteValue(const std::string& name);
    const std::vector<std::pair<std::string, TRegValue>>& Values() const { return values_; }
    std::vector<std::string> ValueNames() const;

   private:
    std::string name_;
    std::vector<std::unique_ptr<TKey>> subKeys_;  // sorted by CompareText
    std::vector<std::pair<std::string, TRegValue>> values_;
  };

  // rootName is the predefined key the hive holds, as the text names it
  // ("HKEY_LOCAL_MACHINE").
  explicit TRegistryHive(std::string rootName);

  const std::string& RootName() const { return rootName_; }
  TKey& Root() { return *root_; }
  const TKey& Root() const { return *root_; }

  // Key paths are names below the root separated by backslashes, without a
  // leading backslash; "" is the root. One trailing backslash is tolerated,
  // as Windows does; empty names, names longer than 255 characters, names
  // holding control characters and paths of more than 512 names (Windows'
  // deepest tree) are not.
  static std::optional<std::vector<std::string>> SplitKeyPath(const std::string& path);
  static bool ValidKeyName(const std::string& name);
  // Value names up to 16383 characters, without control characters (the
  // hive text holds one value a line).
  static bool ValidValueName(const std::string& name);

  // Null when the key (or the path) does not exist.
  TKey* FindKey(const std::string& path);
  // The key, created with its missing parents. Raises Exception for an
  // invalid path.
  TKey& CreateKey(const std::string& path);
  // Removes a key with everything below it; false when it does not exist.
  // The root stays.
  bool DeleteKeyTree(const std::string& path);
  // Creates the key when missing and sets one of its values.
  void SetValue(const std::string& path, const std::string& name, TRegValue value);

  // The REGEDIT4 text, lines ending in CR LF as regedit writes them.
  std::string Text() const;
  // Reads REGEDIT4 text as regedit imports it (deletions included). A
  // malformed text raises Exception naming fileName and the line.
  static TRegistryHive Parse(const std::string& text, const std::string& rootName,
                             const std::string& fileName);

  // A hive file: a missing file is an empty hive; a damaged one raises
  // Exception naming the file and the line.
  static TRegistryHive Load(const std::string& hostPath, const std::string& rootName);
  // Writes the hive file through a temporary file renamed over it.
  bool Save(const std::string& hostPath) const;

 private:
  std::string rootName_;
  std::unique_ptr<TKey> root_;
};

}  // namespace brim
