// A small program that saves and reads shell links through the platform's
// COM service, for the end-to-end checks of link files: links written on
// the substitute machine must open under Wine, and the reverse.
//   link_probe save LINK TARGET ARGUMENTS WORKDIR ICONPATH ICONINDEX SHOWCMD HOTKEY
//       saves the link (HOTKEY as a number, 0x0651 or 1617).
//   link_probe show LINK
//       prints the link's fields, one "Field=value" line each: Path,
//       Arguments, WorkingDirectory, Description, IconLocation (path,index),
//       Hotkey (hexadecimal), ShowCmd; on Windows also ResolvedPath, what
//       IShellLinkA::GetPath answers without SLGP_RAWPATH. Exits 1 with a
//       message when the link cannot be read.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/ComService.h"

using namespace brim;

namespace {

#ifdef _WIN32
// What the shell resolves the link's target to.
std::string ResolvedPath(const std::string& link);
#endif

int Save(const std::vector<std::string>& args) {
  TShellLink link;
  link.Target = args[2];
  link.Arguments = args[3];
  link.WorkingDirectory = args[4];
  link.IconPath = args[5];
  link.IconIndex = std::atoi(args[6].c_str());
  link.ShowCommand = static_cast<uint32_t>(std::strtoul(args[7].c_str(), nullptr, 0));
  link.HotKey = static_cast<uint16_t>(std::strtoul(args[8].c_str(), nullptr, 0));
  TShellLinkStep step = TShellLinkStep::Create;
  TPlatformError result = NativeComService().SaveShellLink(args[1], link, &step);
  if (result.Failed()) {
    std::fprintf(stderr, "link_probe: cannot save the link %s (step %d): %s\n", args[1].c_str(),
                 static_cast<int>(step), result.Describe().c_str());
    return 1;
  }
  return 0;
}

int Show(const std::string& path) {
  TShellLink link;
  TPlatformError result = NativeComService().LoadShellLink(path, link);
  if (result.Failed()) {
    std::fprintf(stderr, "link_probe: cannot read the link %s: %s\n", path.c_str(), result.Describe().c_str());
    return 1;
  }
  std::printf("Path=%s\nArguments=%s\nWorkingDirectory=%s\nDescription=%s\nIconLocation=%s,%d\n"
              "Hotkey=0x%04X\nShowCmd=%u\n",
              link.Target.c_str(), link.Arguments.c_str(), link.WorkingDirectory.c_str(),
              link.Description.c_str(), link.IconPath.c_str(), link.IconIndex, link.HotKey,
              static_cast<unsigned>(link.ShowCommand));
#ifdef _WIN32
  std::printf("ResolvedPath=%s\n", ResolvedPath(path).c_str());
#endif
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 9 && args[0] == "save") return Save(args);
  if (args.size() == 2 && args[0] == "show") return Show(args[1]);
  std::fprintf(stderr,
               "usage: link_probe save LINK TARGET ARGUMENTS WORKDIR ICONPATH ICONINDEX SHOWCMD HOTKEY\n"
               "       link_probe show LINK\n");
  return 2;
}

// Last in the file: the Windows headers' macros would rename what follows.
#ifdef _WIN32
#include <objbase.h>
#include <shlobj.h>

namespace {

std::string ResolvedPath(const std::string& link) {
  // COM is already initialised by the service's LoadShellLink.
  const GUID shellLinkClass = {0x00021401, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  const GUID shellLinkInterface = {0x000214EE, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  const GUID persistFileInterface = {0x0000010B, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  IShellLinkA* shellLink = nullptr;
  IPersistFile* file = nullptr;
  std::string resolved;
  if (SUCCEEDED(CoCreateInstance(shellLinkClass, nullptr, CLSCTX_INPROC_SERVER, shellLinkInterface,
                                 reinterpret_cast<void**>(&shellLink))) &&
      SUCCEEDED(shellLink->QueryInterface(persistFileInterface, reinterpret_cast<void**>(&file)))) {
    std::wstring wide(link.size() + 1, L'\0');
    int n = MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
    char path[MAX_PATH * 4] = "";
    if (n > 0 && SUCCEEDED(file->Load(wide.c_str(), STGM_READ)) &&
        SUCCEEDED(shellLink->GetPath(path, static_cast<int>(sizeof path), nullptr, 0)))
      resolved = path;
  }
  if (file) file->Release();
  if (shellLink) shellLink->Release();
  return resolved;
}

}  // namespace
#endif
