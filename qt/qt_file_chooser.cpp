#include "qt/qt_file_chooser.h"

#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>
#include <QStringList>

namespace intercom {

std::optional<std::string> QtFileChooser::Choose(const FileRequest& request) {
  QStringList filters;
  for (const FileFilter& filter : request.filters) {
    filters << QString::fromStdString(FilterText(filter));
  }
  QString folder = QString::fromStdString(request.folder);
  if (folder.isEmpty()) {
    folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    // A desktop without a documents folder still has a home.
    if (!QDir(folder).exists()) folder = QDir::homePath();
  }
  QFileDialog dialog(nullptr, QString::fromStdString(request.caption), folder);
  dialog.setNameFilters(filters);
  dialog.setWindowModality(Qt::ApplicationModal);
  dialog.setFileMode(request.use == FileUse::Open ? QFileDialog::ExistingFile
                                                  : QFileDialog::AnyFile);
  dialog.setAcceptMode(request.use == FileUse::Open ? QFileDialog::AcceptOpen
                                                    : QFileDialog::AcceptSave);
  // A log is added to, never replaced, so choosing an existing one needs no question.
  dialog.setOption(QFileDialog::DontConfirmOverwrite, request.use == FileUse::Append);
  if (!request.defaultSuffix.empty()) {
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultSuffix));
  }
  if (!request.proposed.empty()) dialog.selectFile(QString::fromStdString(request.proposed));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().front().toStdString();
}

}  // namespace intercom
