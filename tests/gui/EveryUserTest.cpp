// The window for every user: what a screen reader is told, the keyboard
// alone, other languages and a dark palette.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QDBusConnection>
#include <QProcess>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QStyleOptionComboBox>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QRegularExpression>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "link/CMscomm1.h"
#include "link/SerialError.h"
#include "resources/Artwork.h"
#include "resources/Resources.h"
#include "tests/support/EventLoop.h"
#include "tests/support/Files.h"
#include "tests/support/OrbekDlgProbe.h"
#include "ui/Bitmaps.h"
#include "ui/DesktopScheme.h"
#include "ui/FocusFrame.h"
#include "ui/MessageBox.h"
#include "ui/SampleDetailsDialog.h"
#include "ui/SaveDialog.h"

namespace orbek {
namespace {

using sim::MeterSimulator;

class EveryUserTest : public ::testing::Test {
 protected:
  void TearDown() override { UseLanguage(QLocale(QLocale::English)); }
  void Start(std::vector<sim::RecordBytes> records = {}) {
    meters_.push_back(
        std::make_unique<MeterSimulator>(MeterSimulator::Paced(std::move(records))));
    dlg_ = std::make_unique<COrbekDlg>(nullptr, MetersOnly(meters_));
    dlg_->OnInitDialog();
    dlg_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg_.get()));
  }
  OrbekDlgProbe Probe() { return OrbekDlgProbe(*dlg_); }
  static QString Name(QWidget* widget) {
    return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
  }
  static QAccessible::Role Role(QWidget* widget) {
    return QAccessible::queryAccessibleInterface(widget)->role();
  }

  BoxRecorder boxes_;
  std::vector<std::unique_ptr<MeterSimulator>> meters_;
  std::unique_ptr<COrbekDlg> dlg_;
};

// Every control has a name and role a screen reader reads sensibly; the
// Connect button's name follows its face.
TEST_F(EveryUserTest, EveryControlIsNamedByWhatItIsOrDoes) {
  Start();
  const struct {
    const char* control;
    QString name;
    QAccessible::Role role;
  } controls[] = {
      {"ScanButton", "Search for ports", QAccessible::Button},
      {"ConnectButton", "Connect", QAccessible::Button},
      {"ReceiveButton", "Receive", QAccessible::Button},
      {"SaveExcelButton", "Save as Excel", QAccessible::Button},
      {"GraphButton", "Graph", QAccessible::Button},
      {"ReadingsTable", "Readings", QAccessible::Table},
      {"Chart", "Chart of the readings", QAccessible::Client},
      {"PortSettingsBitmap", "Port Settings", QAccessible::Graphic},
      {"StatisticsLabel", "Statistics", QAccessible::StaticText},
  };
  for (const auto& c : controls) {
    QWidget* widget = Probe().Find<QWidget>(c.control);
    EXPECT_EQ(Name(widget), c.name) << c.control;
    EXPECT_EQ(Role(widget), c.role) << c.control;
  }
  EXPECT_EQ(Name(dlg_.get()), "Orbek");
  // A list is read out with the picture that labels it, as a label-for
  // relation (on Linux its name is its value).
  const std::pair<const char*, QString> lists[] = {{"PortCombo", "Communication Port"},
                                                   {"BaudCombo", "Baud Rate"},
                                                   {"IntervalCombo", "Interval Recording"}};
  for (const auto& [list, caption] : lists) {
    QAccessibleInterface* box = QAccessible::queryAccessibleInterface(Probe().Find<QWidget>(list));
    EXPECT_EQ(box->role(), QAccessible::ComboBox) << list;
    const auto labels = box->relations(QAccessible::Label);
    ASSERT_EQ(labels.size(), 1) << list;
    EXPECT_EQ(labels[0].first->text(QAccessible::Name), caption) << list;
  }
  EXPECT_FALSE(Probe().Chart().accessibleDescription().isEmpty());

  QTest::mouseClick(&Probe().Button("ConnectButton"), Qt::LeftButton);
  EXPECT_EQ(Name(&Probe().Button("ConnectButton")), "Disconnect");
  QTest::mouseClick(&Probe().Button("GraphButton"), Qt::LeftButton);
  EXPECT_EQ(Name(&Probe().Button("GraphButton")), "Back to the table");
}

