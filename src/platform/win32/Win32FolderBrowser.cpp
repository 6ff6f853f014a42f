// The shell's folder browser. When the browser has made its window, the
// callback adds a push button that makes a new folder (placed left of OK)
// and an edit box below a shortened tree where a path can be typed; the
// tree's selection follows the typed path. A folder made with the button
// closes the browser through OK with a request to open it again on the
// new folder, so that the shell's tree shows it.
#include "platform/win32/Win32FolderBrowser.h"

#include "platform/win32/Win32Api.h"
#include "platform/win32/Win32Handles.h"
#include "platform/win32/Win32Libraries.h"

#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

namespace brim {

namespace {

// The window subclassing of comctl32.dll, from the system directory; the
// library stays loaded for the program's life.
struct TSubclassApi {
  decltype(&::SetWindowSubclass) Set = nullptr;
  decltype(&::RemoveWindowSubclass) Remove = nullptr;
  decltype(&::DefSubclassProc) Default = nullptr;
};

const TSubclassApi& SubclassApi() {
  static const TSubclassApi api = [] {
    TSubclassApi found;
    HMODULE module = LoadSystemLibrary("COMCTL32.DLL");
    if (!(ResolveEntry(module, found.Set, "SetWindowSubclass") &&
          ResolveEntry(module, found.Remove, "RemoveWindowSubclass") &&
          ResolveEntry(module, found.Default, "DefSubclassProc")))
      found = {};
    return found;
  }();
  return api;
}

// An item identifier list the shell allocated for the caller.
struct TItemListTraits {
  using Type = LPITEMIDLIST;
  static Type Invalid() { return nullptr; }
  static bool Valid(Type h) { return h != nullptr; }
  static void Close(Type h) { ::CoTaskMemFree(h); }
};
using TItemList = TScopedHandle<TItemListTraits>;

// A window procedure placed in front of a window's own, taken away again
// when the window goes or this object ends, whichever comes first.
class TWindowSubclass {
 public:
  TWindowSubclass() = default;
  ~TWindowSubclass() { Remove(); }
  TWindowSubclass(const TWindowSubclass&) = delete;
  TWindowSubclass& operator=(const TWindowSubclass&) = delete;

  void Install(HWND window, SUBCLASSPROC proc, DWORD_PTR data) {
    Remove();
    if (SubclassApi().Set && SubclassApi().Set(window, proc, kId, data)) {
      window_ = window;
      proc_ = proc;
    }
  }
  void Remove() {
    if (window_) SubclassApi().Remove(window_, proc_, kId);
    window_ = nullptr;
  }

