#include "netlocation/cmp_TNetInstallLocation.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <map>
#include <utility>

#include "common/routines_Strings.h"
#include "platform/PlatformServices.h"
#include "platform/WindowService.h"
#include "session/InstallSession.h"

#pragma push_macro("LoadLibrary")
#undef LoadLibrary

namespace brim {

const TEnumInfo InternetProtocolInfo("TInternetProtocol", {"ipFTP", "ipHTTP", "ipHTTPS"});

TPersistent* TCustomLoginInformation::GetOwner() const { return location_; }

const TClassInfo& TCustomLoginInformation::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TCustomLoginInformation>("TCustomLoginInformation", &TPersistent::StaticClass())
          .Boolean("Anonymous", Field(&TCustomLoginInformation::Anonymous), true)
          .String("Directory", Field(&TCustomLoginInformation::Directory))
          .String("Hostname", Field(&TCustomLoginInformation::Hostname))
          .String("Password", Field(&TCustomLoginInformation::Password))
          .Enumeration("Protocol", Field(&TCustomLoginInformation::Protocol), InternetProtocolInfo,
                       static_cast<int64_t>(TInternetProtocol::ipHTTP))
          .String("Username", Field(&TCustomLoginInformation::Username))
          .Build();
  return info;
}

const TClassInfo& TLoginInformation::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TLoginInformation>("TLoginInformation", &TCustomLoginInformation::StaticClass())
          .Build();
  return info;
}

