#include <gtest/gtest.h>

#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QTest>
#include <QThread>
#include <future>
#include <map>
#include <thread>

#include "resources/Artwork.h"
#include "resources/Resources.h"
#include "ui/DesktopScheme.h"
#include "ui/SaveDialog.h"

#include "link/PortDiscovery.h"
#include "tests/support/EventLoop.h"
#include "tests/support/OrbekDlgProbe.h"

namespace orbek {
namespace {

using sim::MeterSimulator;

class MainWindowTest : public ::testing::Test {
 protected:
  void StartWith(int meters) {
    for (int i = 0; i < meters; ++i)
      meters_.push_back(std::make_unique<MeterSimulator>(MeterSimulator::Options{}));
    dlg_ = std::make_unique<COrbekDlg>(nullptr, MetersOnly(meters_));
    boxes_.window = dlg_.get();
    dlg_->OnInitDialog();
    dlg_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg_.get()));
  }
  OrbekDlgProbe Probe() { return OrbekDlgProbe(*dlg_); }

  BoxRecorder boxes_;
  std::vector<std::unique_ptr<MeterSimulator>> meters_;
  std::unique_ptr<COrbekDlg> dlg_;
};

TEST_F(MainWindowTest, StateAfterStartUp) {
  StartWith(1);
  const auto probe = Probe();
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].text, "Found a port on your computer");
  EXPECT_EQ(boxes_.boxes[0].caption, "Message");
  EXPECT_FALSE(boxes_.boxes[0].windowVisible) << "the scan box comes before the window";

  EXPECT_TRUE(dlg_->windowTitle().isEmpty());
  EXPECT_EQ(dlg_->size(), QSize(919, 684));

  auto& baud = probe.Combo("BaudCombo");
  ASSERT_EQ(baud.count(), 3);
  EXPECT_EQ(baud.itemText(0), "115200");
  EXPECT_EQ(baud.itemText(1), "19200");
  EXPECT_EQ(baud.itemText(2), "9600");
  EXPECT_EQ(baud.currentIndex(), 2);
  auto& interval = probe.Combo("IntervalCombo");
  const QStringList intervals = {"OFF", "10 sec.", "30 sec.", "1 min.", "10 min.", "30 min."};
  ASSERT_EQ(interval.count(), intervals.size());
  for (int i = 0; i < interval.count(); ++i)
    EXPECT_EQ(interval.itemText(i), intervals[i]);
  EXPECT_EQ(interval.currentText(), "OFF");
  auto& port = probe.Combo("PortCombo");
  ASSERT_EQ(port.count(), 1);
  const QString path = QString::fromStdString(meters_[0]->DevicePath());
  EXPECT_EQ(port.itemText(0), PortDisplayName(path));
  EXPECT_EQ(port.currentIndex(), 0);
  EXPECT_EQ(probe.PortNumberList(), std::vector<QString>{path});

  auto& table = probe.Table();
  ASSERT_EQ(table.HeaderItemCount(), 4);
  const QStringList headings = {"No.", "Date and Time", "Measured Value", "Temperature"};
  int widths = 0;
  for (int c = 0; c < 4; ++c) {
    EXPECT_EQ(table.HeaderText(c), headings[c]);
    EXPECT_EQ(table.ColumnWidth(c), table.ClientRect().width() / 4);
    widths += table.ColumnWidth(c);
  }
  EXPECT_EQ(table.ColumnWidth(0), 159);
  EXPECT_LE(widths, table.ClientRect().width());
  ASSERT_EQ(table.ItemCount(), 5001);
  for (int row = 0; row < 5001; ++row) {
    ASSERT_EQ(table.ItemText(row, 0), QString::number(row));
    for (int c = 1; c < 4; ++c)
      ASSERT_TRUE(table.ItemText(row, c).isEmpty()) << row;
  }
  EXPECT_FALSE(table.verticalHeader()->isVisible());
  EXPECT_TRUE(table.showGrid());
  EXPECT_EQ(table.selectionBehavior(), QAbstractItemView::SelectRows);

  EXPECT_EQ(probe.Chart().SeriesCount(), 2);
  EXPECT_EQ(probe.ValueSeries().Count(), 0);
  EXPECT_EQ(probe.TemperatureSeries().Count(), 0);
  EXPECT_FALSE(probe.Chart().isVisible());
  EXPECT_TRUE(table.isVisible());
  EXPECT_FALSE(probe.Label("LegendValueBitmap").isVisible());
  EXPECT_FALSE(probe.Label("LegendTemperatureBitmap").isVisible());
  EXPECT_FALSE(probe.ChartShown());
  EXPECT_EQ(probe.RowCounter(), 0);
  EXPECT_FALSE(probe.Serial().PortOpen());

  const struct {
    const char* name;
    int normal, pressed;
  } faces[] = {{"ScanButton", 147, 146},
               {"ConnectButton", 139, 0},
               {"ReceiveButton", 143, 142},
               {"SaveExcelButton", 145, 144},
               {"GraphButton", 160, 159}};
  for (const auto& face : faces) {
    auto& button = probe.Button(face.name);
    EXPECT_EQ(button.size(), QSize(193, 39)) << face.name;
    EXPECT_EQ(button.NormalBitmapId(), face.normal) << face.name;
    EXPECT_EQ(button.PressedBitmapId(), face.pressed) << face.name;
  }
  EXPECT_TRUE(probe.Button("ScanButton").hasFocus());
}

