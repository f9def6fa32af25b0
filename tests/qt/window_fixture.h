// The three windows over a context on fakes, with every handler bound and the
// windows following the model as in the program.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "controller/handlers.h"
#include "qt/window_observer.h"
#include "tests/support/context_fixture.h"

namespace intercom::testing {

// The child of `root` named `name`; fails the test when there is none.
template <typename W>
W* Find(QWidget* root, const char* name) {
  W* widget = root->findChild<W*>(QString::fromLatin1(name));
  EXPECT_NE(widget, nullptr) << "no " << name << " in " << root->objectName().toStdString();
  return widget;
}

// Lets events run until `done` holds or two seconds passed.
inline bool WaitUntil(const std::function<bool()>& done) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > 2000) return false;
    QTest::qWait(10);
  }
  return true;
}

class WindowTest : public ContextTest {
 protected:
  void SetUp() override {
    BindHandlers(context);
    context.listPorts = [] { return std::vector<std::string>{}; };
    form1 = std::make_unique<TForm1>(panel);
    form2 = std::make_unique<TForm2>(panel, form1.get());
    form3 = std::make_unique<TForm3>(panel, form1.get());
    ObservePanel(panel, *form1, *form2, *form3, [this] { ++mainWindowClosings; });
  }
  void TearDown() override { ForgetWindows(panel); }

  // Shows the main window as the program does after its start-up, without the
  // start-up itself.
  void ShowMainWindow() {
    panel.Form1.OnShow = nullptr;
    panel.Form1.Show();
    ASSERT_TRUE(form1->isVisible());
  }

  template <typename W>
  W* Main(const char* name) {
    return Find<W>(form1.get(), name);
  }

  std::unique_ptr<TForm1> form1;
  std::unique_ptr<TForm2> form2;
  std::unique_ptr<TForm3> form3;
  int mainWindowClosings = 0;
};

}  // namespace intercom::testing
