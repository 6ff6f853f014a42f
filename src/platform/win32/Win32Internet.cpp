// FTP and HTTP downloads through WinInet, loaded at run time from
// "WININET.DLL" so a system without it still runs everything else.
// WinInet's calls block; each runs on a worker thread while the caller asks
// the cancel callback every 100 ms. Cancelling closes the handle the call
// waits on, which makes WinInet give the call up, and the worker is joined
// before the call returns. Connect and receive timeouts are WinInet's own.
#include "platform/InternetService.h"
#include "platform/win32/Win32Api.h"

#include <wininet.h>

#include <chrono>
#include <functional>
#include <future>
#include <thread>
#include <utility>

#include "common/routines_Strings.h"

namespace brim {

namespace {

TPlatformError InetError(uint32_t code) { return {TErrorDomain::WinInet, code}; }

// The functions of WININET.DLL the service calls; null when it is missing.
struct TWinInet {
  decltype(&::InternetOpenA) Open = nullptr;
  decltype(&::InternetSetOptionA) SetOption = nullptr;
  decltype(&::InternetOpenUrlA) OpenUrl = nullptr;
  decltype(&::InternetReadFile) ReadFile = nullptr;
  decltype(&::InternetCloseHandle) Close = nullptr;
  decltype(&::HttpQueryInfoA) QueryInfo = nullptr;
  decltype(&::FtpGetFileSize) FtpFileSize = nullptr;

