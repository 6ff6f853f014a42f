// The compression engine as the installation and the build use it:
// round trips, the replace decision, progress reports, aborts, failures
// and the uncompressed copy.
#include <algorithm>

#include "archive/ArchiveTest.h"
#include "common/routines_Strings.h"
#include "components/cmp_TVersion.h"

namespace brim::test {
namespace {

using Compression = ArchiveTest;

constexpr int64_t kTicksPerDay = 864000000000;

TEST_F(Compression, RandomDataRoundTripsAtEveryLevelWithItsDate) {
  const size_t sizes[] = {0, 1, 4096, 65537, 300000};
  std::vector<std::string> paths;
  for (size_t i = 0; i < std::size(sizes); ++i) {
    paths.push_back(Source("src" + std::to_string(i) + ".bin", RandomBytes(sizes[i], 10 + i)));
    SetWriteTime(paths.back(), *WriteTime(paths.back()) - static_cast<int64_t>(i + 1) * kTicksPerDay);
  }
  paths.push_back(Source("text.txt", Repetitive(200000)));
  for (TCompressionLevel level : {TCompressionLevel::colNone, TCompressionLevel::colFastest,
                                  TCompressionLevel::colDefault, TCompressionLevel::colMax}) {
    SCOPED_TRACE(CompressionLevelNames[static_cast<int>(level)]);
    engine->CompressionLevel = level;
    Compress(At("files.1"), paths);
    std::string out = At("out" + std::to_string(static_cast<int>(level)));
    Extract(At("files.1"), out, paths);
    for (const auto& path : paths) {
      std::string name = path.substr(path.rfind('\\'));
      EXPECT_EQ(Bytes(out + name), Bytes(path)) << name;
      EXPECT_EQ(*WriteTime(out + name) / 20000000, *WriteTime(path) / 20000000) << name;
    }
  }
}

TEST_F(Compression, FilesAreFoundInAnyCaseAndExtractNameNamesOnlyTheFirst) {
  std::string a = Source("a.txt", "first"), b = Source("b.txt", "second");
  Compress(At("files.1"), {a, b});
  engine->ExtractName = "C:\\elsewhere\\renamed.txt";
  Extract(At("files.1"), At("out"), {UpperCase(a), b});
  EXPECT_EQ(Bytes(At("out\\renamed.txt")), "first") << "only the name part is used";
  EXPECT_EQ(Bytes(At("out\\b.txt")), "second");
  EXPECT_FALSE(Exists(At("out\\a.txt")));
  EXPECT_EQ(engine->FilesToProcess().Count(), 0);
  EXPECT_EQ(engine->ExtractName, "");
}

TEST_F(Compression, AMissingEntryIsNamedWithTheArchive) {
  Compress(At("files.1"), {Source("a.txt", "x")});
  EXPECT_EQ(ErrorOf([&] { Extract(At("files.1"), At("out"), {"C:\\nowhere.txt"}); }),
            "The file <C:\\nowhere.txt> was not found in the archive <" + At("files.1") + ">");
  EXPECT_TRUE(engine->Abort) << "a failed operation leaves Abort set";
  EXPECT_EQ(engine->FilesToProcess().Count(), 0) << "cleared after a failure too";
}

// --- The replace decision ------------------------------------------------------

TEST_F(Compression, OwNeverKeepsAnExistingFileWithOneFinishedReport) {
  std::string a = Source("a.txt", "archived");
  Compress(At("files.1"), {a});
  ASSERT_TRUE(CreateDirectoryPath(At("out")));
  WriteFile(At("out\\a.txt"), "installed");
  std::vector<bool> reports;
  engine->OnStatus.Handler = [&](TQmbxCompress*, TlzhFileStats& s) { reports.push_back(s.Finished); };
  engine->Overwrite = TOverwriteType::owNever;
  Extract(At("files.1"), At("out"), {a});
  EXPECT_EQ(Bytes(At("out\\a.txt")), "installed");
  EXPECT_EQ(reports, std::vector<bool>{true});
}

// A directory where the file should go is not an existing file to keep:
// under every rule, extracting or copying over it fails naming it, and the
// directory stays as it was.
TEST_F(Compression, ADirectoryOfTheDestinationsNameIsNotAFile) {
  std::string a = Source("a.txt", "archived");
  Compress(At("files.1"), {a});
  ASSERT_TRUE(CreateDirectoryPath(At("out\\a.txt")));
  WriteFile(At("out\\a.txt\\inside.txt"), "kept");
  for (TOverwriteType mode : {TOverwriteType::owNever, TOverwriteType::owAlways,
                              TOverwriteType::owVersion, TOverwriteType::owDate,
                              TOverwriteType::owVersionDate}) {
    SCOPED_TRACE(static_cast<int>(mode));
    engine->Overwrite = mode;
    EXPECT_EQ(ErrorOf([&] { Extract(At("files.1"), At("out"), {a}); }),
              "Cannot create the file " + At("out\\a.txt"));
    EXPECT_EQ(ErrorOf([&] { engine->CopyFile(a, At("out\\a.txt")); }),
              "Cannot create the file " + At("out\\a.txt"));
    EXPECT_EQ(Bytes(At("out\\a.txt\\inside.txt")), "kept");
  }
}

TEST_F(Compression, OwVersionDateFallsBackToTheDatesOfUnversionedFiles) {
  std::string a = Source("a.txt", "archived");
  Compress(At("files.1"), {a});
  ASSERT_TRUE(CreateDirectoryPath(At("out")));
  const int64_t archived = *WriteTime(a);
  engine->Overwrite = TOverwriteType::owVersionDate;
  int replaced = 0;
  engine->OnReplace.Handler = [&](TQmbxCompress*, TlzhFileStats&) { ++replaced; };

  WriteFile(At("out\\a.txt"), "newer");
  SetWriteTime(At("out\\a.txt"), archived + kTicksPerDay);
  Extract(At("files.1"), At("out"), {a});
  EXPECT_EQ(Bytes(At("out\\a.txt")), "newer");

  SetWriteTime(At("out\\a.txt"), archived - kTicksPerDay);
  Extract(At("files.1"), At("out"), {a});
  EXPECT_EQ(Bytes(At("out\\a.txt")), "archived");
  EXPECT_EQ(replaced, 1);
}

TEST_F(Compression, OnReplaceMayRenameTheFileBeingReplaced) {
  std::string a = Source("a.txt", "archived");
  Compress(At("files.1"), {a});
  ASSERT_TRUE(CreateDirectoryPath(At("out")));
  WriteFile(At("out\\a.txt"), "installed");
  engine->OnReplace.Handler = [&](TQmbxCompress* e, TlzhFileStats&) { e->ExtractName = "x\\new.txt"; };
  Extract(At("files.1"), At("out"), {a});
  EXPECT_EQ(Bytes(At("out\\a.txt")), "installed");
  EXPECT_EQ(Bytes(At("out\\new.txt")), "archived");
}

// --- Progress --------------------------------------------------------------------

TEST_F(Compression, SmallFilesReportRatioZeroUntilTheirFinalSize) {
  std::string small = Source("small.txt", Repetitive(20000));
  std::string large = Source("large.bin", RandomBytes(200000, 7));
  std::vector<TlzhFileStats> reports;
  engine->OnStatus.Handler = [&](TQmbxCompress*, TlzhFileStats& s) { reports.push_back(s); };
  TlzhFileStats before, after;
  engine->OnBeforeAdding.Handler = [&](TQmbxCompress*, TlzhFileStats& s) { before = s; };
  engine->OnAfterAdding.Handler = [&](TQmbxCompress*, TlzhFileStats& s) { after = s; };
  Compress(At("files.1"), {small, large});

  TlzhFileStats stats;
  engine->GetFileStats(0, stats);
  const int32_t smallSize = stats.CompressedSize;
  engine->GetFileStats(1, stats);
  const int32_t largeSize = stats.CompressedSize;
  ASSERT_FALSE(reports.empty());
  EXPECT_EQ(reports[0].FileName, small);
  EXPECT_EQ(reports[0].Ratio, 0) << "no checkpoint ran before the small file's ratio";
  EXPECT_TRUE(reports[0].Finished);
  EXPECT_EQ(reports[0].CompressedSize, smallSize);
  EXPECT_EQ(before.FileName, large);
  EXPECT_EQ(before.CompressedSize, 0);
  auto lastCheckpoint = std::find_if(reports.rbegin(), reports.rend(),
                                     [](const auto& r) { return !r.Finished; });
  ASSERT_NE(lastCheckpoint, reports.rend());
  EXPECT_GT(after.Ratio, 90) << "random bytes do not shrink";
  EXPECT_EQ(after.Ratio, PercentByte(lastCheckpoint->CompressedSize, 200000))
      << "the ratio is taken at the last checkpoint";
  EXPECT_EQ(after.TotalCompressed, smallSize + largeSize + 2) << "one byte more per file";
  EXPECT_EQ(after.Processed, 199999) << "the source position less one";
  EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end(), [](const auto& x, const auto& y) {
    return x.TotalProcessed < y.TotalProcessed;
  }));
}

