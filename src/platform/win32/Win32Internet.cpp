// The internet service of the win32 build: WinInet itself, loaded at run
// time from the system directory by its full path (a bare "WININET.DLL"
// could be found in the current or the download directory first), its
// eleven entry points looked up in a fixed order. Every call blocks on the
// calling thread within WinInet's timeouts. The error of a failed call is
// taken at once, before anything else can change the thread's last error.
#include "platform/InternetService.h"
#include "platform/win32/Win32Api.h"
#include "platform/win32/Win32Libraries.h"

#include <wininet.h>

// The interface's operations bear the names that wininet.h makes macros of.
#undef FtpSetCurrentDirectory
#undef FtpOpenFile
#undef HttpOpenRequest

#include <climits>
#include <cstdlib>
#include <utility>

namespace brim {

namespace {

// The library and its entry points; unloaded when the last handle is gone.
struct TWinInet {
  HMODULE Module = nullptr;
  decltype(&::InternetGetLastResponseInfoA) LastResponseInfo = nullptr;
  decltype(&::InternetOpenA) Open = nullptr;
  decltype(&::InternetConnectA) Connect = nullptr;
  decltype(&::FtpSetCurrentDirectoryA) FtpSetDirectory = nullptr;
  decltype(&::InternetCloseHandle) Close = nullptr;
  decltype(&::InternetQueryDataAvailable) QueryDataAvailable = nullptr;
  decltype(&::InternetReadFile) ReadFile = nullptr;
  decltype(&::FtpOpenFileA) FtpOpenFile = nullptr;
  decltype(&::HttpOpenRequestA) HttpOpenRequest = nullptr;
  decltype(&::HttpSendRequestA) HttpSendRequest = nullptr;
  decltype(&::HttpQueryInfoA) HttpQueryInfo = nullptr;
  // Not one of the eleven: the timeouts are set when it is there.
  decltype(&::InternetSetOptionA) SetOption = nullptr;

  // The timeouts a session was given, for the requests made under it
  // (WinInet applies a receive timeout set on a request handle).
  DWORD ReceiveTimeoutMs = 0;

  // Sets the timeouts on a handle; 0 leaves WinInet's own.
  void ApplyTimeouts(HINTERNET handle, DWORD connectMs, DWORD receiveMs) {
    if (!SetOption) return;
    if (connectMs) SetOption(handle, INTERNET_OPTION_CONNECT_TIMEOUT, &connectMs, sizeof connectMs);
    if (!receiveMs) return;
    SetOption(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, &receiveMs, sizeof receiveMs);
    SetOption(handle, INTERNET_OPTION_SEND_TIMEOUT, &receiveMs, sizeof receiveMs);
    SetOption(handle, INTERNET_OPTION_DATA_RECEIVE_TIMEOUT, &receiveMs, sizeof receiveMs);
  }

  // The error of the last call that failed (0 after one that succeeded).
  TPlatformError LastError{TErrorDomain::WinInet, 0};

  ~TWinInet() {
    if (Module) ::FreeLibrary(Module);
  }
  bool Fail(DWORD code = ::GetLastError()) {
    if (code == 0) code = ERROR_INTERNET_INTERNAL_ERROR;
    LastError = code >= INTERNET_ERROR_BASE ? TPlatformError(TErrorDomain::WinInet, code)
                                            : TPlatformError::Win32(code);
    return false;
  }
  bool Succeed() {
    LastError = {TErrorDomain::WinInet, 0};
    return true;
  }
};
using TApiPtr = std::shared_ptr<TWinInet>;

// A WinInet handle, closed by Close or at the end.
template <class Interface>
class TWinInetHandle : public Interface {
 public:
  TWinInetHandle(TApiPtr api, HINTERNET handle) : api_(std::move(api)), handle_(handle) {}
  ~TWinInetHandle() override {
    if (handle_) api_->Close(handle_);
  }
  TWinInetHandle(const TWinInetHandle&) = delete;
  TWinInetHandle& operator=(const TWinInetHandle&) = delete;

  bool Close() override {
    if (!handle_) return api_->Succeed();
    if (!api_->Close(handle_)) return api_->Fail();
    handle_ = nullptr;
    return api_->Succeed();
  }

 protected:
  // The handle, or false with ERROR_INVALID_HANDLE once it is closed.
  bool Usable() { return handle_ ? true : api_->Fail(ERROR_INVALID_HANDLE); }

  TApiPtr api_;
  HINTERNET handle_;
};

class TWinInetFile : public TWinInetHandle<IInternetFile> {
 public:
  TWinInetFile(TApiPtr api, HINTERNET handle, bool http)
      : TWinInetHandle(std::move(api), handle), http_(http) {}

  bool SendRequest(const std::string& headers) override {
    if (!Usable()) return false;
    if (!api_->HttpSendRequest(handle_, headers.c_str(), static_cast<DWORD>(headers.size()),
                               nullptr, 0))
      return api_->Fail();
    // The length the answer announced, to tell a connection cut short from
    // the end of the file: WinInet reports both as a read of no bytes.
    std::string length;
    long long value = 0;
    if (QueryInfo(HTTP_QUERY_CONTENT_LENGTH, length) && !length.empty()) {
      char* end = nullptr;
      value = std::strtoll(length.c_str(), &end, 10);
      if (*end == '\0' && value >= 0) expected_ = value;
    }
    return api_->Succeed();
  }

  bool QueryInfo(uint32_t query, std::string& value) override {
    if (!Usable()) return false;
    char text[33] = {};
    DWORD size = sizeof text;
    if (!api_->HttpQueryInfo(handle_, query, text, &size, nullptr)) return api_->Fail();
    value.assign(text, size < sizeof text ? size : sizeof text - 1);
    return api_->Succeed();
  }

