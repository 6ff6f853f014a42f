// FTP and HTTP downloads of the posix build through libcurl. A transfer
// runs in a curl multi handle that the reader drives in steps of at most
// 100 ms, so the cancel callback and the receive timeout are looked at
// between steps; what arrives waits in a buffer until it is read, and a
// full buffer pauses the transfer.
#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <utility>

#include "common/routines_Strings.h"
#include "platform/InternetService.h"

namespace brim {

namespace {

using TClock = std::chrono::steady_clock;

constexpr size_t kBufferLimit = 1 << 20;  // pause the transfer beyond this
constexpr int kStepMs = 100;

TPlatformError InetError(uint32_t code) { return {TErrorDomain::WinInet, code}; }

// libcurl's result as the WinInet error a Windows program would see.
uint32_t WinInetCode(CURLcode code) {
  switch (code) {
    case CURLE_OK: return 0;
    case CURLE_UNSUPPORTED_PROTOCOL: return inetUnrecognizedScheme;
    case CURLE_URL_MALFORMAT: return inetInvalidUrl;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY: return inetNameNotResolved;
    case CURLE_COULDNT_CONNECT: return inetCannotConnect;
    case CURLE_OPERATION_TIMEDOUT: return inetTimeout;
    case CURLE_LOGIN_DENIED: return inetLoginFailure;
    case CURLE_ABORTED_BY_CALLBACK: return inetOperationCancelled;
    case CURLE_REMOTE_FILE_NOT_FOUND:
    case CURLE_REMOTE_ACCESS_DENIED:
    case CURLE_FTP_COULDNT_RETR_FILE:
    case CURLE_FTP_WEIRD_SERVER_REPLY: return inetExtendedError;
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE: return inetConnectionReset;
    case CURLE_SEND_ERROR: return inetConnectionAborted;
    default: return inetInternalError;
  }
}

struct TCurlGlobal {
  TCurlGlobal() { ok = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; }
  ~TCurlGlobal() {
    if (ok) curl_global_cleanup();
  }
  bool ok = false;
};

bool CurlReady() {
  static TCurlGlobal global;
  return global.ok;
}

class TCurlFile : public IRemoteFile {
 public:
  explicit TCurlFile(const TInternetOptions& options) : options_(options) {}
  ~TCurlFile() override {
    if (multi_ && easy_) curl_multi_remove_handle(multi_, easy_);
    if (easy_) curl_easy_cleanup(easy_);
    if (multi_) curl_multi_cleanup(multi_);
  }
  TCurlFile(const TCurlFile&) = delete;
  TCurlFile& operator=(const TCurlFile&) = delete;