// A right-click anywhere on the table or the chart opens its menu there,
// given to the window as a mouse would give it.
TEST_F(EveryUserTest, ARightClickOpensTheTablesAndTheChartsMenus) {
  Start();
  const struct {
    QWidget* area;
    QString item;
  } areas[] = {{&Probe().Table(), "Sample Details..."},
               {&Probe().Chart(), "Save Chart as Picture..."}};
  for (const auto& [area, item] : areas) {
    if (!area->isVisible()) QTest::mouseClick(&Probe().Button("GraphButton"), Qt::LeftButton);
    QStringList shown;
    QTimer::singleShot(100, [&shown] {
      if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
        for (const QAction* action : menu->actions())
          shown << action->text();
        menu->close();
      }
    });
    const QPoint at = area->mapTo(dlg_.get(), area->rect().center());
    QTest::mouseClick(dlg_->windowHandle(), Qt::RightButton, {}, at);
    QTest::qWait(200);
    EXPECT_TRUE(shown.contains(item)) << item.toStdString() << ": " << shown.join('|').toStdString();
  }
}

// Tab visits every control in the window's order and comes round again;
// Enter presses the focused button, whose focus frame shows, and the focus
// stays on Connect when its face changes.
TEST_F(EveryUserTest, TheKeyboardAloneReachesAndPressesEverything) {
  Start();
  dlg_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(dlg_.get()));
  Probe().Button("ScanButton").setFocus(Qt::OtherFocusReason);
  const QStringList order = {"ConnectButton",   "ReceiveButton", "PortCombo",     "BaudCombo",
                             "SaveExcelButton", "ReadingsTable", "IntervalCombo", "GraphButton"};
  for (const QString& next : order) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QWidget* focused = QApplication::focusWidget();
    while (focused != nullptr && focused->objectName().isEmpty())
      focused = focused->parentWidget();  // a list's edit field
    ASSERT_NE(focused, nullptr);
    EXPECT_EQ(focused->objectName(), next);
  }
  auto& connect = Probe().Button("ConnectButton");
  const QImage unfocused = connect.grab().toImage();
  connect.setFocus(Qt::TabFocusReason);
  dlg_->setAttribute(Qt::WA_KeyboardFocusChange);
  EXPECT_NE(connect.grab().toImage(), unfocused) << "no focus frame";
  QTest::keyClick(&connect, Qt::Key_Return);
  EXPECT_TRUE(Probe().Serial().PortOpen()) << "Enter did not press Connect";
  EXPECT_EQ(QApplication::focusWidget(), &connect);
}