TEST_F(MainWindowTest, ChartKeepsItsStoredProperties) {
  StartWith(1);
  const auto& chart = Probe().Chart();
  EXPECT_TRUE(chart.TitleText().isEmpty());
  EXPECT_FALSE(chart.BottomAxisGridVisible());
  EXPECT_FALSE(chart.LeftAxisGridVisible());
  EXPECT_FALSE(chart.LeftAxisAutomatic());
  EXPECT_FALSE(chart.LegendVisible());
  EXPECT_FALSE(chart.View3D());
}

TEST_F(MainWindowTest, ScanReportsByCountAndSelectsTheLowestPort) {
  struct Case {
    int meters;
    const char* text;
    const char* caption;
  };
  for (const Case& c : {Case{0, "Port cannot be found", "Warnning"},
                        Case{3, "Found the 3 ports on your computer", "Message"}}) {
    boxes_.boxes.clear();
    meters_.clear();
    StartWith(c.meters);
    ASSERT_EQ(boxes_.boxes.size(), 1u);
    EXPECT_EQ(boxes_.boxes[0].text, c.text);
    EXPECT_EQ(boxes_.boxes[0].caption, c.caption);
    auto& port = Probe().Combo("PortCombo");
    EXPECT_EQ(port.count(), c.meters);
    EXPECT_EQ(port.currentIndex(), c.meters > 0 ? 0 : -1);
    EXPECT_EQ(Probe().PortNumberList().size(), static_cast<std::size_t>(c.meters));
    for (int i = 1; i < port.count(); ++i)
      EXPECT_TRUE(NaturalLess(port.itemText(i - 1), port.itemText(i)));
    dlg_.reset();
  }
}

TEST_F(MainWindowTest, GraphButtonSwitchesViewsBackAndForth) {
  StartWith(1);
  auto probe = Probe();
  auto& graph = probe.Button("GraphButton");
  QTest::mouseClick(&graph, Qt::LeftButton);
  EXPECT_TRUE(probe.ChartShown());
  EXPECT_TRUE(probe.Chart().isVisible());
  EXPECT_FALSE(probe.Table().isVisible());
  EXPECT_TRUE(probe.Label("LegendValueBitmap").isVisible());
  EXPECT_TRUE(probe.Label("LegendTemperatureBitmap").isVisible());
  EXPECT_EQ(graph.NormalBitmapId(), 161);
  EXPECT_EQ(graph.PressedBitmapId(), 0) << "the darker face is gone after the first switch";
  QTest::mouseClick(&graph, Qt::LeftButton);
  EXPECT_FALSE(probe.ChartShown());
  EXPECT_FALSE(probe.Chart().isVisible());
  EXPECT_TRUE(probe.Table().isVisible());
  EXPECT_FALSE(probe.Label("LegendValueBitmap").isVisible());
  EXPECT_FALSE(probe.Label("LegendTemperatureBitmap").isVisible());
  EXPECT_EQ(graph.NormalBitmapId(), 160);
  EXPECT_EQ(graph.PressedBitmapId(), 0);
  EXPECT_TRUE(graph.isEnabled());
}

