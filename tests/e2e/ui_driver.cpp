// Drives a running program's windows for the screenshots, from the same
// Wine desktop: waits for a window, tells where a button is on the screen
// (xdotool then clicks there), and lists what a window shows.
//
//   ui_driver wait TITLE [SECONDS]   waits until a visible top-level window
//                                    whose title, or the text of one of its
//                                    controls, contains TITLE exists
//   ui_driver where TITLE BUTTON     prints "X Y", the screen centre of the
//                                    visible button captioned BUTTON
//   ui_driver rect TITLE             prints "LEFT TOP RIGHT BOTTOM"
//   ui_driver text TITLE             prints the visible child windows' texts
//   ui_driver snap TITLE FILE [SECONDS]
//                                    waits for the window as wait does, then
//                                    saves the whole screen as a 24-bit BMP
//                                    as it was last seen with the window:
//                                    for a window too short-lived to catch
//                                    from outside Wine
// Titles and captions are compared as UTF-8, so a page in any language can
// be found; the arguments are read as the system's wide command line, and
// one written "x:" and hexadecimal digits stands for those UTF-8 bytes.
// Exit status 1 when the window or button is not there.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

std::string Utf8(const wchar_t* text) {
  int size = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(size > 0 ? size - 1 : 0, '\0');
  if (size > 1) ::WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), size, nullptr, nullptr);
  return utf8;
}

// A window's text as UTF-8.
std::string TextOf(HWND window) {
  wchar_t text[1024] = {};
  ::GetWindowTextW(window, text, 1024);
  return Utf8(text);
}

struct TSearch {
  const char* Title;
  HWND Found = nullptr;
};

BOOL CALLBACK FindText(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<TSearch*>(data);
  if (::IsWindowVisible(window) && TextOf(window).find(search->Title) != std::string::npos) {
    search->Found = window;
    return FALSE;
  }
  return TRUE;
}

// A window without a caption (the status window) is known by its text.
BOOL CALLBACK FindTopLevel(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<TSearch*>(data);
  if (!::IsWindowVisible(window)) return TRUE;
  FindText(window, data);
  if (!search->Found) {
    TSearch inner{search->Title};
    ::EnumChildWindows(window, FindText, reinterpret_cast<LPARAM>(&inner));
    if (inner.Found) search->Found = window;
  }
  return search->Found ? FALSE : TRUE;
}

