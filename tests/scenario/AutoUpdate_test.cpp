// The auto-update agent of an installed product, as its user meets it:
// version 1 of the product is installed by its installer (which leaves the
// agent in the product folder), the product runs, the agent is started as
// the installation starts it and works beside it. The vendor's ".info" and
// update files lie on the test web server (AgentFixture.h).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "harness/AgentFixture.h"
#include "harness/LauncherProcess.h"
#include "harness/TestPaths.h"
#include "harness/WebServer.h"

namespace orvane {
namespace {

using test::AgentFixture;
using test::ProductEvent;

TEST(AutoUpdateScenario, InstalledAgentRunsHiddenBesideTheProductAndEndsCleanly) {
  ASSERT_FALSE(test::WebHttpUrl("x").empty()) << "the test web servers are not up";
  AgentFixture product("au-smoke");
  ASSERT_TRUE(product.InstallVersion1()) << product.viewer().Text();
  // Nothing new on offer: the vendor's newest version is the installed one.
  ASSERT_TRUE(product.PublishInfo({{"NewSetup.VersionNew", "1"}}));

  const DWORD productPid = product.StartProduct();
  ASSERT_NE(productPid, 0u);

  // The installation's agent starts its X_ copy hidden; with /DELAY=0 its
  // tick counter starts at 0, so the first tick already counts 1.
  ASSERT_TRUE(product.StartAgent("/DELAY=0")) << product.viewer().Text();
  EXPECT_FALSE(::IsWindowVisible(product.XAgentWindow()));
  ASSERT_TRUE(test::PumpUntil([&] { return product.TickCounts().size() >= 3; }, 20000))
      << product.viewer().Text();
  const std::vector<int> ticks = product.TickCounts();
  EXPECT_EQ(std::vector<int>(ticks.begin(), ticks.begin() + 3), (std::vector<int>{1, 2, 3}));
  // The agent copy the installer wrote keeps the installer's AgentLog flag.
  EXPECT_NE(product.AgentLog().find("=== START === " + product.XAgentExe()), std::string::npos)
      << product.AgentLog();
  EXPECT_EQ(product.ProductProcesses(), std::vector<DWORD>{productPid})
      << "the product runs on untouched";

  // The end: the agent on request (through the installation's agent), the
  // product by its user.
  ASSERT_TRUE(product.StopAgent());
  ASSERT_TRUE(product.CloseProduct(productPid));
  ASSERT_TRUE(test::PumpUntil([&] { return product.ProductProcesses().empty(); }, 10000));
  const std::vector<ProductEvent> events = product.ProductEvents();
  ASSERT_EQ(events.size(), 2u) << test::ReadWholeFile(product.ProductRecordFile());
  EXPECT_EQ(events[0].kind, "start");
  EXPECT_EQ(events[0].pid, productPid);
  EXPECT_EQ(events[0].version, "1");
  EXPECT_EQ(events[1].kind, "end");
  EXPECT_EQ(events[1].reason, "WM_CLOSE");
}

}  // namespace
}  // namespace orvane
