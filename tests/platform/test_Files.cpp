// What the file calls do on Windows, checked on whichever backend this build
// has: the substitute machine (posix) or the real calls (win32 under Wine).
// Every test works inside its scratch directory only.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/PlatformTest.h"

namespace brim::test {
namespace {

class Files : public PlatformTest {
 protected:
  IFileService& files = PlatformFiles();
  uint32_t LastError() { return PlatformSystem().LastError(); }

  std::unique_ptr<IFile> OpenFile(const std::string& path, uint32_t access, uint32_t share,
                                  TFileCreation creation = TFileCreation::OpenExisting) {
    return files.Open(path, access, share, creation);
  }

  std::vector<std::string> Names(const std::string& pattern) {
    std::vector<std::string> names;
    for (const auto& entry : files.FindFiles(pattern)) names.push_back(entry.Name);
    std::sort(names.begin(), names.end());
    return names;
  }
};

// --- Opening, reading and writing ---------------------------------------

TEST_F(Files, WrittenBytesReadBackWithSeekSizeAndCut) {
  auto file = OpenFile(At("data.bin"), accRead | accWrite, shareNone, TFileCreation::CreateNew);
  ASSERT_TRUE(file);
  uint32_t done = 0;
  ASSERT_TRUE(file->Write("hello world", 11, done));
  EXPECT_EQ(done, 11u);
  EXPECT_EQ(file->Size(), 11);
  EXPECT_EQ(file->Seek(6, TSeekOrigin::Begin), 6);
  char buffer[16] = {};
  ASSERT_TRUE(file->Read(buffer, sizeof buffer, done));
  EXPECT_EQ(std::string(buffer, done), "world");
  ASSERT_TRUE(file->Read(buffer, sizeof buffer, done));
  EXPECT_EQ(done, 0u) << "reading at the end gives 0 bytes";
  EXPECT_EQ(file->Seek(-6, TSeekOrigin::End), 5);
  ASSERT_TRUE(file->SetEnd());
  EXPECT_EQ(file->Size(), 5);
  file.reset();
  EXPECT_EQ(ReadFile(At("data.bin")), "hello");
}

TEST_F(Files, CreationDispositionsBehaveAsCreateFile) {
  WriteFile(At("old.txt"), "old content");
  EXPECT_FALSE(OpenFile(At("old.txt"), accWrite, shareNone, TFileCreation::CreateNew));
  EXPECT_EQ(LastError(), errFileExists);
  EXPECT_FALSE(OpenFile(At("missing.txt"), accRead, shareRead));
  EXPECT_EQ(LastError(), errFileNotFound);
  EXPECT_FALSE(OpenFile(At("no dir\\file.txt"), accWrite, shareNone, TFileCreation::CreateAlways));
  EXPECT_EQ(LastError(), errPathNotFound);

  ASSERT_TRUE(OpenFile(At("old.txt"), accWrite, shareNone, TFileCreation::OpenAlways));
  EXPECT_EQ(LastError(), errAlreadyExists) << "OPEN_ALWAYS tells that the file was there";
  EXPECT_EQ(ReadFile(At("old.txt")), "old content") << "OPEN_ALWAYS keeps the content";
  ASSERT_TRUE(OpenFile(At("old.txt"), accWrite, shareNone, TFileCreation::TruncateExisting));
  EXPECT_EQ(ReadFile(At("old.txt")), "");
}

TEST_F(Files, SlashesAndTrailingDotsNameTheSameFile) {
  WriteFile(At("name.txt"), "x");
  EXPECT_EQ(ReadFile(Scratch + "/name.txt"), "x");
  EXPECT_EQ(ReadFile(At("name.txt.")), "x");
  EXPECT_EQ(ReadFile(At("name.txt  ")), "x");
}

// --- Sharing ---------------------------------------------------------------

TEST_F(Files, SecondOpenMustRespectTheSharingOfTheFirst) {
  WriteFile(At("shared.txt"), "abc");
  {
    auto reader = OpenFile(At("shared.txt"), accRead, shareRead);
    ASSERT_TRUE(reader);
    EXPECT_FALSE(OpenFile(At("shared.txt"), accWrite, shareRead | shareWrite));
    EXPECT_EQ(LastError(), errSharingViolation);
    EXPECT_TRUE(OpenFile(At("shared.txt"), accRead, shareRead)) << "two readers that share reading";
  }
  {
    auto writer = OpenFile(At("shared.txt"), accWrite, shareNone);
    ASSERT_TRUE(writer);
    EXPECT_FALSE(OpenFile(At("shared.txt"), accRead, shareRead | shareWrite));
    EXPECT_EQ(LastError(), errSharingViolation);
  }
  {
    auto writer = OpenFile(At("shared.txt"), accWrite, shareRead);
    ASSERT_TRUE(writer);
    EXPECT_FALSE(OpenFile(At("shared.txt"), accRead, shareRead))
        << "a reader must allow the writing the first open does";
    EXPECT_TRUE(OpenFile(At("shared.txt"), accRead, shareRead | shareWrite));
  }
  EXPECT_TRUE(OpenFile(At("shared.txt"), accWrite, shareNone)) << "closing ends the sharing";
}

TEST_F(Files, FileOpenWithoutShareDeleteCannotBeDeletedOrMoved) {
  WriteFile(At("held.txt"), "abc");
  {
    auto holder = OpenFile(At("held.txt"), accRead, shareRead | shareWrite);
    ASSERT_TRUE(holder);
    EXPECT_FALSE(files.DeleteFile(At("held.txt")));
    EXPECT_EQ(LastError(), errSharingViolation);
    EXPECT_FALSE(files.MoveFile(At("held.txt"), At("moved.txt")));
    EXPECT_EQ(LastError(), errSharingViolation);
  }
  EXPECT_TRUE(files.DeleteFile(At("held.txt")));
  EXPECT_FALSE(Exists(At("held.txt")));
}

// --- Copy, move, delete ---------------------------------------------------

TEST_F(Files, CopyKeepsTheSourceDate) {
  WriteFile(At("source.txt"), "payload");
  const int64_t stamp = 130000000000000000LL + 12345670;  // 2012, odd seconds and ticks
  {
    auto file = OpenFile(At("source.txt"), accWrite, shareNone);
    ASSERT_TRUE(file);
    ASSERT_TRUE(file->SetLastWriteTime(stamp));
  }
  ASSERT_TRUE(files.CopyFile(At("source.txt"), At("copy.txt"), true));
  EXPECT_EQ(ReadFile(At("copy.txt")), "payload");
  auto copy = OpenFile(At("copy.txt"), accRead, shareRead);
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->LastWriteTime(), stamp);
}

TEST_F(Files, CopyOntoAnExistingFile) {
  WriteFile(At("a.txt"), "new");
  WriteFile(At("b.txt"), "old");
  EXPECT_FALSE(files.CopyFile(At("a.txt"), At("b.txt"), true));
  EXPECT_EQ(LastError(), errFileExists);
  EXPECT_EQ(ReadFile(At("b.txt")), "old");
  EXPECT_TRUE(files.CopyFile(At("a.txt"), At("b.txt"), false));
  EXPECT_EQ(ReadFile(At("b.txt")), "new");
  EXPECT_FALSE(files.CopyFile(At("missing.txt"), At("c.txt"), false));
  EXPECT_EQ(LastError(), errFileNotFound);
}

TEST_F(Files, MoveRefusesAnExistingTargetAndMovesDirectories) {
  WriteFile(At("a.txt"), "a");
  WriteFile(At("b.txt"), "b");
  EXPECT_FALSE(files.MoveFile(At("a.txt"), At("b.txt")));
  EXPECT_EQ(LastError(), errAlreadyExists);
  EXPECT_EQ(ReadFile(At("b.txt")), "b");

  ASSERT_TRUE(files.CreateDirectory(At("dir")));
  WriteFile(At("dir\\inner.txt"), "inner");
  ASSERT_TRUE(files.MoveFile(At("dir"), At("renamed")));
  EXPECT_FALSE(Exists(At("dir")));
  EXPECT_EQ(ReadFile(At("renamed\\inner.txt")), "inner");
  ASSERT_TRUE(files.MoveFile(At("a.txt"), At("renamed\\a.txt")));
  EXPECT_EQ(ReadFile(At("renamed\\a.txt")), "a");
}

TEST_F(Files, ReadOnlyFileCannotBeDeleted) {
  WriteFile(At("locked.txt"), "keep");
  ASSERT_TRUE(files.SetAttributes(At("locked.txt"), attrReadOnly));
  auto attributes = files.GetAttributes(At("locked.txt"));
  ASSERT_TRUE(attributes);
  EXPECT_TRUE(*attributes & attrReadOnly);
  EXPECT_FALSE(*attributes & attrDirectory);
  EXPECT_FALSE(files.DeleteFile(At("locked.txt")));
  EXPECT_EQ(LastError(), errAccessDenied);
  EXPECT_EQ(ReadFile(At("locked.txt")), "keep");
  ASSERT_TRUE(files.SetAttributes(At("locked.txt"), attrNormal));
  EXPECT_TRUE(files.DeleteFile(At("locked.txt")));
}

// --- Directories -------------------------------------------------------------

TEST_F(Files, DirectoriesAreMadeAndRemovedOneAtATime) {
  EXPECT_FALSE(files.CreateDirectory(At("a\\b")));
  EXPECT_EQ(LastError(), errPathNotFound);
  ASSERT_TRUE(files.CreateDirectory(At("a")));
  EXPECT_FALSE(files.CreateDirectory(At("a")));
  EXPECT_EQ(LastError(), errAlreadyExists);
  ASSERT_TRUE(files.CreateDirectory(At("a\\b")));
  auto attributes = files.GetAttributes(At("a\\b"));
  ASSERT_TRUE(attributes);
  EXPECT_TRUE(*attributes & attrDirectory);

  EXPECT_FALSE(files.RemoveDirectory(At("a")));
  EXPECT_EQ(LastError(), errDirNotEmpty);
  EXPECT_TRUE(files.RemoveDirectory(At("a\\b")));
  EXPECT_TRUE(files.RemoveDirectory(At("a")));
  EXPECT_FALSE(Exists(At("a")));
}

// --- Names -------------------------------------------------------------------

TEST_F(Files, NamesAreFoundWithoutRegardToCase) {
  ASSERT_TRUE(files.CreateDirectory(At("MixedDir")));
  WriteFile(At("MixedDir\\ReadMe.TXT"), "text");
  EXPECT_EQ(ReadFile(At("MIXEDDIR\\readme.txt")), "text");
  WriteFile(At("mixeddir\\README.txt"), "replaced");
  EXPECT_EQ(Names(At("MixedDir\\*")), std::vector<std::string>{"ReadMe.TXT"})
      << "writing through another spelling reuses the file and keeps its name";
  EXPECT_EQ(ReadFile(At("MixedDir\\ReadMe.TXT")), "replaced");
}

TEST_F(Files, FindFilesMatchesWildcardsAsWindowsDoes) {
  for (const char* name : {"a.txt", "b.txt", "c.dat", "readme", "index.html"})
    WriteFile(At(name), name);
  ASSERT_TRUE(files.CreateDirectory(At("sub")));
  EXPECT_EQ(Names(At("*.txt")), (std::vector<std::string>{"a.txt", "b.txt"}));
  EXPECT_EQ(Names(At("?.dat")), std::vector<std::string>{"c.dat"});
  EXPECT_EQ(Names(At("*.*")).size(), 6u) << "*.* matches names without a dot too";
  EXPECT_EQ(Names(At("*")).size(), 6u);
  EXPECT_EQ(Names(At("*.HTM")), std::vector<std::string>{"index.html"})
      << "patterns match the short name too";
  EXPECT_TRUE(Names(At("*.xyz")).empty());
  EXPECT_EQ(Names(At("readme.*")), std::vector<std::string>{"readme"}) << "x.* matches x";

  auto entries = files.FindFiles(At("c.dat"));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].Size, 5);
  EXPECT_EQ(entries[0].ShortName, "") << "an 8.3 name has no other short name";
  EXPECT_FALSE(entries[0].Attributes & attrDirectory);
  auto sub = files.FindFiles(At("sub"));
  ASSERT_EQ(sub.size(), 1u);
  EXPECT_TRUE(sub[0].Attributes & attrDirectory);
}

