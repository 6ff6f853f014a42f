// The set of platform services: the scoped exchange of the current set, the
// fault-injecting set that tests of failures install, and the platform
// errors that travel with the exceptions above.
#include <functional>
#include <string>
#include <vector>

#include "common/exceptions_Brimwell.h"
#include "platform/FaultInjection.h"
#include "platform/PlatformTest.h"

namespace brim::test {
namespace {

class PlatformServicesTest : public PlatformTest {};

TEST_F(PlatformServicesTest, AScopedSetIsCurrentUntilItsEndAndNests) {
  const TPlatformServices& native = NativePlatformServices();
  ASSERT_EQ(&PlatformFiles(), native.Files);
  TFaultInjectingServices outer;
  {
    TScopedPlatformServices outerScope(outer.Services());
    EXPECT_EQ(&PlatformFiles(), outer.Services().Files);
    EXPECT_EQ(&PlatformRegistry(), outer.Services().Registry);
    EXPECT_EQ(&PlatformSystem(), native.System) << "what a wrapper leaves alone is the inner's";
    TFaultInjectingServices inner;
    {
      TPlatformServices onlyFiles;
      onlyFiles.Files = inner.Services().Files;
      TScopedPlatformServices innerScope(onlyFiles);
      EXPECT_EQ(&PlatformFiles(), inner.Services().Files);
      EXPECT_EQ(&PlatformRegistry(), outer.Services().Registry) << "a null member is the outer's";
      WriteFile(At("a.txt"), "x");
    }
    EXPECT_EQ(&PlatformFiles(), outer.Services().Files);
    EXPECT_EQ(inner.Calls(TFaultKind::FileWrite), 1u);
    EXPECT_EQ(outer.Calls(TFaultKind::FileWrite), 1u) << "the inner set wraps the outer one";
  }
  EXPECT_EQ(&PlatformFiles(), native.Files);
  EXPECT_EQ(&PlatformProcesses(), native.Processes);
}

// Each kind of failure: the chosen call fails with its code and changes
// nothing, the calls before and after it work, and every call is counted.
TEST_F(PlatformServicesTest, TheChosenCallOfAKindFailsWithItsCode) {
  struct TCase {
    TFaultKind Kind;
    uint32_t Code;
    std::function<bool(int)> Call;  // the i-th call of the kind (0, 1, 2); true when it worked
    std::function<bool(int)> Done;  // whether the i-th call's effect is there
  };
  auto& files = PlatformFiles();
  const std::string key = ScratchKey + "\\Faults";
  auto text = [&](const std::string& path) { return ReadFile(path).value_or("<missing>"); };
  auto file = [&](int i) { return At("f" + std::to_string(i)); };
  const TCase cases[] = {
      {TFaultKind::FileOpen, errSharingViolation,
       [&](int i) {
         return PlatformFiles().Open(file(i), accWrite, shareNone, TFileCreation::CreateNew) != nullptr;
       },
       [&](int i) { return Exists(file(i)); }},
      {TFaultKind::FileWrite, errDiskFull,
       [&](int i) {
         auto f = PlatformFiles().Open(file(i), accWrite, shareNone, TFileCreation::CreateAlways);
         uint32_t done = 0;
         return f && f->Write("abcd", 4, done) && done == 4;
       },
       [&](int i) { return text(file(i)) == "abcd"; }},
      {TFaultKind::Move, errSharingViolation,
       [&](int i) {
         WriteFile(file(i), "m");
         return PlatformFiles().MoveFile(file(i), file(i) + ".moved");
       },
       [&](int i) { return Exists(file(i) + ".moved") && !Exists(file(i)); }},
      {TFaultKind::CreateDirectory, errAccessDenied,
       [&](int i) { return PlatformFiles().CreateDirectory(file(i)); },
       [&](int i) { return Exists(file(i)); }},
      {TFaultKind::Delete, errSharingViolation,
       [&](int i) {
         WriteFile(file(i), "d");
         return PlatformFiles().DeleteFile(file(i));
       },
       [&](int i) { return !Exists(file(i)); }},
      {TFaultKind::RegistryWrite, errAccessDenied,
       [&](int i) {
         auto k = PlatformRegistry().CreateKey(TRegRoot::CurrentUser, key);
         return k && k->WriteValue("v" + std::to_string(i), TRegValue::Integer(i));
       },
       [&](int i) {
         auto k = PlatformRegistry().OpenKey(TRegRoot::CurrentUser, key, TRegAccess::Read);
         return k && k->ReadValue("v" + std::to_string(i)).has_value();
       }},
      {TFaultKind::RegistryCreateKey, errAccessDenied,
       [&](int i) {
         return PlatformRegistry().CreateKey(TRegRoot::CurrentUser, key + std::to_string(i)) != nullptr;
       },
       [&](int i) {
         return PlatformRegistry().OpenKey(TRegRoot::CurrentUser, key + std::to_string(i),
                                           TRegAccess::Read) != nullptr;
       }},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.Kind));
    ASSERT_TRUE(RemoveTree(Scratch) && files.CreateDirectory(Scratch));
    TFaultInjectingServices faults;
    faults.FailCall(c.Kind, 2);
    TScopedPlatformServices scope(faults.Services());
    uint64_t before = faults.Calls(c.Kind);
    for (int i = 0; i < 3; ++i) {
      bool worked = c.Call(i);
      EXPECT_EQ(worked, i != 1) << "call " << i;
      if (!worked) {
        EXPECT_EQ(PlatformSystem().LastError(), c.Code);
      }
      EXPECT_EQ(c.Done(i), i != 1) << "call " << i;
    }
    EXPECT_EQ(faults.Calls(c.Kind) - before, 3u);
    RemoveKeyTree(TRegRoot::CurrentUser, ScratchKey);
  }
}

