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
  auto prepare = [&] {
    ASSERT_TRUE(RemoveTree(At("out")) && CreateDirectoryPath(At("out")));
    WriteFile(At("out\\keep.txt"), "kept");
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
    prepare();
    TFaultInjectingServices faults;
    faults.FailCall(TFaultKind::FileWrite, full);
    std::string message;
    {
      TScopedPlatformServices scope(faults.Services());
      engine = std::make_unique<TQmbxCompress>(nullptr);
      message = ErrorOf<EqcDiskFull>([&] { Extract(At("files.1"), At("out"), sources); });
    }
    EXPECT_EQ(message, "The disk is full");
    EXPECT_TRUE(engine->Abort);
    EXPECT_EQ(faults.Calls(TFaultKind::FileWrite), full) << "nothing is written after it";
    EXPECT_EQ(Bytes(At("files.1")), archive);
    EXPECT_EQ(Bytes(At("out\\keep.txt")), "kept");
    // The files finished before the full disk are whole.
    for (const auto& source : sources) {
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

  TFaultInjectingServices faults;
  // The archive opens (for its headers, then for its data); the destination does not.
  faults.FailFrom(TFaultKind::FileOpen, 3);
  try {
    TScopedPlatformServices scope(faults.Services());
    Extract(At("files.1"), At("out"), {a});
    ADD_FAILURE() << "the extraction worked";
  } catch (const EQmbxCompress& e) {
    EXPECT_EQ(e.Message(), "Cannot create the file " + At("out\\a.txt"));
    ASSERT_TRUE(CauseOf(e));
    EXPECT_EQ(*CauseOf(e), TPlatformError::Win32(errSharingViolation));
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
