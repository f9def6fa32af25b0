// The main window as laid out: places, captions, fonts, tab order, picture.
#include <QAbstractButton>
#include <QCheckBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <vector>

#include "qt/picture/embedded_picture.h"
#include "qt/picture/jpeg_image.h"
#include "tests/qt/window_fixture.h"

namespace intercom::testing {
namespace {

struct Placement {
  const char* name;
  const char* parent;
  QRect rect;
};

// Controls with fixed places (labels grow to their text and are left out).
const std::vector<Placement> kPlacements = {
    {"PageControl1", "ClientArea", {0, 0, 777, 417}},
    {"BitBtn19", "ClientArea", {8, 428, 75, 25}},
    {"BitBtn4", "ClientArea", {432, 428, 121, 25}},
    {"BitBtn2", "ClientArea", {568, 428, 121, 25}},
    {"BitBtn3", "ClientArea", {704, 428, 75, 25}},
    {"BitBtn18", "ClientArea", {528, 472, 75, 25}},
    {"Edit12", "ClientArea", {16, 480, 505, 21}},
    {"BitBtn5", "ClientArea", {528, 504, 75, 25}},
    {"Edit13", "ClientArea", {16, 512, 505, 21}},
    {"Image1", "TabSheet1", {0, 64, 769, 281}},
    {"Edit1", "TabSheet1", {152, 360, 41, 21}},
    {"Edit2", "TabSheet1", {216, 360, 41, 21}},
    {"Edit10", "TabSheet1", {728, 360, 41, 21}},
    {"CheckBox1", "TabSheet1", {528, 24, 233, 17}},
    {"Edit11", "TabSheet1", {264, 24, 41, 21}},
    {"BitBtn1", "TabSheet1", {312, 24, 153, 25}},
    {"Image2", "TabSheet2", {16, 48, 473, 329}},
    {"GroupBox1", "TabSheet2", {504, 48, 225, 97}},
    {"Edit14", "GroupBox1", {56, 56, 121, 21}},
    {"GroupBox2", "TabSheet2", {504, 160, 225, 217}},
    {"TrackBar1", "GroupBox2", {40, 24, 150, 45}},
    {"TrackBar4", "GroupBox2", {40, 168, 150, 45}},
    {"BitBtn8", "GroupBox2", {8, 24, 25, 25}},
    {"BitBtn6", "GroupBox2", {8, 168, 25, 25}},
    {"BitBtn9", "GroupBox2", {192, 72, 25, 25}},
    {"BitBtn13", "GroupBox2", {192, 168, 25, 25}},
    {"Image3", "TabSheet3", {8, 32, 497, 350}},
    {"GroupBox3", "TabSheet3", {528, 32, 225, 105}},
    {"Edit15", "GroupBox3", {56, 56, 121, 21}},
    {"GroupBox4", "TabSheet3", {528, 152, 233, 105}},
    {"TrackBar5", "GroupBox4", {40, 40, 150, 45}},
    {"BitBtn16", "GroupBox4", {8, 40, 25, 25}},
    {"BitBtn15", "GroupBox4", {200, 40, 25, 25}},
    {"GroupBox7", "TabSheet3", {528, 280, 233, 97}},
    {"Edit20", "GroupBox7", {56, 56, 121, 21}},
    {"GroupBox5", "TabSheet4", {496, 24, 257, 153}},
    {"Edit16", "GroupBox5", {72, 24, 121, 21}},
    {"Edit19", "GroupBox5", {72, 120, 121, 21}},
    {"GroupBox6", "TabSheet4", {496, 184, 257, 193}},
    {"BitBtn14", "GroupBox6", {16, 24, 25, 25}},
    {"BitBtn17", "GroupBox6", {216, 24, 25, 25}},
    {"BitBtn22", "GroupBox6", {16, 104, 25, 25}},
    {"BitBtn23", "GroupBox6", {216, 104, 27, 25}},
    {"BitBtn25", "GroupBox6", {216, 144, 25, 25}},
    {"TrackBar6", "TabSheet4", {552, 208, 150, 45}},
    {"TrackBar9", "TabSheet4", {552, 328, 150, 45}},
};

using MainWindowLayout = WindowTest;

TEST_F(MainWindowLayout, EveryControlSitsAtItsPlaceInItsParent) {
  for (const Placement& placement : kPlacements) {
    QWidget* widget = Main<QWidget>(placement.name);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->parentWidget()->objectName().toStdString(), placement.parent)
        << placement.name;
    EXPECT_EQ(widget->geometry(), placement.rect) << placement.name;
  }
}

TEST_F(MainWindowLayout, LabelsKeepTheirLeftTopCorner) {
  const std::vector<Placement> labels = {
      {"Label2", "TabSheet1", {16, 361, 0, 0}}, {"Label1", "TabSheet1", {16, 16, 0, 0}},
      {"Label4", "TabSheet1", {16, 32, 0, 0}},  {"Label6", "GroupBox1", {72, 16, 0, 0}},
      {"Label7", "GroupBox1", {40, 32, 0, 0}},  {"Label3", "GroupBox3", {72, 16, 0, 0}},
      {"Label5", "GroupBox3", {48, 32, 0, 0}},  {"Label8", "GroupBox7", {72, 24, 0, 0}}};
  for (const Placement& placement : labels) {
    QLabel* label = Main<QLabel>(placement.name);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->parentWidget()->objectName().toStdString(), placement.parent);
    EXPECT_EQ(label->pos(), placement.rect.topLeft()) << placement.name;
  }
}

