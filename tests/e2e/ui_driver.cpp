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
// Exit status 1 when the window or button is not there.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct TSearch {
  const char* Title;
  HWND Found = nullptr;
};

BOOL CALLBACK FindText(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<TSearch*>(data);
  char text[1024] = {};
  ::GetWindowTextA(window, text, sizeof text);
  if (::IsWindowVisible(window) && std::strstr(text, search->Title)) {
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
  char text[1024] = {}, cls[64] = {};
  ::GetWindowTextA(window, text, sizeof text);
  ::GetClassNameA(window, cls, sizeof cls);
  if (search->List) {
    if (text[0]) std::printf("%s: %s\n", cls, text);
    return TRUE;
  }
  if (_stricmp(cls, "Button") == 0 && Plain(text) == search->Caption) {
    search->Found = window;
    return FALSE;
  }
  return TRUE;
}

int Usage() {
  std::fputs("usage: ui_driver wait TITLE [SECONDS] | where TITLE BUTTON | rect TITLE | text TITLE\n",
             stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  std::string command = argv[1];
  const char* title = argv[2];
  if (command == "wait") {
    int seconds = argc > 3 ? std::atoi(argv[3]) : 30;
    for (int i = 0; i < seconds * 10; ++i) {
      if (FindWindowTitled(title)) return 0;
      ::Sleep(100);
    }
    std::fprintf(stderr, "ui_driver: no window titled \"%s\" after %d s\n", title, seconds);
    return 1;
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
