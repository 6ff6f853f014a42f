// The child controls the dialog pages are made of: buttons, check boxes,
// labels, edit and memo boxes, list boxes, progress bars, rich-text
// boxes, panels, group boxes, bevels, pictures and areas the program
// paints itself, each placed on a top-level window (IWindow). On win32 they are the
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
#include <optional>
#include <string>
#include <vector>

#include "platform/Canvas.h"
#include "platform/PlatformError.h"
#include "platform/WindowService.h"

namespace brim {

enum class TControlKind {
  Button, CheckBox, Label, Edit, Memo, ListBox, ProgressBar, RichEdit,
  Panel,     // a plain area with an optional raised or lowered edge
  GroupBox,  // a frame with its caption at the top
  Image,     // a picture from the bytes of a BMP file
  Bevel,     // an etched line or frame
  PaintBox,  // an area the owner paints (TControlCallbacks::Paint)
};

// How a control's text sits: alignment for labels and panels.
enum class TControlAlignment { Left, Right, Center };
// The edge of a panel or the shape of a bevel.
enum class TControlFrame { None, Raised, Lowered, Box, TopLine, BottomLine, LeftLine, RightLine };

// What a control is made with; it does not change afterwards.
struct TControlOptions {
  bool Default = false;   // a button: pressed by Enter
  bool Cancel = false;    // a button: pressed by Escape
  bool Sorted = false;    // a list box keeps its lines in order (case ignored)
  bool WordWrap = true;   // a label breaks its text into lines
  bool NoPrefix = false;  // a label shows "&" as it is
  bool ReadOnly = false;  // an edit or memo box
  TControlAlignment Alignment = TControlAlignment::Left;
  TControlFrame Frame = TControlFrame::None;
  bool operator==(const TControlOptions&) const = default;
};

// A control's font. Height as in LOGFONT: negative for the character
// height in pixels, positive for the cell height; Charset 1 is the
// system's default.
struct TControlFont {
  std::string Face = "MS Sans Serif";
  int32_t Height = -11;
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  int32_t Charset = 1;
  bool operator==(const TControlFont&) const = default;
};

// What a control tells its owner.
struct TControlCallbacks {
  std::function<void()> Clicked = nullptr;  // a button or check box was pressed
  // The text of an edit or memo box changed: by the user, or for a
  // one-line edit box also by the program (SetText).
  std::function<void()> Changed = nullptr;
  // The user chose another line of a list box.
  std::function<void()> Selected = nullptr;
  // A paint box is to be drawn: the canvas is the control's size, its
  // origin the control's top left.
  std::function<void(ICanvas&)> Paint = nullptr;
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
  // Chooses a line of a list box as the user would: it is selected, then
  // Selected runs.
  virtual void Choose(int index) = 0;
  virtual TControlOptions Options() = 0;
  virtual void SetFont(const TControlFont& font) = 0;
  virtual TControlFont Font() = 0;
  // The background of a panel, label, group box or check box; empty: the
  // system's colour for the kind.
  virtual void SetColor(std::optional<TCanvasColor> color) = 0;
  virtual std::optional<TCanvasColor> Color() = 0;
  // An image's picture, a BMP file; its size in pixels (0 x 0 for none or
  // bytes that are no bitmap).
  virtual void SetPicture(const std::string& bmp) = 0;
  virtual TCanvasSize PictureSize() = 0;
  // The height the control's text takes when it is wrapped at width pixels
  // in the control's font, as the system draws it; 0 when the control
  // cannot tell (a control without a screen).
  virtual int32_t WrappedTextHeight(int32_t /*width*/) { return 0; }
  // Gives the control the keyboard focus.
  virtual void Focus() = 0;
  virtual bool Focused() = 0;
  // Draws the control again at once (a paint box: Paint runs).
  virtual void Repaint() = 0;
};

class IControlService {
 public:
  virtual ~IControlService() = default;
  // A new control on parent, shown and enabled. Null when it cannot be
  // made (the window is not of this service's kind).
  virtual std::unique_ptr<IControl> CreateControl(IWindow& parent, TControlKind kind,
                                                  const TWindowBounds& bounds,
                                                  const std::string& text,
                                                  TControlCallbacks callbacks = {},
                                                  const TControlOptions& options = {}) = 0;
  // Puts the controls of one window in this order, the first on top;
  // Tab moves the focus along the same order.
  virtual void Stack(const std::vector<IControl*>& topFirst) = 0;
};

// The controls of the platform this program was built for: native ones on
// the windows of PlatformWindows() on win32, the headless ones on posix.
IControlService& NativeControlService();

// Controls without a screen, on windows of any kind.
class THeadlessControlService : public IControlService {
 public:
  std::unique_ptr<IControl> CreateControl(IWindow& parent, TControlKind kind,
                                          const TWindowBounds& bounds, const std::string& text,
                                          TControlCallbacks callbacks = {},
                                          const TControlOptions& options = {}) override;
  void Stack(const std::vector<IControl*>& topFirst) override;
  // The live controls on a window, in the order they were made (or as
  // Stack put them, the top first).
  std::vector<IControl*> ControlsOf(const IWindow& parent) const;

 private:
  class TControl;
  friend class TControl;
  struct TEntry {
    const IWindow* Parent;
    IControl* Control;
  };
  std::vector<TEntry> controls_;
  IControl* focused_ = nullptr;
};

}  // namespace brim
