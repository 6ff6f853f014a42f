// The system's own child controls on the windows of TWin32WindowService.
// A control's notifications (WM_COMMAND) go to its parent window, whose
// procedure is subclassed once to hand them to the control; the control
// finds itself through its window's user data. Panels, bevels and paint
// boxes are windows of a class of our own ("BrimwellPane") that draw their
// face on WM_PAINT. Fonts, brushes and bitmaps a control made are kept in
// owning handles and deleted with it.
//
// The controls are Unicode windows. A control's texts are bytes in the code
// page of its font's character set (CodePages.h): they are shown converted
// to UTF-16, and what the user typed is read back into that code page. A
// face the machine lacks for the character set is replaced by one it has
// (FontFallback.h).
#include "platform/CodePages.h"
#include "platform/Controls.h"
#include "platform/FontFallback.h"
#include "platform/win32/Win32Canvas.h"
#include "platform/win32/Win32Handles.h"
#include "platform/win32/Win32Libraries.h"
#include "platform/win32/Win32Windows.h"

#include <commctrl.h>
#include <richedit.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <map>
#include <utility>
#include <vector>

namespace brim {

namespace {

constexpr char kParentProcProperty[] = "BrimwellControlsParentProc";
constexpr wchar_t kPaneClass[] = L"BrimwellPane";

// The DC of the whole screen, given back with ReleaseDC.
struct TWindowDcTraits {
  using Type = HDC;
  static Type Invalid() { return nullptr; }
  static bool Valid(Type h) { return h != nullptr; }
  static void Close(Type h) { ::ReleaseDC(nullptr, h); }
};

LRESULT CALLBACK PaneProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

bool RegisterPaneClass() {
  static const bool registered = [] {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = PaneProcedure;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.lpszClassName = kPaneClass;
    return ::RegisterClassExW(&wc) != 0;
  }();
  return registered;
}

// BeginPaint and EndPaint around one WM_PAINT.
class TPaintScope {
 public:
  explicit TPaintScope(HWND hwnd) : hwnd_(hwnd), dc_(::BeginPaint(hwnd, &ps_)) {}
  ~TPaintScope() { ::EndPaint(hwnd_, &ps_); }
  TPaintScope(const TPaintScope&) = delete;
  TPaintScope& operator=(const TPaintScope&) = delete;
  HDC Dc() const { return dc_; }

 private:
  HWND hwnd_;
  PAINTSTRUCT ps_ = {};
  HDC dc_;
};

// A bitmap of the screen's format made from the bytes of a BMP file.
HBITMAP BitmapOfFile(const std::string& bmp) {
  if (bmp.size() < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) || bmp.compare(0, 2, "BM") != 0)
    return nullptr;
  BITMAPFILEHEADER file;
  std::memcpy(&file, bmp.data(), sizeof file);
  const size_t pixelsAt = file.bfOffBits;
  if (pixelsAt < sizeof file + sizeof(BITMAPINFOHEADER) || pixelsAt >= bmp.size()) return nullptr;
  // The header and colour table as their own aligned copy.
  const size_t infoSize = pixelsAt - sizeof file;
  std::vector<DWORD> aligned((infoSize + 3) / 4);
  std::copy_n(bmp.begin() + static_cast<std::ptrdiff_t>(sizeof file), infoSize,
              reinterpret_cast<char*>(aligned.data()));
  auto* header = reinterpret_cast<BITMAPINFO*>(aligned.data());
  const BITMAPINFOHEADER& h = header->bmiHeader;
  if (h.biWidth <= 0 || h.biHeight == 0 || h.biBitCount == 0) return nullptr;
  const uint64_t rows = h.biHeight < 0 ? -static_cast<int64_t>(h.biHeight) : h.biHeight;
  const uint64_t stride = (static_cast<uint64_t>(h.biWidth) * h.biBitCount + 31) / 32 * 4;
  if (h.biCompression == BI_RGB && bmp.size() - pixelsAt < stride * rows) return nullptr;
  TScopedHandle<TWindowDcTraits> screen(::GetDC(nullptr));
  return ::CreateDIBitmap(screen.Get(), &header->bmiHeader, CBM_INIT, bmp.data() + file.bfOffBits, header,
                          DIB_RGB_COLORS);
}

// The rich-text class of the richest library present in the system
// directory: RichEdit 2.0, else 1.0; the library stays loaded for the
// program's life.
const wchar_t* RichEditClass() {
  static const wchar_t* const name = [] {
    if (LoadSystemLibrary("RICHED20.DLL")) return L"RichEdit20W";
    if (LoadSystemLibrary("RICHED32.DLL")) return L"RICHEDIT";
    return L"EDIT";
  }();
  return name;
}

std::wstring WideOf(const std::u16string& text) { return {text.begin(), text.end()}; }
std::u16string Utf16Of(const wchar_t* text, size_t length) { return {text, text + length}; }

// Faces the system has for a character set, through EnumFontFamiliesExW.
int CALLBACK NoteFaceFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}
int CALLBACK NoteFace(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM faces) {
  reinterpret_cast<std::vector<std::string>*>(faces)->push_back(
      Utf8FromWide(Utf16Of(font->lfFaceName, std::wcslen(font->lfFaceName))));
  return 1;
}

