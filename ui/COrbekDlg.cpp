#include "ui/COrbekDlg.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <exception>

#include "resources/Resources.h"
#include "ui/BitmapButton.h"
#include "ui/Bitmaps.h"
#include "ui/ComboBoxes.h"
#include "ui/MessageBox.h"
#include "ui/ReadingsTable.h"
#include "ui_OrbekDlg.h"

namespace orbek {

namespace {

// The table holds this many rows, numbered from 0, for every transfer.
constexpr int kTableRows = 5001;
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
  route(ui_->GraphButton, &COrbekDlg::OnGraphButton);
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
  if (OnClose())
    QDialog::accept();
}

void COrbekDlg::reject() {
  if (OnClose())
    QDialog::reject();
}

}  // namespace orbek