  bool Loaded() const {
    return Open && SetOption && OpenUrl && ReadFile && Close && QueryInfo && FtpFileSize;
  }
};

template <class F>
void Resolve(HMODULE module, F& function, const char* name) {
  function = reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

const TWinInet& WinInet() {
  static const TWinInet api = [] {
    TWinInet a;
    // Loaded once and kept for the program's life.
    HMODULE module = ::LoadLibraryA("WININET.DLL");
    if (!module) return a;
    Resolve(module, a.Open, "InternetOpenA");
    Resolve(module, a.SetOption, "InternetSetOptionA");
    Resolve(module, a.OpenUrl, "InternetOpenUrlA");
    Resolve(module, a.ReadFile, "InternetReadFile");
    Resolve(module, a.Close, "InternetCloseHandle");
    Resolve(module, a.QueryInfo, "HttpQueryInfoA");
    Resolve(module, a.FtpFileSize, "FtpGetFileSize");
    return a;
  }();
  return api;
}

// An internet handle closed once, by whoever closes it first.
class TInetHandle {
 public:
  TInetHandle() = default;
  explicit TInetHandle(HINTERNET handle) : handle_(handle) {}
  ~TInetHandle() { Close(); }
  TInetHandle(const TInetHandle&) = delete;
  TInetHandle& operator=(const TInetHandle&) = delete;
  HINTERNET Get() const { return handle_; }
  void Close() {
    if (HINTERNET handle = std::exchange(handle_, nullptr)) WinInet().Close(handle);
  }
  // Hands the handle over without closing it.
  HINTERNET Release() { return std::exchange(handle_, nullptr); }

 private:
  HINTERNET handle_ = nullptr;
};

// Runs a blocking call (which answers its thread's last error, 0 when it
// succeeded) on a worker thread, asking cancelled every 100 ms. On a true
// answer abort() makes the call give up; the worker is always joined.
TPlatformError RunCancellable(std::function<DWORD()> call, const std::function<bool()>& cancelled,
                              const std::function<void()>& abort) {
  std::packaged_task<DWORD()> task(std::move(call));
  std::future<DWORD> result = task.get_future();
  std::thread worker(std::move(task));
  bool cancel = false;
  while (result.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready)
    if (!cancel && cancelled && cancelled()) {
      cancel = true;
      abort();
    }
  worker.join();
  DWORD error = result.get();
  if (cancel) return InetError(inetOperationCancelled);
  return error == 0 ? TPlatformError{TErrorDomain::WinInet, 0} : TPlatformError{
      error >= INTERNET_ERROR_BASE ? TErrorDomain::WinInet : TErrorDomain::Win32, error};
}

DWORD ErrorOf(bool ok) {
  if (ok) return 0;
  DWORD error = ::GetLastError();
  return error != 0 ? error : inetInternalError;
}

class TWinInetFile : public IRemoteFile {
 public:
  TWinInetFile(HINTERNET handle, std::function<bool()> cancelled, bool http)
      : handle_(handle), cancelled_(std::move(cancelled)), http_(http) {}

  TPlatformError Read(void* buffer, uint32_t count, uint32_t& done) override {
    done = 0;
    if (!handle_.Get()) return InetError(inetOperationCancelled);
    DWORD got = 0;
    HINTERNET handle = handle_.Get();
    TPlatformError error = RunCancellable(
        [&] { return ErrorOf(WinInet().ReadFile(handle, buffer, count, &got)); }, cancelled_,
        [&] { handle_.Close(); });
    if (!error.Failed()) done = got;
    return error;
  }

  std::optional<uint64_t> Size() override {
    if (!handle_.Get()) return std::nullopt;
    if (http_) {
      char text[32] = {};
      DWORD size = sizeof text - 1;
      if (!WinInet().QueryInfo(handle_.Get(), HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr))
        return std::nullopt;
      long long length = 0;
      if (!TryStrToInt64(text, length) || length < 0) return std::nullopt;
      return static_cast<uint64_t>(length);
    }
    DWORD high = 0;
    DWORD low = WinInet().FtpFileSize(handle_.Get(), &high);
    if (low == INVALID_FILE_SIZE && ::GetLastError() != NO_ERROR) return std::nullopt;
    return (static_cast<uint64_t>(high) << 32) | low;
  }

  // The HTTP status of the answer; 0 when it has none.
  DWORD Status() {
    DWORD status = 0, size = sizeof status;
    if (!http_ || !WinInet().QueryInfo(handle_.Get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER,
                                       &status, &size, nullptr))
      return 0;
    return status;
  }

 private:
  TInetHandle handle_;
  std::function<bool()> cancelled_;
  bool http_;
};

class TWinInetSession : public IInternetSession {
 public:
  TWinInetSession(HINTERNET handle, std::function<bool()> cancelled)
      : handle_(handle), cancelled_(std::move(cancelled)) {}

  std::unique_ptr<IRemoteFile> OpenUrl(const std::string& url, TPlatformError& error) override {
    bool http = StartsWithText(url, "http://");
    if (!http && !StartsWithText(url, "ftp://")) {
      error = InetError(inetUnrecognizedScheme);
      return nullptr;
    }
    if (!handle_.Get()) {
      error = InetError(inetOperationCancelled);
      return nullptr;
    }
    HINTERNET session = handle_.Get(), file = nullptr;
    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PASSIVE |
                  INTERNET_FLAG_NO_UI;
    error = RunCancellable(
        [&] {
          file = WinInet().OpenUrl(session, url.c_str(), nullptr, 0, flags, 0);
          return ErrorOf(file != nullptr);
        },
        cancelled_, [&] { handle_.Close(); });
    if (error.Failed()) {
      if (file) WinInet().Close(file);
      return nullptr;
    }
    auto remote = std::make_unique<TWinInetFile>(file, cancelled_, http);
    DWORD status = remote->Status();
    if (http && (status < 200 || status >= 300)) {
      error = InetError(inetHttpStatusBase + status);
      return nullptr;
    }
    return remote;
  }

 private:
  TInetHandle handle_;
  std::function<bool()> cancelled_;
};

class TWinInetService : public IInternetService {
 public:
  std::unique_ptr<IInternetSession> OpenSession(const TInternetOptions& options,
                                                TPlatformError& error) override {
    const TWinInet& api = WinInet();
    if (!api.Loaded()) {
      error = {TErrorDomain::Win32, ERROR_MOD_NOT_FOUND};
      return nullptr;
    }
    TInetHandle handle(api.Open(options.Agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr,
                                nullptr, 0));
    if (!handle.Get()) {
      error = InetError(ErrorOf(false));
      return nullptr;
    }
    DWORD connect = options.ConnectTimeoutMs, receive = options.ReceiveTimeoutMs;
    api.SetOption(handle.Get(), INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof connect);
    api.SetOption(handle.Get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &receive, sizeof receive);
    api.SetOption(handle.Get(), INTERNET_OPTION_DATA_RECEIVE_TIMEOUT, &receive, sizeof receive);
    error = {TErrorDomain::WinInet, 0};
    return std::make_unique<TWinInetSession>(handle.Release(), options.Cancelled);
  }
};

}  // namespace

IInternetService& NativeInternetService() {
  static TWinInetService service;
  return service;
}

}  // namespace brim
