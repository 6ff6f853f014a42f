// Windows, the message loop and message boxes through user32. The windows
// are Unicode windows: a caption in the code page of its language shows on
// a system of any language, and the controls on them get their texts as
// UTF-16 too.
#include "platform/win32/Win32Windows.h"

#include <string>
#include <utility>

#include "platform/CodePages.h"
#include "platform/NativeServices.h"
#include "platform/TextMessageBox.h"
#include "platform/win32/Win32Api.h"
#include "platform/win32/Win32Handles.h"

namespace brim {

namespace {

constexpr wchar_t kWindowClass[] = L"BrimwellForm";

class TWin32Window;

LRESULT CALLBACK WindowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

bool RegisterWindowClass() {
  static const bool registered = [] {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = WindowProcedure;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kWindowClass;
    return ::RegisterClassExW(&wc) != 0;
  }();
  return registered;
}

class TWin32Window : public IWindow {
 public:
  TWin32Window(TWin32WindowService& service, TWindowCallbacks callbacks)
      : service_(service), callbacks_(std::move(callbacks)) {}
  ~TWin32Window() override {
    // No callbacks while the window goes: the form behind them is going too.
    if (hwnd_) ::SetWindowLongPtrA(hwnd_.Get(), GWLP_USERDATA, 0);
  }

  bool Create(const std::string& caption, const TWindowBounds& b) {
    if (!RegisterWindowClass()) return false;
    caption_ = caption;
    hwnd_.Reset(::CreateWindowExW(0, kWindowClass, Wide(caption).c_str(), WS_OVERLAPPEDWINDOW, b.Left,
                                  b.Top, b.Width, b.Height, nullptr, nullptr,
                                  ::GetModuleHandleW(nullptr), this));
    return static_cast<bool>(hwnd_);
  }

