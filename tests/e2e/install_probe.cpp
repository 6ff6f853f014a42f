// A small program that installs one file as an installation does, for the
// end-to-end checks of install files under Wine and on the substitute
// machine (BRIMWELL_MACHINE):
//   install_probe install SOURCE DESTDIR [activex] [shared]
//       compresses SOURCE into an archive in the temporary directory and
//       installs it into DESTDIR through a directory and an install file:
//       the replace decision, a destination in use replaced at the next
//       start, the COM registration (activex), the SharedDLLs count
//       (shared). Prints "installed" or "in use: replaced at the restart".
//   install_probe hold FILE SECONDS
//       holds FILE open (reading, others may only read) for SECONDS, as a
//       running program holds its files; FILE.held exists meanwhile. On
//       Windows it has a hidden top-level window and ends at once, letting
//       the file go, when the session ends (WM_ENDSESSION), as programs do
//       when Windows restarts.
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "archive/cmp_TQmbxCompress.h"
#include "common/exceptions_Brimwell.h"
#include "common/routines_Strings.h"
#include "components/cmp_TInstallContainer.h"
#include "platform/Platform.h"
#include "session/InstallSession.h"

using namespace brim;

namespace {

// Waits the seconds, or less when Windows ends the session first; then
// release runs before the end of the session is answered, as a program
// must let its files go then.
void WaitUnlessSessionEnds(int seconds, void (*release)());

// The file Hold holds, for the release at the end of the session.
std::unique_ptr<IFile> heldFile;
void ReleaseHeldFile() { heldFile.reset(); }

int Hold(const std::string& path, int seconds) {
  heldFile = PlatformFiles().Open(path, accRead, shareRead, TFileCreation::OpenExisting);
  if (!heldFile) throw Exception("Cannot open %s", path);
  auto marker = PlatformFiles().Open(path + ".held", accWrite, shareRead, TFileCreation::CreateAlways);
  marker.reset();
  WaitUnlessSessionEnds(seconds, ReleaseHeldFile);
  ReleaseHeldFile();
  PlatformFiles().DeleteFile(path + ".held");
  return 0;
}

int Install(const std::string& source, const std::string& destination, bool activeX, bool shared) {
  auto* directory = new TInstallDirectory(nullptr);
  auto* file = new TInstallFile(nullptr);
  file->SetIncludeFromDir(ExtractFileDir(source));
  file->SetFileName(source.substr(source.find_last_of('\\') + 1));
  file->SetContainer(directory);
  directory->SetDestDir(destination);
  file->SetActiveX(activeX);
  file->UpdateDLLCounter = shared;
  file->OverwriteMode = TOverwriteType::owAlways;

  auto temp = PlatformFiles().TempDirectory();
  if (!temp) throw Exception("No temporary directory");
  const std::string archive = *temp + "install_probe.1";
  {
    TQmbxCompress engine(nullptr);
    engine.SetCompressedFile(archive);
    engine.FilesToProcess().Add(file->SourceFile());
    engine.CompressFiles(TlzhCommand::lzcOverwrite, file->UniqueID);
  }
  directory->AssignArchive(archive, nullptr);
  directory->Process();
  std::printf("%s\n", file->InUse ? "in use: replaced at the restart" : "installed");
  PlatformFiles().DeleteFile(archive);
  directory->Free();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  try {
    TInstallSession session;
    if (args.size() == 3 && args[0] == "hold") return Hold(args[1], std::stoi(args[2]));
    if (args.size() >= 3 && args[0] == "install") {
      bool activeX = false, shared = false;
      for (size_t i = 3; i < args.size(); ++i) {
        activeX = activeX || args[i] == "activex";
        shared = shared || args[i] == "shared";
      }
      return Install(args[1], args[2], activeX, shared);
    }
    std::fprintf(stderr,
                 "usage: install_probe install SOURCE DESTDIR [activex] [shared]\n"
                 "       install_probe hold FILE SECONDS\n");
    return 2;
  } catch (const Exception& e) {
    std::fprintf(stderr, "install_probe: %s\n", MessageWithCause(e).c_str());
    return 1;
  }
}

// Last in the file: the Windows header's macros rename the platform
// services' members (DeleteFile) in whatever follows it.
#ifdef _WIN32
#include <windows.h>

namespace {

void (*releaseAtSessionEnd)() = nullptr;

LRESULT CALLBACK HolderWindowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_QUERYENDSESSION) return TRUE;
  if (message == WM_ENDSESSION && w) {
    // The system may end the process as soon as this returns.
    releaseAtSessionEnd();
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, w, l);
}

// A hidden top-level window receives the end of the session.
void WaitUnlessSessionEnds(int seconds, void (*release)()) {
  releaseAtSessionEnd = release;
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = HolderWindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "InstallProbeHolder";
  RegisterClassA(&windowClass);
  HWND window = CreateWindowExA(0, windowClass.lpszClassName, "install_probe hold", WS_OVERLAPPED,
                                0, 0, 10, 10, nullptr, nullptr, windowClass.hInstance, nullptr);
  SetTimer(window, 1, static_cast<UINT>(seconds) * 1000, nullptr);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (message.message == WM_TIMER) break;
    DispatchMessageA(&message);
  }
  DestroyWindow(window);
}

}  // namespace
#else
namespace {
void WaitUnlessSessionEnds(int seconds, void (*)()) {
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
}
}  // namespace
#endif
