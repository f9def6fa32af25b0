// The Qt file dialog against the request: its type list and its folder.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <optional>

#include "qt/qt_file_chooser.h"
#include "tests/support/temp_dir.h"

namespace intercom::testing {
namespace {

struct SeenDialog {
  QStringList filters;
  std::string filter;
  std::string folder;
};

// Asks `chooser` with `request` and returns what the dialog showed, after cancelling it.
std::optional<SeenDialog> AskAndCancel(const FileRequest& request) {
  std::optional<SeenDialog> seen;
  QTimer poll;
  poll.setInterval(10);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr || !dialog->isVisible()) return;
    poll.stop();
    seen = SeenDialog{dialog->nameFilters(), dialog->selectedNameFilter().toStdString(),
                      dialog->directory().absolutePath().toStdString()};
    dialog->reject();
  });
  poll.start();
  QtFileChooser chooser;
  EXPECT_EQ(chooser.Choose(request), std::nullopt);
  return seen;
}

class QtFileChooserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scratch_ = MakeTempDir("intercom-chooser");
    ASSERT_FALSE(scratch_.empty());
    // The desktop's documents folder, as the user's folder list names it.
    documents_ = scratch_ / "Документы";
    std::filesystem::create_directories(documents_);
    std::filesystem::create_directories(scratch_ / "config");
    std::ofstream(scratch_ / "config" / "user-dirs.dirs")
        << "XDG_DOCUMENTS_DIR=\"" << documents_.string() << "\"\n";
    if (const char* old = getenv("XDG_CONFIG_HOME")) oldConfig_ = old;
    setenv("XDG_CONFIG_HOME", (scratch_ / "config").c_str(), 1);
  }
  void TearDown() override {
    if (oldConfig_) {
      setenv("XDG_CONFIG_HOME", oldConfig_->c_str(), 1);
    } else {
      unsetenv("XDG_CONFIG_HOME");
    }
    std::error_code ignored;
    std::filesystem::remove_all(scratch_, ignored);
  }

  std::filesystem::path scratch_;
  std::filesystem::path documents_;
  std::optional<std::string> oldConfig_;
};

TEST_F(QtFileChooserTest, OffersTheRequestsTypesAndOpensInItsFolderElseInDocuments) {
  FileRequest request;
  request.use = FileUse::Open;
  request.caption = "Записать настройки из файла";
  request.filters = {{"Настройки устройства", {"*.json"}}, {"Все файлы", {"*"}}};
  request.folder = scratch_.string();

  const std::optional<SeenDialog> inFolder = AskAndCancel(request);
  request.folder.clear();
  const std::optional<SeenDialog> inDocuments = AskAndCancel(request);

  ASSERT_TRUE(inFolder.has_value());
  EXPECT_EQ(inFolder->filters, (QStringList{QStringLiteral("Настройки устройства (*.json)"),
                                            QStringLiteral("Все файлы (*)")}));
  EXPECT_EQ(inFolder->filter, "Настройки устройства (*.json)");
  EXPECT_EQ(inFolder->folder, scratch_.string());
  ASSERT_TRUE(inDocuments.has_value());
  EXPECT_EQ(inDocuments->folder, documents_.string());
}

}  // namespace
}  // namespace intercom::testing
