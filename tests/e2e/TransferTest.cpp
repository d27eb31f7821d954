// The real window against the simulated meter over a pseudo-terminal.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include "link/PortDiscovery.h"
#include "meter/RecordDecoder.h"
#include "tests/support/EventLoop.h"
#include "tests/support/OrbekDlgProbe.h"
#include "export/TransferSheets.h"
#include "ui/SampleDetailsDialog.h"
#include "ui/SaveDialog.h"

namespace orbek {
namespace {

using sim::MeterSimulator;
using sim::RecordBytes;
constexpr auto Bytes = sim::Concatenate;
using test::Pump;
using test::WaitUntil;

// A reading whose value plots as `value` in the given format, at `celsius`.
RecordBytes Reading(std::uint8_t flags, std::uint8_t mode, std::uint16_t count, int tenths,
                    int second = 0) {
  sim::SimReading reading;
  reading.flags = flags;
  reading.mode = mode;
  reading.value = count;
  reading.temperatureTenths = static_cast<std::uint16_t>(tenths);
  reading.second = second;
  return sim::EncodeRecord(reading);
}
RecordBytes Value7() {
  return Reading(0x42, 1, 70, 250);
}  // 7.0 pH, 25.0 °C
RecordBytes Value150() {
  return Reading(0x03, 4, 150, 250);
}  // 150 mV
RecordBytes ValueMinus200() {
  return Reading(0x63, 2, 2000, 250);
}  // -200.0 mV
RecordBytes ValueMinus5() {
  return Reading(0x63, 2, 50, 250);
}  // -5.0 mV
RecordBytes Value40AtForty() {
  return Reading(0x03, 4, 40, 400);
}  // 40 mV at 40.0 °C

// A meter that sends only what the test writes, never a transfer of its own.
MeterSimulator::Options Silent() {
  MeterSimulator::Options options;
  options.sendEndRecord = false;
  return options;
}

class TransferTest : public ::testing::Test {
 protected:
  void Start(std::vector<RecordBytes> records, MeterSimulator::Options options = {}) {
    options.records = std::move(records);
    if (options.pace == MeterSimulator::Pace::Line) options.pace = MeterSimulator::Pace::Max;
    meters_.push_back(std::make_unique<MeterSimulator>(std::move(options)));
    dlg_ = std::make_unique<COrbekDlg>(nullptr, MetersOnly(meters_));
    boxes_.window = dlg_.get();
    dlg_->OnInitDialog();
    dlg_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg_.get()));
    boxes_.boxes.clear();
  }
  MeterSimulator& Meter() { return *meters_.front(); }
  // Waits, with the window's event loop running, until the meter got `count` bytes.
  bool MeterReceived(std::size_t count) {
    return WaitUntil([&] { return Meter().Received().size() >= count; }, 3000);
  }
  OrbekDlgProbe Probe() { return OrbekDlgProbe(*dlg_); }
  void Click(const char* button) { QTest::mouseClick(&Probe().Button(button), Qt::LeftButton); }
  // Receive, then wait until the end-of-transfer record has closed the link.
  void ReceiveWholeTransfer() {
    Click("ReceiveButton");
    ASSERT_TRUE(WaitUntil([&] { return !Probe().Serial().PortOpen(); }, 20000))
        << "rows so far: " << Probe().RowCounter();
  }
  std::vector<std::pair<QString, QString>> Boxes() const {
    std::vector<std::pair<QString, QString>> shown;
    for (const auto& box : boxes_.boxes)
      shown.emplace_back(box.text, box.caption);
    return shown;
  }
  using Shown = std::vector<std::pair<QString, QString>>;

  BoxRecorder boxes_;
  std::vector<std::unique_ptr<MeterSimulator>> meters_;
  std::unique_ptr<COrbekDlg> dlg_;
};

