// Helpers shared by the units of the win32 backend.
#include "platform/win32/Win32Api.h"

namespace brim {

std::optional<std::string> ApiText(const std::function<DWORD(char* buffer, DWORD size)>& call,
                                   DWORD firstSize) {
  std::string buffer(firstSize, '\0');
  for (;;) {
    DWORD size = static_cast<DWORD>(buffer.size());
    DWORD length = call(buffer.data(), size);
    if (length == 0) return std::nullopt;
    if (length < size) {
      buffer.resize(length);
      return buffer;
    }
    // Too small: the call asked for length bytes; ask again with room to spare
    // in case the text grew in between.
    buffer.assign(length + MAX_PATH, '\0');
  }
}

bool RegResult(LONG result) {
  if (result == ERROR_SUCCESS) return true;
  ::SetLastError(static_cast<DWORD>(result));
  return false;
}

}  // namespace brim
