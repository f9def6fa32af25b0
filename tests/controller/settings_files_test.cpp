// The menu's settings file entries on a simulated device: what their boxes
// and questions say.
#include <algorithm>
#include <optional>

#include "tests/controller/controller_fixture.h"
#include "tests/support/recording_file_chooser.h"

namespace intercom {
namespace {

using testing::Bytes;
using testing::ControllerTest;

class SettingsFilesTest : public ControllerTest {
 protected:
  void SetUp() override {
    ControllerTest::SetUp();
    panel.SetFileChooser(files);
  }

  std::string File(const std::string& name, const std::string& text) {
    const std::filesystem::path path = scratch / name;
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
  }

  // Chooses "Записать настройки из файла…" on a file holding `text`.
  void Load(const std::string& text) {
    files.answers.push_back(File("site.json", text));
    panel.LoadSettings.Click();
  }

  // Answers every request as `device` does; `change` may alter a request
  // first, or answer it with nothing (a lost reply) or with a cut reply.
  void Answer(DeviceModel& device, std::function<std::optional<Bytes>(Bytes&)> change) {
    port.responder = [&device, change](const Bytes& frame) -> std::optional<Bytes> {
      Bytes request = frame;
      const std::optional<Bytes> changed = change(request);
      const std::optional<Bytes> reply = AnswerOf(device, request);
      if (changed && reply) return Bytes(reply->begin(), reply->begin() + changed->size());
      return reply;
    };
  }

