// The windows of the win32 backend: real top-level windows of one window
// class, the thread's message queue and MessageBoxA. A callback of a
// window runs inside the window procedure, where no C++ exception may
// pass through the system's frames; what it throws is kept and thrown
// again once the call that let the system run it (the message step, Show,
// Maximize, ...) is back in our code.
//
// Under BRIMWELL_UI (auto, console, script) a message box never blocks:
// its text goes to the program's standard error (see StandardError).
#pragma once

#include <exception>
#include <optional>
#include <string>

#include "platform/Platform.h"
#include "platform/win32/Win32Api.h"

namespace brim {

class TWin32WindowService : public IWindowService {
 public:
  TWin32WindowService();

  std::unique_ptr<IWindow> CreateWindow(const std::string& caption, const TWindowBounds& bounds,
                                        TWindowCallbacks callbacks) override;
  TMessageStep ProcessMessage(bool wait) override;
  void PostQuit(int exitCode) override;
  int MessageBox(const std::string& text, const std::string& caption, uint32_t flags) override;
  TScreenMetrics ScreenMetrics() override;
  // True when a window can be made: Wine without an X display makes none.
  bool OnScreen() const override;

  // Keeps the first exception a callback threw; RethrowPending throws it.
  void Keep(std::exception_ptr exception);
  void RethrowPending();

 private:
  TUserInterfaceMode mode_;
  std::exception_ptr pending_;
};

// The handle of a window of TWin32WindowService and the service that keeps
// what its callbacks throw; empty for a window of another kind. Child
// controls are made on the handle.
struct TWin32WindowParts {
  HWND Handle = nullptr;
  TWin32WindowService* Service = nullptr;
};
std::optional<TWin32WindowParts> Win32WindowParts(IWindow& window);

// Writes to the program's standard error. A GUI program started from a
// console window has no standard handles unless they were redirected; it
// then attaches to that console. Line breaks become CR LF.
void WriteStandardError(const std::string& text);
// One line from standard input (or the attached console); empty at its end.
std::optional<std::string> ReadStandardInputLine();

}  // namespace brim
