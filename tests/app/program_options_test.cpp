#include "app/program_options.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tests/support/paging_kind.h"

namespace intercom {
namespace {

struct Outcome {
  std::optional<int> status;
  std::string printed;
};

Outcome Answer(std::vector<const char*> args) {
  args.insert(args.begin(), "intercom-config");
  std::ostringstream out;
  const auto status = AnswerProgramOptions(static_cast<int>(args.size()), args.data(), out);
  return {status, out.str()};
}

TEST(ProgramOptions, HelpPrintsTheUsageAndEndsTheProgram) {
  for (const char* option : {"--help", "-h"}) {
    const Outcome outcome = Answer({"-geometry", "100x100", option});
    EXPECT_EQ(outcome.status, 0) << option;
    EXPECT_EQ(outcome.printed.rfind("Usage: intercom-config [--help] [--version]\n", 0), 0u)
        << outcome.printed;
    EXPECT_NE(outcome.printed.find("COM.ini"), std::string::npos);
  }
}

TEST(ProgramOptions, HelpNamesTheKindsOfItsCatalogue) {
  const char* args[] = {"intercom-config", "--help"};
  std::ostringstream out;
  EXPECT_EQ(AnswerProgramOptions(2, args, out, testing::WithPagingKind()), 0);
  EXPECT_NE(out.str().find(
                "Configures one device of a wired digital intercom installation (subscriber\n"
                "set, splitter, belt pack, switch or paging panel) connected to a serial port:\n"
                "finds which kind answers, reads its settings into that kind's page and writes\n"
                "them back.\n\nThe serial port"),
            std::string::npos)
      << out.str();
}

TEST(ProgramOptions, VersionPrintsNameAndVersionAndEndsTheProgram) {
  const Outcome outcome = Answer({"--version"});
  EXPECT_EQ(outcome.status, 0);
  EXPECT_EQ(outcome.printed, std::string("intercom-config ") + INTERCOM_VERSION + "\n");
}

TEST(ProgramOptions, OtherArgumentsAreIgnoredAndTheProgramStarts) {
  for (const auto& args : std::vector<std::vector<const char*>>{
           {}, {"COM.ini"}, {"--verbose", "-x"}, {"--versions"}, {"-help"}}) {
    const Outcome outcome = Answer(args);
    EXPECT_FALSE(outcome.status.has_value());
    EXPECT_EQ(outcome.printed, "");
  }
}

TEST(ProgramOptions, AnOutputThatCannotBeWrittenEndsWithFailure) {
  std::ostringstream out;
  out.setstate(std::ios::badbit);
  const char* args[] = {"intercom-config", "--version"};
  EXPECT_EQ(AnswerProgramOptions(2, args, out), 1);
}

}  // namespace
}  // namespace intercom