 private:
  static constexpr UINT_PTR kId = 1;
  HWND window_ = nullptr;
  SUBCLASSPROC proc_ = nullptr;
};

// Texts of the system libraries, and ours where a library lacks one.
constexpr UINT kCreateCaptionId = 703;  // comdlg32.dll
constexpr UINT kNamePromptId = 8977;    // shell32.dll
constexpr UINT kTitleId = 9248;         // shell32.dll
constexpr char kCreateCaption[] = "Make New Folder";
constexpr char kNamePrompt[] = "Name of the new folder:";
constexpr char kTitle[] = "Choose a folder:";

// The browser's way of selecting a path, and the tree style that keeps the
// selection visible while the tree has no focus.
constexpr UINT kSetSelection = 1126;  // BFFM_SETSELECTIONA
constexpr LONG kShowSelectionAlways = 0x20;  // TVS_SHOWSELALWAYS
constexpr int kCreateButtonId = 0x4B57;
// Where the added controls go when the browser's own are not found.
constexpr RECT kFallbackPlace = {20, 230, 140, 253};

std::string SystemString(const char* library, UINT id, const char* fallback) {
  TLibraryHandle module(LoadSystemLibrary(library, LOAD_LIBRARY_AS_DATAFILE));
  char text[1024];
  int length = module ? ::LoadStringA(module.Get(), id, text, sizeof text) : 0;
  return length > 0 ? std::string(text, static_cast<size_t>(length)) : std::string(fallback);
}

// A text with its one argument (in either placeholder style) left empty.
std::string WithEmptyArgument(std::string text) {
  for (const char* placeholder : {"%s", "%1"})
    if (auto at = text.find(placeholder); at != std::string::npos) text.erase(at, 2);
  return text;
}

std::string WindowText(HWND window) {
  int length = ::GetWindowTextLengthA(window);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  text.resize(static_cast<size_t>(::GetWindowTextA(window, text.data(), length + 1)));
  return text;
}

std::string Trimmed(const std::string& text) {
  size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool DirectoryExists(const std::string& path) {
  DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Makes a folder with every missing parent; a drive root is there already.
bool MakeFolder(std::string path) {
  while (path.size() > 3 && path.back() == '\\') path.pop_back();
  if (path.empty()) return false;
  if (path.size() < 3 || DirectoryExists(path)) return true;
  size_t slash = path.rfind('\\');
  if (slash != std::string::npos && slash > 0 && !MakeFolder(path.substr(0, slash))) return false;
  if (!::CreateDirectoryA(path.c_str(), nullptr)) return DirectoryExists(path);
  // The shell's views of the parent, the next browser's tree among them,
  // learn of the new folder.
  ::SHChangeNotify(SHCNE_MKDIR, SHCNF_PATHA | SHCNF_FLUSH, path.c_str(), nullptr);
  return true;
}

// ---------------------------------------------------------------------------
// The name of a new folder, asked in a small modal box made from a
// template in memory.

class TDialogTemplate {
 public:
  TDialogTemplate(DWORD style, short cx, short cy, const std::string& caption, short points,
                  const std::string& face) {
    Long(style);
    Long(0);
    count_ = words_.size();
    words_.push_back(0);  // the number of items, counted as they come
    for (short v : {short(0), short(0), cx, cy}) words_.push_back(static_cast<WORD>(v));
    words_.push_back(0);  // no menu
    words_.push_back(0);  // the standard dialog class
    Text(caption);
    words_.push_back(static_cast<WORD>(points));
    Text(face);
  }
  // An item of a predefined class (0x80 button, 0x81 edit, 0x82 static).
  void Item(WORD atom, DWORD style, short x, short y, short cx, short cy, WORD id,
            const std::string& text) {
    if (words_.size() % 2) words_.push_back(0);
    Long(style | WS_CHILD | WS_VISIBLE);
    Long(0);
    for (short v : {x, y, cx, cy}) words_.push_back(static_cast<WORD>(v));
    words_.push_back(id);
    words_.push_back(0xFFFF);
    words_.push_back(atom);
    Text(text);
    words_.push_back(0);  // no creation data
    ++words_[count_];
  }
  // The template, aligned as the dialog manager wants it.
  const DLGTEMPLATE* Get() {
    aligned_.assign((words_.size() + 1) / 2, 0);
    std::memcpy(aligned_.data(), words_.data(), words_.size() * sizeof(WORD));
    return reinterpret_cast<const DLGTEMPLATE*>(aligned_.data());
  }

 private:
  void Long(DWORD value) {
    words_.push_back(LOWORD(value));
    words_.push_back(HIWORD(value));
  }
  void Text(const std::string& text) {
    int size = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    std::vector<wchar_t> wide(size > 0 ? static_cast<size_t>(size) : 1, L'\0');
    if (size > 0) ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), size);
    for (wchar_t c : wide) words_.push_back(static_cast<WORD>(c));
  }

  std::vector<WORD> words_;
  size_t count_ = 0;
  std::vector<DWORD> aligned_;
};

constexpr WORD kNameEditId = 100;

INT_PTR CALLBACK NameBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    ::SetWindowLongPtrA(box, DWLP_USER, lParam);
    ::SetFocus(::GetDlgItem(box, kNameEditId));
    return FALSE;  // the focus is set
  }
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    if (LOWORD(wParam) == IDOK) {
      auto* name = reinterpret_cast<std::string*>(::GetWindowLongPtrA(box, DWLP_USER));
      *name = WindowText(::GetDlgItem(box, kNameEditId));
    }
    ::EndDialog(box, LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

// The name the user typed; empty when the box was cancelled or left empty.
std::string AskFolderName(HWND owner) {
  const std::string prompt = SystemString("shell32.dll", kNamePromptId, kNamePrompt);
  TDialogTemplate box(DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU,
                      200, 59, SystemString("comdlg32.dll", kCreateCaptionId, kCreateCaption), 8,
                      "MS Shell Dlg");
  box.Item(0x82, SS_LEFT, 7, 7, 186, 9, 0xFFFF, prompt);
  box.Item(0x81, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 7, 19, 186, 12, kNameEditId, "");
  box.Item(0x80, BS_DEFPUSHBUTTON | WS_TABSTOP, 89, 38, 50, 14, IDOK, "OK");
  box.Item(0x80, BS_PUSHBUTTON | WS_TABSTOP, 143, 38, 50, 14, IDCANCEL, "Cancel");
  std::string name;
  INT_PTR answer = ::DialogBoxIndirectParamA(::GetModuleHandleA(nullptr), box.Get(), owner,
                                             NameBoxProc, reinterpret_cast<LPARAM>(&name));
  return answer == IDOK ? Trimmed(name) : std::string();
}

// ---------------------------------------------------------------------------
// One run of the browser.

class TBrowser {
 public:
  explicit TBrowser(const TFolderBrowserOptions& options) : options_(options) {}

  std::optional<TFolderBrowserResult> Run() {
    const std::string title = WithEmptyArgument(SystemString("shell32.dll", kTitleId, kTitle));
    char displayName[MAX_PATH + 1] = "";
    BROWSEINFOA info = {};
    info.hwndOwner = ::GetActiveWindow();
    info.pidlRoot = nullptr;
    info.pszDisplayName = displayName;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = Callback;
    info.lParam = reinterpret_cast<LPARAM>(this);
    TItemList item(::SHBrowseForFolderA(&info));
    if (!item && !dialog_) {
      // The browser never showed its window.
      if (::GetLastError() == ERROR_SUCCESS) ::SetLastError(ERROR_NOT_SUPPORTED);
      return std::nullopt;
    }
    TFolderBrowserResult result;
    result.Chosen = item.Valid();
    char path[MAX_PATH + 1] = "";
    if (item && ::SHGetPathFromIDListA(item.Get(), path)) result.Path = path;
    result.CurrentPath = currentPath_;
    result.RecreateRequested = recreateRequested_;
    return result;
  }

 private:
  static int CALLBACK Callback(HWND dialog, UINT message, LPARAM lParam, LPARAM data) {
    auto* self = reinterpret_cast<TBrowser*>(data);
    if (message == BFFM_INITIALIZED) self->Initialised(dialog);
    if (message == BFFM_SELCHANGED) self->SelectionChanged(reinterpret_cast<LPCITEMIDLIST>(lParam));
    return 0;
  }

  // The browser's own controls, each with its place relative to the
  // browser's outer rectangle: the tree, and the first two buttons (OK,
  // Cancel).
  static BOOL CALLBACK FindControl(HWND child, LPARAM data) {
    auto* self = reinterpret_cast<TBrowser*>(data);
    char name[64] = "";
    ::GetClassNameA(child, name, sizeof name);
    RECT place;
    ::GetWindowRect(child, &place);
    ::OffsetRect(&place, -self->dialogPlace_.left, -self->dialogPlace_.top);
    if (!self->tree_ && _strnicmp(name, "SYSTREE", 7) == 0) {
      self->tree_ = child;
      self->treePlace_ = place;
    } else if (_strnicmp(name, "BUTTON", 6) == 0) {
      if (!self->ok_) {
        self->ok_ = child;
        self->okPlace_ = place;
      } else if (!self->cancel_) {
        self->cancel_ = child;
        self->cancelPlace_ = place;
      }
    }
    return TRUE;
  }

  void Initialised(HWND dialog) {
    dialog_ = dialog;
    ::GetWindowRect(dialog, &dialogPlace_);
    ::EnumChildWindows(dialog, FindControl, reinterpret_cast<LPARAM>(this));
    auto font = static_cast<WPARAM>(::SendMessageA(dialog, WM_GETFONT, 0, 0));
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    if (options_.ShowCreateButton) {
      RECT place = kFallbackPlace;
      if (ok_ && cancel_) {
        const LONG pitch = okPlace_.left - cancelPlace_.left;
        place = {okPlace_.left + pitch, okPlace_.top - 22, okPlace_.right + pitch, okPlace_.bottom - 22};
      }
      const LONG left = tree_ ? treePlace_.left : place.left;
      createButton_ = ::CreateWindowExA(
          0, "BUTTON", SystemString("comdlg32.dll", kCreateCaptionId, kCreateCaption).c_str(),
          WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, left, place.top, place.right - left,
          place.bottom - place.top, dialog, reinterpret_cast<HMENU>(kCreateButtonId), instance, nullptr);
      ::SendMessageA(createButton_, WM_SETFONT, font, FALSE);
      dialogHook_.Install(dialog, DialogProc, reinterpret_cast<DWORD_PTR>(this));
    }
    if (options_.ShowPathEdit) {
      RECT place = kFallbackPlace;
      if (tree_) {
        treePlace_.bottom -= 60;
        ::SetWindowPos(tree_, nullptr, 0, 0, treePlace_.right - treePlace_.left,
                       treePlace_.bottom - treePlace_.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        if (ok_) place = {treePlace_.left, treePlace_.bottom + 15, treePlace_.right, treePlace_.bottom + 28};
      }
      // A one-line edit's height in the browser's font: 12 dialog units.
      RECT height = {0, 0, 0, 12};
      if (!::MapDialogRect(dialog, &height) || height.bottom < place.bottom - place.top)
        height.bottom = place.bottom - place.top;
      pathEdit_ = ::CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                                    WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, place.left,
                                    place.top, place.right - place.left, height.bottom, dialog,
                                    nullptr, instance, nullptr);
      ::SendMessageA(pathEdit_, WM_SETFONT, font, FALSE);
      editHook_.Install(pathEdit_, EditProc, reinterpret_cast<DWORD_PTR>(this));
    }
    if (tree_)
      ::SetWindowLongA(tree_, GWL_STYLE, ::GetWindowLongA(tree_, GWL_STYLE) | kShowSelectionAlways);
    Preselect(options_.Directory);
  }

  // Selects the deepest existing folder of path.
  void Preselect(const std::string& path) {
    std::string folder = Trimmed(path);
    while (!folder.empty() && !DirectoryExists(folder)) {
      size_t slash = folder.rfind('\\');
      folder.resize(slash == std::string::npos ? 0 : slash);
    }
    if (folder.empty()) return;
    if (folder.size() > 3) {
      if (folder.back() == '\\') folder.pop_back();
    } else if (folder.back() != '\\') {
      folder += '\\';  // "C:" is the current folder of the drive; "C:\" its root
    }
    selecting_ = true;
    ::SendMessageA(dialog_, kSetSelection, TRUE, reinterpret_cast<LPARAM>(folder.c_str()));
    selecting_ = false;
  }

  void SelectionChanged(LPCITEMIDLIST item) {
    char path[MAX_PATH + 1] = "";
    if (!item || !::SHGetPathFromIDListA(item, path)) path[0] = '\0';
    currentPath_ = path;
    if (pathEdit_ && !typing_) ::SetWindowTextA(pathEdit_, path);
    if (createButton_)
      ::ShowWindow(createButton_, ok_ && ::IsWindowEnabled(ok_) ? SW_SHOW : SW_HIDE);
  }

  // The tree follows what is typed; what is typed is the current path,
  // whether the tree found it or not.
  void KeyReleased() {
    if (selecting_) return;
    const std::string typed = WindowText(pathEdit_);
    typing_ = true;
    ::SendMessageA(dialog_, kSetSelection, TRUE, reinterpret_cast<LPARAM>(typed.c_str()));
    typing_ = false;
    currentPath_ = typed;
  }

  // A typed path that does not exist is the new folder; otherwise the
  // user names one inside the current folder.
  void CreateClicked() {
    if (!ok_) return;
    std::string folder;
    if (pathEdit_ && !DirectoryExists(WindowText(pathEdit_))) {
      folder = currentPath_;
    } else {
      std::string name = AskFolderName(dialog_);
      if (name.empty()) return;
      folder = currentPath_;
      if (folder.empty() || folder.back() != '\\') folder += '\\';
      folder += name;
    }
    // A folder that cannot be made is not reported: the reopened browser
    // simply does not select it.
    MakeFolder(folder);
    currentPath_ = folder;
    recreateRequested_ = true;
    ::SendMessageA(ok_, BM_CLICK, 0, 0);
  }

  static LRESULT CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR, DWORD_PTR data) {
    auto* self = reinterpret_cast<TBrowser*>(data);
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED &&
        reinterpret_cast<HWND>(lParam) == self->createButton_ && self->createButton_) {
      self->CreateClicked();
      return 0;
    }
    if (message == WM_NCDESTROY) self->dialogHook_.Remove();
    return SubclassApi().Default(window, message, wParam, lParam);
  }

