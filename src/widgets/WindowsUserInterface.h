// The front end of real windows: a form that is shown gets its top-level
// window, framed as the form says (border style, border icons, stay on
// top, client size, centred), and one native control per widget, placed
// in the window's client area (a page form hosted on another form lies on
// its host's window). The widget tree stays the truth: every change of a
// form, and every message the modal loop handles, reads the tree into the
// controls again; what the user does to a control (a button pressed, an
// edit typed into, a list line chosen) is fed back into its widget.
//
// It works over the platform's window and control services alone, so the
// same code realises forms on Windows and, with headless controls, in tests.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Controls.h"
#include "widgets/UserInterface.h"

namespace brim {

class TComponent;
class TControl;
class TCustomForm;

class TWindowsUserInterface : public IUserInterface {
 public:
  // Controls come from controls, or from the platform's control service
  // (PlatformControls) when null.
  explicit TWindowsUserInterface(IControlService* controls = nullptr);
  ~TWindowsUserInterface() override;
  TWindowsUserInterface(const TWindowsUserInterface&) = delete;
  TWindowsUserInterface& operator=(const TWindowsUserInterface&) = delete;

  void FormShown(TCustomForm& form) override;
  void FormHidden(TCustomForm& form) override;
  void FormChanged(TCustomForm& form) override;
  // Disables the program's other windows, handles messages until the form
  // has a modal result (a quit message cancels it and is passed on to the
  // loop outside), then enables them again.
  void RunModal(TCustomForm& form) override;
  void FormDestroyed(TCustomForm& form) override;

  // Reads the widget tree of a realised form (or of the form hosting it)
  // into its window again.
  void Refresh(TCustomForm& form);
  // The native control that shows a widget; null when none does.
  IControl* ControlOf(const TControl& widget) const;

 private:
  class TWatcher;
  // One widget as a native control, with what was last given to it.
  struct TShown {
    TControl* Widget = nullptr;
    TControlKind Kind = TControlKind::Panel;
    std::unique_ptr<IControl> Control;
    std::optional<TControlFont> Font;
    std::optional<std::optional<TCanvasColor>> Color;
    std::string Picture;
    int Range = -1, Position = -1;
  };
  struct TRealised {
    TCustomForm* Form = nullptr;
    std::vector<TShown> Controls;
    bool Framed = false;  // style, size and place given
  };
  struct TPlaced;

  IControlService& Controls() const;
  TRealised& Realise(TCustomForm& top);
  void Frame(TRealised& realised);
  std::unique_ptr<IControl> Make(TRealised& realised, const TPlaced& placed);
  void Sync(TShown& shown, const TPlaced& placed);
  // Paints a self-drawing widget with the ones below it that it covers.
  void PaintStack(TControl& widget, ICanvas& canvas);
  // After the user acted on a control: every shown form is read again.
  void Acted();
  void RefreshAll();
  void Forget(TComponent* widget);
  TShown* Find(const TControl* widget);

  IControlService* controls_;
  std::unique_ptr<TWatcher> watcher_;
  std::map<TCustomForm*, TRealised> forms_;
  int syncing_ = 0;  // callbacks of controls set by the program are not the user's
};

}  // namespace brim
