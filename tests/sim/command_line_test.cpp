// The simulator's command line takes its kinds from the catalogue it is
// given: a kind added to a copy of the catalogue is named in the usage and in
// the error for an unknown kind, and --kind accepts it.
#include "sim/command_line.h"

#include <gtest/gtest.h>

#include <sstream>

#include "tests/support/paging_kind.h"

namespace intercom {
namespace {

TEST(SimCommandLineTest, AMadeUpKindIsNamedInTheUsageAndTheErrorAndAccepted) {
  const Catalogue catalogue = testing::WithPagingKind();
  EXPECT_EQ(
      SimUsage(catalogue).rfind(
          "usage: intercom-sim --kind subscriber|splitter|beltpack|switch|paging [--link PATH] "
          "[--quiet]\n                    [--silent]",
          0),
      0u)
      << SimUsage(catalogue);

  std::ostringstream err;
  SimOptions options;
  const char* unknown[] = {"intercom-sim", "--kind", "intercom"};
  EXPECT_FALSE(ParseSimOptions(3, unknown, catalogue, options, err));
  EXPECT_EQ(err.str(),
            "intercom-sim: --kind needs subscriber, splitter, beltpack, switch or paging\n");

  err.str("");
  const char* paging[] = {"intercom-sim", "--kind", "paging", "--quiet"};
  EXPECT_TRUE(ParseSimOptions(4, paging, catalogue, options, err)) << err.str();
  EXPECT_EQ(options.kind, testing::kPaging);
  EXPECT_TRUE(options.quiet);
}

}  // namespace
}  // namespace intercom