namespace {

// The network state of the session.
struct TNetLocationState {
  TCustomNetInstallLocationList Locations;
  TCustomNetInstallLocation* Current = nullptr;
  TCustomNetInstallLocation* Connecting = nullptr;
  bool Aborted = false;
};
TNetLocationState& State() { return CurrentSession().State<TNetLocationState>(); }

// Every named internet error code, and ERROR_INVALID_HANDLE.
const std::map<uint32_t, const char*>& ErrorNames() {
  static const std::map<uint32_t, const char*> names = {
      {6, "ERROR_INVALID_HANDLE"},
      {12001, "ERROR_INTERNET_OUT_OF_HANDLES"},
      {12002, "ERROR_INTERNET_TIMEOUT"},
      {12003, "ERROR_INTERNET_EXTENDED_ERROR"},
      {12004, "ERROR_INTERNET_INTERNAL_ERROR"},
      {12005, "ERROR_INTERNET_INVALID_URL"},
      {12006, "ERROR_INTERNET_UNRECOGNIZED_SCHEME"},
      {12007, "ERROR_INTERNET_NAME_NOT_RESOLVED"},
      {12008, "ERROR_INTERNET_PROTOCOL_NOT_FOUND"},
      {12009, "ERROR_INTERNET_INVALID_OPTION"},
      {12010, "ERROR_INTERNET_BAD_OPTION_LENGTH"},
      {12011, "ERROR_INTERNET_OPTION_NOT_SETTABLE"},
      {12012, "ERROR_INTERNET_SHUTDOWN"},
      {12013, "ERROR_INTERNET_INCORRECT_USER_NAME"},
      {12014, "ERROR_INTERNET_INCORRECT_PASSWORD"},
      {12015, "ERROR_INTERNET_LOGIN_FAILURE"},
      {12016, "ERROR_INTERNET_INVALID_OPERATION"},
      {12017, "ERROR_INTERNET_OPERATION_CANCELLED"},
      {12018, "ERROR_INTERNET_INCORRECT_HANDLE_TYPE"},
      {12019, "ERROR_INTERNET_INCORRECT_HANDLE_STATE"},
      {12020, "ERROR_INTERNET_NOT_PROXY_REQUEST"},
      {12021, "ERROR_INTERNET_REGISTRY_VALUE_NOT_FOUND"},
      {12022, "ERROR_INTERNET_BAD_REGISTRY_PARAMETER"},
      {12023, "ERROR_INTERNET_NO_DIRECT_ACCESS"},
      {12024, "ERROR_INTERNET_NO_CONTEXT"},
      {12025, "ERROR_INTERNET_NO_CALLBACK"},
      {12026, "ERROR_INTERNET_REQUEST_PENDING"},
      {12027, "ERROR_INTERNET_INCORRECT_FORMAT"},
      {12028, "ERROR_INTERNET_ITEM_NOT_FOUND"},
      {12029, "ERROR_INTERNET_CANNOT_CONNECT"},
      {12030, "ERROR_INTERNET_CONNECTION_ABORTED"},
      {12031, "ERROR_INTERNET_CONNECTION_RESET"},
      {12032, "ERROR_INTERNET_FORCE_RETRY"},
      {12036, "ERROR_INTERNET_HANDLE_EXISTS"},
      {12037, "ERROR_INTERNET_SEC_CERT_DATE_INVALID"},
      {12038, "ERROR_INTERNET_SEC_CERT_CN_INVALID"},
      {12041, "ERROR_INTERNET_MIXED_SECURITY"},
      {12045, "ERROR_INTERNET_INVALID_CA"},
      {12055, "ERROR_INTERNET_SEC_CERT_ERRORS"},
      {12110, "ERROR_FTP_TRANSFER_IN_PROGRESS"},
      {12111, "ERROR_FTP_DROPPED"},
      {12130, "ERROR_GOPHER_PROTOCOL_ERROR"},
      {12131, "ERROR_GOPHER_NOT_FILE"},
      {12132, "ERROR_GOPHER_DATA_ERROR"},
      {12133, "ERROR_GOPHER_END_OF_DATA"},
      {12134, "ERROR_GOPHER_INVALID_LOCATOR"},
      {12135, "ERROR_GOPHER_INCORRECT_LOCATOR_TYPE"},
      {12136, "ERROR_GOPHER_NOT_GOPHER_PLUS"},
      {12137, "ERROR_GOPHER_ATTRIBUTE_NOT_FOUND"},
      {12138, "ERROR_GOPHER_UNKNOWN_LOCATOR"},
      {12150, "ERROR_HTTP_HEADER_NOT_FOUND"},
      {12151, "ERROR_HTTP_DOWNLEVEL_SERVER"},
      {12152, "ERROR_HTTP_INVALID_SERVER_RESPONSE"},
      {12153, "ERROR_HTTP_INVALID_HEADER"},
      {12154, "ERROR_HTTP_INVALID_QUERY_REQUEST"},
      {12155, "ERROR_HTTP_HEADER_ALREADY_EXISTS"},
      {12157, "ERROR_INTERNET_SECURITY_CHANNEL_ERROR"},
  };
  return names;
}

// "host:port" as host and port; any other name as itself and port 0, the
// protocol's default.
std::pair<std::string, uint16_t> HostAndPort(const std::string& hostname) {
  size_t colon = hostname.rfind(':');
  if (colon == std::string::npos || colon == 0 || hostname.find(':') != colon) return {hostname, 0};
  std::string digits = hostname.substr(colon + 1);
  long long port = 0;
  if (digits.empty() || digits.size() > 5 ||
      digits.find_first_not_of("0123456789") != std::string::npos || !TryStrToInt64(digits, port) ||
      port < 1 || port > 65535)
    return {hostname, 0};
  return {hostname.substr(0, colon), static_cast<uint16_t>(port)};
}

// The local file a download writes: the received bytes go to a file
// beside the destination, which takes the destination's place once the
// download ends (or is aborted), so a download that fails never leaves a
// cut file under the destination's name.
class TLocalDownload {
 public:
  TLocalDownload(std::string owner, std::string path)
      : owner_(std::move(owner)), path_(std::move(path)), partial_(path_ + ".part") {
    file_ = PlatformFiles().Open(partial_, accWrite, shareNone, TFileCreation::CreateAlways);
    if (!file_) Fail();
  }
  ~TLocalDownload() {
    if (!finished_) Discard();
  }

  void Write(const void* data, uint32_t size) {
    uint32_t done = 0;
    if (!file_->Write(data, size, done) || done != size) {
      TPlatformError cause = TPlatformError::Last();
      if (!cause.Failed()) cause = TPlatformError::Win32(112);  // ERROR_DISK_FULL
      Fail(cause);
    }
  }
  // Puts the received file in the destination's place. A file already
  // there steps aside first and comes back when the move fails.
  void Finish() {
    file_.reset();
    IFileService& files = PlatformFiles();
    std::string aside = path_ + ".old";
    bool hadFile = files.GetAttributes(path_).has_value();
    if (hadFile) {
      files.DeleteFile(aside);
      if (!files.MoveFile(path_, aside)) Fail();
    }
    if (!files.MoveFile(partial_, path_)) {
      TPlatformError cause = TPlatformError::Last();
      if (hadFile) files.MoveFile(aside, path_);
      Fail(cause);
    }
    if (hadFile) files.DeleteFile(aside);
    finished_ = true;
  }
  // Removes what was received.
  void Discard() {
    file_.reset();
    PlatformFiles().DeleteFile(partial_);
    finished_ = true;
  }

