// TForm1, the main window: a view of the panel model's main-window controls.
// Every widget is named after its control; user input goes into the model,
// and Refresh() brings widgets back in line after the model changed.
#pragma once

#include <QMainWindow>
#include <QPoint>
#include <QSize>
#include <optional>
#include <utility>
#include <vector>

#include "panel/panel_model.h"
#include "panel/window_layout.h"
#include "qt/control_views.h"

class QAction;
class QCheckBox;
class QMenu;
class QTabWidget;

namespace intercom {

class TraceView;

class TForm1 : public QMainWindow {
  Q_OBJECT

 public:
  // Client area below the menu bar, in pixels.
  static constexpr int kClientWidth = 778;
  static constexpr int kClientHeight = 455;
  // The client area that shows the trace strip whole (Edit13's bottom and a margin).
  static constexpr int kTraceStripBottom = 541;
  // The tab shown while the model has no active page: hidden, over an empty
  // page after the device pages.
  int NoPageTab() const { return panel_.PageControl1.PageCount(); }

  // Builds every page and control in the model's current state, hidden.
  // `panel` must outlive the window.
  explicit TForm1(PanelModel& panel);

  // Shows `control`'s state in its widget (Form1 itself: shows or hides the
  // window). False when `control` is not part of this window.
  bool Refresh(const Control& control);

  // The first showing places the window on its screen.
  void setVisible(bool visible) override;

 protected:
  // The frame's close button closes the model's window; the view follows it.
  // While a handler runs, the window closes once it has returned.
  void closeEvent(QCloseEvent* event) override;
  // Every showing asks the window manager for a border without resize handles.
  void showEvent(QShowEvent* event) override;
  // Without a window manager the window sizes itself when maximised; leaving
  // the maximised state returns to the normal size.
  void changeEvent(QEvent* event) override;
  // A window taller than normal shows the trace strip whole or scrolls to it.
  void resizeEvent(QResizeEvent* event) override;

 private:
  void BuildMenu();
  void BuildClientArea();
  // The widget of one entry of the control table in `parent`, joined to its
  // model control; in main_window_controls.cpp. Returns it when other
  // entries may lie in it (or refer to it), else null.
  QWidget* BuildControl(QWidget* parent, const ControlLayout& control);
  QWidget* BuildPage(const ControlLayout& control);

  // Creation helpers: the widget joins the views and, when it takes focus, the
  // tab order (so widgets are made in tab order).
  QLineEdit* AddEdit(QWidget* parent, TextField& field, Place place, const QString& accessibleName);
  // The request and reply traces: any length, at the cost of what is shown.
  TraceView* AddTrace(QWidget* parent, TextField& field, Place place,
                      const QString& accessibleName);
  QPushButton* AddButton(QWidget* parent, Button& button, Place place, const QString& caption);
  QPushButton* AddStepButton(QWidget* parent, Button& button, Place place, bool up,
                             const QString& what);
  QSlider* AddTrackBar(QWidget* parent, TrackBar& bar, Place place, const QString& accessibleName);
  QWidget* AddStatic(QWidget* widget, const Control& control);
  // A group box: disabled, it and its contents take no input but keep their look.
  QWidget* AddContainer(QWidget* widget, const Control& control);

  // A menu entry for `button`, named after it.
  void AddMenuEntry(QMenu* menu, Button& button, const QString& caption);
  void ConnectSignals();
  void FitToWindowState();

  PanelModel& panel_;
  ControlViews views_;
  QSize normalSize_;
  bool placed_ = false;
  bool closeWaiting_ = false;
  bool shrinkOnRestore_ = false;
  // Where the window was before it enlarged itself on being maximised.
  std::optional<QPoint> restoreTo_;
  QTabWidget* pages_ = nullptr;
  QAction* portChoice_ = nullptr;
  QAction* exchangeLog_ = nullptr;
  std::vector<std::pair<Button*, QAction*>> menuEntries_;
  std::vector<std::pair<CheckBox*, QCheckBox*>> checkBoxes_;
  std::vector<std::pair<TextField*, QLineEdit*>> edits_;
  std::vector<std::pair<Button*, QPushButton*>> buttons_;
  std::vector<QWidget*> tabOrder_;
};

}  // namespace intercom
