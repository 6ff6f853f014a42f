// The parts of the platform layer that are the same on every backend: the
// registry root names and value helpers, the file service override and the
// message pump hook.
#include "platform/Platform.h"

namespace brim {

const char* RootKeyName(TRegRoot root) {
  switch (root) {
    case TRegRoot::ClassesRoot: return "HKEY_CLASSES_ROOT";
    case TRegRoot::CurrentUser: return "HKEY_CURRENT_USER";
    case TRegRoot::LocalMachine: return "HKEY_LOCAL_MACHINE";
    case TRegRoot::Users: return "HKEY_USERS";
    case TRegRoot::CurrentConfig: return "HKEY_CURRENT_CONFIG";
    case TRegRoot::DynData: return "HKEY_DYN_DATA";
  }
  return "HKEY_?";
}

TRegValue TRegValue::Integer(int32_t value) {
  uint32_t u = static_cast<uint32_t>(value);
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((u >> (8 * i)) & 0xFF);
  return {TRegType::DWord, bytes};
}

std::optional<int32_t> TRegValue::AsInteger() const {
  if (Data.size() != 4) return std::nullopt;
  uint32_t u = 0;
  for (int i = 0; i < 4; ++i) u |= static_cast<uint32_t>(static_cast<unsigned char>(Data[i])) << (8 * i);
  return static_cast<int32_t>(u);
}

std::vector<std::string> TRegValue::AsStrings() const {
  std::vector<std::string> result;
  size_t start = 0;
  while (start < Data.size()) {
    size_t end = Data.find('\0', start);
    if (end == std::string::npos) end = Data.size();
    if (end == start) break;  // the empty string that ends the list
    result.push_back(Data.substr(start, end - start));
    start = end + 1;
  }
  return result;
}

TRegValue TRegValue::Strings(const std::vector<std::string>& strings) {
  std::string data;
  for (const auto& s : strings) {
    data += s;
    data += '\0';
  }
  data += '\0';
  return {TRegType::MultiString, data};
}

namespace {
IFileService*& FilesOverride() {
  static IFileService* service = nullptr;
  return service;
}
}  // namespace

void SetFileServiceOverride(IFileService* service) { FilesOverride() = service; }
IFileService* FileServiceOverride() { return FilesOverride(); }

namespace {
std::function<void()>& Pump() {
  static std::function<void()> pump;
  return pump;
}
}  // namespace

void SetMessagePump(std::function<void()> pump) { Pump() = std::move(pump); }

void ProcessMessages() {
  if (Pump()) Pump()();
}

}  // namespace brim
