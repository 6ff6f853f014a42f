// The internet service of the posix build: WinInet's operations on libcurl.
// A connection keeps one curl multi handle, whose connection cache lets
// its transfers share the server connection as WinInet's do. Every
// transfer is an easy handle on it, driven in steps of at most 100 ms
// until what the operation waits for has arrived; received bytes wait in a
// buffer until read, and a full buffer pauses the transfer.
//
// FTP: Connect logs in (a transfer without a body), so an unknown host, a
// refused connection or a wrong password fail there as with WinInet. The
// current directory is kept here as an absolute path (the login directory
// joined with what was set) and every transfer names it in full, so each
// one finds the same directory whichever server connection it uses.
// HTTP: the request is made when it is sent; a missing host fails there.
#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <utility>
#include <vector>

#include "common/routines_Strings.h"
#include "platform/InternetService.h"

namespace brim {

namespace {

using TClock = std::chrono::steady_clock;

constexpr size_t kBufferLimit = 1 << 20;  // pause the transfer beyond this
constexpr int kStepMs = 100;
constexpr uint32_t kDefaultTimeoutMs = 60000;  // WinInet's defaults
constexpr uint32_t kErrorInvalidHandle = 6;

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
    case CURLE_QUOTE_ERROR:
    case CURLE_FTP_WEIRD_PASV_REPLY:
    case CURLE_FTP_WEIRD_227_FORMAT:
    case CURLE_FTP_COULDNT_SET_TYPE: return inetExtendedError;
    case CURLE_WEIRD_SERVER_REPLY: return 12152;  // ERROR_HTTP_INVALID_SERVER_RESPONSE
    case CURLE_PARTIAL_FILE:
    case CURLE_GOT_NOTHING:
    case CURLE_SEND_ERROR: return inetConnectionAborted;
    case CURLE_RECV_ERROR: return inetConnectionReset;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE: return inetInvalidCa;
    case CURLE_SSL_CONNECT_ERROR: return inetSecurityChannelError;
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

// The last FTP server response, which stays, as WinInet's does for its
// thread, until another server responds.
std::optional<std::string>& LastFtpResponse() {
  static std::optional<std::string> response;
  return response;
}

// What the library's calls leave behind: the last error.
struct TLibraryState {
  TPlatformError LastError;

  bool Fail(uint32_t code) {
    LastError =
        code >= 12000 ? TPlatformError(TErrorDomain::WinInet, code) : TPlatformError::Win32(code);
    return false;
  }
  void Succeed() { LastError = {TErrorDomain::WinInet, 0}; }
};
using TStatePtr = std::shared_ptr<TLibraryState>;

// What a connection's transfers share: the multi handle (and so the
// server connections it keeps) and the settings of the session.
struct TConnectionShared {
  TStatePtr State;
  CURLM* Multi = nullptr;
  std::string Agent;
  uint32_t ConnectMs = kDefaultTimeoutMs;
  uint32_t ReceiveMs = kDefaultTimeoutMs;
  std::string Host;
  uint16_t Port = 0;
  TInternetServiceKind Service = TInternetServiceKind::Http;
  std::optional<std::string> User, Password;