TEST_F(TransferTest, FullTransferFillsTableAndChartAndClosesTheLink) {
  const auto records = sim::GenerateRecords(100, 42);
  Start(records);
  Click("ConnectButton");
  EXPECT_EQ(Boxes(), (Shown{{"Port is connected", "Message"}}));
  EXPECT_EQ(Probe().Button("ConnectButton").NormalBitmapId(), 150);
  EXPECT_EQ(Probe().Serial().Settings(), "9600,n,8,1");
  ReceiveWholeTransfer();

  auto probe = Probe();
  EXPECT_EQ(probe.RowCounter(), 100);
  auto& table = probe.Table();
  for (int row = 0; row < 100; ++row) {
    const auto reading = DecodeRecord(MeterRecord(records[row]));
    ASSERT_EQ(table.ItemText(row, 0), QString::number(row));
    ASSERT_EQ(table.ItemText(row, 1), QString::fromStdString(reading.TimestampText)) << row;
    ASSERT_EQ(table.ItemText(row, 2), QString::fromStdString(reading.ValueText)) << row;
    ASSERT_EQ(table.ItemText(row, 3), QString::fromStdString(reading.TemperatureText)) << row;
    ASSERT_EQ(probe.ValueSeries().X(row), row);
    ASSERT_EQ(probe.ValueSeries().Y(row), reading.ValueNumber);
    ASSERT_EQ(probe.ValueSeries().Colour(row), 64100u);
    ASSERT_EQ(probe.TemperatureSeries().X(row), row);
    ASSERT_EQ(probe.TemperatureSeries().Y(row), reading.TemperatureNumber);
    ASSERT_EQ(probe.TemperatureSeries().Colour(row), 255u);
  }
  EXPECT_TRUE(table.ItemText(100, 1).isEmpty()) << "the end record wrote a row";
  EXPECT_EQ(probe.ValueSeries().Count(), 100);
  EXPECT_EQ(probe.ChartAxes().Bottom().Minimum(), 80.0);
  EXPECT_EQ(probe.ChartAxes().Bottom().Maximum(), 99.0);
  EXPECT_FALSE(probe.Serial().PortOpen());
  EXPECT_EQ(probe.Button("ConnectButton").NormalBitmapId(), 139);
  ASSERT_TRUE(MeterReceived(2));
  EXPECT_EQ(Meter().Received(), (std::vector<std::uint8_t>{0xB1, 0xB0}));
  EXPECT_EQ(boxes_.boxes.size(), 1u) << "the end of a transfer shows no message";
}

TEST_F(TransferTest, LeftAxisWidensAsReadingsComeAndNeverNarrows) {
  struct Step {
    RecordBytes record;
    double minimum, maximum;
  };
  const std::vector<std::vector<Step>> transfers = {
      {{Value7(), -5, 30},
       {Value150(), -5, 250},
       {ValueMinus200(), -300, 250},
       {Value7(), -300, 250}},
      {{ValueMinus5(), -105, 30}},
      {{Value40AtForty(), -5, 140}},
  };
  std::vector<RecordBytes> all;
  for (const auto& transfer : transfers)
    for (const auto& step : transfer)
      all.push_back(step.record);
  Start({}, Silent());
  Click("ConnectButton");
  auto probe = Probe();
  for (const auto& transfer : transfers) {
    Click("ReceiveButton");
    for (std::size_t i = 0; i < transfer.size(); ++i) {
      Meter().WriteRaw(Bytes({transfer[i].record}));
      ASSERT_TRUE(WaitUntil([&] { return probe.RowCounter() == static_cast<int>(i) + 1; }));
      const auto left = probe.ChartAxes().Left();
      EXPECT_EQ(left.Minimum(), transfer[i].minimum) << "reading " << i;
      EXPECT_EQ(left.Maximum(), transfer[i].maximum) << "reading " << i;
      EXPECT_EQ(probe.AxisRange().minimum, transfer[i].minimum);
      EXPECT_EQ(probe.AxisRange().maximum, transfer[i].maximum);
      const auto bottom = probe.ChartAxes().Bottom();
      const double newest = i == 0 ? 0.0 : static_cast<double>(i);
      EXPECT_EQ(bottom.Maximum(), newest) << "reading " << i;
      EXPECT_EQ(bottom.Minimum(), newest - 19.0) << "reading " << i;
    }
  }
}

