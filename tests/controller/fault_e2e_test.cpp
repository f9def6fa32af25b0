// Faults injected on the real port: a device that vanishes mid-session, one
// that babbles, a port held by another program, and the files and names that
// once hung or misled the tool. Real pauses, real ptys.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <optional>
#include <random>
#include <sstream>
#include <thread>

#include "controller/handlers.h"
#include "controller/program_context.h"
#include "panel/device_pages.h"
#include "panel/field_integer.h"
#include "panel/handler_failure.h"
#include "protocol/interpret_reply.h"
#include "serial/pause.h"
#include "serial/posix_serial_port.h"
#include "tests/support/lock_folder.h"
#include "tests/support/recording_message_boxes.h"
#include "tests/support/simulator_process.h"

namespace intercom {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using testing::LockFolder;
using testing::RecordingMessageBoxes;
using testing::Simulator;

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

class FaultsOverPty : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "intercom-faults-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    context.portChoicePath = (dir_ / "COM.ini").string();
    context.listPorts = [] { return std::vector<std::string>{}; };
    BindHandlers(context);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  void WriteChoice(const std::string& name) {
    std::ofstream(context.portChoicePath, std::ios::binary) << name << "\r\n";
  }
  // Starts a simulator of `kind` and runs the start-up against it.
  void StartUp(const std::string& kind) {
    const std::string program = testing::SimulatorProgram();
    if (program.empty()) GTEST_SKIP() << "INTERCOM_SIM is not set";
    simulator_.emplace(program, std::vector<std::string>{"--kind", kind});
    ASSERT_FALSE(simulator_->PortPath().empty()) << "intercom-sim printed no port";
    WriteChoice(simulator_->PortPath());
    panel.Form1.Show();
    ASSERT_TRUE(boxes.shown.empty()) << boxes.shown.front().text;
  }
  // Runs one user action and returns how long it took.
  milliseconds Timed(const std::function<void()>& action) {
    const auto start = Clock::now();
    action();
    return std::chrono::duration_cast<milliseconds>(Clock::now() - start);
  }

  fs::path dir_;
  std::optional<Simulator> simulator_;
  LockFolder locks_;
  RecordingMessageBoxes boxes;
  PanelModel panel{boxes, "intercom-config"};
  PosixSerialPort port{locks_.Path()};
  ProgramContext context{panel, port, SleepPause};
};

TEST_F(FaultsOverPty, AVanishedDeviceMakesEveryActionReportAndReturn) {
  StartUp("switch");
  simulator_.reset();  // the adapter is pulled: the line hangs up

  const double cpuBefore = CpuSeconds();
  const auto start = Clock::now();
  const struct {
    const char* name;
    Button& button;
  } actions[] = {{"read", panel.BitBtn4},
                 {"write", panel.BitBtn2},
                 {"test", panel.BitBtn18},
                 {"level", panel.BitBtn17},
                 {"discovery", panel.BitBtn19}};
  for (const auto& action : actions) {
    SCOPED_TRACE(action.name);
    boxes.shown.clear();
    const milliseconds took = Timed([&] { action.button.Click(); });
    EXPECT_LT(took, milliseconds(5000)) << "an action hung";
    ASSERT_FALSE(boxes.shown.empty()) << "a failure went unreported";
    EXPECT_TRUE(boxes.shown.front().text.starts_with("Can't write to port: "))
        << boxes.shown.front().text;
  }
  const double wall = std::chrono::duration<double>(Clock::now() - start).count();
  // The actions spend their time in pauses; a spinning wait would burn it.
  EXPECT_LT(CpuSeconds() - cpuBefore, 0.5 * wall + 0.2) << "CPU spent over " << wall << " s";
}