HWND FindWindowTitled(const char* title) {
  TSearch search{title};
  ::EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

// The caption of a button as the user reads it: without the & of its
// accelerator.
std::string Plain(const char* text) {
  std::string plain;
  for (const char* p = text; *p; ++p)
    if (*p != '&') plain += *p;
  return plain;
}

struct TChildSearch {
  std::string Caption;
  HWND Found = nullptr;
  bool List = false;
};

bool ShownOnScreen(HWND window) {
  for (HWND w = window; w; w = ::GetParent(w))
    if (!::IsWindowVisible(w)) return false;
  return true;
}

BOOL CALLBACK VisitChild(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<TChildSearch*>(data);
  if (!ShownOnScreen(window)) return TRUE;
  char cls[64] = {};
  const std::string text = TextOf(window);
  ::GetClassNameA(window, cls, sizeof cls);
  if (search->List) {
    if (!text.empty()) std::printf("%s: %s\n", cls, text.c_str());
    return TRUE;
  }
  if (_stricmp(cls, "Button") == 0 && Plain(text.c_str()) == search->Caption) {
    search->Found = window;
    return FALSE;
  }
  return TRUE;
}

int Usage() {
  std::fputs(
      "usage: ui_driver wait TITLE [SECONDS] | where TITLE BUTTON | rect TITLE | text TITLE | "
      "snap TITLE FILE [SECONDS]\n",
      stderr);
  return 2;
}

// Waits up to seconds for the window, looking every step milliseconds.
HWND WaitForWindow(const char* title, int seconds, int step) {
  for (int waited = 0; waited <= seconds * 1000; waited += step) {
    if (HWND window = FindWindowTitled(title)) return window;
    ::Sleep(step);
  }
  std::fprintf(stderr, "ui_driver: no window titled \"%s\" after %d s\n", title, seconds);
  return nullptr;
}

// The screen, read into a bottom-up 24-bit DIB.
struct TScreenShot {
  int Width = ::GetSystemMetrics(SM_CXSCREEN), Height = ::GetSystemMetrics(SM_CYSCREEN);
  BITMAPINFO Info{};
  std::string Bits;

  bool Take() {
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    Info.bmiHeader.biSize = sizeof Info.bmiHeader;
    Info.bmiHeader.biWidth = Width;
    Info.bmiHeader.biHeight = Height;
    Info.bmiHeader.biPlanes = 1;
    Info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(screen, &Info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    bool copied = bits && ::BitBlt(memory, 0, 0, Width, Height, screen, 0, 0, SRCCOPY);
    ::GdiFlush();
    if (copied) Bits.assign(static_cast<const char*>(bits), RowBytes() * Height);
    ::SelectObject(memory, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return copied;
  }
  DWORD RowBytes() const { return (Width * 3 + 3) & ~3u; }
  bool Save(const char* file) const {
    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42;
    header.bfOffBits = sizeof header + sizeof Info.bmiHeader;
    header.bfSize = header.bfOffBits + Bits.size();
    FILE* out = Bits.empty() ? nullptr : std::fopen(file, "wb");
    if (!out) return false;
    bool written = std::fwrite(&header, sizeof header, 1, out) == 1 &&
                   std::fwrite(&Info.bmiHeader, sizeof Info.bmiHeader, 1, out) == 1 &&
                   std::fwrite(Bits.data(), Bits.size(), 1, out) == 1;
    return (std::fclose(out) == 0) && written;
  }
};

// Reads the screen again and again while the window shows and saves the
// last picture taken while it still showed: the one where it has drawn
// the most.
bool SnapWhileShown(HWND window, const char* file) {
  TScreenShot last, next;
  for (int i = 0; i < 100 && ::IsWindow(window) && ::IsWindowVisible(window); ++i) {
    ::Sleep(20);
    if (next.Take() && ::IsWindow(window) && ::IsWindowVisible(window)) std::swap(last, next);
  }
  if (last.Save(file)) return true;
  std::fprintf(stderr, "ui_driver: cannot save the screen to %s\n", file);
  return false;
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  std::vector<std::string> arguments;
  for (int i = 0; i < argc; ++i) arguments.push_back(Utf8(wide[i]));
  // "x:" and hexadecimal digits: UTF-8 bytes, whatever the locale Wine
  // read the command line in.
  for (std::string& a : arguments)
    if (a.rfind("x:", 0) == 0) {
      std::string bytes;
      for (size_t i = 2; i + 1 < a.size(); i += 2) bytes += static_cast<char>(std::stoi(a.substr(i, 2), nullptr, 16));
      a = bytes;
    }
  ::LocalFree(wide);
  std::vector<const char*> pointers;
  for (const std::string& a : arguments) pointers.push_back(a.c_str());
  const char* const* argv = pointers.data();
  if (argc < 3) return Usage();
  std::string command = argv[1];
  const char* title = argv[2];
  if (command == "wait") return WaitForWindow(title, argc > 3 ? std::atoi(argv[3]) : 30, 100) ? 0 : 1;
  if (command == "snap" && argc > 3) {
    HWND window = WaitForWindow(title, argc > 4 ? std::atoi(argv[4]) : 30, 10);
    return window && SnapWhileShown(window, argv[3]) ? 0 : 1;
  }
  HWND window = FindWindowTitled(title);
  if (!window) {
    std::fprintf(stderr, "ui_driver: no window titled \"%s\"\n", title);
    return 1;
  }
  if (command == "rect") {
    RECT r{};
    ::GetWindowRect(window, &r);
    std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
    return 0;
  }
  if (command == "text") {
    TChildSearch search{"", nullptr, true};
    ::EnumChildWindows(window, VisitChild, reinterpret_cast<LPARAM>(&search));
    return 0;
  }
  if (command == "where" && argc > 3) {
    TChildSearch search{Plain(argv[3])};
    ::EnumChildWindows(window, VisitChild, reinterpret_cast<LPARAM>(&search));
    if (!search.Found) {
      std::fprintf(stderr, "ui_driver: no button \"%s\" on \"%s\"\n", argv[3], title);
      return 1;
    }
    RECT r{};
    ::GetWindowRect(search.Found, &r);
    std::printf("%ld %ld\n", (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    return 0;
  }
  return Usage();
}
