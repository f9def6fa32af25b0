// The four device pages of TForm1. Controls are made in tab order; positions
// on a page are from the page's top left corner, positions in a group box from
// the box's own top left corner, frame and caption included.
#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QSlider>
#include <optional>

#include "qt/main_window.h"
#include "qt/picture/embedded_picture.h"
#include "qt/picture/jpeg_image.h"

namespace intercom {
namespace {

// The subscriber set's front panel for the highest device pixel ratio of the
// screens, or an empty pixmap when it cannot be decoded. Above one device
// pixel a pixel it comes from the picture drawn at twice the resolution,
// smoothly resampled to the ratio where that is not 2, never scaled up from
// the plain one.
QPixmap SubscriberSetPixmap() {
  const qreal ratio = qGuiApp->devicePixelRatio();
  const bool dense = ratio > 1.0;
  const std::optional<RgbImage> image =
      DecodeJpeg(dense ? SubscriberSetPictureDouble() : SubscriberSetPicture());
  if (!image) return {};
  const QImage view(image->rgb.data(), image->width, image->height, image->width * 3,
                    QImage::Format_RGB888);
  if (!dense) return QPixmap::fromImage(view.copy());
  const QSize logical(image->width / 2, image->height / 2);
  QPixmap pixmap = QPixmap::fromImage(ratio == 2.0 ? view.copy()
                                                   : view.scaled((QSizeF(logical) * ratio).toSize(),
                                                                 Qt::IgnoreAspectRatio,
                                                                 Qt::SmoothTransformation));
  pixmap.setDevicePixelRatio(ratio);
  return pixmap;
}

QString Numbered(const QString& text, int n) {
  return text + QLatin1Char(' ') + QString::number(n);
}

// One row of a level group: the model's buttons and slider and the top they share.
struct LevelRow {
  Button* down;
  TrackBar* bar;
  Button* up;
  int top;
};

}  // namespace

void TForm1::BuildSubscriberSetPage(QWidget* page) {
  auto* picture = new QLabel(page);
  picture->setObjectName(QStringLiteral("Image1"));
  picture->setGeometry(0, 64, 769, 281);
  picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  picture->setPixmap(SubscriberSetPixmap());
  const QString keys = QStringLiteral("Адреса абонентов");
  NewLabel(page, "Label2", {16, 361, 122, 16}, keys, 15);
  AddStatic(NewLabel(page, "Label1", {16, 16, 221, 13},
                     QStringLiteral("Адрес устройства должен соответствовать")),
            panel_.Label1);
  AddStatic(NewLabel(page, "Label4", {16, 32, 239, 13},
                     QStringLiteral("номеру порта, в который включено устройство")),
            panel_.Label4);

  for (int n = 1; n <= 10; ++n) {
    AddEdit(page, panel_.EditAt(n), {152 + 64 * (n - 1), 360, 41, 21}, Numbered(keys, n));
  }
  studio_ = new QCheckBox(QStringLiteral("Устройство работает в студии"), page);
  studio_->setObjectName(QStringLiteral("CheckBox1"));
  studio_->setGeometry(528, 24, 233, 17);
  studio_->setFont(PanelFont(15));
  tabOrder_.push_back(studio_);
  views_.Add(panel_.CheckBox1, [this] { ShowChecked(*studio_, panel_.CheckBox1); });
  AddEdit(page, panel_.Edit11, {264, 24, 41, 21}, QStringLiteral("Адрес устройства"));
  AddButton(page, panel_.BitBtn1, {312, 24, 153, 25}, QStringLiteral("Изменить адрес устройства"));
}

void TForm1::BuildSplitterPage(QWidget* page) {
  NewLabel(page, "Image2", {16, 48, 473, 329}, QString());

  QGroupBox* address = NewGroupBox(page, "GroupBox1", {504, 48, 225, 97}, QString());
  AddContainer(address, panel_.GroupBox1);
  NewLabel(address, "Label6", {72, 16, 84, 13}, QStringLiteral("Адрес абонента,"));
  NewLabel(address, "Label7", {40, 32, 144, 13}, QStringLiteral(" подключенного к сплиттеру"));
  AddEdit(address, panel_.Edit14, {56, 56, 121, 21},
          QStringLiteral("Адрес абонента, подключенного к сплиттеру"));

  const QString what = QStringLiteral("Настройка уровней телефонных входов");
  QGroupBox* levels = NewGroupBox(page, "GroupBox2", {504, 160, 225, 217}, what);
  AddContainer(levels, panel_.GroupBox2);
  const LevelRow rows[] = {{&panel_.BitBtn8, &panel_.TrackBar1, &panel_.BitBtn7, 24},
                           {&panel_.BitBtn10, &panel_.TrackBar2, &panel_.BitBtn9, 72},
                           {&panel_.BitBtn12, &panel_.TrackBar3, &panel_.BitBtn11, 120},
                           {&panel_.BitBtn6, &panel_.TrackBar4, &panel_.BitBtn13, 168}};
  // Tab order: the four sliders, then "+" and "-" of each row in turn.
  for (int i = 0; i < 4; ++i) {
    AddTrackBar(levels, *rows[i].bar, {40, rows[i].top, 150, 45}, Numbered(what, i + 1));
  }
  for (int i = 0; i < 4; ++i) {
    AddStepButton(levels, *rows[i].up, {192, rows[i].top, 25, 25}, true, Numbered(what, i + 1));
    AddStepButton(levels, *rows[i].down, {8, rows[i].top, 25, 25}, false, Numbered(what, i + 1));
  }
}

void TForm1::BuildBeltPackPage(QWidget* page) {
  NewLabel(page, "Image3", {8, 32, 497, 350}, QString());

  QGroupBox* address = NewGroupBox(page, "GroupBox3", {528, 32, 225, 105}, QString());
  AddContainer(address, panel_.GroupBox3);
  NewLabel(address, "Label3", {72, 16, 87, 13}, QStringLiteral("Адрес абонента, "));
  NewLabel(address, "Label5", {48, 32, 141, 13}, QStringLiteral("подключенного к сплиттеру"));
  AddEdit(address, panel_.Edit15, {56, 56, 121, 21},
          QStringLiteral("Адрес абонента, подключенного к сплиттеру"));

  const QString what = QStringLiteral("Регулировка громкости");
  QGroupBox* volume = NewGroupBox(page, "GroupBox4", {528, 152, 233, 105}, what);
  AddContainer(volume, panel_.GroupBox4);
  AddTrackBar(volume, panel_.TrackBar5, {40, 40, 150, 45}, what);
  AddStepButton(volume, panel_.BitBtn15, {200, 40, 25, 25}, true, what);
  AddStepButton(volume, panel_.BitBtn16, {8, 40, 25, 25}, false, what);

  QGroupBox* tally = NewGroupBox(page, "GroupBox7", {528, 280, 233, 97}, QString());
  AddContainer(tally, panel_.GroupBox7);
  NewLabel(tally, "Label8", {72, 24, 88, 13}, QStringLiteral("Адрес входа Tally"));
  AddEdit(tally, panel_.Edit20, {56, 56, 121, 21}, QStringLiteral("Адрес входа Tally"));
}

void TForm1::BuildSwitchPage(QWidget* page) {
  const QString lines = QStringLiteral("Адреса абонентов телефонных линий");
  QGroupBox* addresses = NewGroupBox(page, "GroupBox5", {496, 24, 257, 153}, lines);
  AddContainer(addresses, panel_.GroupBox5);
  for (int i = 0; i < 4; ++i) {
    AddEdit(addresses, panel_.EditAt(16 + i), {72, 24 + 32 * i, 121, 21}, Numbered(lines, i + 1));
  }

  const QString what = QStringLiteral("Установка уровней громкости телефонов");
  QGroupBox* volumes = NewGroupBox(page, "GroupBox6", {496, 184, 257, 193}, what);
  AddContainer(volumes, panel_.GroupBox6);
  const LevelRow rows[] = {{&panel_.BitBtn14, &panel_.TrackBar6, &panel_.BitBtn17, 24},
                           {&panel_.BitBtn20, &panel_.TrackBar7, &panel_.BitBtn21, 64},
                           {&panel_.BitBtn22, &panel_.TrackBar8, &panel_.BitBtn23, 104},
                           {&panel_.BitBtn24, &panel_.TrackBar9, &panel_.BitBtn25, 144}};
  for (int i = 0; i < 4; ++i) {
    AddStepButton(volumes, *rows[i].down, {16, rows[i].top, 25, 25}, false, Numbered(what, i + 1));
    // The third row's "+" is two pixels wider than the others.
    const int upWidth = i == 2 ? 27 : 25;
    AddStepButton(volumes, *rows[i].up, {216, rows[i].top, upWidth, 25}, true,
                  Numbered(what, i + 1));
  }
  // The sliders belong to the page and lie in front of the group, each in the
  // row of its buttons (the group's top plus the row's top).
  for (int i = 0; i < 4; ++i) {
    AddTrackBar(page, *rows[i].bar, {552, 184 + rows[i].top, 150, 45}, Numbered(what, i + 1));
  }
}

}  // namespace intercom
