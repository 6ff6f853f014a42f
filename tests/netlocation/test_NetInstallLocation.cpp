// Network install locations as a definition declares them, and the rules
// of a location that need no server: the login, the server paths, the
// names of errors, the session's lists and flags, a missing library.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "engine/DefinitionTestForm.h"
#include "netlocation/cmp_TNetInstallLocation.h"
#include "platform/PlatformServices.h"
#include "platform/PlatformTest.h"

namespace brim::test {
namespace {

TEST(NetLocation, LoginInformationLoadsByDottedPath) {
  auto form = LoadComponents(R"(
    object Mirror: TCustomNetInstallLocation
      LoginInformation.Anonymous = False
      LoginInformation.Directory = '/pub/demo'
      LoginInformation.Hostname = 'ftp.example.com'
      LoginInformation.Password = 'secret'
      LoginInformation.Protocol = ipFTP
      LoginInformation.Username = 'demo'
    end)");
  auto* location = form->Find<TCustomNetInstallLocation>("Mirror");
  const TLoginInformation& login = location->LoginInformation();
  EXPECT_FALSE(login.Anonymous);
  EXPECT_EQ(login.Directory, "/pub/demo");
  EXPECT_EQ(login.Hostname, "ftp.example.com");
  EXPECT_EQ(login.Protocol, TInternetProtocol::ipFTP);
  EXPECT_EQ(login.Username, "demo");
  EXPECT_EQ(login.Location(), location);
  EXPECT_EQ(SavedNames(*form, "Mirror").size(), 6u);
}

TEST(NetLocation, AnonymousHttpIsTheDefault) {
  auto form = LoadComponents(R"(
    object Web: TCustomNetInstallLocation
      LoginInformation.Hostname = 'downloads.example.com'
    end)");
  const TLoginInformation& login = form->Find<TCustomNetInstallLocation>("Web")->LoginInformation();
  EXPECT_TRUE(login.Anonymous);
  EXPECT_EQ(login.Protocol, TInternetProtocol::ipHTTP);
  EXPECT_EQ(SavedNames(*form, "Web"), std::vector<std::string>{"LoginInformation.Hostname"});
  EXPECT_CONTAINS(
      LoadError("object W: TCustomNetInstallLocation\n LoginInformation.Protocol = ipGopher\nend"),
      "ipGopher is not a value of TInternetProtocol");
}

TEST(NetLocation, LoginIsCompleteWithAHostOrAnyNamedCredential) {
  struct Case {
    bool Anonymous;
    const char* Hostname;
    const char* Password;
    const char* Username;
    bool Complete;
  } cases[] = {
      {true, "ftp.example.com", "", "", true},
      {true, " ", "pw", "user", false},
      {true, "", "", "", false},
      {false, "", "pw", "", true},
      {false, "", "", "user", true},
      {false, "host", "", "", true},
      {false, " ", " ", "", false},
  };
  TCustomNetInstallLocation location(nullptr);
  for (const auto& c : cases) {
    TLoginInformation& login = location.LoginInformation();
    login.Anonymous = c.Anonymous;
    login.Hostname = c.Hostname;
    login.Password = c.Password;
    login.Username = c.Username;
    EXPECT_EQ(LoginComplete(login), c.Complete)
        << c.Anonymous << " '" << c.Hostname << "' '" << c.Password << "' '" << c.Username << "'";
  }
}

TEST(NetLocation, DirectoriesBecomeServerPathsAndRequestTargets) {
  struct Case {
    const char* Directory;
    const char* ServerPath;
    const char* ObjectName;  // of A.1
  } cases[] = {
      {"", "/", "/A.1"},
      {"   ", "/", "/A.1"},
      {"pub\\setup", "pub/setup", "/pub/setup/A.1"},
      {"\\pub\\setup\\", "/pub/setup/", "/pub/setup/A.1"},
      {"/pub", "/pub", "/pub/A.1"},
      {" my files\\v2", " my files/v2", "/ my files/v2/A.1"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ServerPath(c.Directory), c.ServerPath) << c.Directory;
    EXPECT_EQ(HttpObjectName(c.Directory, "A.1"), c.ObjectName) << c.Directory;
  }
}

TEST(NetLocation, ErrorCodesAreNamedAsThePlatformNamesThem) {
  struct Case {
    uint32_t Code;
    const char* Name;
  } cases[] = {
      {6, "ERROR_INVALID_HANDLE"},
      {12001, "ERROR_INTERNET_OUT_OF_HANDLES"},
      {12002, "ERROR_INTERNET_TIMEOUT"},
      {12007, "ERROR_INTERNET_NAME_NOT_RESOLVED"},
      {12029, "ERROR_INTERNET_CANNOT_CONNECT"},
      {12032, "ERROR_INTERNET_FORCE_RETRY"},
      {12036, "ERROR_INTERNET_HANDLE_EXISTS"},
      {12041, "ERROR_INTERNET_MIXED_SECURITY"},
      {12110, "ERROR_FTP_TRANSFER_IN_PROGRESS"},
      {12111, "ERROR_FTP_DROPPED"},
      {12130, "ERROR_GOPHER_PROTOCOL_ERROR"},
      {12138, "ERROR_GOPHER_UNKNOWN_LOCATOR"},
      {12150, "ERROR_HTTP_HEADER_NOT_FOUND"},
      {12155, "ERROR_HTTP_HEADER_ALREADY_EXISTS"},
      {0, "Unregistered error code"},
      {5, "Unregistered error code"},
      {12033, "Unregistered error code"},
      {12035, "Unregistered error code"},
      {12139, "Unregistered error code"},
      {12156, "Unregistered error code"},
  };
  for (const auto& c : cases) EXPECT_EQ(InternetErrorName(c.Code), c.Name) << c.Code;
  // Every code of the named ranges has its name.
  for (auto [first, last] : {std::pair{12001u, 12032u}, {12130u, 12138u}, {12150u, 12155u}})
    for (uint32_t code = first; code <= last; ++code)
      EXPECT_NE(InternetErrorName(code), "Unregistered error code") << code;
}

TEST(NetLocation, TheSessionKnowsEveryLocationTheCurrentOneAndTheAbortFlag) {
  auto first = std::make_unique<TCustomNetInstallLocation>(nullptr);
  auto second = std::make_unique<TCustomNetInstallLocation>(nullptr);
  TCustomNetInstallLocationList& list = NetInstallLocationList();
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Items(0), first.get());
  EXPECT_EQ(list.Items(1), second.get());
  try {
    list.Add(nullptr);
    ADD_FAILURE() << "a blank location was added";
  } catch (const IENetList& e) {
    EXPECT_EQ(e.Message(), "Cannot add a blank location to the global net location list");
  }
  EXPECT_EQ(list.Count(), 2);

