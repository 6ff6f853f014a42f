// The child controls the dialog pages are made of: buttons, check boxes,
// labels, edit and memo boxes, list boxes, progress bars and rich-text
// boxes, each placed on a top-level window (IWindow). On win32 they are the
// system's own controls ("BUTTON", "EDIT", "LISTBOX", "STATIC",
// "msctls_progress32", "RichEdit20A"); the headless backend (posix, and
// tests on every platform) holds the same control tree as records that a
// test or a console front end reads back.
//
// A control is an object: destroying it destroys the control. Controls are
// destroyed before the window they are on. Their callbacks come from the
// message loop or from a call that lets the system send messages (Click,
// SetText); an exception a callback throws comes out of that call.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/PlatformError.h"
#include "platform/WindowService.h"

namespace brim {

enum class TControlKind { Button, CheckBox, Label, Edit, Memo, ListBox, ProgressBar, RichEdit };

// What a control tells its owner.
struct TControlCallbacks {
  std::function<void()> Clicked;  // a button or check box was pressed
  // The text of an edit or memo box changed: by the user, or for a
  // one-line edit box also by the program (SetText).
  std::function<void()> Changed;
};

class IControl {
 public:
  virtual ~IControl() = default;
  virtual TControlKind Kind() = 0;
  // The caption of a button, check box or label; the content of an edit,
  // memo or rich-text box.
  virtual void SetText(const std::string& text) = 0;
  virtual std::string Text() = 0;
  // Where the control is in its window's client area.
  virtual void SetBounds(const TWindowBounds& bounds) = 0;
  virtual TWindowBounds Bounds() = 0;
  // The control's own visibility (a shown control on a hidden window is
  // still visible here).
  virtual void SetVisible(bool visible) = 0;
  virtual bool Visible() = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual bool Enabled() = 0;
  // List boxes: the lines, and the selected one (-1: none).
  virtual void SetItems(const std::vector<std::string>& items) = 0;
  virtual std::vector<std::string> Items() = 0;
  virtual void SetItemIndex(int index) = 0;
  virtual int ItemIndex() = 0;
  // Check boxes.
  virtual void SetChecked(bool checked) = 0;
  virtual bool Checked() = 0;
  // Progress bars: the position in 0..max.
  virtual void SetRange(int max) = 0;
  virtual void SetPosition(int position) = 0;
  virtual int Position() = 0;
  // Presses a button or check box as the user would (a disabled one does
  // nothing): a check box toggles, then Clicked runs.
  virtual void Click() = 0;
};

class IControlService {
 public:
  virtual ~IControlService() = default;
  // A new control on parent, shown and enabled. Null when it cannot be
  // made (the window is not of this service's kind).
  virtual std::unique_ptr<IControl> CreateControl(IWindow& parent, TControlKind kind,
                                                  const TWindowBounds& bounds,
                                                  const std::string& text,
                                                  TControlCallbacks callbacks = {}) = 0;
};

// The controls of the platform this program was built for: native ones on
// the windows of PlatformWindows() on win32, the headless ones on posix.
IControlService& NativeControlService();

// Controls without a screen, on windows of any kind.
class THeadlessControlService : public IControlService {
 public:
  std::unique_ptr<IControl> CreateControl(IWindow& parent, TControlKind kind,
                                          const TWindowBounds& bounds, const std::string& text,
                                          TControlCallbacks callbacks = {}) override;
  // The live controls on a window, in the order they were made.
  std::vector<IControl*> ControlsOf(const IWindow& parent) const;

 private:
  class TControl;
  friend class TControl;
  struct TEntry {
    const IWindow* Parent;
    IControl* Control;
  };
  std::vector<TEntry> controls_;
};

}  // namespace brim
