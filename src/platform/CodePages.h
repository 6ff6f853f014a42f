// Texts in the code page of their language. A text the program shows is a
// byte string in the ANSI code page of the language it is written in (a
// Japanese page in Shift-JIS, a Russian one in 1251); the character set of
// the font that shows it says which, as Windows maps it
// (TranslateCharsetInfo). The windows take such texts as UTF-16 and the
// text front ends print them as UTF-8, so every language shows the same
// on a machine of any language.
//
// A character a code page lacks becomes '?', as WideCharToMultiByte does
// without best-fit letters; a byte the code page leaves unassigned stands
// for the character of the same number.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace brim {

// Windows font character sets (LOGFONT lfCharSet).
inline constexpr int32_t charsetAnsi = 0;
inline constexpr int32_t charsetDefault = 1;  // the system's ANSI code page
inline constexpr int32_t charsetShiftJis = 128;
inline constexpr int32_t charsetHangeul = 129;
inline constexpr int32_t charsetGb2312 = 134;
inline constexpr int32_t charsetChineseBig5 = 136;
inline constexpr int32_t charsetGreek = 161;
inline constexpr int32_t charsetRussian = 204;
inline constexpr int32_t charsetEastEurope = 238;

// The code page of texts shown in a font of this character set: 1252 for
// ANSI, 932 for Shift-JIS, ... The default character set, and one Windows
// does not know, mean the system's ANSI code page.
uint32_t CodePageOfCharset(int32_t charset);

// Between bytes in a code page and UTF-16 (MultiByteToWideChar,
// WideCharToMultiByte on win32; iconv on the substitute machine).
std::u16string WideFromCodePage(std::string_view text, uint32_t codePage);
std::string CodePageFromWide(std::u16string_view text, uint32_t codePage);

// Between UTF-8 and UTF-16; a malformed sequence becomes U+FFFD.
std::string Utf8FromWide(std::u16string_view text);
std::u16string WideFromUtf8(std::string_view text);

// The bytes of a text shown in a font of charset, as UTF-8, and back.
std::string Utf8FromCharset(std::string_view text, int32_t charset);
std::string CharsetFromUtf8(std::string_view text, int32_t charset);

// The character set of texts that belong to no control: message boxes
// and what the text front ends write of them. The translator sets it to
// its dialog language's; it starts as the default character set.
void SetMessageCharset(int32_t charset);
int32_t MessageCharset();

}  // namespace brim