TEST_F(MainWindowLayout, ClientAreaBelowTheMenuIsFixedAt778By455) {
  ShowMainWindow();
  EXPECT_EQ(form1->windowTitle(), QStringLiteral("Настройка конфигурации цифровой связи"));
  EXPECT_EQ(form1->centralWidget()->size(), QSize(778, 455));
  EXPECT_EQ(form1->centralWidget()->y(), form1->menuBar()->height());
  EXPECT_EQ(Main<QWidget>("ClientArea")->size(), QSize(778, 455));
  EXPECT_EQ(form1->pos(), QPoint(195, 215));
}

TEST_F(MainWindowLayout, TraceStripLiesBelowTheNormalClientAreaAndShowsWhenMaximised) {
  ShowMainWindow();
  QWidget* client = form1->centralWidget();
  for (const char* name : {"Edit12", "Edit13", "BitBtn18", "BitBtn5"}) {
    EXPECT_GE(Main<QWidget>(name)->geometry().top(), client->height()) << name;
  }
  form1->showMaximized();
  ASSERT_TRUE(WaitUntil([&] { return client->height() >= 533; }))
      << "client height " << client->height();
  for (const char* name : {"Edit12", "Edit13", "BitBtn18", "BitBtn5"}) {
    EXPECT_TRUE(client->rect().contains(Main<QWidget>(name)->geometry())) << name;
  }
  EXPECT_EQ(Main<QWidget>("PageControl1")->geometry(), QRect(0, 0, 777, 417));

  form1->showNormal();
  ASSERT_TRUE(WaitUntil([&] { return client->height() == 455; }))
      << client->width() << "x" << client->height() << " window " << form1->width() << "x"
      << form1->height() << " maximized " << form1->isMaximized();
  EXPECT_EQ(client->size(), QSize(778, 455));
}

TEST_F(MainWindowLayout, MenuHoldsThePortChoiceFirstThenTheSettingsFilesAndTheLog) {
  const QList<QAction*> menus = form1->menuBar()->actions();
  ASSERT_EQ(menus.size(), 1);
  EXPECT_EQ(menus[0]->text(), QStringLiteral("Настройки"));
  const QList<QAction*> entries = menus[0]->menu()->actions();
  ASSERT_EQ(entries.size(), 5);
  EXPECT_EQ(entries[0]->objectName(), QStringLiteral("COM1"));
  EXPECT_EQ(entries[0]->text(), QStringLiteral("Выбор COM-порта"));
  EXPECT_FALSE(entries[0]->isCheckable());
  EXPECT_TRUE(entries[1]->isSeparator());
  EXPECT_EQ(entries[2]->text(), QStringLiteral("Сохранить настройки устройства…"));
  EXPECT_EQ(entries[3]->text(), QStringLiteral("Записать настройки из файла…"));
  EXPECT_EQ(entries[4]->text(), QStringLiteral("Журнал обмена…"));
  EXPECT_FALSE(entries[2]->isCheckable());
  EXPECT_FALSE(entries[3]->isCheckable());
  EXPECT_TRUE(entries[4]->isCheckable());
  EXPECT_FALSE(entries[4]->isChecked());
}