// The face to create for a face name in the code page of charset: the
// name itself when the system has it with that character set, else the
// installed face ChooseFontFace prefers. Asked once per name and set.
std::wstring FaceToCreate(const std::string& face, int32_t charset) {
  static std::map<std::pair<std::string, int32_t>, std::wstring> chosen;
  auto key = std::make_pair(face, charset);
  if (auto it = chosen.find(key); it != chosen.end()) return it->second;
  std::wstring wide = WideOf(WideFromCodePage(face, CodePageOfCharset(charset)));
  TScopedHandle<TWindowDcTraits> screen(::GetDC(nullptr));
  LOGFONTW lf = {};
  lf.lfCharSet = static_cast<BYTE>(charset);
  wide.copy(lf.lfFaceName, LF_FACESIZE - 1);
  bool found = false;
  if (!wide.empty())
    ::EnumFontFamiliesExW(screen.Get(), &lf, NoteFaceFound, reinterpret_cast<LPARAM>(&found), 0);
  std::wstring result = wide;
  if (!found) {
    std::vector<std::string> installed;
    lf.lfFaceName[0] = L'\0';
    ::EnumFontFamiliesExW(screen.Get(), &lf, NoteFace, reinterpret_cast<LPARAM>(&installed), 0);
    std::string requested = Utf8FromWide(Utf16Of(wide.c_str(), wide.size()));
    result = WideOf(WideFromUtf8(ChooseFontFace(requested, charset, installed)));
  }
  return chosen[key] = result;
}

// The progress bar's class, from comctl32.dll of the system directory,
// which stays loaded for the program's life.
bool InitCommonControls() {
  static const bool done = [] {
    decltype(&::InitCommonControlsEx) initialize = nullptr;
    if (!ResolveEntry(LoadSystemLibrary("COMCTL32.DLL"), initialize, "InitCommonControlsEx"))
      return false;
    INITCOMMONCONTROLSEX init = {sizeof init, ICC_PROGRESS_CLASS};
    return initialize(&init) != FALSE;
  }();
  return done;
}

struct TClassAndStyle {
  const wchar_t* Class;
  DWORD Style;
  DWORD ExStyle;
};