TEST_F(Files, ShortPathReachesTheFile) {
  ASSERT_TRUE(files.CreateDirectory(At("Long Directory Name")));
  WriteFile(At("Long Directory Name\\A Long File Name.text"), "found");
  auto shortPath = files.ShortPathName(At("Long Directory Name\\A Long File Name.text"));
  ASSERT_TRUE(shortPath);
  std::string last = shortPath->substr(shortPath->rfind('\\') + 1);
  EXPECT_EQ(last.find(' '), std::string::npos) << *shortPath;
  EXPECT_LE(last.size(), 12u) << *shortPath;
  EXPECT_NE(last.find('~'), std::string::npos) << *shortPath;
  EXPECT_EQ(ReadFile(*shortPath), "found");

  auto entries = files.FindFiles(At("Long Directory Name\\*"));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].ShortName, last);
  EXPECT_FALSE(files.ShortPathName(At("missing file name.txt")));
}

TEST_F(Files, FullPathNameResolvesAgainstTheCurrentDirectory) {
  std::string before = files.CurrentDirectory();
  ASSERT_TRUE(files.SetCurrentDirectory(Scratch));
  EXPECT_EQ(files.FullPathName("sub\\..\\file.txt"), At("file.txt"));
  EXPECT_EQ(files.FullPathName(".\\a\\.\\b"), At("a\\b"));
  EXPECT_EQ(files.FullPathName("\\top.txt"), Scratch.substr(0, 2) + "\\top.txt");
  WriteFile("relative.txt", "here");
  EXPECT_EQ(ReadFile(At("relative.txt")), "here");
  EXPECT_FALSE(files.SetCurrentDirectory(At("missing")));
  ASSERT_TRUE(files.SetCurrentDirectory(before));
  EXPECT_EQ(files.CurrentDirectory(), before);
}