TEST_F(MainWindowLayout, FourTabsInOrderAndAHiddenFifthForNoPage) {
  QTabWidget* pages = Main<QTabWidget>("PageControl1");
  ASSERT_EQ(pages->count(), 5);
  const QString captions[] = {QStringLiteral("Абонентский комплект"), QStringLiteral("Сплиттер"),
                              QStringLiteral("Напоясный блок"), QStringLiteral("Коммутатор")};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(pages->tabText(i), captions[i]);
    EXPECT_TRUE(pages->isTabVisible(i));
    EXPECT_EQ(pages->widget(i)->objectName(), QStringLiteral("TabSheet%1").arg(i + 1));
  }
  EXPECT_FALSE(pages->isTabVisible(4));
  EXPECT_EQ(pages->currentIndex(), 2);
}

TEST_F(MainWindowLayout, CaptionsAndFonts) {
  struct Caption {
    const char* name;
    QString text;
    int pixelSize;
    bool bold;
  };
  const std::vector<Caption> captions = {
      {"BitBtn19", QStringLiteral("Обновить"), 11, false},
      {"BitBtn4", QStringLiteral("Считать настройки"), 11, false},
      {"BitBtn2", QStringLiteral("Записать настройки"), 11, false},
      {"BitBtn3", QStringLiteral("Выход"), 11, false},
      {"BitBtn18", QStringLiteral("Test"), 11, false},
      {"BitBtn5", QStringLiteral("Clear"), 11, false},
      {"BitBtn1", QStringLiteral("Изменить адрес устройства"), 11, false},
      {"CheckBox1", QStringLiteral("Устройство работает в студии"), 15, false},
      {"BitBtn8", QStringLiteral("-"), 16, true},
      {"BitBtn7", QStringLiteral("+"), 16, true},
      {"BitBtn16", QStringLiteral("-"), 16, true},
      {"BitBtn23", QStringLiteral("+"), 16, true},
  };
  for (const Caption& caption : captions) {
    QAbstractButton* button = Main<QAbstractButton>(caption.name);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), caption.text) << caption.name;
    EXPECT_EQ(button->font().pixelSize(), caption.pixelSize) << caption.name;
    EXPECT_EQ(button->font().bold(), caption.bold) << caption.name;
  }
  EXPECT_EQ(Main<QLabel>("Label2")->text(), QStringLiteral("Адреса абонентов"));
  EXPECT_EQ(Main<QLabel>("Label2")->font().pixelSize(), 15);
  EXPECT_EQ(Main<QLabel>("Label7")->text(), QStringLiteral(" подключенного к сплиттеру"));
  EXPECT_EQ(Main<QLabel>("Label8")->font().pixelSize(), 11);
  EXPECT_EQ(Main<QGroupBox>("GroupBox2")->title(),
            QStringLiteral("Настройка уровней телефонных входов"));
  EXPECT_EQ(Main<QGroupBox>("GroupBox4")->title(), QStringLiteral("Регулировка громкости"));
  EXPECT_EQ(Main<QGroupBox>("GroupBox5")->title(),
            QStringLiteral("Адреса абонентов телефонных линий"));
  EXPECT_EQ(Main<QGroupBox>("GroupBox6")->title(),
            QStringLiteral("Установка уровней громкости телефонов"));
  for (const char* untitled : {"GroupBox1", "GroupBox3", "GroupBox7"}) {
    EXPECT_TRUE(Main<QGroupBox>(untitled)->title().isEmpty()) << untitled;
  }
}