// Random bytes (or a wrong baud rate) fill the table with dates no clock
// shows: the window says so once, and keeps every row.
TEST_F(TransferTest, RecordsThatAreNotAMetersAreSaidOnce) {
  std::vector<RecordBytes> noise(120);
  std::uint32_t state = 7;
  for (auto& record : noise)
    for (auto& byte : record)
      byte = static_cast<std::uint8_t>((state = state * 1664525u + 1013904223u) >> 24);
  for (auto& record : noise)
    record[7] = 0x40;  // never the end marker
  Start(noise);
  Click("ConnectButton");
  ReceiveWholeTransfer();
  Pump(50);
  int warnings = 0;
  for (const auto& [text, caption] : Boxes())
    warnings += text.contains("do not look like a meter's readings") && caption == "Warning";
  EXPECT_EQ(warnings, 1);
  EXPECT_GE(Probe().RowCounter(), 110);
}

// A sample's details never pass silently to the next sample: the window
// shows the sample it files readings under, Receive asks about details left
// from an earlier transfer (unless told not to), and details changed after
// a transfer ended are kept as a change.
TEST_F(TransferTest, ASamplesDetailsAreNeverCarriedOverOrChangedUnseen) {
  const auto fill = [this](const QString& sample) {
    dlg_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dlg_.get()));
    QTimer::singleShot(0, [sample] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      dialog->findChild<QLineEdit*>("sample")->setText(sample);
      dialog->accept();
    });
    QTest::keyClick(dlg_.get(), Qt::Key_D, Qt::ControlModifier);
  };
  const auto asked = [this] {
    int count = 0;
    for (const auto& [text, caption] : Boxes())
      count += caption == "Sample Details" && text.contains("S-1");
    return count;
  };
  Start(sim::GenerateRecords(5, 3));
  fill("S-1");
  Click("ConnectButton");
  ReceiveWholeTransfer();
  EXPECT_EQ(asked(), 0) << "details given for this transfer are not asked about";
  EXPECT_TRUE(Probe().Label("StatisticsLabel").text().startsWith("Sample S-1"));

  // Changed after the end: kept as a change, on the Details sheet too.
  fill("S-2");
  ASSERT_EQ(Probe().Transfer().changes.size(), 1u);
  EXPECT_EQ(Probe().Transfer().changes[0].before, "S-1");
  EXPECT_EQ(Probe().Transfer().changes[0].after, "S-2");
  Workbook book;
  AddTransferSheets(book, Probe().Transfer(), true);
  EXPECT_EQ(book.Sheet(1).Find(5, 0)->content.text, "Changed");
  EXPECT_EQ(book.Sheet(1).Find(5, 3)->content.text, "S-2");

  // The next Receive asks whether S-2 still holds; Yes keeps it.
  boxes_.AnswerYesNo(IDYES);
  Click("ConnectButton");
  ReceiveWholeTransfer();
  const auto shown = Boxes();
  const auto details = std::find_if(shown.rbegin(), shown.rend(),
                                    [](const auto& box) { return box.second == "Sample Details"; });
  ASSERT_NE(details, shown.rend());
  EXPECT_TRUE(details->first.contains("S-2"));
  EXPECT_TRUE(Probe().Transfer().changes.empty()) << "a new transfer starts a new record";

  // Turned off, it asks no more.
  SetAskForDetailsAtReceive(false);
  boxes_.boxes.clear();
  Click("ConnectButton");
  ReceiveWholeTransfer();
  for (const auto& [text, caption] : Boxes()) EXPECT_NE(caption, "Sample Details");
  SetAskForDetailsAtReceive(true);
}

TEST_F(TransferTest, ConnectThenDisconnectSendsOnlyTheStopByte) {
  Start({}, Silent());
  Click("ConnectButton");
  EXPECT_TRUE(Probe().Serial().PortOpen());
  Click("ConnectButton");
  EXPECT_FALSE(Probe().Serial().PortOpen());
  EXPECT_EQ(Boxes(), (Shown{{"Port is connected", "Message"}, {"Port is closed", "Message"}}));
  EXPECT_EQ(Probe().Button("ConnectButton").NormalBitmapId(), 139);
  ASSERT_TRUE(MeterReceived(1));
  Pump(50);
  EXPECT_EQ(Meter().Received(), std::vector<std::uint8_t>{0xB0});
}