TEST_F(MainWindowTest, PressedFacesShowOnlyWhereLoaded) {
  StartWith(1);
  auto probe = Probe();
  auto& receive = probe.Button("ReceiveButton");
  receive.setDown(true);
  EXPECT_EQ(receive.CurrentFace().toImage(), LoadBitmap(142).toImage());
  receive.setDown(false);
  EXPECT_EQ(receive.CurrentFace().toImage(), LoadBitmap(143).toImage());
  auto& connect = probe.Button("ConnectButton");
  connect.setDown(true);
  EXPECT_EQ(connect.CurrentFace().toImage(), LoadBitmap(139).toImage());
}

TEST_F(MainWindowTest, ClosingAsksAndHonoursTheAnswer) {
  StartWith(1);
  const std::size_t before = boxes_.boxes.size();
  boxes_.AnswerYesNo(IDNO);
  dlg_->close();
  ASSERT_EQ(boxes_.boxes.size(), before + 1);
  EXPECT_EQ(boxes_.boxes.back().text, "WARNING! All data will be lost if the windows closed");
  EXPECT_EQ(boxes_.boxes.back().caption, "Warning");
  EXPECT_EQ(boxes_.boxes.back().buttons, MessageButtons::YesNo);
  EXPECT_TRUE(dlg_->isVisible());
  boxes_.AnswerYesNo(IDYES);
  dlg_->close();
  EXPECT_FALSE(dlg_->isVisible());
  EXPECT_EQ(dlg_->result(), QDialog::Rejected);
}

TEST_F(MainWindowTest, EscapeAndEnterAskBeforeClosing) {
  StartWith(1);
  boxes_.AnswerYesNo(IDNO);
  for (const auto key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
    const std::size_t before = boxes_.boxes.size();
    QTest::keyClick(dlg_.get(), key);
    EXPECT_TRUE(dlg_->isVisible()) << key;
    if (key == Qt::Key_Escape) {
      ASSERT_EQ(boxes_.boxes.size(), before + 1);
      EXPECT_EQ(boxes_.boxes.back().caption, "Warning");
    }
  }
  // Enter in a box's edit field does not end the window either.
  auto& interval = Probe().Combo("IntervalCombo");
  interval.setFocus();
  QTest::keyClick(&interval, Qt::Key_Return);
  EXPECT_TRUE(dlg_->isVisible());
  boxes_.AnswerYesNo(IDYES);
  QTest::keyClick(dlg_.get(), Qt::Key_Escape);
  EXPECT_FALSE(dlg_->isVisible());
}

TEST_F(MainWindowTest, TypedTextNeverBecomesAnItemAndCountsAsNoSelection) {
  StartWith(1);
  auto& baud = Probe().Combo("BaudCombo");
  baud.setFocus();
  baud.lineEdit()->selectAll();
  QTest::keyClicks(baud.lineEdit(), "57600");
  QTest::keyClick(baud.lineEdit(), Qt::Key_Return);
  EXPECT_EQ(baud.count(), 3);
  EXPECT_EQ(SelectedIndex(baud), -1);
  baud.lineEdit()->selectAll();
  QTest::keyClicks(baud.lineEdit(), "19200");
  EXPECT_EQ(SelectedIndex(baud), 1);
  EXPECT_EQ(baud.count(), 3);
}

TEST_F(MainWindowTest, LastRowCanBeScrolledFullyIntoView) {
  StartWith(1);
  auto& table = Probe().Table();
  table.EnsureVisible(5000);
  // The scroll comes with the table's next frame.
  const auto visible = [&] {
    return table.viewport()->rect().contains(table.visualRect(table.model()->index(5000, 0)));
  };
  EXPECT_TRUE(test::WaitUntil(visible, 2000)) << "row 5000 not fully visible";
}

TEST_F(MainWindowTest, SavesScreenshotsForPeopleToLookAt) {
  StartWith(1);
  QDir().mkpath(ORBEK_SCREENSHOT_DIR);
  EXPECT_TRUE(dlg_->grab().save(QString(ORBEK_SCREENSHOT_DIR) + "/orbek-start.png"));
}

}  // namespace
}  // namespace orbek

