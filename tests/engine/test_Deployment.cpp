// A deployed installation: the install log of a run and the values the
// platform's list of installed software reads from the Uninstall key.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "components/cmp_TVersion.h"
#include "engine/InstallRunTest.h"
#include "session/InstallLog.h"

namespace brim::test {
namespace {

using Names = std::vector<std::string>;

class Deployment : public InstallRunTest {
 protected:
  // The log's lines without their times, each "kind text"; every line must
  // begin with its time.
  Names LogLines() {
    InstallLog().Close();
    std::istringstream text(ReadFile(At("setup.log")).value_or(""));
    const std::regex stamp(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} (\w+) +(.*)\r$)");
    Names lines;
    for (std::string line; std::getline(text, line);) {
      std::smatch match;
      EXPECT_TRUE(std::regex_match(line, match, stamp)) << line;
      if (!match.empty()) lines.push_back(match[1].str() + " " + match[2].str());
    }
    return lines;
  }
};

TEST_F(Deployment, TheLogHasEachPhaseEachFileDecisionAndEachRegistryValueInOrder) {
  LoadProduct(FileText("New", "new.txt") + FileText("Old", "old.txt", " OverwriteMode = owNever\n") +
              FileText("Held", "held.dll") +
              "object Keys: TInstallRegistry\n Container = Install1\n Key = '\\" + ScratchKey +
              "\\Product'\n Entries = <\n  item\n   EntryType = retInteger\n   Ident = 'Level'\n"
              "   Integer = 3\n  end>\nend\n");
  Archive({{"New", "new"}, {"Old", "replacement"}, {"Held", "library"}});
  ASSERT_TRUE(CreateDirectoryPath(At("app")));
  WriteFile(At("app\\old.txt"), "old");
  WriteFile(At("app\\held.dll"), "old library");
  ASSERT_TRUE(InstallLog().Open(At("setup.log")));
  {
    THeldFile held(At("app\\held.dll"));
    RunInstall();
  }
  const Names expected = {
      "phase preparation",
      "phase before-install pages",
      "phase files into " + install->DestinationPath(),
      "file " + At("app\\held.dll") + ": in use, written as " + At("app\\held.1") +
          ", replaced at the restart",
      "file " + At("app\\old.txt") + ": kept, the overwrite mode is never",
      "file " + At("app\\new.txt") + ": written",
      "phase Installing registry keys...",
      "registry HKEY_LOCAL_MACHINE\\" + ScratchKey + "\\Product Level = 3",
      "phase end: the installation finishes after the restart",
  };
  EXPECT_EQ(LogLines(), expected);
  EXPECT_EQ(Installed("old.txt"), "old");
}

TEST_F(Deployment, TheUninstallKeyCarriesWhatTheListOfInstalledSoftwareReads) {
  const struct {
    const char* Case;
    const char* Properties;
    const char* Publisher;  // also the version and the address: "<none>" when left out
  } cases[] = {
      {"with an address", " Information.CompanyName = 'Brimwell Labs'\n BuildInfo.AppURL = 'https://example.org/app'\n",
       "Brimwell Labs"},
      {"without one", " Information.CompanyName = ' '\n Information.Version = ''\n", "<none>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Case);
    Reset();
    LoadProduct(FileText("Big", "big.bin") +
                    "object Uninstaller: TUninstallEXE\n Container = Dir\n ArchiveFileType = "
                    "psContainerArchiveFile\n DestDirType = psContainerDestDir\n IncludeFromDir = '" +
                    At("src") + "'\n FileName = 'uninstall.exe'\n DestName = 'uninstall.exe'\n Net = False\nend\n",
                c.Properties, {"*INSTALLDIR= " + At("Program Files\\My App") + " "});
    // 3000 and 73 bytes: 3073 bytes, a byte over three KB.
    Archive({{"Big", std::string(3000, 'b')}, {"Uninstaller", std::string(73, 'u')}});
    RunInstall();
    const std::string uninstaller = "\"" + At("app\\uninstall.exe") + "\"";
    const bool described = std::string(c.Publisher) != "<none>";
    EXPECT_EQ(MachineValue(UninstallKey(), "UninstallString"), uninstaller + " " + ScratchKey);
    EXPECT_EQ(MachineValue(UninstallKey(), "QuietUninstallString"), uninstaller + " /S " + ScratchKey);
    EXPECT_EQ(MachineValue(UninstallKey(), "DisplayIcon"), At("app\\uninstall.exe"));
    EXPECT_EQ(MachineValue(UninstallKey(), "InstallLocation"), At("Program Files\\My App"));
    EXPECT_EQ(MachineValue(UninstallKey(), "Publisher"), c.Publisher);
    EXPECT_EQ(MachineValue(UninstallKey(), "DisplayVersion"), described ? "1.0" : "<none>");
    EXPECT_EQ(MachineValue(UninstallKey(), "URLInfoAbout"), described ? "https://example.org/app" : "<none>");
    EXPECT_EQ(MachineInteger(UninstallKey(), "EstimatedSize"), 4);
    EXPECT_EQ(MachineInteger(UninstallKey(), "NoModify"), 1);
    EXPECT_EQ(MachineInteger(UninstallKey(), "NoRepair"), 1);
  }
}

}  // namespace
}  // namespace brim::test
