// FTP and HTTP downloads through WinInet, loaded at run time from
// "WININET.DLL" so a system without it still runs everything else.
// WinInet's calls block; each runs on a worker thread while the caller asks
// the cancel callback every 100 ms and watches the time. Cancelling (or a
// call that outlasts its timeout) closes the handle the call waits on,
// which makes WinInet give the call up; one that does not is left behind
// and cleans up after itself. WinInet's own timeouts are set as well.
#include "platform/InternetService.h"
#include "platform/win32/Win32Api.h"

#include <wininet.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

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

// One blocking WinInet call on a worker thread of its own, and what it
// made. Caller and worker share it, so a worker the caller gave up on (a
// WinInet that does not give a call up when its handle closes) still has
// everything it writes to; it closes what it opened once it ends.
struct TBlockingCall {
  std::mutex Lock;
  std::condition_variable Finished;
  bool Done = false;
  bool Abandoned = false;
  DWORD Error = 0;
  HINTERNET Opened = nullptr;  // what an open made
  std::vector<char> Data;      // what a read got
};

DWORD ErrorOf(bool ok) {
  if (ok) return 0;
  DWORD error = ::GetLastError();
  return error != 0 ? error : inetInternalError;
}

// Runs work (which sets Error, 0 when it succeeded) on a worker thread,
// asking cancelled every 100 ms and giving up after timeoutMs (0: never).
// Then abort() closes the handle the call waits on, and the worker gets
// two seconds to end before it is left to end alone.
TPlatformError RunCancellable(const std::shared_ptr<TBlockingCall>& call,
                              std::function<void(TBlockingCall&)> work,
                              const std::function<bool()>& cancelled, uint32_t timeoutMs,
                              const std::function<void()>& abort) {
  std::thread([call, work = std::move(work)] {
    work(*call);
    std::lock_guard<std::mutex> lock(call->Lock);
    call->Done = true;
    if (call->Abandoned && call->Opened) WinInet().Close(std::exchange(call->Opened, nullptr));
    call->Finished.notify_all();
  }).detach();
  auto start = std::chrono::steady_clock::now();
  std::unique_lock<std::mutex> lock(call->Lock);
  uint32_t stopped = 0;
  while (!call->Done && !stopped) {
    call->Finished.wait_for(lock, std::chrono::milliseconds(100));
    if (call->Done) break;
    lock.unlock();
    if (cancelled && cancelled())
      stopped = inetOperationCancelled;
    else if (timeoutMs > 0 && std::chrono::steady_clock::now() - start >
                                  std::chrono::milliseconds(timeoutMs))
      stopped = inetTimeout;
    if (stopped) abort();
    lock.lock();
  }
  if (stopped) {
    call->Finished.wait_for(lock, std::chrono::seconds(2), [&] { return call->Done; });
    if (!call->Done) call->Abandoned = true;
    if (call->Opened) WinInet().Close(std::exchange(call->Opened, nullptr));
    return InetError(stopped);
  }
  if (call->Error == 0) return {TErrorDomain::WinInet, 0};
  return {call->Error >= INTERNET_ERROR_BASE ? TErrorDomain::WinInet : TErrorDomain::Win32,
          call->Error};
}

class TWinInetFile : public IRemoteFile {
 public:
  TWinInetFile(HINTERNET handle, TInternetOptions options, bool http)
      : handle_(handle), options_(std::move(options)), http_(http) {}

  TPlatformError Read(void* buffer, uint32_t count, uint32_t& done) override {
    done = 0;
    if (!handle_.Get()) return InetError(inetOperationCancelled);
    auto call = std::make_shared<TBlockingCall>();
    HINTERNET handle = handle_.Get();
    TPlatformError error = RunCancellable(
        call,
        [handle, count](TBlockingCall& c) {
          c.Data.resize(count);
          DWORD got = 0;
          c.Error = ErrorOf(WinInet().ReadFile(handle, c.Data.data(), count, &got));
          c.Data.resize(c.Error == 0 ? got : 0);
        },
        options_.Cancelled, options_.ReceiveTimeoutMs, [&] { handle_.Close(); });
    if (error.Failed()) return error;
    std::memcpy(buffer, call->Data.data(), call->Data.size());
    done = static_cast<uint32_t>(call->Data.size());
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
  TInternetOptions options_;
  bool http_;
};

class TWinInetSession : public IInternetSession {
 public:
  TWinInetSession(HINTERNET handle, TInternetOptions options)
      : handle_(handle), options_(std::move(options)) {}

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
    HINTERNET session = handle_.Get();
    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PASSIVE |
                  INTERNET_FLAG_NO_UI;
    auto call = std::make_shared<TBlockingCall>();
    uint32_t timeout = options_.ConnectTimeoutMs && options_.ReceiveTimeoutMs
                           ? options_.ConnectTimeoutMs + options_.ReceiveTimeoutMs
                           : 0;
    error = RunCancellable(
        call,
        [session, url, flags](TBlockingCall& c) {
          c.Opened = WinInet().OpenUrl(session, url.c_str(), nullptr, 0, flags, 0);
          c.Error = ErrorOf(c.Opened != nullptr);
        },
        options_.Cancelled, timeout, [&] { handle_.Close(); });
    if (error.Failed()) return nullptr;
    HINTERNET file = std::exchange(call->Opened, nullptr);
    auto remote = std::make_unique<TWinInetFile>(file, options_, http);
    DWORD status = remote->Status();
    if (http && (status < 200 || status >= 300)) {
      error = InetError(inetHttpStatusBase + status);
      return nullptr;
    }
    return remote;
  }

 private:
  TInetHandle handle_;
  TInternetOptions options_;
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
    return std::make_unique<TWinInetSession>(handle.Release(), options);
  }
};

}  // namespace

IInternetService& NativeInternetService() {
  static TWinInetService service;
  return service;
}

}  // namespace brim
