#include "widgets/WindowsUserInterface.h"

#include <algorithm>
#include <utility>

#include "widgets/Buttons.h"
#include "widgets/ComCtrls.h"
#include "widgets/ExtCtrls.h"
#include "widgets/Forms.h"
#include "widgets/StdCtrls.h"
#include "platform/PlatformServices.h"

namespace brim {

// Told when a realised widget is freed, so its control goes with it.
class TWindowsUserInterface::TWatcher : public TComponent {
 public:
  explicit TWatcher(TWindowsUserInterface& ui) : TComponent(nullptr), ui_(ui) {}
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove) ui_.Forget(component);
  }

 private:
  TWindowsUserInterface& ui_;
};

namespace {

// Another canvas seen from a point of it: a control below paints its part
// of a self-drawing control's canvas.
class TShiftedCanvas : public ICanvas {
 public:
  TShiftedCanvas(ICanvas& target, int32_t dx, int32_t dy, int32_t width, int32_t height)
      : target_(target), dx_(dx), dy_(dy), width_(width), height_(height) {}
  int32_t Width() override { return width_; }
  int32_t Height() override { return height_; }
  void FillRect(const TCanvasRect& r, TCanvasColor color) override {
    target_.FillRect({r.Left + dx_, r.Top + dy_, r.Right + dx_, r.Bottom + dy_}, color);
  }
  void SetViewport(const TCanvasRect& a) override {
    target_.SetViewport({a.Left + dx_, a.Top + dy_, a.Right + dx_, a.Bottom + dy_});
  }
  void Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, TCanvasColor color) override {
    target_.Line(x1 + dx_, y1 + dy_, x2 + dx_, y2 + dy_, color);
  }
  void Polygon(const std::vector<TCanvasPoint>& points, TCanvasColor color) override {
    std::vector<TCanvasPoint> moved(points);
    for (TCanvasPoint& p : moved) p = {p.X + dx_, p.Y + dy_};
    target_.Polygon(moved, color);
  }
  void TextOut(int32_t x, int32_t y, const std::string& text, const TCanvasFont& font) override {
    target_.TextOut(x + dx_, y + dy_, text, font);
  }
  TCanvasSize TextExtent(const std::string& text, const TCanvasFont& font) override {
    return target_.TextExtent(text, font);
  }
  void SetPixel(int32_t x, int32_t y, TCanvasColor color) override { target_.SetPixel(x + dx_, y + dy_, color); }
  std::optional<TCanvasColor> Pixel(int32_t x, int32_t y) override { return target_.Pixel(x + dx_, y + dy_); }
  std::string BitmapFile() override { return target_.BitmapFile(); }

 private:
  ICanvas& target_;
  int32_t dx_, dy_, width_, height_;
};

}  // namespace

// Where and how one widget is shown.
struct TWindowsUserInterface::TPlaced {
  TControl* Widget = nullptr;
  TControlKind Kind = TControlKind::Panel;
  TControlOptions Options;
  TWindowBounds Bounds;  // in the window's client area
  bool Shown = true;     // it and every control it lies on are visible
  bool Enabled = true;   // likewise enabled
};