namespace orbek {
namespace {

// Each dialog offers its types in order (the workbook's .xls first, then
// .xlsx, then CSV), and the suffix a typed name gets follows the type.
TEST(SaveDialogTest, OffersItsTypesInOrderAndTheSuffixFollowsTheType) {
  const struct {
    SaveKind kind;
    QStringList filters;
    QStringList suffixes;
  } cases[] = {
      {WorkbookKind(), {"(*.xls)", "(*.xlsx)", "CSV (*.csv)"}, {"xls", "xlsx", "csv"}},
      {ReportKind(), {"PDF report (*.pdf)"}, {"pdf"}},
      {PictureKind(),
       {"PNG image (*.png)", "SVG drawing (*.svg)", "PDF document (*.pdf)"},
       {"png", "svg", "pdf"}},
  };
  for (const auto& c : cases) {
    const auto dialog = MakeSaveDialog(c.kind);
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(dialog->nameFilters(), c.filters);
    EXPECT_EQ(dialog->defaultSuffix(), c.suffixes.first());
    EXPECT_FALSE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
    for (qsizetype i = c.filters.size() - 1; i >= 0; --i) {
      emit dialog->filterSelected(c.filters[i]);
      EXPECT_EQ(dialog->defaultSuffix(), c.suffixes[i]);
    }
  }
}

}  // namespace
}  // namespace orbek

namespace orbek {
namespace {

// The bitmaps made on another thread while the window is built are those
// it would make itself, and only in the look they were made in: a language,
// a dark palette or a larger font set since makes them afresh.
TEST(BitmapsTest, BitmapsMadeAheadAreShownOnlyInTheLookTheyWereMadeIn) {
  const QPalette light = QApplication::palette();
  const std::pair<const char*, std::function<void()>> looks[] = {
      {"plain", [] {}},
      {"German", [] { UseLanguage(QLocale(QLocale::German)); }},
      {"dark", [] { QApplication::setPalette(DarkPalette()); }},
      {"grown", [] { SetBitmapGrowth(1.5); }}};
  const auto plain = [&light] {
    UseLanguage(QLocale(QLocale::English));
    QApplication::setPalette(light);
    SetBitmapGrowth(1.0);
  };
  const auto shown = [] {
    std::map<int, QImage> images;
    for (const int id : BitmapIds())
      images[id] = LoadBitmap(id).toImage();
    return images;
  };
  std::map<std::string, std::map<int, QImage>> expected;
  for (const auto& [name, set] : looks) {
    plain();
    set();
    expected[name] = shown();
  }
  for (const auto& [made, setMade] : looks) {
    for (const auto& [asked, setAsked] : looks) {
      plain();
      setMade();
      std::thread making(PrepareBitmaps());
      if (std::string(made) != asked) {  // while making, the look stays
        making.join();
        plain();
        setAsked();
      }
      const std::map<int, QImage> images = shown();
      if (making.joinable()) making.join();
      for (const auto& [id, image] : images)
        EXPECT_EQ(image, expected[asked][id]) << id << " made " << made << ", shown " << asked;
    }
  }
  plain();
}

// Every bitmap the window uses, at the size the window lays out, on the
// dialog face colour; of each button pair the lower id is the darker face.
TEST(BitmapsTest, EachBitmapHasItsSizeAndBackground) {
  const std::pair<int, QSize> sizes[] = {
      {136, {69, 15}},  {137, {187, 40}}, {138, {193, 39}}, {139, {193, 39}}, {140, {122, 21}},
      {141, {81, 19}},  {142, {193, 39}}, {143, {193, 39}}, {144, {193, 39}}, {145, {193, 39}},
      {146, {193, 39}}, {147, {193, 39}}, {148, {100, 12}}, {149, {193, 39}}, {150, {193, 39}},
      {153, {108, 17}}, {159, {193, 39}}, {160, {193, 39}}, {161, {193, 39}}, {165, {111, 17}},
      {166, {111, 17}}};
  for (const auto& [id, size] : sizes) {
    const QImage image = LoadBitmap(id).toImage();
    ASSERT_FALSE(image.isNull()) << id;
    EXPECT_EQ(image.size(), size) << id;
    // Inside the raised edge of a light button face, beside any picture of a label.
    const QPoint face = size == QSize(193, 39) ? QPoint(96, 2) : QPoint(size.width() - 1, 0);
    const bool darkFace =
        id == 138 || id == 142 || id == 144 || id == 146 || id == 149 || id == 159;
    if (!darkFace) {
      EXPECT_EQ(image.pixelColor(face), QColor(240, 240, 240)) << id;
    }
  }
  auto brightness = [](int id) {
    const QImage image = LoadBitmap(id).toImage();
    qint64 sum = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        sum += qGray(image.pixel(x, y));
    return sum;
  };
  for (const auto& [dark, light] : std::vector<std::pair<int, int>>{
           {138, 139}, {142, 143}, {144, 145}, {146, 147}, {149, 150}, {159, 160}})
    EXPECT_LT(brightness(dark), brightness(light)) << dark << " is not darker than " << light;
  // Each size from the file drawn for it or the next larger, never enlarged.
  const QIcon icon = ApplicationIcon();
  EXPECT_EQ(icon.availableSizes().size(), 8);
  for (const auto& [asked, given] : std::vector<std::pair<int, int>>{
           {16, 16}, {20, 20}, {32, 32}, {48, 48}, {256, 256}, {300, 256}}) {
    EXPECT_EQ(icon.pixmap(asked, asked).size(), QSize(given, given)) << asked;
    EXPECT_FALSE(icon.pixmap(QSize(asked, asked), QIcon::Disabled).isNull()) << asked;
  }
}

}  // namespace
}  // namespace orbek