TEST_F(TransferTest, ReceiveWhileDisconnectedClearsThenReportsTheError) {
  Start(sim::GenerateRecords(30, 5));
  Click("ConnectButton");
  ReceiveWholeTransfer();
  ASSERT_EQ(Probe().RowCounter(), 30);
  boxes_.boxes.clear();
  bool clearedBeforeBox = false;
  boxes_.onBox = [&] {
    clearedBeforeBox =
        Probe().Table().ItemText(0, 1).isEmpty() && Probe().ValueSeries().Count() == 0;
  };
  Click("ReceiveButton");
  // The cleared readings were never exported: where they are kept is said.
  ASSERT_EQ(Boxes().size(), 2u);
  EXPECT_EQ(Boxes()[0], (std::pair<QString, QString>{"The meter has not connected to computer",
                                                      "Error"}));
  EXPECT_TRUE(Boxes()[1].first.startsWith("The 30 readings the table showed were not exported"))
      << Boxes()[1].first.toStdString();
  EXPECT_TRUE(clearedBeforeBox);
  auto& table = Probe().Table();
  for (int row = 0; row < 5001; ++row) {
    ASSERT_EQ(table.ItemText(row, 0), QString::number(row));
    for (int c = 1; c < 4; ++c)
      ASSERT_TRUE(table.ItemText(row, c).isEmpty()) << row;
  }
  EXPECT_EQ(Probe().TemperatureSeries().Count(), 0);
  EXPECT_EQ(Probe().RowCounter(), 0);
}

TEST_F(TransferTest, IntervalPicksTheStartByte) {
  struct Case {
    int index;  // -1: a typed text that matches no item
    std::uint8_t start;
  };
  for (const Case& c : {Case{5, 0xB6}, Case{2, 0xB3}, Case{-1, 0xB0}}) {
    meters_.clear();
    Start({}, Silent());
    auto& interval = Probe().Combo("IntervalCombo");
    if (c.index >= 0) {
      interval.setCurrentIndex(c.index);
    } else {
      interval.lineEdit()->setText("5 min.");
    }
    Click("ConnectButton");
    Click("ReceiveButton");
    ASSERT_TRUE(MeterReceived(1));
    EXPECT_EQ(Meter().Received().front(), c.start) << "interval index " << c.index;
    dlg_.reset();
  }
}

TEST_F(TransferTest, ReceiveTwiceSendsTwoStartBytesAndClearsTwice) {
  Start({}, Silent());
  Click("ConnectButton");
  Meter().WriteRaw(Bytes({Value7(), Value150()}));
  ASSERT_TRUE(WaitUntil([&] { return Probe().RowCounter() == 2; }));
  Click("ReceiveButton");
  EXPECT_EQ(Probe().RowCounter(), 0);
  EXPECT_TRUE(Probe().Table().ItemText(1, 2).isEmpty());
  Click("ReceiveButton");
  ASSERT_TRUE(MeterReceived(2));
  EXPECT_EQ(Meter().Received(), (std::vector<std::uint8_t>{0xB1, 0xB1}));
}

TEST_F(TransferTest, BaudRateSelectsTheLineSettings) {
  Start({}, Silent());
  auto& baud = Probe().Combo("BaudCombo");
  const std::pair<int, const char*> cases[] = {
      {0, "115200,n,8,1"}, {1, "19200,n,8,1"}, {2, "9600,n,8,1"}};
  for (const auto& [index, settings] : cases) {
    baud.setCurrentIndex(index);
    Click("ConnectButton");
    EXPECT_EQ(Probe().Serial().Settings(), settings);
    Click("ConnectButton");
  }
  // No baud rate selected keeps the last connection's settings.
  baud.setCurrentIndex(0);
  Click("ConnectButton");
  Click("ConnectButton");
  baud.lineEdit()->setText("300");
  Click("ConnectButton");
  EXPECT_EQ(Probe().Serial().Settings(), "115200,n,8,1");
}

