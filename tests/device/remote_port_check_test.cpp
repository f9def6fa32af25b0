// The port doctor on network ports, against a COM-port server on 127.0.0.1.
#include "device/remote_port_check.h"

#include <gtest/gtest.h>

#include "tests/support/rfc2217_server.h"

namespace intercom {
namespace {

using testing::Rfc2217Server;

constexpr NetworkLimits kShortLimits{std::chrono::milliseconds(500), std::chrono::milliseconds(500),
                                     std::chrono::milliseconds(300)};

std::vector<std::string> Checks(const PortDiagnosis& diagnosis) {
  std::vector<std::string> checks;
  for (const Finding& finding : diagnosis.findings) {
    checks.push_back((finding.status == FindingStatus::Ok ? "ok " : "FAIL ") + finding.check);
  }
  return checks;
}

TEST(RemotePortCheck, ResolvesConnectsAndHasTheLineConfirmedOrSaysWhichStepFailed) {
  Rfc2217Server server({});
  const PortDiagnosis confirmed = CheckRemotePort(server.Url(), kShortLimits);
  EXPECT_EQ(Checks(confirmed),
            (std::vector<std::string>{"ok name resolution", "ok connect", "ok RFC 2217"}));
  EXPECT_TRUE(confirmed.Usable());
  EXPECT_EQ(DiagnosisVerdict(confirmed), "usable");

  Rfc2217Server refusing({.acceptComPort = false});
  const PortDiagnosis refused = CheckRemotePort(refusing.Url(), kShortLimits);
  EXPECT_EQ(Checks(refused),
            (std::vector<std::string>{"ok name resolution", "ok connect", "FAIL RFC 2217"}));
  EXPECT_NE(refused.findings.back().fact.find("refuses the COM port option"), std::string::npos);

  uint16_t free = 0;
  close(testing::ListenOnLoopback(1, free));
  const PortDiagnosis closed =
      CheckRemotePort("rfc2217://127.0.0.1:" + std::to_string(free), kShortLimits);
  EXPECT_EQ(Checks(closed), (std::vector<std::string>{"ok name resolution", "FAIL connect"}));
  EXPECT_FALSE(closed.Usable());
  EXPECT_EQ(closed.problem, PortProblem::RemoteFails);
}

}  // namespace
}  // namespace intercom
