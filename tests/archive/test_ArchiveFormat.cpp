// The archive's bytes as other programs and older setups read them: the
// prefix, the 176-byte header, the two layouts, embedding, and the header
// list's lookups.
#include <zlib.h>

#include <cstring>
#include <functional>

#include "archive/ArchiveTest.h"
#include "common/routines_Strings.h"
#include "components/cmp_TVersion.h"
#include "objects/TStrings.h"
#include "platform/TestPE.h"

namespace brim::test {
namespace {

using ArchiveFormat = ArchiveTest;

std::string Inflated(const std::string& stream, size_t size) {
  std::string out(size, '\0');
  uLongf length = static_cast<uLongf>(size);
  int result = uncompress(reinterpret_cast<Bytef*>(out.data()), &length,
                          reinterpret_cast<const Bytef*>(stream.data()), static_cast<uLong>(stream.size()));
  return result == Z_OK && length == size ? out : "<stream does not inflate to the file>";
}

TEST_F(ArchiveFormat, ANewOneFileArchiveIsThePrefixOneHeaderAndTheStream) {
  std::string data = RandomBytes(3000, 1);
  std::string path = Source("one.bin", data);
  Compress(At("files.1"), {path}, TlzhCommand::lzcOverwrite, 42);

  std::string a = Bytes(At("files.1"));
  ASSERT_GT(a.size(), 181u);
  const int32_t n = static_cast<int32_t>(a.size()) - 181;
  EXPECT_EQ(Le32(a, 0), 1);
  EXPECT_EQ(a[4], 0) << "single archive";
  const std::string h = a.substr(5, 176);
  EXPECT_EQ(Le32(h, 0), 1) << "Number";
  EXPECT_EQ(h[16], 0) << "LastDisk";
  EXPECT_EQ(Le32(h, 20), 180 + n) << "DataEnd";
  EXPECT_EQ(h.substr(25, static_cast<uint8_t>(h[24])), path) << "FileName";
  EXPECT_EQ(Le32(h, 128), 181 + n) << "NextHeader";
  EXPECT_EQ(Le32(h, 132), 3000) << "FileSize";
  EXPECT_EQ(Le32(h, 136), 181) << "DataStart";
  EXPECT_EQ(Le32(h, 140), n) << "CompressedSize";
  EXPECT_EQ(h[144], 0) << "FirstDisk";
  EXPECT_EQ(Le32(h, 148), 42) << "FileID";
  EXPECT_EQ(h[152], 0) << "a file without a version resource has none";
  EXPECT_EQ(Inflated(a.substr(181), data.size()), data);

  // The date is the file's last-write time in local time, to 2 seconds.
  double date = 0;
  std::memcpy(&date, h.data() + 8, 8);
  auto utc = WriteTime(path);
  ASSERT_TRUE(utc);
  EXPECT_EQ(DateTimeToLocalFileTime(date) / 20000000,
            PlatformSystem().UtcToLocalFileTime(*utc) / 20000000);
}

TEST_F(ArchiveFormat, AnEmptyArchiveIsFiveBytesAndReadsAsNoFiles) {
  Compress(At("empty.arc"), {});
  EXPECT_EQ(Bytes(At("empty.arc")), std::string(5, '\0'));
  engine->SetCompressedFile(At("other.arc"));
  engine->SetCompressedFile(At("empty.arc"));
  EXPECT_EQ(engine->FileCount(), 0);
}

TEST_F(ArchiveFormat, ANegativeCountReadsAsAnEmptyList) {
  std::string bytes = std::string(5, '\0') + RandomBytes(400, 2);
  Put32(bytes, 0, -3);
  Replace(At("negative.arc"), bytes);
  engine->SetCompressedFile(At("negative.arc"));
  EXPECT_EQ(engine->FileCount(), 0);
}

TEST_F(ArchiveFormat, AVersionResourceIsStoredAsFourNumbers) {
  TTestVersion version;
  version.FileVersion = {2, 10, 0, 7};
  std::string path = Source("lib.dll", BuildPEWithVersion(version));
  Compress(At("files.1"), {path});
  EXPECT_EQ(Bytes(At("files.1")).substr(5 + 152, 9), std::string("\x08") + "2.10.0.7");
}

TEST_F(ArchiveFormat, FilesAddedLaterFollowTheOldEndAndTheCountIsRewritten) {
  std::string first = Source("a.txt", Repetitive(500)), second = Source("b.txt", Repetitive(900));
  Compress(At("files.1"), {first});
  const int32_t oldEnd = static_cast<int32_t>(Bytes(At("files.1")).size());
  Compress(At("files.1"), {second}, TlzhCommand::lzcOnlyAdd, 7);

  std::string a = Bytes(At("files.1"));
  EXPECT_EQ(Le32(a, 0), 2);
  EXPECT_EQ(Le32(a, 5 + 128), oldEnd) << "the first NextHeader already pointed at the old end";
  const std::string h2 = a.substr(static_cast<size_t>(oldEnd), 176);
  EXPECT_EQ(Le32(h2, 0), 1) << "appended headers are numbered from 1 again";
  EXPECT_EQ(Le32(h2, 136), oldEnd + 176);
  EXPECT_EQ(Le32(h2, 128), static_cast<int32_t>(a.size()));
  Extract(At("files.1"), At("out"), {first, second});
  EXPECT_EQ(Bytes(At("out\\b.txt")), Repetitive(900));
}

TEST_F(ArchiveFormat, ADiskSetHasEveryHeaderOnTheFirstVolumeBeforeTheData) {
  std::string a = Source("a.bin", RandomBytes(700, 3)), b = Source("b.bin", RandomBytes(300, 4));
  Compress(At("build\\files.1"), {a, b});
  engine->SetCompressedFile(At("build\\files.1"));
  ASSERT_TRUE(CreateDirectoryPath(At("disks")));
  engine->MakeDisks(At("disks"), "files.1");

  std::string v = Bytes(At("disks\\files.1"));
  EXPECT_EQ(Le32(v, 0), 2);
  EXPECT_EQ(v[4], 1) << "disk set";
  EXPECT_EQ(Le32(v, 5 + 128), 181);
  EXPECT_EQ(Le32(v, 181 + 128), 357);
  EXPECT_EQ(v[5 + 144], 1) << "FirstDisk";
  EXPECT_EQ(Le32(v, 5 + 136), 357) << "DataStart";
  const int32_t firstEnd = Le32(v, 5 + 20);
  EXPECT_EQ(Le32(v, 181 + 136), firstEnd + 1) << "the data runs on without gaps";
  EXPECT_EQ(Le32(v, 181 + 20), static_cast<int32_t>(v.size()) - 1);
  EXPECT_EQ(Inflated(v.substr(357, static_cast<size_t>(firstEnd - 356)), 700), RandomBytes(700, 3));
}

TEST_F(ArchiveFormat, AnArchiveEmbeddedAtAnOffsetIsReadFromThere) {
  std::string path = Source("data.bin", RandomBytes(5000, 5));
  Compress(At("files.1"), {path});
  Replace(At("setup.exe"), RandomBytes(1000, 6) + Bytes(At("files.1")));

  engine->SetCompressedFile(At("setup.exe"));
  engine->Offset = 1000;
  TlzhFileStats stats;
  engine->GetFileStats(0, stats);
  EXPECT_EQ(stats.Header.DataStart, 181) << "positions stay relative to the archive";
  Extract(At("setup.exe"), At("out"), {path});
  EXPECT_EQ(Bytes(At("out\\data.bin")), RandomBytes(5000, 5));
}

// --- The header list ---------------------------------------------------------

class HeaderList : public ArchiveTest {
 protected:
  void AddNamed(const std::string& name) {
    auto header = std::make_unique<TFileHeader>();
    header->FileName = name;
    list.Add(std::move(header));
  }
  TFileHeaders list;
};

TEST_F(HeaderList, NamesAreFoundIgnoringTheCaseOfAToZOnly) {
  AddNamed("c:\\data\\a.txt");
  AddNamed("c:\\data\\\xE9t\xE9.txt");
  EXPECT_EQ(list.FindByName("C:\\DATA\\A.TXT"), 0);
  EXPECT_EQ(list.FindByName("C:\\DATA\\A.TXT;c:\\elsewhere"), 0) << "the first field names it";
  EXPECT_EQ(list.FindByName("C:\\DATA\\\xE9T\xE9.TXT"), 1);
  EXPECT_EQ(list.FindByName("C:\\DATA\\\xC9T\xC9.TXT"), -1) << "letters beyond A-Z keep their case";
}

// Names are found through an index: it follows every way the list changes,
// and a name stored twice finds its first header.
TEST_F(HeaderList, NamesAreFoundAfterEveryChangeOfTheList) {
  std::string a = Source("a.txt", "a"), b = Source("b.txt", "b");
  TStringList entries;
  entries.Add(a);
  entries.Add(b);
  struct Step {
    std::function<void()> change;
    int a, b, other;  // what FindByName gives for a, b and "other"
  };
  const std::vector<Step> steps = {
      {[&] { list.BuildFromList(entries, false); }, 0, 1, -1},
      {[&] { list.BuildFromList(entries, true); }, 0, 1, -1},
      {[&] { AddNamed("OTHER"); }, 0, 1, 4},
      {[&] { list.Clear(); }, -1, -1, -1},
      {[&] { AddNamed("other"), list.BuildFromList(entries, true); }, 1, 2, 0},
      {[&] { list.FileHeaders(1).FileName = "renamed"; }, -1, 2, 0},
      {[&] { list.BuildFromList(entries, false); }, 0, 1, -1},
  };
  for (size_t i = 0; i < steps.size(); ++i) {
    steps[i].change();
    EXPECT_EQ(list.FindByName(UpperCase(a)), steps[i].a) << i;
    EXPECT_EQ(list.FindByName(b + ";C:\\target"), steps[i].b) << i;
    EXPECT_EQ(list.FindByName("Other"), steps[i].other) << i;
  }
}

TEST_F(HeaderList, AnEntryIsStoredByItsFirstFieldCutToAHundredCharacters) {
  std::string longPath = At(std::string(100 - Scratch.size() - 1, 'n'));
  ASSERT_EQ(longPath.size(), 100u);
  WriteFile(longPath, "the cut path's file");
  WriteFile(longPath + "ignored.txt", "long");
  std::string dll = Source("a.dll", "not an executable");
  TStringList entries;
  entries.Add(longPath + "ignored.txt");
  entries.Add(dll + ";C:\\target;more");
  list.BuildFromList(entries, false);

  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.FileHeaders(0).FileName, longPath);
  EXPECT_EQ(list.FileHeaders(0).FileSize, 4) << "the file of the whole path";
  EXPECT_EQ(list.FindByName(longPath + "ignored.txt"), -1) << "the full path is not what is stored";
  EXPECT_EQ(list.FileHeaders(1).FileName, dll);
  EXPECT_EQ(list.FileHeaders(1).Number, 2);
  EXPECT_EQ(list.FileHeaders(1).FileSize, 17);
  EXPECT_EQ(list.FileHeaders(1).FileVersion, "");
  entries.Delete(0);
  list.BuildFromList(entries, true);
  EXPECT_EQ(list.Count(), 3) << "keep appends";
  EXPECT_EQ(list.FileHeaders(2).Number, 1);
}

TEST_F(HeaderList, BadIndexesBlankNamesAndMissingFilesAreRefused) {
  AddNamed("a");
  EXPECT_EQ(ErrorOf([&] { list.FileHeaders(1); }),
            "1 is an invalid TFileHeader index in TFileHeaders.GetFileHeaders");
  EXPECT_EQ(ErrorOf([&] { AddNamed(" \t\r\n"); }), "Tried to add an invalid file header");
  EXPECT_EQ(list.Count(), 1);
  TStringList entries;
  entries.Add(At("missing.txt"));
  EXPECT_EQ(ErrorOf([&] { list.BuildFromList(entries, true); }),
            "Cannot open the file " + At("missing.txt"));
}

TEST_F(HeaderList, ShortStreamsGiveTheReadMessages) {
  Replace(At("short.arc"), std::string("\x01\x00\x00", 3));
  auto file = PlatformFiles().Open(At("short.arc"), accRead, shareRead, TFileCreation::OpenExisting);
  ASSERT_TRUE(file);
  EXPECT_EQ(ErrorOf([&] { list.ReadHeaders(*file, 0); }),
            "Could not read the file header count for the compressed file");
  TFileHeader header;
  file->Seek(0, TSeekOrigin::Begin);
  EXPECT_EQ(ErrorOf([&] { header.ReadFromStream(*file); }),
            "Could not read the file headers for the compressed file. The Archive file could "
            "possible be corrupt");
}

TEST_F(HeaderList, TotalsAndRatiosRoundHalvesToEven) {
  AddNamed("a");
  AddNamed("b");
  list.FileHeaders(0).FileSize = 200;
  list.FileHeaders(0).CompressedSize = 1;  // 0.5 %
  list.FileHeaders(1).FileSize = 0;
  list.FileHeaders(1).CompressedSize = 2;
  TlzhFileStats stats;
  stats.TotalProcessed = 99;
  list.InitTotals(stats);
  EXPECT_EQ(stats.TotalSize, 200);
  EXPECT_EQ(stats.TotalCompressed, 3);
  EXPECT_EQ(stats.TotalRatio, 2) << "1.5 % rounds to 2";
  EXPECT_EQ(stats.TotalProcessed, 0);
  list.FileHeaders(0).LoadStatus(stats);
  EXPECT_EQ(stats.Ratio, 0) << "0.5 % rounds to 0";
  list.FileHeaders(1).LoadStatus(stats);
  EXPECT_EQ(stats.Ratio, 0) << "a file of size 0 has ratio 0";
  EXPECT_EQ(stats.Header.FileName, "b");
}

}  // namespace
}  // namespace brim::test
