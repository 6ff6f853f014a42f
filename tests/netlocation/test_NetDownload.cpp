// Downloads of a network install location from real HTTP and FTP servers
// on 127.0.0.1, on both platforms: whole files with their progress, the
// system's message for each way a download fails, the abort flag,
// connection reuse, a refused local write and a connection dropped at
// every read. A download that fails leaves what was on the machine before.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "netlocation/TestServers.h"
#include "netlocation/cmp_TNetInstallLocation.h"
#include "platform/FaultInjection.h"
#include "platform/PlatformTest.h"

namespace brim::test {
namespace {

using TKind = TTestServer::TKind;
using enum TInternetProtocol;

constexpr uint32_t kBlock = TCustomNetInstallLocation::BlockSize;

// One progress report.
struct TReport {
  std::string FileName;
  int32_t Bytes, TotalBytes, FileSize;
};

class NetDownload : public PlatformTest {
 protected:
  static void SetUpTestSuite() {
    Http = std::make_unique<TTestServer>(TKind::Http);
    Ftp = std::make_unique<TTestServer>(TKind::Ftp);
    // Served by both: pub/setup/A.1 (three blocks and a bit), empty.1,
    // and over HTTP the same file without a length and cut short.
    for (const TTestServer* server : {Http.get(), Ftp.get()}) {
      server->Put("pub/setup/A.1", Payload());
      server->Put("A.1", Payload());
      server->Put("empty.1", "");
    }
    Http->Put("nolength/A.1", Payload());
    for (uint32_t cut : Cuts()) Http->Put("drop-" + std::to_string(cut) + "/A.1", Payload());
  }
  static void TearDownTestSuite() {
    Http.reset();
    Ftp.reset();
  }
  void SetUp() override {
    PlatformTest::SetUp();
    ASSERT_TRUE(Http->Started()) << Http->Problem();
    ASSERT_TRUE(Ftp->Started()) << Ftp->Problem();
  }

  static const std::string& Payload() {
    static const std::string payload = TestPayload(3 * kBlock + 500);
    return payload;
  }
  // Where a dropped connection ends: before the body, inside and at the
  // end of each block.
  static std::vector<uint32_t> Cuts() {
    return {0, 100, kBlock - 1, kBlock, kBlock + 1, 2 * kBlock, 3 * kBlock, 3 * kBlock + 499};
  }

  // A location on host with the protocol and directory, which records its
  // progress reports.
  std::unique_ptr<TCustomNetInstallLocation> Location(TInternetProtocol protocol,
                                                      const std::string& host,
                                                      const std::string& directory = "") {
    auto location = std::make_unique<TCustomNetInstallLocation>(nullptr);
    location->SetName("Mirror");
    TLoginInformation& login = location->LoginInformation();
    login.Protocol = protocol;
    login.Hostname = host;
    login.Directory = directory;
    location->DataReceived = [this](TComponent*, const std::string& name, int32_t bytes,
                                    int32_t total, int32_t size, const void*) {
      Reports.push_back({name, bytes, total, size});
    };
    return location;
  }
  const TTestServer& Server(TInternetProtocol protocol) const {
    return protocol == ipFTP ? *Ftp : *Http;
  }
  // The message and class of what the download raised; empty when none.
  std::pair<std::string, std::string> Failure(TCustomNetInstallLocation& location,
                                              const std::string& remote, const std::string& local) {
    try {
      location.Download(remote, local);
    } catch (const Exception& e) {
      return {e.ClassName(), e.Message()};
    }
    return {};
  }

