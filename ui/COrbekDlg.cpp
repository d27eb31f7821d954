#include "ui/COrbekDlg.h"

#include <QComboBox>
#include <QLabel>
#include <exception>

#include "export/TableExport.h"
#include "link/MeterCommands.h"
#include "link/RecordInput.h"
#include "resources/Resources.h"
#include "ui/BitmapButton.h"
#include "ui/Bitmaps.h"
#include "ui/ComboBoxes.h"
#include "ui/MessageBox.h"
#include "ui/ReadingsTable.h"
#include "ui/SaveDialog.h"
#include "ui_OrbekDlg.h"

namespace orbek {

namespace {

// The table holds this many rows, numbered from 0, for every transfer.
constexpr int kTableRows = 5001;
constexpr int kTimestampColumn = 1, kValueColumn = 2, kTemperatureColumn = 3;

// Point colours, 0x00BBGGRR: the green and red of the two legend pictures.
constexpr std::uint32_t kValueColour = 64100;
constexpr std::uint32_t kTemperatureColour = 255;

// How the window talks to the meter: one 12-byte record per receive event.
constexpr std::int16_t kBufferSize = 1024;
constexpr std::int16_t kRecordBytes = static_cast<std::int16_t>(kMeterRecordSize);
constexpr std::int32_t kBinaryInput = 1;
constexpr const char* kColumnHeadings[] = {"No.", "Date and Time", "Measured Value", "Temperature"};

}  // namespace

COrbekDlg::COrbekDlg(QWidget* parent, PortCandidateSource candidates)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint),
      ui_(std::make_unique<Ui::COrbekDlg>()),
      candidates_(candidates ? std::move(candidates) : [] { return SerialPortCandidates(); }),
      AppIcon(ApplicationIcon()) {
  ui_->setupUi(this);
  setWindowTitle(QString());
  ConnectHandlers();
}

COrbekDlg::~COrbekDlg() = default;

int COrbekDlg::DoModal() {
  OnInitDialog();
  return exec();
}

void COrbekDlg::DoDataExchange() {
  PortCombo = ui_->PortCombo;
  BaudCombo = ui_->BaudCombo;
  ReadingsTable = ui_->ReadingsTable;
  SaveExcelButton = ui_->SaveExcelButton;
  ReceiveButton = ui_->ReceiveButton;
  ConnectButton = ui_->ConnectButton;
  ScanButton = ui_->ScanButton;
  GraphButton = ui_->GraphButton;
  IntervalCombo = ui_->IntervalCombo;
  Chart = ui_->Chart;
}

void COrbekDlg::ConnectHandlers() {
  auto route = [this](BitmapButton* button, void (COrbekDlg::*handler)()) {
    connect(button, &QAbstractButton::clicked, this,
            [this, handler] { Guarded([this, handler] { (this->*handler)(); }); });
  };
  route(ui_->ScanButton, &COrbekDlg::OnScanButton);
  route(ui_->ConnectButton, &COrbekDlg::OnConnectButton);
  route(ui_->ReceiveButton, &COrbekDlg::OnReceiveButton);
  route(ui_->SaveExcelButton, &COrbekDlg::ExportToExcel);
  route(ui_->GraphButton, &COrbekDlg::OnGraphButton);
  connect(&SerialControl, &CMscomm1::OnComm, this, [this] { Guarded([this] { OnComm(); }); });
}

void COrbekDlg::Guarded(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& error) {
    MessageBoxExW(QString::fromUtf8(error.what()), QStringLiteral("Orbek"));
  } catch (...) {
    MessageBoxExW(QStringLiteral("An unexpected error stopped this action."),
                  QStringLiteral("Orbek"));
  }
}

bool COrbekDlg::OnInitDialog() {
  DoDataExchange();
  setWindowIcon(AppIcon);
  LoadButtonFaces();

  AddSorted(*BaudCombo, QStringLiteral("115200"));
  AddSorted(*BaudCombo, QStringLiteral("9600"));
  AddSorted(*BaudCombo, QStringLiteral("19200"));
  BaudCombo->setCurrentIndex(2);      // "9600"
  IntervalCombo->setCurrentIndex(0);  // "OFF"

  ScanPorts();
  PortCombo->setCurrentIndex(PortCombo->count() > 0 ? 0 : -1);

  SetUpReadingsTable();
  SetUpChartSeries();

  Chart->hide();
  ReadingsTable->show();
  ui_->LegendTemperatureBitmap->hide();
  ui_->LegendValueBitmap->hide();
  ChartShown = false;
  ChartAxes = Chart->Axis();
  ScanButton->setFocus();
  return true;
}