TEST_F(Compression, ExtractionReportsEveryFourKilobytesAndTheTotal) {
  std::string a = Source("a.bin", RandomBytes(10000, 8)), b = Source("b.bin", RandomBytes(100, 9));
  Compress(At("files.1"), {a, b});
  std::vector<TlzhFileStats> reports;
  engine->OnStatus.Handler = [&](TQmbxCompress*, TlzhFileStats& s) { reports.push_back(s); };
  Extract(At("files.1"), At("out"), {a});
  ASSERT_GE(reports.size(), 4u);
  EXPECT_EQ(reports[0].Processed, 4096);
  EXPECT_EQ(reports.back().Processed, 10000);
  EXPECT_TRUE(reports.back().Finished);
  EXPECT_EQ(reports.back().Percent, 100);
  EXPECT_EQ(reports.back().TotalSize, 10100) << "totals count every file of the archive";
  EXPECT_EQ(reports.back().TotalPercent, 99);
}

// --- Aborts and failures -------------------------------------------------------

TEST_F(Compression, AbortStopsExtractionAtTheNextCheckpointWithoutAnException) {
  std::string a = Source("a.bin", RandomBytes(100000, 11));
  Compress(At("files.1"), {a});
  int aborted = 0, reports = 0;
  engine->OnStatus.Handler = [&](TQmbxCompress* e, TlzhFileStats&) { ++reports, e->Abort = true; };
  engine->OnAborted.Handler = [&](TComponent* sender) { aborted += sender == engine.get(); };
  Extract(At("files.1"), At("out"), {a});
  EXPECT_EQ(aborted, 1);
  EXPECT_EQ(reports, 1);
  EXPECT_TRUE(engine->Abort);
  EXPECT_EQ(Bytes(At("out\\a.bin")), RandomBytes(4096, 11)) << "the part written stays";
}

