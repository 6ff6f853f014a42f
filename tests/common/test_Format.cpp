#include <gtest/gtest.h>

#include "common/Format.h"
#include "common/exceptions_Brimwell.h"
#include "common/types_Brimwell.h"

namespace brim {
namespace {

TEST(Format, SubstitutesTextNumbersAndPercent) {
  EXPECT_EQ(Format("Cannot install into registry. Key: %s Ident: %s Value %s", "\\SOFTWARE\\X", "Path", "C:\\"),
            "Cannot install into registry. Key: \\SOFTWARE\\X Ident: Path Value C:\\");
  EXPECT_EQ(Format("%d of %d files, 100%%", 3, -7), "3 of -7 files, 100%");
  EXPECT_EQ(Format("[%5s|%-4d|%.3d]", "ab", 7, 5), "[   ab|7   |005]");
  EXPECT_EQ(Format("%x %u", 255, -1), "FF 4294967295");
  EXPECT_EQ(Format("%.2f", 2.345), "2.35");
  EXPECT_EQ(Format("no directives"), "no directives");
}

TEST(Format, MismatchedOrMissingArgumentsRaiseInsteadOfMisbehaving) {
  EXPECT_THROW(Format("%d", "text"), EConvertError);
  EXPECT_THROW(Format("%s", 5), EConvertError);
  EXPECT_THROW(Format("%s and %s", "one"), EConvertError);
  EXPECT_THROW(Format("trailing %"), EConvertError);
  EXPECT_THROW(Format("%q", 1), EConvertError);
  try {
    Format("%d", "x");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_NE(e.Message().find("'%d'"), std::string::npos) << "the message names the format";
  }
}

TEST(Percentage, RoundsHalvesToEvenAndTreatsZeroWholeAsZero) {
  EXPECT_EQ(Percentage(250 + 250, 1000), 50);
  EXPECT_EQ(Percentage(1, 3), 33);
  EXPECT_EQ(Percentage(2, 3), 67);
  EXPECT_EQ(Percentage(5, 200), 2);    // 2.5 -> 2
  EXPECT_EQ(Percentage(7, 200), 4);    // 3.5 -> 4
  EXPECT_EQ(Percentage(1, 8), 12);     // 12.5 -> 12
  EXPECT_EQ(Percentage(3, 8), 38);     // 37.5 -> 38
  EXPECT_EQ(Percentage(10, 0), 0);
  EXPECT_EQ(Percentage(0, 0), 0);
  EXPECT_EQ(Percentage(4096, 4096), 100);
}

TEST(Exceptions, FamilyTreeLetsCallersCatchByParent) {
  try {
    throw EqcDiskFull(std::string("Disk full"));
  } catch (const EQmbxCompress& e) {
    EXPECT_STREQ(e.ClassName(), "EqcDiskFull");
  }
  try {
    throw EAIUserAbort();
  } catch (const EAI& e) {
    EXPECT_EQ(e.Message(), "Installation aborted by the user");
  }
  EXPECT_THROW(throw EIRCannotWriteValue(std::string("k")), EBrimwellAbnormal);
  EXPECT_THROW(throw EAPIRoutines(std::string("k")), ECustomBrimwellAbnormal);
  EXPECT_THROW(throw EAbort(std::string("")), Exception);
}

BRIM_IEXCEPTION_CLASS(IETestUnit, IException);

TEST(Exceptions, PerUnitMessagesAreTranslatedBeforeFormatting) {
  SetMessageTranslation([](const std::string& english) {
    if (english == "Cannot find %s") return std::string("Kann %s nicht finden");
    return english;
  });
  IETestUnit translated("Cannot find %s", "File1");
  IETestUnit untouched("Something else %d", 4);
  IETestUnit plain("100% literal");  // no arguments: taken as it stands
  SetMessageTranslation(nullptr);
  EXPECT_EQ(translated.Message(), "Kann File1 nicht finden");
  EXPECT_EQ(untouched.Message(), "Something else 4");
  EXPECT_EQ(plain.Message(), "100% literal");
  EXPECT_STREQ(translated.ClassName(), "IETestUnit");
  // Untranslated families keep their English text whatever the hook says.
  SetMessageTranslation([](const std::string&) { return std::string("X"); });
  EQmbxCompress compress(std::string("Cannot open the compressed file %s"));
  SetMessageTranslation(nullptr);
  EXPECT_EQ(compress.Message(), "Cannot open the compressed file %s");
}

}  // namespace
}  // namespace brim