// A keyboard user runs a transfer and saves it through real message boxes
// and the real save dialog: the focus stays on Connect, the start and the
// end are said (the AT-SPI run hears them), the statistics read with their
// numbers, and the menus (Shift+F10, the Menu key) and the chart's cursor
// work from keys.
TEST_F(EveryUserTest, AKeyboardUserHearsTheTransferAndReachesTheMenusAndTheChart) {
  Start(sim::GenerateRecords(40, 91));
  dlg_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(dlg_.get()));
  // Real boxes, answered with Enter as a user would.
  const MessageBoxHandler recorder = SetMessageBoxHandler({});
  QTimer answer;
  // The save dialog gets a name typed into it; a box gets Enter.
  QTemporaryDir out;
  const QString saved = out.filePath("keyboard.csv");
  QObject::connect(&answer, &QTimer::timeout, [&saved] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || QApplication::focusWidget() == nullptr) return;
    if (qobject_cast<QFileDialog*>(modal) != nullptr) {
      QTest::keyClicks(QApplication::focusWidget(), saved);
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    } else if (qobject_cast<QMessageBox*>(modal) != nullptr) {
      QTest::keyClick(modal, Qt::Key_Return);
    }
  });
  answer.start(50);
  auto& connect = Probe().Button("ConnectButton");
  connect.setFocus(Qt::TabFocusReason);
  QTest::keyClick(&connect, Qt::Key_Space);
  EXPECT_EQ(dlg_->focusWidget(), &connect) << "the focus left Connect";
  QTest::keyClick(&connect, Qt::Key_Tab);
  ASSERT_EQ(dlg_->focusWidget(), &Probe().Button("ReceiveButton"));
  QTest::keyClick(dlg_->focusWidget(), Qt::Key_Space);
  QWidget* status = Probe().Find<QWidget>("TransferStatus");
  EXPECT_EQ(Name(status), "Transfer started");
  ASSERT_TRUE(test::WaitUntil([&] { return !Probe().Serial().PortOpen(); }, 20000));
  // Saved with the keys alone: Tab from Receive to Save as Excel, Space,
  // the name typed, Enter, and Enter on the box that says it is saved.
  for (int tab = 0; tab < 3; ++tab)
    QTest::keyClick(dlg_->focusWidget(), Qt::Key_Tab);
  ASSERT_EQ(dlg_->focusWidget(), &Probe().Button("SaveExcelButton"));
  QTest::keyClick(dlg_->focusWidget(), Qt::Key_Space);
  ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(saved); }, 5000)) << "not saved";
  EXPECT_EQ(test::ReadAll(saved).count('\n'), 41) << "the header and every reading";
  answer.stop();
  SetMessageBoxHandler(recorder);
  ASSERT_EQ(Probe().RowCounter(), 40);
  EXPECT_EQ(Name(status), "Transfer ended: 40 readings");
  EXPECT_TRUE(Name(&Probe().Label("StatisticsLabel")).startsWith("Statistics: Transfer (n 40)"))
      << Name(&Probe().Label("StatisticsLabel")).toStdString();
  EXPECT_TRUE(Probe().Label("StatisticsLabel").textInteractionFlags() & Qt::TextSelectableByMouse)
      << "the ended transfer's statistics can be copied";

  // The menus open inside the window, also for a row scrolled out of view.
  auto menuFrom = [this](QWidget* focused, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QRect shown;
    QTimer::singleShot(100, [&shown] {
      if (QWidget* menu = QApplication::activePopupWidget()) {
        shown = menu->geometry();
        menu->close();
      }
    });
    focused->setFocus(Qt::TabFocusReason);
    if (key == Qt::Key_Menu) {
      // What the platform sends for the Menu key: a menu event at the
      // focused item, wherever that is.
      const QRect item = focused->inputMethodQuery(Qt::ImCursorRectangle).toRect();
      QContextMenuEvent event(QContextMenuEvent::Keyboard, item.center(),
                              focused->mapToGlobal(item.center()));
      QApplication::sendEvent(focused, &event);
    } else {
      QTest::keyClick(focused, key, modifiers);
    }
    QTest::qWait(200);
    return shown;
  };
  auto& table = Probe().Table();
  table.setCurrentIndex(table.model()->index(0, 1));
  table.scrollToBottom();
  const QRect window = dlg_->frameGeometry();
  for (const auto& [key, modifiers] : {std::pair(Qt::Key_F10, Qt::KeyboardModifiers(Qt::ShiftModifier)),
                                       std::pair(Qt::Key_Menu, Qt::KeyboardModifiers())}) {
    const QRect menu = menuFrom(&table, key, modifiers);
    ASSERT_FALSE(menu.isNull()) << "no menu for key " << key;
    EXPECT_TRUE(window.contains(menu.topLeft())) << "the menu opened outside the window";
  }

  // The chart: in the Tab order, its cursor said, its menu from the keys.
  QTest::mouseClick(&Probe().Button("GraphButton"), Qt::LeftButton);
  QWidget* plot = Probe().Chart().PlotWidget();
  EXPECT_NE(plot->focusPolicy() & Qt::TabFocus, 0);
  plot->setFocus(Qt::TabFocusReason);
  QTest::keyClick(plot, Qt::Key_Left);
  const QString cursor = Probe().Chart().CursorText();
  EXPECT_FALSE(cursor.isEmpty());
  EXPECT_EQ(plot->accessibleDescription(), cursor);
  QTest::keyClick(plot, Qt::Key_Left);
  EXPECT_NE(Probe().Chart().CursorText(), cursor) << "Left did not step back a reading";
  EXPECT_FALSE(menuFrom(plot, Qt::Key_F10, Qt::ShiftModifier).isNull()) << "no chart menu";
  QTest::keyClick(plot, Qt::Key_Home);
  EXPECT_TRUE(Probe().Chart().Following());
}