 private:
  [[noreturn]] void Fail(TPlatformError cause = TPlatformError::Last()) {
    Discard();
    throw TCaused<ENIL_WriteDestFile>(cause, "%s could not write to the local dest file %s", owner_,
                                      path_);
  }

  std::string owner_;
  std::string path_;
  std::string partial_;
  std::unique_ptr<IFile> file_;
  bool finished_ = false;
};

}  // namespace

void TCustomNetInstallLocationList::Add(TCustomNetInstallLocation* location) {
  if (!location) throw IENetList("Cannot add a blank location to the global net location list");
  items_.push_back(location);
}

void TCustomNetInstallLocationList::Remove(TCustomNetInstallLocation* location) {
  std::erase(items_, location);
}

TCustomNetInstallLocationList& NetInstallLocationList() { return State().Locations; }
TCustomNetInstallLocation* CurrentNetLocation() { return State().Current; }
void SetCurrentNetLocation(TCustomNetInstallLocation* location) { State().Current = location; }
TCustomNetInstallLocation* ConnectingNetLocation() { return State().Connecting; }
bool NetAborted() { return State().Aborted; }
void SetNetAborted(bool aborted) { State().Aborted = aborted; }

bool LoginComplete(const TCustomLoginInformation& login) {
  auto filled = [](const std::string& s) { return !Trim(s).empty(); };
  if (login.Anonymous) return filled(login.Hostname);
  return filled(login.Hostname) || filled(login.Password) || filled(login.Username);
}

