#include "netlocation/cmp_TNetInstallLocation.h"

#include "common/routines_Strings.h"
#include "session/InstallSession.h"

namespace brim {

const TEnumInfo InternetProtocolInfo("TInternetProtocol", {"ipFTP", "ipHTTP"});

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
// The session's network location.
struct TNetLocationState {
  TCustomNetInstallLocation* Current = nullptr;
  bool Aborted = false;
};
TNetLocationState& State() { return CurrentSession().State<TNetLocationState>(); }
}  // namespace

TCustomNetInstallLocation* CurrentNetLocation() { return State().Current; }
void SetCurrentNetLocation(TCustomNetInstallLocation* location) { State().Current = location; }

bool NetAborted() { return State().Aborted; }
void SetNetAborted(bool value) { State().Aborted = value; }

bool LoginComplete(const TCustomLoginInformation& login) {
  auto filled = [](const std::string& text) { return !Trim(text).empty(); };
  if (login.Anonymous) return filled(login.Hostname);
  return filled(login.Hostname) || filled(login.Password) || filled(login.Username);
}

void TCustomNetInstallLocation::Download(const std::string& remoteName, const std::string& localPath) {
  throw ENIL_OpenSession("Cannot download %s into %s: the location %s has no internet service",
                         remoteName, localPath, Name());
}

TCustomNetInstallLocation::TCustomNetInstallLocation(TComponent* owner)
    : TComponent(owner), login_(std::make_unique<TLoginInformation>(this)) {}

TCustomNetInstallLocation::~TCustomNetInstallLocation() {
  TNetLocationState* state = CurrentSession().FindState<TNetLocationState>();
  if (state && state->Current == this) state->Current = nullptr;
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