// On laptop screens at the desktop's scale the window takes the room there
// is and its form scrolls: every control can be brought into view and used,
// in the Tab order it had.
TEST_F(EveryUserTest, TheWindowFitsSmallAndScaledScreens) {
  const struct {
    QSize screen;
    double scale;
  } screens[] = {{{1366, 768}, 1.25}, {{1366, 768}, 1.5}, {{1366, 768}, 2.0},
                 {{1920, 1080}, 1.25}, {{1920, 1080}, 1.5}, {{1920, 1080}, 2.0}};
  for (const auto& [screen, scale] : screens) {
    SCOPED_TRACE(QString("%1x%2 at %3").arg(screen.width()).arg(screen.height()).arg(scale)
                     .toStdString());
    Start(sim::GenerateRecords(5, 92));
    const QSize room = (QSizeF(screen) / scale).toSize() - QSize(16, 48);
    dlg_->FitInto(room);
    QTest::qWait(20);
    EXPECT_LE(dlg_->width(), room.width());
    EXPECT_LE(dlg_->height(), room.height());
    auto* scroll = dlg_->findChild<QScrollArea*>("FormScroll");
    const bool fits = room.width() >= 919 && room.height() >= 684;
    ASSERT_EQ(scroll == nullptr, fits);
    if (fits) {
      dlg_.reset();
      continue;
    }
    for (const char* name : {"ScanButton", "ConnectButton", "ReceiveButton", "SaveExcelButton",
                             "GraphButton", "PortCombo", "BaudCombo", "IntervalCombo",
                             "StatisticsLabel", "TransferStatus"}) {
      QWidget* control = Probe().Find<QWidget>(name);
      // Scrolled to as a whole (ensureWidgetVisible would bring only an
      // editable box's cursor into view).
      const QRect viewport = scroll->viewport()->rect();
      const QRect place(control->mapTo(scroll->widget(), QPoint()), control->size());
      const auto bring = [](QScrollBar* bar, int start, int length, int view) {
        if (start + length > bar->value() + view) bar->setValue(start + length - view);
        if (start < bar->value()) bar->setValue(start);
      };
      bring(scroll->horizontalScrollBar(), place.x(), place.width(), viewport.width());
      bring(scroll->verticalScrollBar(), place.y(), place.height(), viewport.height());
      // Whole, or as much as the room holds of one wider than it.
      const QRect shown(control->mapTo(scroll->viewport(), QPoint()), control->size());
      EXPECT_EQ(shown.intersected(viewport).size(), control->size().boundedTo(viewport.size()))
          << name;
    }
    Probe().Button("ScanButton").setFocus(Qt::TabFocusReason);
    QTest::keyClick(&Probe().Button("ScanButton"), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), &Probe().Button("ConnectButton"));
    QTest::mouseClick(&Probe().Button("ConnectButton"), Qt::LeftButton);
    QTest::mouseClick(&Probe().Button("ReceiveButton"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Probe().Serial().PortOpen(); }, 10000));
    EXPECT_EQ(Probe().RowCounter(), 5);
    dlg_.reset();
    meters_.clear();
  }
}

// Texts of the window that are not its pictures' (those are drawn to fit):
// each with what it must fit in.
struct ShownText {
  QString name, text;
  QWidget* widget = nullptr;
};

std::vector<ShownText> TextsOf(QWidget& window) {
  std::vector<ShownText> texts;
  for (QLabel* label : window.findChildren<QLabel*>())
    if (label->isVisible() && !label->text().isEmpty())
      texts.push_back({label->objectName(), label->text(), label});
  for (QComboBox* combo : window.findChildren<QComboBox*>())
    if (combo->isVisible())
      for (int i = 0; i < combo->count(); ++i)
        texts.push_back({combo->objectName(), combo->itemText(i), combo});
  return texts;
}

// Whether `text` shows whole in its widget at the widget's font: a label
// in its lines (wrapped where it wraps), a combo box's item beside the
// arrow.
bool ShowsWhole(const ShownText& shown) {
  const QFontMetrics metrics = shown.widget->fontMetrics();
  if (auto* label = qobject_cast<QLabel*>(shown.widget)) {
    const QRect room = label->contentsRect();
    const QRect needed = metrics.boundingRect(
        room.x(), room.y(), room.width(), 100000,
        (label->wordWrap() ? Qt::TextWordWrap : 0) | int(label->alignment()), shown.text);
    return needed.width() <= room.width() && needed.height() <= room.height();
  }
  auto* combo = qobject_cast<QComboBox*>(shown.widget);
  QStyleOptionComboBox option;
  option.initFrom(combo);
  option.editable = combo->isEditable();
  option.frame = combo->hasFrame();
  const QRect field =
      combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField,
                                     combo);
  // A line edit keeps two pixels each side of its text.
  const int margins = combo->isEditable() ? 4 : 0;
  return metrics.horizontalAdvance(shown.text) + margins <= field.width() &&
         metrics.height() <= field.height();
}