TEST_F(PlatformServicesTest, AFullDiskTakesPartOfAWriteAndRefusesTheRest) {
  TFaultInjectingServices faults;
  faults.FailFrom(TFaultKind::FileWrite, 2);
  {
    TScopedPlatformServices scope(faults.Services());
    auto f = PlatformFiles().Open(At("full"), accWrite, shareNone, TFileCreation::CreateAlways);
    uint32_t done = 0;
    ASSERT_TRUE(f && f->Write("1234", 4, done));
    EXPECT_FALSE(f->Write("abcdef", 6, done));
    EXPECT_EQ(done, 3u);
    EXPECT_EQ(PlatformSystem().LastError(), errDiskFull);
    EXPECT_FALSE(f->Write("xy", 2, done)) << "every write from the second on";
  }
  EXPECT_EQ(ReadFile(At("full")), "1234abcx");

}

TEST(PlatformError, DescribesTheCodeInItsDomainAndTravelsWithTheException) {
  // The system's own text of a code ("There is not enough space on the disk.").
  auto text = [](uint32_t code) { return PlatformSystem().ErrorMessage(code); };
  ASSERT_FALSE(text(errDiskFull).empty());
  const std::pair<TPlatformError, std::string> cases[] = {
      {TPlatformError::Win32(errDiskFull), "Windows error 112: " + text(errDiskFull)},
      {{TErrorDomain::HResult, 0x80070005u}, "COM error 0x80070005: " + text(errAccessDenied)},
      {{TErrorDomain::HResult, 0x80004005u}, "COM error 0x80004005"},
      {{TErrorDomain::WinInet, 12002}, "Internet error 12002"},
      {{TErrorDomain::Ddeml, 0x400A}, "DDE error 0x400A"},
      {{TErrorDomain::Zlib, static_cast<uint32_t>(-3), "invalid stored block lengths"},
       "zlib error -3: invalid stored block lengths"},
  };
  for (const auto& [error, described] : cases) {
    EXPECT_EQ(error.Describe(), described);
    EXPECT_TRUE(error.Failed()) << described;
  }
  EXPECT_FALSE((TPlatformError{TErrorDomain::HResult, 0}).Failed()) << "S_OK";

  try {
    throw TCaused<EQmbxCompress>(TPlatformError::Win32(errAccessDenied), "Cannot create the file %s",
                                 std::string("C:\\a.txt"));
  } catch (const EQmbxCompress& e) {
    EXPECT_EQ(e.Message(), "Cannot create the file C:\\a.txt") << "the message stays the system's";
    EXPECT_STREQ(e.ClassName(), "EQmbxCompress");
    ASSERT_TRUE(CauseOf(e));
    EXPECT_EQ(*CauseOf(e), TPlatformError::Win32(errAccessDenied));
    EXPECT_EQ(MessageWithCause(e),
              "Cannot create the file C:\\a.txt (Windows error 5: " + text(errAccessDenied) + ")");
  }
  EXPECT_FALSE(CauseOf(Exception(std::string("plain"))));
}

}  // namespace
}  // namespace brim::test
