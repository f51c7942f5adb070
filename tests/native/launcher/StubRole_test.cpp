#include "launcher/StubRole.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

StubIdentity Id(bool agent, const char* own, const char* agentName) {
  return StubIdentity{agent, own, agentName, std::string("C:\\P\\") + own};
}

TEST(StubRoleTest, RoleTableInItsOrder) {
  struct Case {
    StubIdentity id;
    long long span;
    bool relaunchFlag;
    StubRole role;
  };
  const Case cases[] = {
      {Id(true, "Foo.exe", "Foo.exe"), 1, false, StubRole::PlainAgent},
      {Id(true, " foo.EXE ", "Foo.exe"), 1, false, StubRole::PlainAgent},  // trimmed, any case
      {Id(true, "X_Foo.exe", "Foo.exe"), 1, false, StubRole::XAgent},
      {Id(true, "x_foo.exe", "Foo.exe"), 1, true, StubRole::XAgent},
      // An agent name that matches neither falls through to the setup roles.
      {Id(true, "Setup.exe", "Foo.exe"), 1, true, StubRole::Relaunch},
      {Id(true, "Setup.exe", "Foo.exe"), 1, false, StubRole::SetupLauncher},
      // Without the agent flag the names do not matter.
      {Id(false, "Foo.exe", "Foo.exe"), 1, false, StubRole::SetupLauncher},
      {Id(false, "X_Foo.exe", "Foo.exe"), 1, true, StubRole::Relaunch},
      // The relaunched copy (level 2) and other levels run the setup.
      {Id(false, "Y_Setup.exe", ""), 2, true, StubRole::SetupLauncher},
      {Id(false, "Setup.exe", ""), 0, true, StubRole::SetupLauncher},
      // An empty agent name never makes an agent of the own name.
      {Id(true, "Setup.exe", ""), 1, false, StubRole::SetupLauncher},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ChooseStubRole(c.id, c.span, c.relaunchFlag), c.role)
        << c.id.ownName << " / " << c.id.agentFileName << " / " << c.span;
  }
}

TEST(StubRoleTest, InstanceKeyAndAgentWindowClass) {
  EXPECT_EQ(InstanceKey(Id(true, "Foo.exe", "Foo.exe")), ".AutoUpdate.Foo");
  EXPECT_EQ(InstanceKey(Id(true, "X_Foo.exe", "Foo.exe")), ".AutoUpdate.X_Foo");
  EXPECT_EQ(InstanceKey(Id(true, "Foo.v2.exe", "Foo.v2.exe")), ".AutoUpdate.Foo.v2");
  EXPECT_EQ(InstanceKey(Id(false, "Setup.exe", "")), "C:\\P\\Setup.exe");
  EXPECT_EQ(XAgentWindowClass(Id(true, "Foo.exe", "Foo.exe")), ".AutoUpdate.X_Foo");
}

}  // namespace
}  // namespace orvane