TEST_F(MainWindowLayout, EveryCaptionFitsItsControl) {
  for (QPushButton* button : form1->findChildren<QPushButton*>()) {
    const int text = QFontMetrics(button->font()).horizontalAdvance(button->text());
    EXPECT_LE(text + 6, button->width()) << button->objectName().toStdString();
  }
  QCheckBox* studio = Main<QCheckBox>("CheckBox1");
  const int indicator =
      studio->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, studio) +
      studio->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, studio);
  EXPECT_LE(indicator + QFontMetrics(studio->font()).horizontalAdvance(studio->text()),
            studio->width());
  for (QGroupBox* group : form1->findChildren<QGroupBox*>()) {
    const int text = QFontMetrics(group->font()).horizontalAdvance(group->title());
    EXPECT_LE(8 + text + 4, group->width()) << group->objectName().toStdString();
  }
  for (QLabel* label : form1->findChildren<QLabel*>()) {
    if (label->text().isEmpty()) continue;
    const std::string name = label->objectName().toStdString();
    EXPECT_LE(QFontMetrics(label->font()).horizontalAdvance(label->text()), label->width()) << name;
    EXPECT_LE(label->geometry().right(), label->parentWidget()->width()) << name;
  }
  // The keys' label ends before the first key's field.
  EXPECT_LT(Main<QLabel>("Label2")->geometry().right(), Main<QWidget>("Edit1")->x());
  QTabBar* tabs = Main<QTabWidget>("PageControl1")->tabBar();
  for (int i = 0; i < 4; ++i) {
    EXPECT_LE(QFontMetrics(tabs->font()).horizontalAdvance(tabs->tabText(i)),
              tabs->tabRect(i).width());
  }
}

TEST_F(MainWindowLayout, ControlsReachedInTabOrder) {
  const std::vector<std::string> expected = {
      "Edit12",    "Edit13",    "BitBtn5",  "PageControl1", "Edit1",     "Edit2",     "Edit3",
      "Edit4",     "Edit5",     "Edit6",    "Edit7",        "Edit8",     "Edit9",     "Edit10",
      "CheckBox1", "Edit11",    "BitBtn1",  "Edit14",       "TrackBar1", "TrackBar2", "TrackBar3",
      "TrackBar4", "BitBtn7",   "BitBtn8",  "BitBtn9",      "BitBtn10",  "BitBtn11",  "BitBtn12",
      "BitBtn13",  "BitBtn6",   "Edit15",   "TrackBar5",    "BitBtn15",  "BitBtn16",  "Edit20",
      "Edit16",    "Edit17",    "Edit18",   "Edit19",       "BitBtn14",  "BitBtn17",  "BitBtn20",
      "BitBtn21",  "BitBtn22",  "BitBtn23", "BitBtn24",     "BitBtn25",  "TrackBar6", "TrackBar7",
      "TrackBar8", "TrackBar9", "BitBtn18", "BitBtn2",      "BitBtn3",   "BitBtn4",   "BitBtn19"};
  std::vector<std::string> chain;
  QWidget* start = Main<QWidget>("Edit12");
  QWidget* tabBar = Main<QTabWidget>("PageControl1")->tabBar();
  for (QWidget* widget = start; chain.size() < expected.size() + 1;) {
    const std::string name =
        widget == tabBar ? std::string("PageControl1") : widget->objectName().toStdString();
    // The tab widget and its tab bar come one after the other.
    const bool repeated = !chain.empty() && chain.back() == name;
    if (!repeated && std::find(expected.begin(), expected.end(), name) != expected.end()) {
      if (!chain.empty() && name == chain.front()) break;
      chain.push_back(name);
    }
    widget = widget->nextInFocusChain();
  }
  EXPECT_EQ(chain, expected);
}

TEST_F(MainWindowLayout, TabKeyWalksTheShownPageAndSkipsTheSliders) {
  ShowMainWindow();
  panel.PageControl1.ShowPage(1);
  QApplication::setActiveWindow(form1.get());
  QLineEdit* address = Main<QLineEdit>("Edit14");
  address->setFocus();
  ASSERT_TRUE(WaitUntil([&] { return address->hasFocus(); }));
  std::vector<std::string> reached;
  for (int i = 0; i < 10; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    reached.push_back(QApplication::focusWidget()->objectName().toStdString());
  }
  const std::vector<std::string> expected = {"BitBtn7",  "BitBtn8",  "BitBtn9",  "BitBtn10",
                                             "BitBtn11", "BitBtn12", "BitBtn13", "BitBtn6",
                                             "BitBtn18", "BitBtn2"};
  EXPECT_EQ(reached, expected);
}