void COrbekDlg::LoadButtonFaces() {
  const struct {
    BitmapButton* button;
    int normal, pressed;
  } faces[] = {
      {GraphButton, bitmap::kGraph, 0},
      {ConnectButton, bitmap::kConnect, 0},
      {GraphButton, bitmap::kGraph, bitmap::kGraphDark},
      {ReceiveButton, bitmap::kReceive, bitmap::kReceiveDark},
      {ScanButton, bitmap::kSeach, bitmap::kSeachDark},
      {SaveExcelButton, bitmap::kSaveExcel, bitmap::kSaveExcelDark},
  };
  for (const auto& face : faces) {
    face.button->LoadBitmaps(face.normal, face.pressed);
    face.button->SizeToContent();
  }
}

void COrbekDlg::SetUpReadingsTable() {
  const QRect rect = ReadingsTable->ClientRect();
  ReadingsTable->SetFullRowSelect(true);
  ReadingsTable->SetGridLines(true);
  for (int c = 0; c < 4; ++c)
    ReadingsTable->InsertColumn(c, QString::fromLatin1(kColumnHeadings[c]), Qt::AlignHCenter,
                                rect.width() / 4);
  for (int i = 0; i < kTableRows; ++i)
    ReadingsTable->InsertItem(i, QString::number(i));
}

void COrbekDlg::SetUpChartSeries() {
  for (int j = 0; j < Chart->SeriesCount(); ++j)
    Chart->Series(j).Clear();
  Chart->AddSeries(0);
  Chart->AddSeries(0);
  ValueSeries = Chart->Series(0);
  TemperatureSeries = Chart->Series(1);
  ValueSeries.Clear();
  TemperatureSeries.Clear();
}

void COrbekDlg::ScanPorts() {
  const ProbeResult result = ProbePorts(candidates_());
  PortCombo->clear();
  PortNumberList.clear();
  for (const auto& port : result.usable) {
    PortNumberList.push_back(port.path);
    PortCombo->addItem(port.name);
    if (!port.description.isEmpty())
      PortCombo->setItemData(PortCombo->count() - 1, port.description, Qt::ToolTipRole);
  }
  PortCombo->setCurrentIndex(-1);  // the callers choose
  const ScanReport report = ReportScan(result);
  MessageBoxExW(report.text, report.caption);
}

void COrbekDlg::ChangeFace(BitmapButton& button, int bitmapId) {
  button.LoadBitmaps(bitmapId);
  button.setEnabled(false);
  button.setEnabled(true);
  button.repaint();
}

void COrbekDlg::OnScanButton() {
  ScanPorts();
  PortCombo->setCurrentIndex(PortCombo->count() > 0 ? 0 : -1);
  // The probe found our own open port busy and left it out; the link ends
  // without a stop command.
  if (SerialControl.PortOpen()) {
    SerialControl.SetPortOpen(false);
    SerialControl.SetOutBufferCount(0);
    ChangeFace(*ConnectButton, bitmap::kConnect);
  }
}

void COrbekDlg::OnConnectButton() {
  if (SelectedIndex(*PortCombo) < 0) {
    ChangeFace(*ConnectButton, bitmap::kConnectDark);
    MessageBoxExW(QStringLiteral("Select a port"), QStringLiteral("Error"));
    ChangeFace(*ConnectButton, bitmap::kConnect);
    return;
  }
  if (SerialControl.PortOpen()) {
    CloseLink();
    MessageBoxExW(QStringLiteral("Port is closed"), QStringLiteral("Message"));
    ChangeFace(*ConnectButton, bitmap::kConnect);
    return;
  }
  OpenLink();
  MessageBoxExW(QStringLiteral("Port is connected"), QStringLiteral("Message"));
  ChangeFace(*ConnectButton, bitmap::kDisconnect);
}

void COrbekDlg::OpenLink() {
  SerialControl.SetCommPort(PortNumberList.at(static_cast<std::size_t>(SelectedIndex(*PortCombo))));
  SerialControl.SetInBufferSize(kBufferSize);
  SerialControl.SetOutBufferSize(kBufferSize);
  SerialControl.SetInputLen(kRecordBytes);
  SerialControl.SetInputMode(kBinaryInput);
  SerialControl.SetRThreshold(kRecordBytes);
  // With no baud rate chosen the settings of the last connection stay.
  const int baud = SelectedIndex(*BaudCombo);
  if (baud >= 0 && baud < static_cast<int>(kSettingsByBaudIndex.size()))
    SerialControl.SetSettings(
        QString::fromLatin1(kSettingsByBaudIndex[baud].data(), kSettingsByBaudIndex[baud].size()));
  SerialControl.SetPortOpen(true);
}

// Tells the meter to stop, lets the byte leave, and closes.
void COrbekDlg::CloseLink() {
  SendCommand(StopCommand);
  SerialControl.SetPortOpen(false);
  SerialControl.SetOutBufferCount(0);
}

void COrbekDlg::SendCommand(std::uint8_t command) {
  SerialControl.SetOutput(QByteArray(1, static_cast<char>(command)));
}

