// COM-level calls through ole32 and shell32: server registration by the
// server's own entry points, shell links through IShellLinkA, and the
// folder browser (Win32FolderBrowser.cpp).
#include "platform/ComService.h"
#include "platform/win32/Win32Api.h"
#include "platform/win32/Win32FolderBrowser.h"
#include "platform/win32/Win32Libraries.h"

#include <objbase.h>
#include <shlobj.h>

#include <vector>

namespace brim {

namespace {

// The identities of the shell link class and its interfaces, here rather
// than from libuuid, whose one object holds every GUID of the SDK (35 KB of
// every setup program).
constexpr GUID kShellLinkClass = {0x00021401, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kShellLinkInterface = {0x000214EE, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kPersistFileInterface = {0x0000010B, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

TPlatformError HResult(HRESULT hr) { return {TErrorDomain::HResult, static_cast<uint32_t>(hr)}; }
TPlatformError LastErrorAsHResult() {
  return HResult(static_cast<HRESULT>(HResultFromWin32(::GetLastError())));
}

// COM for this thread, from the first call that needs it until the
// program ends.
class TComApartment {
 public:
  TComApartment() : result_(::CoInitialize(nullptr)) {}
  ~TComApartment() {
    if (SUCCEEDED(result_)) ::CoUninitialize();
  }
  TComApartment(const TComApartment&) = delete;
  TComApartment& operator=(const TComApartment&) = delete;
  // RPC_E_CHANGED_MODE: the thread has COM already, in another model; usable.
  HRESULT Result() const { return result_ == RPC_E_CHANGED_MODE ? S_OK : result_; }

 private:
  HRESULT result_;
};

HRESULT EnsureCom() {
  static TComApartment apartment;
  return apartment.Result();
}

// An interface pointer that is released once.
template <class T>
class TComPtr {
 public:
  TComPtr() = default;
  ~TComPtr() {
    if (p_) p_->Release();
  }
  TComPtr(const TComPtr&) = delete;
  TComPtr& operator=(const TComPtr&) = delete;
  T* operator->() const { return p_; }
  void** Receive() { return reinterpret_cast<void**>(&p_); }

 private:
  T* p_ = nullptr;
};

std::wstring Wide(const std::string& text) {
  int size = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  if (size <= 0) return {};
  std::vector<wchar_t> buffer(size);
  ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, buffer.data(), size);
  return buffer.data();
}

// A new shell link object, COM made ready first.
HRESULT CreateShellLink(TComPtr<IShellLinkA>& shellLink) {
  HRESULT hr = EnsureCom();
  if (FAILED(hr)) return hr;
  return ::CoCreateInstance(kShellLinkClass, nullptr, CLSCTX_INPROC_SERVER, kShellLinkInterface,
                            shellLink.Receive());
}

class TWin32ComService : public IComService {
 public:
  TPlatformError RegisterServer(const std::string& path, bool unregister,
                                TServerStep* failedStep) override {
    TServerStep unused;
    TServerStep& step = failedStep ? *failedStep : unused;
    step = TServerStep::Load;
    HRESULT hr = EnsureCom();
    if (FAILED(hr)) return HResult(hr);
    // By the absolute path the definition names, never by a search.
    TLibraryHandle library(LoadLibraryAt(path));
    if (!library) {
      DWORD error = ::GetLastError();
      // LoadLibrary names a missing file "module not found"; say which.
      if (error != ERROR_BAD_PATHNAME &&
          ::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        return LastErrorAsHResult();
      ::SetLastError(error);
      return LastErrorAsHResult();
    }
    step = TServerStep::FindEntry;
    using TEntry = HRESULT(STDAPICALLTYPE*)();
    auto entry = reinterpret_cast<TEntry>(reinterpret_cast<void*>(::GetProcAddress(
        library.Get(), unregister ? "DllUnregisterServer" : "DllRegisterServer")));
    if (!entry) return LastErrorAsHResult();
    step = TServerStep::Call;
    return HResult(entry());
  }

  TPlatformError SaveShellLink(const std::string& path, const TShellLink& link,
                               TShellLinkStep* failedStep) override {
    TShellLinkStep unused;
    TShellLinkStep& step = failedStep ? *failedStep : unused;
    step = TShellLinkStep::Create;
    TComPtr<IShellLinkA> shellLink;
    HRESULT hr = CreateShellLink(shellLink);
    if (FAILED(hr)) return HResult(hr);
    // Each call must succeed; the first that fails names the step.
    const auto call = [&](TShellLinkStep s, HRESULT result) {
      if (SUCCEEDED(hr)) {
        step = s;
        hr = result;
      }
    };
    call(TShellLinkStep::SetPath, shellLink->SetPath(link.Target.c_str()));
    if (SUCCEEDED(hr)) call(TShellLinkStep::SetHotkey, shellLink->SetHotkey(link.HotKey));
    if (SUCCEEDED(hr))
      call(TShellLinkStep::SetArguments, shellLink->SetArguments(link.Arguments.c_str()));
    if (SUCCEEDED(hr))
      call(TShellLinkStep::SetWorkingDirectory,
           shellLink->SetWorkingDirectory(link.WorkingDirectory.c_str()));
    if (SUCCEEDED(hr) && !link.IconPath.empty())
      call(TShellLinkStep::SetIconLocation,
           shellLink->SetIconLocation(link.IconPath.c_str(), link.IconIndex));
    // Fields the installation leaves at their defaults are not set.
    if (SUCCEEDED(hr) && !link.Description.empty())
      call(TShellLinkStep::Save, shellLink->SetDescription(link.Description.c_str()));
    if (SUCCEEDED(hr) && link.ShowCommand != SW_SHOWNORMAL)
      call(TShellLinkStep::Save, shellLink->SetShowCmd(static_cast<int>(link.ShowCommand)));
    if (FAILED(hr)) return HResult(hr);
    step = TShellLinkStep::Save;
    TComPtr<IPersistFile> file;
    hr = shellLink->QueryInterface(kPersistFileInterface, file.Receive());
    if (FAILED(hr)) return HResult(hr);
    return HResult(file->Save(Wide(path).c_str(), TRUE));
  }

  TPlatformError LoadShellLink(const std::string& path, TShellLink& link) override {
    TComPtr<IShellLinkA> shellLink;
    HRESULT hr = CreateShellLink(shellLink);
    if (FAILED(hr)) return HResult(hr);
    TComPtr<IPersistFile> file;
    hr = shellLink->QueryInterface(kPersistFileInterface, file.Receive());
    if (SUCCEEDED(hr)) hr = file->Load(Wide(path).c_str(), STGM_READ);
    if (FAILED(hr)) return HResult(hr);
    char text[MAX_PATH * 4];
    const auto get = [&](auto method, std::string& into) {
      text[0] = 0;
      if (SUCCEEDED(hr)) hr = method(text, static_cast<int>(sizeof text));
      into = text;
    };
    get([&](char* b, int n) { return shellLink->GetPath(b, n, nullptr, SLGP_RAWPATH); },
        link.Target);
    get([&](char* b, int n) { return shellLink->GetArguments(b, n); }, link.Arguments);
    get([&](char* b, int n) { return shellLink->GetWorkingDirectory(b, n); },
        link.WorkingDirectory);
    get([&](char* b, int n) { return shellLink->GetDescription(b, n); }, link.Description);
    int icon = 0;
    get([&](char* b, int n) { return shellLink->GetIconLocation(b, n, &icon); }, link.IconPath);
    link.IconIndex = icon;
    WORD hotKey = 0;
    int show = SW_SHOWNORMAL;
    if (SUCCEEDED(hr)) hr = shellLink->GetHotkey(&hotKey);
    if (SUCCEEDED(hr)) hr = shellLink->GetShowCmd(&show);
    link.HotKey = hotKey;
    link.ShowCommand = static_cast<uint32_t>(show);
    return HResult(FAILED(hr) ? hr : S_OK);
  }

  std::optional<TFolderBrowserResult> BrowseForFolder(const TFolderBrowserOptions& options) override {
    // The shell's namespace objects need COM on this thread.
    HRESULT hr = EnsureCom();
    if (FAILED(hr)) {
      ::SetLastError(static_cast<DWORD>(hr));
      return std::nullopt;
    }
    return ShowFolderBrowser(options);
  }
};

}  // namespace

IComService& NativeComService() {
  static TWin32ComService service;
  return service;
}

}  // namespace brim