TEST_F(MainWindowLayout, FieldsWithoutCaptionAreNamedByTheirLabel) {
  const std::vector<std::pair<const char*, QString>> names = {
      {"Edit1", QStringLiteral("Адреса абонентов 1")},
      {"Edit3", QStringLiteral("Адреса абонентов 3")},
      {"Edit10", QStringLiteral("Адреса абонентов 10")},
      {"Edit14", QStringLiteral("Адрес абонента, подключенного к сплиттеру")},
      {"Edit15", QStringLiteral("Адрес абонента, подключенного к сплиттеру")},
      {"Edit20", QStringLiteral("Адрес входа Tally")},
      {"Edit17", QStringLiteral("Адреса абонентов телефонных линий 2")},
      {"Edit12", QStringLiteral("Запросы")},
      {"Edit13", QStringLiteral("Ответы")},
      {"TrackBar1", QStringLiteral("Настройка уровней телефонных входов 1")},
      {"TrackBar5", QStringLiteral("Регулировка громкости")},
      {"TrackBar9", QStringLiteral("Установка уровней громкости телефонов 4")},
  };
  for (const auto& [name, accessible] : names) {
    EXPECT_EQ(Main<QWidget>(name)->accessibleName(), accessible) << name;
  }
  for (QPushButton* button : form1->findChildren<QPushButton*>()) {
    if (button->text() == QStringLiteral("+") || button->text() == QStringLiteral("-")) {
      EXPECT_FALSE(button->accessibleName().isEmpty()) << button->objectName().toStdString();
    }
  }
}

TEST_F(MainWindowLayout, SlidersRunFrom0To16WithATickUnderEachAndStayDisabled) {
  for (int n = 1; n <= 9; ++n) {
    const std::string name = "TrackBar" + std::to_string(n);
    QSlider* slider = Main<QSlider>(name.c_str());
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->orientation(), Qt::Horizontal);
    EXPECT_EQ(slider->minimum(), 0);
    EXPECT_EQ(slider->maximum(), 16);
    EXPECT_EQ(slider->tickPosition(), QSlider::TicksBelow);
    EXPECT_EQ(slider->tickInterval(), 1);
    EXPECT_FALSE(slider->isEnabled()) << name;
  }
}

TEST_F(MainWindowLayout, HiddenControlsExistHidden) {
  ShowMainWindow();
  panel.PageControl1.ShowPage(0);
  for (const char* name : {"Label1", "Label4", "Edit11", "BitBtn1"}) {
    QWidget* widget = Main<QWidget>(name);
    EXPECT_TRUE(widget->isHidden()) << name;
  }
  EXPECT_FALSE(Main<QWidget>("Edit11")->isEnabledTo(Main<QWidget>("TabSheet1")));
  EXPECT_TRUE(Main<QWidget>("Edit1")->isVisible());
}

TEST_F(MainWindowLayout, PictureIsTheDecodedSubscriberSet) {
  QLabel* image = Main<QLabel>("Image1");
  const QPixmap pixmap = image->pixmap();
  ASSERT_FALSE(pixmap.isNull());
  EXPECT_EQ(pixmap.size(), QSize(769, 281));
  const std::optional<RgbImage> decoded = DecodeJpeg(SubscriberSetPicture());
  ASSERT_TRUE(decoded.has_value());
  const QImage shown = pixmap.toImage();
  for (const QPoint at : {QPoint(0, 0), QPoint(384, 140), QPoint(700, 250), QPoint(768, 280)}) {
    const size_t offset = (static_cast<size_t>(at.y()) * decoded->width + at.x()) * 3;
    EXPECT_EQ(shown.pixel(at),
              qRgb(decoded->rgb[offset], decoded->rgb[offset + 1], decoded->rgb[offset + 2]))
        << at.x() << "," << at.y();
  }
  EXPECT_TRUE(Main<QLabel>("Image2")->pixmap().isNull());
  EXPECT_TRUE(Main<QLabel>("Image3")->pixmap().isNull());
}

}  // namespace
}  // namespace intercom::testing
