#pragma once

#include <QDialog>
#include <QIcon>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <vector>

#include "link/MeterSession.h"
#include "link/PortDiscovery.h"
#include "meter/ReadingPipeline.h"
#include "meter/Transfer.h"
#include "storage/Journal.h"
#include "ui/AxisRange.h"
#include "ui/CTchart1.h"
#include "ui/WindowArchive.h"

class QComboBox;
class QLabel;

namespace Ui {
class COrbekDlg;
}

namespace orbek {

class BitmapButton;
class ReadingsTable;

// The main window: the readings table and the chart on the left, the link
// and export controls on the right. It owns every control and all run-time
// state; every piece of work is one of its handlers.
class COrbekDlg : public QDialog {
  Q_OBJECT

 public:
  // Where the port scan looks: by default the system's serial ports.
  using PortCandidateSource = std::function<std::vector<PortCandidate>()>;

  explicit COrbekDlg(QWidget* parent = nullptr, PortCandidateSource candidates = {});
  ~COrbekDlg() override;

  // The first scan takes its ports from this probe, under way on another
  // thread while the form is built, rather than trying them itself.
  void ScanFirstFrom(std::future<ProbeResult> probe);

  // Sets the window up before it is first shown: faces, boxes, the port scan
  // with its report, the table's columns and rows, the chart's series.
  bool OnInitDialog();
  // OnInitDialog, then the window runs modally until it is closed.
  int DoModal();
  // Keeps every record received in `path` (replaced), instead of in the
  // window's journal.
  bool CaptureTo(const QString& path, QString* error);
  // The form is drawn at its own size. Where `room` (a screen's available
  // area, less the window's frame) is smaller, the window takes the room
  // and the form scrolls inside it, so every control can still be reached.
  void FitInto(const QSize& room);
  // Where transfers are archived (ArchiveLocation::Kind::Off for nowhere).
  void SetArchive(const ArchiveLocation& location) { archive_.SetLocation(location); }

 protected:
  // A palette that changes (the desktop going dark) redraws the pictures;
  // the first activation shows the focus.
  void changeEvent(QEvent* event) override;

 public slots:
  // Escape, Enter and the close box all ask before the window ends.
  void accept() override;
  void reject() override;

 private:
  friend class OrbekDlgProbe;  // the window tests look inside

  void DoDataExchange();
  void ConnectHandlers();
  // Runs one handler; an error it raises is shown in a box captioned
  // "Orbek", and the program goes on.
  void Guarded(const std::function<void()>& handler);

  void LoadButtonFaces();
  void GrowWithFont();
  void WidenToItems(QComboBox& combo);
  void LoadLabelBitmaps();
  // The menu of the table and the chart, with its shortcuts, and the
  // statistics above them.
  void SetUpTransferActions();
  // Names and roles a screen reader reads, and a Tab order that leaves the
  // table.
  void SetUpAccessibility();
  void ShowStatistics();
  void SetStatisticsText(const QString& text);
  void DescribeChart();
  QString StatusNow() const;
  void SayStatus(const QString& text);
  void SetUpReadingsTable();
  void SetUpChartSeries();
  QString DescribePoint(int series, int point) const;
  // Gives a button a new normal face and repaints it at once.
  void ChangeFace(BitmapButton& button, int bitmapId);
  // Refills the port box with the ports that can be opened now, and says
  // how many there are.
  void ScanPorts();
  // After a window that did not close normally: offers its readings.
  void OfferRestore();
  // Names the transfers earlier runs kept aside, with a way to their folder.
  void NameJournalsKeptAside();
  void Restore(const std::vector<Reading>& readings);
  void StartJournal();

