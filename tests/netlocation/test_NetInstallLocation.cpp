// Network install locations as a definition declares them.
#include <gtest/gtest.h>

#include "engine/DefinitionTestForm.h"
#include "netlocation/cmp_TNetInstallLocation.h"

namespace brim::test {
namespace {

TEST(NetLocation, LoginInformationLoadsByDottedPath) {
  auto form = LoadComponents(R"(
    object Mirror: TCustomNetInstallLocation
      LoginInformation.Anonymous = False
      LoginInformation.Directory = '/pub/demo'
      LoginInformation.Hostname = 'ftp.example.com'
      LoginInformation.Password = 'secret'
      LoginInformation.Protocol = ipFTP
      LoginInformation.Username = 'demo'
    end)");
  auto* location = form->Find<TCustomNetInstallLocation>("Mirror");
  const TLoginInformation& login = location->LoginInformation();
  EXPECT_FALSE(login.Anonymous);
  EXPECT_EQ(login.Directory, "/pub/demo");
  EXPECT_EQ(login.Hostname, "ftp.example.com");
  EXPECT_EQ(login.Protocol, TInternetProtocol::ipFTP);
  EXPECT_EQ(login.Username, "demo");
  EXPECT_EQ(login.Location(), location);
  EXPECT_EQ(SavedNames(*form, "Mirror").size(), 6u);
}

TEST(NetLocation, AnonymousHttpIsTheDefault) {
  auto form = LoadComponents(R"(
    object Web: TCustomNetInstallLocation
      LoginInformation.Hostname = 'downloads.example.com'
    end)");
  const TLoginInformation& login = form->Find<TCustomNetInstallLocation>("Web")->LoginInformation();
  EXPECT_TRUE(login.Anonymous);
  EXPECT_EQ(login.Protocol, TInternetProtocol::ipHTTP);
  EXPECT_EQ(SavedNames(*form, "Web"), std::vector<std::string>{"LoginInformation.Hostname"});
  EXPECT_CONTAINS(LoadError("object W: TCustomNetInstallLocation\n LoginInformation.Protocol = ipGopher\nend"),
                  "ipGopher is not a value of TInternetProtocol");
}

}  // namespace
}  // namespace brim::test