  SetCurrentNetLocation(first.get());
  first.reset();
  EXPECT_EQ(CurrentNetLocation(), nullptr);
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Items(0), second.get());

  EXPECT_FALSE(NetAborted());
  SetNetAborted(true);
  EXPECT_TRUE(NetAborted());
}

// An internet service whose library lacks what it is told to.
class TMissingInternet : public IInternetService {
 public:
  explicit TMissingInternet(std::string missing) : missing_(std::move(missing)) {}
  std::unique_ptr<IInternetLibrary> Load(std::string& missing) override {
    ++Loads;
    missing = missing_;
    return nullptr;
  }
  int Loads = 0;

 private:
  std::string missing_;
};

TEST(NetLocation, AMissingLibraryFailsTheFirstDownloadNamingWhatIsMissing) {
  struct Case {
    const char* Missing;
    const char* Class;
    const char* Message;
  } cases[] = {
      {"", "ENIL_FailLoadWININET",
       "Failed to load the Wininet.dll. If this is a hybrid installation, you might want to "
       "include "
       "the WININET.DLL file in the PresetupFiles property of the TInstall component"},
      {"InternetGetLastResponseInfoA", "ENIL_FailLoadDLLProc",
       "Failed to load the procedure InternetGetLastResponseInfo from WININET.DLL"},
      {"InternetCloseHandle", "ENIL_FailLoadDLLProc",
       "Failed to load the procedure InternetCloseHandle from WININET.DLL"},
      {"HttpQueryInfoA", "ENIL_FailLoadDLLProc",
       "Failed to load the procedure HttpQueryInfo from WININET.DLL"},
  };
  for (const auto& c : cases) {
    TMissingInternet internet(c.Missing);
    TPlatformServices services;
    services.Internet = &internet;
    TScopedPlatformServices scope(services);
    TCustomNetInstallLocation location(nullptr);
    location.LoginInformation().Hostname = "127.0.0.1";
    EXPECT_EQ(internet.Loads, 0) << "the library is loaded before it is needed";
    try {
      location.Download("A.1", "C:\\A.1");
      ADD_FAILURE() << c.Missing << ": no error";
    } catch (const Exception& e) {
      EXPECT_STREQ(e.ClassName(), c.Class) << c.Missing;
      EXPECT_EQ(e.Message(), c.Message) << c.Missing;
    }
    EXPECT_EQ(internet.Loads, 1);
    EXPECT_FALSE(location.LibraryLoaded());
    EXPECT_EQ(ConnectingNetLocation(), &location);
  }
  EXPECT_EQ(ConnectingNetLocation(), nullptr);
}

