// Network install locations as a definition declares them, and the rules
// of a location that need no server: the login, the server paths, the
// names of errors, the session's lists and flags, a missing library.
#include <gtest/gtest.h>

#include "engine/DefinitionTestForm.h"
#include "netlocation/cmp_TNetInstallLocation.h"
#include "platform/PlatformServices.h"

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

}  // namespace
}  // namespace brim::test