// The device end of a pty that sends bytes all the time, with now and then
// something that looks like a reply, and swallows whatever it is sent.
class Babbler {
 public:
  Babbler() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
    name_ = ptsname(master_);
    slave_ = open(name_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    thread_ = std::thread([this] { Run(); });
  }
  ~Babbler() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (slave_ >= 0) close(slave_);
    if (master_ >= 0) close(master_);
  }
  const std::string& Name() const { return name_; }

 private:
  void Run() {
    std::mt19937 random(7);
    uint8_t bytes[40];
    while (!stop_) {
      for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
      if (random() % 3 == 0) {
        bytes[0] = 0xE2;
        bytes[1] = 0xE4;
      }
      [[maybe_unused]] ssize_t n = write(master_, bytes, sizeof bytes);
      while (read(master_, bytes, sizeof bytes) > 0) {
      }
      std::this_thread::sleep_for(milliseconds(2));
    }
  }

  int master_ = -1;
  int slave_ = -1;
  std::string name_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// The bytes of a hex trace, "E2 E4 01", up to the first word that is no byte
// ("(nothing)", "read failed: 5").
std::vector<uint8_t> TraceBytes(const std::string& hex) {
  std::vector<uint8_t> bytes;
  std::istringstream in(hex);
  for (std::string byte;
       in >> byte && byte.size() == 2 && std::isxdigit(byte[0]) && std::isxdigit(byte[1]);) {
    bytes.push_back(static_cast<uint8_t>(std::stoul(byte, nullptr, 16)));
  }
  return bytes;
}

// Index n is TrackBarN.
using SliderPositions = std::array<int, 10>;

SliderPositions SliderPositionsOf(PanelModel& panel) {
  SliderPositions positions{};
  for (int n = 1; n <= 9; ++n) {
    positions.at(static_cast<size_t>(n)) = panel.TrackBarAt(n).Position();
  }
  return positions;
}

// Where the sliders must stand after the exchanges of `log`: each where the
// last reply in step that carried its setting puts it, within the slider's
// range; where no such reply came, as it stood before.
SliderPositions SliderPositionsAfter(const std::string& log, const Catalogue& catalogue,
                                     SliderPositions positions) {
  std::vector<uint8_t> request;
  std::istringstream in(log);
  for (std::string line; std::getline(in, line);) {
    if (const size_t sent = line.find(" > "); sent != std::string::npos) {
      request = TraceBytes(line.substr(sent + 3));
      continue;
    }
    const size_t read = line.find(" < ");
    // A failed read leaves the reply all zero: nothing in step.
    if (read == std::string::npos || line.find("failed") != std::string::npos) continue;
    const std::vector<uint8_t> reply = TraceBytes(line.substr(read + 3));
    if (reply.size() < 2 || reply[0] != kFrameSync0 || reply[1] != kFrameSync1 ||
        request.size() < 4) {
      continue;
    }
    ExchangeOutcome outcome;
    outcome.command = static_cast<CommandCode>(request.at(3));
    std::copy_n(reply.begin(), std::min(reply.size(), outcome.reply.size()), outcome.reply.begin());
    InterpretReply(catalogue, static_cast<DeviceKind>(request.at(2)), outcome);
    for (const SettingValue& v : outcome.values.values) {
      const ControlRef* control = FindSettingControl(request.at(2), v.setting->name);
      if (control == nullptr || control->type != ControlType::TrackBar) continue;
      positions.at(static_cast<size_t>(control->number)) =
          std::clamp(v.value, TrackBar::kMin, TrackBar::kMax);
    }
  }
  return positions;
}

TEST_F(FaultsOverPty, ABabblingDeviceNeitherHangsTheToolNorPutsWrongValuesInThePanel) {
  Babbler device;
  ASSERT_FALSE(device.Name().empty());
  WriteChoice(device.Name());
  std::ostringstream log;
  context.loggedPort.SetLog(&log);
  const SliderPositions before = SliderPositionsOf(panel);
  const milliseconds startUp = Timed([&] { panel.Form1.Show(); });
  EXPECT_LT(startUp, milliseconds(10000));

  for (Button* button : {&panel.BitBtn4, &panel.BitBtn18, &panel.BitBtn19, &panel.BitBtn4}) {
    EXPECT_LT(Timed([&] { button->Click(); }), milliseconds(10000)) << button->Name();
  }
  for (const auto& box : boxes.shown) {
    EXPECT_FALSE(box.text.starts_with("Can't")) << box.text;
  }
  // Whatever it sent, only decoded numbers in range reached the fields.
  for (int n : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 14, 15, 16, 17, 18, 19}) {
    const std::string& text = panel.EditAt(n).Text();
    if (text.empty()) continue;
    const int32_t value = ParseFieldInteger(text);
    EXPECT_TRUE(value >= 0 && value <= 32) << "Edit" << n << " " << text;
  }
  EXPECT_EQ(SliderPositionsOf(panel), SliderPositionsAfter(log.str(), context.catalogue, before));
  context.loggedPort.SetLog(nullptr);
}

