#include "qt/main_window.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShowEvent>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QWindowStateChangeEvent>
#include <map>
#include <string>

#include "panel/window_layout.h"
#include "panel/window_texts.h"
#include "qt/fixed_border.h"
#include "qt/input_block.h"
#include "qt/screen_fit.h"
#include "qt/trace_view.h"

namespace intercom {
namespace {}  // namespace

TForm1::TForm1(PanelModel& panel) : panel_(panel) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QString::fromUtf8(kWindowTitle));
  setFont(PanelFont(11));
  BuildMenu();
  BuildClientArea();
  for (size_t i = 1; i < tabOrder_.size(); ++i) setTabOrder(tabOrder_[i - 1], tabOrder_[i]);
  ConnectSignals();
  views_.RefreshAll();

  normalSize_ = QSize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
  resize(normalSize_);
  const WindowLayout& layout = panel_.Description().MainWindow();
  move(layout.firstLeft, layout.firstTop);
}

bool TForm1::Refresh(const Control& control) {
  if (&control == &panel_.Form1) {
    setVisible(control.Visible());
    setToolTip(QString::fromStdString(panel_.Form1.Hint()));
    exchangeLog_->setToolTip(toolTip());
    return true;
  }
  return views_.Refresh(control);
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (panel_.HandlerRunning()) {
    // Closing now would end the program in the middle of an action (between
    // two requests of a write): the window closes once the action is over.
    event->ignore();
    if (!closeWaiting_) {
      closeWaiting_ = true;
      panel_.WhenIdle([this] {
        closeWaiting_ = false;
        if (panel_.Form1.Visible()) close();
      });
    }
    return;
  }
  panel_.Form1.Close();
  event->setAccepted(!panel_.Form1.Visible());
}

void TForm1::setVisible(bool visible) {
  if (visible && !placed_) {
    placed_ = true;
    const WindowLayout& layout = panel_.Description().MainWindow();
    PlaceOnScreen(*this, QPoint(layout.firstLeft, layout.firstTop), normalSize_);
    // Resizing is offered only because window managers maximise nothing else:
    // the window never gets smaller than its normal size (or, on a screen
    // too small for that, than the size it opened at).
    setMinimumSize(size().boundedTo(normalSize_));
  }
  QMainWindow::setVisible(visible);
}

void TForm1::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) KeepBorderFixed(*this);
  QMainWindow::showEvent(event);
}

void TForm1::changeEvent(QEvent* event) {
  if (event->type() == QEvent::WindowStateChange) {
    const bool wasMaximised =
        (static_cast<QWindowStateChangeEvent*>(event)->oldState() & Qt::WindowMaximized) != 0;
    FitToWindowState();
    // Restore returns to the normal size, whatever size the window had been
    // dragged to before: once the window manager has put back that size.
    shrinkOnRestore_ = wasMaximised && !isMaximized() && placed_;
  }
  QMainWindow::changeEvent(event);
}

void TForm1::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  if (shrinkOnRestore_ && !isMaximized()) {
    shrinkOnRestore_ = false;
    if (size() != minimumSize()) resize(minimumSize());
  }
  // Taller than normal but not tall enough for the trace strip: the client
  // area scrolls to it rather than showing it cut off.
  auto* scroll = static_cast<QScrollArea*>(centralWidget());
  const int seen = scroll->height();
  const int wanted =
      seen > kClientHeight && seen < kTraceStripBottom ? kTraceStripBottom : kClientHeight;
  if (scroll->widget()->minimumHeight() != wanted) scroll->widget()->setMinimumHeight(wanted);
}

void TForm1::FitToWindowState() {
  if (!isMaximized()) {
    if (restoreTo_) {
      resize(normalSize_);
      move(*std::exchange(restoreTo_, std::nullopt));
    }
    return;
  }
  // Under a window manager the manager sizes the window, in its own time.
  static const QStringList kUnmanaged = {QStringLiteral("offscreen"), QStringLiteral("minimal"),
                                         QStringLiteral("linuxfb"), QStringLiteral("eglfs"),
                                         QStringLiteral("vnc")};
  if (!kUnmanaged.contains(QGuiApplication::platformName())) return;
  const QRect available = screen()->availableGeometry();
  if (frameGeometry().width() >= available.width()) return;
  // Nobody sizes the maximised window on a platform without a window manager:
  // it takes the screen's free area itself. Setting a geometry drops the
  // maximised state, so that is set again; this returns above on the way back in.
  restoreTo_ = pos();
  const QRect outer = frameGeometry();
  const QRect inner = geometry();
  setGeometry(available.marginsRemoved(
      QMargins(inner.left() - outer.left(), inner.top() - outer.top(),
               outer.right() - inner.right(), outer.bottom() - inner.bottom())));
  setWindowState(windowState() | Qt::WindowMaximized);
}

void TForm1::BuildMenu() {
  QMenu* settings = menuBar()->addMenu(QString::fromUtf8(kSettingsMenu));
  settings->setObjectName(QStringLiteral("N1"));
  settings->setFont(font());
  portChoice_ = settings->addAction(QString::fromUtf8(kPortChoiceEntry));
  portChoice_->setObjectName(QStringLiteral("COM1"));
  views_.Add(panel_.COM1, [this] {
    portChoice_->setEnabled(panel_.COM1.Enabled());
    portChoice_->setVisible(panel_.COM1.Visible());
  });
  settings->addSeparator();
  AddMenuEntry(settings, panel_.SaveSettings, QString::fromUtf8(kSaveSettingsEntry));
  AddMenuEntry(settings, panel_.LoadSettings, QString::fromUtf8(kLoadSettingsEntry));
  exchangeLog_ = settings->addAction(QString::fromUtf8(kExchangeLogEntry));
  exchangeLog_->setObjectName(QString::fromStdString(panel_.ExchangeLog.Name()));
  exchangeLog_->setCheckable(true);
  // The log's file shows as the entry's hint.
  settings->setToolTipsVisible(true);
  views_.Add(panel_.ExchangeLog, [this] {
    exchangeLog_->setChecked(panel_.ExchangeLog.Checked());
    exchangeLog_->setEnabled(panel_.ExchangeLog.Enabled());
    exchangeLog_->setVisible(panel_.ExchangeLog.Visible());
  });
}