TEST_F(Files, LastWriteTimeKeepsFullPrecision) {
  WriteFile(At("dated.txt"), "x");
  const int64_t stamp = 125911584001234567LL;  // 2000-01-01 00:00:00.1234567
  {
    auto file = OpenFile(At("dated.txt"), accRead | accWrite, shareRead);
    ASSERT_TRUE(file);
    ASSERT_TRUE(file->SetLastWriteTime(stamp));
    EXPECT_EQ(file->LastWriteTime(), stamp);
  }
  auto entries = files.FindFiles(At("dated.txt"));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].LastWriteTime, stamp);
}

// --- Temporary files, INI files, free space ------------------------------------

TEST_F(Files, TempFileNamesAreNewEmptyFilesWithThePrefix) {
  auto temp = files.TempDirectory();
  ASSERT_TRUE(temp);
  EXPECT_EQ(temp->back(), '\\');

  auto first = files.UniqueTempFileName(Scratch, "batch");
  auto second = files.UniqueTempFileName(Scratch, "batch");
  ASSERT_TRUE(first && second);
  EXPECT_NE(*first, *second);
  std::string name = first->substr(first->rfind('\\') + 1);
  EXPECT_EQ(first->substr(0, Scratch.size() + 1), Scratch + "\\");
  EXPECT_EQ(name.substr(0, 3), "bat") << "only three characters of the prefix are used";
  EXPECT_EQ(name.substr(name.size() - 4), ".tmp");
  EXPECT_EQ(ReadFile(*first), "");
  EXPECT_FALSE(files.UniqueTempFileName(At("missing"), "bat"));
}

