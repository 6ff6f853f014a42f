#include "objects/FormValue.h"

#include <cmath>
#include <cstring>

namespace brim {

const char* ValueTagName(TValueTag tag) {
  static const char* names[kValueTagCount] = {
      "null",   "list",     "int8",       "int16",  "int32",    "extended", "string",
      "identifier", "false", "true",      "binary", "set",      "long string", "nil",
      "collection", "single", "currency", "date",   "wide string", "int64", "UTF-8 string"};
  auto i = static_cast<unsigned>(tag);
  return i < kValueTagCount ? names[i] : "unknown";
}

std::string TSourcePos::Describe() const {
  if (Line > 0) return "line " + std::to_string(Line) + ", column " + std::to_string(Column);
  return "byte offset " + std::to_string(Offset);
}

namespace {
TAnsiConversion& AnsiConversion() {
  static TAnsiConversion convert;
  return convert;
}
}  // namespace

void SetAnsiConversion(TAnsiConversion convert) { AnsiConversion() = std::move(convert); }

std::string Utf16ToAnsi(const std::u16string& w) {
  if (AnsiConversion()) return AnsiConversion()(w);
  std::string s;
  s.reserve(w.size());
  for (char16_t c : w) s += c < 256 ? static_cast<char>(c) : '?';
  return s;
}

std::u16string Utf8ToUtf16(const std::string& s) {
  std::u16string w;
  for (size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    uint32_t cp;
    size_t len;
    if (c < 0x80) { cp = c; len = 1; }
    else if ((c & 0xE0) == 0xC0) { cp = c & 0x1F; len = 2; }
    else if ((c & 0xF0) == 0xE0) { cp = c & 0x0F; len = 3; }
    else if ((c & 0xF8) == 0xF0) { cp = c & 0x07; len = 4; }
    else { w += u'?'; ++i; continue; }
    if (i + len > s.size()) { w += u'?'; break; }
    bool ok = true;
    for (size_t k = 1; k < len; ++k) {
      unsigned char cc = static_cast<unsigned char>(s[i + k]);
      if ((cc & 0xC0) != 0x80) { ok = false; break; }
      cp = (cp << 6) | (cc & 0x3F);
    }
    if (!ok) { w += u'?'; ++i; continue; }
    i += len;
    if (cp >= 0x10000 && cp <= 0x10FFFF) {
      cp -= 0x10000;
      w += static_cast<char16_t>(0xD800 + (cp >> 10));
      w += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else if (cp < 0x10000) {
      w += static_cast<char16_t>(cp);
    } else {
      w += u'?';
    }
  }
  return w;
}

std::string TValue::AsAnsi() const {
  switch (Tag) {
    case TValueTag::vaWString: return Utf16ToAnsi(Wide);
    case TValueTag::vaUTF8String: return Utf16ToAnsi(Utf8ToUtf16(Str));
    default: return Str;
  }
}

double TValue::AsDouble() const {
  if (Tag == TValueTag::vaCurrency) return static_cast<double>(Int) / 10000.0;
  if (IsInteger()) return static_cast<double>(Int);
  return Float;
}

TValue TValue::Integer(int64_t v) {
  TValue r;
  r.Int = v;
  if (v >= INT8_MIN && v <= INT8_MAX) r.Tag = TValueTag::vaInt8;
  else if (v >= INT16_MIN && v <= INT16_MAX) r.Tag = TValueTag::vaInt16;
  else if (v >= INT32_MIN && v <= INT32_MAX) r.Tag = TValueTag::vaInt32;
  else r.Tag = TValueTag::vaInt64;
  return r;
}

TValue TValue::String(std::string s) {
  TValue r;
  r.Tag = s.size() <= 255 ? TValueTag::vaString : TValueTag::vaLString;
  r.Str = std::move(s);
  return r;
}

TValue TValue::Ident(std::string s) {
  TValue r;
  r.Tag = TValueTag::vaIdent;
  r.Str = std::move(s);
  return r;
}

TValue TValue::Boolean(bool b) {
  TValue r;
  r.Tag = b ? TValueTag::vaTrue : TValueTag::vaFalse;
  return r;
}

TValue TValue::Nil() {
  TValue r;
  r.Tag = TValueTag::vaNil;
  return r;
}

TValue TValue::Binary(std::string bytes) {
  TValue r;
  r.Tag = TValueTag::vaBinary;
  r.Str = std::move(bytes);
  return r;
}

TValue TValue::ExtendedFloat(double d) {
  TValue r;
  r.Tag = TValueTag::vaExtended;
  r.Float = d;
  r.Extended = DoubleToExtended(d);
  return r;
}

TValue TValue::Date(double d) {
  TValue r;
  r.Tag = TValueTag::vaDate;
  r.Float = d;
  return r;
}

TValue TValue::Single(float f) {
  TValue r;
  r.Tag = TValueTag::vaSingle;
  r.Float = f;
  return r;
}

std::array<uint8_t, 10> DoubleToExtended(double d) {
  std::array<uint8_t, 10> e{};
  uint64_t bits;
  std::memcpy(&bits, &d, 8);
  bool neg = bits >> 63;
  int exp = static_cast<int>((bits >> 52) & 0x7FF);
  uint64_t frac = bits & ((1ULL << 52) - 1);
  uint64_t mant = 0;
  int eexp = 0;
  if (exp == 0 && frac == 0) {
    eexp = 0;
    mant = 0;
  } else if (exp == 0x7FF) {
    eexp = 0x7FFF;
    mant = (1ULL << 63) | (frac << 11);
  } else if (exp == 0) {
    // Subnormal double: normalise into the wider exponent range.
    int shift = 0;
    while (!(frac & (1ULL << 52))) {
      frac <<= 1;
      ++shift;
    }
    eexp = 1 - 1023 - shift + 16383;
    mant = frac << 11;
  } else {
    eexp = exp - 1023 + 16383;
    mant = (1ULL << 63) | (frac << 11);
  }
  for (int i = 0; i < 8; ++i) e[i] = static_cast<uint8_t>(mant >> (8 * i));
  uint16_t se = static_cast<uint16_t>(eexp | (neg ? 0x8000 : 0));
  e[8] = static_cast<uint8_t>(se);
  e[9] = static_cast<uint8_t>(se >> 8);
  return e;
}

double ExtendedToDouble(const std::array<uint8_t, 10>& e) {
  uint64_t mant = 0;
  for (int i = 0; i < 8; ++i) mant |= static_cast<uint64_t>(e[i]) << (8 * i);
  uint16_t se = static_cast<uint16_t>(e[8] | (e[9] << 8));
  bool neg = se & 0x8000;
  int exp = se & 0x7FFF;
  double r;
  if (exp == 0x7FFF) {
    r = (mant << 1) ? NAN : INFINITY;
  } else if (mant == 0) {
    r = 0;
  } else {
    r = std::ldexp(static_cast<double>(mant), exp - 16383 - 63);
  }
  return neg ? -r : r;
}

}  // namespace brim
