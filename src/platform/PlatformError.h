// What a failed call of the platform reported: its code and the family the
// code belongs to. An exception raised above the platform carries it, so
// the cause reaches the program's message or the log while the system's
// own message text stays as it is.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <utility>

namespace brim {

// The families of error codes: GetLastError's, COM's HRESULTs, WinInet's
// (12001 and up), DDEML's (DdeGetLastError), and zlib's results (negative
// numbers, held as their 32-bit pattern), which the archive engine reports
// the same way.
enum class TErrorDomain { Win32, HResult, WinInet, Ddeml, Zlib };

struct TPlatformError {
  TErrorDomain Domain = TErrorDomain::Win32;
  uint32_t Code = 0;
  // What the failing call said beyond its code, when it says more (zlib's
  // message); Describe uses it in place of the system's text for the code.
  std::string Detail;

  TPlatformError() = default;
  TPlatformError(TErrorDomain domain, uint32_t code, std::string detail = {})
      : Domain(domain), Code(code), Detail(std::move(detail)) {}
  static TPlatformError Win32(uint32_t code) { return {TErrorDomain::Win32, code}; }
  // The error of the last failed call of this thread (LastError).
  static TPlatformError Last();
  // "Windows error 112: There is not enough space on the disk."
  std::string Describe() const;
  bool operator==(const TPlatformError&) const = default;
  bool Failed() const { return Code != 0; }
};

// The platform error an exception carries.
class TPlatformCause {
 public:
  explicit TPlatformCause(TPlatformError cause) : cause_(cause) {}
  virtual ~TPlatformCause() = default;
  const TPlatformError& Cause() const { return cause_; }

 private:
  TPlatformError cause_;
};

// An exception of class E that also carries its cause; it is caught as an
// E and keeps E's class name and message.
template <class E>
class TCaused final : public E, public TPlatformCause {
 public:
  template <class... A>
  explicit TCaused(TPlatformError cause, A&&... args)
      : E(std::forward<A>(args)...), TPlatformCause(cause) {}
};

// The cause an exception carries; null when it carries none.
inline const TPlatformError* CauseOf(const std::exception& e) {
  auto* caused = dynamic_cast<const TPlatformCause*>(&e);
  return caused ? &caused->Cause() : nullptr;
}

// The exception's message, followed by its cause when it carries one
// ("Cannot create the file C:\a.txt (Windows error 112: ...)").
std::string MessageWithCause(const std::exception& e);

}  // namespace brim