  ~TConnectionShared() {
    if (Multi) curl_multi_cleanup(Multi);
  }
  // The scheme, host and port of a URL; secure is HTTP over TLS.
  std::string Origin(bool secure = false) const {
    bool ftp = Service == TInternetServiceKind::Ftp;
    std::string host = Host.find(':') != std::string::npos ? "[" + Host + "]" : Host;
    return (ftp      ? "ftp://"
            : secure ? "https://"
                     : "http://") +
           host + ":" + std::to_string(Port ? Port : (ftp ? 21 : 80));
  }
};
using TSharedPtr = std::shared_ptr<TConnectionShared>;

// One transfer: an easy handle on the connection's multi handle.
class TTransfer {
 public:
  explicit TTransfer(TSharedPtr shared) : shared_(std::move(shared)), easy_(curl_easy_init()) {
    if (!easy_) return;
    Set(CURLOPT_PRIVATE, static_cast<void*>(this));
    Set(CURLOPT_NOSIGNAL, 1L);
    Set(CURLOPT_PROTOCOLS_STR, "http,https,ftp");
    Set(CURLOPT_REDIR_PROTOCOLS_STR, "http,https,ftp");
    // TLS always verifies the peer and its name; a private root comes
    // from the file BRIM_CA_FILE names.
    Set(CURLOPT_SSL_VERIFYPEER, 1L);
    Set(CURLOPT_SSL_VERIFYHOST, 2L);
    if (const char* roots = std::getenv("BRIM_CA_FILE"); roots && *roots)
      Set(CURLOPT_CAINFO, roots);
    Set(CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(shared_->ConnectMs));
    Set(CURLOPT_WRITEFUNCTION, &TTransfer::Arrived);
    Set(CURLOPT_WRITEDATA, this);
    Set(CURLOPT_HEADERFUNCTION, &TTransfer::HeaderArrived);
    Set(CURLOPT_HEADERDATA, this);
    if (!shared_->Agent.empty()) Set(CURLOPT_USERAGENT, shared_->Agent.c_str());
    if (shared_->User) Set(CURLOPT_USERNAME, shared_->User->c_str());
    if (shared_->Password) Set(CURLOPT_PASSWORD, shared_->Password->c_str());
    if (shared_->Service == TInternetServiceKind::Ftp) {
      Set(CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_SINGLECWD));
      Set(CURLOPT_IGNORE_CONTENT_LENGTH, 1L);  // RETR without SIZE first, as WinInet
      Set(CURLOPT_SERVER_RESPONSE_TIMEOUT, static_cast<long>((shared_->ReceiveMs + 999) / 1000));
    } else {
      Set(CURLOPT_FOLLOWLOCATION, 1L);
      if (shared_->User && !shared_->User->empty()) Set(CURLOPT_HTTPAUTH, CURLAUTH_BASIC);
    }
  }
  ~TTransfer() {
    Stop();
    if (!finalResponse_.empty()) LastFtpResponse() = finalResponse_;
  }
  // A file's transfer: the reply that ends it counts once the file is closed.
  void HoldFinalReply() { holdsFinalReply_ = true; }
  TTransfer(const TTransfer&) = delete;
  TTransfer& operator=(const TTransfer&) = delete;

  CURL* Easy() const { return easy_; }
  template <class V>
  void Set(CURLoption option, V value) {
    curl_easy_setopt(easy_, option, value);
  }

  // Starts the transfer and waits until ready() or its end. 0, or the
  // WinInet error of a transfer that failed.
  uint32_t Start(const std::string& url, const std::function<bool()>& ready) {
    if (!easy_ || !shared_->Multi) return inetInternalError;
    Set(CURLOPT_URL, url.c_str());
    if (curl_multi_add_handle(shared_->Multi, easy_) != CURLM_OK) return inetInternalError;
    added_ = true;
    return Wait(ready);
  }

  // Drives the transfer until ready() or its end. 0 once ready, else the
  // error of a transfer that failed: what arrived before a failure is
  // handed out first, and the failure then.
  uint32_t Wait(const std::function<bool()>& ready) {
    if (failed_) return failed_;
    lastProgress_ = TClock::now();  // the time the reader took is not the server's
    while (!done_ && !ready())
      if (uint32_t error = Step()) return Fail(error);
    if (ready()) return 0;
    return WinInetCode(result_);
  }

  // Up to count buffered bytes.
  uint32_t Take(void* buffer, uint32_t count) {
    auto n = static_cast<uint32_t>(std::min<size_t>(count, Buffered()));
    std::memcpy(buffer, buffer_.data() + readAt_, n);
    readAt_ += n;
    if (readAt_ == buffer_.size()) {
      buffer_.clear();
      readAt_ = 0;
    }
    if (paused_ && Buffered() < kBufferLimit) {
      paused_ = false;
      curl_easy_pause(easy_, CURLPAUSE_CONT);
    }
    return n;
  }
  size_t Buffered() const { return buffer_.size() - readAt_; }
  bool Done() const { return done_; }
  bool HeadersDone() const { return headersDone_; }
  int Status() const { return status_; }
  const std::vector<std::string>& Headers() const { return headers_; }

  // Takes the transfer off its multi handle; what it read stays.
  void Stop() {
    if (added_) curl_multi_remove_handle(shared_->Multi, easy_);
    added_ = false;
    if (easy_) curl_easy_cleanup(std::exchange(easy_, nullptr));
  }

 private:
  // Gives the transfer up; every later wait reports the error.
  uint32_t Fail(uint32_t error) {
    Stop();
    done_ = true;
    return failed_ = error;
  }

  static size_t Arrived(char* data, size_t size, size_t count, void* self) {
    auto* t = static_cast<TTransfer*>(self);
    if (t->Buffered() >= kBufferLimit) {
      t->paused_ = true;
      return CURL_WRITEFUNC_PAUSE;
    }
    t->buffer_.append(data, size * count);
    t->lastProgress_ = TClock::now();
    return size * count;
  }

