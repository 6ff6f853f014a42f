// Network install locations: a server (host, directory, protocol and
// login) from which archive files are fetched over FTP or HTTP. File
// containers and install files name one through their NetLocation
// property. This unit holds the location component, its login
// information and the exception family of downloads.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "objects/TComponent.h"

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
BRIM_EXCEPTION_CLASS(IENetList, ENIL);
BRIM_EXCEPTION_CLASS(ENIL_WriteDestFile, Exception);
BRIM_EXCEPTION_CLASS(ENIL_FailLoadWININET, Exception);
BRIM_EXCEPTION_CLASS(ENIL_FailLoadDLLProc, Exception);

enum class TInternetProtocol { ipFTP, ipHTTP };
extern const TEnumInfo InternetProtocolInfo;

// Progress of a download, once per block received: the location, the
// remote name, the block's size, the bytes so far, the expected size and
// the block. TDataReceivedEvent is the published event of file objects;
// the location's slot takes any callable.
using TDataReceivedSignature = void(TComponent* Sender, const std::string& FileName, int32_t Bytes,
                                    int32_t TotalBytes, int32_t FileSize, const void* Buffer);
using TDataReceivedEvent = TEvent<TDataReceivedSignature>;
using TDataReceivedHandler = std::function<TDataReceivedSignature>;

class TCustomNetInstallLocation;

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

class TCustomNetInstallLocation : public TComponent {
  BRIM_CLASS(TCustomNetInstallLocation)

 public:
  explicit TCustomNetInstallLocation(TComponent* owner);
  ~TCustomNetInstallLocation() override;

  TLoginInformation& LoginInformation() { return *login_; }
  const TLoginInformation& LoginInformation() const { return *login_; }

  // Filled by the file object being fetched for the length of its download.
  TDataReceivedHandler DataReceived;

  // Fetches the remote file into the local path, reporting each block
  // through DataReceived; an abort (NetAborted) ends it quietly.
  virtual void Download(const std::string& remoteName, const std::string& localPath);

 private:
  std::unique_ptr<TLoginInformation> login_;
};

// The network location of the installation (the one its NetLocation
// names), or null. A location that is freed stops being current.
TCustomNetInstallLocation* CurrentNetLocation();
void SetCurrentNetLocation(TCustomNetInstallLocation* location);

// Enough is filled in to connect: anonymous, a host name; otherwise any
// of the host name, the password and the user name.
bool LoginComplete(const TCustomLoginInformation& login);

// The download abort flag of the session: set by the user's Cancel, read
// after every block received.
bool NetAborted();
void SetNetAborted(bool value);

}  // namespace brim
