// Top-level windows, the message loop, message boxes, how the user
// interface meets the user, and the message pump of long operations.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace brim {

// Where a top-level window is, as its outer frame (screen coordinates).
struct TWindowBounds {
  int32_t Left = 0, Top = 0, Width = 0, Height = 0;
  bool operator==(const TWindowBounds&) const = default;
};

// What a window tells its form. The calls come from the message loop (or
// from a call that lets the system send messages, such as Show); an
// exception a callback throws comes out of that call.
// How a top-level window is framed.
enum class TWindowBorder {
  Sizeable,  // a caption and a frame the user can drag
  Single,    // a caption and a thin frame
  Dialog,    // a caption and a dialog frame, no sizing
  None,      // no caption and no frame (a popup)
};
struct TWindowStyle {
  TWindowBorder Border = TWindowBorder::Sizeable;
  bool SystemMenu = true;  // the caption's menu and close box
  bool MinimizeBox = true;
  bool MaximizeBox = true;
  bool StayOnTop = false;  // above the windows of other programs
  bool operator==(const TWindowStyle&) const = default;
};

struct TWindowCallbacks {
  std::function<void()> Activated;       // the window became the active one
  std::function<void()> CloseRequested;  // the user asked to close it
};

// A top-level window. Destroying it destroys the window.
class IWindow {
 public:
  virtual ~IWindow() = default;
  // Shows the window and makes it the active one.
  virtual void Show() = 0;
  virtual void Hide() = 0;
  virtual bool Visible() = 0;
  virtual void Maximize() = 0;
  virtual bool Maximized() = 0;
  virtual void SetBounds(const TWindowBounds& bounds) = 0;
  virtual TWindowBounds Bounds() = 0;
  virtual void SetCaption(const std::string& caption) = 0;
  // The font character set the caption's bytes are written for (as the
  // form's font has it): the caption is shown in its code page
  // (CodePages.h). Windows start with the default character set.
  virtual void SetCaptionCharset(int32_t charset) = 0;
  // Draws the window again at once.
  virtual void Repaint() = 0;
  virtual void SetStyle(const TWindowStyle& style) = 0;
  virtual TWindowStyle Style() = 0;
  // The size of the client area; setting it resizes the frame around it.
  virtual void SetClientSize(int32_t width, int32_t height) = 0;
  virtual TWindowBounds ClientSize() = 0;  // Left and Top are 0
  // Moves the window to the middle of the screen.
  virtual void CenterOnScreen() = 0;
  // A disabled window takes no input (the others while a modal form runs).
  virtual void SetEnabled(bool enabled) = 0;
  virtual bool Enabled() = 0;
};

// The screen's size and the height of a window caption, in pixels
// (GetSystemMetrics SM_CXSCREEN, SM_CYSCREEN, SM_CYCAPTION). Dialogs are
// placed by them.
struct TScreenMetrics {
  int32_t Width = 1024;
  int32_t Height = 768;
  int32_t CaptionHeight = 18;
  bool operator==(const TScreenMetrics&) const = default;
};

// The result of one step of the message loop.
enum class TMessageStep {
  Handled,  // one message was handled
  Idle,     // nothing is pending (waiting: nothing can arrive any more)
  Quit,     // the quit message was taken
};

// Message box buttons, icons and default buttons (MB_*), and the answers (ID*).
inline constexpr uint32_t boxOk = 0x0;
inline constexpr uint32_t boxOkCancel = 0x1;
inline constexpr uint32_t boxAbortRetryIgnore = 0x2;
inline constexpr uint32_t boxYesNoCancel = 0x3;
inline constexpr uint32_t boxYesNo = 0x4;
inline constexpr uint32_t boxRetryCancel = 0x5;
inline constexpr uint32_t boxIconError = 0x10;
inline constexpr uint32_t boxIconQuestion = 0x20;
inline constexpr uint32_t boxIconWarning = 0x30;
inline constexpr uint32_t boxIconInformation = 0x40;
inline constexpr uint32_t boxDefButton2 = 0x100;
inline constexpr uint32_t boxDefButton3 = 0x200;
inline constexpr int idOk = 1;
inline constexpr int idCancel = 2;
inline constexpr int idAbort = 3;
inline constexpr int idRetry = 4;
inline constexpr int idIgnore = 5;
inline constexpr int idYes = 6;
inline constexpr int idNo = 7;

class IWindowService {
 public:
  virtual ~IWindowService() = default;
  // A new top-level window, hidden. Null when it cannot be made (Wine
  // without an X display makes none).
  virtual std::unique_ptr<IWindow> CreateWindow(const std::string& caption,
                                                const TWindowBounds& bounds,
                                                TWindowCallbacks callbacks) = 0;
  // Handles one pending message; with wait, waits for one first.
  virtual TMessageStep ProcessMessage(bool wait) = 0;
  // Ends the message loop: the quit message comes once nothing else is pending.
  virtual void PostQuit(int exitCode) = 0;
  // MessageBox: the answer (idOk, ...). Text and caption are in the code
  // page of MessageCharset() (CodePages.h). Under BRIMWELL_UI it does not
  // block (see UserInterfaceMode).
  virtual int MessageBox(const std::string& text, const std::string& caption, uint32_t flags) = 0;
  // The screen; a service without one answers 1024 x 768 with an 18-pixel caption.
  virtual TScreenMetrics ScreenMetrics() { return {}; }
  // True when the windows are on a screen a person looks at (win32);
  // false for windows held as records.
  virtual bool OnScreen() const { return false; }
};

// How the user interface meets the user, from BRIMWELL_UI:
//   unset          the platform's own: real windows and message boxes on
//                  win32; on posix, where there are none, as console when
//                  stdin is a terminal, else as auto
//   auto           nothing blocks: a message box writes its text to stderr
//                  and takes its default button
//   console        a message box writes its text to stderr and reads the
//                  answer from stdin (the default button at its end)
//   script:FILE    answers come from FILE (see AnswerScript.h); a message
//                  box the script does not answer takes its default button,
//                  its text on stderr
enum class TUserInterfaceKind { Native, Auto, Console, Script, Invalid };
struct TUserInterfaceMode {
  TUserInterfaceKind Kind = TUserInterfaceKind::Native;
  std::string ScriptFile;  // Script
  std::string Setting;     // the variable's text, for messages
};
TUserInterfaceMode UserInterfaceMode();
TUserInterfaceMode ParseUserInterfaceMode(const char* setting);

// The message pump: long operations call ProcessMessages at their
// checkpoints so pending window messages (a Cancel button) run. The widget
// layer installs the pump; without one the call does nothing.
void SetMessagePump(std::function<void()> pump);
void ProcessMessages();

}  // namespace brim
