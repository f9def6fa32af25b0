// The menu's file entries on files only POSIX has: a FIFO, devices.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "controller/exchange_log.h"
#include "tests/controller/file_menu_fixture.h"

namespace intercom::testing {
namespace {

TEST_F(FileMenuTest, AFifoOrADeviceIsRefusedAsTheLogWithoutBeingOpened) {
  const std::string fifo = (scratch / "fifo.log").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  // With a reader waiting, a FIFO opened by mistake would not block the test but take the log.
  const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  files.answers = {fifo, std::string("/dev/null")};

  panel.ExchangeLog.Click();
  panel.ExchangeLog.Click();
  panel.BitBtn19.Click();

  char byte = 0;
  EXPECT_LE(read(reader, &byte, 1), 0);
  close(reader);
  EXPECT_FALSE(panel.ExchangeLog.Checked());
  EXPECT_EQ(boxes.shown.size(), 2u);
  for (const ShownBox& box : boxes.shown) EXPECT_EQ(box.kind, MessageKind::Error);
  ASSERT_GE(boxes.shown.size(), 2u);
  EXPECT_EQ(boxes.shown[0].text, ErrorText(fifo + ": not a regular file"));
  EXPECT_EQ(boxes.shown[1].text, ErrorText("/dev/null: not a regular file"));
  EXPECT_EQ(RememberedExchangeLog(context.programSettingsPath), "");
  EXPECT_EQ(panel.Form1.Hint(), "");
}

// Only a regular file is replaced; the settings file's own tests cover a disk
// that fills up under the replacement.
TEST_F(FileMenuTest, ASaveThatFailsSaysSoWithTheReason) {
  files.answers = {std::string("/dev/full")};

  panel.SaveSettings.Click();

  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].kind, MessageKind::Error);
  EXPECT_EQ(boxes.shown[0].text, ErrorText("Настройки не сохранены в файл\r\n/dev/full\r\n" +
                                           std::system_category().message(EACCES)));
}

}  // namespace
}  // namespace intercom::testing