TEST_F(FaultsOverPty, APortLockedByALiveProgramIsNotOpened) {
  const std::string program = testing::SimulatorProgram();
  if (program.empty()) GTEST_SKIP() << "INTERCOM_SIM is not set";
  simulator_.emplace(program, std::vector<std::string>{"--kind", "splitter"});
  const std::string pty = simulator_->PortPath();
  ASSERT_FALSE(pty.empty());
  std::string lockName = pty.substr(5);
  std::replace(lockName.begin(), lockName.end(), '/', '_');
  std::ofstream(locks_.Path() + "/LCK.." + lockName) << std::setw(10) << getppid() << "\n";
  WriteChoice(pty);

  panel.Form1.Show();

  EXPECT_EQ(boxes.Texts(),
            (std::vector<std::string>{"Can't open port " + pty, "Can't get port state: 9"}));
  EXPECT_EQ(context.state.CurrentDevice, 0) << "no discovery ran";
}

TEST_F(FaultsOverPty, ZeroSpelledAnotherWayReachesTheDeviceAsNoAddress) {
  StartUp("switch");
  panel.Edit16.SetText("00");
  panel.Edit17.SetText("-0");
  panel.BitBtn2.Click();
  panel.Edit16.SetText("");
  panel.Edit17.SetText("");
  panel.BitBtn4.Click();
  EXPECT_EQ(panel.Edit16.Text(), "0");
  EXPECT_EQ(panel.Edit17.Text(), "0");
}

TEST_F(FaultsOverPty, ATallyTextThatIsNoNumberKeepsTheWholeWriteFromTheDevice) {
  StartUp("beltpack");
  ASSERT_EQ(panel.Edit15.Text(), "7");
  boxes.shown.clear();
  panel.Edit15.SetText("9");
  panel.Edit20.SetText("abc");

  panel.BitBtn2.Click();

  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"'abc' is not a valid integer value."});
  panel.BitBtn4.Click();
  EXPECT_EQ(panel.Edit15.Text(), "7") << "the address was written before the Tally failed";
}

TEST_F(FaultsOverPty, NamesThatAreNoSerialLineFailAtOpenQuickly) {
  const std::string huge(1 << 20, 'x');
  for (const std::string& name : {std::string("/dev/tty"), huge}) {
    boxes.shown.clear();
    WriteChoice(name);
    panel.Form1.Close();
    const milliseconds took = Timed([&] { panel.Form1.Show(); });
    EXPECT_LT(took, milliseconds(5000));
    ASSERT_EQ(boxes.shown.size(), 2u);
    const std::string shown = name.size() > 256 ? name.substr(0, 256) + "…" : name;
    EXPECT_EQ(boxes.shown[0].text, "Can't open port " + shown);
    EXPECT_TRUE(boxes.shown[1].text.starts_with("Can't get port state: "));
  }
}

TEST_F(FaultsOverPty, ACOMIniThatIsAFifoIsRefusedAtOnce) {
  ASSERT_EQ(mkfifo(context.portChoicePath.c_str(), 0600), 0);
  const milliseconds took = Timed([&] { panel.Form1.Show(); });
  EXPECT_LT(took, milliseconds(5000));
  EXPECT_TRUE(panel.Form1.Visible());
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"File access denied."});
  EXPECT_FALSE(port.IsOpen());
}

}  // namespace
}  // namespace intercom
