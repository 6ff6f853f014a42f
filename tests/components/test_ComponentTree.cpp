// The install tree at work: where a member lands in its container's list,
// what containment refuses, how install types select what is processed,
// the events and broadcasts of processing, what destruction takes with it,
// and the identities of install files.
#include <gtest/gtest.h>

#include <memory>

#include "components/InstallParameters.h"
#include "components/cmp_TInstallContainer.h"
#include "engine/DefinitionTestForm.h"
#include "engine/cmp_TInstall.h"
#include "widgets/Forms.h"

namespace brim::test {
namespace {

using Names = std::vector<std::string>;

// A member of any registered type that records what reaches it in a log
// shared with its neighbours.
class TProbe : public TInstallObject {
  BRIM_CLASS(TProbe)

 public:
  TProbe(TComponent* owner, int type, Names* log = nullptr)
      : TInstallObject(owner), type_(type), log_(log) {
    ProcessWithContainer = true;
  }
  int RegisteredType() const override { return type_; }
  void HandleEvent(TInstallContainer* sender, int code, TPersistent* parameter) override {
    Record(std::to_string(code));
    if (auto* message = dynamic_cast<TMessageParameter*>(parameter)) Record(message->Message);
  }
  void WriteUninstallInfo(const std::string& key) override { Record("uninstall " + key); }
  void ProcessMembers() override {
    Record("members");
    TInstallObject::ProcessMembers();
  }

 private:
  void Record(const std::string& what) {
    if (log_) log_->push_back(Name() + ": " + what);
  }
  int type_;
  Names* log_;
};

const TClassInfo& TProbe::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TProbe>("TProbe", &TInstallObject::StaticClass()).Build();
  return info;
}

// Named like the one class that always goes first, but in other letters.
class TInstallBde : public TInstallObject {
  BRIM_CLASS(TInstallBde)

 public:
  explicit TInstallBde(TComponent* owner) : TInstallObject(owner) {}
  int RegisteredType() const override { return rtInstallFile; }
};

const TClassInfo& TInstallBde::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TInstallBde>("TInstallBde", &TInstallObject::StaticClass()).Build();
  return info;
}

// Components made in code, owned by one root that frees them all.
class ComponentTree : public ::testing::Test {
 protected:
  template <class T, class... A>
  T* Make(const std::string& name, A&&... args) {
    T* c = new T(root.get(), std::forward<A>(args)...);
    c->SetName(name);
    return c;
  }
  // The installation needs a form as its owner.
  TInstall* MakeInstall() {
    form = std::make_unique<TForm>(nullptr);
    auto* install = new TInstall(form.get());
    install->SetName("Install1");
    return install;
  }
  static Names MemberNames(const TInstallContainer& c) {
    Names names;
    for (int i = 0; i < c.MemberCount(); ++i) names.push_back(c.Members(i)->Name());
    return names;
  }

  std::unique_ptr<TComponent> root = std::make_unique<TComponent>(nullptr);
  std::unique_ptr<TForm> form;
  Names log;
};

// ---- Member order ----

TEST_F(ComponentTree, AFileGoesBetweenTheDirectoryAndTheDialog) {
  auto* top = Make<TInstallGroup>("Top");
  Make<TInstallGroup>("Group1")->SetContainer(top);
  Make<TProbe>("Dialog1", rtDialog)->SetContainer(top);
  Make<TInstallDirectory>("Dir1")->SetContainer(top);
  Make<TInstallFile>("File1")->SetContainer(top);
  EXPECT_EQ(MemberNames(*top), (Names{"Group1", "Dir1", "File1", "Dialog1"}));
}

TEST_F(ComponentTree, TheNewestOfOneTypeStandsFirst) {
  auto* dir = Make<TInstallDirectory>("Dir1");
  Make<TInstallFile>("A")->SetContainer(dir);
  Make<TInstallFile>("B")->SetContainer(dir);
  EXPECT_EQ(MemberNames(*dir), (Names{"B", "A"}));
}

TEST_F(ComponentTree, TheBDEClassGoesFirstWhateverItsLetterCase) {
  auto* top = Make<TInstallGroup>("Top");
  Make<TInstallGroup>("Group1")->SetContainer(top);
  Make<TInstallBde>("Bde")->SetContainer(top);
  EXPECT_EQ(MemberNames(*top), (Names{"Bde", "Group1"}));
}

