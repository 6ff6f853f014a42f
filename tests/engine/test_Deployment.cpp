// A deployed installation: the install log of a run and the values the
// platform's list of installed software reads from the Uninstall key.
#include <gtest/gtest.h>

#include <cctype>
#include <sstream>

#include "components/cmp_TVersion.h"
#include "engine/InstallRunTest.h"
#include "session/InstallLog.h"

namespace brim::test {
namespace {

class Deployment : public InstallRunTest {};

TEST_F(Deployment, TheLogHasEachPhaseEachFileDecisionAndEachRegistryValueInOrder) {
  LoadProduct(FileText("New", "new.txt") + FileText("Old", "old.txt", " OverwriteMode = owNever\n") +
              FileText("Held", "held.dll") + "object Keys: TInstallRegistry\n Container = Install1\n Key = '\\" +
              ScratchKey + "\\Product'\n Entries = <\n  item\n   EntryType = retInteger\n   Ident = 'Level'\n   Integer = 3\n  end>\nend\n");
  Archive({{"New", "new"}, {"Old", "replacement"}, {"Held", "library"}});
  ASSERT_TRUE(CreateDirectoryPath(At("app")));
  WriteFile(At("app\\old.txt"), "old");
  WriteFile(At("app\\held.dll"), "old library");
  ASSERT_TRUE(InstallLog().Open(At("setup.log")));
  {
    THeldFile held(At("app\\held.dll"));
    RunInstall();
  }
  InstallLog().Close();
  // Each line: its time ("2026-12-08 09:30:12.345 "), its kind, the text.
  std::istringstream log(ReadFile(At("setup.log")).value_or(""));
  std::vector<std::string> events;
  for (std::string text; std::getline(log, text);) {
    const std::string stamp = "0000-00-00 00:00:00.000 ";
    bool timed = text.size() > stamp.size() && text.back() == '\r';
    for (size_t i = 0; timed && i < stamp.size(); ++i)
      timed = stamp[i] == '0' ? std::isdigit(static_cast<unsigned char>(text[i])) != 0 : stamp[i] == text[i];
    EXPECT_TRUE(timed) << text;
    if (!timed) continue;
    const std::string rest = text.substr(stamp.size(), text.size() - stamp.size() - 1);
    const size_t blank = rest.find(' '), textAt = rest.find_first_not_of(' ', blank);
    events.push_back(textAt == std::string::npos ? rest : rest.substr(0, blank) + " " + rest.substr(textAt));
  }
  EXPECT_EQ(events, (std::vector<std::string>{
                        "phase preparation", "phase before-install pages",
                        "phase files into " + install->DestinationPath(),
                        "file " + At("app\\held.dll") + ": in use, written as " + At("app\\held.1") +
                            ", replaced at the restart",
                        "file " + At("app\\old.txt") + ": kept, the overwrite mode is never",
                        "file " + At("app\\new.txt") + ": written", "phase Installing registry keys...",
                        "registry HKEY_LOCAL_MACHINE\\" + ScratchKey + "\\Product Level = 3",
                        "phase end: the installation finishes after the restart"}));
}

TEST_F(Deployment, TheUninstallKeyCarriesWhatTheListOfInstalledSoftwareReads) {
  LoadProduct(FileText("Big", "big.bin") +
                  "object Uninstaller: TUninstallEXE\n Container = Dir\n ArchiveFileType = "
                  "psContainerArchiveFile\n DestDirType = psContainerDestDir\n IncludeFromDir = '" +
                  At("src") + "'\n FileName = 'uninstall.exe'\n DestName = 'uninstall.exe'\n Net = False\nend\n",
              " Information.CompanyName = 'Brimwell Labs'\n Information.Version = ' '\n"
              " BuildInfo.AppURL = 'https://example.org/app'\n",
              {"*INSTALLDIR= " + At("Program Files\\My App") + " "});
  // 3073 bytes: a byte over three KB.
  Archive({{"Big", std::string(3000, 'b')}, {"Uninstaller", std::string(73, 'u')}});
  RunInstall();
  const std::string uninstaller = "\"" + At("app\\uninstall.exe") + "\"";
  const std::map<std::string, std::string> values = {
      {"UninstallString", uninstaller + " " + ScratchKey},
      {"QuietUninstallString", uninstaller + " /S " + ScratchKey},
      {"DisplayIcon", At("app\\uninstall.exe")}, {"InstallLocation", At("Program Files\\My App")},
      {"Publisher", "Brimwell Labs"}, {"DisplayVersion", "<none>"},
      {"URLInfoAbout", "https://example.org/app"}};
  for (const auto& [name, value] : values) EXPECT_EQ(MachineValue(UninstallKey(), name), value) << name;
  EXPECT_EQ(MachineInteger(UninstallKey(), "EstimatedSize"), 4);
  EXPECT_EQ(MachineInteger(UninstallKey(), "NoModify"), 1);
  EXPECT_EQ(MachineInteger(UninstallKey(), "NoRepair"), 1);
}

}  // namespace
}  // namespace brim::test
