// File containers on a fresh machine: the network archive folder and its
// download, the information events and progress they relay, the byte
// totals, and building the archives of a subtree and installing from them.
#include <gtest/gtest.h>

#include "common/routines_Strings.h"
#include "components/InstallFileTest.h"
#include "components/InstallParameters.h"
#include "components/cmp_TVersion.h"
#include "netlocation/TestServers.h"
#include "netlocation/routines_DownloadChecks.h"

namespace brim::test {
namespace {

class FileContainers : public InstallFileTest {};

// A location whose download writes a given text in blocks of 4 bytes,
// reporting each, and can stand for the user's abort after a block.
class TTestLocation : public TCustomNetInstallLocation {
 public:
  using TCustomNetInstallLocation::TCustomNetInstallLocation;
  void Download(const std::string& remoteName, const std::string& localPath) override {
    Requested.push_back(remoteName);
    auto file = PlatformFiles().Open(localPath, accWrite, shareNone, TFileCreation::CreateAlways);
    const int32_t size = static_cast<int32_t>(Content.size());
    for (int32_t at = 0; at < size; at += 4) {
      const std::string block = Content.substr(at, 4);
      uint32_t done = 0;
      file->Write(block.data(), static_cast<uint32_t>(block.size()), done);
      if (DataReceived)
        DataReceived(this, remoteName, static_cast<int32_t>(block.size()), at + static_cast<int32_t>(block.size()),
                     size, block.data());
      if (AbortAfter && at + 4 >= AbortAfter) {
        SetNetAborted(true);
        return;
      }
    }
  }
  std::string Content = "0123456789";
  int32_t AbortAfter = 0;
  std::vector<std::string> Requested;
};

TEST_F(FileContainers, TheNetworkFolderIsTheMadeSafeHostAndDirectory) {
  Load("");
  TTestLocation location(nullptr);
  dir->SetNetLocation(&location);
  const struct {
    std::string Host, Directory;
    TInternetProtocol Protocol;
    std::string Folder;
  } cases[] = {
      {"server1", "/pub/app", TInternetProtocol::ipHTTP, "server1\\-pub-app"},
      {"server1", "", TInternetProtocol::ipFTP, "server1\\FTP Root directory"},
      {"server1", "", TInternetProtocol::ipHTTP, "server1\\HTTP Root directory"},
      {"host:8080", "a\"*:;<>?\\|b", TInternetProtocol::ipFTP, "host8080\\ab"},
  };
  for (const auto& c : cases) {
    location.LoginInformation().Hostname = c.Host;
    location.LoginInformation().Directory = c.Directory;
    location.LoginInformation().Protocol = c.Protocol;
    EXPECT_EQ(dir->NetArchiveFolder(), c.Folder);
  }
  dir->SetNetLocation(nullptr);
  EXPECT_EQ(MessageOf([&] { dir->NetArchiveFolder(); }), "Could not find a net install location for Dir");
}

TEST_F(FileContainers, ADownloadReportsItsProgressAndIsRememberedOrDeletedWhenAborted) {
  Load("");
  TTestLocation location(nullptr);
  location.LoginInformation().Hostname = "server1";
  dir->SetNetLocation(&location);
  std::vector<std::string> seen;
  dir->OnDataReceived.Handler = [&](TComponent* sender, const std::string& name, int32_t bytes,
                                    int32_t total, int32_t size, const void*) {
    seen.push_back(sender->Name() + " " + name + " " + std::to_string(bytes) + " " +
                   std::to_string(total) + "/" + std::to_string(size));
  };
  dir->DownloadArchive();
  EXPECT_EQ(location.Requested, std::vector<std::string>{"Dir.1"});
  EXPECT_EQ(seen, (std::vector<std::string>{"Dir Dir.1 4 4/10", "Dir Dir.1 4 8/10", "Dir Dir.1 2 10/10"}));
  EXPECT_EQ(ReadFile(dir->LocalArchive).value_or(""), "0123456789");
  EXPECT_FALSE(location.DataReceived) << "the callback is unbound";
  EXPECT_EQ(MachineValue(install->InstallRecordKey + "\\Dir", "LocalFile"), dir->LocalArchive);
  EXPECT_EQ(dir->LocalArchivePath(), dir->LocalArchive);

  // A remembered copy is not fetched again; an aborted download leaves nothing.
  const std::string remembered = dir->LocalArchive;
  dir->LocalArchive.clear();
  dir->DownloadArchive();
  EXPECT_EQ(dir->LocalArchive, remembered);
  EXPECT_EQ(location.Requested.size(), 1u);
  PlatformFiles().DeleteFile(remembered);
  location.AbortAfter = 4;
  EXPECT_EQ(MessageOf([&] { dir->DownloadArchive(); }), "Installation aborted by the user");
  EXPECT_TRUE(dir->LocalArchive.empty());
  EXPECT_EQ(MessageOf([&] { dir->LocalArchivePath(); }),
            "Dir has not yet downloaded the archive file and therefore cannot retrieve the path of "
            "the archive file");
}

TEST_F(FileContainers, AWebDistributionInstallsFromTheDownloadedArchive) {
  Load(FileText("A", "a.txt", " Net = True\n") + FileText("B", "b.txt", " Net = True\n"),
       " DistributeType = dtWeb\n");
  Archive({{"A", std::string(5000, 'a')}, {"B", "b"}});
  TTestLocation location(nullptr);
  location.LoginInformation().Hostname = "server1";
  location.Content = ReadFile(At("files.1")).value_or("");
  PlatformFiles().DeleteFile(At("files.1"));
  dir->SetNetLocation(&location);
  EXPECT_TRUE(dir->NeedsContainerDownload());
  std::vector<int32_t> received;
  dir->OnDataReceived.Handler = [&](TComponent*, const std::string&, int32_t, int32_t total, int32_t size,
                                    const void*) { received.push_back(total == size ? 100 : 0); };
  dir->Process();
  EXPECT_EQ(location.Requested, std::vector<std::string>{"Dir.1"}) << "one download serves both files";
  EXPECT_EQ(Installed("a.txt"), std::string(5000, 'a'));
  EXPECT_EQ(Installed("b.txt"), "b");
  EXPECT_EQ(File("A")->ArchivePath(), At("files.1")) << "outside an install, the archive as defined";
  ASSERT_FALSE(received.empty());
  EXPECT_EQ(received.back(), 100);
  File("A")->InformationRead = false;
  File("A")->ReadInfoFromArchive();
  EXPECT_EQ(File("A")->UncompressedSize, 5000) << "read from the local copy";
}

// The same through a real server of each protocol: the container fetches
// its archive "Dir.1" from the location's directory and installs from it.
TEST_F(FileContainers, AWebDistributionDownloadsFromARealServer) {
  for (auto [kind, protocol] : {std::pair{TTestServer::TKind::Http, TInternetProtocol::ipHTTP},
                                std::pair{TTestServer::TKind::Ftp, TInternetProtocol::ipFTP}}) {
    SCOPED_TRACE(kind == TTestServer::TKind::Http ? "HTTP" : "FTP");
    TTestServer server(kind);
    ASSERT_TRUE(server.Started()) << server.Problem();
    Load(FileText("A", "a.txt", " Net = True\n") + FileText("B", "b.txt", " Net = True\n"),
         " DistributeType = dtWeb\n");
    RemoveKeyTree(TRegRoot::LocalMachine, install->InstallRecordKey.substr(1));
    RemoveTree(At("app"));
    const std::string big = TestPayload(20000);
    Archive({{"A", big}, {"B", "b"}});
    const std::string archive = ReadFile(At("files.1")).value_or("");
    server.Put("pub/app/Dir.1", archive);
    PlatformFiles().DeleteFile(At("files.1"));
    TCustomNetInstallLocation location(nullptr);
    location.LoginInformation().Hostname = server.Host();
    location.LoginInformation().Directory = "pub\\app";
    location.LoginInformation().Protocol = protocol;
    dir->SetNetLocation(&location);
    dir->Process();
    EXPECT_EQ(Installed("a.txt"), big);
    EXPECT_EQ(Installed("b.txt"), "b");
    EXPECT_EQ(ReadFile(dir->LocalArchive).value_or(""), archive) << "the local copy is the served archive";
    EXPECT_EQ(MachineValue(install->InstallRecordKey + "\\Dir", "LocalFile"), dir->LocalArchive);
    dir->SetNetLocation(nullptr);
  }
}

// With the build's hash list, an archive is used only while it is what the
// build wrote: a swapped local copy goes and is fetched again; a swapped
// download is the system's error, and nothing is saved or recorded (the
// status answers are the location's tests).
TEST_F(FileContainers, AnArchiveIsUsedOnlyWhileItMatchesTheBuildsHash) {
  TTestServer server(TTestServer::TKind::Http);
  ASSERT_TRUE(server.Started()) << server.Problem();
  Load(FileText("A", "a.txt", " Net = True\n"), " DistributeType = dtWeb\n");
  Archive({{"A", "the built file"}});
  const std::string archive = ReadFile(At("files.1")).value_or("");
  Archive({{"A", "evil"}});
  const std::string swapped = ReadFile(At("files.1")).value_or("");
  PlatformFiles().DeleteFile(At("files.1"));
  TArchiveHashList hashes;
  hashes.Add("Dir.1", {static_cast<int64_t>(archive.size()), Sha256Of(archive)});
  UseArchiveHashes(hashes);
  TCustomNetInstallLocation location(nullptr);
  location.LoginInformation().Hostname = server.Host();
  dir->SetNetLocation(&location);
  const std::string record = install->InstallRecordKey + "\\Dir";

  server.Put("Dir.1", archive);
  dir->DownloadArchive();
  const std::string first = dir->LocalArchive;
  EXPECT_EQ(ReadFile(first).value_or(""), archive);
  EXPECT_EQ(MachineValue(record, "LocalFile"), first);

  WriteFile(first, swapped);
  dir->LocalArchive.clear();
  EXPECT_FALSE(dir->HasLocalArchive()) << "a copy that does not match is not taken";
  EXPECT_FALSE(Exists(first)) << "and is deleted";
  dir->DownloadArchive();
  EXPECT_EQ(ReadFile(dir->LocalArchive).value_or(""), archive) << "fetched again";

  // A swapped download is refused, and neither saved nor recorded.
  PlatformFiles().DeleteFile(dir->LocalArchive);
  dir->LocalArchive.clear();
  RemoveKeyTree(TRegRoot::LocalMachine, record.substr(1));
  server.Put("Dir.1", swapped);
  EXPECT_EQ(MessageOf([&] { dir->DownloadArchive(); }),
            "The file Dir.1 from the server is not the one this setup was built with: its size or "
            "SHA-256 differs");
  EXPECT_TRUE(dir->LocalArchive.empty());
  EXPECT_EQ(MachineValue(record, "LocalFile"), "<none>") << "nothing is recorded";

  // A setup built without the list: each file's size must be the one
  // "filelist.lst" gave it.
  UseArchiveHashes(std::nullopt);
  SetRemoteFileSize("A", 14);
  server.Put("Dir.1", swapped);
  const std::string message = MessageOf([&] { dir->DownloadArchive(); });
  EXPECT_NE(message.find(" holds A with 4 bytes, but the remote list of files \"filelist.lst\" "
                         "gives it 14 bytes"),
            std::string::npos)
      << message;
  EXPECT_TRUE(dir->LocalArchive.empty());
  dir->SetNetLocation(nullptr);
}

TEST_F(FileContainers, ADownloadNeedsACompleteLogin) {
  Load("");
  TTestLocation own(nullptr);
  const struct {
    TCustomNetInstallLocation* Location;
    std::string Message;
  } cases[] = {
      {&own,
       "Dir could not install itself because the TNetLocation component's properties, in the "
       "NetLocation property, have not been filled in"},
      {nullptr, "Could not find a net install location for Dir"},
  };
  for (const auto& c : cases) {
    dir->SetNetLocation(c.Location);
    EXPECT_EQ(MessageOf([&] { dir->DownloadArchive(); }), c.Message);
  }
  TTestLocation main(nullptr);
  SetCurrentNetLocation(&main);
  EXPECT_EQ(MessageOf([&] { dir->DownloadArchive(); }),
            "Dir could not install itself because the LoginInformation property of the TInstall "
            "component has not been properly filled in");
  main.LoginInformation().Anonymous = false;
  main.LoginInformation().Password = "secret";
  EXPECT_TRUE(LoginComplete(main.LoginInformation())) << "a password alone completes a named login";
  SetCurrentNetLocation(nullptr);
}

TEST_F(FileContainers, InformationEventsAreRelayedOnlyDuringAnOperationAndCheckTheirParameter) {
  Load(FileText("F", "f.txt"));
  TCustomInstallFile* file = File("F");
  std::vector<int32_t> totals;
  dir->OnStatus.Handler = [&](TComponent*, int32_t, int32_t total) { totals.push_back(total); };
  TFileStatusParameter status;
  status.FileBytesDone = 250;
  TParameterList list{file, &status};
  dir->DoInformationEventControl(file, ieInstallProgress, &list);
  EXPECT_TRUE(totals.empty()) << "no operation runs";

  dir->Operation = 2;
  dir->TotalBytes = 1000;
  dir->DoneBytes = 250;
  dir->DoInformationEventControl(file, ieInstallProgress, &list);
  EXPECT_EQ(totals, std::vector<int32_t>{50});
  EXPECT_EQ(status.TotalBytesDone, 500);

  TDiskParameter disk;
  TParameterList one{file};
  TParameterList swapped{&status, &disk};
  TParameterList fileAndStatus{file, &status};
  const struct {
    int Code;
    TPersistent* Parameter;
    std::string Message;
  } cases[] = {
      {ieReplacing, nullptr, "Dir got a nil PO parameter"},
      {ieReplacing, &status, "DoInformationEventControl parameter is not TInstallFile"},
      {ieCopyProgress, &status, "DoInformationEventControl--PO is not a TList object"},
      {ieCompressProgress, &one, "DoInformationEventControl--Not engouh parameters for status event"},
      {ieInstallProgress, &swapped, "DoInformationEventControl says bad first parameter"},
      {ieInstallProgress, &fileAndStatus, ""},
      {ieNewDisk, &swapped, "DoInformationEventControl says bad 1 parameter"},
      {ieNewDisk, &fileAndStatus, "DoInformationEventControl says bad 2 parameter"},
      {ieDownloadProgress, &status, "The PO object passed to Dir is not a TDownloadStatusParameter object"},
      {ieFileKept, &status, "DoInformationEventControl says bad first parameter"},
      {ieFileSkipped, nullptr, "Dir got a nil PO parameter"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Code);
    EXPECT_EQ(MessageOf([&] { dir->DoInformationEventControl(file, c.Code, c.Parameter); }), c.Message);
  }
  dir->Operation = 0;
}

TEST(Percentages, RoundHalvesToEvenAndCannotDivideByZero) {
  const struct {
    double Part, Whole;
    int32_t Percent;
  } cases[] = {{250 + 250, 1000, 50}, {1, 8, 12}, {3, 8, 38}, {0, 0, 0}, {5, 0, 0}, {10, 10, 100}};
  for (const auto& c : cases) EXPECT_EQ(PercentOf(c.Part, c.Whole), c.Percent) << c.Part << "/" << c.Whole;
}

TEST_F(FileContainers, TotalsCountTheSelectedFilesAndContainers) {
  Load(FileText("A", "a.txt") + FileText("B", "b.txt", " Include = False\n") +
       "object Sub: TInstallDirectory\n Container = Dir\nend\n" +
       "object C: TInstallFile\n Container = Sub\n IncludeFromDir = 'x'\n FileName = 'c.txt'\n Net = True\nend\n");
  File("A")->UncompressedSize = 100, File("A")->CompressedSize = 10;
  File("B")->UncompressedSize = 20, File("B")->CompressedSize = 2;
  File("C")->UncompressedSize = 3, File("C")->CompressedSize = 1;
  auto* sub = form->Find<TFileContainer>("Sub");
  EXPECT_EQ(dir->SelectedSizeOwn(false), 100);
  EXPECT_EQ(dir->SelectedSizeOwn(true), 120);
  EXPECT_EQ(dir->SelectedSize(false), 103);
  EXPECT_EQ(dir->CompressedSize(true), 13);
  EXPECT_FALSE(dir->AnyNetFile());
  EXPECT_TRUE(sub->AnyNetFile());
  EXPECT_FALSE(sub->NeedsContainerDownload()) << "a traditional distribution downloads nothing";
  EXPECT_EQ(dir->FindFile(At("SRC\\A.TXT")), File("A"));
  WriteFile(File("A")->SourceFile(), "a");
  dir->RemoveMissingFiles();
  EXPECT_EQ(dir->InstallFileCount(), 1);
  EXPECT_EQ(dir->InstallFiles(0), File("A"));
}

TEST_F(FileContainers, EachContainerGetsItsOwnPathSpecifier) {
  Load("object Dir2: TInstallDirectory\n Container = Install1\n Description = 'Tools'\nend\n");
  auto* second = form->Find<TFileContainer>("Dir2");
  ASSERT_TRUE(second->PathSpecifier);
  EXPECT_EQ(second->PathSpecifier->Name(), "psFileContainer1");
  EXPECT_EQ(second->PathSpecifier->GetDescription(), "Path into which Tools will be installed");
  EXPECT_EQ(second->PathSpecifier->GetShortName(), "<Tools>");
  EXPECT_EQ(install->PathSpecifier, nullptr);
}

TEST_F(FileContainers, CompressBuildsTheArchiveInstallReadsAndMembersKeepTheirSettings) {
  Load(FileText("A", "a.txt") + FileText("B", "b.txt", " Include = False\n"));
  WriteFile(File("A")->SourceFile(), std::string(3000, 'a'));
  WriteFile(File("B")->SourceFile(), "b");
  std::vector<std::string> events;
  dir->OnBeforeProcess.Handler = [&](TComponent*) { events.push_back("before"); };
  dir->OnAfterProcess.Handler = [&](TComponent*) { events.push_back("after"); };
  const std::string archive = File("A")->ArchiveFile();
  TCustomPathSpecifier* type = File("A")->ArchiveFileType();

  EXPECT_EQ(MessageOf([&] { dir->Compress(coForceNetFilesLocal | coForceFilesNet); }),
            "Cannot pass both coForceNetFilesLocal and coForceFilesNet to Compress");
  EXPECT_TRUE(events.empty());

  dir->Compress(coUnderArchiveDir | coInstallerOptions | coForceNetFilesLocal | coIncludeExcluded);
  EXPECT_EQ(events, (std::vector<std::string>{"before", "after"}));
  EXPECT_EQ(dir->Operation, 0);
  for (const char* name : {"A", "B"}) {
    EXPECT_EQ(File(name)->ArchiveFileType(), type);
    EXPECT_EQ(File(name)->ArchiveFile(), archive);
    EXPECT_EQ(File(name)->AddToArchive, TlzhCommand::lzcOverwrite);
  }
  EXPECT_FALSE(File("B")->Include);

  dir->Process();
  EXPECT_EQ(Installed("a.txt"), std::string(3000, 'a'));
  EXPECT_EQ(Installed("b.txt"), "<none>") << "excluded";
  RemoveTree(At("app"));
  dir->Execute(3);
  EXPECT_EQ(Installed("a.txt"), std::string(3000, 'a')) << "copied uncompressed";
  EXPECT_EQ(Installed("b.txt"), "<none>");
  EXPECT_EQ(dir->Operation, 0);

  // A member that fails leaves every member as it was.
  File("B")->OnBeforeCompress.Handler = [&](TComponent*) {
    EXPECT_TRUE(File("B")->Include);
    EXPECT_EQ(File("B")->AddToArchive, TlzhCommand::lzcOnlyAdd);
    throw Exception(std::string("refused"));
  };
  EXPECT_EQ(MessageOf([&] { dir->Compress(coIncludeExcluded | coForceNetFilesLocal); }), "refused");
  EXPECT_FALSE(File("B")->Include);
  EXPECT_EQ(File("B")->AddToArchive, TlzhCommand::lzcOverwrite);
  EXPECT_EQ(File("B")->ArchiveFile(), archive);
  EXPECT_EQ(File("B")->ArchiveFileType(), type);
  EXPECT_EQ(dir->Operation, 0);
}

TEST_F(FileContainers, CompressGivesEachMemberTheArchiveItsKindNeeds) {
  TTestLocation location(nullptr), own(nullptr);
  location.LoginInformation().Hostname = "server1";
  location.LoginInformation().Directory = "/pub";
  own.LoginInformation().Hostname = "mirror";
  const std::string net = Scratch + "\\server1\\-pub\\";
  const struct {
    std::string Properties;
    uint32_t Options;
    std::string Archive;  // what the member compresses into
    TlzhCommand Command;
  } cases[] = {
      {" Net = True\n", coForceFilesNet, net + "Dir.1", TlzhCommand::lzcOnlyAdd},
      {" OverwriteMode = owVersion\n", coForceFilesNet, net + "F.1", TlzhCommand::lzcOnlyAdd},
      {" Net = True\n NetLocation = Own\n", 0, Scratch + "\\mirror\\HTTP Root directory\\F.1",
       TlzhCommand::lzcOverwrite},
      {" Net = True\n", coForceNetFilesLocal, At("files.1"), TlzhCommand::lzcOnlyAdd},
      {"", coLocalMembersAdd, "", TlzhCommand::lzcOnlyAdd},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Properties + " options " + std::to_string(c.Options));
    Load(FileText("F", "f.txt", c.Properties) + "object Own: TCustomNetInstallLocation\nend\n");
    if (auto* ownLocation = form->Find<TCustomNetInstallLocation>("Own"))
      ownLocation->LoginInformation().Hostname = "mirror";
    dir->SetNetLocation(&location);
    WriteFile(File("F")->SourceFile(), "f");
    std::string archive = "?";
    TlzhCommand command = TlzhCommand::lzcOverwrite;
    File("F")->OnBeforeCompress.Handler = [&](TComponent*) {
      archive = File("F")->ArchivePath();
      command = File("F")->AddToArchive;
      if (archive.empty()) throw EAbort(std::string("no archive to write"));
    };
    try {
      dir->Compress(c.Options);
    } catch (const EAbort&) {
    }
    EXPECT_EQ(archive, c.Archive);
    EXPECT_EQ(command, c.Command);
    EXPECT_EQ(File("F")->AddToArchive, TlzhCommand::lzcOverwrite) << "restored";
  }
}

TEST_F(FileContainers, InstallReportsEachFileUpTheTreeUntilTheWholeIsDone) {
  Load(FileText("A", "a.txt") + FileText("B", "b.txt"));
  Archive({{"A", std::string(3000, 'a')}, {"B", std::string(1000, 'b')}});
  std::vector<int32_t> totals;
  install->OnStatus.Handler = [&](TComponent*, int32_t, int32_t total) { totals.push_back(total); };
  bool afterAborted = true;
  dir->OnAfterInstallObjects.Handler = [&](TComponent*, bool aborted) { afterAborted = aborted; };
  install->Operation = 2;
  install->TotalBytes = 4000;
  dir->Process();
  install->Operation = 0;
  ASSERT_FALSE(totals.empty());
  EXPECT_EQ(totals.back(), 100);
  EXPECT_TRUE(std::is_sorted(totals.begin(), totals.end()));
  EXPECT_FALSE(afterAborted);
  EXPECT_EQ(install->DoneBytes, 4000);
}

}  // namespace
}  // namespace brim::test