// ---- What containment refuses ----

TEST_F(ComponentTree, AGroupCannotContainItsOwnAncestor) {
  auto* g1 = Make<TInstallGroup>("G1");
  auto* g2 = Make<TInstallGroup>("G2");
  auto* g3 = Make<TInstallGroup>("G3");
  g2->SetContainer(g1);
  g3->SetContainer(g2);
  EXPECT_EQ(MessageOf([&] { g1->SetContainer(g3); }), "Circular reference");
  EXPECT_EQ(MessageOf([&] { g1->SetContainer(g1); }), "Circular reference");
  // Nothing changed.
  EXPECT_EQ(g1->Container(), nullptr);
  EXPECT_EQ(MemberNames(*g3), Names{});
}

TEST_F(ComponentTree, ABlankMemberAndABadIndexNameTheContainer) {
  auto* dir = Make<TInstallDirectory>("Dir1");
  EXPECT_EQ(MessageOf([&] { dir->AddMember(nullptr); }),
            "Cannot add a blank base helper component to Dir1");
  Make<TInstallFile>("File1")->SetContainer(dir);
  EXPECT_EQ(MessageOf([&] { dir->Members(1); }),
            "Tried to reference a helper component in the following component: Dir1. The "
            "following index was used: 1");
}

TEST_F(ComponentTree, CompCountsByClassAndRefusesAnIndexPastThem) {
  auto* top = Make<TInstallGroup>("Top");
  Make<TInstallFile>("File1")->SetContainer(top);
  Make<TInstallDirectory>("Dir1")->SetContainer(top);
  Make<TInstallGroup>("Group1")->SetContainer(top);
  EXPECT_EQ(top->InstallFileCount(), 1);
  EXPECT_EQ(top->InstallFiles(0)->Name(), "File1");
  // A group is a file container too.
  EXPECT_EQ(top->FileContainerCount(), 2);
  EXPECT_EQ(top->FileContainers(1)->Name(), "Dir1");
  std::string error = MessageOf([&] { top->Comp(1, TCustomInstallFile::StaticClass()); });
  EXPECT_CONTAINS(error, "Bad call to the Comp procedure");
  EXPECT_CONTAINS(error, "Index: 1");
}

TEST_F(ComponentTree, AGroupLivesOnlyInTheInstallationOrAnotherGroup) {
  TInstall* install = MakeInstall();
  auto* group = Make<TInstallGroup>("Group1");
  group->SetContainer(install);
  auto* dir = Make<TInstallDirectory>("Dir1");
  try {
    group->SetContainer(dir);
    FAIL() << "a directory took a group";
  } catch (const IEInstallGroup& e) {
    EXPECT_EQ(e.Message(), "A TInstallGroup component can only be contained by a TInstall, or "
                           "another TInstallGroup component");
  }
  EXPECT_EQ(group->Container(), install);
  // Taking the group out puts it back into the installation.
  auto* outer = Make<TInstallGroup>("Outer");
  group->SetContainer(outer);
  group->SetContainer(nullptr);
  EXPECT_EQ(group->Container(), install);
  EXPECT_EQ(MemberNames(*outer), Names{});
}

// ---- Defaults that follow the container ----

TEST_F(ComponentTree, ANewContainerGivesItsDirectoryAndArchive) {
  auto* dir = Make<TInstallDirectory>("Dir1");
  auto* file = Make<TInstallFile>("File1");
  file->SetDestDir("\\bin");
  file->SetArchiveFile("own.1");
  file->SetContainer(dir);
  EXPECT_TRUE(dynamic_cast<TpsContainerDestDir*>(file->DestDirType()));
  EXPECT_EQ(file->DestDir(), "");
  EXPECT_TRUE(dynamic_cast<TpsContainerArchiveFile*>(file->ArchiveFileType()));
  EXPECT_EQ(file->ArchiveFile(), "");
  // The archive of the container names the whole archive: no file name.
  file->SetArchiveFile("other.1");
  EXPECT_EQ(file->ArchiveFile(), "");
  file->SetContainer(nullptr);
  EXPECT_EQ(file->DestDirType(), nullptr);
  EXPECT_EQ(file->ArchiveFileType(), nullptr);
}

