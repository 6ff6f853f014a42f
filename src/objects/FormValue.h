// The syntactic form of a component stream: object records, property
// values and their tags, independent of any class. The binary "TPF0"
// reader and writer and the text form both convert to and from these
// records; the loader turns a record into live components and the saver
// turns components back into a record.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace brim {

enum class TValueTag : uint8_t {
  vaNull = 0,
  vaList = 1,
  vaInt8 = 2,
  vaInt16 = 3,
  vaInt32 = 4,
  vaExtended = 5,
  vaString = 6,
  vaIdent = 7,
  vaFalse = 8,
  vaTrue = 9,
  vaBinary = 10,
  vaSet = 11,
  vaLString = 12,
  vaNil = 13,
  vaCollection = 14,
  vaSingle = 15,
  vaCurrency = 16,
  vaDate = 17,
  vaWString = 18,
  vaInt64 = 19,
  vaUTF8String = 20,
};
inline constexpr int kValueTagCount = 21;

const char* ValueTagName(TValueTag tag);

// Where a record or value came from: a byte offset in a binary stream or a
// line and column in a text form.
struct TSourcePos {
  uint32_t Offset = 0;
  uint32_t Line = 0;  // 0: binary source
  uint32_t Column = 0;
  std::string Describe() const;
};

struct TValue;
struct TPropertyValue;

struct TCollectionItemValue {
  bool HasOrder = false;
  int64_t Order = 0;
  std::vector<TPropertyValue> Props;
  TSourcePos Pos;
};

struct TValue {
  TValueTag Tag = TValueTag::vaNull;
  int64_t Int = 0;                         // integer tags; currency as value x 10000
  double Float = 0;                        // extended, single, date
  std::array<uint8_t, 10> Extended{};      // the raw extended bytes, kept exactly
  std::string Str;                         // string, ident, binary, UTF-8 bytes
  std::u16string Wide;                     // wide string
  std::vector<std::string> Set;            // set members
  std::vector<TValue> List;                // list items
  std::vector<TCollectionItemValue> Items; // collection items
  TSourcePos Pos;

  bool IsInteger() const {
    return Tag == TValueTag::vaInt8 || Tag == TValueTag::vaInt16 || Tag == TValueTag::vaInt32 ||
           Tag == TValueTag::vaInt64;
  }
  bool IsString() const {
    return Tag == TValueTag::vaString || Tag == TValueTag::vaLString ||
           Tag == TValueTag::vaWString || Tag == TValueTag::vaUTF8String;
  }
  bool IsFloat() const {
    return Tag == TValueTag::vaExtended || Tag == TValueTag::vaSingle ||
           Tag == TValueTag::vaDate || Tag == TValueTag::vaCurrency;
  }
  // The value of a string tag as ANSI bytes: wide and UTF-8 text goes
  // through the ANSI conversion (SetAnsiConversion).
  std::string AsAnsi() const;
  double AsDouble() const;

  static TValue Integer(int64_t v);  // smallest integer tag that holds v
  static TValue String(std::string s);  // tag 6 up to 255 bytes, else 12
  static TValue Ident(std::string s);
  static TValue Boolean(bool b);
  static TValue Nil();
  static TValue Binary(std::string bytes);
  static TValue ExtendedFloat(double d);
  static TValue Date(double d);
  static TValue Single(float f);
};

struct TPropertyValue {
  std::string Name;
  TValue Value;
  TSourcePos Pos;
};

enum TFilerFlag : uint8_t { ffInherited = 1, ffChildPos = 2, ffInline = 4 };

struct TObjectRecord {
  uint8_t Flags = 0;      // TFilerFlag bits; a prefix byte is written when non-zero
  int64_t Position = 0;   // child position, when ffChildPos is set
  std::string ClassName;
  std::string Name;
  std::vector<TPropertyValue> Props;
  std::vector<TObjectRecord> Children;
  TSourcePos Pos;
};

// The 10-byte x87 extended format, converted without relying on the
// compiler's long double.
std::array<uint8_t, 10> DoubleToExtended(double d);
double ExtendedToDouble(const std::array<uint8_t, 10>& e);

// Wide text into the ANSI code page of the system the program runs on.
// This layer knows no platform: the composition root (RegisterStreamClasses)
// sets the system's conversion; until it does, characters above U+00FF
// become '?'.
using TAnsiConversion = std::function<std::string(const std::u16string&)>;
void SetAnsiConversion(TAnsiConversion convert);
std::string Utf16ToAnsi(const std::u16string& w);
std::u16string Utf8ToUtf16(const std::string& s);

}  // namespace brim
