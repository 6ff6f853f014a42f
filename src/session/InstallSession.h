// The install session: the state one installation keeps for the life of a
// program (the installation itself, the lists the install units keep, the
// shared version reader, the main translator's hook, "a restart is
// required").
// A program or a test makes one TInstallSession; the state lives as long as
// it does and goes with it, in the reverse order of its creation. Sessions
// nest: a test's session stands in for the program's while it lives.
// Without one, a session that lasts as long as the process serves.
#pragma once

#include <memory>
#include <string>
#include <typeindex>
#include <utility>
#include <vector>

#include "common/exceptions_Brimwell.h"
#include "common/types_Brimwell.h"

namespace brim {

class TComponent;
class TInstallContainer;
class TPicture;

BRIM_IEXCEPTION_CLASS(IEInstall, IException);

// What the units below the engine need of the installation, which the
// engine provides.
class IInstallation {
 public:
  virtual ~IInstallation() = default;
  // The installation as the outermost install container.
  virtual TInstallContainer& RootContainer() = 0;
  virtual bool IsRunning() const = 0;
  virtual bool IsDestroying() const = 0;
  // The directory from which the setup runs.
  virtual const std::string& SourceDirectory() const = 0;
  virtual std::string ProductName() const = 0;
  // What the platform's list of installed software shows of the product
  // besides its name ("" when the definition has none).
  virtual std::string ProductVersion() const = 0;
  virtual std::string Publisher() const = 0;
  virtual std::string AboutURL() const = 0;
  // Whether the switch letter was given, and the text that followed it.
  virtual bool HasSwitch(char letter) const = 0;
  virtual const std::string& SwitchArgument(char letter) const = 0;
  // How the distribution is built and where install files come from.
  virtual TDistributeType DistributeType() const = 0;
  // The key of this installation's record ("" when there is none).
  virtual std::string RecordKey() const = 0;
  // Work for after the reboot: a component to complete (type 0) or a file
  // to delete (type 1).
  virtual void AddUnfinished(const std::string& name, int type) = 0;
  // The installation can only finish after Windows restarts.
  virtual void RequestReboot() = 0;
  // An installation run has begun in this process.
  virtual bool RunHasStarted() const = 0;
  // The definition's uninstaller is gone: the build adds none of its own.
  virtual void UninstallerRemoved() = 0;
  // The name of the language the setup shows its pages in, as "*LANG="
  // takes it ("German"); empty when it has no translator.
  virtual std::string LanguageName() const { return ""; }
  // Asks whether the user's abort may go ahead (OnUserAbort may veto it).
  virtual bool ConfirmUserAbort() = 0;
  // The picture the dialog pages show when their own is empty.
  virtual const TPicture& DialogThemePicture() const = 0;
};

class TInstallSession {
 public:
  TInstallSession();
  ~TInstallSession();
  TInstallSession(const TInstallSession&) = delete;
  TInstallSession& operator=(const TInstallSession&) = delete;

  // The one installation of the process, or null.
  IInstallation* Installation() const { return installation_; }
  void SetInstallation(IInstallation* installation) { installation_ = installation; }
  // A step that needs a restart records it here; the run restarts the
  // computer once, at its end.
  bool RestartRequired() const { return restartRequired_; }
  void RequireRestart() { restartRequired_ = true; }
  void ClearRestartRequired() { restartRequired_ = false; }

  // The main translator's hook: the translation of the system's messages
  // (SetMessageTranslation) is the session's. A session starts in English
  // and gives the one before it back when it ends.

  // The state of type T that a unit keeps in this session, made on first use.
  template <class T>
  T& State() {
    if (void* found = Find(typeid(T))) return *static_cast<T*>(found);
    auto owned = std::make_shared<T>();
    T& state = *owned;
    states_.emplace_back(typeid(T), std::move(owned));
    return state;
  }
  // The state of type T if it was made, or null; never makes it.
  template <class T>
  T* FindState() {
    return static_cast<T*>(Find(typeid(T)));
  }
  // True while the session is ending: state already gone is not remade.
  bool Ending() const { return ending_; }

 private:
  void* Find(std::type_index type) const;

  IInstallation* installation_ = nullptr;
  TMessageTranslation savedTranslation_;
  bool restartRequired_ = false;
  bool ending_ = false;
  TInstallSession* previous_ = nullptr;
  std::vector<std::pair<std::type_index, std::shared_ptr<void>>> states_;
};

// The current session: the innermost one alive, else the process's own.
TInstallSession& CurrentSession();
// The installation of the current session, or null.
inline IInstallation* CurrentInstallation() { return CurrentSession().Installation(); }

}  // namespace brim