  static LRESULT CALLBACK EditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                   UINT_PTR, DWORD_PTR data) {
    auto* self = reinterpret_cast<TBrowser*>(data);
    LRESULT result = SubclassApi().Default(window, message, wParam, lParam);
    if (message == WM_KEYUP) self->KeyReleased();
    if (message == WM_NCDESTROY) self->editHook_.Remove();
    return result;
  }

  TFolderBrowserOptions options_;
  std::string currentPath_;
  bool recreateRequested_ = false;
  bool selecting_ = false;  // the browser itself moves the selection
  bool typing_ = false;     // the selection follows the path edit
  HWND dialog_ = nullptr;
  RECT dialogPlace_ = {};
  // The browser's controls, and the added ones; the browser's window
  // destroys them all with itself.
  HWND tree_ = nullptr, ok_ = nullptr, cancel_ = nullptr;
  RECT treePlace_ = {}, okPlace_ = {}, cancelPlace_ = {};
  HWND createButton_ = nullptr, pathEdit_ = nullptr;
  TWindowSubclass dialogHook_, editHook_;
};

}  // namespace

std::optional<TFolderBrowserResult> ShowFolderBrowser(const TFolderBrowserOptions& options) {
  TBrowser browser(options);
  return browser.Run();
}

}  // namespace brim
