// Code page conversions through iconv, one character at a time where iconv
// refuses one, so a single missing character costs one '?' and no more.
#include "platform/posix/AnsiCodePage.h"
#include "platform/CodePages.h"

#include <iconv.h>

#include <cerrno>
#include <string>

namespace brim {

namespace {

// The primary language (the low 10 bits of a LANGID) and its code page.
uint32_t CodePageOfPrimaryLanguage(uint16_t primary) {
  switch (primary) {
    case 0x05:  // Czech
    case 0x0E:  // Hungarian
    case 0x15:  // Polish
    case 0x18:  // Romanian
    case 0x1A:  // Croatian (Serbian in Latin letters)
    case 0x1B:  // Slovak
    case 0x1C:  // Albanian
    case 0x24:  // Slovenian
      return 1250;
    case 0x02:  // Bulgarian
    case 0x19:  // Russian
    case 0x22:  // Ukrainian
    case 0x23:  // Belarusian
    case 0x2F:  // Macedonian
      return 1251;
    case 0x08: return 1253;  // Greek
    case 0x1F: return 1254;  // Turkish
    case 0x0D: return 1255;  // Hebrew
    case 0x01:               // Arabic
    case 0x29:               // Farsi
    case 0x20:               // Urdu
      return 1256;
    case 0x25:  // Estonian
    case 0x26:  // Latvian
    case 0x27:  // Lithuanian
      return 1257;
    case 0x2A: return 1258;  // Vietnamese
    case 0x1E: return 874;   // Thai
    case 0x11: return 932;   // Japanese
    case 0x12: return 949;   // Korean
    default: return 1252;
  }
}

// One iconv descriptor, closed when it goes.
class TIconv {
 public:
  TIconv(const std::string& to, const std::string& from)
      : handle_(::iconv_open(to.c_str(), from.c_str())) {}
  ~TIconv() {
    if (Valid()) ::iconv_close(handle_);
  }
  TIconv(const TIconv&) = delete;
  TIconv& operator=(const TIconv&) = delete;
  bool Valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }
  // Converts [in, in + size) and appends it to out; false (and nothing
  // appended) when iconv refuses any of it.
  bool Convert(const char* in, size_t size, std::string& out) {
    ::iconv(handle_, nullptr, nullptr, nullptr, nullptr);
    std::string buffer(size * 4 + 8, '\0');
    char* from = const_cast<char*>(in);
    char* to = buffer.data();
    size_t left = size, room = buffer.size();
    if (::iconv(handle_, &from, &left, &to, &room) == static_cast<size_t>(-1) ||
        ::iconv(handle_, nullptr, nullptr, &to, &room) == static_cast<size_t>(-1))
      return false;
    out.append(buffer.data(), buffer.size() - room);
    return true;
  }

 private:
  iconv_t handle_;
};

std::string IconvName(uint32_t codePage) {
  return codePage == 10000 ? "MACINTOSH" : "CP" + std::to_string(codePage);
}

// How many UTF-16 units the character at i takes: 2 for a surrogate pair.
size_t UnitsAt(std::u16string_view text, size_t i) {
  if (text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
      text[i + 1] <= 0xDFFF)
    return 2;
  return 1;
}

// How many bytes the character at i takes in a double-byte code page.
size_t BytesAt(std::string_view text, size_t i, uint32_t codePage) {
  unsigned char b = static_cast<unsigned char>(text[i]);
  bool lead = false;
  switch (codePage) {
    case 932: lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); break;
    case 936:
    case 949:
    case 950: lead = b >= 0x81 && b <= 0xFE; break;
    default: break;
  }
  return lead && i + 1 < text.size() ? 2 : 1;
}

}  // namespace

uint32_t AnsiCodePageOfLanguage(uint16_t langId) {
  uint16_t primary = langId & 0x3FF;
  if (primary == 0x04) {  // Chinese: simplified (PRC, Singapore) or traditional
    uint16_t sub = langId >> 10;
    return sub == 0x02 || sub == 0x04 ? 936 : 950;
  }
  return CodePageOfPrimaryLanguage(primary);
}

std::string AnsiFromUtf16(std::u16string_view text, uint32_t codePage) {
  std::string ansi;
  ansi.reserve(text.size());
  TIconv toAnsi(IconvName(codePage), "UTF-16LE");
  TIconv toWide("UTF-16LE", IconvName(codePage));
  std::string units;
  for (char16_t c : text) {
    units += static_cast<char>(c & 0xFF);
    units += static_cast<char>(c >> 8);
  }
  if (toAnsi.Valid() && toAnsi.Convert(units.data(), units.size(), ansi)) return ansi;
  ansi.clear();
  for (size_t i = 0; i < text.size();) {
    size_t n = UnitsAt(text, i);
    char16_t c = text[i];
    bool converted = toAnsi.Valid() && toAnsi.Convert(units.data() + 2 * i, 2 * n, ansi);
    if (!converted) {
      // A byte the code page leaves unassigned stands for its own number.
      std::string back;
      char byte = static_cast<char>(c);
      if (c < 0x100 && toWide.Valid() && !toWide.Convert(&byte, 1, back))
        ansi += byte;
      else if (c < 0x80)
        ansi += byte;
      else
        ansi += '?';
    }
    i += n;
  }
  return ansi;
}

std::u16string Utf16FromAnsi(std::string_view text, uint32_t codePage) {
  TIconv toWide("UTF-16LE", IconvName(codePage));
  std::string units;
  if (!toWide.Valid() || !toWide.Convert(text.data(), text.size(), units)) {
    units.clear();
    for (size_t i = 0; i < text.size();) {
      size_t n = BytesAt(text, i, codePage);
      if (!toWide.Valid() || !toWide.Convert(text.data() + i, n, units)) {
        // Unassigned: the character of the same number, one per byte.
        for (size_t k = 0; k < n; ++k) {
          units += text[i + k];
          units += '\0';
        }
      }
      i += n;
    }
  }
  std::u16string wide;
  wide.reserve(units.size() / 2);
  for (size_t i = 0; i + 1 < units.size(); i += 2)
    wide += static_cast<char16_t>(static_cast<unsigned char>(units[i]) |
                                  static_cast<unsigned char>(units[i + 1]) << 8);
  return wide;
}

std::u16string WideFromCodePage(std::string_view text, uint32_t codePage) {
  return Utf16FromAnsi(text, codePage);
}

std::string CodePageFromWide(std::u16string_view text, uint32_t codePage) {
  return AnsiFromUtf16(text, codePage);
}

}  // namespace brim