  static size_t HeaderArrived(char* data, size_t size, size_t count, void* self) {
    auto* t = static_cast<TTransfer*>(self);
    std::string line(data, size * count);
    t->lastProgress_ = TClock::now();
    if (t->shared_->Service == TInternetServiceKind::Ftp) {
      // A response ends with a line "ddd text"; "ddd-" lines continue it.
      t->response_ += line;
      if (line.size() >= 4 && line[3] == ' ') {
        // WinInet reads the reply that ends a file's transfer when the file
        // is closed: until then the last response is the one that began it.
        if (t->transferBegun_)
          t->finalResponse_ = std::exchange(t->response_, {});
        else
          LastFtpResponse() = std::exchange(t->response_, {});
        if (line[0] == '1' && t->holdsFinalReply_) t->transferBegun_ = true;
      }
      return size * count;
    }
    if (StartsWithText(line, "HTTP/")) {
      t->headers_.clear();
      t->headersDone_ = false;
      size_t space = line.find(' ');
      t->status_ = space == std::string::npos ? 0 : std::atoi(line.c_str() + space + 1);
    } else if (line == "\r\n" || line == "\n") {
      // A redirect that is followed is not the answer yet.
      t->headersDone_ =
          t->status_ >= 200 && (t->status_ < 300 || t->status_ >= 400 || t->status_ == 304);
    } else {
      while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
      t->headers_.push_back(line);
    }
    return size * count;
  }

  // One step: waits up to kStepMs for something to happen; 0, or
  // ERROR_INTERNET_TIMEOUT when the server has said nothing for too long.
  uint32_t Step() {
    int running = 0;
    size_t before = buffer_.size();
    if (curl_multi_perform(shared_->Multi, &running) != CURLM_OK) return inetInternalError;
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(shared_->Multi, &left)) {
      if (message->msg != CURLMSG_DONE) continue;
      void* owner = nullptr;
      curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &owner);
      if (auto* t = static_cast<TTransfer*>(owner)) {
        t->done_ = true;
        t->result_ = message->data.result;
      }
    }
    if (!done_ && buffer_.size() == before)
      curl_multi_poll(shared_->Multi, nullptr, 0, kStepMs, nullptr);
    auto waited =
        std::chrono::duration_cast<std::chrono::milliseconds>(TClock::now() - lastProgress_);
    if (!done_ && !paused_ && waited.count() >= static_cast<long long>(shared_->ReceiveMs))
      return inetTimeout;
    return 0;
  }

  TSharedPtr shared_;
  CURL* easy_;
  bool added_ = false;
  std::string buffer_;
  size_t readAt_ = 0;
  bool paused_ = false;
  bool done_ = false;
  CURLcode result_ = CURLE_OK;
  uint32_t failed_ = 0;
  TClock::time_point lastProgress_;
  std::string response_;
  bool holdsFinalReply_ = false;
  bool transferBegun_ = false;
  std::string finalResponse_;
  std::vector<std::string> headers_;
  bool headersDone_ = false;
  int status_ = 0;
};

// A path with every segment escaped for a URL; the slashes stay.
std::string EscapePath(CURL* easy, const std::string& path) {
  std::string out;
  size_t start = 0;
  while (true) {
    size_t slash = path.find('/', start);
    std::string segment =
        path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
    if (char* escaped = curl_easy_escape(easy, segment.c_str(), static_cast<int>(segment.size()))) {
      out += escaped;
      curl_free(escaped);
    }
    if (slash == std::string::npos) return out;
    out += '/';
    start = slash + 1;
  }
}

// The FTP URL of a directory (and a name in it): the directory goes as
// one absolute CWD ("%2F" keeps its leading slash).
std::string FtpUrl(const TConnectionShared& shared, CURL* easy, const std::string& directory,
                   const std::string& name) {
  std::string dir = directory;
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  std::string path = dir == "/" ? "" : EscapePath(easy, dir.substr(1));
  return shared.Origin() + "/%2F" + path + "/" + EscapePath(easy, name);
}

class TCurlFile : public IInternetFile {
 public:
  TCurlFile(TSharedPtr shared, bool http, std::string url, std::string verb)
      : shared_(std::move(shared)),
        transfer_(std::make_unique<TTransfer>(shared_)),
        http_(http),
        url_(std::move(url)),
        verb_(std::move(verb)) {}

  bool Close() override {
    transfer_.reset();
    return true;
  }