  bool QueryDataAvailable(uint32_t& bytes) override {
    bytes = 0;
    if (!Usable()) return false;
    DWORD available = 0;
    if (!api_->QueryDataAvailable(handle_, &available, 0, 0)) return api_->Fail();
    bytes = available;
    return api_->Succeed();
  }

  bool Read(void* buffer, uint32_t count, uint32_t& done) override {
    done = 0;
    if (!Usable()) return false;
    DWORD got = 0;
    if (!api_->ReadFile(handle_, buffer, count, &got)) return api_->Fail();
    done = got;
    received_ += got;
    if (http_ && got == 0 && expected_ >= 0 && received_ < expected_)
      return api_->Fail(ERROR_INTERNET_CONNECTION_ABORTED);
    return api_->Succeed();
  }

 private:
  bool http_;
  long long expected_ = -1;
  long long received_ = 0;
};

class TWinInetConnection : public TWinInetHandle<IInternetConnection> {
 public:
  using TWinInetHandle::TWinInetHandle;

  bool FtpSetCurrentDirectory(const std::string& directory) override {
    if (!Usable()) return false;
    if (!api_->FtpSetDirectory(handle_, directory.c_str())) return api_->Fail();
    return api_->Succeed();
  }

  std::unique_ptr<IInternetFile> FtpOpenFile(const std::string& name, uint32_t access,
                                             uint32_t flags) override {
    if (!Usable()) return nullptr;
    HINTERNET file = api_->FtpOpenFile(handle_, name.c_str(), access, flags, 0x80000000);
    if (!file) {
      api_->Fail();
      return nullptr;
    }
    api_->Succeed();
    return std::make_unique<TWinInetFile>(api_, file, false);
  }

  std::unique_ptr<IInternetFile> HttpOpenRequest(const std::string& verb,
                                                 const std::string& objectName,
                                                 uint32_t flags) override {
    if (!Usable()) return nullptr;
    HINTERNET request = api_->HttpOpenRequest(handle_, verb.c_str(), objectName.c_str(), nullptr,
                                              nullptr, nullptr, flags, 0);
    if (!request) {
      api_->Fail();
      return nullptr;
    }
    api_->ApplyTimeouts(request, 0, api_->ReceiveTimeoutMs);
    api_->Succeed();
    return std::make_unique<TWinInetFile>(api_, request, true);
  }
};

class TWinInetSession : public TWinInetHandle<IInternetSession> {
 public:
  using TWinInetHandle::TWinInetHandle;

  std::unique_ptr<IInternetConnection> Connect(
      const std::string& host, uint16_t port, TInternetServiceKind service,
      const std::optional<std::string>& user, const std::optional<std::string>& password) override {
    if (!Usable()) return nullptr;
    HINTERNET connection =
        api_->Connect(handle_, host.c_str(), port, user ? user->c_str() : nullptr,
                      password ? password->c_str() : nullptr, static_cast<DWORD>(service), 0, 0);
    if (!connection) {
      api_->Fail();
      return nullptr;
    }
    api_->Succeed();
    return std::make_unique<TWinInetConnection>(api_, connection);
  }

  void SetTimeouts(uint32_t connectMs, uint32_t receiveMs) override {
    if (!handle_) return;
    api_->ApplyTimeouts(handle_, connectMs, receiveMs);
    api_->ReceiveTimeoutMs = receiveMs;
  }
};

class TWinInetLibrary : public IInternetLibrary {
 public:
  explicit TWinInetLibrary(TApiPtr api) : api_(std::move(api)) {}

  std::unique_ptr<IInternetSession> Open(const std::string& agent, uint32_t accessType) override {
    HINTERNET session = api_->Open(agent.c_str(), accessType, nullptr, nullptr, 0);
    if (!session) {
      api_->Fail();
      return nullptr;
    }
    api_->Succeed();
    return std::make_unique<TWinInetSession>(api_, session);
  }

  TPlatformError LastError() const override { return api_->LastError; }

  std::optional<std::string> LastResponse() override {
    char text[3000] = {};
    DWORD error = 0, size = sizeof text;
    if (!api_->LastResponseInfo(&error, text, &size) || size == 0) return std::nullopt;
    return std::string(text, size < sizeof text ? size : sizeof text - 1);
  }

 private:
  TApiPtr api_;
};

class TWinInetService : public IInternetService {
 public:
  std::unique_ptr<IInternetLibrary> Load(std::string& missing) override {
    missing.clear();
    auto api = std::make_shared<TWinInet>();
    api->Module = LoadSystemLibrary("WININET.DLL");
    if (!api->Module) return nullptr;
    HMODULE m = api->Module;
    const char* const* name = InternetEntryPoints;
    bool found =
        ResolveEntry(m, api->LastResponseInfo, *name) && ResolveEntry(m, api->Open, *++name) &&
        ResolveEntry(m, api->Connect, *++name) && ResolveEntry(m, api->FtpSetDirectory, *++name) &&
        ResolveEntry(m, api->Close, *++name) && ResolveEntry(m, api->QueryDataAvailable, *++name) &&
        ResolveEntry(m, api->ReadFile, *++name) && ResolveEntry(m, api->FtpOpenFile, *++name) &&
        ResolveEntry(m, api->HttpOpenRequest, *++name) &&
        ResolveEntry(m, api->HttpSendRequest, *++name) &&
        ResolveEntry(m, api->HttpQueryInfo, *++name);
    if (!found) {
      missing = *name;
      return nullptr;
    }
    ResolveEntry(m, api->SetOption, "InternetSetOptionA");
    return std::make_unique<TWinInetLibrary>(api);
  }
};

}  // namespace

IInternetService& NativeInternetService() {
  static TWinInetService service;
  return service;
}

}  // namespace brim