std::string ServerPath(const std::string& directory) {
  if (Trim(directory).empty()) return "/";
  std::string path = directory;
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

std::string HttpObjectName(const std::string& directory, const std::string& remoteName) {
  std::string path = ServerPath(directory);
  if (path.back() != '/') path += '/';
  // A request target begins with a slash; "pub/setup/A.1" is asked for as
  // "/pub/setup/A.1".
  if (path.front() != '/') path.insert(path.begin(), '/');
  return path + remoteName;
}

std::string InternetErrorName(uint32_t code) {
  auto found = ErrorNames().find(code);
  return found == ErrorNames().end() ? "Unregistered error code" : found->second;
}

TCustomNetInstallLocation::TCustomNetInstallLocation(TComponent* owner)
    : TComponent(owner), login_(std::make_unique<TLoginInformation>(this)) {
  NetInstallLocationList().Add(this);
}

TCustomNetInstallLocation::~TCustomNetInstallLocation() {
  TNetLocationState* state = CurrentSession().FindState<TNetLocationState>();
  if (state) {
    if (state->Connecting == this) state->Connecting = nullptr;
    if (state->Current == this) state->Current = nullptr;
  }
  file_.reset();
  Disconnect();
  // What did not close is closed as it goes, then the library is unloaded.
  connection_.reset();
  session_.reset();
  library_.reset();
  if (state) state->Locations.Remove(this);
}

void TCustomNetInstallLocation::LoadLibrary() {
  std::string missing;
  library_ = PlatformInternet().Load(missing);
  if (library_) return;
  if (missing.empty())
    throw ENIL_FailLoadWININET(
        std::string("Failed to load the Wininet.dll. If this is a hybrid installation, you might "
                    "want to include the WININET.DLL file in the PresetupFiles property of the "
                    "TInstall component"));
  if (missing.back() == 'A') missing.pop_back();
  throw ENIL_FailLoadDLLProc("Failed to load the procedure %s from WININET.DLL", missing);
}

void TCustomNetInstallLocation::AssignLoginInformation(const TCustomLoginInformation& value) {
  login_->Anonymous = value.Anonymous;
  login_->Directory = value.Directory;
  login_->Hostname = value.Hostname;
  login_->Password = value.Password;
  login_->Protocol = value.Protocol;
  login_->Username = value.Username;
  if (connection_ && !file_ && connection_->Close()) {
    connection_.reset();
    directorySet_.clear();
  }
}

std::string TCustomNetInstallLocation::ComposeMessage(const std::string& text,
                                                      TPlatformError& cause) {
  std::optional<std::string> response;
  if (library_) {
    cause = library_->LastError();
    response = library_->LastResponse();
  }
  std::string answer = response ? *response : "";
  while (!answer.empty() && std::isspace(static_cast<unsigned char>(answer.back())))
    answer.pop_back();
  TCustomNetInstallLocation* connecting = ConnectingNetLocation();
  return Format("%s. Error message %s. Server %s. Response from server %s", text,
                InternetErrorName(cause.Code),
                connecting ? connecting->LoginInformation().Hostname : std::string(),
                answer.empty() ? std::string("No server response") : answer);
}

void TCustomNetInstallLocation::Connect() {
  State().Connecting = this;
  if (!library_) LoadLibrary();
  if (!session_) {
    // The agent is the application's name, which is empty.
    session_ = library_->Open("", 0);
    if (!session_) throw Composed<ENIL_OpenSession>("Cannot open internet connection");
  }
  const TLoginInformation& login = *login_;
  bool ftp = login.Protocol == TInternetProtocol::ipFTP;
  if (!connection_) {
    auto [host, port] = HostAndPort(login.Hostname);
    if (port == 0 && login.Protocol == TInternetProtocol::ipHTTPS) port = inetDefaultHttpsPort;
    std::optional<std::string> user, password;
    if (!login.Anonymous) {
      user = login.Username;
      password = login.Password;
    } else if (!ftp) {
      user = password = std::string();
    }
    connection_ = session_->Connect(
        host, port, ftp ? TInternetServiceKind::Ftp : TInternetServiceKind::Http, user, password);
    if (!connection_) throw Composed<ENIL_OpenService>("Cannot connect to host %s", login.Hostname);
    directorySet_.clear();
  }
  if (!ftp) return;
  // The directory is set on every Connect. A relative one already set on
  // this connection is not set again: from there it would name a
  // directory below it.
  std::string path = ServerPath(login.Directory);
  if (path.front() != '/' && path == directorySet_) return;
  if (!connection_->FtpSetCurrentDirectory(path))
    throw Composed<ENIL_FTPSetDir>("Cannot set directory on server to %s", path);
  directorySet_ = path;
}

void TCustomNetInstallLocation::Disconnect() {
  if (connection_ && connection_->Close()) {
    connection_.reset();
    directorySet_.clear();
  }
  if (session_ && session_->Close()) session_.reset();
}

void TCustomNetInstallLocation::CloseRemoteFile(bool report) {
  if (!file_) return;
  bool closed = file_->Close();
  if (!closed && report) {
    auto error = Composed<ENIL_FTPCloseFile>("Cannot close the file %s on the server", remoteName_);
    file_.reset();
    throw error;
  }
  file_.reset();
}

void TCustomNetInstallLocation::Download(const std::string& remoteName,
                                         const std::string& localPath) {
  // What this download must match; the next one sets its own.
  const TExpectedDownload expected = std::exchange(Expected, TExpectedDownload{});
  Connect();
  remoteName_ = remoteName;
  localPath_ = localPath;
  CloseRemoteFile(false);
  if (login_->Protocol == TInternetProtocol::ipFTP) {
    file_ = connection_->FtpOpenFile(remoteName, inetGenericRead, inetFtpTransferBinary);
    if (!file_) throw Composed<ENIL_FTPOpenFile>("Cannot open file %s on server", remoteName);
  } else {
    uint32_t secure = login_->Protocol == TInternetProtocol::ipHTTPS ? inetFlagSecure : 0;
    file_ = connection_->HttpOpenRequest(
        "GET", HttpObjectName(login_->Directory, remoteName),
        inetFlagReload | inetFlagExistingConnect | inetFlagNoCacheWrite | secure);
    if (!file_) throw Composed<ENIL_HTTPOpenFile>("Cannot open file %s on server", remoteName);
    if (!file_->SendRequest("Accept: */*\r\n\r\n")) {
      auto error = Composed<ENIL_HTTPSendRequest>("Cannot send request for file %s to the server",
                                                  remoteName);
      CloseRemoteFile(false);
      throw error;
    }
  }
  try {
    ReceiveFile(expected);
  } catch (...) {
    CloseRemoteFile(false);
    throw;
  }
  CloseRemoteFile(true);
}

std::string TCustomNetInstallLocation::RemoteUrl() const {
  const TLoginInformation& login = *login_;
  switch (login.Protocol) {
    case TInternetProtocol::ipFTP:
      return "ftp://" + login.Hostname + ServerPath(login.Directory) + "/" + remoteName_;
    case TInternetProtocol::ipHTTPS:
      return "https://" + login.Hostname + HttpObjectName(login.Directory, remoteName_);
    default: return "http://" + login.Hostname + HttpObjectName(login.Directory, remoteName_);
  }
}

void TCustomNetInstallLocation::ReceiveFile(const TExpectedDownload& expected) {
  bool http = login_->Protocol != TInternetProtocol::ipFTP;
  // -1: the server did not say.
  int64_t announced = -1;
  if (http) {
    // Only a 200 answer carries the file; any other is refused before a
    // byte of its body is saved.
    std::string status;
    if (!file_->QueryInfo(inetQueryStatusCode, status))
      throw Composed<ENIL_FailDataQuery>("Could not query file %s on server", remoteName_);
    status = Trim(status);
    if (status == "404")
      throw ENIL_FileNotFound(
          "Could not find the file %s on the server: it answered 404 to the request for %s",
          remoteName_, RemoteUrl());
    if (status != "200")
      throw ENIL_HTTPStatus("The server answered %s to the request for %s", status, RemoteUrl());
    std::string length;
    if (file_->QueryInfo(inetQueryContentLength, length)) {
      long long value = 0;
      if (TryStrToInt64(Trim(length), value) && value >= 0) announced = value;
    } else if (library_->LastError().Code != inetHeaderNotFound) {
      throw Composed<ENIL_FailDataQuery>("Could not query file %s on server", remoteName_);
    }
  } else {
    uint32_t available = 0;
    if (!file_->QueryDataAvailable(available))
      throw Composed<ENIL_FailDataQuery>("Could not query file %s on server", remoteName_);
    announced = available;
  }
  // The most bytes the file may have: what the build recorded, else what
  // the caller allows, else what an HTTP server announced.
  int64_t limit = expected.Size >= 0    ? expected.Size
                  : expected.Limit >= 0 ? expected.Limit
                  : http                ? announced
                                        : -1;
  const int64_t reported = expected.Size >= 0 ? expected.Size : std::max<int64_t>(announced, 0);
  const auto fileSize = static_cast<int32_t>(std::min<int64_t>(reported, INT32_MAX));

  TLocalDownload local(Name(), localPath_);
  TSha256 sha;
  std::vector<char> block(BlockSize);
  int64_t received = 0;
  uint32_t got = 0;
  auto read = [&] {
    if (!file_->Read(block.data(), BlockSize, got))
      throw Composed<ENIL_ReadFile>("Could not read from file %s on the server", remoteName_);
  };
  read();
  // A server that answers a missing file with a page of its own: where the
  // build's hash is known, the hash decides instead.
  if (http && got > 0 && !expected.Digest) {
    std::string head = UpperCase(std::string(block.data(), std::min<uint32_t>(got, 30)));
    if (head.find("404") != std::string::npos)
      throw Composed<ENIL_FileNotFound>("Could not find the file %s on the server", remoteName_);
  }
  while (got > 0) {
    if (limit >= 0 && received + got > limit)
      throw ENIL_TooLarge("The file %s on the server is larger than the %d bytes expected of it",
                          remoteName_, limit);
    received += got;
    if (DataReceived)
      DataReceived(this, remoteName_, static_cast<int32_t>(got),
                   static_cast<int32_t>(std::min<int64_t>(received, INT32_MAX)), fileSize,
                   block.data());
    ProcessMessages();
    if (NetAborted()) {
      local.Finish();
      return;
    }
    if (expected.Digest) sha.Update(block.data(), got);
    local.Write(block.data(), got);
    read();
  }
  if (received == 0)
    throw Composed<ENIL_FileNotFound>("Could not find the file %s on the server", remoteName_);
  if (expected.Digest && (received != expected.Size || sha.Final() != *expected.Digest))
    throw ENIL_Mismatch(
        "The file %s from the server is not the one this setup was built with: its size or "
        "SHA-256 differs",
        remoteName_);
  local.Finish();
}

const TClassInfo& TCustomNetInstallLocation::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TCustomNetInstallLocation>("TCustomNetInstallLocation",
                                               &TComponent::StaticClass())
          .Creatable()
          .Object("LoginInformation",
                  [](TCustomNetInstallLocation& l) { return &l.LoginInformation(); })
          .Build();
  return info;
}

}  // namespace brim

#pragma pop_macro("LoadLibrary")
