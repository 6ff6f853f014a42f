// The version reader on a library the resource compiler made
// (VersionTestLibrary.dll, built beside brim_tests.exe by the win32 build),
// read through the real Windows calls.
#ifdef _WIN32

#include <gtest/gtest.h>

#include "components/cmp_TVersion.h"
#include "platform/Platform.h"

namespace brim::test {
namespace {

std::string TestLibrary() {
  std::string program = PlatformModule().ModuleFileName();
  return program.substr(0, program.rfind('\\') + 1) + "VersionTestLibrary.dll";
}

class CompiledVersionResource : public ::testing::Test {};

TEST_F(CompiledVersionResource, ReadsWhatTheResourceCompilerWrote) {
  TVersionResource reader(nullptr);
  reader.SetFileName(TestLibrary());
  const TVersionInfo& info = reader.VersionInfo;
  EXPECT_EQ(info.FileVersion, "2.0.0.1");
  EXPECT_EQ(info.ProductVersion, "2.0.0.0") << "no ProductVersion string: the numeric form";
  EXPECT_EQ(info.FileType, "Dynamic-Link Library");
  EXPECT_EQ(info.FileOS, "Windows NT with 32 bit Windows");
  EXPECT_EQ(info.CompanyName, "Brimwell Test Company");
  EXPECT_EQ(info.OriginalFileName, "VERSIONTESTLIBRARY.DLL");
  EXPECT_EQ(info.LanguageNumber, 0) << "two translations give no language number";
  reader.SetLanguage(TVersionLanguage::lnGerman);
  EXPECT_EQ(reader.VersionInfo.CompanyName, "Brimwell Testfirma");
  EXPECT_EQ(reader.VersionInfo.FileDescription, "");
}

TEST_F(CompiledVersionResource, TheSelfRegistrationMarkIsThere) {
  auto& versions = PlatformVersions();
  auto block = versions.GetFileVersionInfo(TestLibrary());
  ASSERT_TRUE(block.has_value()) << TestLibrary();
  EXPECT_TRUE(versions.QueryValue(*block, "\\StringFileInfo\\040904E4\\OLESelfRegister"));
  EXPECT_FALSE(versions.QueryValue(*block, "\\StringFileInfo\\040904E4\\SpecialBuild"));
}

TEST_F(CompiledVersionResource, DecidesByItsVersion) {
  std::string library = TestLibrary();
  EXPECT_EQ(TVersionResource::IsFileNewer("2.0.0.1", 0, library, TOverwriteType::owVersion), vrSame);
  EXPECT_EQ(TVersionResource::IsFileNewer("2.0.0.2", 0, library, TOverwriteType::owVersion),
            vrNewer);
  EXPECT_EQ(TVersionResource::IsFileNewer("2.0", 0, library, TOverwriteType::owVersion),
            vrKeepExisting);
  EXPECT_EQ(FileVersionOf(library), "2.0.0.1");
}

}  // namespace
}  // namespace brim::test

#endif  // _WIN32
