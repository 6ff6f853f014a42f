// brimsetup: the setup program. It is the runtime plus one install
// definition, bound into the program as the resource "TINSTALATOR": the
// main form reads it, which creates the installation component; that one
// reads the command line (-b -c -d -e -f -r -s, "*" as another prefix) and
// chooses what the program does. Then the message loop runs until the
// application is terminated; the installation starts when the main window
// is first activated.
//
// The deployment words: "*QUIET" shows no window at all (every page and
// message box takes its default answer, errors go to the log and the exit
// status), "*PASSIVE" the progress only, "*LOG=FILE" writes the install log
// (opened as soon as the command line is read), "*INSTALLDIR=PATH" is the
// destination, "*LANG=NAME" the language.
//
// Exit status, as Windows installers give it: 0 installed (or the program
// ended normally); 3010 installed, and the installation finishes after a
// restart, whether the restart was asked for or refused; 1602 cancelled by
// the user; 1603 failed (the error shown first, or in the log); 1639 a bad
// command line.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "common/constants_Brimwell.h"
#include "dialogs/ordlg_TSelectDestinationForm.h"
#include "dialogs/ordlg_TWelcomeForm.h"
#include "engine/InstallDefinition.h"
#include "engine/TInstalator.h"
#include "engine/cmp_TInstall.h"
#include "platform/Platform.h"
#include "session/DeploymentOptions.h"
#include "session/InstallLog.h"
#include "widgets/Forms.h"
#include "widgets/UserInterface.h"

#ifdef __GLIBCXX__
// An exception nothing catches (main catches them all) ends the program
// here. The C++ library's own handler would name the exception's type
// through its demangler, 50 KB of every setup program for a message no
// user can act on.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
  std::fputs("brimsetup: terminated by an error nothing handled\n", stderr);
  std::abort();
}
}  // namespace __gnu_cxx
#endif

namespace brim {
namespace {

// The status of a run that ended: how its installation ended, or the error
// that kept it from running.
int StatusOfEnd(const TCustomInstall* install) {
  if (install && install->Ended)
    return install->EndedByUser ? exitUserCancelled : exitInstallFailed;
  if (install && install->EndedForReboot) return exitRestartRequired;
  return exitSuccess;
}

}  // namespace
}  // namespace brim

int main(int argc, char** argv) {
  using namespace brim;
  RestrictLibrarySearch();
  // Split as the system's programs split a command line, not as the C
  // runtime does: a backslash before a quote stays a backslash.
  SetProgramArguments(ProgramArgumentsOf(argc, argv));
  TInstallSession session;
  const TDeploymentOptions deployment = DeploymentWordsOf(ProgramArguments());
  if (!deployment.LogFile.empty() && !InstallLog().Open(deployment.LogFile)) {
    std::fprintf(stderr, "Cannot create the install log %s: %s\n", deployment.LogFile.c_str(),
                 PlatformSystem().ErrorMessage(PlatformSystem().LastError()).c_str());
    return exitInstallFailed;
  }
  LogEvent(TLogKind::Command, ProgramCommandLineText());
  std::optional<TDeploymentFrontEnd> frontEnd;
  if (deployment.Quiet || deployment.Passive)
    frontEnd.emplace(deployment.Quiet,
                     [](const std::string& text) { LogEvent(TLogKind::Info, text); });
  TApplication& application = Application();
  int status = exitSuccess;
  try {
    application.Initialize();
    RegisterInstallVocabulary();
    application.CreateForm<TInstalator>();
    application.CreateForm<TWelcomeForm>();
    application.CreateForm<TSelectDestinationForm>();
    bool showsWindow = !application.Terminated();
    TCustomInstall* install = CurrentInstall();
    if (frontEnd && install && install->WaitsForActivation() && !application.Terminated()) {
      // No main window: the run starts at once, and its errors go where
      // the message loop's would.
      try {
        install->FormActivated(application.MainForm());
      } catch (...) {
        application.HandleException(&application);
      }
    } else {
      application.Run();
    }
    install = CurrentInstall();
    status = StatusOfEnd(install);
    // The main window could not be made: the error was shown.
    TCustomForm* mainForm = application.MainForm();
    if (!frontEnd && showsWindow && mainForm && !mainForm->Window()) status = exitInstallFailed;
  } catch (const std::exception& e) {
    LogError(e);
    application.ShowException(e);
    status = dynamic_cast<const IEInstallParameter*>(&e) ? exitBadCommandLine : exitInstallFailed;
  }
  application.DestroyComponents();
  // A step that needed a restart asked for it: the computer restarts once, now.
  if (CurrentSession().RestartRequired() && !RestartWhenRequired() && status == exitSuccess)
    status = exitRestartRequired;
  LogEvent(TLogKind::Exit, std::to_string(status));
  return status;
}