// With the desktop's fonts larger than the form was drawn for (a desktop
// at 125 % to 200 % that scales its fonts, QT_FONT_DPI=120 to 192), in
// every language, after a transfer, no text in the window is cut.
TEST_F(EveryUserTest, NoTextIsCutWithLargerFontsInAnyLanguage) {
  const QFont normal = QApplication::font();
  for (const double scale : {1.0, 1.25, 1.5, 2.0}) {
    for (const char* language : {"en", "de", "fr", "es", "pt", "zh_CN"}) {
      SCOPED_TRACE(QString("%1 at %2").arg(language).arg(scale).toStdString());
      QFont larger = normal;
      larger.setPointSizeF(normal.pointSizeF() * scale);
      QApplication::setFont(larger);
      UseLanguage(QLocale(QString::fromLatin1(language)));
      Start(sim::GenerateRecords(5, 92));
      QTest::mouseClick(&Probe().Button("ConnectButton"), Qt::LeftButton);
      QTest::mouseClick(&Probe().Button("ReceiveButton"), Qt::LeftButton);
      ASSERT_TRUE(QTest::qWaitFor([&] { return !Probe().Serial().PortOpen(); }, 10000));
      QTest::qWait(20);
      for (const ShownText& shown : TextsOf(*dlg_))
        EXPECT_TRUE(ShowsWhole(shown)) << shown.name.toStdString() << ": "
                                       << shown.text.toStdString();
      const auto& header = *Probe().Table().horizontalHeader();
      for (int c = 0; c < Probe().Table().HeaderItemCount(); ++c)
        EXPECT_LE(header.fontMetrics().horizontalAdvance(Probe().Table().HeaderText(c)) + 8,
                  header.sectionSize(c))
            << c;
      dlg_.reset();
      meters_.clear();
    }
  }
  QApplication::setFont(normal);
}

// GNOME's dark style reaches Qt 6.4 only through the desktop portal: a
// stub of it on a session bus of the test's own says dark, then light, and
// the window follows each while it runs.
TEST_F(EveryUserTest, TheWindowFollowsTheDesktopPortalsDarkStyle) {
  QProcess bus;
  bus.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
  ASSERT_TRUE(bus.waitForReadyRead(5000)) << "no dbus-daemon";
  const QString address = QString::fromLatin1(bus.readLine()).trimmed();
  QProcess portal;
  portal.start("/usr/bin/python3", {ORBEK_PORTAL_STUB, address});
  ASSERT_TRUE(portal.waitForReadyRead(10000)) << portal.readAllStandardError().toStdString();
  ASSERT_EQ(portal.readLine().trimmed(), "ready");
  {
    QDBusConnection connection = QDBusConnection::connectToBus(address, "portal-test");
    ASSERT_TRUE(connection.isConnected());
    const QPalette light = QApplication::palette();
    DesktopScheme scheme(connection);
    QObject::connect(&scheme, &DesktopScheme::Changed, &ApplyScheme);
    Start();
    const auto windowIsDark = [this] {
      return dlg_->palette().color(QPalette::Window).lightness() < 128;
    };
    EXPECT_TRUE(QTest::qWaitFor(windowIsDark, 5000)) << "the portal's dark was not followed";
    EXPECT_GT(dlg_->palette().color(QPalette::WindowText).lightness(), 200);
    portal.write("2\n");
    portal.waitForBytesWritten(3000);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !windowIsDark(); }, 5000))
        << "the change to light was not followed";
    EXPECT_EQ(QApplication::palette().color(QPalette::Window), light.color(QPalette::Window));
    dlg_.reset();
  }
  QDBusConnection::disconnectFromBus("portal-test");
  portal.closeWriteChannel();
  portal.waitForFinished(3000);
  bus.kill();
  bus.waitForFinished(3000);
}

// The focus shows from the first frame, on a button and in the table, at
// 3:1 or more against what it is drawn on, in a light and a dark palette.
TEST_F(EveryUserTest, TheFocusShowsFromTheStartAndStandsOut) {
  const QPalette light = QApplication::palette();
  for (const bool dark : {false, true}) {
    SCOPED_TRACE(dark ? "dark" : "light");
    QApplication::setPalette(dark ? DarkPalette() : light);
    Start(sim::GenerateRecords(30, 93));
    dlg_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dlg_.get()));
    auto& scan = Probe().Button("ScanButton");
    ASSERT_TRUE(scan.hasFocus());
    const QImage framed = scan.grab().toImage();
    const QColor face = scan.CurrentFace().toImage().pixelColor(scan.width() / 2, 4);
    EXPECT_GE(ContrastRatio(framed.pixelColor(scan.width() / 2, 4), face), 3.0)
        << "no focus frame on Seach at start-up";

    QTest::mouseClick(&Probe().Button("ConnectButton"), Qt::LeftButton);
    QTest::mouseClick(&Probe().Button("ReceiveButton"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Probe().Serial().PortOpen(); }, 10000));
    auto& table = Probe().Table();
    table.setFocus(Qt::TabFocusReason);
    const QModelIndex current = table.currentIndex();
    ASSERT_TRUE(current.isValid()) << "no cell has the focus";
    const QRect cell = table.visualRect(current);
    ASSERT_TRUE(table.viewport()->rect().contains(cell)) << "the focused cell is out of view";
    const QImage shown = table.viewport()->grab().toImage();
    const QColor edge = shown.pixelColor(cell.left() + 1, cell.center().y());
    const QColor inside = shown.pixelColor(cell.left() + 4, cell.top() + 3);
    EXPECT_GE(ContrastRatio(edge, inside), 3.0) << "the table's focus does not stand out";
    dlg_.reset();
    meters_.clear();
  }
  QApplication::setPalette(light);
}

