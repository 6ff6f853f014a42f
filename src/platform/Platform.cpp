// The parts of the platform layer that are the same on every backend: the
// registry root names and value helpers, bitmap resources as files, the
// program's arguments and the message pump hook.
#include "platform/Platform.h"

#include <cctype>

#include "common/LittleEndian.h"

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
  std::string bytes;
  AppendLittleEndian(bytes, static_cast<uint32_t>(value), 4);
  return {TRegType::DWord, bytes};
}

std::optional<int32_t> TRegValue::AsInteger() const {
  if (Data.size() != 4) return std::nullopt;
  return static_cast<int32_t>(ReadLittleEndian(Data.data(), 4));
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

uint32_t ReadLE(const std::string& bytes, size_t at, int size) {
  return static_cast<uint32_t>(ReadLittleEndian(bytes.data() + at, size));
}

}  // namespace

std::optional<std::string> BitmapFileOfResource(const std::string& resource) {
  constexpr size_t fileHeaderSize = 14;
  if (resource.size() < 12) return std::nullopt;
  uint32_t headerSize = ReadLE(resource, 0, 4);
  uint64_t tableSize = 0;
  if (headerSize == 12) {
    // BITMAPCOREHEADER: RGBTRIPLE entries for up to 8 bits per pixel.
    uint32_t bitCount = ReadLE(resource, 10, 2);
    if (bitCount <= 8) tableSize = 3ull << bitCount;
  } else if (headerSize >= 40 && headerSize <= 124 && resource.size() >= 40) {
    uint32_t bitCount = ReadLE(resource, 14, 2);
    uint32_t compression = ReadLE(resource, 16, 4);
    uint32_t colorsUsed = ReadLE(resource, 32, 4);
    if (colorsUsed != 0) tableSize = 4ull * colorsUsed;
    else if (bitCount <= 8) tableSize = 4ull << bitCount;
    // BI_BITFIELDS after the short header: three colour masks.
    if (compression == 3 && headerSize == 40) tableSize += 12;
  } else {
    return std::nullopt;
  }
  uint64_t bitsOffset = fileHeaderSize + headerSize + tableSize;
  if (bitsOffset > fileHeaderSize + resource.size()) return std::nullopt;
  std::string file = "BM";
  AppendLittleEndian(file, static_cast<uint32_t>(fileHeaderSize + resource.size()), 4);
  AppendLittleEndian(file, 0, 4);
  AppendLittleEndian(file, static_cast<uint32_t>(bitsOffset), 4);
  return file + resource;
}

namespace {
std::vector<std::string>& Arguments() {
  static std::vector<std::string> arguments;
  return arguments;
}
}  // namespace

void SetProgramArguments(std::vector<std::string> arguments) { Arguments() = std::move(arguments); }
const std::vector<std::string>& ProgramArguments() { return Arguments(); }

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
  std::vector<std::string> arguments;
  size_t at = 0;
  const size_t size = commandLine.size();
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (true) {
    while (at < size && blank(commandLine[at])) ++at;
    if (at >= size) break;
    std::string argument;
    bool quoted = false;
    for (; at < size && (quoted || !blank(commandLine[at])); ++at) {
      if (commandLine[at] == '"')
        quoted = !quoted;
      else
        argument += commandLine[at];
    }
    arguments.push_back(std::move(argument));
  }
  return arguments;
}

std::vector<std::string> ProgramArgumentsOf(int argc, char** argv) {
  if (std::optional<std::string> line = PlatformModule().CommandLine()) {
    std::vector<std::string> arguments = SplitCommandLine(*line);
    if (!arguments.empty()) arguments.erase(arguments.begin());
    return arguments;
  }
  return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>();
}

std::string ProgramCommandLineText() {
  if (std::optional<std::string> line = PlatformModule().CommandLine()) return *line;
  std::string text = PlatformModule().ModuleFileName();
  for (const std::string& argument : ProgramArguments()) text += " " + argument;
  return text;
}

std::optional<std::string> CommandLineRestAfter(const std::string& prefix, int argc, char** argv) {
  auto startsWith = [&](const std::string& text, size_t at) {
    if (text.size() - at < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
      char a = text[at + i], b = prefix[i];
      if (std::tolower(static_cast<unsigned char>(a)) !=
          std::tolower(static_cast<unsigned char>(b)))
        return false;
    }
    return true;
  };
  std::string rest;
  bool found = false;
  if (std::optional<std::string> line = PlatformModule().CommandLine()) {
    // Walk the arguments as SplitCommandLine does, remembering where each begins.
    const std::string& text = *line;
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    size_t at = 0;
    for (int index = 0; at < text.size(); ++index) {
      while (at < text.size() && blank(text[at])) ++at;
      if (at >= text.size()) break;
      size_t start = at + (text[at] == '"' ? 1 : 0);
      if (index > 0 && startsWith(text, start)) {
        rest = text.substr(start + prefix.size());
        found = true;
        break;
      }
      for (bool quoted = false; at < text.size() && (quoted || !blank(text[at])); ++at)
        if (text[at] == '"') quoted = !quoted;
    }
  } else {
    for (int i = 1; i < argc; ++i) {
      if (found) {
        rest += " ";
        rest += argv[i];
      } else if (startsWith(argv[i], 0)) {
        rest = std::string(argv[i]).substr(prefix.size());
        found = true;
      }
    }
  }
  if (!found) return std::nullopt;
  std::erase(rest, '"');
  size_t first = rest.find_first_not_of(" \t"), last = rest.find_last_not_of(" \t");
  return first == std::string::npos ? std::string() : rest.substr(first, last - first + 1);
}

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
