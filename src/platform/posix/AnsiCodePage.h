// The ANSI code page of the substitute machine: the one Windows gives the
// machine's language (1250 for Polish, 1251 for Russian, 932 for Japanese,
// 1252 for the rest of western Europe and by default), and the conversions
// between it and UTF-16, through iconv. As WideCharToMultiByte does by
// default, a character the code page lacks becomes '?'; a byte the code
// page leaves unassigned stands for the character of the same number.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace brim {

uint32_t AnsiCodePageOfLanguage(uint16_t langId);

std::string AnsiFromUtf16(std::u16string_view text, uint32_t codePage = 1252);
std::u16string Utf16FromAnsi(std::string_view text, uint32_t codePage = 1252);

}  // namespace brim
