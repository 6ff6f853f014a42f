#include "objects/TextForm.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "common/exceptions_Brimwell.h"
#include "common/routines_Strings.h"

namespace brim {

namespace {

constexpr int kMaxDepth = 200;

bool IsIdentStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool IsIdentChar(char c) { return IsIdentStart(c) || (c >= '0' && c <= '9') || c == '.'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

class TParser {
 public:
  explicit TParser(const std::string& t) : t_(t) {}

  TObjectRecord ParseRoot() {
    SkipSpace();
    TObjectRecord r = ParseObject(0);
    SkipSpace();
    if (p_ < t_.size()) Fail("text after the final 'end'");
    return r;
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const {
    throw EStreamError("Syntax error in the text form at %s: %s", Here().Describe(), what);
  }

  TSourcePos Here() const {
    TSourcePos pos;
    pos.Offset = static_cast<uint32_t>(p_);
    pos.Line = line_;
    pos.Column = static_cast<uint32_t>(p_ - lineStart_ + 1);
    return pos;
  }

  void SkipSpace() {
    while (p_ < t_.size()) {
      char c = t_[p_];
      if (c == '\n') {
        ++line_;
        lineStart_ = ++p_;
      } else if (c == ' ' || c == '\t' || c == '\r') {
        ++p_;
      } else {
        break;
      }
    }
  }

  bool Peek(char c) {
    SkipSpace();
    return p_ < t_.size() && t_[p_] == c;
  }

  void Expect(char c) {
    if (!Peek(c)) Fail(std::string("expected '") + c + "'");
    ++p_;
  }

  std::string Ident(const char* what) {
    SkipSpace();
    if (p_ >= t_.size() || !IsIdentStart(t_[p_])) Fail(std::string("expected ") + what);
    size_t b = p_;
    while (p_ < t_.size() && IsIdentChar(t_[p_])) ++p_;
    return t_.substr(b, p_ - b);
  }

  bool PeekWord(const char* word) {
    SkipSpace();
    size_t n = std::char_traits<char>::length(word);
    if (t_.size() - p_ < n || !SameText(t_.substr(p_, n), word)) return false;
    return p_ + n == t_.size() || !IsIdentChar(t_[p_ + n]);
  }

  int64_t SignedInteger() {
    SkipSpace();
    size_t b = p_;
    if (p_ < t_.size() && (t_[p_] == '-' || t_[p_] == '+')) ++p_;
    if (p_ < t_.size() && t_[p_] == '$') ++p_;
    while (p_ < t_.size() && (IsDigit(t_[p_]) || (t_[p_] >= 'a' && t_[p_] <= 'f') ||
                              (t_[p_] >= 'A' && t_[p_] <= 'F')))
      ++p_;
    long long v;
    if (!TryStrToInt64(t_.substr(b, p_ - b), v)) {
      p_ = b;
      Fail("expected an integer");
    }
    return v;
  }

  TObjectRecord ParseObject(int depth) {
    if (depth > kMaxDepth) Fail("objects nested too deeply");
    TObjectRecord r;
    r.Pos = Here();
    if (PeekWord("object")) {
      p_ += 6;
    } else if (PeekWord("inherited")) {
      p_ += 9;
      r.Flags |= ffInherited;
    } else if (PeekWord("inline")) {
      p_ += 6;
      r.Flags |= ffInline;
    } else {
      Fail("expected 'object', 'inherited' or 'inline'");
    }
    std::string first = Ident("a component name or class name");
    if (Peek(':')) {
      ++p_;
      r.Name = first;
      r.ClassName = Ident("a class name");
    } else {
      r.ClassName = first;
    }
    if (Peek('[')) {
      ++p_;
      r.Flags |= ffChildPos;
      r.Position = SignedInteger();
      Expect(']');
    }
    for (;;) {
      SkipSpace();
      if (p_ >= t_.size()) Fail("unexpected end of text: 'end' missing for " + r.ClassName);
      if (PeekWord("end")) {
        p_ += 3;
        break;
      }
      if (PeekWord("object") || PeekWord("inherited") || PeekWord("inline")) {
        r.Children.push_back(ParseObject(depth + 1));
        continue;
      }
      if (!r.Children.empty()) Fail("a property follows a child object");
      TPropertyValue pv;
      pv.Pos = Here();
      pv.Name = Ident("a property name or 'end'");
      Expect('=');
      pv.Value = ParseValue(depth + 1);
      r.Props.push_back(std::move(pv));
    }
    return r;
  }

  // One quoted piece or #nnn code after another, with + between lines.
  TValue ParseString() {
    TValue v;
    v.Pos = Here();
    std::u16string chars;
    bool wide = false;
    for (;;) {
      SkipSpace();
      if (p_ < t_.size() && t_[p_] == '\'') {
        ++p_;
        for (;;) {
          if (p_ >= t_.size() || t_[p_] == '\n') Fail("unterminated string");
          char c = t_[p_++];
          if (c == '\'') {
            if (p_ < t_.size() && t_[p_] == '\'') {
              ++p_;
              chars += u'\'';
              continue;
            }
            break;
          }
          chars += static_cast<char16_t>(static_cast<unsigned char>(c));
        }
      } else if (p_ < t_.size() && t_[p_] == '#') {
        ++p_;
        size_t b = p_;
        long long code = 0;
        if (p_ < t_.size() && t_[p_] == '$') ++p_;
        while (p_ < t_.size() && (IsDigit(t_[p_]) || (t_[b] == '$' && std::isxdigit(static_cast<unsigned char>(t_[p_]))))) ++p_;
        if (!TryStrToInt64(t_.substr(b, p_ - b), code) || code < 0 || code > 0xFFFF)
          Fail("bad character code");
        if (code > 255) wide = true;
        chars += static_cast<char16_t>(code);
      } else {
        break;
      }
      // A + joins the next piece, possibly on the next line.
      size_t save = p_, saveLine = line_, saveStart = lineStart_;
      SkipSpace();
      if (p_ < t_.size() && t_[p_] == '+') {
        ++p_;
        SkipSpace();
        if (p_ >= t_.size() || (t_[p_] != '\'' && t_[p_] != '#')) Fail("expected a string after '+'");
        continue;
      }
      p_ = save;
      line_ = saveLine;
      lineStart_ = saveStart;
      if (p_ < t_.size() && (t_[p_] == '\'' || t_[p_] == '#')) continue;
      break;
    }
    if (wide) {
      v.Tag = TValueTag::vaWString;
      v.Wide = chars;
    } else {
      std::string s;
      for (char16_t c : chars) s += static_cast<char>(c);
      v = TValue::String(std::move(s));
    }
    return v;
  }

  TValue ParseNumber() {
    TValue v;
    v.Pos = Here();
    size_t b = p_;
    if (t_[p_] == '-' || t_[p_] == '+') ++p_;
    if (p_ < t_.size() && t_[p_] == '$') {
      ++p_;
      while (p_ < t_.size() && std::isxdigit(static_cast<unsigned char>(t_[p_]))) ++p_;
      long long n;
      if (!TryStrToInt64(t_.substr(b, p_ - b), n)) Fail("bad hexadecimal number");
      return TValue::Integer(n);
    }
    bool isFloat = false;
    while (p_ < t_.size()) {
      char c = t_[p_];
      if (IsDigit(c)) {
        ++p_;
      } else if (c == '.' || c == 'e' || c == 'E') {
        isFloat = true;
        ++p_;
        if ((c == 'e' || c == 'E') && p_ < t_.size() && (t_[p_] == '-' || t_[p_] == '+')) ++p_;
      } else {
        break;
      }
    }
    std::string num = t_.substr(b, p_ - b);
    char suffix = p_ < t_.size() ? static_cast<char>(t_[p_] | 0x20) : 0;
    if (suffix == 's' || suffix == 'c' || suffix == 'd') {
      if (p_ + 1 < t_.size() && IsIdentChar(t_[p_ + 1])) Fail("bad number");
      ++p_;
      isFloat = true;
    } else {
      suffix = 0;
      if (p_ < t_.size() && IsIdentChar(t_[p_])) Fail("bad number");
    }
    if (!isFloat) {
      long long n;
      if (!TryStrToInt64(num, n)) Fail("bad integer " + num);
      return TValue::Integer(n);
    }
    char* end = nullptr;
    double d = std::strtod(num.c_str(), &end);
    if (num.empty() || end != num.c_str() + num.size()) Fail("bad number " + num);
    if (!std::isfinite(d) || (suffix == 's' && std::fabs(d) > 3.4028234663852886e38))
      Fail("number out of range " + num);
    if (suffix == 's') {
      v = TValue::Single(static_cast<float>(d));
    } else if (suffix == 'd') {
      v = TValue::Date(d);
    } else if (suffix == 'c') {
      v.Tag = TValueTag::vaCurrency;
      v.Int = CurrencyFromText(num);
    } else {
      v = TValue::ExtendedFloat(d);
    }
    return v;
  }

  // Currency is exact to four decimals: parse the digits, not a double.
  int64_t CurrencyFromText(const std::string& num) {
    bool neg = false;
    size_t i = 0;
    if (i < num.size() && (num[i] == '-' || num[i] == '+')) neg = num[i++] == '-';
    uint64_t scaled = 0;
    int fracDigits = 0;
    bool dot = false;
    const uint64_t limit = static_cast<uint64_t>(INT64_MAX) + (neg ? 1 : 0);
    auto push = [&](int digit) {
      if (scaled > (limit - digit) / 10) Fail("currency out of range: " + num);
      scaled = scaled * 10 + digit;
    };
    for (; i < num.size(); ++i) {
      char c = num[i];
      if (c == '.' && !dot) {
        dot = true;
        continue;
      }
      if (!IsDigit(c)) Fail("bad currency " + num);
      if (dot && fracDigits == 4) {
        if (c != '0') Fail("currency has more than four decimals: " + num);
        continue;
      }
      push(c - '0');
      if (dot) ++fracDigits;
    }
    for (; fracDigits < 4; ++fracDigits) push(0);
    return neg ? static_cast<int64_t>(0 - scaled) : static_cast<int64_t>(scaled);
  }

  TValue ParseValue(int depth) {
    if (depth > kMaxDepth) Fail("values nested too deeply");
    SkipSpace();
    if (p_ >= t_.size()) Fail("expected a value");
    TValue v;
    v.Pos = Here();
    char c = t_[p_];
    if (c == '\'' || c == '#') return ParseString();
    if (IsDigit(c) || c == '-' || c == '+' || c == '$') return ParseNumber();
    if (c == '[') {
      ++p_;
      v.Tag = TValueTag::vaSet;
      if (Peek(']')) {
        ++p_;
        return v;
      }
      for (;;) {
        v.Set.push_back(Ident("a set member"));
        if (Peek(',')) {
          ++p_;
          continue;
        }
        Expect(']');
        return v;
      }
    }
    if (c == '(') {
      ++p_;
      v.Tag = TValueTag::vaList;
      while (!Peek(')')) {
        if (p_ >= t_.size()) Fail("unexpected end of text in a list");
        v.List.push_back(ParseValue(depth + 1));
        // The binary form ends a list with the Null tag.
        if (v.List.back().Tag == TValueTag::vaNull) Fail("Null cannot be an item of a list");
      }
      ++p_;
      return v;
    }
    if (c == '{') {
      ++p_;
      v.Tag = TValueTag::vaBinary;
      int high = -1;
      for (;;) {
        SkipSpace();
        if (p_ >= t_.size()) Fail("unexpected end of text in binary data");
        char h = t_[p_];
        if (h == '}') break;
        int d = std::isxdigit(static_cast<unsigned char>(h))
                    ? (IsDigit(h) ? h - '0' : (h | 0x20) - 'a' + 10)
                    : -1;
        if (d < 0) Fail("bad hexadecimal digit in binary data");
        ++p_;
        if (high < 0) {
          high = d;
        } else {
          v.Str += static_cast<char>(high * 16 + d);
          high = -1;
        }
      }
      if (high >= 0) Fail("odd number of hexadecimal digits in binary data");
      ++p_;
      return v;
    }
    if (c == '<') {
      ++p_;
      v.Tag = TValueTag::vaCollection;
      for (;;) {
        if (Peek('>')) {
          ++p_;
          return v;
        }
        TCollectionItemValue item;
        item.Pos = Here();
        if (!PeekWord("item")) Fail("expected 'item' or '>'");
        p_ += 4;
        if (Peek('[')) {
          ++p_;
          item.HasOrder = true;
          item.Order = SignedInteger();
          Expect(']');
        }
        for (;;) {
          SkipSpace();
          if (p_ >= t_.size()) Fail("unexpected end of text: 'end' missing for an item");
          if (PeekWord("end")) {
            p_ += 3;
            break;
          }
          TPropertyValue pv;
          pv.Pos = Here();
          pv.Name = Ident("a property name or 'end'");
          Expect('=');
          pv.Value = ParseValue(depth + 1);
          item.Props.push_back(std::move(pv));
        }
        v.Items.push_back(std::move(item));
      }
    }
    if (IsIdentStart(c)) {
      std::string id = Ident("a value");
      if (SameText(id, "True")) v.Tag = TValueTag::vaTrue;
      else if (SameText(id, "False")) v.Tag = TValueTag::vaFalse;
      else if (SameText(id, "nil")) v.Tag = TValueTag::vaNil;
      else if (SameText(id, "Null")) v.Tag = TValueTag::vaNull;
      else {
        v.Tag = TValueTag::vaIdent;
        v.Str = id;
      }
      return v;
    }
    Fail(std::string("unexpected character '") + c + "'");
  }

  const std::string& t_;
  size_t p_ = 0;
  uint32_t line_ = 1;
  size_t lineStart_ = 0;
};

class TPrinter {
 public:
  std::string Take() { return std::move(out_); }

  void Object(const TObjectRecord& r, int indent) {
    Indent(indent);
    out_ += (r.Flags & ffInherited) ? "inherited " : (r.Flags & ffInline) ? "inline " : "object ";
    if (!r.Name.empty()) out_ += r.Name + ": ";
    out_ += r.ClassName;
    if (r.Flags & ffChildPos) out_ += " [" + std::to_string(r.Position) + "]";
    out_ += "\n";
    for (const auto& p : r.Props) Property(p, indent + 1);
    for (const auto& c : r.Children) Object(c, indent + 1);
    Indent(indent);
    out_ += "end\n";
  }

 private:
  void Indent(int n) { out_.append(static_cast<size_t>(n) * 2, ' '); }

  void Property(const TPropertyValue& p, int indent) {
    Indent(indent);
    out_ += p.Name + " = ";
    Value(p.Value, indent);
    out_ += "\n";
  }

  static std::string Quote(const std::u16string& chars) {
    std::string s;
    bool inQuote = false;
    for (char16_t c : chars) {
      if (c >= 32 && c < 127) {
        if (!inQuote) {
          s += '\'';
          inQuote = true;
        }
        if (c == '\'') s += '\'';
        s += static_cast<char>(c);
      } else {
        if (inQuote) {
          s += '\'';
          inQuote = false;
        }
        s += "#" + std::to_string(static_cast<unsigned>(c));
      }
    }
    if (inQuote) s += '\'';
    if (s.empty()) s = "''";
    return s;
  }

  static std::string QuoteAnsi(const std::string& bytes) {
    std::u16string chars;
    for (char c : bytes) chars += static_cast<char16_t>(static_cast<unsigned char>(c));
    return Quote(chars);
  }

  static std::string Float(double d, int digits) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*g", digits, d);
    std::string s = buf;
    if (s.find_first_of(".eEn") == std::string::npos) s += ".0";
    return s;
  }

  void Value(const TValue& v, int indent) {
    switch (v.Tag) {
      case TValueTag::vaNull: out_ += "Null"; break;
      case TValueTag::vaNil: out_ += "nil"; break;
      case TValueTag::vaFalse: out_ += "False"; break;
      case TValueTag::vaTrue: out_ += "True"; break;
      case TValueTag::vaInt8:
      case TValueTag::vaInt16:
      case TValueTag::vaInt32:
      case TValueTag::vaInt64:
        out_ += std::to_string(v.Int);
        break;
      case TValueTag::vaExtended: out_ += Float(v.Float, 17); break;
      case TValueTag::vaSingle: out_ += Float(v.Float, 9) + "s"; break;
      case TValueTag::vaDate: out_ += Float(v.Float, 17) + "d"; break;
      case TValueTag::vaCurrency: {
        int64_t whole = v.Int / 10000, frac = v.Int % 10000;
        if (frac < 0) frac = -frac;
        std::string s = (v.Int < 0 && whole == 0 ? "-" : "") + std::to_string(whole);
        char buf[8];
        std::snprintf(buf, sizeof buf, ".%04d", static_cast<int>(frac));
        out_ += s + buf + "c";
        break;
      }
      case TValueTag::vaString:
      case TValueTag::vaLString:
        out_ += QuoteAnsi(v.Str);
        break;
      case TValueTag::vaWString: out_ += Quote(v.Wide); break;
      case TValueTag::vaUTF8String: out_ += Quote(Utf8ToUtf16(v.Str)); break;
      case TValueTag::vaIdent: out_ += v.Str; break;
      case TValueTag::vaSet: {
        out_ += "[";
        for (size_t i = 0; i < v.Set.size(); ++i) out_ += (i ? ", " : "") + v.Set[i];
        out_ += "]";
        break;
      }
      case TValueTag::vaList:
        out_ += "(";
        for (const auto& item : v.List) {
          out_ += "\n";
          Indent(indent + 1);
          Value(item, indent + 1);
        }
        out_ += ")";
        break;
      case TValueTag::vaBinary: {
        static const char* hex = "0123456789ABCDEF";
        out_ += "{";
        for (size_t i = 0; i < v.Str.size(); ++i) {
          if (i % 32 == 0) {
            out_ += "\n";
            Indent(indent + 1);
          }
          unsigned char b = static_cast<unsigned char>(v.Str[i]);
          out_ += hex[b >> 4];
          out_ += hex[b & 15];
        }
        out_ += "}";
        break;
      }
      case TValueTag::vaCollection:
        out_ += "<";
        for (const auto& item : v.Items) {
          out_ += "\n";
          Indent(indent + 1);
          out_ += "item";
          if (item.HasOrder) out_ += " [" + std::to_string(item.Order) + "]";
          out_ += "\n";
          for (const auto& p : item.Props) Property(p, indent + 2);
          Indent(indent + 1);
          out_ += "end";
        }
        out_ += ">";
        break;
    }
  }

  std::string out_;
};

}  // namespace

TObjectRecord ParseTextForm(const std::string& text) { return TParser(text).ParseRoot(); }

std::string PrintTextForm(const TObjectRecord& root) {
  TPrinter p;
  p.Object(root, 0);
  return p.Take();
}

}  // namespace brim
