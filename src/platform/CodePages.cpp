// The character-set table and UTF-8, the same on every platform; the code
// page conversions themselves are the backends'.
#include "platform/CodePages.h"

#include <atomic>

#include "platform/Platform.h"

namespace brim {

namespace {

std::atomic<int32_t> messageCharset{charsetDefault};

void AppendUtf8(std::string& out, uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | c >> 6);
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | c >> 12);
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | c >> 18);
    out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

uint32_t CodePageOfCharset(int32_t charset) {
  switch (charset) {
    case charsetAnsi: return 1252;
    case 2: return 1252;  // symbol fonts draw their own glyphs for the bytes
    case 77: return 10000;  // Macintosh Roman
    case charsetShiftJis: return 932;
    case charsetHangeul: return 949;
    case 130: return 1361;  // Johab
    case charsetGb2312: return 936;
    case charsetChineseBig5: return 950;
    case charsetGreek: return 1253;
    case 162: return 1254;  // Turkish
    case 163: return 1258;  // Vietnamese
    case 177: return 1255;  // Hebrew
    case 178: return 1256;  // Arabic
    case 186: return 1257;  // Baltic
    case charsetRussian: return 1251;
    case 222: return 874;  // Thai
    case charsetEastEurope: return 1250;
    case 255: return 437;  // OEM
    default: return PlatformSystem().AnsiCodePage();
  }
}

std::string Utf8FromWide(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;  // half of a pair
    }
    AppendUtf8(out, c);
  }
  return out;
}

std::u16string WideFromUtf8(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char b = byte(i);
    size_t length = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
    uint32_t c = length == 1 ? b : length == 2 ? b & 0x1Fu : length == 3 ? b & 0x0Fu : b & 0x07u;
    bool good = length != 0 && i + length <= text.size();
    for (size_t k = 1; good && k < length; ++k) {
      good = (byte(i + k) & 0xC0) == 0x80;
      c = c << 6 | (byte(i + k) & 0x3Fu);
    }
    // Overlong forms, surrogates and what lies beyond U+10FFFF are malformed too.
    static constexpr uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (good && (c < kLeast[length] || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)) good = false;
    if (!good) {
      out += u'\xFFFD';
      ++i;
      continue;
    }
    i += length;
    if (c >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return out;
}

std::string Utf8FromCharset(std::string_view text, int32_t charset) {
  // Plain ASCII reads the same in every code page this program shows.
  bool ascii = true;
  for (char c : text) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (ascii) return std::string(text);
  return Utf8FromWide(WideFromCodePage(text, CodePageOfCharset(charset)));
}

std::string CharsetFromUtf8(std::string_view text, int32_t charset) {
  bool ascii = true;
  for (char c : text) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (ascii) return std::string(text);
  return CodePageFromWide(WideFromUtf8(text), CodePageOfCharset(charset));
}

void SetMessageCharset(int32_t charset) { messageCharset = charset; }
int32_t MessageCharset() { return messageCharset; }

}  // namespace brim