void TForm1::AddMenuEntry(QMenu* menu, Button& button, const QString& caption) {
  QAction* action = menu->addAction(caption);
  action->setObjectName(QString::fromStdString(button.Name()));
  views_.Add(button, [action, &button] {
    action->setEnabled(button.Enabled());
    action->setVisible(button.Visible());
  });
  menuEntries_.emplace_back(&button, action);
}

void TForm1::BuildClientArea() {
  // The client area scrolls only while the window is smaller than its normal
  // size (a screen too small for it); maximised it grows with the window.
  auto* client = new QWidget;
  client->setObjectName(QStringLiteral("ClientArea"));
  setCentralWidget(ScrollingClientArea(this, client, QSize(kClientWidth, kClientHeight)));

  // Everything comes from the control table, in tab order; each container
  // before what it holds.
  std::map<std::string, QWidget*, std::less<>> made = {{"", client}};
  for (const ControlLayout& control : panel_.Description().MainWindow().controls) {
    if (QWidget* widget = BuildControl(made.at(control.parent), control)) {
      made.emplace(control.name, widget);
    }
  }
}

QLineEdit* TForm1::AddEdit(QWidget* parent, TextField& field, Place place,
                           const QString& accessibleName) {
  QLineEdit* edit = NewEdit(parent, field.Name().c_str(), place, accessibleName);
  edits_.emplace_back(&field, edit);
  tabOrder_.push_back(edit);
  views_.Add(field, [edit, &field] { ShowText(*edit, field); });
  return edit;
}

TraceView* TForm1::AddTrace(QWidget* parent, TextField& field, Place place,
                            const QString& accessibleName) {
  auto* trace = new TraceView(field, parent);
  trace->setObjectName(QString::fromStdString(field.Name()));
  trace->setGeometry(place.left, place.top, place.width, place.height);
  trace->setAccessibleName(accessibleName);
  tabOrder_.push_back(trace);
  views_.Add(field, [trace] { trace->ShowField(); });
  return trace;
}

QPushButton* TForm1::AddButton(QWidget* parent, Button& button, Place place,
                               const QString& caption) {
  QPushButton* widget = NewButton(parent, button.Name().c_str(), place, caption);
  buttons_.emplace_back(&button, widget);
  tabOrder_.push_back(widget);
  views_.Add(button, [widget, &button] { ShowState(*widget, button); });
  return widget;
}

QPushButton* TForm1::AddStepButton(QWidget* parent, Button& button, Place place, bool up,
                                   const QString& what) {
  QPushButton* widget = NewStepButton(parent, button.Name().c_str(), place, up, what);
  buttons_.emplace_back(&button, widget);
  tabOrder_.push_back(widget);
  views_.Add(button, [widget, &button] { ShowState(*widget, button); });
  return widget;
}

QSlider* TForm1::AddTrackBar(QWidget* parent, TrackBar& bar, Place place,
                             const QString& accessibleName) {
  QSlider* slider = NewTrackBar(parent, bar.Name().c_str(), place, accessibleName);
  tabOrder_.push_back(slider);
  views_.Add(bar, [slider, &bar] { ShowPosition(*slider, bar); });
  return slider;
}

QWidget* TForm1::AddContainer(QWidget* widget, const Control& control) {
  views_.Add(control, [widget, &control] {
    ShowContainerEnabled(*widget, control.Enabled());
    widget->setVisible(control.Visible());
  });
  return widget;
}

QWidget* TForm1::AddStatic(QWidget* widget, const Control& control) {
  views_.Add(control, [widget, &control] { ShowState(*widget, control); });
  return widget;
}

void TForm1::ConnectSignals() {
  connect(portChoice_, &QAction::triggered, this, [this] { panel_.COM1.Click(); });
  for (const auto& [button, action] : menuEntries_) {
    connect(action, &QAction::triggered, this, [button = button] { button->Click(); });
  }
  connect(exchangeLog_, &QAction::triggered, this, [this] {
    panel_.ExchangeLog.Click();
    views_.Refresh(panel_.ExchangeLog);
  });
  for (const auto& [field, edit] : edits_) {
    // Every change of the widget's text, typed or not (assistive technology,
    // an input method's commit), is the field's new text.
    connect(edit, &QLineEdit::textChanged, this,
            [field = field](const QString& text) { field->SetText(text.toStdString()); });
  }
  for (const auto& [button, widget] : buttons_) {
    connect(widget, &QPushButton::clicked, this, [button = button] { button->Click(); });
  }
  for (const auto& [box, widget] : checkBoxes_) {
    connect(widget, &QCheckBox::clicked, this, [this, box = box] {
      box->Click();
      views_.Refresh(*box);
    });
  }
  connect(pages_, &QTabWidget::currentChanged, this, [this](int index) {
    const int page = index == NoPageTab() ? PageControl::kNoPage : index;
    if (page == panel_.PageControl1.ActivePage()) return;
    panel_.PageControl1.SelectTab(page);
    views_.Refresh(panel_.PageControl1);
  });
}

}  // namespace intercom