  // Starts the transfer and waits for the first bytes (or its end), so a
  // file that cannot be had is an error of the open, as with WinInet.
  TPlatformError Open(const std::string& url) {
    multi_ = curl_multi_init();
    easy_ = curl_easy_init();
    if (!multi_ || !easy_) return InetError(inetInternalError);
    curl_easy_setopt(easy_, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy_, CURLOPT_PROTOCOLS_STR, "http,ftp");
    curl_easy_setopt(easy_, CURLOPT_REDIR_PROTOCOLS_STR, "http,ftp");
    curl_easy_setopt(easy_, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy_, CURLOPT_USERAGENT, options_.Agent.c_str());
    curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy_, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(options_.ConnectTimeoutMs));
    curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, &TCurlFile::Arrived);
    curl_easy_setopt(easy_, CURLOPT_WRITEDATA, this);
    curl_multi_add_handle(multi_, easy_);
    lastProgress_ = TClock::now();
    while (buffer_.empty() && !done_)
      if (TPlatformError error = Step(); error.Failed()) return error;
    if (done_ && result_ != CURLE_OK) return InetError(WinInetCode(result_));
    long status = 0;
    curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &status);
    if (StartsWithText(url, "http") && (status < 200 || status >= 300))
      return InetError(inetHttpStatusBase + static_cast<uint32_t>(status));
    return {};
  }

  TPlatformError Read(void* buffer, uint32_t count, uint32_t& done) override {
    done = 0;
    lastProgress_ = TClock::now();  // the time the reader took is not the server's
    while (readAt_ == buffer_.size() && !done_)
      if (TPlatformError error = Step(); error.Failed()) return error;
    if (readAt_ == buffer_.size()) return done_ ? InetError(WinInetCode(result_)) : TPlatformError{};
    done = static_cast<uint32_t>(std::min<size_t>(count, buffer_.size() - readAt_));
    std::memcpy(buffer, buffer_.data() + readAt_, done);
    readAt_ += done;
    if (readAt_ == buffer_.size()) {
      buffer_.clear();
      readAt_ = 0;
    }
    if (paused_) {
      paused_ = false;
      curl_easy_pause(easy_, CURLPAUSE_CONT);
    }
    return {};
  }

  std::optional<uint64_t> Size() override {
    curl_off_t length = -1;
    if (curl_easy_getinfo(easy_, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) != CURLE_OK ||
        length < 0)
      return std::nullopt;
    return static_cast<uint64_t>(length);
  }

 private:
  static size_t Arrived(char* data, size_t size, size_t count, void* self) {
    auto* file = static_cast<TCurlFile*>(self);
    if (file->buffer_.size() - file->readAt_ >= kBufferLimit) {
      file->paused_ = true;
      return CURL_WRITEFUNC_PAUSE;
    }
    file->buffer_.append(data, size * count);
    file->lastProgress_ = TClock::now();
    return size * count;
  }

  // One step of the transfer: waits up to kStepMs for something to
  // happen, then asks whether to go on.
  TPlatformError Step() {
    int running = 0;
    size_t before = buffer_.size();
    if (curl_multi_perform(multi_, &running) != CURLM_OK) return InetError(inetInternalError);
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multi_, &left))
      if (message->msg == CURLMSG_DONE && message->easy_handle == easy_) {
        done_ = true;
        result_ = message->data.result;
      }
    if (!done_ && buffer_.size() == before)
      curl_multi_poll(multi_, nullptr, 0, kStepMs, nullptr);
    if (options_.Cancelled && options_.Cancelled()) return InetError(inetOperationCancelled);
    auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(TClock::now() - lastProgress_);
    if (!done_ && !paused_ && options_.ReceiveTimeoutMs > 0 &&
        waited.count() >= static_cast<long long>(options_.ReceiveTimeoutMs))
      return InetError(inetTimeout);
    return {};
  }

  TInternetOptions options_;
  CURLM* multi_ = nullptr;
  CURL* easy_ = nullptr;
  std::string buffer_;
  size_t readAt_ = 0;
  bool paused_ = false;
  bool done_ = false;
  CURLcode result_ = CURLE_OK;
  TClock::time_point lastProgress_;
};

class TCurlSession : public IInternetSession {
 public:
  explicit TCurlSession(TInternetOptions options) : options_(std::move(options)) {}

  std::unique_ptr<IRemoteFile> OpenUrl(const std::string& url, TPlatformError& error) override {
    if (!StartsWithText(url, "http://") && !StartsWithText(url, "ftp://")) {
      error = InetError(inetUnrecognizedScheme);
      return nullptr;
    }
    auto file = std::make_unique<TCurlFile>(options_);
    error = file->Open(url);
    if (error.Failed()) return nullptr;
    return file;
  }

 private:
  TInternetOptions options_;
};

class TCurlInternetService : public IInternetService {
 public:
  std::unique_ptr<IInternetSession> OpenSession(const TInternetOptions& options,
                                                TPlatformError& error) override {
    if (!CurlReady()) {
      error = InetError(inetInternalError);
      return nullptr;
    }
    error = {TErrorDomain::WinInet, 0};
    return std::make_unique<TCurlSession>(options);
  }
};

}  // namespace

IInternetService& NativeInternetService() {
  static TCurlInternetService service;
  return service;
}

}  // namespace brim
