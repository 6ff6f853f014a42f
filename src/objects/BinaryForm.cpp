#include "objects/BinaryForm.h"

#include <cmath>
#include <cstring>

#include "common/exceptions_Brimwell.h"
#include "common/routines_Strings.h"

namespace brim {

namespace {

// Deep nesting could only come from a hostile stream; it ends in an error
// long before the stack is at risk.
constexpr int kMaxDepth = 200;

// Names and identifiers follow the text form's syntax (a letter or '_',
// then letters, digits, '_' and '.'), so that every stream read here can
// be decompiled into text that compiles again. A property name may not be
// a word that the text form reads as the start or end of a record there.
enum class TNameKind { Plain, ObjectProperty, ItemProperty };

bool IsStreamIdent(const std::string& s, TNameKind kind) {
  auto start = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; };
  if (s.empty() || !start(s[0])) return false;
  for (char c : s)
    if (!start(c) && !(c >= '0' && c <= '9') && c != '.') return false;
  if (kind == TNameKind::ObjectProperty)
    for (const char* word : {"end", "object", "inherited", "inline"})
      if (SameText(s, word)) return false;
  if (kind == TNameKind::ItemProperty && SameText(s, "end")) return false;
  return true;
}

class TReader {
 public:
  explicit TReader(const std::string& b) : b_(b) {}

  TObjectRecord ReadRoot() {
    if (b_.size() < 4 || std::memcmp(b_.data(), FormSignature, 4) != 0)
      throw EStreamError("Invalid stream format: the signature \"TPF0\" is missing at byte offset 0");
    pos_ = 4;
    TObjectRecord root = ReadObject(0);
    if (pos_ != b_.size())
      Fail(pos_, Format("%d bytes of data follow the root object", static_cast<int>(b_.size() - pos_)));
    return root;
  }

 private:
  [[noreturn]] void Fail(size_t at, const std::string& what) const {
    throw EStreamError("Invalid stream format at byte offset %d: %s", static_cast<int64_t>(at), what);
  }

  void Need(size_t n, const char* what) const {
    if (n > b_.size() - pos_)
      Fail(pos_, Format("unexpected end of stream while reading %s", std::string(what)));
  }

  uint8_t Byte(const char* what) {
    Need(1, what);
    return static_cast<uint8_t>(b_[pos_++]);
  }

  uint64_t Little(int n, const char* what) {
    Need(n, what);
    uint64_t v = 0;
    for (int i = 0; i < n; ++i) v |= static_cast<uint64_t>(static_cast<uint8_t>(b_[pos_ + i])) << (8 * i);
    pos_ += n;
    return v;
  }

  std::string Bytes(size_t n, const char* what) {
    Need(n, what);
    std::string s = b_.substr(pos_, n);
    pos_ += n;
    return s;
  }

  std::string ShortString(const char* what) {
    uint8_t n = Byte(what);
    return Bytes(n, what);
  }

  // A short string that must be an identifier; empty only where allowed
  // (an unnamed component, or the empty name that ends a list).
  std::string Identifier(const char* what, TNameKind kind = TNameKind::Plain) {
    size_t at = pos_;
    std::string s = ShortString(what);
    if (!s.empty() && !IsStreamIdent(s, kind))
      Fail(at, Format("%s \"%s\" is not a valid identifier", std::string(what), s));
    return s;
  }

  TSourcePos Here() const {
    TSourcePos p;
    p.Offset = static_cast<uint32_t>(pos_);
    return p;
  }

  // Infinities, NaNs and extended values beyond the range of a double have
  // no text form and mean nothing in a definition.
  void Finite(const TValue& v, const char* what) const {
    if (!std::isfinite(v.Float))
      Fail(v.Pos.Offset, Format("%s value is infinite, not a number or out of range", std::string(what)));
  }

  int64_t Integer(const char* what) {
    size_t at = pos_;
    uint8_t tag = Byte(what);
    switch (static_cast<TValueTag>(tag)) {
      case TValueTag::vaInt8: return static_cast<int8_t>(Little(1, what));
      case TValueTag::vaInt16: return static_cast<int16_t>(Little(2, what));
      case TValueTag::vaInt32: return static_cast<int32_t>(Little(4, what));
      default: Fail(at, Format("%s must be an integer (tag 2, 3 or 4), found tag %d", std::string(what), tag));
    }
  }

  TObjectRecord ReadObject(int depth) {
    if (depth > kMaxDepth) Fail(pos_, "objects nested too deeply");
    TObjectRecord r;
    r.Pos = Here();
    Need(1, "an object record");
    uint8_t first = static_cast<uint8_t>(b_[pos_]);
    if ((first & 0xF0) == 0xF0) {
      ++pos_;
      r.Flags = first & 0x0F;
      if (r.Flags & ~(ffInherited | ffChildPos | ffInline))
        Fail(r.Pos.Offset, Format("unknown object flags %d", first & 0x0F));
      if (r.Flags & ffChildPos) r.Position = Integer("the child position");
    }
    size_t at = pos_;
    r.ClassName = Identifier("a class name");
    if (r.ClassName.empty()) Fail(at, "an object record has an empty class name");
    r.Name = Identifier("a component name");
    for (;;) {
      TPropertyValue pv;
      pv.Pos = Here();
      pv.Name = Identifier("a property name", TNameKind::ObjectProperty);
      if (pv.Name.empty()) break;
      pv.Value = ReadValue(depth + 1);
      r.Props.push_back(std::move(pv));
    }
    for (;;) {
      Need(1, "the children of an object");
      if (b_[pos_] == 0) {
        ++pos_;
        break;
      }
      r.Children.push_back(ReadObject(depth + 1));
    }
    return r;
  }

