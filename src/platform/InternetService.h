// Reading files from FTP and HTTP servers. A session is opened once with
// the program's agent name, its timeouts and a cancel callback, and hands
// out remote files that read like local ones. A connect or a read blocks
// and never reaches the message pump, so the session polls the cancel
// callback itself while it waits; a true answer ends the call with
// ERROR_INTERNET_OPERATION_CANCELLED. A call that was cancelled or timed
// out may leave its session or file closed: open a new one to try again.
//
// win32: WinInet, loaded at run time from "WININET.DLL". posix: libcurl.
// Errors are WinInet's numbers on both (TErrorDomain::WinInet); an HTTP
// answer other than success is an error of the same domain that carries
// its status (inetHttpStatusBase + status).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/PlatformError.h"

namespace brim {

// WinInet's error numbers (ERROR_INTERNET_*), the codes of TErrorDomain::WinInet.
inline constexpr uint32_t inetTimeout = 12002;
inline constexpr uint32_t inetInternalError = 12004;
inline constexpr uint32_t inetInvalidUrl = 12005;
inline constexpr uint32_t inetUnrecognizedScheme = 12006;
inline constexpr uint32_t inetNameNotResolved = 12007;
inline constexpr uint32_t inetLoginFailure = 12015;
inline constexpr uint32_t inetOperationCancelled = 12017;
inline constexpr uint32_t inetConnectionAborted = 12030;
inline constexpr uint32_t inetConnectionReset = 12031;
inline constexpr uint32_t inetCannotConnect = 12029;
inline constexpr uint32_t inetExtendedError = 12003;  // an FTP server's refusal
// An HTTP answer that is not a success: the code is 100000 + the status
// ("404 Not Found" is 100404), so it never meets a WinInet number.
inline constexpr uint32_t inetHttpStatusBase = 100000;

struct TInternetOptions {
  std::string Agent;                  // the User-Agent of HTTP requests
  uint32_t ConnectTimeoutMs = 30000;  // per connection attempt
  uint32_t ReceiveTimeoutMs = 30000;  // without a byte arriving
  // Asked at least every few hundred milliseconds while a call blocks;
  // true cancels the call.
  std::function<bool()> Cancelled;
};

// A file on a server, open for reading. Destroying it closes the request.
class IRemoteFile {
 public:
  virtual ~IRemoteFile() = default;
  // Reads up to count bytes; done is 0 at the end of the file.
  virtual TPlatformError Read(void* buffer, uint32_t count, uint32_t& done) = 0;
  // The size the server announced (Content-Length, FTP SIZE), when it did.
  virtual std::optional<uint64_t> Size() = 0;
};

// An open internet session (InternetOpen). Destroying it closes every
// connection it made; its files must be gone first.
class IInternetSession {
 public:
  virtual ~IInternetSession() = default;
  // Opens "ftp://[user[:password]@]host[:port]/path" or
  // "http://host[:port]/path" for reading. Null, with error set, when the
  // file cannot be opened.
  virtual std::unique_ptr<IRemoteFile> OpenUrl(const std::string& url, TPlatformError& error) = 0;
};

class IInternetService {
 public:
  virtual ~IInternetService() = default;
  // Null, with error set, when the session cannot be opened (no WinInet).
  virtual std::unique_ptr<IInternetSession> OpenSession(const TInternetOptions& options,
                                                        TPlatformError& error) = 0;
};

// The internet service of the platform this program was built for.
IInternetService& NativeInternetService();

}  // namespace brim
