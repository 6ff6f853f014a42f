// The error of a failed platform call: its code and the family the code
// belongs to, so that the layer above can put both into its exception and
// a message can name the cause ("Windows error 112", "HRESULT 0x80070002").
#pragma once

#include <cstdint>
#include <string>

namespace brim {

// Where a code comes from: GetLastError, a COM call, WinInet (12001 and
// up) or DDEML (DMLERR_*).
enum class TErrorDomain { Win32, HResult, WinInet, Ddeml };

struct TPlatformError {
  TErrorDomain Domain = TErrorDomain::Win32;
  uint32_t Code = 0;
  bool Failed() const { return Code != 0; }
  // "Windows error 2", "HRESULT 0x80070002", "WinInet error 12002",
  // "DDEML error 0x400A".
  std::string Describe() const;
};

}  // namespace brim
