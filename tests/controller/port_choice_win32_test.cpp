// COM.ini failures as Windows reports them: the system's codes, shown through
// the message table.
#include <windows.h>

#include <filesystem>
#include <string>

#include "controller/port_choice.h"
#include "panel/handler_failure.h"
#include "tests/controller/port_choice_fixture.h"

namespace intercom::testing {
namespace {

namespace fs = std::filesystem;

// The message of the failure that `action` ends with; empty when it does not fail.
template <typename Action>
std::string FailureOf(Action action) {
  try {
    action();
  } catch (const FileIoFailure& failure) {
    return failure.what();
  }
  return {};
}

TEST_F(PortChoiceTest, FailuresShowTheTableTextOfTheWindowsCode) {
  state.PortName = "COM4";
  EXPECT_EQ(FailureOf([&] { SavePortChoice(state, (dir / "missing" / "COM.ini").string()); }),
            "Invalid filename")
      << "ERROR_PATH_NOT_FOUND is 3";

  WriteFile("COM2\r\n");
  ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(FailureOf([&] { SavePortChoice(state, path); }), "File access denied");
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(ReadFile(), "COM2\r\n") << "a refused save leaves the old file";

  fs::remove(path);
  fs::create_directory(path);
  EXPECT_EQ(FailureOf([&] { LoadPortChoice(state, {"COM1"}, path); }), "File access denied");
}

}  // namespace
}  // namespace intercom::testing
