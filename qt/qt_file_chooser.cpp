#include "qt/qt_file_chooser.h"

#include <QFileDialog>

namespace intercom {

std::optional<std::string> QtFileChooser::Choose(FileUse use, const std::string& caption,
                                                 const std::string& proposed) {
  QFileDialog dialog(nullptr, QString::fromStdString(caption), QString(),
                     use == FileUse::Append
                         ? QStringLiteral("Все файлы (*)")
                         : QStringLiteral("Файлы настроек (*.json);;Все файлы (*)"));
  dialog.setWindowModality(Qt::ApplicationModal);
  dialog.setFileMode(use == FileUse::Open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  dialog.setAcceptMode(use == FileUse::Open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
  // A log is added to, never replaced, so choosing an existing one needs no question.
  dialog.setOption(QFileDialog::DontConfirmOverwrite, use == FileUse::Append);
  if (use == FileUse::Save) dialog.setDefaultSuffix(QStringLiteral("json"));
  if (!proposed.empty()) dialog.selectFile(QString::fromStdString(proposed));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().front().toStdString();
}

}  // namespace intercom