// The same window in every language Orbek has: the pictures' texts drawn
// in it at a readable size, the table's headings whole; in English every
// picture is the committed bitmap and every text the source's own.
TEST_F(EveryUserTest, EachLanguageFitsAndEnglishIsUnchanged) {
  for (const char* language : {"de", "fr", "es", "pt", "zh_CN", "en"}) {
    SCOPED_TRACE(language);
    const bool english = std::string_view(language) == "en";
    EXPECT_EQ(UseLanguage(QLocale(QString::fromLatin1(language))), !english);
    boxes_.boxes.clear();
    Start();
    for (const int id : BitmapIds()) {
      const QString english = QString::fromUtf8(BitmapText(id));
      const QString shown = QCoreApplication::translate("Artwork", BitmapText(id));
      EXPECT_EQ(shown == english, std::string_view(language) == "en" || english == "Orbek") << id;
      // As large as its English neighbour's, or nearly: a label never
      // shrinks to fit where its neighbours do not.
      EXPECT_GE(FittedTextPixels(id, shown), FittedTextPixels(id, english) - 1)
          << id << " " << shown.toStdString();
    }
    // Labels side by side say different things.
    QStringList labels;
    for (const char* label : {"CommunicationPortBitmap", "BaudRateBitmap", "PortSettingsBitmap",
                              "IntervalRecordingBitmap"})
      labels << QCoreApplication::translate(
          "Artwork", BitmapText(Probe().Label(label).property("bitmapId").toInt()));
    EXPECT_EQ(QSet<QString>(labels.begin(), labels.end()).size(), labels.size())
        << labels.join(" | ").toStdString();
    const auto& header = *Probe().Table().horizontalHeader();
    for (int c = 0; c < Probe().Table().HeaderItemCount(); ++c)
      EXPECT_LE(header.fontMetrics().horizontalAdvance(Probe().Table().HeaderText(c)) + 8,
                header.sectionSize(c))
          << c;
    if (std::string_view(language) == "de") {
      EXPECT_TRUE(dlg_->grab().save(QString(ORBEK_SCREENSHOT_DIR) + "/orbek-de.png"));
    }
    ASSERT_FALSE(boxes_.boxes.empty());
    if (english) {
      EXPECT_EQ(boxes_.boxes[0].text, "Found a port on your computer");
      for (const char* label : {"BaudRateBitmap", "CommunicationPortBitmap", "LogoBitmap"}) {
        const QLabel& picture = Probe().Label(label);
        EXPECT_EQ(picture.pixmap().toImage(),
                  LoadBitmap(picture.property("bitmapId").toInt()).toImage());
      }
    } else {
      EXPECT_NE(boxes_.boxes[0].text, "Found a port on your computer");
    }
    dlg_.reset();
    meters_.clear();
  }
}

