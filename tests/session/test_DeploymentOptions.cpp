// The loading program's deployment switches and the setup's "*" words they
// become.
#include <gtest/gtest.h>

#include "common/exceptions_Brimwell.h"
#include "common/routines_Strings.h"
#include "session/DeploymentOptions.h"

namespace brim::test {
namespace {

using Names = std::vector<std::string>;

TEST(LoaderSwitches, BecomeTheSetupsWordsOrFailNamingTheSwitch) {
  const struct {
    Names Arguments;
    std::optional<std::string> Typed;  // the command line's text after "/D="
    Names Words;                        // passed on, then the deployment's words
    const char* Refused;                // the argument named by the error, or null
  } cases[] = {
      {{"/S", "/log", "C:\\Logs\\setup.log"}, {}, {"*QUIET", "*LOG=C:\\Logs\\setup.log"}, nullptr},
      {{"/QUIET", "/Log=out.log", "/lang=German"}, {}, {"*QUIET", "*LOG=out.log", "*LANG=German"}, nullptr},
      {{"*TODISK", "/passive"}, {}, {"*TODISK", "*PASSIVE"}, nullptr},
      // "/D=" is the last switch: what follows belongs to its path, blanks and all.
      {{"/S", "/D=C:\\Program", "Files\\My", "/S", "App"},
       "C:\\Program Files\\My  /S App ",
       {"*QUIET", "*INSTALLDIR=C:\\Program Files\\My  /S App"},
       nullptr},
      {{"/d=C:\\Apps"}, {}, {"*INSTALLDIR=C:\\Apps"}, nullptr},
      {{"/S", "/x"}, {}, {}, "/x"},
      {{"/log"}, {}, {}, "/log"},
      {{"/D="}, "", {}, "/D="},
      {{"-s"}, {}, {}, "-s"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Arguments.front());
    Names words;
    try {
      TDeploymentOptions options = ParseLoaderSwitches(c.Arguments, c.Typed, words);
      for (const std::string& word : DeploymentWords(options)) words.push_back(word);
      EXPECT_EQ(c.Refused, nullptr);
      EXPECT_EQ(words, c.Words);
    } catch (const Exception& e) {
      ASSERT_NE(c.Refused, nullptr) << e.what();
      EXPECT_TRUE(StartsWithText(e.Message(), std::string("Invalid parameter <") + c.Refused + ">"))
          << e.Message();
    }
  }
  Names passed;
  EXPECT_TRUE(ParseLoaderSwitches({"/?"}, {}, passed).Help);
}

}  // namespace
}  // namespace brim::test
