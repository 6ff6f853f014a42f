#include "common/routines_Strings.h"

#include <climits>
#include <cstdint>

#include "common/exceptions_Brimwell.h"

namespace brim {

std::string JoinPath(const std::string& dir, const std::string& name) {
  if (dir.empty() || dir.back() == '\\') return dir + name;
  return dir + "\\" + name;
}

std::string RemoveTrailingBackslash(const std::string& path) {
  if (!path.empty() && path.back() == '\\') return path.substr(0, path.size() - 1);
  return path;
}

std::string ExtractFileDir(const std::string& path) {
  size_t at = path.find_last_of("\\:");
  if (at == std::string::npos) return std::string();
  return path.substr(0, path[at] == ':' ? at + 1 : at);
}

std::string ExtractFileName(const std::string& path) {
  size_t cut = path.find_last_of("\\:/");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string ExtractFileExt(const std::string& path) {
  std::string name = ExtractFileName(path);
  size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string ChangeFileExt(const std::string& path, const std::string& extension) {
  std::string name = ExtractFileName(path);
  size_t dot = name.rfind('.');
  if (dot == std::string::npos) return path + extension;
  return path.substr(0, path.size() - name.size() + dot) + extension;
}

std::vector<std::string> SplitText(const std::string& text, char separator) {
  std::vector<std::string> fields;
  if (text.empty()) return fields;
  size_t start = 0;
  for (;;) {
    size_t at = text.find(separator, start);
    if (at == std::string::npos) {
      fields.push_back(text.substr(start));
      return fields;
    }
    fields.push_back(text.substr(start, at - start));
    start = at + 1;
  }
}

std::vector<std::string> SplitSemicolons(const std::string& text) { return SplitText(text, ';'); }

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines = SplitText(text, '\n');
  if (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}

std::string SemicolonField(const std::string& text, int n) {
  if (text.find(';') == std::string::npos) return text;
  auto fields = SplitSemicolons(text);
  if (n < 1 || n > static_cast<int>(fields.size())) return "";
  return fields[n - 1];
}

std::string UpperCase(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

std::string LowerCase(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

int CompareText(const std::string& a, const std::string& b) {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 32);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool SameText(const std::string& a, const std::string& b) {
  return a.size() == b.size() && CompareText(a, b) == 0;
}

bool StartsWithText(const std::string& s, const std::string& prefix) {
  return s.size() >= prefix.size() && SameText(s.substr(0, prefix.size()), prefix);
}

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

int32_t StrToInt(const std::string& s) {
  long long value = 0;
  if (!TryStrToInt64(Trim(s), value) || value < INT32_MIN || value > INT32_MAX)
    throw EConvertError("'%s' is not a valid integer value", s);
  return static_cast<int32_t>(value);
}

bool TryStrToInt64(const std::string& s, long long& value) {
  if (s.empty()) return false;
  std::string t = s;
  bool neg = false;
  size_t i = 0;
  if (t[0] == '-' || t[0] == '+') {
    neg = t[0] == '-';
    i = 1;
  }
  int base = 10;
  if (i < t.size() && t[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < t.size() && t[i] == '0' && (t[i + 1] == 'x' || t[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= t.size()) return false;
  unsigned long long acc = 0;
  for (; i < t.size(); ++i) {
    char c = t[i];
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else return false;
    if (acc > (~0ULL - d) / base) return false;
    acc = acc * base + d;
  }
  if (base == 16 && !neg) {
    // Hexadecimal literals name bit patterns, so the full 64 bits are accepted.
    value = static_cast<long long>(acc);
    return true;
  }
  if (neg) {
    if (acc > static_cast<unsigned long long>(INT64_MAX) + 1) return false;
    value = acc == static_cast<unsigned long long>(INT64_MAX) + 1 ? INT64_MIN : -static_cast<long long>(acc);
  } else {
    if (acc > static_cast<unsigned long long>(INT64_MAX)) return false;
    value = static_cast<long long>(acc);
  }
  return true;
}

}  // namespace brim
