// The window against committed transfers whose readings were worked out by
// hand, so that the decoder is not its own oracle.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "tests/support/EventLoop.h"
#include "tests/support/Golden.h"
#include "tests/support/OrbekDlgProbe.h"

namespace orbek {
namespace {

using sim::MeterSimulator;

TEST(GoldenTransferTest, WindowShowsTheWorkedOutReadingsAndCapturesWhatCame) {
  const auto golden = test::LoadGolden("golden-transfer");
  ASSERT_EQ(golden.csv.size(), static_cast<qsizetype>(golden.records.size()));
  auto options = MeterSimulator::Paced(golden.Readings());
  std::vector<std::unique_ptr<MeterSimulator>> meters;
  meters.push_back(std::make_unique<MeterSimulator>(std::move(options)));
  BoxRecorder boxes;
  COrbekDlg dlg(nullptr, MetersOnly(meters));
  QTemporaryDir dir;
  const QString capture = dir.filePath("window.bin");
  ASSERT_TRUE(dlg.CaptureTo(capture, nullptr));
  dlg.OnInitDialog();
  OrbekDlgProbe probe(dlg);
  QTest::mouseClick(&probe.Button("ConnectButton"), Qt::LeftButton);
  QTest::mouseClick(&probe.Button("ReceiveButton"), Qt::LeftButton);
  ASSERT_TRUE(test::WaitUntil([&] { return !probe.Serial().PortOpen(); }, 10000));

  const int readings = static_cast<int>(golden.Readings().size());
  ASSERT_EQ(probe.RowCounter(), readings);
  for (int row = 0; row < readings; ++row) {
    for (int column = 0; column < 4; ++column)
      EXPECT_EQ(probe.Table().ItemText(row, column), golden.Field(row, column))
          << "row " << row << " column " << column;
    // The chart plots 0 where the record carries no number.
    const QString value = golden.Field(row, 4);
    EXPECT_EQ(QString::number(probe.ValueSeries().Y(row), 'g', 15), value.isEmpty() ? "0" : value)
        << row;
    EXPECT_EQ(QString::number(probe.TemperatureSeries().Y(row), 'g', 15), golden.Field(row, 5))
        << row;
  }
  EXPECT_TRUE(probe.Table().ItemText(readings, 1).isEmpty());
  QFile file(capture);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), golden.Raw());
}

TEST(GoldenTransferTest, ACaptureThatFailsIsSaidOnceAfterTheHandlerAndReadingsGoOn) {
  const auto golden = test::LoadGolden("golden-transfer");
  std::vector<std::unique_ptr<MeterSimulator>> meters;
  meters.push_back(std::make_unique<MeterSimulator>(MeterSimulator::Paced(golden.Readings())));
  BoxRecorder boxes;
  COrbekDlg dlg(nullptr, MetersOnly(meters));
  ASSERT_TRUE(dlg.CaptureTo("/dev/full", nullptr));
  dlg.OnInitDialog();
  OrbekDlgProbe probe(dlg);
  int rowsWhenShown = -1;
  boxes.onBox = [&] { rowsWhenShown = probe.RowCounter(); };
  QTest::mouseClick(&probe.Button("ConnectButton"), Qt::LeftButton);
  boxes.boxes.clear();
  QTest::mouseClick(&probe.Button("ReceiveButton"), Qt::LeftButton);
  ASSERT_TRUE(test::WaitUntil([&] { return !probe.Serial().PortOpen(); }, 10000));
  test::Pump(50);
  EXPECT_EQ(probe.RowCounter(), static_cast<int>(golden.Readings().size()));
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].caption, "Orbek");
  EXPECT_TRUE(boxes.boxes[0].text.contains("/dev/full")) << boxes.boxes[0].text.toStdString();
  EXPECT_GE(rowsWhenShown, 1) << "the box came inside the receive handler";
}

}  // namespace
}  // namespace orbek