  testing::RecordingFileChooser files;
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  lines.push_back(text.substr(start));
  return lines;
}

// `text` without every `allowed` in it holds no Latin letter.
bool SpeaksRussian(std::string text, const std::vector<std::string>& allowed) {
  for (const std::string& word : allowed) {
    if (word.empty()) continue;
    for (size_t at; (at = text.find(word)) != std::string::npos;) text.erase(at, word.size());
  }
  return std::none_of(text.begin(), text.end(),
                      [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); });
}

TEST_F(SettingsFilesTest, EveryTextOfASaveAQuestionARefusalAndAResultIsRussian) {
  DeviceModel set(DeviceKind::SubscriberSet);
  Attach(set);
  files.answers = {File("saved.json", ""), File("switch.json", R"({"kind":"switch","line1":1})"),
                   File("range.json", R"({"kind":"subscriber","key4":40})")};

  panel.SaveSettings.Click();
  panel.LoadSettings.Click();
  panel.LoadSettings.Click();
  Load(R"({"kind":"subscriber","key3":25,"studio":true})");

  ASSERT_EQ(boxes.asked.size(), 1u);
  EXPECT_EQ(boxes.asked[0].text,
            "Записать в устройство «Абонентский комплект» настройки из файла\r\n" +
                (scratch / "site.json").string() +
                "\r\n\r\nнастройка: сейчас → будет\r\nАдреса абонентов 3: 3 → 25\r\n"
                "Устройство работает в студии: нет → да\r\n\r\nЗаписать?");
  ASSERT_EQ(boxes.shown.size(), 4u);
  EXPECT_EQ(boxes.shown[0].text,
            "Настройки устройства «Абонентский комплект» сохранены в файл\r\n" +
                (scratch / "saved.json").string());
  EXPECT_EQ(boxes.shown[2].text,
            "Значения вне допустимых пределов:\r\nАдреса абонентов 4: 40 — допустимо от 0 до "
            "32\r\nНичего не записано.");
  EXPECT_EQ(boxes.shown[3].text,
            "Адреса абонентов 3: 3 → 25 — записано\r\n"
            "Устройство работает в студии: нет → да — записано");
  std::vector<std::string> texts = boxes.Texts();
  texts.push_back(boxes.asked[0].text);
  for (const FileRequest& question : files.asked) texts.push_back(question.caption);
  std::vector<std::string> paths;
  for (const char* name : {"saved.json", "switch.json", "range.json", "site.json"}) {
    paths.push_back((scratch / name).string());
  }
  for (const std::string& text : texts) {
    EXPECT_TRUE(SpeaksRussian(text, paths)) << text;
  }
}

TEST_F(SettingsFilesTest, EachSettingAWriteChangedHasOneLineWithOneOfThreeVerdicts) {
  DeviceModel set(DeviceKind::SubscriberSet);
  Answer(set, [](Bytes& request) -> std::optional<Bytes> {
    if (request.at(3) == static_cast<uint8_t>(CommandCode::WriteDeviceAddress)) return Bytes{};
    return std::nullopt;
  });
  Load(R"({"kind":"subscriber","key3":25,"studio":true,"device_address":9})");

  DeviceModel splitter(DeviceKind::Splitter);
  bool written = false;
  Answer(splitter, [&written](Bytes& request) -> std::optional<Bytes> {
    const auto command = static_cast<CommandCode>(request.at(3));
    if (command == CommandCode::SetLevel) return Bytes{};
    written = written || command == CommandCode::WriteSettings;
    if (written && command == CommandCode::ReadSettings) return Bytes(7);
    return std::nullopt;
  });
  Load(R"({"kind":"splitter","address":9,"input1":5})");

  ASSERT_EQ(boxes.shown.size(), 2u);
  EXPECT_EQ(boxes.shown[0].text,
            "Адреса абонентов 3: 3 → 25 — записано\r\n"
            "Устройство работает в студии: нет → да — записано\r\n"
            "Адрес устройства: 5 → 9 — не записано: устройство не подтвердило запись.");
  EXPECT_EQ(boxes.shown[1].text,
            "Адрес абонента, подключенного к сплиттеру: 3 → 9 — ответ получен, не проверено\r\n"
            "Настройка уровней телефонных входов 1: 2 → 5 — не записано: устройство не ответило "
            "на запрос целиком\r\n"
            "Настройки после записи считаны не полностью, не считаны: Адрес абонента, "
            "подключенного к сплиттеру.");
  // Each changed setting once, each with one verdict.
  std::vector<size_t> verdicts;
  for (const testing::ShownBox& box : boxes.shown) {
    EXPECT_EQ(box.kind, MessageKind::Error);
    verdicts.push_back(0);
    for (const std::string& line : Lines(box.text)) {
      const size_t dash = line.find(" — ");
      if (dash == std::string::npos) continue;
      const std::string verdict = line.substr(dash + std::string(" — ").size());
      EXPECT_TRUE(verdict == "записано" || verdict == "ответ получен, не проверено" ||
                  verdict.starts_with("не записано: "))
          << line;
      ++verdicts.back();
    }
  }
  EXPECT_EQ(verdicts, (std::vector<size_t>{3, 2}));
}

TEST_F(SettingsFilesTest, AValueARequestReSentThatReadsBackDifferentIsNamed) {
  DeviceModel beltPack(DeviceKind::BeltPack);
  std::optional<Bytes> lastWrite;
  // Stores a re-sent WriteSettings with its address one off.
  Answer(beltPack, [&lastWrite](Bytes& request) -> std::optional<Bytes> {
    if (request.at(3) != static_cast<uint8_t>(CommandCode::WriteSettings)) return std::nullopt;
    const Bytes payload(request.begin() + kPayloadOffset, request.end());
    if (payload == lastWrite) request.at(kPayloadOffset) ^= 1;
    lastWrite = payload;
    return std::nullopt;
  });

  Load(R"({"kind":"beltpack","tally":9})");
  Load(R"({"kind":"beltpack","tally":10})");

  ASSERT_EQ(boxes.shown.size(), 2u);
  EXPECT_EQ(boxes.shown[0].kind, MessageKind::Information);
  EXPECT_EQ(boxes.shown[1].kind, MessageKind::Error);
  EXPECT_EQ(boxes.shown[1].text,
            "Адрес входа Tally: 9 → 10 — записано\r\n"
            "Адрес абонента, подключенного к сплиттеру: значение не менялось, но устройство "
            "теперь хранит 8 (было 7)");
}

// Each way a file is refused, said in Russian: settings by their labels,
// kinds by their captions. Latin letters only in the path and in a key or
// value quoted as the file writes it; the command line's English lines stay
// (its own tests). A file that opens but cannot be read needs a user that
// permissions hold back, so it is left out here.
TEST_F(SettingsFilesTest, EveryRefusedFileIsSaidInRussian) {
  DeviceModel set(DeviceKind::SubscriberSet);
  Attach(set);
  struct Refused {
    std::string name;
    std::optional<std::string> text;  // none: nothing at the path
    std::string quoted;               // a key or value the box quotes from the file
    std::string why;
  };
  std::filesystem::create_directory(scratch / "folder.json");
  const std::vector<Refused> cases = {
      {"missing.json", std::nullopt, "", "Такого файла нет."},
      {"folder.json", std::nullopt, "", "Это не обычный файл, а папка, устройство или канал."},
      {"big.json", std::string((1 << 20) + 1, ' '), "",
       "Файл больше 1 МиБ: файлы настроек не бывают такими большими."},
      {"words.json", "hello", "", "Ошибка в тексте файла в байте 1."},
      {"comma.json", R"({"kind":"subscriber","key3":3 "key4":4})", "",
       "Ошибка в тексте файла в байте 36 (после значения «Адреса абонентов 3»)."},
      {"value.json", R"({"kind":"subscriber","key3":tru})", "",
       "Значение «Адреса абонентов 3» записано с ошибкой (байт 32)."},
      {"array.json", "[1]", "", "Файл должен содержать один объект в фигурных скобках {…}."},
      {"nested.json", R"({"kind":"subscriber","key3":[1]})", "",
       "Для «Адреса абонентов 3» ожидалось одно значение, а в файле список […]."},
      {"zero-byte.json", std::string(R"({"kind":"subscriber","key1":6})") + '\0' + "{}", "",
       "Байт 31 нулевой: в тексте его быть не может."},
      {"utf8.json", "{\"kind\":\"subscriber\",\"key3\":\"\xFF\"}", "",
       "Байт 30 (в значении «Адреса абонентов 3») не входит ни в один символ: текст должен "
       "быть в юникоде."},
      {"twice.json", R"({"kind":"subscriber","key3":1,"key3":2})", "",
       "«Адреса абонентов 3» встречается в файле дважды."},
      {"twice-first.json", R"({"key9":1,"key9":2,"kind":"subscriber"})", "key9",
       "«key9» встречается в файле дважды."},
      {"half.json", R"({"kind":"subscriber","key3":1.5})", "",
       "«Адреса абонентов 3»: 1.5 — не целое число (допустимо от 0 до 32)."},
      {"huge.json", R"({"kind":"subscriber","key3":1e999})", "1e999",
       "«Адреса абонентов 3»: 1e999 — не целое число (допустимо от 0 до 32)."},
      {"wrapped.json", R"({"kind":"subscriber","key3":4294967295})", "",
       "«Адреса абонентов 3»: 4294967295 — не целое число (допустимо от 0 до 32)."},
      {"nokind.json", R"({"key3":1})", "",
       "В файле не указано, для какого устройства эти настройки."},
      {"router.json", R"({"kind":"router"})", "router",
       "Устройство \"router\" программе не известно."},
      {"switch.json", R"({"kind":"switch","key3":1})", "key3",
       "«key3» — не настройка устройства «Коммутатор»."},
  };
  for (const Refused& refused : cases) {
    const std::filesystem::path path = scratch / refused.name;
    if (refused.text) std::ofstream(path, std::ios::binary) << *refused.text;
    files.answers.push_back(path.string());
    panel.LoadSettings.Click();
  }

  EXPECT_TRUE(boxes.asked.empty());
  ASSERT_EQ(boxes.shown.size(), cases.size());
  for (size_t i = 0; i < cases.size(); ++i) {
    const std::string path = (scratch / cases[i].name).string();
    EXPECT_EQ(boxes.shown[i].kind, MessageKind::Error);
    EXPECT_EQ(boxes.shown[i].text, "Файл настроек не принят\r\n" + path + "\r\n" + cases[i].why);
    EXPECT_TRUE(SpeaksRussian(boxes.shown[i].text, {path, cases[i].quoted})) << boxes.shown[i].text;
  }
}

}  // namespace
}  // namespace intercom
