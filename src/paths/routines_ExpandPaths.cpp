#include "paths/routines_ExpandPaths.h"

#include <optional>

#include "common/routines_Strings.h"
#include "components/cmp_TInstallContainer.h"
#include "platform/Platform.h"
#include "session/InstallSession.h"
#include "system/cmp_TQmbxRegistry.h"
#include "system/routines_API.h"

namespace brim {

namespace {

// One folder value; none when the key or the value is missing or cannot
// be read.
std::optional<std::string> ReadFolderValue(TRegRoot root, const char* key, const char* value) {
  TQmbxRegistry registry(root);
  try {
    if (registry.OpenKeyReadOnly(key) && registry.ValueExists(value))
      return registry.ReadString(value);
  } catch (const Exception&) {
  }
  return std::nullopt;
}

// The default is asked for only when it is needed: it may itself read the
// registry or ask the system.
template <class DefaultFn>
std::string ReadFolder(TRegRoot root, const char* key, const char* value, DefaultFn fallback) {
  std::optional<std::string> found = ReadFolderValue(root, key, value);
  return RemoveTrailingBackslash(found ? *found : fallback());
}

std::string ReadUserFolder(const char* value, const std::string& defaultName) {
  return ReadFolder(TRegRoot::CurrentUser, ShellFoldersKey, value,
                    [&] { return JoinPath(GetWindowsDirectoryPath(), defaultName); });
}

std::string ReadProgramFolder(const char* value, const std::string& defaultName) {
  return ReadFolder(TRegRoot::LocalMachine, WindowsCurrentVersionKey, value, [&] {
    return JoinPath(ExtractFileDrive(PlatformFiles().CurrentDirectory()), defaultName);
  });
}

}  // namespace

std::string GetStartMenuFolder() { return ReadUserFolder("Start Menu", "Startmen"); }

std::string GetProgramsFolder() {
  return ReadFolder(TRegRoot::CurrentUser, ShellFoldersKey, "Programs",
                    [] { return JoinPath(GetStartMenuFolder(), "Programs"); });
}

std::string GetDesktopFolder() { return ReadUserFolder("Desktop", "Desktop"); }

std::string GetStartupFolder() { return ReadUserFolder("Startup", "Startup"); }

std::string GetFontsFolder() {
  return ReadFolder(TRegRoot::CurrentUser, ShellFoldersKey, "Fonts",
                    [] { return GetSystemDirectoryPath(); });
}

std::string GetProgramFilesFolder() { return ReadProgramFolder("ProgramFilesDir", "Program Files"); }

std::string GetCommonFilesFolder() {
  return ReadProgramFolder("CommonFilesDir", "Program Files\\Common Files");
}

std::string GetBDEDLLFolder() {
  std::string dllPath = ReadFolderValue(TRegRoot::LocalMachine, BDEKey, "DLLPath").value_or("");
  if (dllPath.empty()) dllPath = JoinPath(GetProgramFilesFolder(), "Borland\\Common Files\\BDE");
  return RemoveTrailingBackslash(SemicolonField(dllPath, 1));
}

std::string ExtractFileDrive(const std::string& path) {
  if (path.size() >= 2 && path[1] == ':') return path.substr(0, 2);
  if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
    // \\server\share: up to the backslash after the share name.
    size_t server = path.find('\\', 2);
    if (server == std::string::npos) return path;
    size_t share = path.find('\\', server + 1);
    return share == std::string::npos ? path : path.substr(0, share);
  }
  return "";
}

namespace {

// Copies the text, handing each character that follows a "%" to the
// replacement; a final lone "%" gives nothing.
template <class ReplaceFn>
std::string ReplacePercentSequences(const std::string& text, ReplaceFn replace) {
  std::string result;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') result += text[i];
    else if (++i < text.size()) result += replace(text[i]);
  }
  return result;
}

}  // namespace

std::string ExpandMetaVariables(const std::string& text, TInstallObject* linkComponent) {
  return ReplacePercentSequences(text, [&](char variable) -> std::string {
    std::string path;
    switch (variable) {
      case '%':
        return "%";
      case 'a':
      case 'A':
        if (!linkComponent)
          throw EAICannotExpandContainerDirMV(
              TranslateMessage("Cannot expand the %a meta variable because the component is Nil"));
        path = linkComponent->DestinationPath();
        break;
      case 'c':
      case 'C':
        if (!linkComponent)
          throw EAICannotExpandContainerDirMV(
              TranslateMessage("Cannot expand the %c meta variable because the component is Nil"));
        if (!linkComponent->Container())
          throw EAICannotExpandContainerDirMV(TranslateMessage(
              "Cannot expand the %c meta variable because the Container property is Nil"));
        path = linkComponent->Container()->DestinationPath();
        break;
      case 'i':
      case 'I':
        if (!CurrentInstallation())
          throw EAICannotExpandInstallDirMV(TranslateMessage(
              "Cannot expand the %i meta variable because there is no TInstall component"));
        path = CurrentInstallation()->RootContainer().DestinationPath();
        break;
      case 'b': case 'B': path = GetProgramsFolder(); break;
      case 'd': case 'D': path = GetDesktopFolder(); break;
      case 'f': case 'F': path = GetCommonFilesFolder(); break;
      case 'm': case 'M': path = GetStartMenuFolder(); break;
      case 'p': case 'P': path = GetProgramFilesFolder(); break;
      case 's': case 'S': path = GetSystemDirectoryPath(); break;
      case 'w': case 'W': path = GetWindowsDirectoryPath(); break;
      default: return "";  // an unknown variable vanishes with its letter
    }
    return RemoveTrailingBackslash(path);
  });
}

std::string SubstitutePath(const std::string& text, const std::string& path) {
  // "%%" gives "%", any other "%x" gives "x".
  return ReplacePercentSequences(text, [&](char c) {
    return c == 'p' || c == 'P' ? path : std::string(1, c);
  });
}

}  // namespace brim