namespace orbek {
namespace {

// The window's controls where the dialog template puts them, converted from
// dialog units (x * 6 / 4, y * 13 / 8). Buttons then take the size of their
// face, pictures the size of their bitmap, and a drop-down box's template
// height is that of its open list, so only its width is checked: at least
// the template's.
TEST_F(MainWindowTest, ControlsStandWhereTheTemplatePutsThem) {
  StartWith(1);
  enum class Sized { Template, Face, Bitmap, Width };
  struct Control {
    const char* name;
    int x, y, w, h;
    Sized sized;
  };
  const Control controls[] = {
      {"ScanButton", 460, 279, 149, 27, Sized::Face},
      {"ConnectButton", 460, 48, 149, 27, Sized::Face},
      {"ReceiveButton", 460, 78, 149, 27, Sized::Face},
      {"PortCombo", 543, 231, 46, 30, Sized::Width},
      {"BaudCombo", 543, 255, 46, 30, Sized::Width},
      {"SaveExcelButton", 460, 108, 149, 27, Sized::Face},
      {"ReadingsTable", 10, 48, 426, 355, Sized::Template},
      {"BaudRateBitmap", 497, 256, 46, 9, Sized::Bitmap},
      {"CommunicationPortBitmap", 460, 231, 81, 13, Sized::Bitmap},
      {"LogoBitmap", 8, 12, 125, 25, Sized::Bitmap},
      {"PortSettingsBitmap", 460, 210, 54, 12, Sized::Bitmap},
      {"SoftwareVersionBitmap", 459, 396, 67, 7, Sized::Bitmap},
      {"PortSettingsRule", 520, 216, 72, 1, Sized::Template},
      {"IntervalCombo", 461, 173, 127, 30, Sized::Width},
      {"IntervalRecordingBitmap", 460, 157, 72, 10, Sized::Bitmap},
      {"GraphButton", 460, 334, 149, 27, Sized::Face},
      {"IntervalRule", 537, 162, 54, 1, Sized::Template},
      {"Chart", 11, 72, 425, 331, Sized::Template},
      {"LegendTemperatureBitmap", 377, 48, 74, 10, Sized::Bitmap},
      {"LegendValueBitmap", 295, 48, 74, 10, Sized::Bitmap},
      {"GraphRule", 460, 319, 130, 1, Sized::Template},
  };
  for (const auto& c : controls) {
    const QWidget* widget = Probe().Find<QWidget>(c.name);
    EXPECT_EQ(widget->pos(), QPoint(c.x * 6 / 4, c.y * 13 / 8)) << c.name;
    QSize expected(c.w * 6 / 4, c.h * 13 / 8);
    if (c.sized == Sized::Face) expected = QSize(193, 39);
    if (c.sized == Sized::Bitmap) expected = qobject_cast<const QLabel*>(widget)->pixmap().size();
    if (c.sized == Sized::Width) {
      // Wider only where the font needs it to show an item whole, within
      // the form.
      EXPECT_GE(widget->width(), expected.width()) << c.name;
      EXPECT_LE(widget->geometry().right(), dlg_->width()) << c.name;
    } else {
      EXPECT_EQ(widget->size(), expected) << c.name;
    }
  }
  EXPECT_EQ(Probe().Table().width(), 639);
}

}  // namespace
}  // namespace orbek

#include <QAbstractItemView>
#include <QTemporaryDir>