namespace {

bool IsBackground(TControlKind kind) {
  return kind == TControlKind::Panel || kind == TControlKind::GroupBox || kind == TControlKind::Bevel ||
         kind == TControlKind::Image || kind == TControlKind::PaintBox;
}

TControlAlignment AlignmentOf(TAlignment a) {
  return a == TAlignment::taRightJustify ? TControlAlignment::Right
         : a == TAlignment::taCenter     ? TControlAlignment::Center
                                         : TControlAlignment::Left;
}

TControlFrame FrameOf(TBevelShape shape) {
  switch (shape) {
    case TBevelShape::bsBox:
    case TBevelShape::bsFrame: return TControlFrame::Box;
    case TBevelShape::bsTopLine: return TControlFrame::TopLine;
    case TBevelShape::bsBottomLine: return TControlFrame::BottomLine;
    case TBevelShape::bsLeftLine: return TControlFrame::LeftLine;
    case TBevelShape::bsRightLine: return TControlFrame::RightLine;
    case TBevelShape::bsSpacer: break;
  }
  return TControlFrame::None;
}

// The native kind that shows a widget, and what it is made with; empty
// for a widget that has no face of its own.
std::optional<std::pair<TControlKind, TControlOptions>> KindOf(TControl& c) {
  TControlOptions o;
  if (c.PaintsItself()) return {{TControlKind::PaintBox, o}};
  if (auto* b = dynamic_cast<TButton*>(&c)) {
    o.Default = b->Default;
    o.Cancel = b->Cancel;
    return {{TControlKind::Button, o}};
  }
  if (dynamic_cast<TCheckBox*>(&c) || dynamic_cast<TRadioButton*>(&c)) return {{TControlKind::CheckBox, o}};
  if (auto* l = dynamic_cast<TCustomLabel*>(&c)) {
    o.WordWrap = l->WordWrap;
    o.NoPrefix = !l->ShowAccelChar;
    o.Alignment = AlignmentOf(l->Alignment);
    return {{TControlKind::Label, o}};
  }
  if (auto* e = dynamic_cast<TEdit*>(&c)) {
    o.ReadOnly = e->ReadOnly;
    return {{TControlKind::Edit, o}};
  }
  if (dynamic_cast<TRichEdit*>(&c)) {
    o.ReadOnly = true;
    return {{TControlKind::RichEdit, o}};
  }
  if (auto* m = dynamic_cast<TCustomMemo*>(&c)) {
    o.ReadOnly = m->ReadOnly;
    return {{TControlKind::Memo, o}};
  }
  if (auto* l = dynamic_cast<TListBox*>(&c)) {
    o.Sorted = l->Sorted();
    return {{TControlKind::ListBox, o}};
  }
  if (dynamic_cast<TProgressBar*>(&c)) return {{TControlKind::ProgressBar, o}};
  if (dynamic_cast<TGroupBox*>(&c)) return {{TControlKind::GroupBox, o}};
  if (auto* p = dynamic_cast<TCustomPanel*>(&c)) {
    o.Alignment = AlignmentOf(p->Alignment);
    o.Frame = p->BevelOuter == TBevelCut::bvRaised    ? TControlFrame::Raised
              : p->BevelOuter == TBevelCut::bvLowered ? TControlFrame::Lowered
                                                      : TControlFrame::None;
    return {{TControlKind::Panel, o}};
  }
  if (dynamic_cast<TImage*>(&c)) return {{TControlKind::Image, o}};
  if (auto* b = dynamic_cast<TBevel*>(&c)) {
    o.Frame = FrameOf(b->Shape);
    return {{TControlKind::Bevel, o}};
  }
  // A hosted form, a tab strip or another container: a plain area.
  if (dynamic_cast<TWinControl*>(&c)) return {{TControlKind::Panel, o}};
  return std::nullopt;
}

std::string JoinLines(const TStrings& lines) { return lines.Join("\r\n"); }

// The text a widget's control shows.
std::string TextOf(TControl& c) {
  if (auto* e = dynamic_cast<TEdit*>(&c)) return e->Text();
  if (auto* m = dynamic_cast<TCustomMemo*>(&c)) return JoinLines(m->Lines);
  if (dynamic_cast<TCustomForm*>(&c)) return {};
  return c.Caption;
}

std::vector<std::string> ItemsOf(const TListControl& list) {
  return list.Items.Lines();
}

TControlFont FontOf(const TControl& c) {
  const TFont& f = c.Font();
  return {f.Name,
          f.Height,
          f.Style.Contains(TFontStyle::fsBold),
          f.Style.Contains(TFontStyle::fsItalic),
          f.Style.Contains(TFontStyle::fsUnderline),
          f.Charset};
}

// A colour of its own, or empty for the system's colours (clBtnFace and
// the other colours Windows chooses).
std::optional<TCanvasColor> ColorOf(const TControl& c) {
  if (static_cast<uint32_t>(c.Color()) & 0xFF000000u) return std::nullopt;
  return static_cast<TCanvasColor>(c.Color());
}

// The places of a parent's children inside its area, as their Align puts
// them: top, bottom, left and right strips first, then the rest; a hidden
// aligned control takes no room. A hosted form without Align sits at the
// parent's top left.
std::vector<TWindowBounds> Arrange(const TWinControl& parent, TWindowBounds area) {
  std::vector<TWindowBounds> places(static_cast<size_t>(parent.ControlCount()));
  TWindowBounds rest = area;
  // A panel's border keeps the aligned controls off its edges.
  if (const auto* panel = dynamic_cast<const TCustomPanel*>(&parent)) {
    int32_t b = std::min({panel->BorderWidth, area.Width / 2, area.Height / 2});
    rest = {area.Left + b, area.Top + b, area.Width - 2 * b, area.Height - 2 * b};
  }
  for (TAlign pass : {TAlign::alTop, TAlign::alBottom, TAlign::alLeft, TAlign::alRight, TAlign::alClient})
    for (int i = 0; i < parent.ControlCount(); ++i) {
      TControl& c = *parent.Controls(i);
      if (c.Align != pass || !c.Visible) continue;
      TWindowBounds& r = places[static_cast<size_t>(i)];
      switch (pass) {
        case TAlign::alTop:
          r = {rest.Left, rest.Top, rest.Width, std::min(c.Height, rest.Height)};
          rest.Top += r.Height, rest.Height -= r.Height;
          break;
        case TAlign::alBottom:
          r = {rest.Left, rest.Top + rest.Height - std::min(c.Height, rest.Height), rest.Width,
               std::min(c.Height, rest.Height)};
          rest.Height -= r.Height;
          break;
        case TAlign::alLeft:
          r = {rest.Left, rest.Top, std::min(c.Width, rest.Width), rest.Height};
          rest.Left += r.Width, rest.Width -= r.Width;
          break;
        case TAlign::alRight:
          r = {rest.Left + rest.Width - std::min(c.Width, rest.Width), rest.Top,
               std::min(c.Width, rest.Width), rest.Height};
          rest.Width -= r.Width;
          break;
        default: r = rest; break;
      }
    }
  for (int i = 0; i < parent.ControlCount(); ++i) {
    TControl& c = *parent.Controls(i);
    if (c.Align != TAlign::alNone && c.Visible) continue;
    bool hosted = dynamic_cast<TCustomForm*>(&c) != nullptr;
    places[static_cast<size_t>(i)] = {area.Left + (hosted ? 0 : c.Left), area.Top + (hosted ? 0 : c.Top),
                                      c.Width, c.Height};
  }
  return places;
}

// The form whose window a widget is shown on: the root of its parents.
TCustomForm* TopForm(TControl& c) {
  TControl* top = &c;
  while (top->Parent()) top = top->Parent();
  return dynamic_cast<TCustomForm*>(top);
}

}  // namespace