  void Show() override {
    ::ShowWindow(hwnd_.Get(), SW_SHOW);
    ::SetForegroundWindow(hwnd_.Get());
    service_.RethrowPending();
  }
  void Hide() override {
    ::ShowWindow(hwnd_.Get(), SW_HIDE);
    service_.RethrowPending();
  }
  bool Visible() override { return ::IsWindowVisible(hwnd_.Get()) != 0; }
  void Maximize() override {
    ::ShowWindow(hwnd_.Get(), SW_MAXIMIZE);
    service_.RethrowPending();
  }
  bool Maximized() override { return ::IsZoomed(hwnd_.Get()) != 0; }
  void SetBounds(const TWindowBounds& b) override {
    if (::IsZoomed(hwnd_.Get())) ::ShowWindow(hwnd_.Get(), SW_RESTORE);
    ::MoveWindow(hwnd_.Get(), b.Left, b.Top, b.Width, b.Height, TRUE);
    service_.RethrowPending();
  }
  TWindowBounds Bounds() override {
    RECT r = {};
    ::GetWindowRect(hwnd_.Get(), &r);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
  }
  void SetCaption(const std::string& caption) override {
    caption_ = caption;
    ::SetWindowTextW(hwnd_.Get(), Wide(caption).c_str());
  }
  void SetCaptionCharset(int32_t charset) override {
    if (charset == charset_) return;
    charset_ = charset;
    SetCaption(caption_);
  }
  void Repaint() override {
    // The controls on the window too.
    ::RedrawWindow(hwnd_.Get(), nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    service_.RethrowPending();
  }

  void SetStyle(const TWindowStyle& style) override {
    LONG_PTR ws = ::GetWindowLongPtrA(hwnd_.Get(), GWL_STYLE) & (WS_VISIBLE | WS_DISABLED);
    LONG_PTR ex = 0;
    switch (style.Border) {
      case TWindowBorder::Sizeable: ws |= WS_OVERLAPPED | WS_CAPTION | WS_THICKFRAME; break;
      case TWindowBorder::Single: ws |= WS_OVERLAPPED | WS_CAPTION | WS_BORDER; break;
      case TWindowBorder::Dialog:
        ws |= WS_POPUP | WS_CAPTION | DS_MODALFRAME;
        ex |= WS_EX_DLGMODALFRAME;
        break;
      case TWindowBorder::None: ws |= WS_POPUP; break;
    }
    if (style.Border != TWindowBorder::None && style.SystemMenu) {
      ws |= WS_SYSMENU;
      // A dialog frame has no boxes to minimise or maximise.
      if (style.Border != TWindowBorder::Dialog) {
        if (style.MinimizeBox) ws |= WS_MINIMIZEBOX;
        if (style.MaximizeBox) ws |= WS_MAXIMIZEBOX;
      }
    }
    TWindowBounds client = ClientSize();
    ::SetWindowLongPtrA(hwnd_.Get(), GWL_STYLE, ws);
    ::SetWindowLongPtrA(hwnd_.Get(), GWL_EXSTYLE, ex);
    ::SetWindowPos(hwnd_.Get(), style.StayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    // The client area keeps its size inside the new frame.
    SetClientSize(client.Width, client.Height);
  }
  TWindowStyle Style() override {
    LONG_PTR ws = ::GetWindowLongPtrA(hwnd_.Get(), GWL_STYLE);
    LONG_PTR ex = ::GetWindowLongPtrA(hwnd_.Get(), GWL_EXSTYLE);
    TWindowStyle style;
    if ((ws & WS_CAPTION) != WS_CAPTION) style.Border = TWindowBorder::None;
    else if (ex & WS_EX_DLGMODALFRAME) style.Border = TWindowBorder::Dialog;
    else if (ws & WS_THICKFRAME) style.Border = TWindowBorder::Sizeable;
    else style.Border = TWindowBorder::Single;
    style.SystemMenu = (ws & WS_SYSMENU) != 0;
    style.MinimizeBox = (ws & WS_MINIMIZEBOX) != 0;
    style.MaximizeBox = (ws & WS_MAXIMIZEBOX) != 0;
    style.StayOnTop = (ex & WS_EX_TOPMOST) != 0;
    return style;
  }
  void SetClientSize(int32_t width, int32_t height) override {
    RECT r = {0, 0, width, height};
    ::AdjustWindowRectEx(&r, static_cast<DWORD>(::GetWindowLongPtrA(hwnd_.Get(), GWL_STYLE)), FALSE,
                         static_cast<DWORD>(::GetWindowLongPtrA(hwnd_.Get(), GWL_EXSTYLE)));
    ::SetWindowPos(hwnd_.Get(), nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    service_.RethrowPending();
  }
  TWindowBounds ClientSize() override {
    RECT r = {};
    ::GetClientRect(hwnd_.Get(), &r);
    return {0, 0, r.right, r.bottom};
  }
  void CenterOnScreen() override {
    RECT work = {};
    if (!::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0))
      work = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    TWindowBounds b = Bounds();
    ::SetWindowPos(hwnd_.Get(), nullptr, work.left + (work.right - work.left - b.Width) / 2,
                   work.top + (work.bottom - work.top - b.Height) / 2, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    service_.RethrowPending();
  }
  void SetEnabled(bool enabled) override { ::EnableWindow(hwnd_.Get(), enabled ? TRUE : FALSE); }
  bool Enabled() override { return ::IsWindowEnabled(hwnd_.Get()) != FALSE; }

  // Runs a callback inside the window procedure, keeping what it throws.
  void Call(const std::function<void()>& callback) {
    if (!callback) return;
    try {
      callback();
    } catch (...) {
      service_.Keep(std::current_exception());
    }
  }
  const TWindowCallbacks& Callbacks() const { return callbacks_; }
  HWND Handle() const { return hwnd_.Get(); }
  TWin32WindowService& Service() const { return service_; }

 private:
  std::wstring Wide(const std::string& text) const {
    std::u16string wide = WideFromCodePage(text, CodePageOfCharset(charset_));
    return {wide.begin(), wide.end()};
  }

  TWin32WindowService& service_;
  TWindowCallbacks callbacks_;
  std::string caption_;
  int32_t charset_ = charsetDefault;
  TWindowHandle hwnd_;  // last: destroyed first, while the callbacks are still there
};

LRESULT CALLBACK WindowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* window = reinterpret_cast<TWin32Window*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (window) {
    switch (message) {
      case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) {
          // Let the system give the window the focus first.
          LRESULT result = ::DefWindowProcW(hwnd, message, wParam, lParam);
          window->Call(window->Callbacks().Activated);
          return result;
        }
        break;
      case WM_CLOSE:
        if (window->Callbacks().CloseRequested) {
          window->Call(window->Callbacks().CloseRequested);
          return 0;
        }
        break;
      default:
        break;
    }
  }
  return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

bool IsFormWindow(HWND hwnd) {
  wchar_t name[32] = {};
  return ::GetClassNameW(hwnd, name, 32) > 0 && std::wstring(name) == kWindowClass;
}

// Standard error and input of the program, or of the console it was
// started from when it has none.
HANDLE StandardHandle(DWORD which, const char* consoleDevice, DWORD access) {
  HANDLE handle = ::GetStdHandle(which);
  if (handle && handle != INVALID_HANDLE_VALUE) return handle;
  static const bool attached = ::AttachConsole(ATTACH_PARENT_PROCESS) != 0;
  if (!attached) return nullptr;
  handle = ::CreateFileA(consoleDevice, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  return handle == INVALID_HANDLE_VALUE ? nullptr : handle;
}

TTextConsole StandardConsole() {
  return {WriteStandardError, ReadStandardInputLine};
}

}  // namespace

void WriteStandardError(const std::string& text) {
  static HANDLE handle = StandardHandle(STD_ERROR_HANDLE, "CONOUT$", GENERIC_WRITE);
  if (!handle) return;
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  DWORD done = 0;
  for (size_t at = 0; at < out.size(); at += done)
    if (!::WriteFile(handle, out.data() + at, static_cast<DWORD>(out.size() - at), &done, nullptr) ||
        done == 0)
      return;
}

std::optional<std::string> ReadStandardInputLine() {
  static HANDLE handle = StandardHandle(STD_INPUT_HANDLE, "CONIN$", GENERIC_READ | GENERIC_WRITE);
  if (!handle) return std::nullopt;
  std::string line;
  char c = 0;
  DWORD done = 0;
  bool any = false;
  while (::ReadFile(handle, &c, 1, &done, nullptr) && done == 1) {
    any = true;
    if (c == '\n') break;
    if (c != '\r') line += c;
  }
  if (!any) return std::nullopt;
  return line;
}

TWin32WindowService::TWin32WindowService() : mode_(UserInterfaceMode()) {}

std::unique_ptr<IWindow> TWin32WindowService::CreateWindow(const std::string& caption,
                                                           const TWindowBounds& bounds,
                                                           TWindowCallbacks callbacks) {
  auto window = std::make_unique<TWin32Window>(*this, std::move(callbacks));
  if (!window->Create(caption, bounds)) return nullptr;
  RethrowPending();
  return window;
}

TMessageStep TWin32WindowService::ProcessMessage(bool wait) {
  MSG msg;
  if (wait) {
    BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) return TMessageStep::Quit;
    if (got == -1) return TMessageStep::Idle;
  } else {
    if (!::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return TMessageStep::Idle;
    if (msg.message == WM_QUIT) return TMessageStep::Quit;
  }
  // Tab, Enter and Escape on a form's window move the focus and press the
  // default or cancel button, as in a dialog box.
  HWND root = msg.hwnd ? ::GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
  if (root && IsFormWindow(root) && ::IsDialogMessageW(root, &msg)) {
    RethrowPending();
    return TMessageStep::Handled;
  }
  ::TranslateMessage(&msg);
  ::DispatchMessageW(&msg);
  RethrowPending();
  return TMessageStep::Handled;
}

bool TWin32WindowService::OnScreen() const {
  static const bool onScreen = [] {
    if (!RegisterWindowClass()) return false;
    TWindowHandle probe(::CreateWindowExW(0, kWindowClass, L"", WS_OVERLAPPEDWINDOW, 0, 0, 10, 10, nullptr,
                                          nullptr, ::GetModuleHandleW(nullptr), nullptr));
    return static_cast<bool>(probe);
  }();
  return onScreen;
}

void TWin32WindowService::PostQuit(int exitCode) { ::PostQuitMessage(exitCode); }

int TWin32WindowService::MessageBox(const std::string& text, const std::string& caption,
                                    uint32_t flags) {
  if (mode_.Kind != TUserInterfaceKind::Native)
    return TextMessageBox(text, caption, flags, mode_.Kind, StandardConsole());
  uint32_t codePage = CodePageOfCharset(MessageCharset());
  std::u16string wideText = WideFromCodePage(text, codePage);
  std::u16string wideCaption = WideFromCodePage(caption, codePage);
  int answer = ::MessageBoxW(::GetActiveWindow(), reinterpret_cast<const wchar_t*>(wideText.c_str()),
                             reinterpret_cast<const wchar_t*>(wideCaption.c_str()), flags);
  RethrowPending();
  return answer;
}

TScreenMetrics TWin32WindowService::ScreenMetrics() {
  return {::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN),
          ::GetSystemMetrics(SM_CYCAPTION)};
}

void TWin32WindowService::Keep(std::exception_ptr exception) {
  if (!pending_) pending_ = std::move(exception);
}

void TWin32WindowService::RethrowPending() {
  if (pending_) std::rethrow_exception(std::exchange(pending_, nullptr));
}

std::optional<TWin32WindowParts> Win32WindowParts(IWindow& window) {
  auto* win32 = dynamic_cast<TWin32Window*>(&window);
  if (!win32) return std::nullopt;
  return TWin32WindowParts{win32->Handle(), &win32->Service()};
}

TTextConsole StandardTextConsole() { return StandardConsole(); }

bool StandardInputIsTerminal() {
  HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
  return input && input != INVALID_HANDLE_VALUE && ::GetFileType(input) == FILE_TYPE_CHAR;
}

IWindowService& NativeWindows() {
  static TWin32WindowService service;
  return service;
}

}  // namespace brim
