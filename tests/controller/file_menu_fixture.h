// The window's context on fakes, with a subscriber set answering, a recording file
// dialog, the program's settings in the scratch folder and a clock for the
// exchange log that tells the times it is given, one per log line.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "tests/controller/controller_fixture.h"
#include "tests/support/recording_file_chooser.h"

namespace intercom::testing {

class FileMenuTest : public ControllerTest {
 protected:
  void SetUp() override {
    ControllerTest::SetUp();
    Attach(device);
    panel.SetFileChooser(files);
    context.programSettingsPath = (scratch / "intercom-config.ini").string();
    context.localTime = [this] {
      LocalTime now = times.front();
      if (times.size() > 1) times.pop_front();
      return now;
    };
  }

  static std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  DeviceModel device{DeviceKind::SubscriberSet};
  RecordingFileChooser files;
  // The clock's times; the last one stays.
  std::deque<LocalTime> times{{2026, 12, 7, 14, 3, 27, 512}};
};

}  // namespace intercom::testing
