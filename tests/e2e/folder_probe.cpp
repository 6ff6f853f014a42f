// Opens the folder browser of the destination page (TOpenFolderDialog) and
// works it the way a user would, one step at each tick of a timer that the
// browser's own message loop runs:
//   folder_probe START [STEP...]
// START is the folder to preselect ("-" for none). Steps:
//   type PATH   types PATH into the added path edit (the key release included)
//   create      presses the added create-folder button
//   name NAME   types NAME into the name box and presses its OK
//   ok, cancel  presses the browser's OK or Cancel
//   layout      prints the frame and the places of the tree, OK, the edit
//               and the button in the browser's client area
//   noedit      (before START) opens the browser without the added controls
//   wait N      lets N ticks pass (a screenshot is taken meanwhile)
// When the browser has ended for good it prints "chosen 1|0", "directory
// ..." and the number of times the browser was opened.
#include <windows.h>
#include <commctrl.h>
// The window service names a method CreateWindow, which windows.h makes a macro.
#undef CreateWindow

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>
#include <vector>

#include "dialogs/cmp_TOpenFolderDialog.h"
#include "widgets/UserInterface.h"

namespace {

std::deque<std::string> steps;
int opened = 0;

// A front end with nothing but the platform's folder browser.
class TBrowserOnly : public brim::IUserInterface {
 public:
  void FormShown(brim::TCustomForm&) override {}
  void FormHidden(brim::TCustomForm&) override {}
  void FormChanged(brim::TCustomForm&) override {}
  void RunModal(brim::TCustomForm&) override {}
  void FormDestroyed(brim::TCustomForm&) override {}
  brim::TFolderBrowserResult BrowseForFolder(const brim::TFolderBrowserOptions& options) override {
    ++opened;
    return IUserInterface::BrowseForFolder(options);
  }
};

std::string ClassOf(HWND window) {
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

// The dialog of this thread that takes input now: the name box while it
// is open, else the browser.
BOOL CALLBACK TakeDialog(HWND window, LPARAM data) {
  if (ClassOf(window) == "#32770" && IsWindowVisible(window) && IsWindowEnabled(window))
    *reinterpret_cast<HWND*>(data) = window;
  return TRUE;
}

HWND ActiveDialog() {
  HWND found = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), TakeDialog, reinterpret_cast<LPARAM>(&found));
  return found;
}

struct TSearch {
  const char* name;
  std::vector<HWND>* found;
};

BOOL CALLBACK TakeChild(HWND child, LPARAM data) {
  auto* s = reinterpret_cast<TSearch*>(data);
  if (lstrcmpiA(ClassOf(child).c_str(), s->name) == 0) s->found->push_back(child);
  return TRUE;
}

std::vector<HWND> Children(HWND dialog, const char* className) {
  std::vector<HWND> found;
  TSearch search{className, &found};
  EnumChildWindows(dialog, TakeChild, reinterpret_cast<LPARAM>(&search));
  return found;
}

// The controls added to the browser come after its own.
HWND AddedButton(HWND dialog) {
  auto buttons = Children(dialog, "Button");
  return buttons.empty() ? nullptr : buttons.back();
}
HWND AddedEdit(HWND dialog) {
  auto edits = Children(dialog, "Edit");
  return edits.empty() ? nullptr : edits.back();
}

void PrintPlace(const char* what, HWND dialog, HWND control) {
  if (!control) {
    std::printf("%s none\n", what);
    return;
  }
  RECT r;
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  std::printf("%s %ld %ld %ld %ld %s\n", what, r.left, r.top, r.right - r.left, r.bottom - r.top,
              IsWindowVisible(control) ? "visible" : "hidden");
}

void Press(HWND button) {
  if (button) SendMessageA(button, BM_CLICK, 0, 0);
}

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
  static int waiting = 0;
  static bool busy = false;
  if (busy || waiting-- > 0) return;
  HWND dialog = ActiveDialog();
  if (!dialog || steps.empty()) return;
  std::string step = steps.front();
  steps.pop_front();
  std::fflush(stdout);
  busy = true;  // a press may run a modal loop of its own, whose ticks come here
  if (step == "type") {
    std::string text = steps.front();
    steps.pop_front();
    HWND edit = AddedEdit(dialog);
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageA(edit, WM_KEYDOWN, VK_END, 0);
    SendMessageA(edit, WM_KEYUP, VK_END, 0xC0000001);
  } else if (step == "name") {
    std::string text = steps.front();
    steps.pop_front();
    SendMessageA(AddedEdit(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    busy = false;
    Press(GetDlgItem(dialog, IDOK));
  } else if (step == "create") {
    busy = false;
    Press(AddedButton(dialog));
  } else if (step == "ok") {
    Press(GetDlgItem(dialog, IDOK));
  } else if (step == "cancel") {
    Press(GetDlgItem(dialog, IDCANCEL));
  } else if (step == "wait") {
    waiting = std::atoi(steps.front().c_str());
    steps.pop_front();
  } else if (step == "layout") {
    auto trees = Children(dialog, "SysTreeView32");
    HWND tree = trees.empty() ? nullptr : trees.front();
    // The browser's controls are placed from their places in its outer
    // rectangle: the frame is where its client area begins in it.
    RECT outer, client = {0, 0, 0, 0};
    GetWindowRect(dialog, &outer);
    MapWindowPoints(dialog, nullptr, reinterpret_cast<POINT*>(&client), 1);
    std::printf("frame %ld %ld\n", client.left - outer.left, client.top - outer.top);
    PrintPlace("tree", dialog, tree);
    if (tree) std::printf("tree keeps its selection visible %d\n", (GetWindowLongA(tree, GWL_STYLE) & 0x20) != 0);
    PrintPlace("ok", dialog, GetDlgItem(dialog, IDOK));
    PrintPlace("edit", dialog, AddedEdit(dialog));
    PrintPlace("button", dialog, AddedButton(dialog));
    char text[MAX_PATH] = "";
    if (HWND edit = AddedEdit(dialog)) GetWindowTextA(edit, text, sizeof text);
    std::printf("edit shows %s\n", text);
    if (tree) {
      char item[MAX_PATH] = "";
      TVITEMA query = {};
      query.mask = TVIF_TEXT;
      query.hItem = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
      query.pszText = item;
      query.cchTextMax = sizeof item;
      if (query.hItem) SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&query));
      std::printf("tree selects %s\n", query.hItem ? item : "nothing");
    }
  }
  busy = false;
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  brim::TOpenFolderDialog dialog(nullptr);
  int first = 1;
  if (first < argc && std::string(argv[first]) == "noedit") {
    dialog.ShowCreateButton = dialog.ShowPathEdit = false;
    ++first;
  }
  if (first >= argc) {
    std::fprintf(stderr, "usage: folder_probe [noedit] START [STEP...]\n");
    return 2;
  }
  dialog.Directory = std::string(argv[first]) == "-" ? "" : argv[first];
  for (int i = first + 1; i < argc; ++i) steps.push_back(argv[i]);
  TBrowserOnly ui;
  brim::TUserInterfaceGuard guard(ui);
  SetTimer(nullptr, 0, 150, Tick);
  bool chosen = dialog.Execute();
  std::printf("chosen %d\ndirectory %s\nopened %d\n", chosen ? 1 : 0, dialog.Directory.c_str(), opened);
  return 0;
}
