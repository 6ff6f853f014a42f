// The Windows handles of the win32 backend as owning objects: a handle is
// closed exactly once, by whoever holds it last, on every path out of a call.
#pragma once

#include "platform/win32/Win32Api.h"

namespace brim {

// An owned handle; Traits says which values hold nothing and how to close.
// Closing keeps the thread's last error, so a handle released on the way out
// of a failed call never hides why the call failed.
template <class Traits>
class TScopedHandle {
 public:
  using Type = typename Traits::Type;

  TScopedHandle() = default;
  explicit TScopedHandle(Type handle) : handle_(handle) {}
  ~TScopedHandle() { Reset(); }

  TScopedHandle(TScopedHandle&& other) noexcept : handle_(other.Release()) {}
  TScopedHandle& operator=(TScopedHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  TScopedHandle(const TScopedHandle&) = delete;
  TScopedHandle& operator=(const TScopedHandle&) = delete;

  Type Get() const { return handle_; }
  bool Valid() const { return Traits::Valid(handle_); }
  explicit operator bool() const { return Valid(); }

  // Gives up ownership without closing.
  Type Release() {
    Type handle = handle_;
    handle_ = Traits::Invalid();
    return handle;
  }
  // Closes what is held (if anything) and takes handle.
  void Reset(Type handle = Traits::Invalid()) {
    if (Traits::Valid(handle_)) {
      DWORD error = ::GetLastError();
      Traits::Close(handle_);
      ::SetLastError(error);
    }
    handle_ = handle;
  }
  // For calls that hand the handle back through a pointer: closes what is
  // held and lets the call store the new handle here.
  Type* Receive() {
    Reset();
    return &handle_;
  }

 private:
  Type handle_ = Traits::Invalid();
};

// Kernel object handles (files, processes, threads, tokens): CreateFile
// reports failure with INVALID_HANDLE_VALUE, most other calls with NULL.
struct TWinHandleTraits {
  using Type = HANDLE;
  static Type Invalid() { return nullptr; }
  static bool Valid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(Type h) { ::CloseHandle(h); }
};
using TWinHandle = TScopedHandle<TWinHandleTraits>;

// Registry keys. The predefined roots (HKEY_CURRENT_USER, ...) belong to the
// system and are never closed here.
struct TRegKeyHandleTraits {
  using Type = HKEY;
  static Type Invalid() { return nullptr; }
  static bool Valid(Type h) {
    return h != nullptr && (reinterpret_cast<ULONG_PTR>(h) & 0xFFFFFFF0u) != 0x80000000u;
  }
  static void Close(Type h) { ::RegCloseKey(h); }
};
using TRegKeyHandle = TScopedHandle<TRegKeyHandleTraits>;

// Directory searches of FindFirstFileA.
struct TFindHandleTraits {
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static bool Valid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(Type h) { ::FindClose(h); }
};
using TFindHandle = TScopedHandle<TFindHandleTraits>;

// Windows of the user interface: destroyed, not closed.
struct TWindowHandleTraits {
  using Type = HWND;
  static Type Invalid() { return nullptr; }
  static bool Valid(Type h) { return h != nullptr; }
  static void Close(Type h) { ::DestroyWindow(h); }
};
using TWindowHandle = TScopedHandle<TWindowHandleTraits>;

}  // namespace brim