  static inline std::unique_ptr<TTestServer> Http, Ftp;
  std::vector<TReport> Reports;
};

TEST_F(NetDownload, FilesArriveWholeInBlocksWithTheirProgress) {
  struct Case {
    TInternetProtocol Protocol;
    const char* Directory;
    bool Anonymous;
    int32_t FileSize;  // -1: what the FTP server had ready at first
  } cases[] = {
      {ipHTTP, "pub\\setup", true, static_cast<int32_t>(Payload().size())},
      {ipHTTP, "", true, static_cast<int32_t>(Payload().size())},
      {ipHTTP, "nolength", true, 0},
      {ipFTP, "pub\\setup", true, -1},
      {ipFTP, "/pub/setup", false, -1},
      {ipFTP, " ", false, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Directory) + (c.Protocol == ipFTP ? " over FTP" : " over HTTP"));
    Reports.clear();
    auto location = Location(c.Protocol, Server(c.Protocol).Host(), c.Directory);
    if (!c.Anonymous) {
      location->LoginInformation().Anonymous = false;
      location->LoginInformation().Username = "brim";
      location->LoginInformation().Password = "secret";
    }
    location->Download("A.1", At("A.1"));
    EXPECT_EQ(ReadFile(At("A.1")), Payload());
    EXPECT_FALSE(Exists(At("A.1.part")));
    ASSERT_FALSE(Reports.empty());
    int32_t total = 0;
    for (const TReport& r : Reports) {
      total += r.Bytes;
      EXPECT_EQ(r.FileName, "A.1");
      EXPECT_GT(r.Bytes, 0);
      EXPECT_LE(r.Bytes, static_cast<int32_t>(kBlock));
      EXPECT_EQ(r.TotalBytes, total);
      EXPECT_EQ(r.FileSize, Reports.front().FileSize);
    }
    EXPECT_EQ(total, static_cast<int32_t>(Payload().size()));
    if (c.FileSize >= 0)
      EXPECT_EQ(Reports.front().FileSize, c.FileSize);
    else
      EXPECT_TRUE(Reports.front().FileSize > 0 && Reports.front().FileSize <= total);
  }
}

// A composed message as its text up to the server, and the server's response.
std::pair<std::string, std::string> SplitResponse(const std::string& message) {
  const std::string mark = ". Response from server ";
  size_t at = message.find(mark);
  if (at == std::string::npos) return {message, "(none)"};
  return {message.substr(0, at), message.substr(at + mark.size())};
}

TEST_F(NetDownload, FailuresEndInTheSystemsMessageAndLeaveTheOldFile) {
  std::string closed = "127.0.0.1:1";  // nothing listens on port 1
  std::string http = Http->Host(), ftp = Ftp->Host();
  std::string notFound = ". Error message Unregistered error code. Server ";
  // The last FTP response stays until another FTP server answers, as
  // WinInet keeps it for the thread: HTTP failures show whatever it was.
  const char* anyResponse = nullptr;
  struct Case {
    TInternetProtocol Protocol;
    std::string Host;
    std::string Directory;
    std::string Remote;
    std::string Class;
    std::string Message;   // up to the server
    const char* Response;  // null: not the location's business
  } cases[] = {
      {ipHTTP, http, "pub", "missing.1", "ENIL_FileNotFound",
       "Could not find the file missing.1 on the server: it answered 404 to the request for "
       "http://" +
           http + "/pub/missing.1",
       anyResponse},
      {ipHTTP, http, "", "empty.1", "ENIL_FileNotFound",
       "Could not find the file empty.1 on the server" + notFound + http, anyResponse},
      {ipFTP, ftp, "", "empty.1", "ENIL_FileNotFound",
       "Could not find the file empty.1 on the server" + notFound + ftp,
       "125 Data connection already open. Transfer starting."},
      {ipHTTP, closed, "", "A.1", "ENIL_HTTPSendRequest",
       "Cannot send request for file A.1 to the server. Error message "
       "ERROR_INTERNET_CANNOT_CONNECT. Server " +
           closed,
       anyResponse},
      {ipFTP, closed, "", "A.1", "ENIL_OpenService",
       "Cannot connect to host " + closed +
           ". Error message ERROR_INTERNET_CANNOT_CONNECT. Server " + closed,
       anyResponse},
      {ipHTTP, "nosuchhost.invalid", "", "A.1", "ENIL_HTTPSendRequest",
       "Cannot send request for file A.1 to the server. Error message "
       "ERROR_INTERNET_NAME_NOT_RESOLVED. Server nosuchhost.invalid",
       anyResponse},
      {ipFTP, "nosuchhost.invalid", "", "A.1", "ENIL_OpenService",
       "Cannot connect to host nosuchhost.invalid. Error message ERROR_INTERNET_NAME_NOT_RESOLVED. "
       "Server nosuchhost.invalid",
       anyResponse},
      {ipFTP, ftp, "pub\\nothing", "A.1", "ENIL_FTPSetDir",
       "Cannot set directory on server to pub/nothing. Error message "
       "ERROR_INTERNET_EXTENDED_ERROR. "
       "Server " +
           ftp,
       "550 No such file or directory."},
      {ipFTP, ftp, "pub\\setup", "missing.1", "ENIL_FTPOpenFile",
       "Cannot open file missing.1 on server. Error message ERROR_INTERNET_EXTENDED_ERROR. "
       "Server " +
           ftp,
       "550 No such file or directory."},
      {ipHTTP, http, "drop-100", "A.1", "ENIL_ReadFile",
       "Could not read from file A.1 on the server. Error message "
       "ERROR_INTERNET_CONNECTION_ABORTED. "
       "Server " +
           http,
       anyResponse},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Host + " " + c.Directory + " " + c.Remote);
    WriteFile(At("old.1"), "what was here before");
    auto location = Location(c.Protocol, c.Host, c.Directory);
    auto [name, message] = Failure(*location, c.Remote, At("old.1"));
    auto [text, response] = SplitResponse(message);
    EXPECT_EQ(name, c.Class);
    EXPECT_EQ(text, c.Message);
    if (c.Response) {
      EXPECT_EQ(response, c.Response);
    }
    EXPECT_FALSE(response.empty());
    EXPECT_EQ(ReadFile(At("old.1")), "what was here before");
    EXPECT_FALSE(Exists(At("old.1.part")));
  }
}