namespace {

// Every widget below parent in the order they are stacked, the first on
// top: the controls that take input in tab order, above the panels,
// frames and pictures they lie on (a deeper one above the one holding it).
template <class TPlacedT>
void Walk(TWinControl& parent, TWindowBounds area, bool shown, bool enabled,
          std::vector<TPlacedT>& front, std::vector<TPlacedT>& back) {
  std::vector<TWindowBounds> places = Arrange(parent, area);
  // Graphic controls first, then the windowed ones in tab order.
  std::vector<int> order;
  for (int i = 0; i < parent.ControlCount(); ++i)
    if (!dynamic_cast<TWinControl*>(parent.Controls(i))) order.push_back(i);
  for (TWinControl* w : parent.TabList())
    for (int i = 0; i < parent.ControlCount(); ++i)
      if (parent.Controls(i) == w) order.push_back(i);
  for (int i : order) {
    TControl& c = *parent.Controls(i);
    auto kind = KindOf(c);
    if (!kind) continue;
    TPlacedT placed;
    placed.Widget = &c;
    placed.Kind = kind->first;
    placed.Options = kind->second;
    placed.Bounds = places[static_cast<size_t>(i)];
    // An aligned control takes the place its alignment gives it, as its
    // own bounds: the backdrop paints by its size, which follows the window.
    if (c.Align != TAlign::alNone && c.Visible && !dynamic_cast<TCustomForm*>(&c)) {
      c.Left = placed.Bounds.Left - area.Left;
      c.Top = placed.Bounds.Top - area.Top;
      c.Width = placed.Bounds.Width;
      c.Height = placed.Bounds.Height;
    }
    placed.Shown = shown && c.Visible;
    placed.Enabled = enabled && c.Enabled;
    (IsBackground(placed.Kind) ? back : front).push_back(placed);
    // A self-drawing container (the backdrop) holds controls of its own
    // (the product label), which lie above it.
    if (auto* w = dynamic_cast<TWinControl*>(&c))
      Walk(*w, placed.Bounds, placed.Shown, placed.Enabled, front, back);
  }
}

}  // namespace