// The main job in every language: Connect, Receive with the interval the
// user picked, every reading in the table, Save. The interval list's items
// read differently in each language; the byte sent must not.
TEST_F(EveryUserTest, AWholeTransferInEveryLanguage) {
  QTemporaryDir dir;
  const auto records = sim::GenerateRecords(25, 8);
  for (const char* language : {"de", "fr", "es", "pt", "zh_CN", "en"}) {
    SCOPED_TRACE(language);
    UseLanguage(QLocale(QString::fromLatin1(language)));
    for (const int interval : {0, 5}) {
      Start(records);
      EXPECT_NE(Name(&Probe().Button("GraphButton")), Name(&Probe().Chart()))
          << "the Graph button and the chart sound alike";
      Probe().Combo("IntervalCombo").setCurrentIndex(interval);
      QTest::mouseClick(&Probe().Button("ConnectButton"), Qt::LeftButton);
      QTest::mouseClick(&Probe().Button("ReceiveButton"), Qt::LeftButton);
      ASSERT_TRUE(QTest::qWaitFor([&] { return !Probe().Serial().PortOpen(); }, 10000))
          << "rows: " << Probe().RowCounter();
      EXPECT_EQ(Probe().RowCounter(), 25);
      // The statistics' numbers carry the language's decimal sign, the
      // file keeps the point.
      const QString statistics = Probe().Label("StatisticsLabel").text();
      const QChar decimal = QLocale(QString::fromLatin1(language)).decimalPoint().at(0);
      const QChar other = decimal == '.' ? ',' : '.';
      EXPECT_TRUE(statistics.contains(QRegularExpression(QString("\\d\\%1\\d").arg(decimal))))
          << statistics.toStdString();
      EXPECT_FALSE(statistics.contains(QRegularExpression(QString("\\d\\%1\\d").arg(other))))
          << statistics.toStdString();
      ASSERT_TRUE(meters_.back()->WaitForReceived(2, std::chrono::seconds(2)));
      EXPECT_EQ(meters_.back()->Received().front(), 0xB1 + interval);
      const QString saved = dir.filePath(QString("%1-%2.csv").arg(language).arg(interval));
      SetSaveDialogHandler([saved] { return saved; });
      QTest::mouseClick(&Probe().Button("SaveExcelButton"), Qt::LeftButton);
      SetSaveDialogHandler({});
      QFile file(saved);
      ASSERT_TRUE(file.open(QIODevice::ReadOnly));
      // A save that fails says why in the window's language.
      SetSaveDialogHandler([&dir] { return dir.filePath("no/such/folder/x.csv"); });
      boxes_.boxes.clear();
      QTest::mouseClick(&Probe().Button("SaveExcelButton"), Qt::LeftButton);
      SetSaveDialogHandler({});
      ASSERT_FALSE(boxes_.boxes.empty());
      const QString why = boxes_.boxes.back().text;
      EXPECT_EQ(why.startsWith("Cannot save"), std::string_view(language) == "en")
          << why.toStdString();
      EXPECT_TRUE(why.contains("no/such/folder")) << why.toStdString();
      const QByteArray csv = file.readAll();
      EXPECT_EQ(csv.count('\n'), 26) << "the header and every reading";
      EXPECT_TRUE(QRegularExpression("\\d\\.\\d").match(QString::fromUtf8(csv)).hasMatch())
          << "the file's numbers keep the point";
      dlg_.reset();
      meters_.clear();
    }
  }
}

// What the line and the journal report is worded by the window in its
// language, with every particular; orbek-log keeps English.
TEST_F(EveryUserTest, TheLinesTroublesAreSaidInTheWindowsLanguage) {
  const LinkProblem problems[] = {
      {LinkProblem::Kind::StopMayNotHaveLeft, "/dev/ttyUSB0", "timed out", 0, ""},
      {LinkProblem::Kind::StopNotSent, "/dev/ttyUSB0", "no such device", 0, ""},
      {LinkProblem::Kind::PortFailed, "/dev/ttyUSB0", "I/O error", 0, ""},
      {LinkProblem::Kind::JournalHolding, "/var/j.capture", "the disk is full", 1234, "64 MiB"},
      {LinkProblem::Kind::JournalDropping, "/var/j.capture", "the disk is full", 5678, "64 MiB"},
  };
  for (const char* language : {"de", "fr", "es", "pt", "zh_CN"}) {
    SCOPED_TRACE(language);
    UseLanguage(QLocale(QString::fromLatin1(language)));
    for (const LinkProblem& problem : problems) {
      const QString said = OrbekDlgProbe::Said(problem);
      EXPECT_NE(said, problem.Text());
      EXPECT_TRUE(said.contains(problem.reason)) << said.toStdString();
      if (problem.reading > 0) {
        EXPECT_TRUE(said.contains(QString::number(problem.reading))) << said.toStdString();
      }
    }
  }
  UseLanguage(QLocale(QLocale::English));
  for (const LinkProblem& problem : problems)
    EXPECT_EQ(OrbekDlgProbe::Said(problem), problem.Text()) << "English reads as orbek-log's";
}