TClassAndStyle ClassOf(TControlKind kind, const TControlOptions& o) {
  switch (kind) {
    case TControlKind::Button:
      return {L"BUTTON", static_cast<DWORD>((o.Default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | WS_TABSTOP), 0};
    case TControlKind::CheckBox: return {L"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, 0};
    case TControlKind::Label: {
      DWORD style = o.Alignment == TControlAlignment::Right    ? SS_RIGHT
                    : o.Alignment == TControlAlignment::Center ? SS_CENTER
                    : o.WordWrap                               ? SS_LEFT
                                                               : SS_LEFTNOWORDWRAP;
      return {L"STATIC", static_cast<DWORD>(style | (o.NoPrefix ? SS_NOPREFIX : 0)), 0};
    }
    case TControlKind::Edit:
      return {L"EDIT", static_cast<DWORD>(ES_AUTOHSCROLL | WS_TABSTOP | (o.ReadOnly ? ES_READONLY : 0)),
              WS_EX_CLIENTEDGE};
    case TControlKind::Memo:
      return {L"EDIT",
              static_cast<DWORD>(ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL | WS_TABSTOP |
                                 (o.ReadOnly ? ES_READONLY : 0)),
              WS_EX_CLIENTEDGE};
    case TControlKind::ListBox:
      // Of the height it is given, not cut to whole lines.
      return {L"LISTBOX",
              static_cast<DWORD>(LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP |
                                 (o.Sorted ? LBS_SORT : 0)),
              WS_EX_CLIENTEDGE};
    case TControlKind::ProgressBar: return {PROGRESS_CLASSW, 0, 0};
    case TControlKind::RichEdit:
      return {RichEditClass(), ES_MULTILINE | ES_READONLY | WS_VSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
    case TControlKind::GroupBox: return {L"BUTTON", BS_GROUPBOX, 0};
    case TControlKind::Image: return {L"STATIC", SS_BITMAP, 0};
    case TControlKind::Panel:
    case TControlKind::Bevel:
    case TControlKind::PaintBox: return {kPaneClass, 0, 0};
  }
  return {L"STATIC", 0, 0};
}

class TWin32Control;
LRESULT CALLBACK ParentProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Puts ParentProcedure in front of the window's own procedure, once.
void SubclassParent(HWND parent) {
  if (::GetPropA(parent, kParentProcProperty)) return;
  LONG_PTR previous = ::SetWindowLongPtrW(parent, GWLP_WNDPROC,
                                          reinterpret_cast<LONG_PTR>(ParentProcedure));
  ::SetPropA(parent, kParentProcProperty, reinterpret_cast<HANDLE>(previous));
}

// Control identifiers start above IDOK and IDCANCEL, which Enter and
// Escape send, and stay within the 16 bits WM_COMMAND carries.
int NextControlId() {
  static int next = 100;
  if (next >= 0xF000) next = 100;
  return next++;
}

class TWin32Control : public IControl {
 public:
  TWin32Control(TControlKind kind, TWin32WindowService& service, TControlCallbacks callbacks,
                const TControlOptions& options)
      : kind_(kind), service_(service), callbacks_(std::move(callbacks)), options_(options) {}
  ~TWin32Control() override {
    if (hwnd_) ::SetWindowLongPtrA(hwnd_.Get(), GWLP_USERDATA, 0);
    // The window goes before the font, brush and picture it uses.
    hwnd_.Reset();
  }

  bool Create(HWND parent, const TWindowBounds& b, const std::string& text) {
    if (kind_ == TControlKind::ProgressBar && !InitCommonControls()) return false;
    if (ClassOf(kind_, options_).Class == kPaneClass && !RegisterPaneClass()) return false;
    TClassAndStyle cs = ClassOf(kind_, options_);
    bool hasText = HasText();
    if (hasText) text_ = text;
    std::wstring wide = Wide(text);
    hwnd_.Reset(::CreateWindowExW(cs.ExStyle, cs.Class, hasText ? wide.c_str() : nullptr,
                                  WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | cs.Style, b.Left, b.Top,
                                  b.Width, b.Height, parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(NextControlId())),
                                  ::GetModuleHandleW(nullptr), nullptr));
    if (!hwnd_) return false;
    ::SetWindowLongPtrA(hwnd_.Get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ::SendMessageW(hwnd_.Get(), WM_SETFONT,
                   reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    if (kind_ == TControlKind::RichEdit) ::SendMessageA(hwnd_.Get(), EM_SETEVENTMASK, 0, ENM_CHANGE);
    SubclassParent(parent);
    return true;
  }

  TControlKind Kind() override { return kind_; }
  void SetText(const std::string& text) override {
    if (kind_ == TControlKind::Image || kind_ == TControlKind::PaintBox) return;
    text_ = text;
    ::SetWindowTextW(hwnd_.Get(), Wide(text).c_str());
    if (IsPane()) ::InvalidateRect(hwnd_.Get(), nullptr, TRUE);
    service_.RethrowPending();
  }
  std::string Text() override {
    if (IsPane()) return kind_ == TControlKind::PaintBox ? std::string() : text_;
    int length = ::GetWindowTextLengthW(hwnd_.Get());
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    int got = ::GetWindowTextW(hwnd_.Get(), text.data(), length + 1);
    return Bytes(text.c_str(), static_cast<size_t>(std::max(got, 0)));
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
  void SetVisible(bool visible) override { ::ShowWindow(hwnd_.Get(), visible ? SW_SHOWNA : SW_HIDE); }
  bool Visible() override { return (::GetWindowLongA(hwnd_.Get(), GWL_STYLE) & WS_VISIBLE) != 0; }
  void SetEnabled(bool enabled) override { ::EnableWindow(hwnd_.Get(), enabled ? TRUE : FALSE); }
  bool Enabled() override { return ::IsWindowEnabled(hwnd_.Get()) != FALSE; }
  void SetItems(const std::vector<std::string>& items) override {
    if (kind_ != TControlKind::ListBox) return;
    ::SendMessageW(hwnd_.Get(), LB_RESETCONTENT, 0, 0);
    for (const auto& item : items)
      ::SendMessageW(hwnd_.Get(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item).c_str()));
  }
  std::vector<std::string> Items() override {
    std::vector<std::string> items;
    if (kind_ != TControlKind::ListBox) return items;
    LRESULT count = ::SendMessageA(hwnd_.Get(), LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      LRESULT length = ::SendMessageW(hwnd_.Get(), LB_GETTEXTLEN, i, 0);
      std::wstring item(static_cast<size_t>(std::max<LRESULT>(length, 0)) + 1, L'\0');
      LRESULT got = ::SendMessageW(hwnd_.Get(), LB_GETTEXT, i, reinterpret_cast<LPARAM>(item.data()));
      items.push_back(Bytes(item.c_str(), static_cast<size_t>(std::max<LRESULT>(got, 0))));
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
  void Choose(int index) override {
    if (kind_ != TControlKind::ListBox || !::IsWindowEnabled(hwnd_.Get())) return;
    // LB_SETCURSEL does not notify; the user's choice does.
    ::SendMessageA(hwnd_.Get(), LB_SETCURSEL, index, 0);
    ::SendMessageA(::GetParent(hwnd_.Get()), WM_COMMAND,
                   MAKEWPARAM(::GetDlgCtrlID(hwnd_.Get()), LBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(hwnd_.Get()));
    service_.RethrowPending();
  }
  TControlOptions Options() override {
    // What the window's style says, the rest as it was given.
    TControlOptions options = options_;
    LONG style = ::GetWindowLongA(hwnd_.Get(), GWL_STYLE);
    if (kind_ == TControlKind::Button) options.Default = (style & 0xF) == BS_DEFPUSHBUTTON;
    if (kind_ == TControlKind::ListBox) options.Sorted = (style & LBS_SORT) == LBS_SORT;
    if (kind_ == TControlKind::Edit || kind_ == TControlKind::Memo)
      options.ReadOnly = (style & ES_READONLY) != 0;
    return options;
  }
  void SetFont(const TControlFont& f) override {
    // The size, weight and style stay as asked when the face is replaced.
    std::wstring face = FaceToCreate(f.Face, f.Charset);
    TGdiObject font(::CreateFontW(f.Height, 0, 0, 0, f.Bold ? FW_BOLD : FW_NORMAL, f.Italic, f.Underline,
                                  FALSE, static_cast<DWORD>(f.Charset), OUT_DEFAULT_PRECIS,
                                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                                  face.c_str()));
    if (!font) return;
    // The texts shown were converted from the old character set's code
    // page: they are read back in it and shown again in the new one.
    uint32_t codePage = CodePageOfCharset(f.Charset);
    bool recode = codePage != codePage_;
    std::string text = recode ? Text() : std::string();
    std::vector<std::string> items = recode ? Items() : std::vector<std::string>();
    int index = ItemIndex();
    ::SendMessageW(hwnd_.Get(), WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), TRUE);
    font_ = std::move(font);  // the old font is deleted once the control no longer uses it
    given_ = f;
    codePage_ = codePage;
    if (!recode) return;
    if (HasText()) SetText(text);
    if (kind_ == TControlKind::ListBox) {
      SetItems(items);
      SetItemIndex(index);
    }
  }
  // The font as it was given (the face replaced for the screen is the
  // system's business); before any, the one the control starts with.
  TControlFont Font() override {
    if (given_) return *given_;
    auto font = reinterpret_cast<HGDIOBJ>(::SendMessageW(hwnd_.Get(), WM_GETFONT, 0, 0));
    LOGFONTW lf = {};
    if (!font || !::GetObjectW(font, sizeof lf, &lf)) return {};
    std::u16string face = Utf16Of(lf.lfFaceName, std::wcslen(lf.lfFaceName));
    return {CodePageFromWide(face, CodePageOfCharset(lf.lfCharSet)), lf.lfHeight, lf.lfWeight >= FW_BOLD,
            lf.lfItalic != 0, lf.lfUnderline != 0, lf.lfCharSet};
  }
  void SetColor(std::optional<TCanvasColor> color) override {
    if (color == color_) return;
    color_ = color;
    brush_.Reset(color ? ::CreateSolidBrush(*color) : nullptr);
    ::InvalidateRect(hwnd_.Get(), nullptr, TRUE);
  }
  std::optional<TCanvasColor> Color() override { return color_; }
  void SetPicture(const std::string& bmp) override {
    if (kind_ != TControlKind::Image) return;
    TWindowBounds bounds = Bounds();
    TGdiObject bitmap(BitmapOfFile(bmp));
    ::SendMessageA(hwnd_.Get(), STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap.Get()));
    picture_ = std::move(bitmap);
    // The static control sizes itself to the picture; the control keeps its place.
    SetBounds(bounds);
  }
  int32_t WrappedTextHeight(int32_t width) override {
    std::wstring text = Wide(text_);
    if (text.empty() || width <= 0) return 0;
    TScopedHandle<TWindowDcTraits> dc(::GetDC(nullptr));
    if (!dc) return 0;
    HGDIOBJ font = font_ ? font_.Get() : ::GetStockObject(DEFAULT_GUI_FONT);
    HGDIOBJ old = ::SelectObject(dc.Get(), font);
    RECT r = {0, 0, width, 0};
    // As the static control draws a word-wrapped label.
    ::DrawTextW(dc.Get(), text.c_str(), static_cast<int>(text.size()), &r,
                DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOCLIP);
    ::SelectObject(dc.Get(), old);
    return r.bottom - r.top;
  }
  TCanvasSize PictureSize() override {
    BITMAP bm = {};
    if (!picture_ || !::GetObjectA(picture_.Get(), sizeof bm, &bm)) return {};
    return {bm.bmWidth, bm.bmHeight};
  }
  void Focus() override {
    ::SetFocus(hwnd_.Get());
    service_.RethrowPending();
  }
  bool Focused() override { return ::GetFocus() == hwnd_.Get(); }
  void Repaint() override {
    ::InvalidateRect(hwnd_.Get(), nullptr, TRUE);
    ::UpdateWindow(hwnd_.Get());
    service_.RethrowPending();
  }

  // A notification from the parent's procedure.
  void Notify(WORD code) {
    const std::function<void()>* callback = nullptr;
    if (code == BN_CLICKED && (kind_ == TControlKind::Button || kind_ == TControlKind::CheckBox))
      callback = &callbacks_.Clicked;
    else if (code == EN_CHANGE && (kind_ == TControlKind::Edit || kind_ == TControlKind::Memo))
      callback = &callbacks_.Changed;
    else if (code == LBN_SELCHANGE && kind_ == TControlKind::ListBox)
      callback = &callbacks_.Selected;
    if (!callback || !*callback) return;
    // The callback may destroy this control (a page that goes): run a copy.
    std::function<void()> run = *callback;
    TWin32WindowService& service = service_;
    try {
      run();
    } catch (...) {
      service.Keep(std::current_exception());
    }
  }
  // The brush of a static or button's background, null for the system's.
  HBRUSH Background(HDC dc) {
    if (!color_) return nullptr;
    ::SetBkColor(dc, *color_);
    return static_cast<HBRUSH>(brush_.Get());
  }
  bool Cancels() const { return options_.Cancel; }
  bool Defaults() const { return options_.Default; }
  HWND Handle() const { return hwnd_.Get(); }

  // A pane's face: a paint box is the owner's to draw; a panel is filled
  // and edged with its caption in the middle; a bevel is its edge only.
  void PaintPane() {
    TPaintScope paint(hwnd_.Get());
    RECT r = {};
    ::GetClientRect(hwnd_.Get(), &r);
    if (kind_ == TControlKind::PaintBox) {
      if (!callbacks_.Paint) return;
      TGdiCanvas canvas(paint.Dc(), r.right, r.bottom);
      try {
        callbacks_.Paint(canvas);
      } catch (...) {
        service_.Keep(std::current_exception());
      }
      return;
    }
    HBRUSH fill = color_ ? static_cast<HBRUSH>(brush_.Get()) : ::GetSysColorBrush(COLOR_BTNFACE);
    ::FillRect(paint.Dc(), &r, fill);
    UINT edge = options_.Frame == TControlFrame::Raised ? BDR_RAISEDOUTER
                : kind_ == TControlKind::Bevel         ? EDGE_ETCHED
                                                       : BDR_SUNKENOUTER;
    UINT sides = 0;
    switch (options_.Frame) {
      case TControlFrame::None: break;
      case TControlFrame::Raised:
      case TControlFrame::Lowered:
      case TControlFrame::Box: sides = BF_RECT; break;
      case TControlFrame::TopLine: sides = BF_TOP; break;
      case TControlFrame::BottomLine: sides = BF_BOTTOM; break;
      case TControlFrame::LeftLine: sides = BF_LEFT; break;
      case TControlFrame::RightLine: sides = BF_RIGHT; break;
    }
    if (sides) ::DrawEdge(paint.Dc(), &r, edge, sides);
    if (kind_ != TControlKind::Panel || text_.empty()) return;
    HGDIOBJ font = font_ ? font_.Get() : ::GetStockObject(DEFAULT_GUI_FONT);
    HGDIOBJ old = ::SelectObject(paint.Dc(), font);
    ::SetBkMode(paint.Dc(), TRANSPARENT);
    ::SetTextColor(paint.Dc(), ::GetSysColor(COLOR_BTNTEXT));
    UINT align = options_.Alignment == TControlAlignment::Left    ? DT_LEFT
                 : options_.Alignment == TControlAlignment::Right ? DT_RIGHT
                                                                  : DT_CENTER;
    std::wstring text = Wide(text_);
    ::DrawTextW(paint.Dc(), text.c_str(), static_cast<int>(text.size()), &r, align | DT_VCENTER | DT_SINGLELINE);
    ::SelectObject(paint.Dc(), old);
  }

 private:
  bool IsPane() const { return ClassOf(kind_, options_).Class == kPaneClass; }
  bool HasText() const {
    return kind_ != TControlKind::ListBox && kind_ != TControlKind::ProgressBar && kind_ != TControlKind::Image &&
           kind_ != TControlKind::PaintBox;
  }
  // A text of the control's code page for the window, and back.
  std::wstring Wide(const std::string& text) const { return WideOf(WideFromCodePage(text, codePage_)); }
  std::string Bytes(const wchar_t* text, size_t length) const {
    return CodePageFromWide(Utf16Of(text, length), codePage_);
  }

  TControlKind kind_;
  TWin32WindowService& service_;
  TControlCallbacks callbacks_;
  TControlOptions options_;
  std::string text_;  // a pane's caption
  std::optional<TCanvasColor> color_;
  TGdiObject font_;
  std::optional<TControlFont> given_;
  // Controls start in the system's font of the default character set.
  uint32_t codePage_ = CodePageOfCharset(charsetDefault);
  TGdiObject brush_;
  TGdiObject picture_;
  TWindowHandle hwnd_;  // last: destroyed first
};

TWin32Control* ControlOfWindow(HWND hwnd) {
  return reinterpret_cast<TWin32Control*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

// Enter and Escape (IDOK and IDCANCEL from the dialog keys) press the
// visible, enabled default or cancel button of the window.
void PressDialogButton(HWND parent, bool cancel) {
  for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    TWin32Control* control = ControlOfWindow(child);
    if (!control || !::IsWindowVisible(child) || !::IsWindowEnabled(child)) continue;
    if (cancel ? control->Cancels() : control->Defaults()) {
      control->Notify(BN_CLICKED);
      return;
    }
  }
}

LRESULT CALLBACK ParentProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto previous = reinterpret_cast<WNDPROC>(::GetPropA(hwnd, kParentProcProperty));
  if (message == WM_COMMAND && lParam != 0) {
    if (TWin32Control* control = ControlOfWindow(reinterpret_cast<HWND>(lParam)))
      control->Notify(HIWORD(wParam));
  } else if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    PressDialogButton(hwnd, LOWORD(wParam) == IDCANCEL);
    return 0;
  } else if (message == WM_CTLCOLORSTATIC || message == WM_CTLCOLORBTN) {
    if (TWin32Control* control = ControlOfWindow(reinterpret_cast<HWND>(lParam)))
      if (HBRUSH brush = control->Background(reinterpret_cast<HDC>(wParam)))
        return reinterpret_cast<LRESULT>(brush);
  } else if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    ::RemovePropA(hwnd, kParentProcProperty);
  }
  return ::CallWindowProcW(previous, hwnd, message, wParam, lParam);
}

LRESULT CALLBACK PaneProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  TWin32Control* control = ControlOfWindow(hwnd);
  if (control && message == WM_PAINT) {
    control->PaintPane();
    return 0;
  }
  if (message == WM_ERASEBKGND) return 1;  // WM_PAINT fills the whole pane
  return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

class TWin32ControlService : public IControlService {
 public:
  std::unique_ptr<IControl> CreateControl(IWindow& parent, TControlKind kind,
                                          const TWindowBounds& bounds, const std::string& text,
                                          TControlCallbacks callbacks,
                                          const TControlOptions& options) override {
    auto parts = Win32WindowParts(parent);
    if (!parts || !parts->Handle) return nullptr;
    auto control =
        std::make_unique<TWin32Control>(kind, *parts->Service, std::move(callbacks), options);
    if (!control->Create(parts->Handle, bounds, text)) return nullptr;
    return control;
  }
  void Stack(const std::vector<IControl*>& topFirst) override {
    HWND above = HWND_TOP;
    for (IControl* c : topFirst) {
      auto* control = dynamic_cast<TWin32Control*>(c);
      if (!control) continue;
      ::SetWindowPos(control->Handle(), above, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
      above = control->Handle();
    }
  }
};

}  // namespace

IControlService& NativeControlService() {
  static TWin32ControlService service;
  return service;
}

}  // namespace brim
