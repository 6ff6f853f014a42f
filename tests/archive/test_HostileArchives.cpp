// Archives made to do harm: stored names that climb out of the extract
// directory or name devices, header chains that loop, counts and positions
// beyond the file, streams longer or shorter than their headers say. Each
// ends in the system's error without a hang, and nothing is written
// outside the extract directory.
#include "archive/ArchiveTest.h"

namespace brim::test {
namespace {

class HostileArchive : public ArchiveTest {
 protected:
  void SetUp() override {
    ArchiveTest::SetUp();
    stored = Source("a.txt", Repetitive(10000));
    Compress(At("files.1"), {stored});
    bytes = Bytes(At("files.1"));
    before = Listing(Scratch);
  }
  // The archive with its one stored name replaced.
  void StoreName(const std::string& name) {
    bytes[5 + 24] = static_cast<char>(name.size());
    bytes.replace(5 + 25, 100, name + std::string(100 - name.size(), '\0'));
    stored = name;
    Replace(At("files.1"), bytes);
  }
  void Patch(size_t at, int32_t value) {
    Put32(bytes, at, value);
    Replace(At("files.1"), bytes);
  }
  // Extracts the stored name from the archive as it is now on disk.
  std::string ExtractError() {
    engine->SetCompressedFile(At("another archive"));
    return ErrorOf<Exception>([&] { Extract(At("files.1"), At("out"), {stored}); });
  }
  // Nothing appeared beside the scratch files, and out holds at most expected.
  void ExpectNothingOutside(const std::vector<std::string>& expected = {}) {
    auto after = Listing(Scratch);
    std::erase(after, std::string("out"));
    EXPECT_EQ(after, before);
    EXPECT_EQ(Listing(At("out")), expected);
  }

  std::string stored, bytes;
  std::vector<std::string> before;
  const std::string corrupt =
      "Could not read the file headers for the compressed file. The Archive file could "
      "possible be corrupt";
};

TEST_F(HostileArchive, NamesThatAreNotPlainFileNamesAreRefused) {
  for (std::string name : {"C:\\dir\\..", "..", "C:\\.", "C:", "dir\\", "dir/", "a\x01z",
                           "evil.", "evil ", "CON", "nul.txt", "com1", "a*z", "a\"z"}) {
    SCOPED_TRACE(name);
    StoreName(name);
    std::string part = name.substr(std::min(name.size(), name.find_last_of("\\/:") + 1));
    EXPECT_EQ(ExtractError(), "The name <" + part + "> of the file <" + name +
                                  "> in the archive <" + At("files.1") + "> is not a plain file name");
    ExpectNothingOutside();
  }
}

TEST_F(HostileArchive, OnlyTheNamePartOfAClimbingNameIsUsed) {
  for (std::string name : {"..\\..\\evil.txt", "C:/x/../evil.txt", "D:evil.txt", "\\\\host\\share\\evil.txt"}) {
    SCOPED_TRACE(name);
    StoreName(name);
    EXPECT_EQ(ExtractError(), "");
    ExpectNothingOutside({"evil.txt"});
    EXPECT_EQ(Bytes(At("out\\evil.txt")), Repetitive(10000));
  }
}

TEST_F(HostileArchive, AnExtractNameFromAHandlerIsCheckedToo) {
  engine->OnBeforeExtracting.Handler = [](TQmbxCompress* e, TlzhFileStats&) { e->ExtractName = "..\\.."; };
  EXPECT_EQ(ExtractError(), "The name <..> of the file <" + stored + "> in the archive <" +
                                At("files.1") + "> is not a plain file name");
  ExpectNothingOutside();
  engine->OnBeforeExtracting.Handler = [](TQmbxCompress* e, TlzhFileStats&) { e->ExtractName = "..\\up.txt"; };
  EXPECT_EQ(ExtractError(), "");
  ExpectNothingOutside({"up.txt"});
}

TEST_F(HostileArchive, HeaderChainsThatDoNotMoveForwardAreCorrupt) {
  Compress(At("files.1"), {stored, Source("b.bin", RandomBytes(2000, 21))});
  bytes = Bytes(At("files.1"));
  before = Listing(Scratch);
  const int32_t second = Le32(bytes, 5 + 128);
  for (int32_t next : {5, second - 1, -1000}) {
    SCOPED_TRACE(next);
    Patch(5 + 128, next);
    EXPECT_EQ(ExtractError(), corrupt);
  }
  Patch(5 + 128, second);
  Patch(0, 3);  // the third header would be read where the second one points
  Patch(static_cast<size_t>(second) + 128, second);
  EXPECT_EQ(ExtractError(), corrupt);
  ExpectNothingOutside();
}

TEST_F(HostileArchive, CountsPositionsAndVolumesBeyondTheFileAreCorrupt) {
  const std::string good = bytes;
  const struct {
    size_t at;
    int32_t value;
  } patches[] = {{0, INT32_MAX}, {0, 2}, {5 + 20, static_cast<int32_t>(good.size())},
                 {5 + 136, -1}, {5 + 132, -5}, {5 + 16, 3}};
  for (const auto& patch : patches) {
    SCOPED_TRACE(patch.at);
    bytes = good;
    Patch(patch.at, patch.value);
    EXPECT_EQ(ExtractError(), corrupt);
  }
  bytes = good;
  bytes[4] = 1;  // a disk set whose file begins on volume 0
  Replace(At("files.1"), bytes);
  EXPECT_EQ(ExtractError(), corrupt);
  ExpectNothingOutside();
}

TEST_F(HostileArchive, AStreamLongerThanItsFileSizeStopsBeforeTheSurplusIsWritten) {
  Patch(5 + 132, 5000);
  EXPECT_EQ(ExtractError(), "The decompressed file's size does not match with the actual size "
                            "of the file.  The file is " + stored);
  EXPECT_LE(Bytes(At("out\\a.txt")).size(), 5000u);
  EXPECT_TRUE(engine->Abort);
}

TEST_F(HostileArchive, ACutStreamFailsTheSizeCheck) {
  Patch(5 + 20, Le32(bytes, 5 + 20) - 20);
  EXPECT_EQ(ExtractError(), "The decompressed file's size does not match with the actual size "
                            "of the file.  The file is " + stored);
}

TEST_F(HostileArchive, DamagedStreamsRaiseTheZlibError) {
  const std::string good = bytes;
  // A broken zlib header, then a header asking for a preset dictionary.
  for (std::string head : {std::string("\xFF\xFF"), std::string("\x78\x20\x00\x00\x00\x01", 6)}) {
    bytes = good;
    bytes.replace(181, head.size(), head);
    Replace(At("files.1"), bytes);
    EXPECT_EQ(ErrorOf<Exception>([&] { Extract(At("files.1"), At("out"), {stored}); }), "error");
  }
}

TEST_F(HostileArchive, BytesAfterTheStreamEndAreIgnored) {
  bytes += RandomBytes(3000, 20);
  Patch(5 + 20, static_cast<int32_t>(bytes.size()) - 1);
  EXPECT_EQ(ExtractError(), "");
  EXPECT_EQ(Bytes(At("out\\a.txt")), Repetitive(10000));
}

}  // namespace
}  // namespace brim::test
