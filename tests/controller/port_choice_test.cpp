// COM.ini as every platform reads and writes it: one line, the name, CR LF.
#include "controller/port_choice.h"

#include <string>
#include <utility>
#include <vector>

#include "tests/controller/port_choice_fixture.h"

namespace intercom::testing {
namespace {

TEST_F(PortChoiceTest, MissingFileIsCreatedWithTheFirstListedPort) {
  LoadPortChoice(state, {"COM3", "COM1"}, path);
  EXPECT_EQ(state.PortName, "COM3");
  EXPECT_EQ(ReadFile(), "COM3\r\n");
}

TEST_F(PortChoiceTest, MissingFileAndNoPortsGiveAnEmptyLine) {
  LoadPortChoice(state, {}, path);
  EXPECT_EQ(state.PortName, "");
  EXPECT_EQ(ReadFile(), "\r\n");
  LoadPortChoice(state, {"COM1"}, path);
  EXPECT_EQ(state.PortName, "");
}

TEST_F(PortChoiceTest, OnlyTheFirstLineCountsExactlyAsItStands) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"COM2\r\nCOM5\r\nmore", "COM2"},
      {"/dev/ttyUSB1\n", "/dev/ttyUSB1"},
      {" /dev/ttyS0 \r\n", " /dev/ttyS0 "},
      {"no line break", "no line break"},
      {"", ""},
      {"\r\n", ""},
  };
  for (const auto& [content, expected] : cases) {
    WriteFile(content);
    state.PortName = "untouched";
    LoadPortChoice(state, {"COM1"}, path);
    EXPECT_EQ(state.PortName, expected);
    EXPECT_EQ(ReadFile(), content) << "an existing file is never rewritten";
  }
}

TEST_F(PortChoiceTest, SaveWritesTheWholeFileAnew) {
  WriteFile("old name that is longer\r\nsecond line\r\n");
  state.PortName = "/dev/ttyACM0";
  SavePortChoice(state, path);
  EXPECT_EQ(ReadFile(), "/dev/ttyACM0\r\n");
  state.PortName = "";
  SavePortChoice(state, path);
  EXPECT_EQ(ReadFile(), "\r\n");
}

TEST_F(PortChoiceTest, OnlyTheFirst64KiBAreRead) {
  WriteFile(std::string(70000, 'p') + "\r\n");
  LoadPortChoice(state, {}, path);
  EXPECT_EQ(state.PortName, std::string(64 * 1024, 'p'));
}

}  // namespace
}  // namespace intercom::testing
