// Downloads from FTP and HTTP servers through the operations of the Windows
// Internet client library (WinInet), the same on both backends: load the
// library, open a session, connect to a host with a protocol and a login,
// set the FTP directory, open an FTP file or send an HTTP GET request, query
// its size, read blocks, close handles, and read the last error and the
// last server response.
//
// Each handle is an object: Close() closes it and reports a failure, and
// destroying it closes what is still open. A handle must go before the one
// it was made from, and every handle before its library.
//
// Every call blocks until the server answers or the session's timeouts run
// out. A call that fails returns false (or null) and leaves its error in the
// library's LastError(), as GetLastError does after a WinInet call.
//
// win32: WININET.DLL, loaded at run time from the system directory by its
// full path. posix: libcurl, whose failures are given as the WinInet error
// a Windows program would see in the same case.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/PlatformError.h"

namespace brim {

// WinInet's error numbers (ERROR_INTERNET_*, ERROR_HTTP_*), the codes of
// TErrorDomain::WinInet.
inline constexpr uint32_t inetTimeout = 12002;
inline constexpr uint32_t inetExtendedError = 12003;  // an FTP server's refusal
inline constexpr uint32_t inetInternalError = 12004;
inline constexpr uint32_t inetInvalidUrl = 12005;
inline constexpr uint32_t inetUnrecognizedScheme = 12006;
inline constexpr uint32_t inetNameNotResolved = 12007;
inline constexpr uint32_t inetLoginFailure = 12015;
inline constexpr uint32_t inetOperationCancelled = 12017;
inline constexpr uint32_t inetIncorrectHandleState = 12019;
inline constexpr uint32_t inetCannotConnect = 12029;
inline constexpr uint32_t inetConnectionAborted = 12030;
inline constexpr uint32_t inetConnectionReset = 12031;
inline constexpr uint32_t inetInvalidCa = 12045;  // a certificate no trusted root signed
inline constexpr uint32_t inetSecurityChannelError = 12157;
inline constexpr uint32_t inetHeaderNotFound = 12150;

// InternetConnect's services (INTERNET_SERVICE_FTP, INTERNET_SERVICE_HTTP).
enum class TInternetServiceKind : uint32_t { Ftp = 1, Http = 3 };

// Flags with their WinInet values.
inline constexpr uint32_t inetGenericRead = 0x80000000;  // FtpOpenFile's access
inline constexpr uint32_t inetFtpTransferBinary = 2;     // FTP_TRANSFER_TYPE_BINARY
inline constexpr uint32_t inetFlagReload = 0x80000000;   // INTERNET_FLAG_RELOAD
inline constexpr uint32_t inetFlagExistingConnect = 0x20000000;
inline constexpr uint32_t inetFlagNoCacheWrite = 0x04000000;
inline constexpr uint32_t inetFlagSecure = 0x00800000;  // INTERNET_FLAG_SECURE: HTTP over TLS
inline constexpr uint32_t inetQueryContentLength = 5;  // HTTP_QUERY_CONTENT_LENGTH
inline constexpr uint32_t inetQueryStatusCode = 19;    // HTTP_QUERY_STATUS_CODE
inline constexpr uint16_t inetDefaultHttpsPort = 443;

// A WinInet handle. Destroying it closes it when it is still open.
class IInternetHandle {
 public:
  virtual ~IInternetHandle() = default;
  // InternetCloseHandle. False when the close failed; the handle is then
  // still held, and a second Close or the destructor tries again.
  virtual bool Close() = 0;
};

// An open FTP file or an HTTP request.
class IInternetFile : public IInternetHandle {
 public:
  // HttpSendRequest with the extra header lines (each ending in CR LF,
  // an empty line last) and no body. True once the server's answer began,
  // whatever its status.
  virtual bool SendRequest(const std::string& headers) = 0;
  // HttpQueryInfo as text: query 5 the first Content-Length, query 19 the
  // status code; false with ERROR_HTTP_HEADER_NOT_FOUND when the answer
  // has no such header.
  virtual bool QueryInfo(uint32_t query, std::string& value) = 0;
  // InternetQueryDataAvailable: waits for data and gives the count of
  // bytes that can be read at once (0 at the end).
  virtual bool QueryDataAvailable(uint32_t& bytes) = 0;
  // InternetReadFile: up to count bytes; done is 0 at the end.
  virtual bool Read(void* buffer, uint32_t count, uint32_t& done) = 0;
};

// A connection to one host (InternetConnect).
class IInternetConnection : public IInternetHandle {
 public:
  // FtpSetCurrentDirectory: a relative directory is taken from the current one.
  virtual bool FtpSetCurrentDirectory(const std::string& directory) = 0;
  // FtpOpenFile of a name in the current directory, for reading.
  virtual std::unique_ptr<IInternetFile> FtpOpenFile(const std::string& name, uint32_t access,
                                                     uint32_t flags) = 0;
  // HttpOpenRequest with the default HTTP version, no referrer and no
  // accept types; objectName is the request target ("/pub/A.1"). With
  // inetFlagSecure the request goes over TLS and the server's certificate
  // must lead to a trusted root; posix takes the roots of libcurl's CA
  // bundle, or of the file BRIM_CA_FILE names (a knob for tests and for
  // deployments with a private root).
  virtual std::unique_ptr<IInternetFile> HttpOpenRequest(const std::string& verb,
                                                         const std::string& objectName,
                                                         uint32_t flags) = 0;
};

// An internet session (InternetOpen).
class IInternetSession : public IInternetHandle {
 public:
  // InternetConnect. Port 0 is the service's default (21, 80). A user or
  // password left out is passed as none (FTP then logs in anonymously);
  // an empty one is passed as empty. FTP connects and logs in here; HTTP
  // connects when a request is sent.
  virtual std::unique_ptr<IInternetConnection> Connect(
      const std::string& host, uint16_t port, TInternetServiceKind service,
      const std::optional<std::string>& user, const std::optional<std::string>& password) = 0;
  // Limits for connecting and for waiting on the server (InternetSetOption;
  // the system's defaults until set).
  virtual void SetTimeouts(uint32_t connectMs, uint32_t receiveMs) = 0;
};

// The loaded library. Destroying it unloads it.
class IInternetLibrary {
 public:
  virtual ~IInternetLibrary() = default;
  // InternetOpen with the agent name and an access type (0: the system's
  // configured access), no proxy and no flags.
  virtual std::unique_ptr<IInternetSession> Open(const std::string& agent, uint32_t accessType) = 0;
  // The error of the last call that failed: WinInet's code, or a Windows
  // one (ERROR_INVALID_HANDLE) in the Win32 domain.
  virtual TPlatformError LastError() const = 0;
  // InternetGetLastResponseInfo: the server's last response text, when the
  // server gave one.
  virtual std::optional<std::string> LastResponse() = 0;
};

// The library's entry points, in the order they are looked up.
inline constexpr const char* InternetEntryPoints[] = {"InternetGetLastResponseInfoA",
                                                      "InternetOpenA",
                                                      "InternetConnectA",
                                                      "FtpSetCurrentDirectoryA",
                                                      "InternetCloseHandle",
                                                      "InternetQueryDataAvailable",
                                                      "InternetReadFile",
                                                      "FtpOpenFileA",
                                                      "HttpOpenRequestA",
                                                      "HttpSendRequestA",
                                                      "HttpQueryInfoA"};

class IInternetService {
 public:
  virtual ~IInternetService() = default;
  // Loads the library and looks up its entry points. Null when it fails:
  // missing is then empty when the library itself could not be loaded,
  // else the export name of the first entry point it lacks.
  virtual std::unique_ptr<IInternetLibrary> Load(std::string& missing) = 0;
};

// The internet service of the platform this program was built for.
IInternetService& NativeInternetService();

}  // namespace brim