TWindowsUserInterface::TWindowsUserInterface(IControlService* controls)
    : controls_(controls), watcher_(std::make_unique<TWatcher>(*this)) {}

TWindowsUserInterface::~TWindowsUserInterface() {
  for (auto& [form, realised] : forms_)
    for (TShown& shown : realised.Controls) shown.Widget->RemoveFreeNotification(watcher_.get());
  forms_.clear();
}

void TWindowsUserInterface::FormShown(TCustomForm& form) {
  TCustomForm* top = TopForm(form);
  if (!top) return;
  IWindow* window = top->EnsureWindow();
  TRealised& realised = Realise(*top);
  if (!realised.Framed) Frame(realised);
  Refresh(*top);
  if (top->Visible && !window->Visible()) window->Show();
}

void TWindowsUserInterface::FormHidden(TCustomForm& form) {
  TCustomForm* top = TopForm(form);
  if (top && top != &form && forms_.count(top)) Refresh(*top);
}

void TWindowsUserInterface::FormChanged(TCustomForm& form) {
  TCustomForm* top = TopForm(form);
  if (!top || !forms_.count(top)) return;
  Refresh(*top);
  // A modeless form (progress, status) shows the change before the long
  // operation goes on.
  if (top->Window()) top->Window()->Repaint();
}

void TWindowsUserInterface::FormDestroyed(TCustomForm& form) {
  auto it = forms_.find(&form);
  if (it == forms_.end()) return;
  for (TShown& shown : it->second.Controls) shown.Widget->RemoveFreeNotification(watcher_.get());
  forms_.erase(it);
}

void TWindowsUserInterface::RunModal(TCustomForm& form) {
  IWindowService& windows = Application().Windows();
  // The other windows of the program take no input meanwhile.
  std::vector<TCustomForm*> disabled;
  for (auto& [other, realised] : forms_) {
    IWindow* w = other->Window();
    if (other == &form || !w || !w->Visible() || !w->Enabled()) continue;
    w->SetEnabled(false);
    disabled.push_back(other);
  }
  auto enableAgain = [&] {
    for (TCustomForm* other : disabled)
      if (forms_.count(other) && other->Window()) other->Window()->SetEnabled(true);
  };
  try {
    Refresh(form);
    // The focus starts on the form's active control, else the first that takes it.
    IControl* first = form.ActiveControl ? ControlOf(*form.ActiveControl) : nullptr;
    if (auto it = forms_.find(&form); !first && it != forms_.end())
      for (TShown& shown : it->second.Controls)
        if (!IsBackground(shown.Kind) && shown.Kind != TControlKind::Label &&
            shown.Kind != TControlKind::ProgressBar && shown.Control->Visible() && shown.Control->Enabled()) {
          first = shown.Control.get();
          break;
        }
    if (first) first->Focus();
    while (form.ModalResult == mrNone) {
      TMessageStep step = windows.ProcessMessage(true);
      if (step != TMessageStep::Handled) {
        // The program is ending (or nothing can come any more): the form is
        // cancelled, and the loop outside hears of the quit too.
        form.ModalResult = mrCancel;
        if (step == TMessageStep::Quit) windows.PostQuit(0);
        break;
      }
      // Closed (the close box, Alt+F4) and not refused: the form is cancelled.
      if (form.ModalResult == mrNone && !form.Visible) form.ModalResult = mrCancel;
      RefreshAll();
    }
  } catch (...) {
    enableAgain();
    throw;
  }
  enableAgain();
}

