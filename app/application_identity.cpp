#include "app/application_identity.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QIconEngine>
#include <QPainter>
#include <QPixmap>
#include <optional>
#include <utility>

namespace intercom {
namespace {

// The rendered PNGs, one per size. Their sizes come from their names
// (intercom-config-<side>.png), and the pictures are decoded only when a
// window first asks for one: setting the application's icon then costs the
// start-up nothing.
class RenderedIconEngine final : public QIconEngine {
 public:
  explicit RenderedIconEngine(QStringList files) : files_(std::move(files)) {}

  QIconEngine* clone() const override { return new RenderedIconEngine(files_); }

  QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
    QList<QSize> sizes;
    for (const QString& file : files_) {
      const QString stem = file.section(QLatin1Char('.'), 0, 0);
      bool number = false;
      const int side = stem.section(QLatin1Char('-'), -1).toInt(&number);
      if (number) sizes.append(QSize(side, side));
    }
    return sizes;
  }

  QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    return Decoded().actualSize(size, mode, state);
  }

  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    return Decoded().pixmap(size, 1.0, mode, state);
  }

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
    Decoded().paint(painter, rect, Qt::AlignCenter, mode, state);
  }

 private:
  // Every size, so that no size is scaled from another.
  const QIcon& Decoded() {
    if (!decoded_) {
      decoded_.emplace();
      for (const QString& file : files_) decoded_->addFile(file);
    }
    return *decoded_;
  }

  QStringList files_;
  std::optional<QIcon> decoded_;
};

}  // namespace

void SetApplicationIdentity() {
  QApplication::setApplicationVersion(INTERCOM_VERSION);
  QApplication::setDesktopFileName(kDesktopFileName);
  QStringList files;
  for (const QString& name : QDir(QStringLiteral(":/icons")).entryList(QDir::Files)) {
    files.append(QStringLiteral(":/icons/") + name);
  }
  QApplication::setWindowIcon(QIcon(new RenderedIconEngine(files)));
}

}  // namespace intercom
