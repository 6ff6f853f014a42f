// The engine on a machine that refuses: a full disk at every write of an
// extraction, and the platform's code of a failed call as the cause of the
// engine's message.
#include "archive/ArchiveTest.h"
#include "platform/FaultInjection.h"

namespace brim::test {
namespace {

class PlatformFaults : public ArchiveTest {};

TEST_F(PlatformFaults, ADiskFullAtEveryWriteOfAnExtractionEndsInTheMessageAndKeepsWhatWasThere) {
  // Three files, the largest written in several parts.
  const std::vector<std::string> sources = {Source("a.bin", RandomBytes(150000, 1)),
                                            Source("b.txt", Repetitive(5000)),
                                            Source("c.bin", RandomBytes(70000, 2))};
  Compress(At("files.1"), sources);
  const std::string archive = Bytes(At("files.1"));
  // An unrelated file, and an installed copy of b.txt that the replace rule keeps.
  auto prepare = [&] {
    ASSERT_TRUE(RemoveTree(At("out")) && CreateDirectoryPath(At("out")));
    WriteFile(At("out\\keep.txt"), "kept");
    WriteFile(At("out\\b.txt"), "installed");
    engine->Overwrite = TOverwriteType::owNever;
  };
  prepare();
  TFaultInjectingServices counting;
  {
    TScopedPlatformServices scope(counting.Services());
    Extract(At("files.1"), At("out"), sources);
  }
  const uint64_t writes = counting.Calls(TFaultKind::FileWrite);
  ASSERT_GE(writes, 5u);

  for (uint64_t full = 1; full <= writes; ++full) {
    SCOPED_TRACE("disk full at write " + std::to_string(full));
    engine = std::make_unique<TQmbxCompress>(nullptr);
    prepare();
    TFaultInjectingServices faults;
    faults.FailCall(TFaultKind::FileWrite, full);
    std::string message;
    {
      TScopedPlatformServices scope(faults.Services());
      try {
        Extract(At("files.1"), At("out"), sources);
      } catch (const EqcDiskFull& e) {
        message = e.Message();
        EXPECT_TRUE(CauseOf(e) && *CauseOf(e) == TPlatformError::Win32(errDiskFull));
      }
    }
    EXPECT_EQ(message, "The disk is full");
    EXPECT_TRUE(engine->Abort);
    EXPECT_EQ(faults.Calls(TFaultKind::FileWrite), full) << "nothing is written after it";
    EXPECT_EQ(Bytes(At("files.1")), archive);
    EXPECT_EQ(Bytes(At("out\\keep.txt")), "kept");
    EXPECT_EQ(Bytes(At("out\\b.txt")), "installed");
    // The files finished before the full disk are whole.
    for (const auto& source : {sources[0], sources[2]}) {
      std::string name = source.substr(source.find_last_of('\\') + 1);
      auto extracted = ReadFile(At("out\\" + name));
      if (extracted && extracted->size() == Bytes(source).size()) {
        EXPECT_EQ(*extracted, Bytes(source));
      }
    }
  }
}

TEST_F(PlatformFaults, AFailedCallIsTheCauseOfTheEnginesMessage) {
  const std::string a = Source("a.txt", Repetitive(20000));
  Compress(At("files.1"), {a});
  ASSERT_TRUE(CreateDirectoryPath(At("out")));

  // The archive opens twice (for its headers, then for its data); the
  // destination, or its directory, does not.
  const struct {
    TFaultKind Kind;
    uint64_t From;
    std::string Directory;
    uint32_t Code;
  } cases[] = {{TFaultKind::FileOpen, 3, At("out"), errSharingViolation},
               {TFaultKind::CreateDirectory, 1, At("out\\new"), errPathNotFound}};
  for (const auto& c : cases) {
    TFaultInjectingServices faults;
    faults.FailFrom(c.Kind, c.From);
    engine = std::make_unique<TQmbxCompress>(nullptr);
    try {
      TScopedPlatformServices scope(faults.Services());
      Extract(At("files.1"), c.Directory, {a});
      ADD_FAILURE() << "the extraction worked";
    } catch (const EQmbxCompress& e) {
      EXPECT_EQ(e.Message(), "Cannot create the file " + c.Directory + "\\a.txt");
      ASSERT_TRUE(CauseOf(e));
      EXPECT_EQ(*CauseOf(e), TPlatformError::Win32(c.Code));
    }
    EXPECT_FALSE(Exists(c.Directory + "\\a.txt"));
  }

  // A damaged stream: the system's message "error", with zlib's word on it.
  std::string damaged = Bytes(At("files.1"));
  const size_t dataStart = 181;  // one file: its stream follows its header
  for (size_t i = dataStart + 2; i < dataStart + 40; ++i) damaged[i] = '\xFF';
  Replace(At("files.1"), damaged);
  engine = std::make_unique<TQmbxCompress>(nullptr);
  try {
    Extract(At("files.1"), At("out"), {a});
    ADD_FAILURE() << "the damaged stream was extracted";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "error");
    ASSERT_TRUE(CauseOf(e));
    EXPECT_EQ(CauseOf(e)->Domain, TErrorDomain::Zlib);
    EXPECT_EQ(static_cast<int32_t>(CauseOf(e)->Code), -3);  // Z_DATA_ERROR
    EXPECT_FALSE(CauseOf(e)->Detail.empty());
  }
}

}  // namespace
}  // namespace brim::test
