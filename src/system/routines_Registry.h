// The registry routines the engine calls for one value at a time. Each
// makes its own TQmbxRegistry; the root is given as a TRootKeys ordinal
// (one outside 0 to 5 leaves the default root, HKEY_CURRENT_USER).
#pragma once

#include <cstdint>
#include <string>

namespace brim {

// Raise EIRCannotWriteValue when the key cannot be opened or the value not written.
void WriteRegistryString(int root, const std::string& key, const std::string& name, const std::string& value);
void WriteRegistryInteger(int root, const std::string& key, const std::string& name, int32_t value);
// The default unless the key exists and the value can be read.
std::string ReadRegistryString(int root, const std::string& key, const std::string& name,
                               const std::string& defaultValue);
int32_t ReadRegistryInteger(int root, const std::string& key, const std::string& name, int32_t defaultValue);
// Deletes the key with all its subkeys; failures are ignored.
void DeleteRegistryTree(int root, const std::string& key);

// Registers a command to run once at the next start of Windows, as a
// string value under HKEY_LOCAL_MACHINE's RunOnce key. Numbered: when the
// name is taken, the first free one of name+"1", name+"2", ... is used.
// False when the key cannot be opened or the value not written.
bool RegisterRunOnceCommand(const std::string& name, const std::string& command, bool numbered);

inline constexpr const char* RunOnceKey = "\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

}  // namespace brim