  TValue ReadValue(int depth) {
    if (depth > kMaxDepth) Fail(pos_, "values nested too deeply");
    TValue v;
    v.Pos = Here();
    uint8_t tag = Byte("a value tag");
    if (tag >= kValueTagCount) Fail(v.Pos.Offset, Format("unknown value tag %d", tag));
    v.Tag = static_cast<TValueTag>(tag);
    switch (v.Tag) {
      case TValueTag::vaNull:
      case TValueTag::vaFalse:
      case TValueTag::vaTrue:
      case TValueTag::vaNil:
        break;
      case TValueTag::vaList:
        for (;;) {
          Need(1, "a list");
          if (b_[pos_] == 0) {
            ++pos_;
            break;
          }
          v.List.push_back(ReadValue(depth + 1));
        }
        break;
      case TValueTag::vaInt8: v.Int = static_cast<int8_t>(Little(1, "an int8")); break;
      case TValueTag::vaInt16: v.Int = static_cast<int16_t>(Little(2, "an int16")); break;
      case TValueTag::vaInt32: v.Int = static_cast<int32_t>(Little(4, "an int32")); break;
      case TValueTag::vaInt64: v.Int = static_cast<int64_t>(Little(8, "an int64")); break;
      case TValueTag::vaExtended: {
        std::string e = Bytes(10, "an extended");
        std::memcpy(v.Extended.data(), e.data(), 10);
        v.Float = ExtendedToDouble(v.Extended);
        Finite(v, "an extended");
        break;
      }
      case TValueTag::vaSingle: {
        uint32_t bits = static_cast<uint32_t>(Little(4, "a single"));
        float f;
        std::memcpy(&f, &bits, 4);
        v.Float = f;
        Finite(v, "a single");
        break;
      }
      case TValueTag::vaDate: {
        uint64_t bits = Little(8, "a date");
        std::memcpy(&v.Float, &bits, 8);
        Finite(v, "a date");
        break;
      }
      case TValueTag::vaCurrency: v.Int = static_cast<int64_t>(Little(8, "a currency")); break;
      case TValueTag::vaString:
        v.Str = ShortString("a string");
        break;
      case TValueTag::vaIdent:
        v.Str = Identifier("an identifier");
        if (v.Str.empty()) Fail(v.Pos.Offset, "an identifier is empty");
        break;
      case TValueTag::vaLString:
      case TValueTag::vaBinary:
      case TValueTag::vaUTF8String: {
        const char* what = v.Tag == TValueTag::vaBinary ? "binary data" : "a long string";
        uint32_t n = static_cast<uint32_t>(Little(4, what));
        v.Str = Bytes(n, what);
        break;
      }
      case TValueTag::vaWString: {
        uint32_t n = static_cast<uint32_t>(Little(4, "a wide string"));
        if (n > (b_.size() - pos_) / 2) Need(static_cast<size_t>(n) * 2, "a wide string");
        v.Wide.resize(n);
        for (uint32_t i = 0; i < n; ++i) v.Wide[i] = static_cast<char16_t>(Little(2, "a wide string"));
        break;
      }
      case TValueTag::vaSet:
        for (;;) {
          std::string m = Identifier("a set member");
          if (m.empty()) break;
          v.Set.push_back(std::move(m));
        }
        break;
      case TValueTag::vaCollection:
        for (;;) {
          Need(1, "a collection");
          uint8_t b = static_cast<uint8_t>(b_[pos_]);
          if (b == 0) {
            ++pos_;
            break;
          }
          TCollectionItemValue item;
          item.Pos = Here();
          if (b == 2 || b == 3 || b == 4) {
            item.HasOrder = true;
            item.Order = Integer("a collection item's order");
          }
          size_t at = pos_;
          uint8_t listTag = Byte("a collection item");
          if (listTag != static_cast<uint8_t>(TValueTag::vaList))
            Fail(at, Format("a collection item must start with tag 1, found tag %d", listTag));
          for (;;) {
            TPropertyValue pv;
            pv.Pos = Here();
            pv.Name = Identifier("a property name", TNameKind::ItemProperty);
            if (pv.Name.empty()) break;
            pv.Value = ReadValue(depth + 1);
            item.Props.push_back(std::move(pv));
          }
          v.Items.push_back(std::move(item));
        }
        break;
    }
    return v;
  }

  const std::string& b_;
  size_t pos_ = 0;
};

class TWriter {
 public:
  std::string Take() { return std::move(out_); }