TWindowsUserInterface::TRealised& TWindowsUserInterface::Realise(TCustomForm& top) {
  TRealised& realised = forms_[&top];
  realised.Form = &top;
  return realised;
}

void TWindowsUserInterface::Frame(TRealised& realised) {
  TCustomForm& form = *realised.Form;
  IWindow& window = *form.Window();
  TWindowStyle style;
  switch (form.BorderStyle) {
    case TFormBorderStyle::bsNone: style.Border = TWindowBorder::None; break;
    case TFormBorderStyle::bsSingle:
    case TFormBorderStyle::bsToolWindow: style.Border = TWindowBorder::Single; break;
    case TFormBorderStyle::bsDialog: style.Border = TWindowBorder::Dialog; break;
    default: style.Border = TWindowBorder::Sizeable; break;
  }
  style.SystemMenu = form.BorderIcons.Contains(TBorderIcon::biSystemMenu);
  style.MinimizeBox = form.BorderIcons.Contains(TBorderIcon::biMinimize);
  style.MaximizeBox = form.BorderIcons.Contains(TBorderIcon::biMaximize);
  style.StayOnTop = form.FormStyle == TFormStyle::fsStayOnTop;
  window.SetStyle(style);
  if (form.ClientSizeGiven()) window.SetClientSize(form.ClientWidth(), form.ClientHeight());
  if (form.Position != TPosition::poDesigned && form.Position != TPosition::poDefault &&
      form.Position != TPosition::poDefaultPosOnly && form.WindowState != TWindowState::wsMaximized)
    window.CenterOnScreen();
  realised.Framed = true;
}

void TWindowsUserInterface::Refresh(TCustomForm& form) {
  TCustomForm* top = TopForm(form);
  if (!top || !top->Window()) return;
  TRealised& realised = Realise(*top);
  IWindow& window = *top->Window();
  ++syncing_;
  struct TEnd {
    int& n;
    ~TEnd() { --n; }
  } end{syncing_};

  window.SetCaptionCharset(top->Font().Charset);
  window.SetCaption(top->Caption);
  TWindowBounds client = window.ClientSize();
  std::vector<TPlaced> front, back;
  Walk(*top, {0, 0, client.Width, client.Height}, true, top->Enabled, front, back);
  // Containers deeper in the tree lie above the ones holding them.
  std::reverse(back.begin(), back.end());
  front.insert(front.end(), back.begin(), back.end());

  // Keep the controls of widgets still there, make the new ones, drop the rest.
  std::vector<TShown> next;
  std::vector<const TPlaced*> places;
  bool changed = false;
  for (const TPlaced& placed : front) {
    auto old = std::find_if(realised.Controls.begin(), realised.Controls.end(), [&](const TShown& s) {
      return s.Widget == placed.Widget && s.Kind == placed.Kind && s.Control;
    });
    TShown shown;
    if (old != realised.Controls.end()) {
      shown = std::move(*old);
    } else {
      shown.Widget = placed.Widget;
      shown.Kind = placed.Kind;
      shown.Control = Make(realised, placed);
      if (!shown.Control) continue;
      placed.Widget->FreeNotification(watcher_.get());
      changed = true;
    }
    next.push_back(std::move(shown));
    places.push_back(&placed);
  }
  for (TShown& gone : realised.Controls)
    if (gone.Control) {
      changed = true;
      if (std::none_of(next.begin(), next.end(), [&](const TShown& s) { return s.Widget == gone.Widget; }))
        gone.Widget->RemoveFreeNotification(watcher_.get());
    }
  // The controls of widgets that went are destroyed here, before new ones are stacked.
  realised.Controls = std::move(next);
  if (changed) {
    std::vector<IControl*> order;
    for (TShown& shown : realised.Controls) order.push_back(shown.Control.get());
    Controls().Stack(order);
  }
  for (size_t i = 0; i < realised.Controls.size(); ++i) Sync(realised.Controls[i], *places[i]);
  // A word-wrapped label grows to the height its text takes in its font (a
  // translated text is often longer than the one the form was laid out
  // for), even one that does not size itself: text is never cut off. The
  // aligned controls below it move down. A label never shrinks, so a page
  // keeps the layout it was designed with.
  bool grown = false;
  for (TShown& shown : realised.Controls) {
    auto* label = dynamic_cast<TCustomLabel*>(shown.Widget);
    if (!label || !label->WordWrap || !label->Visible) continue;
    int32_t height = shown.Control->WrappedTextHeight(label->Width);
    if (height > label->Height) {
      label->Height = height;
      grown = true;
    }
  }
  // Once more with the new heights; the heights then fit, so it ends there.
  if (grown) Refresh(*top);
}