TEST_F(ComponentTree, LoadingKeepsWhatTheStreamSays) {
  auto form = LoadComponents(R"(
    object psWindow: TpsWindow
    end
    object Top: TInstallGroup
    end
    object Fonts: TInstallDirectory
      ArchiveFile = 'fonts.1'
      Container = Top
      DestDir = '\Fonts'
      DestDirType = psWindow
    end)");
  auto* fonts = form->Find<TInstallDirectory>("Fonts");
  EXPECT_EQ(fonts->Container(), form->FindComponent("Top"));
  EXPECT_EQ(fonts->DestDirType(), form->FindComponent("psWindow"));
  EXPECT_EQ(fonts->DestDir(), "\\Fonts");
  EXPECT_EQ(fonts->ArchiveFile(), "fonts.1");
  EXPECT_EQ(fonts->ArchiveFileType(), nullptr);
}

TEST_F(ComponentTree, AnArchiveSpecifierValidatesItsUserOutsideLoading) {
  auto* file = Make<TInstallFile>("File1");
  std::string error =
      MessageOf([&] { file->SetArchiveFileType(Make<TpsContainerArchiveFile>("Archive")); });
  EXPECT_EQ(error, "Cannot use ddContainerArchiveFile for File1 unless you assign a Container");
  EXPECT_EQ(file->ArchiveFileType(), nullptr);
}

TEST_F(ComponentTree, TheDestinationIsTheSpecifierFollowedByDestDir) {
  std::function<void(TComponent*, std::string&)> tools = [](TComponent*, std::string& path) {
    path = "D:\\Tools";
  };
  auto form = LoadComponents(R"(
    object ToolsDir: TPathSpecifier
      OnGetPath = ToolsPath
    end
    object Dir1: TInstallDirectory
      DestDir = '\App\'
      DestDirType = ToolsDir
    end
    object Dir2: TInstallDirectory
      DestDir = 'C:\Plain\\'
    end)",
                             {{"ToolsPath", tools}});
  EXPECT_EQ(form->Find<TInstallDirectory>("Dir1")->DestinationPath(), "D:\\Tools\\App");
  // One trailing backslash goes, not two.
  EXPECT_EQ(form->Find<TInstallDirectory>("Dir2")->DestinationPath(), "C:\\Plain\\");
}

// ---- Install types ----

TEST_F(ComponentTree, NoInstallTypesMeansFull) {
  auto* file = Make<TInstallFile>("File1");
  file->InstallTypes = TInstallTypeSet{};
  EXPECT_EQ(file->InstallTypes, TInstallTypeSet{TInstallType::itFull});
  auto form = LoadComponents("object File1: TInstallFile\n InstallTypes = []\nend");
  EXPECT_EQ(form->Find<TInstallFile>("File1")->InstallTypes, TInstallTypeSet{TInstallType::itFull});
}

TEST_F(ComponentTree, CustomSelectsByIncludeAlone) {
  auto* probe = Make<TProbe>("P", rtInstallFile, &log);
  probe->InstallTypes = TInstallTypeSet{TInstallType::itFull};
  probe->SetCurrentInstallType(TInstallType::itCustom);
  EXPECT_TRUE(probe->IsSelected());
  probe->Process();
  EXPECT_TRUE(probe->Processed);
  probe->Include = false;
  EXPECT_FALSE(probe->IsSelected());
  probe->SetCurrentInstallType(TInstallType::itCompact);
  probe->Include = true;
  EXPECT_FALSE(probe->IsSelected());
}

TEST_F(ComponentTree, TheCurrentInstallTypeReachesNestedMembersFirst) {
  auto* top = Make<TInstallGroup>("Top");
  auto* dir = Make<TInstallDirectory>("Dir1");
  dir->SetContainer(top);
  auto* file = Make<TInstallFile>("File1");
  file->SetContainer(dir);
  top->SetCurrentInstallType(TInstallType::itCompact);
  EXPECT_EQ(file->CurrentInstallType, TInstallType::itCompact);
  EXPECT_EQ(dir->CurrentInstallType, TInstallType::itCompact);
  EXPECT_EQ(top->CurrentInstallType, TInstallType::itCompact);
}

