// The system's own child controls on the windows of TWin32WindowService.
// A control's notifications (WM_COMMAND) go to its parent window, whose
// procedure is subclassed once to hand them to the control; the control
// finds itself through its window's user data.
#include "platform/Controls.h"
#include "platform/win32/Win32Handles.h"
#include "platform/win32/Win32Windows.h"

#include <commctrl.h>
#include <richedit.h>

#include <algorithm>
#include <utility>

namespace brim {

namespace {

constexpr char kParentProcProperty[] = "BrimwellControlsParentProc";

// The rich-text class of the richest library present: RichEdit 2.0, else
// 1.0; the library stays loaded for the program's life.
const char* RichEditClass() {
  static const char* const name = [] {
    if (::LoadLibraryA("RICHED20.DLL")) return "RichEdit20A";
    if (::LoadLibraryA("RICHED32.DLL")) return "RICHEDIT";
    return "EDIT";
  }();
  return name;
}

bool InitCommonControls() {
  static const bool done = [] {
    INITCOMMONCONTROLSEX init = {sizeof init, ICC_PROGRESS_CLASS};
    return ::InitCommonControlsEx(&init) != FALSE;
  }();
  return done;
}

struct TClassAndStyle {
  const char* Class;
  DWORD Style;
  DWORD ExStyle;
};

TClassAndStyle ClassOf(TControlKind kind) {
  switch (kind) {
    case TControlKind::Button: return {"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0};
    case TControlKind::CheckBox: return {"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, 0};
    case TControlKind::Label: return {"STATIC", SS_LEFT, 0};
    case TControlKind::Edit:
      return {"EDIT", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
    case TControlKind::Memo:
      return {"EDIT", ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL | WS_TABSTOP,
              WS_EX_CLIENTEDGE};
    case TControlKind::ListBox:
      // Of the height it is given, not cut to whole lines.
      return {"LISTBOX", LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP,
              WS_EX_CLIENTEDGE};
    case TControlKind::ProgressBar: return {PROGRESS_CLASSA, 0, 0};
    case TControlKind::RichEdit:
      return {RichEditClass(), ES_MULTILINE | ES_READONLY | WS_VSCROLL, WS_EX_CLIENTEDGE};
  }
  return {"STATIC", 0, 0};
}

class TWin32Control;
LRESULT CALLBACK ParentProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Puts ParentProcedure in front of the window's own procedure, once.
void SubclassParent(HWND parent) {
  if (::GetPropA(parent, kParentProcProperty)) return;
  LONG_PTR previous = ::SetWindowLongPtrA(parent, GWLP_WNDPROC,
                                          reinterpret_cast<LONG_PTR>(ParentProcedure));
  ::SetPropA(parent, kParentProcProperty, reinterpret_cast<HANDLE>(previous));
}

class TWin32Control : public IControl {
 public:
  TWin32Control(TControlKind kind, TWin32WindowService& service, TControlCallbacks callbacks)
      : kind_(kind), service_(service), callbacks_(std::move(callbacks)) {}
  ~TWin32Control() override {
    if (hwnd_) ::SetWindowLongPtrA(hwnd_.Get(), GWLP_USERDATA, 0);
  }

  bool Create(HWND parent, const TWindowBounds& b, const std::string& text) {
    static int nextId = 100;
    if (kind_ == TControlKind::ProgressBar && !InitCommonControls()) return false;
    TClassAndStyle cs = ClassOf(kind_);
    bool hasText = kind_ != TControlKind::ListBox && kind_ != TControlKind::ProgressBar;
    hwnd_.Reset(::CreateWindowExA(cs.ExStyle, cs.Class, hasText ? text.c_str() : nullptr,
                                  WS_CHILD | WS_VISIBLE | cs.Style, b.Left, b.Top, b.Width,
                                  b.Height, parent, reinterpret_cast<HMENU>(nextId++),
                                  ::GetModuleHandleA(nullptr), nullptr));
    if (!hwnd_) return false;
    ::SetWindowLongPtrA(hwnd_.Get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ::SendMessageA(hwnd_.Get(), WM_SETFONT,
                   reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    if (kind_ == TControlKind::RichEdit) ::SendMessageA(hwnd_.Get(), EM_SETEVENTMASK, 0, ENM_CHANGE);
    SubclassParent(parent);
    return true;
  }

  TControlKind Kind() override { return kind_; }
  void SetText(const std::string& text) override {
    ::SetWindowTextA(hwnd_.Get(), text.c_str());
    service_.RethrowPending();
  }
  std::string Text() override {
    int length = ::GetWindowTextLengthA(hwnd_.Get());
    std::string text(static_cast<size_t>(length) + 1, '\0');
    int got = ::GetWindowTextA(hwnd_.Get(), text.data(), length + 1);
    text.resize(static_cast<size_t>(std::max(got, 0)));
    return text;
  }
  void SetBounds(const TWindowBounds& b) override {
    ::MoveWindow(hwnd_.Get(), b.Left, b.Top, b.Width, b.Height, TRUE);
  }
  TWindowBounds Bounds() override {
    RECT r = {};
    ::GetWindowRect(hwnd_.Get(), &r);
    ::MapWindowPoints(HWND_DESKTOP, ::GetParent(hwnd_.Get()), reinterpret_cast<POINT*>(&r), 2);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
  }
  void SetVisible(bool visible) override { ::ShowWindow(hwnd_.Get(), visible ? SW_SHOW : SW_HIDE); }
  bool Visible() override { return (::GetWindowLongA(hwnd_.Get(), GWL_STYLE) & WS_VISIBLE) != 0; }
  void SetEnabled(bool enabled) override { ::EnableWindow(hwnd_.Get(), enabled ? TRUE : FALSE); }
  bool Enabled() override { return ::IsWindowEnabled(hwnd_.Get()) != FALSE; }
  void SetItems(const std::vector<std::string>& items) override {
    if (kind_ != TControlKind::ListBox) return;
    ::SendMessageA(hwnd_.Get(), LB_RESETCONTENT, 0, 0);
    for (const auto& item : items)
      ::SendMessageA(hwnd_.Get(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
  }
  std::vector<std::string> Items() override {
    std::vector<std::string> items;
    if (kind_ != TControlKind::ListBox) return items;
    LRESULT count = ::SendMessageA(hwnd_.Get(), LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      LRESULT length = ::SendMessageA(hwnd_.Get(), LB_GETTEXTLEN, i, 0);
      std::string item(static_cast<size_t>(std::max<LRESULT>(length, 0)) + 1, '\0');
      ::SendMessageA(hwnd_.Get(), LB_GETTEXT, i, reinterpret_cast<LPARAM>(item.data()));
      item.resize(static_cast<size_t>(std::max<LRESULT>(length, 0)));
      items.push_back(item);
    }
    return items;
  }
  void SetItemIndex(int index) override {
    if (kind_ == TControlKind::ListBox) ::SendMessageA(hwnd_.Get(), LB_SETCURSEL, index, 0);
  }
  int ItemIndex() override {
    if (kind_ != TControlKind::ListBox) return -1;
    return static_cast<int>(::SendMessageA(hwnd_.Get(), LB_GETCURSEL, 0, 0));
  }
  void SetChecked(bool checked) override {
    if (kind_ == TControlKind::CheckBox)
      ::SendMessageA(hwnd_.Get(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  bool Checked() override {
    return kind_ == TControlKind::CheckBox &&
           ::SendMessageA(hwnd_.Get(), BM_GETCHECK, 0, 0) == BST_CHECKED;
  }
  void SetRange(int max) override {
    if (kind_ == TControlKind::ProgressBar)
      ::SendMessageA(hwnd_.Get(), PBM_SETRANGE32, 0, std::max(max, 0));
  }
  void SetPosition(int position) override {
    if (kind_ == TControlKind::ProgressBar) ::SendMessageA(hwnd_.Get(), PBM_SETPOS, position, 0);
  }
  int Position() override {
    if (kind_ != TControlKind::ProgressBar) return 0;
    return static_cast<int>(::SendMessageA(hwnd_.Get(), PBM_GETPOS, 0, 0));
  }
  void Click() override {
    if (kind_ != TControlKind::Button && kind_ != TControlKind::CheckBox) return;
    if (!::IsWindowEnabled(hwnd_.Get())) return;
    ::SendMessageA(hwnd_.Get(), BM_CLICK, 0, 0);
    service_.RethrowPending();
  }

  // A notification from the parent's procedure.
  void Notify(WORD code) {
    const std::function<void()>* callback = nullptr;
    if (code == BN_CLICKED &&
        (kind_ == TControlKind::Button || kind_ == TControlKind::CheckBox))
      callback = &callbacks_.Clicked;
    else if (code == EN_CHANGE && (kind_ == TControlKind::Edit || kind_ == TControlKind::Memo))
      callback = &callbacks_.Changed;
    if (!callback || !*callback) return;
    try {
      (*callback)();
    } catch (...) {
      service_.Keep(std::current_exception());
    }
  }

 private:
  TControlKind kind_;
  TWin32WindowService& service_;
  TControlCallbacks callbacks_;
  TWindowHandle hwnd_;
};

LRESULT CALLBACK ParentProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto previous = reinterpret_cast<WNDPROC>(::GetPropA(hwnd, kParentProcProperty));
  if (message == WM_COMMAND && lParam != 0) {
    auto* control = reinterpret_cast<TWin32Control*>(
        ::GetWindowLongPtrA(reinterpret_cast<HWND>(lParam), GWLP_USERDATA));
    if (control) control->Notify(HIWORD(wParam));
  } else if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    ::RemovePropA(hwnd, kParentProcProperty);
  }
  return ::CallWindowProcA(previous, hwnd, message, wParam, lParam);
}

class TWin32ControlService : public IControlService {
 public:
  std::unique_ptr<IControl> CreateControl(IWindow& parent, TControlKind kind,
                                          const TWindowBounds& bounds, const std::string& text,
                                          TControlCallbacks callbacks) override {
    auto parts = Win32WindowParts(parent);
    if (!parts || !parts->Handle) return nullptr;
    auto control = std::make_unique<TWin32Control>(kind, *parts->Service, std::move(callbacks));
    if (!control->Create(parts->Handle, bounds, text)) return nullptr;
    return control;
  }
};

}  // namespace

IControlService& NativeControlService() {
  static TWin32ControlService service;
  return service;
}

}  // namespace brim
