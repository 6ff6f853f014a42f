// The install session: every test runs in a fresh one (the listener below),
// each session has its own installation state and ends it, sessions nest,
// and a restart that a step needs happens once, at the end.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/exceptions_Brimwell.h"
#include "components/cmp_TInstallContainer.h"
#include "components/cmp_TVersion.h"
#include "engine/cmp_TInstall.h"
#include "netlocation/cmp_TNetInstallLocation.h"
#include "paths/cmp_TPathSpecifier.h"
#include "session/InstallSession.h"
#ifndef _WIN32
#include "platform/PlatformTest.h"
#include "platform/posix/SubstituteMachine.h"
#endif

namespace brim::test {
namespace {

// Gives every test of the program a fresh session of its own, so no test
// sees what an earlier one left in the installation's state.
class FreshSessionPerTest : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override {
    session_ = std::make_unique<TInstallSession>();
  }
  void OnTestEnd(const ::testing::TestInfo&) override { session_.reset(); }
  std::unique_ptr<TInstallSession> session_;
};

const bool listening = [] {
  ::testing::UnitTest::GetInstance()->listeners().Append(new FreshSessionPerTest);
  return true;
}();

TEST(InstallSession, EachSessionHasItsOwnStateAndTheOuterOneReturns) {
  TComponent owner(nullptr);
  TCustomNetInstallLocation location(nullptr);
  // What a test leaves in the outer session.
  new TInstallDirectory(&owner);
  SetCurrentNetLocation(&location);
  SetMessageTranslation([](const std::string&) { return std::string("X"); });
  struct Probe {
    const char* what;
    std::function<const void*()> state;
  } probes[] = {
      {"containers", [] { return InstallContainers().Count() ? &InstallContainers() : nullptr; }},
      {"network location", [] { return static_cast<const void*>(CurrentNetLocation()); }},
      {"version reader", [] { return static_cast<const void*>(&TVersionResource::Shared()); }},
      {"specifiers", [] { return static_cast<const void*>(&PathSpecifiers()); }},
  };
  std::vector<const void*> outer;
  for (const Probe& p : probes) outer.push_back(p.state());
  {
    TInstallSession inner;
    EXPECT_EQ(&CurrentSession(), &inner);
    EXPECT_EQ(TranslateMessage("Hello"), "Hello");
    for (size_t i = 0; i < std::size(probes); ++i) {
      SCOPED_TRACE(probes[i].what);
      EXPECT_NE(probes[i].state(), outer[i]);
    }
  }
  EXPECT_EQ(TranslateMessage("Hello"), "X");
  for (size_t i = 0; i < std::size(probes); ++i) {
    SCOPED_TRACE(probes[i].what);
    EXPECT_EQ(probes[i].state(), outer[i]);
  }
  SetCurrentNetLocation(nullptr);
}

TEST(InstallSession, ItsStateGoesInTheReverseOrderOfItsMaking) {
  static std::vector<std::string> gone;
  struct First {
    ~First() { gone.push_back("first"); }
  };
  struct Second {
    ~Second() { gone.push_back("second"); }
  };
  gone.clear();
  {
    TInstallSession session;
    session.State<First>();
    session.State<Second>();
    EXPECT_EQ(&session.State<First>(), session.FindState<First>());
    EXPECT_TRUE(gone.empty());
  }
  EXPECT_EQ(gone, (std::vector<std::string>{"second", "first"}));
}

#ifndef _WIN32
class SessionRestart : public PlatformTest {};

TEST_F(SessionRestart, IsRecordedByTheStepAndHappensOnceAtTheEnd) {
  auto restarted = [] {
    return TSubstituteMachine::Current().Facts().Read("Machine", "RebootRequested") == "1";
  };
  EXPECT_FALSE(RestartWhenRequired());
  CurrentSession().RequireRestart();
  // Recording it restarts nothing.
  EXPECT_FALSE(restarted());
  EXPECT_TRUE(RestartWhenRequired());
  EXPECT_TRUE(restarted());
  EXPECT_FALSE(CurrentSession().RestartRequired());
  EXPECT_FALSE(RestartWhenRequired());
}
#endif

}  // namespace
}  // namespace brim::test