  // FtpOpenFile: waits for the first bytes or the end of the transfer.
  bool OpenFtp() {
    transfer_->HoldFinalReply();
    uint32_t error = transfer_->Start(url_, [this] { return transfer_->Buffered() > 0; });
    if (error) return shared_->State->Fail(error);
    shared_->State->Succeed();
    return true;
  }

  bool SendRequest(const std::string& headers) override {
    TLibraryState& state = *shared_->State;
    if (!http_ || !transfer_ || sent_) return state.Fail(inetIncorrectHandleState);
    sent_ = true;
    for (size_t at = 0; at < headers.size();) {
      size_t end = headers.find("\r\n", at);
      std::string line =
          headers.substr(at, end == std::string::npos ? std::string::npos : end - at);
      if (!line.empty()) headerList_ = curl_slist_append(headerList_, line.c_str());
      if (end == std::string::npos) break;
      at = end + 2;
    }
    transfer_->Set(CURLOPT_HTTPHEADER, headerList_);
    if (verb_ == "HEAD")
      transfer_->Set(CURLOPT_NOBODY, 1L);
    else if (verb_ != "GET")
      transfer_->Set(CURLOPT_CUSTOMREQUEST, verb_.c_str());
    uint32_t error = transfer_->Start(
        url_, [this] { return transfer_->HeadersDone() || transfer_->Buffered() > 0; });
    if (error) return state.Fail(error);
    if (!transfer_->HeadersDone() && transfer_->Buffered() == 0)
      return state.Fail(12152);  // ended without an answer
    state.Succeed();
    return true;
  }

  bool QueryInfo(uint32_t query, std::string& value) override {
    TLibraryState& state = *shared_->State;
    if (!http_ || !transfer_ || !sent_) return state.Fail(inetIncorrectHandleState);
    if (query == inetQueryStatusCode && transfer_->Status() > 0) {
      value = std::to_string(transfer_->Status());
      state.Succeed();
      return true;
    }
    if (query != inetQueryContentLength)
      return state.Fail(12154);  // ERROR_HTTP_INVALID_QUERY_REQUEST
    for (const std::string& header : transfer_->Headers()) {
      size_t colon = header.find(':');
      if (colon != std::string::npos && SameText(Trim(header.substr(0, colon)), "Content-Length")) {
        value = Trim(header.substr(colon + 1));
        state.Succeed();
        return true;
      }
    }
    return state.Fail(inetHeaderNotFound);
  }

  bool QueryDataAvailable(uint32_t& bytes) override {
    bytes = 0;
    if (!Ready()) return false;
    uint32_t error = transfer_->Wait([this] { return transfer_->Buffered() > 0; });
    if (error) return shared_->State->Fail(error);
    bytes = static_cast<uint32_t>(std::min<size_t>(transfer_->Buffered(), UINT32_MAX));
    shared_->State->Succeed();
    return true;
  }

  bool Read(void* buffer, uint32_t count, uint32_t& done) override {
    done = 0;
    if (!Ready()) return false;
    uint32_t error = transfer_->Wait([this] { return transfer_->Buffered() > 0; });
    if (error) return shared_->State->Fail(error);
    done = transfer_->Take(buffer, count);
    shared_->State->Succeed();
    return true;
  }

  ~TCurlFile() override {
    transfer_.reset();
    if (headerList_) curl_slist_free_all(headerList_);
  }

 private:
  bool Ready() {
    if (!transfer_) return shared_->State->Fail(kErrorInvalidHandle);
    if (http_ && !sent_) return shared_->State->Fail(inetIncorrectHandleState);
    return true;
  }

  TSharedPtr shared_;
  std::unique_ptr<TTransfer> transfer_;
  bool http_;
  std::string url_;
  std::string verb_;
  bool sent_ = false;
  curl_slist* headerList_ = nullptr;
};

class TCurlConnection : public IInternetConnection {
 public:
  explicit TCurlConnection(TSharedPtr shared) : state_(shared->State), shared_(std::move(shared)) {}

  bool Close() override {
    shared_.reset();
    return true;
  }

  // Logs in: a transfer of the login directory without a body.
  bool LogIn() {
    TTransfer transfer(shared_);
    transfer.Set(CURLOPT_NOBODY, 1L);
    uint32_t error = transfer.Start(shared_->Origin() + "/", [] { return false; });
    if (error) return shared_->State->Fail(error);
    char* entry = nullptr;
    curl_easy_getinfo(transfer.Easy(), CURLINFO_FTP_ENTRY_PATH, &entry);
    current_ = entry && *entry == '/' ? entry : "/";
    shared_->State->Succeed();
    return true;
  }

