// The loading program's deployment switches and the setup's "*" words they become.
#include <gtest/gtest.h>

#include "common/exceptions_Brimwell.h"
#include "session/DeploymentOptions.h"

namespace brim::test {
namespace {

using Names = std::vector<std::string>;

TEST(LoaderSwitches, BecomeTheSetupsWordsOrFailNamingTheSwitch) {
  const struct {
    Names Arguments;
    std::optional<std::string> Typed;  // the command line's text after "/D="
    Names Words;                        // passed on, then the words; or the error
  } cases[] = {
      {{"/S", "/log", "C:\\a.log", "/lang=German"}, {}, {"*QUIET", "*LOG=C:\\a.log", "*LANG=German"}},
      {{"*TODISK", "/PASSIVE", "/Log=b.log"}, {}, {"*TODISK", "*PASSIVE", "*LOG=b.log"}},
      // "/D=" is the last switch: what follows belongs to its path.
      {{"/quiet", "/D=C:\\My", "/S", "App"}, "C:\\My /S App ", {"*QUIET", "*INSTALLDIR=C:\\My /S App"}},
      {{"/S", "/x"}, {}, {"Invalid parameter </x>"}},
      {{"/log"}, {}, {"Invalid parameter </log>"}},
      {{"/D="}, "", {"Invalid parameter </D=>"}},
  };
  for (const auto& c : cases) {
    Names words;
    try {
      for (const std::string& word : DeploymentWords(ParseLoaderSwitches(c.Arguments, c.Typed, words)))
        words.push_back(word);
    } catch (const Exception& e) {
      words = {e.Message().substr(0, e.Message().find('.'))};
    }
    EXPECT_EQ(words, c.Words) << c.Arguments.front();
  }
}

}  // namespace
}  // namespace brim::test