TEST_F(NetDownload, AWrongPasswordIsALoginFailure) {
  auto location = Location(ipFTP, Ftp->Host());
  location->LoginInformation().Anonymous = false;
  location->LoginInformation().Username = "brim";
  location->LoginInformation().Password = "wrong";
  auto [name, message] = Failure(*location, "A.1", At("A.1"));
  EXPECT_EQ(name, "ENIL_OpenService");
  EXPECT_EQ(message, "Cannot connect to host " + Ftp->Host() +
                         ". Error message ERROR_INTERNET_LOGIN_FAILURE. Server " + Ftp->Host() +
                         ". Response from server 530 Authentication failed.");
  EXPECT_FALSE(Exists(At("A.1")));
}

TEST_F(NetDownload, AbortEndsQuietlyAfterTheBlockAndKeepsWhatWasWritten) {
  for (TInternetProtocol protocol : {ipHTTP, ipFTP}) {
    Reports.clear();
    auto location = Location(protocol, Server(protocol).Host(), "pub\\setup");
    location->DataReceived = [&](TComponent* sender, const std::string&, int32_t bytes, int32_t,
                                 int32_t, const void* buffer) {
      EXPECT_EQ(sender, location.get());
      Reports.push_back({"", bytes, 0, 0});
      if (Reports.size() == 2) SetNetAborted(true);
    };
    SetNetAborted(false);
    location->Download("A.1", At("A.1"));
    EXPECT_TRUE(NetAborted());
    EXPECT_EQ(Reports.size(), 2u);
    // The block that came with the abort is not written.
    EXPECT_EQ(ReadFile(At("A.1")), Payload().substr(0, Reports[0].Bytes));
  }
}

TEST_F(NetDownload, TwoDownloadsShareOneConnection) {
  for (TInternetProtocol protocol : {ipHTTP, ipFTP}) {
    const TTestServer& server = Server(protocol);
    auto location = Location(protocol, server.Host(), "pub\\setup");
    int before = server.Connections();
    location->Download("A.1", At("first"));
    location->Download("A.1", At("second"));
    // WinInet may take an HTTP connection kept from an earlier request.
    int connections = server.Connections() - before;
    if (protocol == ipFTP)
      EXPECT_EQ(connections, 1) << "FTP";
    else
      EXPECT_LE(connections, 1) << "HTTP";
    EXPECT_EQ(ReadFile(At("first")), Payload());
    EXPECT_EQ(ReadFile(At("second")), Payload());
    EXPECT_TRUE(location->HasConnection());
    location->Disconnect();
    EXPECT_FALSE(location->HasConnection());
    EXPECT_FALSE(location->HasSession());
    EXPECT_TRUE(location->LibraryLoaded());
  }
}

TEST_F(NetDownload, ARefusedLocalWriteLosesNothing) {
  struct Case {
    TFaultKind Kind;
    uint64_t Call;
  } cases[] = {{TFaultKind::FileOpen, 1},
               {TFaultKind::FileWrite, 1},
               {TFaultKind::FileWrite, 3},
               {TFaultKind::Move, 1},
               {TFaultKind::Move, 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.Kind) * 100 + static_cast<int>(c.Call));
    WriteFile(At("A.1"), "what was here before");
    auto location = Location(ipHTTP, Http->Host(), "pub\\setup");
    {
      TFaultInjectingServices faults;
      faults.FailCall(c.Kind, c.Call);
      TScopedPlatformServices scope(faults.Services());
      EXPECT_EQ(Failure(*location, "A.1", At("A.1")),
                std::pair(std::string("ENIL_WriteDestFile"),
                          "Mirror could not write to the local dest file " + At("A.1")));
    }
    EXPECT_EQ(ReadFile(At("A.1")), "what was here before");
    EXPECT_FALSE(Exists(At("A.1.part")));
    location->Download("A.1", At("A.1"));
    EXPECT_EQ(ReadFile(At("A.1")), Payload());
  }
}