  void Object(const TObjectRecord& r) {
    if (r.Flags) {
      out_ += static_cast<char>(0xF0 | (r.Flags & 0x0F));
      if (r.Flags & ffChildPos) Int(r.Position, false);
    }
    // The reader takes a first byte of $F0 or above as the flags prefix, so
    // a class name cannot have that length.
    if (r.ClassName.size() >= 0xF0)
      throw EStreamError("Cannot write the class name \"%s\": longer than 239 bytes",
                         r.ClassName.substr(0, 40));
    Short(r.ClassName, "class name");
    Short(r.Name, "component name");
    for (const auto& p : r.Props) Property(p);
    out_ += '\0';
    for (const auto& c : r.Children) Object(c);
    out_ += '\0';
  }

 private:
  void Short(const std::string& s, const char* what) {
    if (s.size() > 255)
      throw EStreamError("Cannot write the %s \"%s\": longer than 255 bytes", std::string(what), s.substr(0, 40));
    out_ += static_cast<char>(s.size());
    out_ += s;
  }

  void Little(uint64_t v, int n) {
    for (int i = 0; i < n; ++i) out_ += static_cast<char>(v >> (8 * i));
  }

  void Tag(TValueTag t) { out_ += static_cast<char>(t); }

  void Int(int64_t v, bool allow64) {
    TValue t = TValue::Integer(v);
    if (t.Tag == TValueTag::vaInt64 && !allow64)
      throw EStreamError("Cannot write %d as a 32-bit integer", v);
    Tag(t.Tag);
    Little(static_cast<uint64_t>(v), t.Tag == TValueTag::vaInt8 ? 1 : t.Tag == TValueTag::vaInt16 ? 2
                                     : t.Tag == TValueTag::vaInt32 ? 4 : 8);
  }

  void Property(const TPropertyValue& p) {
    if (p.Name.empty()) throw EStreamError("Cannot write a property without a name");
    Short(p.Name, "property name");
    Value(p.Value);
  }

  void Value(const TValue& v) {
    switch (v.Tag) {
      case TValueTag::vaNull:
      case TValueTag::vaFalse:
      case TValueTag::vaTrue:
      case TValueTag::vaNil:
        Tag(v.Tag);
        break;
      case TValueTag::vaList:
        Tag(v.Tag);
        for (const auto& i : v.List) Value(i);
        out_ += '\0';
        break;
      case TValueTag::vaInt8:
      case TValueTag::vaInt16:
      case TValueTag::vaInt32:
      case TValueTag::vaInt64:
        Int(v.Int, true);
        break;
      case TValueTag::vaExtended:
        Tag(v.Tag);
        out_.append(reinterpret_cast<const char*>(v.Extended.data()), 10);
        break;
      case TValueTag::vaSingle: {
        Tag(v.Tag);
        float f = static_cast<float>(v.Float);
        uint32_t bits;
        std::memcpy(&bits, &f, 4);
        Little(bits, 4);
        break;
      }
      case TValueTag::vaDate: {
        Tag(v.Tag);
        uint64_t bits;
        std::memcpy(&bits, &v.Float, 8);
        Little(bits, 8);
        break;
      }
      case TValueTag::vaCurrency:
        Tag(v.Tag);
        Little(static_cast<uint64_t>(v.Int), 8);
        break;
      case TValueTag::vaString:
      case TValueTag::vaLString:
        if (v.Str.size() <= 255) {
          Tag(TValueTag::vaString);
          Short(v.Str, "string");
        } else {
          Tag(TValueTag::vaLString);
          Little(v.Str.size(), 4);
          out_ += v.Str;
        }
        break;
      case TValueTag::vaIdent:
        Tag(v.Tag);
        Short(v.Str, "identifier");
        break;
      case TValueTag::vaBinary:
      case TValueTag::vaUTF8String:
        Tag(v.Tag);
        Little(v.Str.size(), 4);
        out_ += v.Str;
        break;
      case TValueTag::vaWString:
        Tag(v.Tag);
        Little(v.Wide.size(), 4);
        for (char16_t c : v.Wide) Little(c, 2);
        break;
      case TValueTag::vaSet:
        Tag(v.Tag);
        for (const auto& m : v.Set) {
          if (m.empty()) throw EStreamError("Cannot write an empty set member name");
          Short(m, "set member");
        }
        out_ += '\0';
        break;
      case TValueTag::vaCollection:
        Tag(v.Tag);
        for (const auto& item : v.Items) {
          if (item.HasOrder) Int(item.Order, false);
          Tag(TValueTag::vaList);
          for (const auto& p : item.Props) Property(p);
          out_ += '\0';
        }
        out_ += '\0';
        break;
    }
  }

  std::string out_;
};

}  // namespace

TObjectRecord ReadBinaryForm(const std::string& bytes) { return TReader(bytes).ReadRoot(); }

std::string WriteBinaryForm(const TObjectRecord& root) {
  TWriter w;
  std::string out = FormSignature;
  w.Object(root);
  return out + w.Take();
}

}  // namespace brim
