// Windows without a screen: each window is a record of its caption, bounds
// and state, and the message queue holds only what the windows themselves
// cause (showing a window activates it). Nothing else can arrive, so a
// loop that waits ends when the queue is empty. The posix build has no
// other windows; tests on every platform use it to drive forms. A window
// has no frame here (its client area is the whole window) and the screen
// it is centred on is 1024 x 768.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>

#include "platform/Platform.h"
#include "platform/TextMessageBox.h"

namespace brim {

class THeadlessWindowService : public IWindowService {
 public:
  // Message boxes go to console as the mode says (stderr, and stdin for
  // console mode, when none is given).
  explicit THeadlessWindowService(TUserInterfaceKind kind = TUserInterfaceKind::Auto,
                                  TTextConsole console = {});
  ~THeadlessWindowService() override;

  std::unique_ptr<IWindow> CreateWindow(const std::string& caption, const TWindowBounds& bounds,
                                        TWindowCallbacks callbacks) override;
  TMessageStep ProcessMessage(bool wait) override;
  void PostQuit(int exitCode) override;
  int MessageBox(const std::string& text, const std::string& caption, uint32_t flags) override;

  // For tests: the live windows, the active one, the exit code of PostQuit.
  int WindowCount() const { return static_cast<int>(windows_.size()); }
  const std::string* ActiveCaption() const;
  int ExitCode() const { return exitCode_; }

 private:
  class TWindow;
  friend class TWindow;
  struct TRecord {
    std::string Caption;
    TWindowBounds Bounds;
    TWindowCallbacks Callbacks;
    bool Visible = false;
    bool Maximized = false;
    bool Enabled = true;
    TWindowStyle Style;
  };
  enum class TEventKind { Activate };
  struct TQueued {
    uint32_t Window;
    TEventKind Kind;
  };

  void Post(uint32_t window, TEventKind kind);
  void Forget(uint32_t window);

  TUserInterfaceKind kind_;
  TTextConsole console_;
  std::map<uint32_t, TRecord> windows_;
  std::deque<TQueued> queue_;
  uint32_t nextId_ = 1;
  uint32_t active_ = 0;
  bool quit_ = false;
  int exitCode_ = 0;
};

}  // namespace brim