TEST_F(NetDownload, AConnectionDroppedAtEveryReadFailsAndASecondAttemptCompletes) {
  for (uint32_t cut : Cuts()) {
    SCOPED_TRACE(cut);
    WriteFile(At("A.1"), "what was here before");
    auto location = Location(ipHTTP, Http->Host(), "drop-" + std::to_string(cut));
    auto [name, message] = Failure(*location, "A.1", At("A.1"));
    EXPECT_EQ(name, "ENIL_ReadFile");
    EXPECT_EQ(SplitResponse(message).first,
              "Could not read from file A.1 on the server. Error message "
              "ERROR_INTERNET_CONNECTION_ABORTED. Server " +
                  Http->Host());
    EXPECT_EQ(ReadFile(At("A.1")), "what was here before");
    EXPECT_FALSE(Exists(At("A.1.part")));
    location->AssignLoginInformation(
        Location(ipHTTP, Http->Host(), "pub\\setup")->LoginInformation());
    location->Download("A.1", At("A.1"));
    EXPECT_EQ(ReadFile(At("A.1")), Payload());
  }
}

TEST_F(NetDownload, TheDefaultPortsServeWhenTheTestsMayListenThere) {
  int served = 0;
  for (auto [kind, protocol] : {std::pair{TKind::Http, ipHTTP}, {TKind::Ftp, ipFTP}}) {
    TTestServer server(kind, kind == TKind::Http ? 80 : 21);
    if (!server.Started()) continue;  // not root, or the port is taken
    server.Put("pub/setup/A.1", Payload());
    auto location = Location(protocol, "127.0.0.1", "pub\\setup");
    location->Download("A.1", At("A.1"));
    EXPECT_EQ(ReadFile(At("A.1")), Payload());
    ++served;
  }
  if (served == 0) GTEST_SKIP() << "ports 80 and 21 need root";
}

// A server on the network path may answer with an error page, an endless
// body or another file: each is refused with the system's message, and
// the file that was there before stays.
TEST_F(NetDownload, WhatArrivesMustBeWhatWasExpected) {
  const std::string other = TestPayload(100) + "another archive";
  std::string swapped = Payload();
  swapped[5000] ^= 1;
  const std::string served404 = "404 is the first name in this archive" + Payload();
  Http->Put("pub/B.1", served404);
  auto exact = [](const std::string& bytes) {
    TExpectedDownload expected;
    expected.Size = static_cast<int64_t>(bytes.size());
    expected.Digest = Sha256Of(bytes);
    return expected;
  };
  TExpectedDownload limited;
  limited.Limit = 3 * kBlock;
  const std::string url = "http://" + Http->Host();
  struct Case {
    const char* Case;
    std::string Directory, Remote;
    TExpectedDownload Expected;
    std::string Class, Message;  // empty: the download succeeds
    std::string Content;
  } cases[] = {
      {"a 500 answer",
       "status-500",
       "A.1",
       {},
       "ENIL_HTTPStatus",
       "The server answered 500 to the request for " + url + "/status-500/A.1",
       ""},
      {"a 403 answer", "status-403", "A.1", exact(Payload()), "ENIL_HTTPStatus",
       "The server answered 403 to the request for " + url + "/status-403/A.1", ""},
      {"an endless body, a limit", "endless", "A.1", limited, "ENIL_TooLarge",
       "The file A.1 on the server is larger than the 24576 bytes expected of it", ""},
      {"an endless body, a known size", "endless", "A.1", exact(Payload()), "ENIL_TooLarge",
       "The file A.1 on the server is larger than the " + std::to_string(Payload().size()) +
           " bytes expected of it",
       ""},
      {"another file of the same size", "pub\\setup", "A.1", exact(swapped), "ENIL_Mismatch",
       "The file A.1 from the server is not the one this setup was built with: its size or "
       "SHA-256 differs",
       ""},
      {"a shorter file", "pub\\setup", "A.1", exact(Payload() + other), "ENIL_Mismatch",
       "The file A.1 from the server is not the one this setup was built with: its size or "
       "SHA-256 differs",
       ""},
      {"the expected file", "pub\\setup", "A.1", exact(Payload()), "", "", Payload()},
      {"\"404\" in a known archive", "pub", "B.1", exact(served404), "", "", served404},
      {"\"404\" where no hash is known",
       "pub",
       "B.1",
       {},
       "ENIL_FileNotFound",
       "Could not find the file B.1 on the server",
       ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Case);
    WriteFile(At("old.1"), "what was here before");
    auto location = Location(ipHTTP, Http->Host(), c.Directory);
    location->Expected = c.Expected;
    auto [name, message] = Failure(*location, c.Remote, At("old.1"));
    EXPECT_EQ(name, c.Class);
    EXPECT_EQ(message.substr(0, message.find(". Error message")), c.Message);
    EXPECT_EQ(ReadFile(At("old.1")), c.Class.empty() ? c.Content : "what was here before");
    EXPECT_FALSE(Exists(At("old.1.part")));
    EXPECT_FALSE(location->Expected.Digest) << "one download's expectation ends with it";
  }
}

}  // namespace
}  // namespace brim::test
