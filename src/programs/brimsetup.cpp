// brimsetup: the setup program. It is the runtime plus one install
// definition, bound into the program as the resource "TINSTALATOR": the
// main form reads it, which creates the installation component; that one
// reads the command line (-b -c -d -e -f -r -s, "*" as another prefix) and
// chooses what the program does. Then the message loop runs until the
// application is terminated; the installation starts when the main window
// is first activated.
//
// Exit status: 0 when the program ended normally; 1 when it could not
// start (a bad command line, a missing or damaged definition, no window:
// the error is shown first) or when its installation run ended by an
// error or an abort; 3010 when the installation finishes after a restart
// (its start after the reboot is registered), whether the restart was
// asked for or refused (then the message says to restart by hand).
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "dialogs/ordlg_TSelectDestinationForm.h"
#include "dialogs/ordlg_TWelcomeForm.h"
#include "engine/InstallDefinition.h"
#include "engine/TInstalator.h"
#include "engine/cmp_TInstall.h"
#include "platform/Platform.h"
#include "widgets/Forms.h"

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

int main(int argc, char** argv) {
  using namespace brim;
  // Split as the system's programs split a command line, not as the C
  // runtime does: a backslash before a quote stays a backslash.
  SetProgramArguments(ProgramArgumentsOf(argc, argv));
  TInstallSession session;
  TApplication& application = Application();
  int status = 0;
  try {
    application.Initialize();
    RegisterInstallVocabulary();
    application.CreateForm<TInstalator>();
    application.CreateForm<TWelcomeForm>();
    application.CreateForm<TSelectDestinationForm>();
    bool showsWindow = !application.Terminated();
    application.Run();
    const TCustomInstall* install = CurrentInstall();
    if (install && install->Ended) status = 1;
    else if (install && install->EndedForReboot) status = exitRestartRequired;
    // The main window could not be made: the error was shown.
    TCustomForm* mainForm = application.MainForm();
    if (showsWindow && mainForm && !mainForm->Window()) status = 1;
  } catch (const std::exception& e) {
    application.ShowException(e);
    status = 1;
  }
  application.DestroyComponents();
  // A step that needed a restart asked for it: the computer restarts once, now.
  if (CurrentSession().RestartRequired() && !RestartWhenRequired() && status == 0)
    status = exitRestartRequired;
  return status;
}