// An internet library that serves "DATA" for every file and writes down
// each call the location makes, with its arguments.
struct TCallLog {
  std::vector<std::string> Calls;
  bool FailFileClose = false;
  TPlatformError Error{TErrorDomain::WinInet, 0};
};

class TLoggedFile : public IInternetFile {
 public:
  explicit TLoggedFile(TCallLog& log) : log_(log) {}
  bool Close() override {
    log_.Calls.push_back("close file");
    if (log_.FailFileClose) log_.Error = TPlatformError::Win32(6);
    return !log_.FailFileClose;
  }
  bool SendRequest(const std::string& headers) override {
    log_.Calls.push_back("send " + headers);
    return true;
  }
  bool QueryInfo(uint32_t query, std::string& value) override {
    log_.Calls.push_back("query " + std::to_string(query));
    value = query == inetQueryStatusCode ? "200" : "4";
    return true;
  }
  bool QueryDataAvailable(uint32_t& bytes) override {
    log_.Calls.push_back("available");
    bytes = 4;
    return true;
  }
  bool Read(void* buffer, uint32_t count, uint32_t& done) override {
    log_.Calls.push_back("read " + std::to_string(count));
    done = sent_ ? 0 : 4;
    if (!sent_) std::memcpy(buffer, "DATA", 4);
    sent_ = true;
    return true;
  }

 private:
  TCallLog& log_;
  bool sent_ = false;
};

class TLoggedConnection : public IInternetConnection {
 public:
  explicit TLoggedConnection(TCallLog& log) : log_(log) {}
  bool Close() override {
    log_.Calls.push_back("close connection");
    return true;
  }
  bool FtpSetCurrentDirectory(const std::string& directory) override {
    log_.Calls.push_back("cd " + directory);
    return true;
  }
  std::unique_ptr<IInternetFile> FtpOpenFile(const std::string& name, uint32_t access,
                                             uint32_t flags) override {
    log_.Calls.push_back(Format("ftp open %s %x %d", name, access, flags));
    return std::make_unique<TLoggedFile>(log_);
  }
  std::unique_ptr<IInternetFile> HttpOpenRequest(const std::string& verb,
                                                 const std::string& objectName,
                                                 uint32_t flags) override {
    log_.Calls.push_back(Format("http open %s %s %x", verb, objectName, flags));
    return std::make_unique<TLoggedFile>(log_);
  }

 private:
  TCallLog& log_;
};

class TLoggedSession : public IInternetSession {
 public:
  explicit TLoggedSession(TCallLog& log) : log_(log) {}
  bool Close() override {
    log_.Calls.push_back("close session");
    return true;
  }
  std::unique_ptr<IInternetConnection> Connect(
      const std::string& host, uint16_t port, TInternetServiceKind service,
      const std::optional<std::string>& user, const std::optional<std::string>& password) override {
    log_.Calls.push_back(Format("connect %s %d %d %s %s", host, port, static_cast<int>(service),
                                user ? "'" + *user + "'" : "none",
                                password ? "'" + *password + "'" : "none"));
    return std::make_unique<TLoggedConnection>(log_);
  }
  void SetTimeouts(uint32_t, uint32_t) override {}

 private:
  TCallLog& log_;
};

class TLoggedInternet : public IInternetService, public IInternetLibrary {
 public:
  TCallLog Log;
  std::unique_ptr<IInternetLibrary> Load(std::string& missing) override {
    Log.Calls.push_back("load");
    struct TLibrary : IInternetLibrary {
      TLoggedInternet& Owner;
      explicit TLibrary(TLoggedInternet& owner) : Owner(owner) {}
      std::unique_ptr<IInternetSession> Open(const std::string& agent, uint32_t access) override {
        return Owner.Open(agent, access);
      }
      TPlatformError LastError() const override { return Owner.LastError(); }
      std::optional<std::string> LastResponse() override { return Owner.LastResponse(); }
    };
    return std::make_unique<TLibrary>(*this);
  }
  std::unique_ptr<IInternetSession> Open(const std::string& agent, uint32_t access) override {
    Log.Calls.push_back(Format("open '%s' %d", agent, access));
    return std::make_unique<TLoggedSession>(Log);
  }
  TPlatformError LastError() const override { return Log.Error; }
  std::optional<std::string> LastResponse() override { return std::nullopt; }
};

