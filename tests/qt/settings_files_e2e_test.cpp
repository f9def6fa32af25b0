// The menu's settings file entries and exchange log in the windows, against
// the device simulator on a pty, held to what intercom-cli does on the same
// device.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QAction>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>

#include "controller/exchange_log.h"
#include "controller/handlers.h"
#include "controller/program_context.h"
#include "panel/device_pages.h"
#include "panel/message_boxes.h"
#include "qt/main_window.h"
#include "qt/window_observer.h"
#include "serial/pause.h"
#include "serial/posix_serial_port.h"
#include "tests/support/child_process.h"
#include "tests/support/lock_folder.h"
#include "tests/support/recording_file_chooser.h"
#include "tests/support/recording_message_boxes.h"
#include "tests/support/simulator_process.h"

namespace intercom::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The requests and replies of a trace, without their timestamps.
std::vector<std::string> Exchanges(const std::string& trace) {
  std::vector<std::string> exchanges;
  for (const std::string& line : LinesOf(trace)) {
    const std::string rest = line.substr(line.find(' ') + 1);
    if (rest.rfind("> ", 0) == 0 || rest.rfind("< ", 0) == 0) exchanges.push_back(rest);
  }
  return exchanges;
}

// The error box showing the one refusal intercom-cli says first, without its "error: ".
std::string RefusalBox(const std::string& err) {
  return ErrorText(LinesOf(err).at(0).substr(std::string("error: ").size()));
}

class SettingsFilesTest : public ::testing::Test {
 protected:
  // The simulator playing `kind` with `faults`, and the windows started on it.
  void Start(const std::string& kind, const std::vector<std::string>& faults = {}) {
    std::string pattern = (fs::temp_directory_path() / "intercom-files-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    scratch_ = pattern;
    std::vector<std::string> options{"--kind", kind, "--log-requests", scratch_ / "requests.log"};
    options.insert(options.end(), faults.begin(), faults.end());
    simulator_.emplace(SimulatorProgram(), options);
    ASSERT_FALSE(simulator_->PortPath().empty()) << "intercom-sim printed no port";
    previous_ = fs::current_path();
    fs::current_path(scratch_);
    std::ofstream("COM.ini", std::ios::binary) << simulator_->PortPath() << "\r\n";

    panel_.SetFileChooser(files_);
    context_.emplace(panel_, port_, SleepPause);
    BindHandlers(*context_);
    form1_.emplace(panel_);
    form2_.emplace(panel_);
    form3_.emplace(panel_);
    ObservePanel(panel_, *form1_, *form2_, *form3_, nullptr);
    panel_.Form1.Show();
    ASSERT_TRUE(!faults.empty() || boxes_.shown.empty()) << boxes_.shown.front().text;
    boxes_.shown.clear();
  }

  void TearDown() override {
    if (form1_) ForgetWindows(panel_);
    if (!previous_.empty()) fs::current_path(previous_);
    if (!scratch_.empty()) fs::remove_all(scratch_);
  }

  // A click on the entry of the menu "Настройки" named `name`.
  void Choose(const char* name) {
    QAction* entry = form1_->findChild<QAction*>(QString::fromLatin1(name));
    ASSERT_NE(entry, nullptr) << name;
    entry->trigger();
  }

  // intercom-cli with `args` on the simulator's port, once the window has let
  // go of it.
  Finished Cli(std::vector<std::string> args) {
    context_->port.Close();
    args.insert(args.begin(), INTERCOM_CLI_PROGRAM);
    args.insert(args.end(), {"-p", simulator_->PortPath()});
    ChildProcess cli(args, scratch_.string());
    return cli.Wait(30s);
  }

  // The write requests the simulator has had so far.
  size_t WritesSent() const {
    static const std::set<int> kWrites = {2, 4, 6, 9, 11};
    size_t writes = 0;
    for (const std::string& line : LinesOf(ReadFile(scratch_ / "requests.log"))) {
      std::istringstream fields(line);
      std::string field;
      for (int i = 0; i < 5 && fields >> field; ++i) {
        if (i == 4 && kWrites.count(std::stoi(field, nullptr, 16)) > 0) ++writes;
      }
    }
    return writes;
  }

  fs::path Write(const std::string& name, const std::string& text) {
    std::ofstream(scratch_ / name, std::ios::binary) << text;
    return scratch_ / name;
  }

  fs::path scratch_;
  fs::path previous_;
  std::optional<Simulator> simulator_;
  RecordingMessageBoxes boxes_;
  RecordingFileChooser files_;
  PanelModel panel_{boxes_, "intercom-config"};
  LockFolder locks_;
  PosixSerialPort port_{locks_.Path()};
  std::optional<ProgramContext> context_;
  std::optional<TForm1> form1_;
  std::optional<TForm2> form2_;
  std::optional<TForm3> form3_;
};

class SaveEachKind : public SettingsFilesTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(SaveEachKind, SavesWhatReadJsonPrints) {
  if (SimulatorProgram().empty()) GTEST_SKIP() << "INTERCOM_SIM is not set";
  Start(GetParam());
  const fs::path saved = scratch_ / "saved.json";
  files_.answers = {saved.string()};

