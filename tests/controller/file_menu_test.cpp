// The menu's file entries on fakes: what the file dialogs are asked, the
// exchange log's lines and files.
#include "controller/exchange_log.h"
#include "tests/controller/file_menu_fixture.h"

namespace intercom::testing {
namespace {

TEST_F(FileMenuTest, SettingsDialogsOfferSettingsFilesAndOpenWhereTheLastFileWasChosen) {
  const std::string saved = (scratch / "site" / "subscriber.json").string();
  std::filesystem::create_directory(scratch / "site");
  files.answers = {saved};

  panel.SaveSettings.Click();
  panel.LoadSettings.Click();

  ASSERT_EQ(files.asked.size(), 2u);
  const std::vector<std::string> settingsFilters{"Настройки устройства (*.json)", "Все файлы (*)"};
  for (const FileRequest& asked : files.asked) {
    std::vector<std::string> filters;
    for (const FileFilter& filter : asked.filters) filters.push_back(FilterText(filter));
    EXPECT_EQ(filters, settingsFilters);
  }
  // The first opens in the user's documents folder, the second where the first chose.
  EXPECT_EQ(files.asked[0].use, FileUse::Save);
  EXPECT_EQ(files.asked[0].folder, "");
  EXPECT_EQ(files.asked[0].defaultSuffix, "json");
  EXPECT_EQ(files.asked[1].use, FileUse::Open);
  EXPECT_EQ(files.asked[1].folder, (scratch / "site").string());
  EXPECT_EQ(FileText(saved).substr(0, 24), "{\n  \"kind\": \"subscriber\"");
}

TEST_F(FileMenuTest, LogLinesCarryTheLocalTimeToTheMillisecondAndEachDaysDate) {
  const std::string log = (scratch / "exchanges.log").string();
  files.answers = {log};
  times = {{2026, 12, 7, 23, 59, 59, 998}, {2026, 12, 8, 0, 0, 0, 4}, {2026, 12, 8, 0, 0, 0, 17}};

  panel.ExchangeLog.Click();
  panel.BitBtn19.Click();

  ASSERT_EQ(files.asked.size(), 1u);
  std::vector<std::string> filters;
  for (const FileFilter& filter : files.asked[0].filters) filters.push_back(FilterText(filter));
  EXPECT_EQ(filters, (std::vector<std::string>{"Журнал (*.log *.txt)", "Все файлы (*)"}));
  const std::vector<std::string> lines = LinesOf(FileText(log));
  ASSERT_GE(lines.size(), 5u);
  EXPECT_EQ(lines[0], "2026-12-07");
  EXPECT_EQ(lines[1].substr(0, 24), "23:59:59.998 > E2 E4 01 ");
  EXPECT_EQ(lines[2], "2026-12-08");
  EXPECT_EQ(lines[3].substr(0, 24), "00:00:00.004 < E2 E4 01 ");
  EXPECT_EQ(lines[4].substr(0, 15), "00:00:00.017 > ");
}

TEST_F(FileMenuTest, ChoosingAnotherLogMovesTheLogToIt) {
  const std::string first = (scratch / "first.log").string();
  const std::string second = (scratch / "second.txt").string();
  files.answers = {first, second};

  panel.ExchangeLog.Click();
  panel.BitBtn19.Click();
  panel.ExchangeLog.Click();
  const std::string firstText = FileText(first);
  panel.ExchangeLog.Click();
  panel.BitBtn19.Click();

  ASSERT_EQ(files.asked.size(), 2u);
  EXPECT_EQ(files.asked[1].folder, scratch.string());
  EXPECT_EQ(files.asked[1].proposed, "first.log");
  EXPECT_NE(firstText.find(" > E2 E4"), std::string::npos);
  EXPECT_EQ(FileText(first), firstText);
  EXPECT_NE(FileText(second).find(" > E2 E4"), std::string::npos);
  EXPECT_EQ(panel.Form1.Hint(), "Журнал обмена: " + second);
  EXPECT_EQ(RememberedExchangeLog(context.programSettingsPath), second);
}

}  // namespace
}  // namespace intercom::testing
