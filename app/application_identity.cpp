#include "app/application_identity.h"

#include <QApplication>
#include <QDir>
#include <QIcon>

namespace intercom {

void SetApplicationIdentity() {
  QApplication::setApplicationVersion(INTERCOM_VERSION);
  QApplication::setDesktopFileName(kDesktopFileName);
  // Every size rendered from the icon drawing, so no size is scaled from another.
  QIcon icon;
  for (const QString& name : QDir(":/icons").entryList(QDir::Files)) {
    icon.addFile(":/icons/" + name);
  }
  QApplication::setWindowIcon(icon);
}

}  // namespace intercom