  bool FtpSetCurrentDirectory(const std::string& directory) override {
    if (!Usable(TInternetServiceKind::Ftp)) return false;
    std::string target = StartsWithText(directory, "/") ? directory
                         : current_.ends_with('/')      ? current_ + directory
                                                        : current_ + "/" + directory;
    TTransfer transfer(shared_);
    transfer.Set(CURLOPT_NOBODY, 1L);
    uint32_t error =
        transfer.Start(FtpUrl(*shared_, transfer.Easy(), target, ""), [] { return false; });
    if (error) return shared_->State->Fail(error);
    current_ = target;
    shared_->State->Succeed();
    return true;
  }

  std::unique_ptr<IInternetFile> FtpOpenFile(const std::string& name, uint32_t access,
                                             uint32_t flags) override {
    if (!Usable(TInternetServiceKind::Ftp)) return nullptr;
    CURL* easy = curl_easy_init();
    std::string url = FtpUrl(*shared_, easy, current_, name);
    curl_easy_cleanup(easy);
    auto file = std::make_unique<TCurlFile>(shared_, false, url, "RETR");
    if (!file->OpenFtp()) return nullptr;
    return file;
  }

  std::unique_ptr<IInternetFile> HttpOpenRequest(const std::string& verb,
                                                 const std::string& objectName,
                                                 uint32_t flags) override {
    if (!Usable(TInternetServiceKind::Http)) return nullptr;
    shared_->State->Succeed();
    return std::make_unique<TCurlFile>(shared_, true,
                                       shared_->Origin((flags & inetFlagSecure) != 0) + objectName,
                                       verb.empty() ? "GET" : verb);
  }

 private:
  bool Usable(TInternetServiceKind service) {
    if (!shared_) return state_->Fail(kErrorInvalidHandle);
    if (shared_->Service != service) return state_->Fail(12018);  // INCORRECT_HANDLE_TYPE
    return true;
  }

  TStatePtr state_;
  TSharedPtr shared_;
  std::string current_ = "/";
};

class TCurlSession : public IInternetSession {
 public:
  TCurlSession(TStatePtr state, std::string agent)
      : state_(std::move(state)), agent_(std::move(agent)) {}

  bool Close() override {
    open_ = false;
    return true;
  }

  std::unique_ptr<IInternetConnection> Connect(
      const std::string& host, uint16_t port, TInternetServiceKind service,
      const std::optional<std::string>& user, const std::optional<std::string>& password) override {
    if (!open_) {
      state_->Fail(kErrorInvalidHandle);
      return nullptr;
    }
    auto shared = std::make_shared<TConnectionShared>();
    shared->State = state_;
    shared->Multi = curl_multi_init();
    shared->Agent = agent_;
    shared->ConnectMs = connectMs_;
    shared->ReceiveMs = receiveMs_;
    shared->Host = host;
    shared->Port = port;
    shared->Service = service;
    shared->User = user;
    shared->Password = password;
    if (!shared->Multi) {
      state_->Fail(inetInternalError);
      return nullptr;
    }
    auto connection = std::make_unique<TCurlConnection>(shared);
    if (service == TInternetServiceKind::Ftp && !connection->LogIn()) return nullptr;
    state_->Succeed();
    return connection;
  }

  void SetTimeouts(uint32_t connectMs, uint32_t receiveMs) override {
    connectMs_ = connectMs;
    receiveMs_ = receiveMs;
  }

 private:
  TStatePtr state_;
  std::string agent_;
  bool open_ = true;
  uint32_t connectMs_ = kDefaultTimeoutMs;
  uint32_t receiveMs_ = kDefaultTimeoutMs;
};

class TCurlLibrary : public IInternetLibrary {
 public:
  std::unique_ptr<IInternetSession> Open(const std::string& agent, uint32_t accessType) override {
    state_->Succeed();
    return std::make_unique<TCurlSession>(state_, agent);
  }
  TPlatformError LastError() const override { return state_->LastError; }
  std::optional<std::string> LastResponse() override { return LastFtpResponse(); }

 private:
  TStatePtr state_ = std::make_shared<TLibraryState>();
};

class TCurlInternetService : public IInternetService {
 public:
  std::unique_ptr<IInternetLibrary> Load(std::string& missing) override {
    static TCurlGlobal global;
    missing.clear();
    if (!global.ok) return nullptr;
    return std::make_unique<TCurlLibrary>();
  }
};

}  // namespace

IInternetService& NativeInternetService() {
  static TCurlInternetService service;
  return service;
}

}  // namespace brim