IControlService& TWindowsUserInterface::Controls() const {
  return controls_ ? *controls_ : PlatformControls();
}

std::unique_ptr<IControl> TWindowsUserInterface::Make(TRealised& realised, const TPlaced& placed) {
  TControl* widget = placed.Widget;
  TControlCallbacks callbacks;
  callbacks.Clicked = [this, widget] {
    if (syncing_) return;
    if (auto* button = dynamic_cast<TButton*>(widget)) {
      button->Click();
    } else if (auto* check = dynamic_cast<TCheckBox*>(widget)) {
      if (TShown* shown = Find(widget)) check->SetChecked(shown->Control->Checked());
      if (check->OnClick) check->OnClick(check);
    } else if (auto* radio = dynamic_cast<TRadioButton*>(widget)) {
      radio->SetChecked(true);
      if (radio->OnClick) radio->OnClick(radio);
    }
    Acted();
  };
  callbacks.Changed = [this, widget] {
    TShown* shown = Find(widget);
    if (syncing_ || !shown) return;
    std::string text = shown->Control->Text();
    if (auto* edit = dynamic_cast<TEdit*>(widget)) {
      edit->SetText(text);
    } else if (auto* memo = dynamic_cast<TCustomMemo*>(widget)) {
      if (JoinLines(memo->Lines) != text) memo->Lines.SetText(text);
    }
    Acted();
  };
  callbacks.Selected = [this, widget] {
    TShown* shown = Find(widget);
    auto* list = dynamic_cast<TListControl*>(widget);
    if (syncing_ || !shown || !list) return;
    // A sorted native list may order its lines its own way: the line is found by its text.
    int index = shown->Control->ItemIndex();
    std::vector<std::string> lines = shown->Control->Items();
    if (index >= 0 && index < static_cast<int>(lines.size())) index = list->Items.IndexOf(lines[static_cast<size_t>(index)]);
    list->SetItemIndex(index);
    if (list->OnClick) list->OnClick(list);
    Acted();
  };
  if (placed.Kind == TControlKind::PaintBox)
    callbacks.Paint = [this, widget](ICanvas& canvas) { PaintStack(*widget, canvas); };
  ++syncing_;
  struct TEnd {
    int& n;
    ~TEnd() { --n; }
  } end{syncing_};
  return Controls().CreateControl(*realised.Form->Window(), placed.Kind, placed.Bounds, TextOf(*widget),
                                  std::move(callbacks), placed.Options);
}

