#include "components/InstallFileTest.h"

#include "system/cmp_TQmbxRegistry.h"

namespace brim::test {

void InstallFileTest::SetUp() {
  PlatformTest::SetUp();
  ASSERT_TRUE(PlatformFiles().CreateDirectory(At("src")));
}

void InstallFileTest::TearDown() {
  form.reset();
  RemoveKeyTree(TRegRoot::LocalMachine, UninstallKey().substr(1));
  PlatformTest::TearDown();
}

void InstallFileTest::Load(const std::string& files, const std::string& installProperties) {
  form.reset();
  form = LoadOnForm("object Install1: TInstall\n RunAutomatic = False\n Information.ProductName = '" +
                    ScratchKey + "'\n" + installProperties +
                    "end\nobject Dir: TInstallDirectory\n Container = Install1\nend\n" + files);
  install = form->Find<TCustomInstall>("Install1");
  // The installation's record, which loading looks for and finds none of.
  if (install) install->InstallRecordKey = "\\" + ScratchKey + "\\Record";
  dir = form->Find<TInstallDirectory>("Dir");
  ASSERT_TRUE(install && dir);
  dir->SetDestDirType(nullptr);
  dir->SetDestDir(At("app"));
  dir->AssignArchive(At("files.1"), nullptr);
}

std::string InstallFileTest::FileText(const std::string& name, const std::string& fileName,
                                      const std::string& properties) const {
  return "object " + name + ": TInstallFile\n Container = Dir\n ArchiveFileType = psContainerArchiveFile\n" +
         " DestDirType = psContainerDestDir\n IncludeFromDir = '" + At("src") + "'\n FileName = '" +
         fileName + "'\n DestName = '" + fileName + "'\n" + properties + "end\n";
}

void InstallFileTest::Archive(const std::map<std::string, std::string>& contents) {
  TQmbxCompress engine(nullptr);
  engine.SetCompressedFile(At("files.1"));
  bool first = true;
  for (const auto& [name, data] : contents) {
    TCustomInstallFile* file = File(name);
    ASSERT_TRUE(file) << name;
    WriteFile(file->SourceFile(), data);
    engine.FilesToProcess().Clear();
    engine.FilesToProcess().Add(file->SourceFile());
    engine.CompressFiles(first ? TlzhCommand::lzcOverwrite : TlzhCommand::lzcOnlyAdd, file->UniqueID);
    first = false;
  }
}

std::string InstallFileTest::MachineValue(const std::string& key, const std::string& name) {
  TQmbxRegistry registry(TRegRoot::LocalMachine);
  if (!registry.OpenKeyReadOnly(key) || !registry.ValueExists(name)) return "<none>";
  return registry.ReadString(name);
}

std::optional<int32_t> InstallFileTest::MachineInteger(const std::string& key, const std::string& name) {
  TQmbxRegistry registry(TRegRoot::LocalMachine);
  if (!registry.OpenKeyReadOnly(key) || !registry.ValueExists(name)) return std::nullopt;
  return registry.ReadInteger(name);
}

}  // namespace brim::test