// Downloads into a scratch directory through the logged library.
class NetLocationCalls : public PlatformTest {};

TEST_F(NetLocationCalls, TwoDownloadsMakeTheseLibraryCallsOnOneConnection) {
  const std::vector<std::string> httpFile = {"http open GET /pub/setup/A.1 A4000000",
                                             "send Accept: */*\r\n\r\n",
                                             "query 19",
                                             "query 5",
                                             "read 8192",
                                             "read 8192",
                                             "close file"};
  std::vector<std::string> httpsFile = httpFile;
  httpsFile[0] = "http open GET /pub/setup/A.1 A4800000";
  const std::vector<std::string> ftpFile = {"ftp open A.1 80000000 2", "available", "read 8192",
                                            "read 8192", "close file"};
  auto join = [](std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
  };
  using TCalls = std::vector<std::string>;
  struct Case {
    TInternetProtocol Protocol;
    bool Anonymous;
    const char* Hostname;
    const char* Directory;
    std::vector<std::string> Calls;  // of two downloads
  } cases[] = {
      {TInternetProtocol::ipHTTP, true, "example.com", "pub\\setup",
       join({{"load", "open '' 0", "connect example.com 0 3 '' ''"}, httpFile, httpFile})},
      {TInternetProtocol::ipHTTP, false, "example.com:8080", "/pub/setup",
       join({{"load", "open '' 0", "connect example.com 8080 3 'brim' 'secret'"},
             httpFile,
             httpFile})},
      // HTTPS: the secure flag, and port 443 unless the host names one.
      {TInternetProtocol::ipHTTPS, true, "example.com", "pub\\setup",
       join({{"load", "open '' 0", "connect example.com 443 3 '' ''"}, httpsFile, httpsFile})},
      // A relative directory is set once on a connection; from there it
      // would name another.
      {TInternetProtocol::ipFTP, true, "ftp.example.com:2121", "pub\\setup",
       join({{"load", "open '' 0", "connect ftp.example.com 2121 1 none none", "cd pub/setup"},
             ftpFile,
             ftpFile})},
      {TInternetProtocol::ipFTP, false, "ftp.example.com", "\\pub\\setup",
       join({{"load", "open '' 0", "connect ftp.example.com 0 1 'brim' 'secret'", "cd /pub/setup"},
             ftpFile,
             TCalls{"cd /pub/setup"},
             ftpFile})},
      {TInternetProtocol::ipFTP, true, "host:99999", "",
       join({{"load", "open '' 0", "connect host:99999 0 1 none none", "cd /"},
             ftpFile,
             TCalls{"cd /"},
             ftpFile})},
  };
  for (const auto& c : cases) {
    TLoggedInternet internet;
    TPlatformServices services;
    services.Internet = &internet;
    TScopedPlatformServices scope(services);
    TCustomNetInstallLocation location(nullptr);
    TLoginInformation& login = location.LoginInformation();
    login.Protocol = c.Protocol;
    login.Anonymous = c.Anonymous;
    login.Hostname = c.Hostname;
    login.Directory = c.Directory;
    login.Username = "brim";
    login.Password = "secret";
    location.Download("A.1", At("A.1"));
    location.Download("A.1", At("A.1"));
    EXPECT_EQ(ReadFile(At("A.1")), "DATA");
    std::vector<std::string> expected = c.Calls;
    expected.insert(expected.end(), {"close connection", "close session"});
    location.Disconnect();
    EXPECT_EQ(internet.Log.Calls, expected) << c.Hostname;
  }
}

TEST_F(NetLocationCalls, AFailedCloseOfTheRemoteFileIsAnError) {
  TLoggedInternet internet;
  internet.Log.FailFileClose = true;
  TPlatformServices services;
  services.Internet = &internet;
  TScopedPlatformServices scope(services);
  TCustomNetInstallLocation location(nullptr);
  location.LoginInformation().Hostname = "example.com";
  try {
    location.Download("A.1", At("A.1"));
    ADD_FAILURE() << "no error";
  } catch (const ENIL_FTPCloseFile& e) {
    EXPECT_EQ(e.Message(),
              "Cannot close the file A.1 on the server. Error message ERROR_INVALID_HANDLE. Server "
              "example.com. Response from server No server response");
    ASSERT_NE(CauseOf(e), nullptr);
    EXPECT_EQ(CauseOf(e)->Code, 6u);
  }
}

}  // namespace
}  // namespace brim::test
