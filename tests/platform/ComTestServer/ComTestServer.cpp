// An in-process server for the COM service's tests on Windows, built beside
// brim_tests.exe: registering it writes the value "Registered" under
// HKEY_CURRENT_USER\Software\BrimwellTests\ComTestServer, unregistering
// deletes the key.
#include <windows.h>

namespace {
constexpr char kKey[] = "Software\\BrimwellTests\\ComTestServer";
}

extern "C" __declspec(dllexport) HRESULT __stdcall DllRegisterServer() {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return E_FAIL;
  DWORD one = 1;
  LONG result = RegSetValueExA(key, "Registered", 0, REG_DWORD, reinterpret_cast<BYTE*>(&one),
                               sizeof one);
  RegCloseKey(key);
  return result == ERROR_SUCCESS ? S_OK : E_FAIL;
}

extern "C" __declspec(dllexport) HRESULT __stdcall DllUnregisterServer() {
  return RegDeleteKeyA(HKEY_CURRENT_USER, kKey) == ERROR_SUCCESS ? S_OK : E_FAIL;
}
