// Network install locations: a server (host, directory, protocol and
// login) from which archive files are fetched over FTP or HTTP. File
// containers and install files name one through their NetLocation
// property. This unit holds the location component, its login
// information, the exception family of downloads and the session's
// network state (every location, the current and the connecting one, the
// download abort flag).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/Sha256.h"
#include "objects/TComponent.h"
#include "platform/InternetService.h"

// windows.h names a macro LoadLibrary; the location's operation keeps the name.
#pragma push_macro("LoadLibrary")
#undef LoadLibrary

namespace brim {

BRIM_EXCEPTION_CLASS(ENIL_OpenSession, ENIL);
BRIM_EXCEPTION_CLASS(ENIL_OpenService, ENIL);
BRIM_EXCEPTION_CLASS(ENIL_FailDataQuery, ENIL);
BRIM_EXCEPTION_CLASS(ENIL_ReadFile, ENIL);
BRIM_EXCEPTION_CLASS(ENIL_FileNotFound, ENIL);
BRIM_EXCEPTION_CLASS(ENIL_FTP, ENIL);
BRIM_EXCEPTION_CLASS(ENIL_FTPSetDir, ENIL_FTP);
BRIM_EXCEPTION_CLASS(ENIL_FTPOpenFile, ENIL_FTP);
BRIM_EXCEPTION_CLASS(ENIL_FTPCloseFile, ENIL_FTP);
BRIM_EXCEPTION_CLASS(ENIL_HTTP, ENIL);
BRIM_EXCEPTION_CLASS(ENIL_HTTPOpenFile, ENIL_HTTP);
BRIM_EXCEPTION_CLASS(ENIL_HTTPSendRequest, ENIL_HTTP);
BRIM_EXCEPTION_CLASS(ENIL_HTTPStatus, ENIL_HTTP);
BRIM_EXCEPTION_CLASS(ENIL_TooLarge, ENIL);
BRIM_EXCEPTION_CLASS(ENIL_Mismatch, ENIL);
BRIM_EXCEPTION_CLASS(IENetList, ENIL);
BRIM_EXCEPTION_CLASS(ENIL_WriteDestFile, Exception);
BRIM_EXCEPTION_CLASS(ENIL_FailLoadWININET, Exception);
BRIM_EXCEPTION_CLASS(ENIL_FailLoadDLLProc, Exception);

// ipHTTPS is HTTP over TLS with the server's certificate verified; it
// comes after the two older values so stored definitions keep theirs.
enum class TInternetProtocol { ipFTP, ipHTTP, ipHTTPS };
extern const TEnumInfo InternetProtocolInfo;

// Progress of a download, once per block received: the location, the
// remote name, the block's size, the bytes so far, the expected size and
// the block. TDataReceivedEvent is the published event of file objects;
// the location's slot takes any callable, a lambda or such an event.
using TDataReceivedSignature = void(TComponent* Sender, const std::string& FileName, int32_t Bytes,
                                    int32_t TotalBytes, int32_t FileSize, const void* Buffer);
using TDataReceivedEvent = TEvent<TDataReceivedSignature>;
using TDataReceivedHandler = std::function<TDataReceivedSignature>;

class TCustomNetInstallLocation;

// What the file being fetched must be, when the caller knows: its exact
// size and SHA-256 (from the build's hash list), or only a size it cannot
// exceed. Without either, an HTTP answer's Content-Length is the limit.
struct TExpectedDownload {
  int64_t Size = -1;   // exact size, -1 unknown
  int64_t Limit = -1;  // at most this many bytes, -1 unknown
  std::optional<TSha256Digest> Digest;
};

// How to reach and log in to the server.
class TCustomLoginInformation : public TPersistent {
  BRIM_CLASS(TCustomLoginInformation)

 public:
  explicit TCustomLoginInformation(TCustomNetInstallLocation* location) : location_(location) {}
  TCustomNetInstallLocation* Location() const { return location_; }
  TPersistent* GetOwner() const override;

  bool Anonymous = true;
  std::string Directory;
  std::string Hostname;
  std::string Password;
  TInternetProtocol Protocol = TInternetProtocol::ipHTTP;
  std::string Username;

 private:
  TCustomNetInstallLocation* location_;
};

// The login information a location creates for itself.
class TLoginInformation : public TCustomLoginInformation {
  BRIM_CLASS(TLoginInformation)

 public:
  using TCustomLoginInformation::TCustomLoginInformation;
};

// A server and the download of files from it. The session and the
// connection stay open between downloads and close with the location.
class TCustomNetInstallLocation : public TComponent {
  BRIM_CLASS(TCustomNetInstallLocation)

