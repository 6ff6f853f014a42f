// How a platform error names itself in messages and logs.
#include "platform/PlatformError.h"

#include <cstdio>

namespace brim {

std::string TPlatformError::Describe() const {
  char text[48];
  switch (Domain) {
    case TErrorDomain::Win32:
      std::snprintf(text, sizeof text, "Windows error %u", static_cast<unsigned>(Code));
      break;
    case TErrorDomain::HResult:
      std::snprintf(text, sizeof text, "HRESULT 0x%08X", static_cast<unsigned>(Code));
      break;
    case TErrorDomain::WinInet:
      std::snprintf(text, sizeof text, "WinInet error %u", static_cast<unsigned>(Code));
      break;
    case TErrorDomain::Ddeml:
      std::snprintf(text, sizeof text, "DDEML error 0x%04X", static_cast<unsigned>(Code));
      break;
  }
  return text;
}

}  // namespace brim