void TWindowsUserInterface::Sync(TShown& shown, const TPlaced& placed) {
  IControl& control = *shown.Control;
  TControl& widget = *placed.Widget;
  // The font first: its character set says how the control reads the texts.
  TControlFont font = FontOf(widget);
  if (shown.Font != font) {
    control.SetFont(font);
    shown.Font = font;
  }
  std::string text = TextOf(widget);
  if (shown.Kind != TControlKind::PaintBox && shown.Kind != TControlKind::Image &&
      shown.Kind != TControlKind::ListBox && shown.Kind != TControlKind::ProgressBar && control.Text() != text)
    control.SetText(text);
  if (control.Bounds() != placed.Bounds) control.SetBounds(placed.Bounds);
  if (control.Visible() != placed.Shown) control.SetVisible(placed.Shown);
  if (control.Enabled() != placed.Enabled) control.SetEnabled(placed.Enabled);
  std::optional<TCanvasColor> color = ColorOf(widget);
  if (shown.Color != color) {
    control.SetColor(color);
    shown.Color = color;
  }
  if (auto* list = dynamic_cast<TListControl*>(&widget); list && shown.Kind == TControlKind::ListBox) {
    std::vector<std::string> items = ItemsOf(*list);
    std::vector<std::string> lines = control.Items();
    auto key = [](std::vector<std::string> v) {
      std::sort(v.begin(), v.end());
      return v;
    };
    if (list->Sorted() ? key(lines) != key(items) : lines != items) {
      control.SetItems(items);
      lines = control.Items();
    }
    int index = list->ItemIndex();
    if (index >= 0 && index < static_cast<int>(items.size())) {
      auto at = std::find(lines.begin(), lines.end(), items[static_cast<size_t>(index)]);
      index = at == lines.end() ? -1 : static_cast<int>(at - lines.begin());
    }
    if (control.ItemIndex() != index) control.SetItemIndex(index);
  }
  if (auto* bar = dynamic_cast<TProgressBar*>(&widget)) {
    int range = bar->Max() - bar->Min(), position = bar->Position() - bar->Min();
    if (shown.Range != range) control.SetRange(shown.Range = range);
    if (shown.Position != position) control.SetPosition(shown.Position = position);
  }
  if (auto* check = dynamic_cast<TCheckBox*>(&widget); check && control.Checked() != check->Checked())
    control.SetChecked(check->Checked());
  if (auto* radio = dynamic_cast<TRadioButton*>(&widget); radio && control.Checked() != radio->Checked())
    control.SetChecked(radio->Checked());
  if (auto* image = dynamic_cast<TImage*>(&widget)) {
    auto* bitmap = dynamic_cast<TBitmap*>(image->Picture.Graphic());
    const std::string& bytes = bitmap ? bitmap->Bytes() : std::string();
    if (bytes != shown.Picture) {
      control.SetPicture(bytes);
      shown.Picture = bytes;
    }
  }
}

void TWindowsUserInterface::Acted() { RefreshAll(); }

void TWindowsUserInterface::PaintStack(TControl& widget, ICanvas& canvas) {
  // The self-drawing controls below this one show through where it does
  // not paint (the product label on the backdrop): they paint first, the
  // lowest first, each on its own place.
  for (auto& [form, realised] : forms_) {
    auto self = std::find_if(realised.Controls.begin(), realised.Controls.end(),
                             [&](const TShown& s) { return s.Widget == &widget; });
    if (self == realised.Controls.end()) continue;
    TWindowBounds b = self->Control->Bounds();
    for (auto below = realised.Controls.rbegin(); below.base() != self + 1; ++below) {
      if (below->Kind != TControlKind::PaintBox || !below->Control->Visible()) continue;
      TWindowBounds o = below->Control->Bounds();
      if (o.Left >= b.Left + b.Width || b.Left >= o.Left + o.Width || o.Top >= b.Top + b.Height ||
          b.Top >= o.Top + o.Height)
        continue;
      TShiftedCanvas shifted(canvas, o.Left - b.Left, o.Top - b.Top, o.Width, o.Height);
      below->Widget->Paint(shifted);
    }
    break;
  }
  widget.Paint(canvas);
}

void TWindowsUserInterface::RefreshAll() {
  std::vector<TCustomForm*> shown;
  for (auto& [form, realised] : forms_) shown.push_back(form);
  // A refresh never frees a form, but look each up again all the same.
  for (TCustomForm* form : shown)
    if (forms_.count(form)) Refresh(*form);
}

void TWindowsUserInterface::Forget(TComponent* widget) {
  for (auto& [form, realised] : forms_)
    std::erase_if(realised.Controls, [&](const TShown& s) { return s.Widget == widget; });
}

TWindowsUserInterface::TShown* TWindowsUserInterface::Find(const TControl* widget) {
  for (auto& [form, realised] : forms_)
    for (TShown& shown : realised.Controls)
      if (shown.Widget == widget) return &shown;
  return nullptr;
}

IControl* TWindowsUserInterface::ControlOf(const TControl& widget) const {
  for (const auto& [form, realised] : forms_)
    for (const TShown& shown : realised.Controls)
      if (shown.Widget == &widget) return shown.Control.get();
  return nullptr;
}

}  // namespace brim
