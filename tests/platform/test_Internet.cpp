// Answers read from an HTTP server through the internet service of this
// build (WinInet, or libcurl on the substitute machine), against a server
// of the test's own on 127.0.0.1: whole files, their Content-Length, and
// the WinInet error of each way a request fails.
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
  uint16_t Port() const { return socket_.Port; }

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

struct TFetched {
  TPlatformError Error{TErrorDomain::WinInet, 0};
  std::string Content;
  std::string Length;  // the Content-Length header, when there was one
};

// The whole answer to a GET of path, read in pieces of 4 KiB; the error of
// the first call that failed.
TFetched Fetch(uint16_t port, const std::string& path, uint32_t receiveTimeoutMs) {
  TFetched result;
  std::string missing;
  auto library = NativeInternetService().Load(missing);
  if (!library) {
    result.Error = {TErrorDomain::Win32, 126};
    return result;
  }
  auto session = library->Open("Brimwell test", 0);
  if (!session) return {library->LastError(), {}, {}};
  // The limits are generous because the suite runs beside others on a
  // loaded machine.
  session->SetTimeouts(20000, receiveTimeoutMs);
  auto connection = session->Connect("127.0.0.1", port, TInternetServiceKind::Http, "", "");
  if (!connection) return {library->LastError(), {}, {}};
  auto request = connection->HttpOpenRequest("GET", path, inetFlagReload | inetFlagNoCacheWrite);
  if (!request || !request->SendRequest("Accept: */*\r\n\r\n"))
    return {library->LastError(), {}, {}};
  if (!request->QueryInfo(inetQueryContentLength, result.Length)) {
    EXPECT_EQ(library->LastError().Code, inetHeaderNotFound);
    result.Length = "none";
  }
  char buffer[4096];
  for (uint32_t done = 1; done > 0;) {
    if (!request->Read(buffer, sizeof buffer, done)) {
      result.Error = library->LastError();
      return result;
    }
    result.Content.append(buffer, done);
  }
  EXPECT_TRUE(request->Close());
  EXPECT_TRUE(connection->Close());
  EXPECT_TRUE(session->Close());
  return result;
}

TEST(Internet, AnswersComeWholeAndFailuresCarryWinInetErrors) {
  TLoopbackHttpServer server;
  TLoopbackSocket closed;  // bound, never listening: nobody answers there
  std::string size = std::to_string(server.Payload.size());
  struct Case {
    uint16_t Port;
    std::string Path;
    uint32_t ReceiveTimeoutMs;
    uint32_t Error;
    std::string Content;
    std::string Length;
  } cases[] = {
      {server.Port(), "/payload.bin", 30000, 0, server.Payload, size},
      {server.Port(), "/moved", 30000, 0, server.Payload, size},
      // An error page is an answer like any other; reading it is the caller's choice.
      {server.Port(), "/nothing.here", 30000, 0, "not found", "9"},
      {server.Port(), "/silent", 300, inetTimeout, "", ""},
      {closed.Port, "/", 30000, inetCannotConnect, "", ""},
  };
  for (const auto& c : cases) {
    TFetched fetched = Fetch(c.Port, c.Path, c.ReceiveTimeoutMs);
    EXPECT_EQ(fetched.Error.Domain, TErrorDomain::WinInet) << c.Path;
    uint32_t code = fetched.Error.Code;
#ifdef _WIN32
    // Wine's WinInet ends a receive that timed out as a connection aborted.
    if (c.Error == inetTimeout && code == inetConnectionAborted) code = inetTimeout;
#endif
    EXPECT_EQ(code, c.Error) << c.Path << ": " << fetched.Error.Describe();
    EXPECT_EQ(fetched.Content, c.Content) << c.Path;
    EXPECT_EQ(fetched.Length, c.Length) << c.Path;
  }
}

TEST(Internet, TheLibraryLoadsWithEveryEntryPoint) {
  std::string missing = "not asked yet";
  auto library = NativeInternetService().Load(missing);
  ASSERT_NE(library, nullptr);
  EXPECT_EQ(missing, "");
  auto session = library->Open("", 0);
  ASSERT_NE(session, nullptr);
  // A closed handle is closed once; the destructor has nothing left to do.
  EXPECT_TRUE(session->Close());
}

}  // namespace
}  // namespace brim::test