TEST_F(Files, APlantedLinkIsNeverFollowedToMakeANameAndGoesItself) {
  ASSERT_TRUE(files.CreateDirectory(At("outside")));
  WriteFile(At("outside\\kept.txt"), "kept");
  if (!PlantLink(At("to a file"), At("outside\\kept.txt")) ||
      !PlantLink(At("to nothing"), At("outside\\made.txt")) ||
      !PlantLink(At("to a dir"), At("outside"), true))
    GTEST_SKIP() << "this system makes no symbolic links";
  for (const char* link : {"to a file", "to nothing"}) {
    EXPECT_FALSE(OpenFile(At(link), accWrite, shareNone, TFileCreation::CreateNew));
    EXPECT_EQ(LastError(), errFileExists) << link;
    EXPECT_FALSE(files.CreateDirectory(At(link))) << link;
    EXPECT_TRUE(files.DeleteFile(At(link))) << link;
  }
  auto found = files.FindFiles(At("to a d*"));
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].Attributes & (attrDirectory | attrReparsePoint),
            attrDirectory | attrReparsePoint);
  EXPECT_TRUE(files.RemoveDirectory(At("to a dir")));
  EXPECT_EQ(Names(At("outside\\*")), std::vector<std::string>{"kept.txt"});
  EXPECT_EQ(ReadFile(At("outside\\kept.txt")), "kept");
}

TEST_F(Files, ProfileStringsAreWrittenAndReadBack) {
  std::string ini = At("Program Settings.ini");
  EXPECT_FALSE(files.ReadProfileString(ini, "Main", "Key"));
  ASSERT_TRUE(files.WriteProfileString(ini, "Main", "Key", "first"));
  ASSERT_TRUE(files.WriteProfileString(ini, "Main", "Other", "second"));
  ASSERT_TRUE(files.WriteProfileString(ini, "Rename", "C:\\a.dll", "C:\\a.1"));
  EXPECT_EQ(files.ReadProfileString(ini, "MAIN", "key"), "first");
  ASSERT_TRUE(files.WriteProfileString(ini, "Main", "Key", "changed"));
  EXPECT_EQ(files.ReadProfileString(ini, "Main", "Key"), "changed");
  EXPECT_EQ(files.ReadProfileString(ini, "Main", "Other"), "second");
  EXPECT_EQ(files.ReadProfileString(ini, "Rename", "C:\\a.dll"), "C:\\a.1");
  EXPECT_FALSE(files.ReadProfileString(ini, "Main", "Missing"));
  EXPECT_FALSE(files.WriteProfileString(At("missing\\x.ini"), "S", "K", "V"));
}

TEST_F(Files, DiskFreeSpaceOfTheScratchDrive) {
  auto free = files.DiskFreeSpace(Scratch);
  ASSERT_TRUE(free);
  EXPECT_GT(*free, 0u);
}

}  // namespace
}  // namespace brim::test