TEST_F(TransferTest, RecordsArrivingWhileTheConnectedBoxIsUpAreWritten) {
  Start({}, Silent());
  int rowsWhileBoxUp = -1;
  boxes_.onBox = [&] {
    Meter().WriteRaw(Bytes({Value7(), Value150(), ValueMinus5()}));
    WaitUntil([&] { return Probe().RowCounter() == 3; });
    rowsWhileBoxUp = Probe().RowCounter();
  };
  Click("ConnectButton");
  EXPECT_EQ(rowsWhileBoxUp, 3);
  EXPECT_EQ(Probe().Table().ItemText(2, 2), "-5.0 mV");
  EXPECT_EQ(Probe().Button("ConnectButton").NormalBitmapId(), 150);
}

TEST_F(TransferTest, ReadingsPastTheLastRowArePlottedOnly) {
  const auto records = sim::GenerateRecords(5002, 8);
  Start(records);
  Click("ConnectButton");
  ReceiveWholeTransfer();
  auto probe = Probe();
  EXPECT_EQ(probe.RowCounter(), 5002);
  EXPECT_EQ(probe.Table().ItemCount(), 5001);
  const auto last = DecodeRecord(MeterRecord(records[5000]));
  EXPECT_EQ(probe.Table().ItemText(5000, 1), QString::fromStdString(last.TimestampText));
  EXPECT_EQ(probe.Table().ItemText(5000, 0), "5000");
  ASSERT_EQ(probe.ValueSeries().Count(), 5002);
  EXPECT_EQ(probe.ValueSeries().X(5001), 5001.0);
  EXPECT_EQ(probe.ValueSeries().Y(5001), DecodeRecord(MeterRecord(records[5001])).ValueNumber);
}

TEST_F(TransferTest, DeviceLossKeepsTheRowsAndSaysSoOnce) {
  MeterSimulator::Options options;
  options.unplugAfter = 30;
  Start(sim::GenerateRecords(100, 3), options);
  Click("ConnectButton");
  boxes_.boxes.clear();
  Click("ReceiveButton");
  ASSERT_TRUE(WaitUntil([&] { return !Probe().Serial().PortOpen(); }));
  Pump(100);
  auto probe = Probe();
  EXPECT_EQ(probe.RowCounter(), 30);
  EXPECT_FALSE(probe.Table().ItemText(29, 2).isEmpty());
  EXPECT_EQ(probe.ValueSeries().Count(), 30);
  EXPECT_EQ(probe.Button("ConnectButton").NormalBitmapId(), 139);
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_TRUE(boxes_.boxes[0].text.contains(QString::fromStdString(Meter().DevicePath())));
  EXPECT_EQ(boxes_.boxes[0].caption, "Error");
}

TEST_F(TransferTest, FailedOpenIsReportedAndTheFaceStaysConnect) {
  Start({}, Silent());
  meters_.clear();  // the port is gone since the scan
  Click("ConnectButton");
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].caption, "Orbek");
  EXPECT_TRUE(boxes_.boxes[0].text.contains(Probe().PortNumberList()[0]));
  EXPECT_EQ(Probe().Button("ConnectButton").NormalBitmapId(), 139);
  EXPECT_FALSE(Probe().Serial().PortOpen());
}

TEST_F(TransferTest, ConnectWithoutAPortAsksForOne) {
  Start({}, Silent());
  Probe().Combo("PortCombo").lineEdit()->setText("ttyNOPE");
  int faceDuringBox = 0;
  boxes_.onBox = [&] { faceDuringBox = Probe().Button("ConnectButton").NormalBitmapId(); };
  Click("ConnectButton");
  EXPECT_EQ(Boxes(), (Shown{{"Select a port", "Error"}}));
  EXPECT_EQ(faceDuringBox, 138);
  EXPECT_EQ(Probe().Button("ConnectButton").NormalBitmapId(), 139);
  EXPECT_FALSE(Probe().Serial().PortOpen());
}

TEST_F(TransferTest, ScanWhileConnectedEndsTheLinkWithoutAStopByte) {
  Start({}, Silent());
  Click("ConnectButton");
  boxes_.boxes.clear();
  Click("ScanButton");
  EXPECT_EQ(Boxes(), (Shown{{"Port cannot be found", "Warnning"}})) << "our own port is busy";
  EXPECT_FALSE(Probe().Serial().PortOpen());
  EXPECT_EQ(Probe().Button("ConnectButton").NormalBitmapId(), 139);
  Pump(50);
  EXPECT_TRUE(Meter().Received().empty());
  boxes_.boxes.clear();
  Click("ScanButton");
  EXPECT_EQ(Boxes(), (Shown{{"Found a port on your computer", "Message"}}));
  EXPECT_EQ(Probe().Combo("PortCombo").currentIndex(), 0);
}

