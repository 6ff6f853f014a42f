// The uninstall record: what an installation left under the product's
// Uninstall key for the uninstaller (HKEY_LOCAL_MACHINE
// "\Software\Microsoft\Windows\CurrentVersion\Uninstall\" + product name):
// the installed files and shortcuts ("Files", "Files1", ...), the COM
// servers ("ActiveX"), the registry keys and values ("RegistryKeys"), the
// uninstaller's own command line and the language the setup ran in. It is
// read as written, entry by entry; what it says is judged when the
// uninstaller applies it (TUninstaller).
#pragma once

#include <string>
#include <vector>

#include "common/exceptions_Brimwell.h"
#include "platform/RegistryService.h"

namespace brim {

BRIM_IEXCEPTION_CLASS(IEUninstall, IException);

// A COM server the installation registered.
struct TUninstallServer {
  std::string Path;
  bool Executable = false;  // registered with " /REGSERVER"; else a library
};

// A registry key written by one registry component, with the names of the
// values it wrote.
struct TUninstallRegistryKey {
  TRegRoot Root = TRegRoot::LocalMachine;
  std::string Key;  // from the root, without a leading backslash
  std::vector<std::string> Values;
};

struct TUninstallRecord {
  std::string ProductName;
  // The record's key, from HKEY_LOCAL_MACHINE, without a leading backslash.
  std::string Key;
  // The uninstaller's file, from "UninstallString"; empty when there is none.
  std::string UninstallerPath;
  // "SetupLanguage": the language the setup ran in ("German"), or empty.
  std::string SetupLanguage;
  // Every "File" entry of the "Files" subkeys, in the order written; a
  // file installed twice is listed twice.
  std::vector<std::string> Files;
  std::vector<TUninstallServer> Servers;
  std::vector<TUninstallRegistryKey> RegistryKeys;
};

// The record's key of a product, without a leading backslash.
std::string UninstallKeyOf(const std::string& productName);

// Reads the record of the product (its name trimmed). A missing record
// raises IEUninstall naming the product; entries missing in a damaged
// record are left out.
TUninstallRecord ReadUninstallRecord(const std::string& productName);

// The uninstaller's file from an "UninstallString" of the product: the
// quoted first word, or the text before the product name.
std::string UninstallerPathOf(const std::string& uninstallString, const std::string& productName);

}  // namespace brim
