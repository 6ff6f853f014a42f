// Real HTTP and FTP servers for download tests: Python's http.server and
// pyftpdlib (tests/netlocation/test_servers.py, run by /usr/bin/python3) on
// 127.0.0.1, serving a directory of the test's own. The win32 test program
// under Wine starts the same Unix python: Wine runs a Unix program named
// by CreateProcess. What the servers do beyond plain files (paths without
// Content-Length, connections cut after N bytes, "404" pages) is told in
// the script.
#pragma once

#include <cstdint>
#include <string>

namespace brim::test {

class TTestServer {
 public:
  enum class TKind { Http, Ftp };

  // Starts a server of the kind on port (0: one the system picks) and
  // waits until it listens; Started() tells whether it does.
  explicit TTestServer(TKind kind, uint16_t port = 0);
  ~TTestServer();
  TTestServer(const TTestServer&) = delete;
  TTestServer& operator=(const TTestServer&) = delete;

  bool Started() const { return port_ > 0; }
  // Why it did not start.
  const std::string& Problem() const { return problem_; }
  uint16_t Port() const { return static_cast<uint16_t>(port_); }
  // "127.0.0.1:port", as a location's Hostname names it.
  std::string Host() const { return "127.0.0.1:" + std::to_string(port_); }
  // Writes a file the server serves; the path is relative, with "/".
  void Put(const std::string& path, const std::string& content) const;
  // The connections the server accepted so far (FTP: control connections).
  int Connections() const;

 private:
  std::string root_;      // the served directory, as this program names it
  std::string portFile_;  // where the server tells its port
  int port_ = 0;
  std::string problem_;
  intptr_t process_ = 0;  // posix: the server's process id
};

// Some bytes of a given size that differ from block to block.
std::string TestPayload(size_t size);

}  // namespace brim::test