TEST_F(Compression, ASilentAbortEndsNormallyAndOtherErrorsPropagate) {
  std::string a = Source("a.txt", "x");
  Compress(At("files.1"), {a});
  engine->OnBeforeExtracting.Handler = [](TQmbxCompress*, TlzhFileStats&) { throw EAbort(std::string("skip")); };
  Extract(At("files.1"), At("out"), {a});
  EXPECT_FALSE(engine->Abort);
  EXPECT_EQ(engine->FilesToProcess().Count(), 0);
  engine->OnBeforeExtracting.Handler = [](TQmbxCompress*, TlzhFileStats&) { throw EAIUserAbort(); };
  EXPECT_EQ(ErrorOf<EAIUserAbort>([&] { Extract(At("files.1"), At("out"), {a}); }),
            "Installation aborted by the user");
  EXPECT_TRUE(engine->Abort);
}

TEST_F(Compression, ArchivesAndDestinationsNeedADirectory) {
  std::string a = Source("a.txt", "x");
  EXPECT_EQ(ErrorOf<Exception>([&] { Compress("files.1", {a}); }), "Unable to create directory");
  EXPECT_TRUE(engine->Abort);
  Compress(At("files.1"), {a});
  EXPECT_EQ(ErrorOf<Exception>([&] { Extract(At("files.1"), "", {a}); }), "Unable to create directory");
}

TEST_F(Compression, OnlyAddCreatesAMissingArchiveAndOverwriteReplacesOne) {
  std::string a = Source("a.txt", "aaa"), b = Source("b.txt", "bbb");
  Compress(At("new\\files.1"), {a}, TlzhCommand::lzcOnlyAdd);
  EXPECT_EQ(engine->FileCount(), 1);
  Compress(At("new\\files.1"), {b}, TlzhCommand::lzcOnlyAdd);
  engine->SetCompressedFile(At("files.1"));
  engine->SetCompressedFile(At("new\\files.1"));
  EXPECT_EQ(engine->FileCount(), 2);
  Compress(At("new\\files.1"), {b}, TlzhCommand::lzcOverwrite);
  EXPECT_EQ(engine->IndexOfFileID(0), 0);
  EXPECT_EQ(engine->FileCount(), 1);
  EXPECT_EQ(engine->Headers().FileHeaders(0).FileName, b);
  EXPECT_EQ(engine->Offset, 0);
}