// What the port itself says when it cannot be opened, and how the line
// fell out of step, reach the window in its language too; English reads
// as orbek-log's.
TEST_F(EveryUserTest, WhyThePortFailedAndWhatTheLineLostAreSaidInTheWindowsLanguage) {
  MeterSimulator meter(MeterSimulator::Options{});
  const QString held = QString::fromStdString(meter.DevicePath());
  CMscomm1 holder;
  holder.SetCommPort(held);
  holder.SetPortOpen(true);
  const auto openFails = [](const QString& port) {
    CMscomm1 port_;
    port_.SetCommPort(port);
    try {
      port_.SetPortOpen(true);
    } catch (const SerialError& error) {
      return QString::fromUtf8(error.what());
    }
    return QString();
  };
  StepLoss loss;
  loss.times = 2;
  loss.skippedBytes = 7;
  loss.lostReadings = 3;
  loss.lostAfterRows = {-1, 41};
  loss.wrongRows = {12, 13, 14};
  const QString ports[] = {held, QStringLiteral("/dev/ttyNOSUCHPORT")};
  UseLanguage(QLocale(QLocale::English));
  const QString english[] = {openFails(ports[0]), openFails(ports[1])};
  const QString englishLoss = OrbekDlgProbe::Said(loss);
  EXPECT_EQ(englishLoss.toStdString(), loss.Describe());
  for (const char* language : {"de", "fr", "es", "pt", "zh_CN"}) {
    SCOPED_TRACE(language);
    UseLanguage(QLocale(QString::fromLatin1(language)));
    for (int i = 0; i < 2; ++i) {
      const QString said = openFails(ports[i]);
      EXPECT_FALSE(english[i].isEmpty());
      EXPECT_NE(said, english[i]);
      EXPECT_TRUE(said.contains(ports[i])) << said.toStdString();
    }
    const QString said = OrbekDlgProbe::Said(loss);
    EXPECT_NE(said, englishLoss);
    for (const char* number : {"7", "3", "12", "14", "41"})
      EXPECT_TRUE(said.contains(QLatin1String(number))) << number << ": " << said.toStdString();
  }
  UseLanguage(QLocale(QLocale::English));
}

// Details a file could not keep as typed are refused where they are
// given, naming the field, and the dialog stays open to mend them.
TEST_F(EveryUserTest, TheDetailsDialogRefusesWhatNoFileCouldKeep) {
  const struct {
    const char* field;
    QString text;
    bool kept;
  } cases[] = {{"sample", "S-1\x07", false},
               {"note", QString(32768, 'n'), false},
               {"operator", "Ana Lima", true},
               {"note", "two\nlines", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.field);
    boxes_.boxes.clear();
    SampleDetailsDialog dialog({});
    QWidget* editor = dialog.findChild<QWidget*>(c.field);
    ASSERT_NE(editor, nullptr);
    if (auto* line = qobject_cast<QLineEdit*>(editor)) line->setText(c.text);
    if (auto* note = qobject_cast<QPlainTextEdit*>(editor)) note->setPlainText(c.text);
    dialog.accept();
    EXPECT_EQ(dialog.result() == QDialog::Accepted, c.kept);
    EXPECT_EQ(boxes_.boxes.size(), c.kept ? 0u : 1u);
  }
}

// Under a dark palette every picture is dark with light text, of a
// contrast a reader can read, and the chart follows.
TEST_F(EveryUserTest, ADarkPaletteKeepsEveryLabelLegible) {
  const QPalette light = QApplication::palette();
  QStyle* fusion = QStyleFactory::create("Fusion");
  QPalette dark = fusion->standardPalette();
  for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    dark.setColor(group, QPalette::Window, QColor(45, 45, 48));
    dark.setColor(group, QPalette::WindowText, QColor(230, 230, 230));
    dark.setColor(group, QPalette::Base, QColor(30, 30, 30));
    dark.setColor(group, QPalette::Text, QColor(230, 230, 230));
    dark.setColor(group, QPalette::Button, QColor(55, 55, 58));
    dark.setColor(group, QPalette::ButtonText, QColor(230, 230, 230));
  }
  QApplication::setPalette(dark);
  Start();
  const auto luminance = [](QRgb pixel) {
    const auto channel = [](int c) {
      const double v = c / 255.0;
      return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(qRed(pixel)) + 0.7152 * channel(qGreen(pixel)) +
           0.0722 * channel(qBlue(pixel));
  };
  for (QLabel* label : dlg_->findChildren<QLabel*>()) {
    if (!label->property("bitmapId").isValid()) continue;
    const QImage image = label->pixmap().toImage();
    const double background = luminance(image.pixel(0, 0));
    double brightest = background;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        brightest = std::max(brightest, luminance(image.pixel(x, y)));
    EXPECT_LT(background, 0.1) << label->objectName().toStdString() << " is a light patch";
    EXPECT_GE((brightest + 0.05) / (background + 0.05), 4.5) << label->objectName().toStdString();
  }
  const QImage face = Probe().Button("ConnectButton").CurrentFace().toImage();
  EXPECT_LT(luminance(face.pixel(face.width() - 5, face.height() / 2)), 0.1);
  QTest::mouseClick(&Probe().Button("GraphButton"), Qt::LeftButton);
  const QImage chart = Probe().Chart().grab().toImage();
  EXPECT_LT(luminance(chart.pixel(chart.width() / 2, chart.height() / 3)), 0.1);
  EXPECT_TRUE(dlg_->grab().save(QString(ORBEK_SCREENSHOT_DIR) + "/orbek-dark.png"));
  dlg_.reset();
  QApplication::setPalette(light);
  delete fusion;
}

}  // namespace
}  // namespace orbek
