// The registry tree of one hive and its REGEDIT4 text.
#include "platform/posix/RegistryHive.h"

#include <algorithm>

#include "common/exceptions_Brimwell.h"
#include "common/routines_Strings.h"
#include "platform/posix/IniFile.h"
#include "platform/posix/SubstituteMachine.h"

namespace brim {

namespace {

constexpr size_t kMaxKeyName = 255;
constexpr size_t kMaxValueName = 16383;
// Windows keeps a key tree at most this many levels deep. The hive's writer
// and its keys' destruction recurse once a level, so deeper is refused.
constexpr size_t kMaxKeyDepth = 512;
// regedit folds hex data once a line reaches this column.
constexpr size_t kHexFoldColumn = 77;

// The number of names in a key path (one trailing backslash tolerated).
size_t KeyDepth(const std::string& path) {
  if (path.empty()) return 0;
  return static_cast<size_t>(std::count(path.begin(), path.end(), '\\')) + 1 -
         (path.back() == '\\' ? 1 : 0);
}

bool HasControlCharacter(const std::string& s) {
  return std::any_of(s.begin(), s.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

bool LessText(const std::unique_ptr<TRegistryHive::TKey>& key, const std::string& name) {
  return CompareText(key->Name(), name) < 0;
}

}  // namespace

// ---------------------------------------------------------------------------
// Keys

TRegistryHive::TKey* TRegistryHive::TKey::SubKey(const std::string& name) {
  auto it = std::lower_bound(subKeys_.begin(), subKeys_.end(), name, LessText);
  return it != subKeys_.end() && SameText((*it)->Name(), name) ? it->get() : nullptr;
}

const TRegistryHive::TKey* TRegistryHive::TKey::SubKey(const std::string& name) const {
  return const_cast<TKey*>(this)->SubKey(name);
}

TRegistryHive::TKey& TRegistryHive::TKey::AddSubKey(const std::string& name) {
  auto it = std::lower_bound(subKeys_.begin(), subKeys_.end(), name, LessText);
  if (it != subKeys_.end() && SameText((*it)->Name(), name)) return **it;
  if (!ValidKeyName(name))
    throw Exception("Invalid registry key name \"%s\" below %s", name, name_);
  return **subKeys_.insert(it, std::make_unique<TKey>(name));
}

bool TRegistryHive::TKey::RemoveSubKey(const std::string& name) {
  auto it = std::lower_bound(subKeys_.begin(), subKeys_.end(), name, LessText);
  if (it == subKeys_.end() || !SameText((*it)->Name(), name)) return false;
  subKeys_.erase(it);
  return true;
}

std::vector<std::string> TRegistryHive::TKey::SubKeyNames() const {
  std::vector<std::string> names;
  names.reserve(subKeys_.size());
  for (const auto& key : subKeys_) names.push_back(key->Name());
  return names;
}

const TRegValue* TRegistryHive::TKey::Value(const std::string& name) const {
  for (const auto& [n, value] : values_)
    if (SameText(n, name)) return &value;
  return nullptr;
}

void TRegistryHive::TKey::SetValue(const std::string& name, TRegValue value) {
  for (auto& [n, v] : values_)
    if (SameText(n, name)) {
      v = std::move(value);
      return;
    }
  if (!ValidValueName(name))
    throw Exception("Invalid registry value name \"%s\" in the key %s", name, name_);
  values_.emplace_back(name, std::move(value));
}

bool TRegistryHive::TKey::DeleteValue(const std::string& name) {
  auto it = std::find_if(values_.begin(), values_.end(),
                         [&](const auto& entry) { return SameText(entry.first, name); });
  if (it == values_.end()) return false;
  values_.erase(it);
  return true;
}

std::vector<std::string> TRegistryHive::TKey::ValueNames() const {
  std::vector<std::string> names;
  names.reserve(values_.size());
  for (const auto& entry : values_) names.push_back(entry.first);
  return names;
}

// ---------------------------------------------------------------------------
// The hive

TRegistryHive::TRegistryHive(std::string rootName)
    : rootName_(std::move(rootName)), root_(std::make_unique<TKey>(rootName_)) {}

bool TRegistryHive::ValidKeyName(const std::string& name) {
  return !name.empty() && name.size() <= kMaxKeyName && name.find('\\') == std::string::npos &&
         !HasControlCharacter(name);
}

bool TRegistryHive::ValidValueName(const std::string& name) {
  return name.size() <= kMaxValueName && !HasControlCharacter(name);
}

std::optional<std::vector<std::string>> TRegistryHive::SplitKeyPath(const std::string& path) {
  std::vector<std::string> names;
  if (path.empty()) return names;
  std::string p = path;
  if (p.back() == '\\') p.pop_back();
  if (KeyDepth(path) > kMaxKeyDepth) return std::nullopt;
  size_t start = 0;
  while (true) {
    size_t end = p.find('\\', start);
    std::string name = p.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!ValidKeyName(name)) return std::nullopt;
    names.push_back(std::move(name));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return names;
}

TRegistryHive::TKey* TRegistryHive::FindKey(const std::string& path) {
  auto names = SplitKeyPath(path);
  if (!names) return nullptr;
  TKey* key = root_.get();
  for (const auto& name : *names) {
    key = key->SubKey(name);
    if (!key) return nullptr;
  }
  return key;
}

TRegistryHive::TKey& TRegistryHive::CreateKey(const std::string& path) {
  auto names = SplitKeyPath(path);
  if (!names) throw Exception("Invalid registry key path \"%s\" in %s", path, rootName_);
  TKey* key = root_.get();
  for (const auto& name : *names) key = &key->AddSubKey(name);
  return *key;
}

bool TRegistryHive::DeleteKeyTree(const std::string& path) {
  auto names = SplitKeyPath(path);
  if (!names || names->empty()) return false;
  std::string leaf = names->back();
  names->pop_back();
  TKey* parent = root_.get();
  for (const auto& name : *names) {
    parent = parent->SubKey(name);
    if (!parent) return false;
  }
  return parent->RemoveSubKey(leaf);
}

void TRegistryHive::SetValue(const std::string& path, const std::string& name, TRegValue value) {
  CreateKey(path).SetValue(name, std::move(value));
}

// ---------------------------------------------------------------------------
// Writing REGEDIT4

namespace {

const char kHexDigits[] = "0123456789abcdef";

std::string Quoted(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

// "hex(N):" data as regedit writes it: two digits a byte, folded with ",\"
// and a two-space indent once the line reaches the fold column.
std::string HexData(const std::string& prefix, const std::string& bytes) {
  std::string out = prefix;
  size_t column = prefix.size();
  for (size_t i = 0; i < bytes.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(bytes[i]);
    out += kHexDigits[b >> 4];
    out += kHexDigits[b & 15];
    if (i + 1 == bytes.size()) break;
    out += ',';
    column += 3;
    if (column >= kHexFoldColumn) {
      out += "\\\r\n  ";
      column = 2;
    }
  }
  return out;
}

std::string TypePrefix(uint32_t type) {
  if (type == static_cast<uint32_t>(TRegType::Binary)) return "hex:";
  std::string digits;
  do {
    digits.insert(digits.begin(), kHexDigits[type & 15]);
    type >>= 4;
  } while (type);
  return "hex(" + digits + "):";
}

std::string ValueLine(const std::string& name, const TRegValue& value) {
  std::string line = name.empty() ? "@=" : Quoted(name) + "=";
  switch (value.Type) {
    case TRegType::String:
      // A string with line breaks (or any control character) cannot stand
      // between quotes in REGEDIT4: its bytes go as hex(1), NUL included.
      if (!HasControlCharacter(value.Data)) return line + Quoted(value.Data);
      return HexData(line + "hex(1):", value.Data + '\0');
    case TRegType::ExpandString:
      return HexData(line + "hex(2):", value.Data + '\0');
    case TRegType::DWord:
      if (auto n = value.AsInteger()) {
        uint32_t u = static_cast<uint32_t>(*n);
        std::string digits(8, '0');
        for (int i = 7; i >= 0; --i, u >>= 4) digits[i] = kHexDigits[u & 15];
        return line + "dword:" + digits;
      }
      break;
    default:
      break;
  }
  return HexData(line + TypePrefix(static_cast<uint32_t>(value.Type)), value.Data);
}

void WriteKey(const TRegistryHive::TKey& key, const std::string& path, bool written,
              std::string& out) {
  if (written) {
    out += "[" + path + "]\r\n";
    for (const auto& [name, value] : key.Values()) out += ValueLine(name, value) + "\r\n";
    out += "\r\n";
  }
  for (const auto& sub : key.SubKeys()) WriteKey(*sub, path + "\\" + sub->Name(), true, out);
}

}  // namespace

std::string TRegistryHive::Text() const {
  std::string out = "REGEDIT4\r\n\r\n";
  // The root key itself has a section only when it holds values.
  WriteKey(*root_, rootName_, !root_->Values().empty(), out);
  return out;
}

// ---------------------------------------------------------------------------
// Reading REGEDIT4

namespace {

class THiveParser {
 public:
  THiveParser(const std::string& text, TRegistryHive& hive, const std::string& fileName)
      : hive_(hive), fileName_(fileName) {
    // A line break ends a line; it does not start an empty one at the end.
    size_t start = 0;
    while (start < text.size() || start == 0) {
      size_t end = text.find('\n', start);
      std::string line =
          text.substr(start, end == std::string::npos ? std::string::npos : end - start);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines_.push_back(std::move(line));
      if (end == std::string::npos) break;
      start = end + 1;
    }
  }

  void Run() {
    if (lines_.empty() || Trim(lines_[0]) != "REGEDIT4")
      Fail(1, "the first line is not \"REGEDIT4\"");
    for (index_ = 1; index_ < lines_.size(); ++index_) {
      const std::string& line = lines_[index_];
      std::string t = Trim(line);
      if (t.empty() || t[0] == ';' || t[0] == '#') continue;
      if (t[0] == '[')
        KeyLine(t);
      else if (t[0] == '"' || t[0] == '@')
        ValueLine(line, line.find_first_of("\"@"));
      else
        Fail(LineNumber(), "unexpected text \"" + Shortened(t) + "\"");
    }
  }

 private:
  int LineNumber() const { return static_cast<int>(index_ + 1); }

  [[noreturn]] void Fail(int line, const std::string& what) const {
    throw Exception("Cannot load the registry file %s: line %d: %s", fileName_, line, what);
  }

  static std::string Shortened(const std::string& s) {
    return s.size() > 40 ? s.substr(0, 40) + "..." : s;
  }

  void KeyLine(const std::string& t) {
    if (t.back() != ']') Fail(LineNumber(), "the key name does not end with \"]\"");
    std::string full = t.substr(1, t.size() - 2);
    bool deletion = !full.empty() && full[0] == '-';
    if (deletion) full.erase(0, 1);
    size_t slash = full.find('\\');
    std::string root = full.substr(0, slash);
    std::string path = slash == std::string::npos ? "" : full.substr(slash + 1);
    if (!SameText(root, hive_.RootName()))
      Fail(LineNumber(), "the key \"" + Shortened(full) + "\" is not under " + hive_.RootName());
    if (slash != std::string::npos && KeyDepth(path) > kMaxKeyDepth)
      Fail(LineNumber(), "the key \"" + Shortened(full) + "\" is more than " +
                             std::to_string(kMaxKeyDepth) + " levels deep");
    if (slash != std::string::npos && !TRegistryHive::SplitKeyPath(path))
      Fail(LineNumber(), "invalid key name \"" + Shortened(full) + "\"");
    if (deletion) {
      if (TRegistryHive::SplitKeyPath(path)->empty())
        Fail(LineNumber(), "the root key " + hive_.RootName() + " cannot be deleted");
      hive_.DeleteKeyTree(path);
      current_ = nullptr;
    } else {
      current_ = &hive_.CreateKey(path);
    }
  }

  // A quoted text starting at line[pos] (the opening quote); pos ends after
  // the closing quote.
  std::string QuotedText(const std::string& line, size_t& pos) const {
    std::string out;
    for (++pos; pos < line.size(); ++pos) {
      char c = line[pos];
      if (c == '"') {
        ++pos;
        return out;
      }
      if (c != '\\') {
        out += c;
        continue;
      }
      if (++pos == line.size()) break;
      // Windows escapes only \\ and \"; \n and \r come from Wine's regedit.
      char e = line[pos];
      if (e == '\\' || e == '"')
        out += e;
      else if (e == 'n' || e == 'r')
        out += e == 'n' ? '\n' : '\r';
      else
        Fail(LineNumber(), std::string("unknown escape \"\\") + e + "\" in a quoted name or text");
    }
    Fail(LineNumber(), "a quoted name or text has no closing quote");
  }

  static size_t SkipBlanks(const std::string& line, size_t pos) {
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
    return pos;
  }

  // Only blanks or a comment may follow the data.
  void ExpectLineEnd(const std::string& line, size_t pos) const {
    pos = SkipBlanks(line, pos);
    if (pos < line.size() && line[pos] != ';')
      Fail(LineNumber(), "unexpected text \"" + Shortened(line.substr(pos)) + "\" after the value");
  }

  static int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }

  // Up to maxDigits hex digits at line[pos]; empty when there are none.
  static std::optional<uint32_t> HexNumber(const std::string& line, size_t& pos, size_t maxDigits) {
    uint32_t n = 0;
    size_t digits = 0;
    while (pos < line.size() && HexDigit(line[pos]) >= 0) {
      if (++digits > maxDigits) return std::nullopt;
      n = n * 16 + static_cast<uint32_t>(HexDigit(line[pos++]));
    }
    if (digits == 0) return std::nullopt;
    return n;
  }

  void ValueLine(const std::string& line, size_t pos) {
    int first = LineNumber();
    if (!current_) Fail(first, "a value outside of any key");
    std::string name;
    if (line[pos] == '@')
      ++pos;
    else
      name = QuotedText(line, pos);
    if (!TRegistryHive::ValidValueName(name))
      Fail(first, "invalid value name \"" + Shortened(name) + "\"");
    pos = SkipBlanks(line, pos);
    if (pos == line.size() || line[pos] != '=') Fail(first, "\"=\" expected after the value name");
    pos = SkipBlanks(line, pos + 1);
    std::string rest = line.substr(pos);

    if (!rest.empty() && rest[0] == '-') {
      ExpectLineEnd(line, pos + 1);
      current_->DeleteValue(name);
      return;
    }
    if (!rest.empty() && rest[0] == '"') {
      std::string text = QuotedText(line, pos);
      ExpectLineEnd(line, pos);
      current_->SetValue(name, TRegValue::Text(std::move(text)));
      return;
    }
    if (StartsWithText(rest, "dword:")) {
      pos += 6;
      auto n = HexNumber(line, pos, 8);
      if (!n) Fail(first, "a dword value needs 1 to 8 hex digits");
      ExpectLineEnd(line, pos);
      current_->SetValue(name, TRegValue::Integer(static_cast<int32_t>(*n)));
      return;
    }
    uint32_t type = static_cast<uint32_t>(TRegType::Binary);
    if (StartsWithText(rest, "hex:")) {
      pos += 4;
    } else if (StartsWithText(rest, "hex(")) {
      pos += 4;
      auto n = HexNumber(line, pos, 8);
      if (!n || line.compare(pos, 2, "):") != 0) Fail(first, "a hex(N): type needs a hex number N");
      type = *n;
      pos += 2;
    } else {
      Fail(first, "unknown value data \"" + Shortened(rest) + "\"");
    }
    std::string bytes = HexBytes(pos);
    // Strings are stored with their terminating NUL; TRegValue holds the text without it.
    if ((type == 1 || type == 2) && !bytes.empty() && bytes.back() == '\0') bytes.pop_back();
    current_->SetValue(name, TRegValue{static_cast<TRegType>(type), std::move(bytes)});
  }

  // Comma-separated bytes from the current line at pos, continued on the
  // next lines while a line ends with a backslash.
  std::string HexBytes(size_t pos) {
    std::string bytes;
    while (true) {
      const std::string& line = lines_[index_];
      bool continued = false;
      while (true) {
        pos = SkipBlanks(line, pos);
        if (pos == line.size() || line[pos] == ';') break;
        if (line[pos] == '\\') {
          if (SkipBlanks(line, pos + 1) != line.size())
            Fail(LineNumber(), "unexpected text after \"\\\" in hex data");
          continued = true;
          break;
        }
        size_t at = pos;
        auto b = HexNumber(line, pos, 2);
        if (!b)
          Fail(LineNumber(), "invalid byte \"" + Shortened(line.substr(at)) + "\" in hex data");
        bytes += static_cast<char>(*b);
        pos = SkipBlanks(line, pos);
        if (pos < line.size() && line[pos] == ',')
          ++pos;
        else if (pos < line.size() && line[pos] != '\\' && line[pos] != ';')
          Fail(LineNumber(), "\",\" expected between the bytes of hex data");
      }
      if (!continued) return bytes;
      // The data goes on at the next line that is not a comment.
      do {
        if (++index_ == lines_.size())
          Fail(LineNumber() - 1, "hex data continues past the end of the file");
      } while (!Trim(lines_[index_]).empty() && Trim(lines_[index_])[0] == ';');
      pos = 0;
    }
  }

  TRegistryHive& hive_;
  const std::string& fileName_;
  std::vector<std::string> lines_;
  size_t index_ = 0;
  TRegistryHive::TKey* current_ = nullptr;
};

}  // namespace

TRegistryHive TRegistryHive::Parse(const std::string& text, const std::string& rootName,
                                   const std::string& fileName) {
  TRegistryHive hive(rootName);
  THiveParser(text, hive, fileName).Run();
  return hive;
}

TRegistryHive TRegistryHive::Load(const std::string& hostPath, const std::string& rootName) {
  std::string stamp = HostFileStamp(hostPath);
  if (stamp.empty()) return TRegistryHive(rootName);
  auto text = ReadHostFile(hostPath);
  if (!text) throw Exception("Cannot read the registry file %s", hostPath);
  return Parse(*text, rootName, hostPath);
}

bool TRegistryHive::Save(const std::string& hostPath) const {
  return WriteHostFileAtomically(hostPath, Text());
}

}  // namespace brim
