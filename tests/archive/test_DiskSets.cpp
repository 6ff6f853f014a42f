// Disk sets: reading a file whose data runs on across volumes, asking for
// missing volumes, and (on the substitute machine, whose floppy A: has a
// set capacity) splitting an archive onto volumes that fill up, and
// extracting onto a disk that fills up.
#include "archive/ArchiveTest.h"
#include "components/cmp_TVersion.h"

#ifndef _WIN32
#include "platform/posix/SubstituteMachine.h"
#endif

namespace brim::test {
namespace {

class DiskSet : public ArchiveTest {
 protected:
  void SetUp() override {
    ArchiveTest::SetUp();
    ASSERT_TRUE(CreateDirectoryPath(At("set")));
  }
  // A one-file disk set in set\, its data cut after byte `cut` of volume 1
  // and continued on volume 2.
  std::string TwoVolumes(int32_t cut) {
    std::string path = Source("a.bin", RandomBytes(30000, 30));
    Compress(At("files.arc"), {path});
    engine->SetCompressedFile(At("files.arc"));
    engine->MakeDisks(At("set"), "files.1");
    std::string whole = Bytes(At("set\\files.1"));
    std::string first = whole.substr(0, static_cast<size_t>(cut)), second = whole.substr(static_cast<size_t>(cut));
    first[5 + 16] = 2;  // LastDisk
    Put32(first, 5 + 20, static_cast<int32_t>(second.size()) - 1);
    Replace(At("set\\files.1"), first);
    Replace(At("set\\files.2"), second);
    return path;
  }
  std::vector<int32_t> asked;
};

TEST_F(DiskSet, ExtractionRunsOnFromVolumeToVolume) {
  std::string path = TwoVolumes(10000);
  Extract(At("set\\files.1"), At("out"), {path});
  EXPECT_EQ(Bytes(At("out\\a.bin")), RandomBytes(30000, 30));
  EXPECT_EQ(engine->CompressedFile(), At("set\\files.2")) << "the archive moves with the volumes";
  EXPECT_EQ(engine->CurrentDisk(), 2);
  EXPECT_TRUE(engine->HeadersLoaded());
}

TEST_F(DiskSet, AMissingVolumeIsAskedForFourTimes) {
  std::string path = TwoVolumes(10000);
  ASSERT_TRUE(PlatformFiles().DeleteFile(At("set\\files.2")));
  std::vector<std::string> paths;
  engine->OnNewDisk.Handler = [&](TQmbxCompress*, int32_t n, std::string& dir) {
    asked.push_back(n);
    paths.push_back(dir);
  };
  EXPECT_EQ(ErrorOf([&] { Extract(At("set\\files.1"), At("out"), {path}); }),
            "Cannot open the compressed file " + At("set\\files.2"));
  EXPECT_EQ(asked, std::vector<int32_t>(4, 2));
  EXPECT_EQ(paths, std::vector<std::string>(4, At("set")));

  engine->OnNewDisk = {};
  EXPECT_EQ(ErrorOf([&] { Extract(At("set\\files.1"), At("out"), {path}); }),
            "Could not open the correct disk file 2");
}

TEST_F(DiskSet, OnNewDiskMayFindTheVolumeElsewhere) {
  std::string path = TwoVolumes(9000);
  ASSERT_TRUE(CreateDirectoryPath(At("second disk")));
  ASSERT_TRUE(PlatformFiles().MoveFile(At("set\\files.2"), At("second disk\\files.2")));
  engine->OnNewDisk.Handler = [&](TQmbxCompress*, int32_t n, std::string& dir) {
    asked.push_back(n);
    dir = At("second disk");
  };
  Extract(At("set\\files.1"), At("out"), {path});
  EXPECT_EQ(asked, std::vector<int32_t>{2});
  EXPECT_EQ(Bytes(At("out\\a.bin")), RandomBytes(30000, 30));
  EXPECT_EQ(engine->CompressedFile(), At("second disk\\files.2"));
}

#ifndef _WIN32
// On the floppy A: of the substitute machine, with a small capacity.
class FloppySet : public DiskSet {
 protected:
  void SetUp() override {
    DiskSet::SetUp();
    ASSERT_TRUE(CreateDirectoryPath(At("shelf")));
    first = Source("first.bin", RandomBytes(20000, 31));
    second = Source("second.bin", RandomBytes(3000, 32));
    Compress(At("files.arc"), {first, second});
    TlzhFileStats stats;
    engine->GetFileStats(0, stats);
    firstSize = stats.CompressedSize;
    // Plays the user swapping floppies: what is in the drive goes to the
    // shelf, and the volume asked for back into the drive.
    engine->OnNewDisk.Handler = [this](TQmbxCompress*, int32_t n, std::string& dir) {
      asked.push_back(n);
      for (const auto& name : Listing("A:")) PlatformFiles().MoveFile("A:\\" + name, At("shelf\\" + name));
      std::string wanted = "files." + std::to_string(n);
      if (Exists(At("shelf\\" + wanted))) PlatformFiles().MoveFile(At("shelf\\" + wanted), "A:\\" + wanted);
      dir = "A:";
    };
  }
  void Capacity(int64_t bytes) {
    ASSERT_TRUE(TSubstituteMachine::Current().SetFact("Machine", "FloppyCapacity", std::to_string(bytes)));
  }
  // Splits files.arc onto floppies; the set ends up on the shelf.
  void MakeFloppies() {
    engine->SetCompressedFile(At("files.arc"));
    engine->MakeDisks("A:", "files.1");
    ASSERT_TRUE(PlatformFiles().MoveFile("A:\\files.1", At("shelf\\files.1")));
  }
  const TFileHeader& Header(int i) {
    engine->SetCompressedFile(At("shelf\\files.1"));
    engine->FileCount();
    return engine->Headers().FileHeaders(i);
  }
  void ExpectBothExtract() {
    Extract(At("shelf\\files.1"), At("out"), {first, second});
    EXPECT_EQ(Bytes(At("out\\first.bin")), RandomBytes(20000, 31));
    EXPECT_EQ(Bytes(At("out\\second.bin")), RandomBytes(3000, 32));
  }
  std::string first, second;
  int32_t firstSize = 0;
};

TEST_F(FloppySet, AVolumeFillingMidChunkContinuesOnTheNext) {
  Capacity(357 + 12000);
  MakeFloppies();
  EXPECT_EQ(asked, (std::vector<int32_t>{2, 1})) << "a new disk, then the first one again";
  EXPECT_EQ(Bytes(At("shelf\\files.1")).size(), 357u + 12000u);
  EXPECT_EQ(Header(0).FirstDisk, 1);
  EXPECT_EQ(Header(0).DataStart, 357);
  EXPECT_EQ(Header(0).LastDisk, 2);
  EXPECT_EQ(Header(0).DataEnd, firstSize - 12000 - 1);
  EXPECT_EQ(Header(1).FirstDisk, 2);
  EXPECT_EQ(Header(1).DataStart, firstSize - 12000);
  ExpectBothExtract();
}

TEST_F(FloppySet, AFileMayBeginAtTheEndOfAFullVolume) {
  Capacity(357 + firstSize);
  MakeFloppies();
  EXPECT_EQ(Header(0).LastDisk, 1);
  EXPECT_EQ(Header(1).FirstDisk, 1);
  EXPECT_EQ(Header(1).DataStart, 357 + firstSize);
  EXPECT_EQ(Header(1).LastDisk, 2);
  EXPECT_EQ(Header(1).DataStart, static_cast<int32_t>(Bytes(At("shelf\\files.1")).size()));
  ExpectBothExtract();
}

TEST_F(FloppySet, AFullVolumeWithoutOnNewDiskFails) {
  Capacity(1000);
  engine->OnNewDisk = {};
  engine->SetCompressedFile(At("files.arc"));
  EXPECT_EQ(ErrorOf([&] { engine->MakeDisks("A:", "files.1"); }),
            "There was no event handler for the OnNewDisk event, therefore no new disk could be "
            "inserted");
  EXPECT_TRUE(engine->Abort);
}

TEST_F(FloppySet, ExtractingOntoAFullDiskCallsDiskFull) {
  Capacity(5000);
  EXPECT_EQ(ErrorOf<EqcDiskFull>([&] { Extract(At("files.arc"), "A:\\", {first}); }),
            "The disk is full");
  int full = 0;
  engine->OnFullDisk.Handler = [&](TComponent*) { ++full; };
  EXPECT_EQ(ErrorOf([&] { Extract(At("files.arc"), "A:\\", {first}); }),
            "The decompressed file's size does not match with the actual size of the file.  The "
            "file is " + first);
  EXPECT_GE(full, 1);
}
#endif

}  // namespace
}  // namespace brim::test
