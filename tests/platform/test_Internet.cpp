// Files read from an HTTP server through the internet service of this
// build (WinInet, or libcurl on the substitute machine), against a server
// of the test's own on 127.0.0.1: whole files, their size, and the WinInet
// error of each way a download fails.
#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/InternetService.h"

namespace brim::test {
namespace {

#ifdef _WIN32
constexpr int kNoSignal = 0;
using TSocket = SOCKET;
void CloseSocket(TSocket s) { closesocket(s); }
// Winsock for the test program, from the first server on.
struct TWinsock {
  TWinsock() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
  }
};
#else
constexpr int kNoSignal = MSG_NOSIGNAL;  // a client gone is no reason to die
using TSocket = int;
void CloseSocket(TSocket s) { close(s); }
struct TWinsock {};
#endif

// Whether the socket has something to read (or a connection to accept)
// within ms milliseconds.
bool Readable(TSocket s, int ms) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(s, &set);
  timeval wait{ms / 1000, (ms % 1000) * 1000};
  return select(static_cast<int>(s) + 1, &set, nullptr, nullptr, &wait) > 0;
}

// A socket bound to a free port of 127.0.0.1; the port is in Port.
struct TLoopbackSocket {
  TWinsock Winsock;
  TSocket Fd = socket(AF_INET, SOCK_STREAM, 0);
  uint16_t Port = 0;
  TLoopbackSocket() {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (bind(Fd, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
        getsockname(Fd, reinterpret_cast<sockaddr*>(&address), &size) == 0)
      Port = ntohs(address.sin_port);
  }
  ~TLoopbackSocket() { CloseSocket(Fd); }
};

// Answers one request per connection: "/payload.bin" with Payload,
// "/moved" with a redirect to it, "/silent" with nothing at all (the
// connection stays open until the server stops), anything else with 404.
class TLoopbackHttpServer {
 public:
  std::string Payload;

  TLoopbackHttpServer() {
    for (size_t i = 0; i < 300000; ++i) Payload += static_cast<char>('a' + i * 7 % 26);
    listen(socket_.Fd, 8);
    thread_ = std::thread([this] { Serve(); });
  }
  ~TLoopbackHttpServer() {
    stop_ = true;
    thread_.join();
    for (TSocket fd : held_) CloseSocket(fd);
  }
  std::string Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(socket_.Port) + path;
  }

 private:
  void Serve() {
    while (!stop_) {
      if (!Readable(socket_.Fd, 50)) continue;
      TSocket fd = accept(socket_.Fd, nullptr, nullptr);
      if (fd == static_cast<TSocket>(-1)) continue;
      std::string request;
      char chunk[1024];
      while (request.find("\r\n\r\n") == std::string::npos) {
        int got = Readable(fd, 2000) ? recv(fd, chunk, sizeof chunk, 0) : 0;
        if (got <= 0) break;
        request.append(chunk, static_cast<size_t>(got));
      }
      std::string path = request.substr(4, request.find(' ', 4) - 4);
      std::string answer;
      if (path == "/payload.bin")
        answer = "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(Payload.size()) +
                 "\r\n\r\n" + Payload;
      else if (path == "/moved")
        answer = "HTTP/1.0 302 Found\r\nLocation: /payload.bin\r\nContent-Length: 0\r\n\r\n";
      else if (path != "/silent")
        answer = "HTTP/1.0 404 Not Found\r\nContent-Length: 9\r\n\r\nnot found";
      if (path == "/silent") {
        held_.push_back(fd);
        continue;
      }
      for (size_t at = 0; at < answer.size();) {
        int sent = send(fd, answer.data() + at, static_cast<int>(answer.size() - at), kNoSignal);
        if (sent <= 0) break;
        at += static_cast<size_t>(sent);
      }
      CloseSocket(fd);
    }
  }

  TLoopbackSocket socket_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  std::vector<TSocket> held_;
};

// The whole file, read in pieces of 4 KiB; the error of the open or the read.
TPlatformError Download(const std::string& url, const TInternetOptions& options,
                        std::string& content, std::optional<uint64_t>& size) {
  TPlatformError error;
  auto session = NativeInternetService().OpenSession(options, error);
  if (!session) return error;
  auto file = session->OpenUrl(url, error);
  if (!file) return error;
  size = file->Size();
  char buffer[4096];
  for (uint32_t done = 1; done > 0;) {
    error = file->Read(buffer, sizeof buffer, done);
    if (error.Failed()) return error;
    content.append(buffer, done);
  }
  return error;
}

TEST(Internet, FilesComeWholeAndFailuresCarryWinInetErrors) {
  TLoopbackHttpServer server;
  TLoopbackSocket closed;  // bound, never listening: nobody answers there
  struct Case {
    std::string Url;
    uint32_t ReceiveTimeoutMs;
    bool Cancel;
    uint32_t Error;
  } cases[] = {
      {server.Url("/payload.bin"), 30000, false, 0},
      {server.Url("/moved"), 30000, false, 0},
      {server.Url("/nothing.here"), 30000, false, inetHttpStatusBase + 404},
      {server.Url("/silent"), 300, false, inetTimeout},
      {server.Url("/silent"), 60000, true, inetOperationCancelled},
      {"http://127.0.0.1:" + std::to_string(closed.Port) + "/", 30000, false, inetCannotConnect},
      {"gopher://127.0.0.1/", 30000, false, inetUnrecognizedScheme},
  };
  for (const auto& c : cases) {
    int asked = 0;
    // Past 60 s the call is cancelled whatever the case: a timeout that
    // does not work fails the test instead of hanging it. The limits are
    // generous because the suite runs beside others on a loaded machine.
    auto start = std::chrono::steady_clock::now();
    TInternetOptions options{"Brimwell test", 20000, c.ReceiveTimeoutMs, [&] {
                               return (c.Cancel && ++asked > 1) ||
                                      std::chrono::steady_clock::now() - start >
                                          std::chrono::seconds(60);
                             }};
    std::string content;
    std::optional<uint64_t> size;
    TPlatformError error = Download(c.Url, options, content, size);
    EXPECT_EQ(error.Domain, TErrorDomain::WinInet) << c.Url;
    EXPECT_EQ(error.Code, c.Error) << c.Url << ": " << error.Describe();
    if (c.Error == 0) {
      EXPECT_EQ(content, server.Payload) << c.Url;
      EXPECT_EQ(size, server.Payload.size()) << c.Url;
    }
  }
}

}  // namespace
}  // namespace brim::test