namespace orbek {
namespace {

TEST(PortComboTest, ALinkedPortShowsItsNameTheListItsDescriptionAndTheTooltipThePath) {
  sim::MeterSimulator meter(sim::MeterSimulator::Options{});
  QTemporaryDir dir;
  const QString link = dir.filePath("orbek-meter-with-a-long-name-22364");
  ASSERT_TRUE(QFile::link(QString::fromStdString(meter.DevicePath()), link));
  const QString description = "Prolific Technology Inc. USB-Serial Controller";
  BoxRecorder boxes;
  COrbekDlg dlg(nullptr, [&] { return std::vector<PortCandidate>{{link, description}}; });
  dlg.OnInitDialog();
  auto& port = OrbekDlgProbe(dlg).Combo("PortCombo");
  ASSERT_EQ(port.count(), 1);
  EXPECT_EQ(port.itemText(0), "orbek-meter-with-a-long-name-22364");
  EXPECT_EQ(port.itemData(0, kItemDetailRole).toString(), description);
  EXPECT_EQ(port.toolTip(), link);
  const QFontMetrics metrics(port.view()->font());
  EXPECT_GT(port.view()->minimumWidth(), metrics.horizontalAdvance(port.itemText(0) + description));
  EXPECT_GT(port.view()->minimumWidth(), port.width()) << "the open list is no wider than the box";
}

// The first scan shows what the probe started with the window found, the
// probe run on a thread of its own; the Scan button tries the ports again.
TEST(PortComboTest, TheFirstScanTakesTheProbeUnderWayAndTheScanButtonProbesAgain) {
  sim::MeterSimulator early(sim::MeterSimulator::Options{}), later(sim::MeterSimulator::Options{});
  const auto candidate = [](const sim::MeterSimulator& meter) {
    return std::vector<PortCandidate>{{QString::fromStdString(meter.DevicePath()), {}}};
  };
  std::vector<PortCandidate> offered = candidate(early);
  std::promise<ProbeResult> probed;
  std::unique_ptr<QThread> probe(
      QThread::create([&probed, offered] { probed.set_value(ProbePorts(offered)); }));
  probe->start();
  BoxRecorder boxes;
  COrbekDlg dlg(nullptr, [&offered] { return offered; });
  dlg.ScanFirstFrom(probed.get_future());
  offered = candidate(later);
  dlg.OnInitDialog();
  probe->wait();
  auto& port = OrbekDlgProbe(dlg).Combo("PortCombo");
  ASSERT_EQ(port.count(), 1);
  EXPECT_EQ(port.toolTip().toStdString(), early.DevicePath());
  QTest::mouseClick(&OrbekDlgProbe(dlg).Button("ScanButton"), Qt::LeftButton);
  ASSERT_EQ(port.count(), 1);
  EXPECT_EQ(port.toolTip().toStdString(), later.DevicePath());
}

}  // namespace
}  // namespace orbek

namespace orbek {
namespace {

// Run by ctest with QT_SCALE_FACTOR=2, as on a 4K laptop at 200 %.
TEST(HiDpiTest, ButtonFacesAreDrawnFromTheirTwiceSizedImages) {
  if (qgetenv("QT_SCALE_FACTOR") != "2") GTEST_SKIP() << "needs QT_SCALE_FACTOR=2";
  const QPixmap face = LoadBitmap(139);
  EXPECT_EQ(face.devicePixelRatio(), 2.0);
  EXPECT_EQ(face.size(), QSize(386, 78));
  BoxRecorder boxes;
  sim::MeterSimulator meter(sim::MeterSimulator::Options{});
  COrbekDlg dlg(nullptr, [&] {
    return std::vector<PortCandidate>{{QString::fromStdString(meter.DevicePath()), {}}};
  });
  dlg.OnInitDialog();
  dlg.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
  OrbekDlgProbe probe(dlg);
  auto& connect = probe.Button("ConnectButton");
  EXPECT_EQ(connect.size(), QSize(193, 39)) << "the layout is in the window's own pixels";
  const QImage shot = connect.grab().toImage();
  EXPECT_EQ(shot.size(), QSize(386, 78));
  EXPECT_EQ(shot.devicePixelRatio(), 2.0);
  QDir().mkpath(ORBEK_SCREENSHOT_DIR);
  EXPECT_TRUE(dlg.grab().save(QString(ORBEK_SCREENSHOT_DIR) + "/orbek-scale2.png"));
}

}  // namespace
}  // namespace orbek
