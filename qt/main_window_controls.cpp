// The controls of TForm1, made from the control table and joined to the
// model's controls of the same names.
#include <QAccessible>
#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <optional>
#include <string_view>

#include "panel/model_controls.h"
#include "qt/input_block.h"
#include "qt/main_window.h"
#include "qt/page_tabs_accessible.h"
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

}  // namespace

QWidget* TForm1::BuildControl(QWidget* parent, const ControlLayout& control) {
  const std::string_view name = control.name;
  const Place place = PlaceOf(control);
  switch (control.kind) {
    case ViewKind::PageControl:
      // Qt keeps accessibility factories for the process; one entry serves every tab bar.
      [[maybe_unused]] static const bool installed = [] {
        QAccessible::installFactory(PageTabsAccessible);
        return true;
      }();
      pages_ = new QTabWidget(parent);
      pages_->setObjectName(Utf8(control.name));
      pages_->setGeometry(place.left, place.top, place.width, place.height);
      tabOrder_.push_back(pages_);
      views_.Add(panel_.PageControl1, [this] {
        const int page = panel_.PageControl1.ActivePage();
        pages_->setCurrentIndex(page == PageControl::kNoPage ? NoPageTab() : page);
        ShowContainerEnabled(*pages_, panel_.PageControl1.Enabled());
      });
      return pages_;
    case ViewKind::Page:
      return BuildPage(control);
    case ViewKind::GroupBox:
      return AddContainer(NewGroupBox(parent, control.name, place, Utf8(control.caption)),
                          ModelControlOf<StaticControl>(panel_, name));
    case ViewKind::Label: {
      QLabel* label =
          NewLabel(parent, control.name, place, Utf8(control.caption), control.fontPixels);
      // Only the two hints above the device address change with the model.
      if (name == "Label1") AddStatic(label, panel_.Label1);
      if (name == "Label4") AddStatic(label, panel_.Label4);
      return nullptr;
    }
    case ViewKind::Picture: {
      // The subscriber set's page shows its front panel; the other frames stay empty.
      QLabel* picture = NewLabel(parent, control.name, place, QString());
      if (name == "Image1") {
        picture->setGeometry(place.left, place.top, place.width, place.height);
        picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        picture->setPixmap(SubscriberSetPixmap());
      }
      return nullptr;
    }
    case ViewKind::Edit:
      AddEdit(parent, ModelControlOf<TextField>(panel_, name), place, Utf8(control.accessibleName));
      return nullptr;
    case ViewKind::Trace:
      AddTrace(parent, ModelControlOf<TextField>(panel_, name), place,
               Utf8(control.accessibleName));
      return nullptr;
    case ViewKind::Button:
      AddButton(parent, ModelControlOf<Button>(panel_, name), place, Utf8(control.caption));
      return nullptr;
    case ViewKind::StepButton:
      AddStepButton(parent, ModelControlOf<Button>(panel_, name), place, control.up,
                    Utf8(control.accessibleName));
      return nullptr;
    case ViewKind::TrackBar:
      AddTrackBar(parent, ModelControlOf<TrackBar>(panel_, name), place,
                  Utf8(control.accessibleName));
      return nullptr;
    case ViewKind::CheckBox: {
      auto* widget = new QCheckBox(Utf8(control.caption), parent);
      widget->setObjectName(Utf8(control.name));
      widget->setGeometry(place.left, place.top, place.width, place.height);
      widget->setFont(PanelFont(control.fontPixels));
      tabOrder_.push_back(widget);
      CheckBox& box = ModelControlOf<CheckBox>(panel_, name);
      checkBoxes_.emplace_back(&box, widget);
      views_.Add(box, [widget, &box] { ShowChecked(*widget, box); });
      return nullptr;
    }
    case ViewKind::ComboBox:
      break;
  }
  return nullptr;
}

QWidget* TForm1::BuildPage(const ControlLayout& control) {
  auto* sheet = new QWidget;
  sheet->setObjectName(Utf8(control.name));
  // Pages in the window's button-face colour rather than the pane's.
  sheet->setAutoFillBackground(true);
  pages_->addTab(sheet, Utf8(control.caption));
  if (pages_->count() == NoPageTab()) {
    // The tab shown while no device is connected: hidden, over an empty page.
    auto* emptyPage = new QWidget;
    emptyPage->setObjectName(QStringLiteral("NoPage"));
    emptyPage->setAutoFillBackground(true);
    pages_->addTab(emptyPage, QString());
    pages_->setTabVisible(NoPageTab(), false);
  }
  return sheet;
}

}  // namespace intercom