  Choose("SaveSettings");

  ASSERT_EQ(files_.asked.size(), 1u);
  EXPECT_EQ(files_.asked[0].use, FileUse::Save);
  EXPECT_EQ(files_.asked[0].proposed, std::string(GetParam()) + ".json");
  ASSERT_EQ(boxes_.shown.size(), 1u);
  EXPECT_EQ(boxes_.shown[0].kind, MessageKind::Information);
  const Finished read = Cli({"read", "--json"});
  ASSERT_EQ(read.exitCode, 0) << read.err;
  EXPECT_EQ(ReadFile(saved), read.out);
}

INSTANTIATE_TEST_SUITE_P(Kinds, SaveEachKind,
                         ::testing::Values("subscriber", "splitter", "beltpack", "switch"));

TEST_F(SettingsFilesTest, AReadThatIsNotWholeSavesNothingAndSaysWhatWasNotRead) {
  if (SimulatorProgram().empty()) GTEST_SKIP() << "INTERCOM_SIM is not set";
  Start("splitter", {"--truncate-command", "ReadLevels:7"});
  files_.answers = {(scratch_ / "saved.json").string()};

  Choose("SaveSettings");

  EXPECT_TRUE(files_.asked.empty());
  EXPECT_FALSE(fs::exists(scratch_ / "saved.json"));
  ASSERT_FALSE(boxes_.shown.empty());
  EXPECT_EQ(boxes_.shown.back().kind, MessageKind::Error);
  EXPECT_EQ(boxes_.shown.back().text,
            "Устройство «Сплиттер» ответило не на все запросы чтения.\r\nНе считаны: "
            "Настройка уровней телефонных входов 1, Настройка уровней телефонных входов 2, "
            "Настройка уровней телефонных входов 3, Настройка уровней телефонных входов 4."
            "\r\nНичего не сохранено.");
}

TEST_F(SettingsFilesTest, WritesWhatDiffersAfterTheQuestionAndRefusesAnotherKind) {
  if (SimulatorProgram().empty()) GTEST_SKIP() << "INTERCOM_SIM is not set";
  Start("splitter");
  const fs::path settings = Write(
      "site.json", R"({"kind": "splitter", "address": 31, "input1": 0, "input2": 4, "input4": 9})");
  const fs::path other = Write("switch.json", R"({"kind": "switch", "line1": 1})");
  files_.answers = {settings.string(), other.string()};

  Choose("LoadSettings");

  ASSERT_EQ(boxes_.asked.size(), 1u);
  EXPECT_EQ(boxes_.asked[0].text,
            "Записать в устройство «Сплиттер» настройки из файла\r\n" + settings.string() +
                "\r\n\r\nнастройка: сейчас → будет\r\n"
                "Адрес абонента, подключенного к сплиттеру: 3 → 31\r\n"
                "Настройка уровней телефонных входов 1: 2 → 0\r\n"
                "Настройка уровней телефонных входов 4: 8 → 9\r\n\r\nЗаписать?");
  ASSERT_EQ(boxes_.shown.size(), 1u);
  EXPECT_EQ(boxes_.shown[0].kind, MessageKind::Information);
  EXPECT_EQ(boxes_.shown[0].text,
            "Адрес абонента, подключенного к сплиттеру: 3 → 31 — записано\r\n"
            "Настройка уровней телефонных входов 1: 2 → 0 — записано\r\n"
            "Настройка уровней телефонных входов 4: 8 → 9 — записано");
  // The page shows what the read back found.
  const int32_t splitter = static_cast<int32_t>(DeviceKind::Splitter);
  EXPECT_EQ(panel_.EditAt(FindSettingControl(splitter, "address")->number).Text(), "31");
  EXPECT_EQ(panel_.TrackBarAt(FindSettingControl(splitter, "input4")->number).Position(), 9);
  const size_t writes = WritesSent();
  EXPECT_GT(writes, 0u);

  Choose("LoadSettings");

  EXPECT_EQ(boxes_.asked.size(), 1u);
  ASSERT_EQ(boxes_.shown.size(), 2u);
  EXPECT_EQ(WritesSent(), writes);
  const Finished cli = Cli({"write", other.string()});
  // Another kind is input refused.
  EXPECT_EQ(cli.exitCode, 4);
  EXPECT_EQ(boxes_.shown[1].text, "В файле\r\n" + other.string() +
                                      "\r\nнастройки устройства «Коммутатор», а на порту " +
                                      simulator_->PortPath() + " ответило устройство «Сплиттер».");
  const Finished read = Cli({"read", "--json"});
  EXPECT_EQ(read.out,
            "{\n  \"kind\": \"splitter\",\n  \"address\": 31,\n  \"input1\": 0,\n"
            "  \"input2\": 4,\n  \"input3\": 6,\n  \"input4\": 9\n}\n");
}

TEST_F(SettingsFilesTest, BadFilesAndRefusedValuesSendNothingAndAreRefusedWhereTheCliRefusesThem) {
  if (SimulatorProgram().empty()) GTEST_SKIP() << "INTERCOM_SIM is not set";
  Start("beltpack");
  const std::vector<fs::path> refused = {
      Write("range.json", R"({"kind": "beltpack", "address": 1, "tally": 257})"),
      Write("float.json", R"({"kind": "beltpack", "volume": 1.5})"),
      Write("key.json", R"({"kind": "beltpack", "line1": 1})"),
      Write("nested.json", R"({"kind": "beltpack", "tally": [1]})"),
      scratch_ / "missing.json",
  };
  // Input refused, but a file that cannot be read.
  const std::vector<int> exitCodes = {4, 4, 4, 4, 1};
  // The command line's refusals in the window's words.
  const std::vector<std::string> boxes = {
      "Значения вне допустимых пределов:\r\nАдрес входа Tally: 257 — допустимо от 1 до "
      "256\r\nНичего не записано.",
      "«Регулировка громкости»: 1.5 — не целое число (допустимо от 0 до 16).",
      "«line1» — не настройка устройства «Напоясный блок».",
      "Для «Адрес входа Tally» ожидалось одно значение, а в файле список […].",
      "Такого файла нет.",
  };
  for (const fs::path& file : refused) files_.answers.push_back(file.string());

  for (size_t i = 0; i < refused.size(); ++i) Choose("LoadSettings");

  EXPECT_TRUE(boxes_.asked.empty());
  EXPECT_EQ(WritesSent(), 0u);
  ASSERT_EQ(boxes_.shown.size(), refused.size());
  for (size_t i = 0; i < refused.size(); ++i) {
    const Finished cli = Cli({"write", refused[i].string()});
    EXPECT_EQ(cli.exitCode, exitCodes[i]) << refused[i];
    // A file the command line cannot parse it refuses before it opens the port.
    const bool parsed = i == 0;
    EXPECT_EQ(boxes_.shown[i].kind, MessageKind::Error);
    EXPECT_EQ(
        boxes_.shown[i].text,
        parsed ? boxes[i] : "Файл настроек не принят\r\n" + refused[i].string() + "\r\n" + boxes[i])
        << refused[i];
  }
  EXPECT_EQ(WritesSent(), 0u);
}

TEST_F(SettingsFilesTest, TheLogHoldsWhatTraceHoldsAndItsFileIsRemembered) {
  if (SimulatorProgram().empty()) GTEST_SKIP() << "INTERCOM_SIM is not set";
  Start("switch");
  const fs::path log = scratch_ / "exchanges.log";
  files_.answers = {log.string(), (scratch_ / "saved.json").string()};

  Choose("ExchangeLog");
  EXPECT_TRUE(panel_.ExchangeLog.Checked());
  EXPECT_EQ(form1_->toolTip().toStdString(), "Журнал обмена: " + log.string());
  Choose("SaveSettings");
  // Each exchange is in the file once it is over.
  const std::string logged = ReadFile(log);
  Choose("ExchangeLog");
  EXPECT_FALSE(panel_.ExchangeLog.Checked());
  EXPECT_EQ(ReadFile(log), logged);

  const Finished read = Cli({"read", "--trace", (scratch_ / "trace.txt").string()});
  ASSERT_EQ(read.exitCode, 0) << read.err;
  const std::vector<std::string> exchanges = Exchanges(logged);
  EXPECT_FALSE(exchanges.empty());
  EXPECT_EQ(exchanges, Exchanges(ReadFile(scratch_ / "trace.txt")));

  // The file chosen is proposed the next time; choosing none leaves the log off.
  EXPECT_EQ(RememberedExchangeLog(kProgramSettingsFile), log.string());
  Choose("ExchangeLog");
  EXPECT_EQ(files_.asked.back().folder, scratch_.string());
  EXPECT_EQ(files_.asked.back().proposed, "exchanges.log");
  EXPECT_FALSE(panel_.ExchangeLog.Checked());
  EXPECT_FALSE(form1_->findChild<QAction*>(QStringLiteral("ExchangeLog"))->isChecked());

  // A file that cannot take the log is refused as --trace refuses it, and the log stays off.
  files_.answers = {scratch_.string()};
  Choose("ExchangeLog");
  EXPECT_FALSE(panel_.ExchangeLog.Checked());
  const Finished refused = Cli({"read", "--trace", scratch_.string()});
  ASSERT_FALSE(boxes_.shown.empty());
  EXPECT_EQ(boxes_.shown.back().text, RefusalBox(refused.err));
  EXPECT_EQ(RememberedExchangeLog(kProgramSettingsFile), log.string());
}

}  // namespace
}  // namespace intercom::testing