// ---- Processing ----

TEST_F(ComponentTree, ProcessingAnnouncesItselfToTheMembersAndWritesUninstallInfo) {
  TInstall* install = MakeInstall();
  install->Information.ProductName = "Demo";
  auto* top = Make<TProbe>("Top", rtInstallGroup, &log);
  auto* listener = Make<TProbe>("Listener", rtDialog, &log);
  listener->ProcessWithContainer = false;
  listener->SetContainer(top);
  auto* group = Make<TProbe>("Low", rtInstallGroup, &log);
  group->ProcessWithContainer = false;
  group->SetContainer(top);
  top->OnBeforeProcess.Handler = [&](TComponent*) { log.push_back("before"); };
  top->OnAfterProcess.Handler = [&](TComponent*) { log.push_back("after"); };
  top->Process();
  // Only members of type 2000 or more hear broadcasts; the uninstall key
  // ends with the product name.
  EXPECT_EQ(log, (Names{"before", "Listener: -990", "Listener: -999", "Top: members",
                        "Top: uninstall \\Software\\Microsoft\\Windows\\CurrentVersion\\"
                        "Uninstall\\Demo",
                        "after", "Listener: -989"}));
}

TEST_F(ComponentTree, AnObjectOutsideTheInstallTypesFiresOnlyItsBeforeEvent) {
  auto* probe = Make<TProbe>("P", rtInstallFile, &log);
  probe->InstallTypes = TInstallTypeSet{TInstallType::itCompact};
  probe->OnBeforeProcess.Handler = [&](TComponent*) { log.push_back("before"); };
  probe->OnAfterProcess.Handler = [&](TComponent*) { log.push_back("after"); };
  probe->Process();
  EXPECT_EQ(log, Names{"before"});
  EXPECT_FALSE(probe->Processed);
}

TEST_F(ComponentTree, ASilentAbortSkipsTheObjectAndOtherErrorsPropagate) {
  auto* probe = Make<TProbe>("P", rtInstallFile, &log);
  probe->OnBeforeProcess.Handler = [](TComponent*) { throw EAbort(std::string("skip")); };
  probe->OnAfterProcess.Handler = [&](TComponent*) { log.push_back("after"); };
  EXPECT_NO_THROW(probe->Process());
  EXPECT_EQ(log, Names{});
  probe->OnBeforeProcess.Handler = [](TComponent*) { throw EAIUserAbort(); };
  EXPECT_THROW(probe->Process(), EAIUserAbort);
}

TEST_F(ComponentTree, MembersAreProcessedInListOrderWhenTheyGoWithTheirContainer) {
  auto* top = Make<TProbe>("Top", rtInstallGroup, &log);
  for (const char* name : {"A", "B", "C"}) Make<TProbe>(name, rtInstallFile, &log)->SetContainer(top);
  dynamic_cast<TProbe*>(top->Members(1))->ProcessWithContainer = false;
  top->ProcessMembers();
  EXPECT_EQ(log, (Names{"Top: members", "C: members", "A: members"}));
}

TEST_F(ComponentTree, DuringARunAnObjectWaitsForItsContainer) {
  TInstall* install = MakeInstall();
  auto* top = Make<TProbe>("Top", rtInstallGroup, &log);
  auto* member = Make<TProbe>("Member", rtInstallFile, &log);
  member->SetContainer(top);
  install->Running = true;
  member->Process();
  EXPECT_FALSE(member->Processed);
  top->Processed = true;
  member->Process();
  EXPECT_TRUE(member->Processed);
  install->Running = false;
}

TEST_F(ComponentTree, AStatusMessageTravelsWithItsText) {
  auto* top = Make<TInstallGroup>("Top");
  Make<TProbe>("Status", rtDialog, &log)->SetContainer(top);
  top->SendStatusMessage("Copying files");
  EXPECT_EQ(log, (Names{"Status: -974", "Status: Copying files"}));
}

// ---- Destruction ----

