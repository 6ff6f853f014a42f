// Code page conversions through MultiByteToWideChar and WideCharToMultiByte.
#include "platform/CodePages.h"
#include "platform/win32/Win32Api.h"

namespace brim {

std::u16string WideFromCodePage(std::string_view text, uint32_t codePage) {
  if (text.empty()) return {};
  int size = static_cast<int>(text.size());
  int length = ::MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
  if (length <= 0) return {};
  std::u16string wide(static_cast<size_t>(length), u'\0');
  ::MultiByteToWideChar(codePage, 0, text.data(), size, reinterpret_cast<wchar_t*>(wide.data()), length);
  return wide;
}

std::string CodePageFromWide(std::u16string_view text, uint32_t codePage) {
  if (text.empty()) return {};
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  int size = static_cast<int>(text.size());
  // No best-fit letters, so both backends give the same bytes; code pages
  // that refuse the flag are converted without it.
  DWORD flags = WC_NO_BEST_FIT_CHARS;
  int length = ::WideCharToMultiByte(codePage, flags, wide, size, nullptr, 0, nullptr, nullptr);
  if (length <= 0) {
    flags = 0;
    length = ::WideCharToMultiByte(codePage, flags, wide, size, nullptr, 0, nullptr, nullptr);
  }
  if (length <= 0) return {};
  std::string bytes(static_cast<size_t>(length), '\0');
  ::WideCharToMultiByte(codePage, flags, wide, size, bytes.data(), length, nullptr, nullptr);
  return bytes;
}

}  // namespace brim