TEST_F(TransferTest, EndRecordFirstClosesTheLinkAndWritesNothing) {
  Start({}, Silent());
  Click("ConnectButton");
  Click("ReceiveButton");
  Meter().WriteRaw(Bytes({sim::EndRecord()}));
  ASSERT_TRUE(WaitUntil([&] { return !Probe().Serial().PortOpen(); }));
  EXPECT_EQ(Probe().RowCounter(), 0);
  EXPECT_EQ(Probe().ValueSeries().Count(), 0);
  EXPECT_TRUE(Probe().Table().ItemText(0, 1).isEmpty());
  EXPECT_EQ(Probe().ChartAxes().Left().Minimum(), -5.0);
  EXPECT_EQ(Probe().ChartAxes().Bottom().Maximum(), 0.0);
}

}  // namespace
}  // namespace orbek

namespace orbek {
namespace {

// The window after a transfer, in both views, its details dialog and a
// page of its report, for the README.
TEST_F(TransferTest, SavesScreenshotsAfterATransfer) {
  const QString folder = ORBEK_SCREENSHOT_DIR;
  QDir().mkpath(folder);
  Start(sim::GenerateMeasurement(300, 15));
  QTimer::singleShot(0, [folder] {
    auto* dialog = QApplication::activeModalWidget();
    ASSERT_NE(dialog, nullptr);
    const std::pair<const char*, const char*> fields[] = {
        {"sample", "S-12"}, {"operator", "Ana Lima"}, {"location", "Tank 3"}, {"probe", "P-0042"}};
    for (const auto& [key, text] : fields)
      dialog->findChild<QLineEdit*>(key)->setText(text);
    EXPECT_TRUE(dialog->grab().save(folder + "/orbek-details.png"));
    qobject_cast<QDialog*>(dialog)->accept();
  });
  QTest::keyClick(dlg_.get(), Qt::Key_D, Qt::ControlModifier);
  dlg_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(dlg_.get()));
  Click("ConnectButton");
  ReceiveWholeTransfer();
  Pump(100);
  EXPECT_TRUE(dlg_->grab().save(folder + "/orbek-table.png"));
  Click("GraphButton");
  Pump(100);
  EXPECT_TRUE(dlg_->grab().save(folder + "/orbek-chart.png"));
  SetSaveDialogHandler([folder] { return folder + "/orbek-report.pdf"; });
  QTest::keyClick(dlg_.get(), Qt::Key_P, Qt::ControlModifier);
  SetSaveDialogHandler({});
  EXPECT_EQ(QProcess::execute("pdftoppm", {"-r", "60", "-png", "-f", "1", "-l", "1", "-singlefile",
                                           folder + "/orbek-report.pdf", folder + "/orbek-report"}),
            0);
}

}  // namespace
}  // namespace orbek

namespace orbek {
namespace {

TEST_F(TransferTest, ClosingAnsweredNoLeavesTheTransferRunning) {
  Start(sim::GenerateRecords(200, 9), MeterSimulator::Paced({}, MeterSimulator::Pace::Fixed, 400));
  Click("ConnectButton");
  Click("ReceiveButton");
  ASSERT_TRUE(WaitUntil([&] { return Probe().RowCounter() >= 5; }));
  boxes_.AnswerYesNo(IDNO);
  dlg_->close();
  EXPECT_TRUE(dlg_->isVisible());
  EXPECT_TRUE(Probe().Serial().PortOpen());
  const int rows = Probe().RowCounter();
  ASSERT_TRUE(WaitUntil([&] { return Probe().RowCounter() > rows; })) << "records stopped";
  ASSERT_TRUE(WaitUntil([&] { return !Probe().Serial().PortOpen(); }, 10000));
  EXPECT_EQ(Probe().RowCounter(), 200);
}

}  // namespace
}  // namespace orbek