  // Handlers.
  void OnScanButton();
  void OnConnectButton();
  void OnReceiveButton();
  void ExportToExcel();
  void OnGraphButton();
  bool OnClose();
  void OnSampleDetails();
  void OnSaveReport();
  void OnSaveChartPicture();
  void OnHistory();
  void OnMarkReviewed();
  // What the meter sends: each is one serial event.
  void OnReading(const Reading& reading);
  void OnTransferEnded();
  void OnDeviceLost();
  void OnLinkFailed(const LinkProblem& problem);
  static QString Said(const LinkProblem& problem);
  static QString Said(const StepLoss& loss);
  void OnStepRegained(const StepLoss& loss, bool first);
  // Shows a box once the serial event being handled is over, so that the
  // box's own event loop never runs a handler inside another.
  void ShowAfterThisEvent(const QString& text, const QString& caption);
  void WarnOfForeignBytes();
  // The transfer ended: into the archive, and the user told of anything
  // that keeps it from going there.
  void ArchiveTransfer();
  // Tells the archive of a file saved from the transfer shown.
  void NoteSaved(const QString& path);
  // Shows a transfer from the archive, read-only, under a banner.
  void ShowArchived(const StoredTransfer& stored);
  // The journal of the transfer shown goes or is kept aside, as Receive
  // and opening another transfer do; a note when the user must hear where.
  QString LetGoOfShownTransfer();
  void ClearTransferView();
  bool ConfirmDetailsForReceive();
  void KeepDetails();

  // Steps of the handlers.
  struct EventAxes {
    ChartAxis left, bottom;
  };
  // Every serial event starts here: the axes, put back where a transfer
  // starts while no reading has come since Receive.
  EventAxes BeginSerialEvent();
  void FillComboData();
  std::optional<int> SelectedBaud() const;
  int SelectedInterval() const;
  void WriteReading(const DecodedReading& reading);
  void DropJournal();
  QString KeepJournalAside(bool* kept);
  static bool LooksLikeTransfer(const std::vector<Reading>& readings);

  std::unique_ptr<Ui::COrbekDlg> ui_;
  PortCandidateSource candidates_;
  std::future<ProbeResult> firstScan_;

  // The members, in the order the window declares them.
  QIcon AppIcon;
  QComboBox* PortCombo = nullptr;
  QComboBox* BaudCombo = nullptr;
  MeterSession Session;  // owns the serial control
  orbek::ReadingsTable* ReadingsTable = nullptr;
  std::vector<QString> PortNumberList;  // device path of each PortCombo item
  std::int32_t RowCounter = 0;
  BitmapButton* SaveExcelButton = nullptr;
  BitmapButton* ReceiveButton = nullptr;
  BitmapButton* ConnectButton = nullptr;
  BitmapButton* ScanButton = nullptr;
  BitmapButton* GraphButton = nullptr;
  QComboBox* IntervalCombo = nullptr;
  CTchart1* Chart = nullptr;
  ChartSeries ValueSeries;
  ChartSeries TemperatureSeries;
  orbek::ChartAxes ChartAxes;
  bool ChartShown = false;
  orbek::AxisRange AxisRange = kInitialAxisRange;
  // Every byte of the transfer since Receive, in StateFolder(); or the
  // capture the user asked for.
  std::unique_ptr<orbek::Journal> journal_;
  bool journaling_ = true;  // false while a capture given by the user takes its place
  bool foreignSaid_ = false;  // this transfer's records were said not to be a meter's
  bool detailsConfirmed_ = false;  // given for the next transfer since the last Receive
  std::size_t exportedReadings_ = 0;  // readings of this transfer in the last export
  bool focusShown_ = false;  // the focus frame was shown at the first activation
  bool receiving_ = false;   // a transfer runs: from Receive to its end
  WindowArchive archive_;
  QLabel* ArchiveBanner = nullptr;  // which archived transfer is shown, read-only
  // Every reading of the transfer, past the table's last row too, with the
  // sample's details: for the workbook's Data sheet, the CSV and the report.
  TransferRecord Transfer;
  QLabel* StatisticsLabel = nullptr;
  QLabel* TransferStatus = nullptr;  // "Receiving: 120 readings so far", said to screen readers
  QTimer statusTimer_;
  static constexpr int kStatusEveryMs = 5000;
  QTimer statisticsTimer_;  // the statistics follow the readings twice a second
};

}  // namespace orbek