 public:
  // Size of the blocks a download reads and reports.
  static constexpr uint32_t BlockSize = 8192;

  explicit TCustomNetInstallLocation(TComponent* owner);
  ~TCustomNetInstallLocation() override;

  TLoginInformation& LoginInformation() { return *login_; }
  const TLoginInformation& LoginInformation() const { return *login_; }

  // Loads the internet library and looks up its entry points; raises
  // ENIL_FailLoadWININET or ENIL_FailLoadDLLProc.
  virtual void LoadLibrary();
  // Copies the six login values; an open connection is closed, so the
  // next Connect uses them.
  virtual void AssignLoginInformation(const TCustomLoginInformation& value);
  // Becomes the connecting location, opens what is not open yet (library,
  // session, connection) and, for FTP, sets the server's directory.
  virtual void Connect();
  // Fetches remoteName from the server's directory into localPath,
  // reporting each block through DataReceived. Returns quietly when
  // NetAborted() is found set after a block; the local file then holds
  // what was received.
  virtual void Download(const std::string& remoteName, const std::string& localPath);
  // Closes the connection, then the session, each only if open.
  void Disconnect();

  bool LibraryLoaded() const { return library_ != nullptr; }
  bool HasSession() const { return session_ != nullptr; }
  bool HasConnection() const { return connection_ != nullptr; }
  // During a download: the remote name and the local path.
  const std::string& RemoteName() const { return remoteName_; }
  const std::string& LocalPath() const { return localPath_; }

  // Filled by the file object being fetched for the length of its download.
  TDataReceivedHandler DataReceived;
  // Set by the caller before a download; every download clears it.
  TExpectedDownload Expected;

 protected:
  // The library's error as an exception of class E, its message composed
  // from fmt and args, the error's name, the connecting host and the
  // server's last response.
  template <class E, class... A>
  TCaused<E> Composed(const std::string& fmt, A&&... args) {
    TPlatformError cause;
    std::string message = ComposeMessage(Format(fmt, std::forward<A>(args)...), cause);
    return TCaused<E>(cause, message);
  }


 private:
  std::string ComposeMessage(const std::string& text, TPlatformError& cause);
  void ReceiveFile(const TExpectedDownload& expected);
  // The address of the remote file, for messages.
  std::string RemoteUrl() const;
  // Closes the open remote file; raises ENIL_FTPCloseFile when report is
  // set and the close fails.
  void CloseRemoteFile(bool report);

  std::unique_ptr<TLoginInformation> login_;
  std::unique_ptr<IInternetLibrary> library_;
  std::unique_ptr<IInternetSession> session_;
  std::unique_ptr<IInternetConnection> connection_;
  std::unique_ptr<IInternetFile> file_;
  // The relative FTP directory set on the open connection.
  std::string directorySet_;
  std::string remoteName_;
  std::string localPath_;
};

// The locations alive in the session, in the order of their making. Every
// location adds itself when created and leaves when destroyed.
class TCustomNetInstallLocationList {
 public:
  // Raises IENetList for a null location.
  void Add(TCustomNetInstallLocation* location);
  void Remove(TCustomNetInstallLocation* location);
  int Count() const { return static_cast<int>(items_.size()); }
  TCustomNetInstallLocation* Items(int i) const { return items_.at(i); }

 private:
  std::vector<TCustomNetInstallLocation*> items_;
};
TCustomNetInstallLocationList& NetInstallLocationList();

// The network location of the installation (the one its NetLocation
// names), or null. A location that is freed stops being current.
TCustomNetInstallLocation* CurrentNetLocation();
void SetCurrentNetLocation(TCustomNetInstallLocation* location);
// The location that last started connecting, or null; its host is the
// server in error messages.
TCustomNetInstallLocation* ConnectingNetLocation();

// The download abort flag: set by a Cancel during a download, read after
// every block; it stays set once set.
bool NetAborted();
void SetNetAborted(bool aborted);

// Whether a login names enough to try: with Anonymous a host name; without
// it any of host name, password or user name.
bool LoginComplete(const TCustomLoginInformation& login);

// A directory as the server names it: blank is "/", backslashes become slashes.
std::string ServerPath(const std::string& directory);
// The request target of a file over HTTP: the directory's server path
// with a slash at its end, then the name; it always begins with "/".
std::string HttpObjectName(const std::string& directory, const std::string& remoteName);
// The symbolic name of an internet error code ("ERROR_INTERNET_TIMEOUT"),
// "Unregistered error code" for a code without one.
std::string InternetErrorName(uint32_t code);

}  // namespace brim

#pragma pop_macro("LoadLibrary")