TEST_F(Compression, FileIDsUpTo1999CanBeLookedUp) {
  Compress(At("files.1"), {Source("a.txt", "a")}, TlzhCommand::lzcOverwrite, 5);
  Compress(At("files.1"), {Source("b.txt", "b")}, TlzhCommand::lzcOnlyAdd, 2000);
  Compress(At("files.1"), {Source("c.txt", "c")}, TlzhCommand::lzcOnlyAdd, 1999);
  EXPECT_EQ(engine->IndexOfFileID(5), 0);
  EXPECT_EQ(engine->IndexOfFileID(1999), 2);
  EXPECT_EQ(engine->IndexOfFileID(2000), -1);
  EXPECT_EQ(engine->Headers().FileHeaders(1).FileID, 2000) << "stored all the same";
  EXPECT_EQ(engine->IndexOfFileID(6), 0) << "an ID no header has gives 0";
  TlzhFileStats stats;
  EXPECT_EQ(ErrorOf([&] { engine->GetFileStats(3, stats); }),
            "Tried to access the 3th file. This file is not defined");
}

TEST_F(Compression, BlankEntriesAreDroppedFromTheGivenList) {
  TStringList list;
  for (const char* line : {"a", "  ", "b", ""}) list.Add(line);
  engine->SetFilesToProcess(list);
  EXPECT_EQ(list.Lines(), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(engine->FilesToProcess().Lines(), list.Lines());
}

TEST_F(Compression, AnotherVolumeOfTheSameSetKeepsTheHeaderList) {
  Compress(At("files.1"), {Source("a.txt", "a")});
  engine->SetCompressedFile(At("other.1"));
  engine->SetCompressedFile(At("files.1"));
  EXPECT_EQ(engine->FileCount(), 1);
  engine->SetCompressedFile(At("FILES.7"));
  EXPECT_TRUE(engine->HeadersLoaded());
  engine->SetCompressedFile(At("sub\\files.1"));
  EXPECT_FALSE(engine->HeadersLoaded());
}

// --- Copying ----------------------------------------------------------------------

TEST_F(Compression, CopyFileCopiesBytesAndDateUnderTheOverwriteRule) {
  std::string a = Source("a.bin", RandomBytes(20000, 12));
  SetWriteTime(a, *WriteTime(a) - 3 * kTicksPerDay);
  engine->Offset = 77;
  std::vector<int32_t> processed;
  engine->OnStatus.Handler = [&](TQmbxCompress*, TlzhFileStats& s) { processed.push_back(s.Processed); };
  engine->CopyFile(a, At("copy.bin"));
  EXPECT_EQ(Bytes(At("copy.bin")), Bytes(a));
  EXPECT_EQ(*WriteTime(At("copy.bin")) / 20000000, *WriteTime(a) / 20000000);
  EXPECT_EQ(processed, (std::vector<int32_t>{8192, 16384, 20000, 20000}));
  EXPECT_EQ(engine->Offset, 0);
  EXPECT_EQ(engine->ExtractName, "") << "the copy's name does not rename the next extraction";

  engine->Overwrite = TOverwriteType::owNever;
  WriteFile(At("kept.bin"), "kept");
  engine->CopyFile(a, At("kept.bin"));
  EXPECT_EQ(Bytes(At("kept.bin")), "kept");
}

TEST_F(Compression, AnAbortedCopyStopsQuietly) {
  std::string a = Source("a.bin", RandomBytes(50000, 13));
  int reports = 0;
  engine->OnStatus.Handler = [&](TQmbxCompress* e, TlzhFileStats&) { ++reports, e->Abort = true; };
  engine->CopyFile(a, At("copy.bin"));
  EXPECT_EQ(reports, 1);
  EXPECT_EQ(Bytes(At("copy.bin")).size(), 8192u);
  EXPECT_EQ(ErrorOf([&] { engine->CopyFile(At("missing"), At("copy2.bin")); }),
            "Cannot open the file " + At("missing"));
}

}  // namespace
}  // namespace brim::test