void COrbekDlg::OnReceiveButton() {
  RowCounter = 0;
  for (int row = 0; row < ReadingsTable->ItemCount(); ++row)
    for (const int column : {kTimestampColumn, kValueColumn, kTemperatureColumn})
      ReadingsTable->SetItemText(row, column, QString());
  ReadingsTable->EnsureVisible(RowCounter);
  ValueSeries.Clear();
  TemperatureSeries.Clear();
  if (SerialControl.PortOpen()) {
    // Drops up to one record's worth of bytes that were already waiting.
    SerialControl.Input();
    // No interval selected counts as -1, which gives 0xB0.
    SendCommand(StartCommand(SelectedIndex(*IntervalCombo)));
  } else {
    MessageBoxExW(QStringLiteral("The meter has not connected to computer"),
                  QStringLiteral("Error"));
  }
}

void COrbekDlg::OnComm() {
  ChartAxis axisLeft = ChartAxes.Left();
  ChartAxis axisBottom = ChartAxes.Bottom();
  if (RowCounter == 0) {
    axisLeft.SetMinMax(kInitialAxisRange.minimum, kInitialAxisRange.maximum);
    AxisRange = kInitialAxisRange;
    axisBottom.SetMinMax(-19.0, 0.0);
  }
  if (SerialControl.CommEvent() == CMscomm1::kEventDeviceLost) return ReportDeviceLost();
  if (SerialControl.CommEvent() != CMscomm1::kEventReceive) return;

  const QByteArray input = SerialControl.Input();
  const auto record = RecordAt(input);
  if (!record || input.size() != kRecordBytes) return;  // the port hands on whole records only
  if (IsEndOfTransfer(*record)) return EndTransfer();

  const DecodedReading reading = DecodeRecord(*record);
  WriteReading(reading);
  if (UpdateAxisRange(AxisRange, reading.ValueNumber, reading.TemperatureNumber)) {
    axisLeft.SetMinimum(AxisRange.minimum);
    axisLeft.SetMaximum(AxisRange.maximum);
  }
  ValueSeries.AddXY(RowCounter, reading.ValueNumber, QString(), kValueColour);
  TemperatureSeries.AddXY(RowCounter, reading.TemperatureNumber, QString(), kTemperatureColour);
  if (ValueSeries.Count() > 1) axisBottom.Scroll(1.0, true);
  ReadingsTable->EnsureVisible(RowCounter);
  ++RowCounter;
}

// Rows exist for the first 5001 readings; later ones are only plotted.
void COrbekDlg::WriteReading(const DecodedReading& reading) {
  ReadingsTable->SetItemText(RowCounter, kTimestampColumn,
                             QString::fromUtf8(reading.TimestampText));
  ReadingsTable->SetItemText(RowCounter, kValueColumn, QString::fromUtf8(reading.ValueText));
  ReadingsTable->SetItemText(RowCounter, kTemperatureColumn,
                             QString::fromUtf8(reading.TemperatureText));
}

void COrbekDlg::EndTransfer() {
  CloseLink();
  ChangeFace(*ConnectButton, bitmap::kConnect);
}

// The port component has closed the port already. What arrived stays in the
// table and the chart; the face and one message say the link is gone.
void COrbekDlg::ReportDeviceLost() {
  ChangeFace(*ConnectButton, bitmap::kConnect);
  MessageBoxExW(QStringLiteral("The connection to %1 was lost. The readings received so far "
                               "are kept.")
                    .arg(SerialControl.CommPort()),
                QStringLiteral("Error"));
}

void COrbekDlg::ExportToExcel() {
  const QString strFile = AskWorkbookPath();
  if (strFile.isEmpty()) return;
  if (orbek::ExportToExcel(*ReadingsTable, strFile) == ExportOutcome::ConnectFailed) {
    MessageBoxExW(QStringLiteral("Connecting is failed"), QStringLiteral("Error"));
    return;
  }
  MessageBoxExW(QStringLiteral("Data has been exported into Excel file"),
                QStringLiteral("Message"));
}

void COrbekDlg::OnGraphButton() {
  ChartShown = !ChartShown;
  Chart->setVisible(ChartShown);
  ReadingsTable->setVisible(!ChartShown);
  ui_->LegendTemperatureBitmap->setVisible(ChartShown);
  ui_->LegendValueBitmap->setVisible(ChartShown);
  ChangeFace(*GraphButton, ChartShown ? bitmap::kBack : bitmap::kGraph);
}

bool COrbekDlg::OnClose() {
  return MessageBoxExW(QStringLiteral("WARNING! All data will be lost if the windows closed"),
                       QStringLiteral("Warning"), MessageButtons::YesNo) == IDYES;
}

void COrbekDlg::accept() {
  if (OnClose()) QDialog::accept();
}

void COrbekDlg::reject() {
  if (OnClose()) QDialog::reject();
}

}  // namespace orbek