TEST_F(ComponentTree, ADestroyedDirectoryLeavesItsGroupAndTakesItsFiles) {
  auto* group = Make<TInstallGroup>("Group1");
  auto* dir = Make<TInstallDirectory>("Dir1");
  dir->SetContainer(group);
  Make<TInstallFile>("File1")->SetContainer(dir);
  Make<TInstallFile>("File2")->SetContainer(dir);
  auto* shortcut = Make<TProbe>("Link", rtShellLink);
  shortcut->SetContainer(dir);
  dir->Free();
  EXPECT_EQ(MemberNames(*group), Names{});
  EXPECT_EQ(root->FindComponent("File1"), nullptr);
  EXPECT_EQ(root->FindComponent("File2"), nullptr);
  // What is not an install file stays, without its container.
  EXPECT_EQ(shortcut->Container(), nullptr);
  EXPECT_EQ(shortcut->DestDirType(), nullptr);
}

TEST_F(ComponentTree, ADestroyedGroupHandsItsGroupsToTheInstallation) {
  TInstall* install = MakeInstall();
  auto* outer = Make<TInstallGroup>("Outer");
  outer->SetContainer(install);
  auto* inner = Make<TInstallGroup>("Inner");
  inner->SetContainer(outer);
  outer->Free();
  EXPECT_EQ(inner->Container(), install);
  EXPECT_EQ(MemberNames(*install), Names{"Inner"});
}

TEST_F(ComponentTree, DestroyingMembersOfAClassKeepsTheOthers) {
  auto* top = Make<TInstallGroup>("Top");
  Make<TInstallFile>("File1")->SetContainer(top);
  Make<TInstallDirectory>("Dir1")->SetContainer(top);
  Make<TInstallFile>("File2")->SetContainer(top);
  top->DestroyMembersOfClass(TCustomInstallFile::StaticClass());
  EXPECT_EQ(MemberNames(*top), Names{"Dir1"});
  EXPECT_EQ(root->FindComponent("File2"), nullptr);
}

TEST(InstallContainerList, KeepsContainersInCreationOrderAndRefusesABlank) {
  int before = InstallContainers().Count();
  auto first = std::make_unique<TInstallGroup>(nullptr);
  auto second = std::make_unique<TInstallFile>(nullptr);
  ASSERT_EQ(InstallContainers().Count(), before + 2);
  EXPECT_EQ(InstallContainers().Items(before), first.get());
  EXPECT_EQ(InstallContainers().Items(before + 1), second.get());
  first.reset();
  EXPECT_EQ(InstallContainers().Items(before), second.get());
  try {
    InstallContainers().Add(nullptr);
    FAIL() << "a blank entry was added";
  } catch (const IEContainerList& e) {
    EXPECT_EQ(e.Message(), "Cannot add a blank entry to the TInstallContainerList object");
  }
}

// ---- Identities of install files ----

TEST(UniqueIDs, WhenAllAreTakenANewFileGetsZero) {
  // A load leaves exactly the streamed identities in use.
  auto form = LoadComponents("object Last: TInstallFile\n UniqueID = 1999\nend");
  std::vector<std::unique_ptr<TInstallFile>> files;
  for (int i = 0; i < 1999; ++i) {
    files.push_back(std::make_unique<TInstallFile>(nullptr));
    ASSERT_EQ(files.back()->UniqueID, i);
  }
  TInstallFile overflow(nullptr);
  EXPECT_EQ(overflow.UniqueID, 0);
  // Destroying a file frees its identity for the next one.
  files[7].reset();
  EXPECT_FALSE(UniqueIDInUse(7));
  EXPECT_EQ(TInstallFile(nullptr).UniqueID, 7);
}

TEST(UniqueIDs, ALoadKeepsTheStreamedIdentitiesAndFreesTheRest) {
  auto earlier = std::make_unique<TInstallFile>(nullptr);
  auto form = LoadComponents(R"(
    object File1: TInstallFile
      UniqueID = 0
    end
    object File2: TInstallFile
      UniqueID = 2
    end)");
  EXPECT_TRUE(UniqueIDInUse(0));
  EXPECT_TRUE(UniqueIDInUse(2));
  // Files made afterwards take the lowest free identities.
  TInstallFile next1(nullptr), next2(nullptr);
  EXPECT_EQ(next1.UniqueID, 1);
  EXPECT_EQ(next2.UniqueID, 3);
}

}  // namespace
}  // namespace brim::test
