#include "ui/COrbekDlg.h"

#include <QAction>
#include <QInputDialog>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QUrl>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QScrollArea>
#include <QStyleOptionComboBox>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <exception>

#include "export/OutputFormats.h"
#include "export/ReadingsLayout.h"
#include "export/TableExport.h"
#include "export/TransferSheets.h"
#include "export/WorkbookError.h"
#include "export/WorkbookWriter.h"
#include "link/CaptureReplay.h"
#include "link/SerialError.h"
#include "meter/MeterCommands.h"
#include "report/TransferReport.h"
#include "resources/Artwork.h"
#include "resources/Resources.h"
#include "storage/NativePath.h"
#include "storage/SaveError.h"
#include "ui/BitmapButton.h"
#include "ui/Bitmaps.h"
#include "ui/ComboBoxes.h"
#include "ui/HistoryDialog.h"
#include "ui/KeyboardMenu.h"
#include "ui/MessageBox.h"
#include "ui/ReadingsTable.h"
#include "ui/SampleDetailsDialog.h"
#include "ui/SaveDialog.h"
#include "ui/WindowImage.h"
#include "ui_OrbekDlg.h"

namespace orbek {

namespace {

// Point colours, 0x00BBGGRR: the green and red of the two legend pictures.
constexpr std::uint32_t kValueColour = 64100;
constexpr std::uint32_t kTemperatureColour = 255;
// What a window's title bar and borders take from a screen's free area.
const QSize kFrameAllowance(16, 48);
// The tallest line of text the form's fixed geometry holds (DejaVu Sans at
// 11 points on a 96-dpi screen); a larger font grows the form.
constexpr int kFormLinePixels = 18;
// What a control widened to show its text leaves free at the form's right.
constexpr int kFormRightMargin = 6;

QString Latin1(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}


// The readings of a journal, as the pipeline gives them.
class ReadingList : public ReadingSink {
 public:
  void OnReading(const Reading& reading) override { readings.push_back(reading); }
  void OnOutOfStep(const Reading& corrected) override {
    for (auto r = readings.rbegin(); r != readings.rend(); ++r)
      if (r->number == corrected.number) r->outOfStep = true;
  }
  void OnStepRegained(const StepLoss&) override {}
  void OnEnd(const MeterRecord&) override {}
  std::vector<Reading> readings;
};

}  // namespace

COrbekDlg::COrbekDlg(QWidget* parent, PortCandidateSource candidates)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint),
      ui_(std::make_unique<Ui::COrbekDlg>()),
      candidates_(candidates ? std::move(candidates) : [] { return SerialPortCandidates(); }),
      AppIcon(ApplicationIcon()) {
  ui_->setupUi(this);
  LoadLabelBitmaps();
  setWindowTitle(QString());
  ConnectHandlers();
  SetUpTransferActions();
  SetUpAccessibility();
  GrowWithFont();
}

// The form's geometry is the original dialog's, which holds a line of text
// up to kFormLinePixels high. On a desktop with larger text (its fonts at
// 150 %, QT_FONT_DPI=144) the whole form grows with the font, as a dialog
// grows with its font, so that no text is cut: every control's place and
// size, and the pictures, drawn from enough pixels.
void COrbekDlg::GrowWithFont() {
  const qreal growth = static_cast<qreal>(fontMetrics().height()) / kFormLinePixels;
  SetBitmapGrowth(growth);
  if (growth <= 1.0) return;
  const auto grown = [growth](const QRect& place) {
    return QRect(qRound(place.x() * growth), qRound(place.y() * growth),
                 qRound(place.width() * growth), qRound(place.height() * growth));
  };
  for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (!child->isWindow()) child->setGeometry(grown(child->geometry()));
  const QSize form = grown(QRect(QPoint(), minimumSize())).size();
  setMinimumSize(form);
  setMaximumSize(form);
  resize(form);
  LoadLabelBitmaps();
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
  // The closed box shows a port's name from its start; its tooltip, the
  // whole path.
  connect(ui_->PortCombo, &QComboBox::currentIndexChanged, this, [this](int item) {
    ui_->PortCombo->setToolTip(ui_->PortCombo->itemData(item, Qt::ToolTipRole).toString());
    if (QLineEdit* edit = ui_->PortCombo->lineEdit()) edit->setCursorPosition(0);
  });
  connect(&Session, &MeterSession::ReadingArrived, this,
          [this](const Reading& reading) { Guarded([&] { OnReading(reading); }); });
  connect(&Session, &MeterSession::ReadingCorrected, this,
          [this](const Reading& corrected) { Transfer.Correct(corrected); });
  connect(&Session, &MeterSession::TransferEnded, this,
          [this] { Guarded([this] { OnTransferEnded(); }); });
  connect(&Session, &MeterSession::DeviceLost, this,
          [this] { Guarded([this] { OnDeviceLost(); }); });
  connect(&Session, &MeterSession::Failed, this,
          [this](const LinkProblem& problem) { Guarded([&] { OnLinkFailed(problem); }); });
  connect(&Session, &MeterSession::StepRegained, this, [this](const StepLoss& loss, bool first) {
    Guarded([&] { OnStepRegained(loss, first); });
  });
}

void COrbekDlg::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  // The focus shows from the window's first frame, not only once a key has
  // moved it (activation clears the mark Qt keeps for that).
  if (event->type() == QEvent::ActivationChange && isActiveWindow() && !focusShown_) {
    focusShown_ = true;
    setAttribute(Qt::WA_KeyboardFocusChange);
    if (QWidget* focused = focusWidget()) focused->update();
  }
  if (event->type() != QEvent::PaletteChange) return;
  LoadLabelBitmaps();
  for (BitmapButton* button : findChildren<BitmapButton*>())
    if (button->NormalBitmapId() != 0)
      button->LoadBitmaps(button->NormalBitmapId(), button->PressedBitmapId());
}

void COrbekDlg::SetUpAccessibility() {
  setAccessibleName(tr("Orbek"));
  // The lists are named by the pictures that label them.
  const struct {
    QLabel* label;
    QComboBox* list;
  } labelled[] = {{ui_->CommunicationPortBitmap, ui_->PortCombo},
                  {ui_->BaudRateBitmap, ui_->BaudCombo},
                  {ui_->IntervalRecordingBitmap, ui_->IntervalCombo}};
  for (const auto& [label, list] : labelled) {
    label->setBuddy(list);
    list->setAccessibleName(label->accessibleName());
  }
  ui_->ReadingsTable->setAccessibleName(tr("Readings"));
  ui_->ReadingsTable->setAccessibleDescription(
      tr("One row a reading: its number, the meter's date and time, the measured value and the "
         "temperature"));
  // Tab goes on from the table to the interval list and Graph, as the
  // window's order has them, instead of from cell to cell.
  ui_->ReadingsTable->setTabKeyNavigation(false);
  // Named apart from the Graph button, which says "Chart" in some languages.
  ui_->Chart->setAccessibleName(tr("Chart of the readings"));
  ui_->Chart->PlotWidget()->setAccessibleName(tr("Chart of the readings"));
  DescribeChart();
  connect(ui_->Chart, &CTchart1::CursorMoved, this,
          [this](const QString& text) { ui_->Chart->PlotWidget()->setAccessibleDescription(text); });
  // The menus open from the keyboard inside the window, at the focused
  // reading or the chart's cursor.
  new KeyboardMenu(ui_->ReadingsTable, ui_->ReadingsTable, [this] {
    const QWidget* viewport = ReadingsTable->viewport();
    const QRect cell = ReadingsTable->visualRect(ReadingsTable->currentIndex());
    const QPoint at =
        viewport->rect().contains(cell.center()) ? cell.center() : viewport->rect().center();
    return viewport->mapTo(ReadingsTable, at);
  });
  new KeyboardMenu(ui_->Chart, ui_->Chart->PlotWidget(), [this] { return ui_->Chart->MenuPoint(); });
  // Arrivals and the end are said in words, a few times a minute at most.
  TransferStatus = new QLabel(this);
  TransferStatus->setObjectName(QStringLiteral("TransferStatus"));
  // Below Graph, where the form leaves room.
  TransferStatus->setGeometry(690, 592, 215, 40);
  TransferStatus->setWordWrap(true);
  statusTimer_.setSingleShot(true);
  statusTimer_.setInterval(kStatusEveryMs);
  connect(&statusTimer_, &QTimer::timeout, this, [this] { SayStatus(StatusNow()); });
}

// What the chart shows, for those who do not see it: the readings on it
// and the newest.
void COrbekDlg::DescribeChart() {
  const QString lines = tr("The measured value (green, solid line) and the temperature (red, "
                           "dashed line) against the reading's number");
  if (Transfer.Empty()) {
    ui_->Chart->setAccessibleDescription(lines);
    return;
  }
  const auto [low, high] = Chart->ShownBottomRange();
  const auto first = std::max<std::int64_t>(0, static_cast<std::int64_t>(std::ceil(low)));
  const auto last = std::min<std::int64_t>(Transfer.Count() - 1,
                                           static_cast<std::int64_t>(std::floor(high)));
  const DecodedReading& newest = Transfer.At(Transfer.Count() - 1).decoded;
  ui_->Chart->setAccessibleDescription(
      lines + QStringLiteral(". ") +
      tr("Readings %1 to %2 shown; the last: %3 at %4.")
          .arg(first)
          .arg(last)
          .arg(QString::fromUtf8(newest.ValueText), QString::fromUtf8(newest.TemperatureText)));
}

QString COrbekDlg::StatusNow() const {
  const auto count = static_cast<qlonglong>(Transfer.Count());
  if (Session.IsOpen())
    return count == 1 ? tr("Receiving: 1 reading so far")
                      : tr("Receiving: %1 readings so far").arg(count);
  return count == 1 ? tr("Transfer ended: 1 reading") : tr("Transfer ended: %1 readings").arg(count);
}

// A label's new text is an accessibility event of its own: screen readers
// hear it without the focus moving.
void COrbekDlg::SayStatus(const QString& text) {
  if (TransferStatus->text() == text) return;
  TransferStatus->setText(text);
  TransferStatus->setAccessibleName(text);
}

// The table's and the chart's menus: the sample's details, the report, the
// chart as a picture. Their shortcuts work anywhere in the window. The
// statistics stand above the table, where the form leaves room.
void COrbekDlg::SetUpTransferActions() {
  Transfer.details = RememberedDetails();
  auto action = [this](const QString& text, const QKeySequence& keys,
                       void (COrbekDlg::*handler)()) {
    auto* act = new QAction(text, this);
    act->setShortcut(keys);
    act->setShortcutContext(Qt::WindowShortcut);
    connect(act, &QAction::triggered, this,
            [this, handler] { Guarded([this, handler] { (this->*handler)(); }); });
    addAction(act);
    return act;
  };
  QAction* details = action(tr("Sample Details..."), QKeySequence(Qt::CTRL | Qt::Key_D),
                            &COrbekDlg::OnSampleDetails);
  QAction* report = action(tr("Save Report as PDF..."), QKeySequence(Qt::CTRL | Qt::Key_P),
                           &COrbekDlg::OnSaveReport);
  QAction* picture =
      action(tr("Save Chart as Picture..."), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S),
             &COrbekDlg::OnSaveChartPicture);
  QAction* history =
      action(tr("History..."), QKeySequence(Qt::CTRL | Qt::Key_H), &COrbekDlg::OnHistory);
  QAction* review = action(tr("Mark as Reviewed..."), QKeySequence(Qt::CTRL | Qt::Key_R),
                           &COrbekDlg::OnMarkReviewed);
  // Whether Receive asks about details left from an earlier transfer.
  auto* ask = new QAction(tr("Ask for Sample Details at Receive"), this);
  ask->setCheckable(true);
  ask->setChecked(AskForDetailsAtReceive());
  connect(ask, &QAction::toggled, this, [](bool on) {
    if (!SetAskForDetailsAtReceive(on))
      MessageBoxExW(tr("This choice could not be saved in %1, so it may not hold.")
                        .arg(DisplayPath(StateFolder())),
                    tr("Orbek"));
  });
  addAction(ask);
  ui_->ReadingsTable->setContextMenuPolicy(Qt::ActionsContextMenu);
  ui_->ReadingsTable->addActions({details, ask, report, history, review});
  ui_->Chart->setContextMenuPolicy(Qt::ActionsContextMenu);
  ui_->Chart->addActions({details, ask, report, picture, history, review});

  // Under the table: which archived transfer the window shows.
  ArchiveBanner = new QLabel(this);
  ArchiveBanner->setObjectName(QStringLiteral("ArchiveBanner"));
  ArchiveBanner->setGeometry(15, 656, 639, 26);
  ArchiveBanner->setTextInteractionFlags(Qt::TextSelectableByMouse);
  ArchiveBanner->hide();

  StatisticsLabel = new QLabel(this);
  StatisticsLabel->setObjectName(QStringLiteral("StatisticsLabel"));
  StatisticsLabel->setGeometry(215, 10, 690, 60);
  StatisticsLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  StatisticsLabel->setWordWrap(true);
  StatisticsLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
  // Its own background, the window's, spares the window beneath a repaint
  // at every refresh while a meter streams.
  StatisticsLabel->setAutoFillBackground(true);
  StatisticsLabel->setAccessibleName(tr("Statistics"));
  connect(&statisticsTimer_, &QTimer::timeout, this, &COrbekDlg::DescribeChart);
  statisticsTimer_.setSingleShot(true);
  statisticsTimer_.setInterval(500);
  connect(&statisticsTimer_, &QTimer::timeout, this, &COrbekDlg::ShowStatistics);
  connect(ui_->Chart, &CTchart1::ShownRangeChanged, this, [this] {
    if (!statisticsTimer_.isActive()) statisticsTimer_.start();
  });
}

namespace {

// Readings enough to tell a meter's records from random bytes.
constexpr std::size_t kForeignVerdictReadings = 50;

// "7.0974 pH ± 0.053 (6.94 to 7.2); 23.737 °C ± 0.74 (22.1 to 24.6)": mean
// ± standard deviation (range) of the value in the last reading's unit and
// of the temperature in its scale.
// A number's text as the window's language writes it: its decimal sign and
// minus, no group separators (a meter's values stay as the meter gives them).
QString InLanguage(const std::string& number, const QLocale& language) {
  QString text = QString::fromStdString(number);
  text.replace(QLatin1Char('.'), language.decimalPoint());
  text.replace(QLatin1Char('-'), language.negativeSign());
  return text;
}

QString Summary(const ReadingStatistics& statistics, const DecodedReading& last) {
  QStringList parts;
  QLocale language = LanguageInUse();
  language.setNumberOptions(QLocale::OmitGroupSeparator);
  const auto add = [&](const std::vector<ReadingStatistics::Series>& all, std::string_view unit) {
    for (const auto& series : all) {
      if (series.unit != unit) continue;
      const Accumulator& n = series.numbers;
      QString part = language.toString(n.Mean(), 'g', 5);
      if (!unit.empty())
        part +=
            QLatin1Char(' ') + QString::fromUtf8(unit.data(), static_cast<qsizetype>(unit.size()));
      if (n.Deviation())
        part += QStringLiteral(" \u00B1 ") + language.toString(*n.Deviation(), 'g', 2);
      part += COrbekDlg::tr(" (%1 to %2)")
                  .arg(InLanguage(StatisticText(n.Minimum()), language),
                       InLanguage(StatisticText(n.Maximum()), language));
      parts << part;
    }
  };
  if (last.Value) add(statistics.Values(), last.Unit.value_or(std::string_view()));
  add(statistics.Temperatures(), last.TemperatureUnit());
  return parts.join(QStringLiteral("; "));
}

}  // namespace

// The whole transfer's statistics and those of the readings the chart
// shows, in the units of the last reading.
// Above them, the sample the readings are filed under, so that details
// carried over from another transfer never pass unseen.
// The label's accessible name carries its numbers: a name alone would hide
// the text from screen readers.
// While a transfer runs the text changes twice a second, and a selection
// would not outlive it; a text the mouse can select costs a document laid
// out again at every change, so it is plain until the transfer ends.
void COrbekDlg::SetStatisticsText(const QString& text) {
  StatisticsLabel->setTextInteractionFlags(receiving_ ? Qt::NoTextInteraction
                                                      : Qt::TextSelectableByMouse);
  StatisticsLabel->setText(text);
  StatisticsLabel->setAccessibleName(text.isEmpty() ? tr("Statistics")
                                                    : tr("Statistics: %1").arg(text));
}

void COrbekDlg::ShowStatistics() {
  const QString sample =
      Transfer.details.sample.empty()
          ? QString()
          : tr("Sample %1").arg(QString::fromStdString(Transfer.details.sample).left(80));
  if (Transfer.Empty()) {
    SetStatisticsText(sample);
    return;
  }
  const DecodedReading last = Transfer.At(Transfer.Count() - 1).decoded;
  const auto [low, high] = Chart->ShownBottomRange();
  const auto first = static_cast<std::int64_t>(std::ceil(low));
  const auto end = static_cast<std::int64_t>(std::floor(high));
  const ReadingStatistics shown = Transfer.StatisticsBetween(first, end);
  SetStatisticsText(
      (sample.isEmpty() ? QString() : sample + QLatin1Char('\n')) +
      tr("Transfer (n %1): %2").arg(Transfer.Count()).arg(Summary(Transfer.Statistics(), last)) +
      QLatin1Char('\n') + tr("Chart (n %1): %2").arg(shown.Readings()).arg(Summary(shown, last)));
}

// Details given for a transfer that has ended change it on the record:
// each field that differs is kept as a change, with its time. Given before
// or during a transfer, they are that transfer's.
void COrbekDlg::OnSampleDetails() {
  SampleDetailsDialog dialog(Transfer.details, this);
  if (dialog.exec() != QDialog::Accepted) return;
  const bool ended = !Transfer.Empty() && !receiving_;
  if (ended) {
    QString reason;
    if (archive_.ShownIsArchived() && dialog.Details() != Transfer.details) {
      reason = QInputDialog::getText(
                   this, tr("Reason for the change"),
                   tr("Why do the details of this transfer change? The archive keeps the old "
                      "and the new text with your reason."))
                   .trimmed();
      if (reason.isEmpty()) {
        MessageBoxExW(tr("The details stay as they were: a change needs its reason."),
                      tr("Orbek"));
        return;
      }
    }
    const std::size_t before = Transfer.changes.size();
    Transfer.ChangeDetails(dialog.Details(), std::chrono::system_clock::now());
    if (!reason.isEmpty()) {
      const std::vector<DetailChange> made(Transfer.changes.begin() + long(before),
                                           Transfer.changes.end());
      if (const QString note = archive_.DetailsChanged(made, reason); !note.isEmpty())
        MessageBoxExW(note, tr("Orbek"));
    }
  } else {
    Transfer.details = dialog.Details();
    detailsConfirmed_ = true;
  }
  KeepDetails();
  ShowStatistics();
}

void COrbekDlg::KeepDetails() {
  QString error;
  if (!RememberDetails(Transfer.details, &error))
    MessageBoxExW(
        tr("The details are kept for this transfer but not for the next start: %1.").arg(error),
        tr("Orbek"));
}

// Details left from an earlier transfer are shown before the meter is told
// to send: kept with Yes, changed (or Receive given up) with No. False
// when the user gave up.
bool COrbekDlg::ConfirmDetailsForReceive() {
  if (Transfer.details.Empty() || detailsConfirmed_ || !AskForDetailsAtReceive()) return true;
  QStringList given;
  for (const DetailField& field : kDetailFields)
    if (!(Transfer.details.*field.member).empty())
      given << QStringLiteral("%1: %2").arg(
          DetailLabel(field), QString::fromStdString(Transfer.details.*field.member).left(80));
  const int answer = MessageBoxExW(
      tr("Are the readings to come still of this sample?\n\n%1\n\nYes keeps these details; "
         "No lets you change them first.")
          .arg(given.join(QLatin1Char('\n'))),
      tr("Sample Details"), MessageButtons::YesNo);
  if (answer != IDNO) return true;
  SampleDetailsDialog dialog(Transfer.details, this);
  if (dialog.exec() != QDialog::Accepted) return false;
  Transfer.details = dialog.Details();
  KeepDetails();
  return true;
}

void COrbekDlg::OnSaveReport() {
  const QString path = AskSavePath(ReportKind());
  if (path.isEmpty()) return;
  const QString source = Session.PortName().isEmpty() ? tr("the window") : Session.PortName();
  const auto [received, reviewed] = archive_.Attribution();
  WriteTransferReport(path, Transfer, {source, WindowProgram(), received, reviewed});
  MessageBoxExW(tr("The report has been saved as %1.").arg(DisplayPath(path)), tr("Message"));
  NoteSaved(path);
}

void COrbekDlg::OnSaveChartPicture() {
  const QString path = AskSavePath(PictureKind());
  if (path.isEmpty()) return;
  Chart->SavePicture(path);
  MessageBoxExW(tr("The chart has been saved as %1.").arg(DisplayPath(path)), tr("Message"));
  NoteSaved(path);
}

void COrbekDlg::Guarded(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& error) {
    MessageBoxExW(QString::fromUtf8(error.what()), tr("Orbek"));
  } catch (...) {
    MessageBoxExW(tr("An unexpected error stopped this action."), tr("Orbek"));
  }
}

bool COrbekDlg::OnInitDialog() {
  DoDataExchange();
  setWindowIcon(AppIcon);
  LoadButtonFaces();

  FillComboData();
  WidenToItems(*BaudCombo);
  BaudCombo->setCurrentIndex(2);      // "9600"
  IntervalCombo->setCurrentIndex(0);  // "OFF"

  ScanPorts();
  PortCombo->setCurrentIndex(PortCombo->count() > 0 ? 0 : -1);

  // The window's size is settled here; its image is made while the table is.
  if (const QScreen* screen = this->screen())
    FitInto(screen->availableGeometry().size() - kFrameAllowance);
  std::future<void> image = PrepareWindowImage(*this);
  SetUpReadingsTable();
  SetUpChartSeries();

  Chart->hide();
  ReadingsTable->show();
  ui_->LegendTemperatureBitmap->hide();
  ui_->LegendValueBitmap->hide();
  ChartShown = false;
  ChartAxes = Chart->Axis();
  ScanButton->setFocus();
  NameJournalsKeptAside();
  image.wait();  // before the restore's question, which runs events
  OfferRestore();
  return true;
}

// The form's controls move into a scrolled page of the form's size; the
// Tab order, which moving would reset, is put back.
void COrbekDlg::FitInto(const QSize& room) {
  const QSize form = minimumSize();
  if (room.width() >= form.width() && room.height() >= form.height()) return;
  QWidgetList order;
  for (QWidget* next = nextInFocusChain(); next != this; next = next->nextInFocusChain())
    order << next;
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("FormPage"));
  page->setFixedSize(form);
  // A copy: each widget moved leaves the list being walked.
  const QObjectList controls = children();
  for (QObject* child : controls) {
    auto* widget = qobject_cast<QWidget*>(child);
    if (widget == nullptr || widget->isWindow()) continue;
    const bool shown = !widget->isHidden();
    widget->setParent(page);
    widget->setVisible(shown);
  }
  auto* scroll = new QScrollArea;
  scroll->setObjectName(QStringLiteral("FormScroll"));
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidget(page);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(scroll);
  for (qsizetype i = 1; i < order.size(); ++i)
    if (order[i - 1]->parentWidget() != nullptr && order[i]->parentWidget() != nullptr)
      setTabOrder(order[i - 1], order[i]);
  setMinimumSize(form.boundedTo(QSize(320, 240)));
  resize(form.boundedTo(room));
}

// Kept aside until the user removes them: they may hold the only copy of a
// lab's readings.
void COrbekDlg::NameJournalsKeptAside() {
  const auto journals = Journal::Unfinished(StateFolder(), {Journal::kAsidePattern});
  if (journals.empty()) return;
  const QString oldest =
      journals.front().lastArrival.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
  const QString where =
      journals.size() == 1
          ? tr("1 transfer kept aside by earlier runs (from %1) is in %2.")
                .arg(oldest, DisplayPath(StateFolder()))
          : tr("%1 transfers kept aside by earlier runs (the oldest from %2) are in %3.")
                .arg(journals.size())
                .arg(oldest, DisplayPath(StateFolder()));
  const QString text = where + ' ' +
                       tr("orbek-log --decode turns each into a file; remove them once they are "
                          "saved elsewhere.\n\nOpen the folder?");
  if (MessageBoxExW(text, tr("Orbek"), MessageButtons::YesNo) == IDYES)
    QDesktopServices::openUrl(QUrl::fromLocalFile(StateFolder()));
}

bool COrbekDlg::CaptureTo(const QString& path, QString* error) {
  Session.SetJournal(nullptr);
  journal_.reset();
  journaling_ = path.isEmpty();
  if (journaling_) return true;
  try {
    journal_ = Journal::Create(path, true);
  } catch (const SaveError& failure) {
    if (error != nullptr) *error = QString::fromUtf8(failure.what());
    return false;
  }
  Session.SetJournal(journal_.get());
  return true;
}

// The question comes after the scan's report and before the window takes
// input. Yes puts the readings in through the handler that received them;
// No keeps the journal aside under a dated name.
void COrbekDlg::OfferRestore() {
  const auto abandoned = Journal::FindAbandoned(StateFolder(), Journal::kWindowPattern);
  if (!abandoned) return;
  ReadingList list;
  QFile file;
  QString reason;
  if (!OpenNative(file, abandoned->path, QIODevice::ReadOnly, &reason)) {
    qCWarning(lcLink) << "cannot read the journal" << DisplayPath(abandoned->path) << reason;
    return;
  }
  const ReplayResult replay = ReplayCapture(file, false, list);
  const std::vector<Reading>& readings = list.readings;
  if (readings.empty() && replay.readError.isEmpty() && abandoned->bytes == 0) {
    if (!RemoveNative(abandoned->path))
      qCWarning(lcLink) << "cannot remove the empty journal" << DisplayPath(abandoned->path)
                        << ReasonFor(errno);
    return;
  }
  // Bytes that give no transfer's readings (a damaged file, something
  // else) are not offered as readings; they are kept aside all the same.
  if (!LooksLikeTransfer(readings) || !replay.readError.isEmpty()) {
    QString error;
    const QString aside = Journal::KeepAside(*abandoned, &error);
    qCWarning(lcLink) << "the journal" << DisplayPath(abandoned->path) << "holds no transfer"
                      << replay.readError
                      << (aside.isEmpty() ? "and cannot be kept aside: " + error
                                          : "; kept aside as " + DisplayPath(aside));
    return;
  }
  const QString aside = Journal::AsideName(*abandoned);
  const QString question =
      tr("Orbek was not closed normally. %1 readings of its last transfer were "
         "found; the last one arrived on %2.\n\nRestore them?\n\n(No keeps them "
         "in %3, which orbek-log --decode reads.)")
          .arg(readings.size())
          .arg(abandoned->lastArrival.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), aside);
  if (MessageBoxExW(question, tr("Orbek"), MessageButtons::YesNo) != IDYES) {
    QString error;
    if (Journal::KeepAside(*abandoned, &error).isEmpty())
      MessageBoxExW(tr("Cannot keep the readings aside as %1: %2. They stay in %3, "
                       "which orbek-log --decode reads, and are offered again at the "
                       "next start.")
                        .arg(DisplayPath(aside), error, DisplayPath(abandoned->path)),
                    tr("Orbek"));
    return;
  }
  Restore(readings);
  if (const QString note = archive_.Restored(abandoned->path, Transfer); !note.isEmpty())
    MessageBoxExW(note, tr("Orbek"));
  try {
    journal_ = Journal::Adopt(abandoned->path);
  } catch (const SaveError& error) {
    MessageBoxExW(QString::fromUtf8(error.what()) +
                      tr("; the restored readings stay in %1 and are offered again "
                         "at the next start.")
                          .arg(DisplayPath(abandoned->path)),
                  tr("Orbek"));
  }
}

// A journal is offered back when at least half its readings carry a real
// date or a value the meter defines, as a meter's transfer does.
bool COrbekDlg::LooksLikeTransfer(const std::vector<Reading>& readings) {
  const auto plausible = std::count_if(readings.begin(), readings.end(),
                                       [](const Reading& r) { return Plausible(r.decoded); });
  return !readings.empty() && 2 * static_cast<std::size_t>(plausible) >= readings.size();
}

void COrbekDlg::Restore(const std::vector<Reading>& readings) {
  RowCounter = 0;
  Transfer.Clear();
  for (const Reading& reading : readings)
    OnReading(reading);
}

// The baud box is filled in the order 115200, 9600, 19200 and keeps its
// items sorted as text; the interval items come with the form. Each item
// carries its value, from the table of choices.
void COrbekDlg::FillComboData() {
  for (const BaudChoice& choice : kBaudChoices)
    AddSorted(*BaudCombo, Latin1(choice.text), choice.baud);
  // The form lists the intervals in the meter's order, in the window's
  // language: an item's place is its choice, whatever its text reads.
  Q_ASSERT(IntervalCombo->count() == static_cast<int>(kIntervalChoices.size()));
  for (int item = 0; item < IntervalCombo->count(); ++item)
    IntervalCombo->setItemData(item, item);
}

std::optional<int> COrbekDlg::SelectedBaud() const {
  const QVariant baud = SelectedData(*BaudCombo);
  return baud.isValid() ? std::optional<int>(baud.toInt()) : std::nullopt;
}

// No interval selected counts as -1, which gives the start byte 0xB0.
int COrbekDlg::SelectedInterval() const {
  const QVariant interval = SelectedData(*IntervalCombo);
  return interval.isValid() ? interval.toInt() : -1;
}

// The form names each picture's bitmap; loaded again here, it comes at the
// screen's scale, in the window's language and palette. A screen reader
// reads the picture's text.
void COrbekDlg::LoadLabelBitmaps() {
  for (QLabel* label : findChildren<QLabel*>()) {
    const QVariant id = label->property("bitmapId");
    if (!id.isValid()) continue;
    label->setPixmap(LoadBitmap(id.toInt()));
    if (const char* text = BitmapText(id.toInt())) {
      QString name = QCoreApplication::translate("Artwork", text);
      if (name.endsWith(QLatin1Char(':'))) name.chop(1);
      label->setAccessibleName(name);
    }
  }
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
  const int columns = static_cast<int>(kColumnHeadings.size());
  // A larger font or a longer heading widens a column rather than cut its
  // texts; the window's own font leaves each a quarter of the table.
  const QFontMetrics cells(ReadingsTable->font());
  const QFontMetrics headings(ReadingsTable->horizontalHeader()->font());
  const QString widest = QStringLiteral("0000-00-00 00:00:00");
  std::vector<orbek::ReadingsTable::Heading> added;
  for (int c = 0; c < columns; ++c) {
    const int needed = std::max(cells.horizontalAdvance(widest),
                                headings.horizontalAdvance(ColumnHeadingText(c))) +
                       16;
    added.push_back(
        {ColumnHeadingText(c), Qt::AlignHCenter, std::max(rect.width() / columns, needed)});
  }
  ReadingsTable->InsertColumns(0, added);
  const QStringList numbers = RowNumbers(kTableRows);
  ReadingsTable->InsertItems(0, numbers);
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
  TemperatureSeries.SetDashed(true);  // told apart from the value without its colour
  Chart->SetPointDescriber([this](int series, int point) { return DescribePoint(series, point); });
}

// A point's reading as the table shows it; a reading past the table's last
// row is only in the chart, with its numbers.
QString COrbekDlg::DescribePoint(int series, int point) const {
  const ChartSeries plotted = series == 0 ? ValueSeries : TemperatureSeries;
  const auto row = static_cast<int>(plotted.X(point));
  if (row < 0 || row >= ReadingsTable->ItemCount())
    return tr("No. %1\n%2\n%3").arg(row).arg(ValueSeries.Y(point)).arg(TemperatureSeries.Y(point));
  return tr("No. %1\n%2\n%3\n%4")
      .arg(row)
      .arg(ReadingsTable->ItemText(row, kTimestampColumn),
           ReadingsTable->ItemText(row, kValueColumn),
           ReadingsTable->ItemText(row, kTemperatureColumn));
}

// The template's drop-down boxes are as wide as its font needed ("115200"
// in 46 dialog units); in a wider font one grows to the right, within the
// form, until its widest item shows whole in its field.
void COrbekDlg::WidenToItems(QComboBox& combo) {
  QStyleOptionComboBox option;
  option.initFrom(&combo);
  option.editable = combo.isEditable();
  option.frame = combo.hasFrame();
  const QRect field = combo.style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                   QStyle::SC_ComboBoxEditField, &combo);
  // A line edit keeps a margin of two pixels each side of its text.
  const int margins = combo.isEditable() ? 4 : 0;
  int widest = 0;
  for (int i = 0; i < combo.count(); ++i)
    widest = std::max(widest, combo.fontMetrics().horizontalAdvance(combo.itemText(i)));
  const int needed = combo.width() - field.width() + widest + margins;
  const int room = combo.parentWidget()->width() - combo.x() - kFormRightMargin;
  if (needed > combo.width()) combo.resize(std::min(needed, std::max(room, combo.width())),
                                           combo.height());
}

void COrbekDlg::ScanFirstFrom(std::future<ProbeResult> probe) {
  firstScan_ = std::move(probe);
}

void COrbekDlg::ScanPorts() {
  const ProbeResult result = firstScan_.valid() ? firstScan_.get() : ProbePorts(candidates_());
  PortCombo->clear();
  PortNumberList.clear();
  for (const auto& port : result.usable) {
    PortNumberList.push_back(port.path);
    PortCombo->addItem(port.name);
    const int item = PortCombo->count() - 1;
    PortCombo->setItemData(item, port.description, kItemDetailRole);
    PortCombo->setItemData(item, port.path, Qt::ToolTipRole);
  }
  ShowItemDetails(*PortCombo);
  WidenToItems(*PortCombo);
  PortCombo->setCurrentIndex(-1);  // the callers choose
  const ScanReport report = ReportScan(result);
  MessageBoxExW(report.text, report.caption);
}

// Disabling the button for a moment moves the focus away; it comes back, so
// that the keyboard stays on the button just pressed.
// The window's focus stays on the button, also while a message box has it:
// disabling the window's focus button moves the focus on, whether or not
// the window is active.
void COrbekDlg::ChangeFace(BitmapButton& button, int bitmapId) {
  const bool focused = button.window()->focusWidget() == &button;
  button.LoadBitmaps(bitmapId);
  button.setEnabled(false);
  button.setEnabled(true);
  if (focused) button.setFocus(Qt::OtherFocusReason);
  button.repaint();
}

void COrbekDlg::OnScanButton() {
  ScanPorts();
  PortCombo->setCurrentIndex(PortCombo->count() > 0 ? 0 : -1);
  // The probe found our own open port busy and left it out; the link ends
  // without a stop command.
  if (Session.IsOpen()) {
    Session.Close();
    ChangeFace(*ConnectButton, bitmap::kConnect);
  }
}

void COrbekDlg::OnConnectButton() {
  if (SelectedIndex(*PortCombo) < 0) {
    ChangeFace(*ConnectButton, bitmap::kConnectDark);
    MessageBoxExW(tr("Select a port"), tr("Error"));
    ChangeFace(*ConnectButton, bitmap::kConnect);
    return;
  }
  if (Session.IsOpen()) {
    Session.Stop();
    MessageBoxExW(tr("Port is closed"), tr("Message"));
    ChangeFace(*ConnectButton, bitmap::kConnect);
    return;
  }
  Session.Open(PortNumberList.at(static_cast<std::size_t>(SelectedIndex(*PortCombo))),
               SelectedBaud());
  MessageBoxExW(tr("Port is connected"), tr("Message"));
  ChangeFace(*ConnectButton, bitmap::kDisconnect);
}

void COrbekDlg::OnReceiveButton() {
  if (!ConfirmDetailsForReceive()) return;
  detailsConfirmed_ = false;  // the next Receive asks again
  const QString keptNote = LetGoOfShownTransfer();
  ClearTransferView();
  if (Session.IsOpen()) {
    archive_.Begin(Session);
    if (journaling_) StartJournal();
    Session.Start(SelectedInterval());
    receiving_ = true;
    statusTimer_.stop();
    SayStatus(tr("Transfer started"));
    if (!keptNote.isEmpty()) ShowAfterThisEvent(keptNote, tr("Orbek"));
  } else {
    MessageBoxExW(tr("The meter has not connected to computer"), tr("Error"));
    if (!keptNote.isEmpty()) MessageBoxExW(keptNote, tr("Orbek"));
  }
}

COrbekDlg::EventAxes COrbekDlg::BeginSerialEvent() {
  EventAxes axes{ChartAxes.Left(), ChartAxes.Bottom()};
  if (RowCounter == 0) {
    axes.left.SetMinMax(kInitialAxisRange.minimum, kInitialAxisRange.maximum);
    AxisRange = kInitialAxisRange;
    axes.bottom.SetMinMax(-19.0, 0.0);
  }
  return axes;
}

void COrbekDlg::OnReading(const Reading& arrived) {
  const DecodedReading& reading = arrived.decoded;
  auto [axisLeft, axisBottom] = BeginSerialEvent();
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
  Transfer.Add(arrived);
  if (!statisticsTimer_.isActive()) statisticsTimer_.start();
  if (!statusTimer_.isActive()) statusTimer_.start();
  if (Transfer.Count() == kForeignVerdictReadings) WarnOfForeignBytes();
}

// Said once a transfer, as soon as enough readings have come to tell, or
// at its end.
void COrbekDlg::WarnOfForeignBytes() {
  if (foreignSaid_ || Transfer.Empty() || Transfer.Statistics().LooksLikeMeterData()) return;
  foreignSaid_ = true;
  ShowAfterThisEvent(tr("Most of the records received carry neither a real date nor a value the "
                        "meter defines: they do not look like a meter's readings. Is the baud "
                        "rate right?"),
                     tr("Warning"));
}

// Rows exist for the first 5001 readings; later ones are only plotted.
void COrbekDlg::WriteReading(const DecodedReading& reading) {
  ReadingsTable->SetItemText(RowCounter, kTimestampColumn,
                             QString::fromUtf8(reading.TimestampText));
  ReadingsTable->SetItemText(RowCounter, kValueColumn, QString::fromUtf8(reading.ValueText));
  ReadingsTable->SetItemText(RowCounter, kTemperatureColumn,
                             QString::fromUtf8(reading.TemperatureText));
}

// The session has sent the stop byte and closed the port.
void COrbekDlg::OnTransferEnded() {
  BeginSerialEvent();
  ReadingsTable->ShowChangesNow();
  ArchiveTransfer();
  ShowStatistics();
  statusTimer_.stop();
  SayStatus(StatusNow());
  WarnOfForeignBytes();
  ChangeFace(*ConnectButton, bitmap::kConnect);
}

// The port is closed already. What arrived stays in the table and the
// chart; the face and one message say the link is gone.
void COrbekDlg::OnDeviceLost() {
  BeginSerialEvent();
  ReadingsTable->ShowChangesNow();
  ArchiveTransfer();
  ShowStatistics();
  statusTimer_.stop();
  SayStatus(StatusNow());
  WarnOfForeignBytes();
  ChangeFace(*ConnectButton, bitmap::kConnect);
  MessageBoxExW(tr("The connection to %1 was lost. The readings received so far "
                   "are kept.")
                    .arg(Session.PortName()),
                tr("Error"));
}

// The link goes on.
void COrbekDlg::OnLinkFailed(const LinkProblem& problem) {
  BeginSerialEvent();
  ShowAfterThisEvent(Said(problem), tr("Orbek"));
}

// What the line or the journal reports, in the window's language.
QString COrbekDlg::Said(const LinkProblem& problem) {
  switch (problem.kind) {
    case LinkProblem::Kind::StopMayNotHaveLeft:
      return tr("The stop command may not have reached the meter (%1); it may still be sending")
          .arg(problem.reason);
    case LinkProblem::Kind::StopNotSent:
      return tr("The stop command could not be sent to %1: %2").arg(problem.subject, problem.reason);
    case LinkProblem::Kind::PortFailed:
      return tr("Reading from or writing to %1 failed: %2").arg(problem.subject, problem.reason);
    case LinkProblem::Kind::JournalHolding:
      return tr("Cannot write the journal %1 from reading %2 on: %3; the bytes wait in memory "
                "(up to %4) until it takes them")
          .arg(problem.subject)
          .arg(problem.reading)
          .arg(problem.reason, problem.limit);
    case LinkProblem::Kind::JournalDropping:
      return tr("The journal %1 still cannot be written (%2) and the memory set aside for it is "
                "full: readings from %3 on are not kept in it")
          .arg(problem.subject, problem.reason)
          .arg(problem.reading);
  }
  return problem.Text();
}

// The same paragraph as StepLoss::Describe, in the window's language.
QString COrbekDlg::Said(const StepLoss& loss) {
  QStringList said;
  said << (loss.times == 1 ? tr("The meter's records fell out of step on the line and were "
                                "brought back in step.")
                           : tr("The meter's records fell out of step on the line and were "
                                "brought back in step (%1 times).")
                                 .arg(loss.times));
  const auto rows = [](const std::set<std::int64_t>& set) {
    return QString::fromStdString(RowRanges(set));
  };
  if (!loss.wrongRows.empty())
    said << (loss.wrongRows.size() == 1 ? tr("Row %1 may show wrong readings.")
                                        : tr("Rows %1 may show wrong readings."))
                .arg(rows(loss.wrongRows));
  if (loss.lostReadings > 0) {
    std::set<std::int64_t> after(loss.lostAfterRows.begin(), loss.lostAfterRows.end());
    QStringList where;
    if (after.erase(-1) > 0) where << tr("before the first row");
    if (!after.empty()) where << tr("after row %1").arg(rows(after));
    said << (loss.lostReadings == 1 ? tr("1 reading was lost (%1).").arg(where.join(", "))
                                    : tr("%1 readings were lost (%2).")
                                          .arg(loss.lostReadings)
                                          .arg(where.join(", ")));
  }
  said << (loss.skippedBytes == 1
               ? tr("1 byte was skipped; every other reading is as the meter sent it.")
               : tr("%1 bytes were skipped; every other reading is as the meter sent it.")
                     .arg(loss.skippedBytes));
  return said.join(' ');
}

// The transfer goes on in step; the user hears of it once a transfer.
void COrbekDlg::OnStepRegained(const StepLoss& loss, bool first) {
  BeginSerialEvent();
  if (first) ShowAfterThisEvent(Said(loss), tr("Warning"));
}

void COrbekDlg::ShowAfterThisEvent(const QString& text, const QString& caption) {
  QMetaObject::invokeMethod(
      this, [text, caption] { MessageBoxExW(text, caption); }, Qt::QueuedConnection);
}

// A workbook holds the table on Sheet1, as it always has, then the
// transfer's details and every reading as typed fields; a CSV file holds
// every reading.
void COrbekDlg::ExportToExcel() {
  const QString strFile = AskWorkbookPath();
  if (strFile.isEmpty()) return;
  if (OutputFormatOf(strFile) == OutputFormat::Csv) {
    SaveTransferCsv(strFile, Transfer);
    exportedReadings_ = Transfer.Count();
    MessageBoxExW(
        tr("Every reading of the transfer has been saved in %1.").arg(DisplayPath(strFile)),
        tr("Message"));
    NoteSaved(strFile);
    return;
  }
  const bool xlsx = FormatOf(strFile) == WorkbookFormat::Xlsx;
  try {
    orbek::ExportToExcel(*ReadingsTable, strFile,
                         [this, xlsx](Workbook& book) { AddTransferSheets(book, Transfer, xlsx); });
  } catch (const WorkbookUnavailable&) {
    MessageBoxExW(tr("Connecting is failed"), tr("Error"));
    return;
  }
  exportedReadings_ = Transfer.Count();
  MessageBoxExW(tr("Data has been exported into Excel file"), tr("Message"));
  NoteSaved(strFile);
  if (RowCounter > kTableRows)
    MessageBoxExW(tr("Readings %1 to %2 came after the table's last row: they are on the "
                     "workbook's Data sheets, not on Sheet1.")
                      .arg(kTableRows)
                      .arg(RowCounter - 1),
                  tr("Orbek"));
}

void COrbekDlg::OnGraphButton() {
  ChartShown = !ChartShown;
  Chart->setVisible(ChartShown);
  ReadingsTable->setVisible(!ChartShown);
  ui_->LegendTemperatureBitmap->setVisible(ChartShown);
  ui_->LegendValueBitmap->setVisible(ChartShown);
  ChangeFace(*GraphButton, ChartShown ? bitmap::kBack : bitmap::kGraph);
}

// Every byte of the transfer also goes to a journal, which outlives a
// crash; Receive starts a new one. A journal that cannot be made is said
// once the handler is over, and the transfer goes on without it.
void COrbekDlg::StartJournal() {
  DropJournal();
  const QString path = QDir(StateFolder())
                           .filePath(QStringLiteral("window-%1-%2.capture")
                                         .arg(QCoreApplication::applicationPid())
                                         .arg(QDateTime::currentMSecsSinceEpoch()));
  try {
    if (!QDir().mkpath(StateFolder()))
      throw SaveError(tr("Cannot create the folder %1 for the journal")
                          .arg(DisplayPath(StateFolder()))
                          .toStdString());
    journal_ = Journal::Create(path, false);
    Session.SetJournal(journal_.get());
    // A restore after a crash archives it under the same id.
    if (!journal_->SetTag("user.orbek.transfer", archive_.ShownId()))
      qCWarning(lcLink) << "cannot keep the transfer id with" << DisplayPath(path);
  } catch (const SaveError& error) {
    ShowAfterThisEvent(
        QString::fromUtf8(error.what()) + tr("; this transfer is not kept should Orbek stop."),
        tr("Orbek"));
  }
}

// Only once its readings are not wanted: a journal that cannot be removed
// is offered again at the next start, so nothing is lost by it.
void COrbekDlg::DropJournal() {
  Session.SetJournal(nullptr);
  if (journal_ && !journal_->Remove())
    qCWarning(lcLink) << "cannot remove the journal" << DisplayPath(journal_->Path())
                      << journal_->Error();
  journal_.reset();
}

// Renames the journal to a dated name beside it and lets it go. Returns
// where the readings are, or why they stay where they were.
QString COrbekDlg::KeepJournalAside(bool* kept) {
  Session.SetJournal(nullptr);
  *kept = false;
  if (!journal_) return tr("no journal keeps them");
  const QString unsynced = journal_->Sync() ? QString() : journal_->Error();
  const Journal::Abandoned journal{journal_->Path(), QDateTime::currentDateTime(), 0};
  journal_.reset();
  QString error;
  const QString aside = Journal::KeepAside(journal, &error);
  if (aside.isEmpty())
    return tr("Cannot keep the readings aside as %1: %2. They stay in %3, which "
              "orbek-log --decode reads.")
        .arg(DisplayPath(Journal::AsideName(journal)), error, DisplayPath(journal.path));
  *kept = true;
  const QString where =
      tr("every reading of this transfer is kept in %1, which orbek-log --decode reads")
          .arg(DisplayPath(aside));
  return unsynced.isEmpty()
             ? where
             : where + tr(" (but it could not be synced to the disk: %1, so a power cut now "
                          "could lose its last second)")
                           .arg(unsynced);
}

// The journal goes only with the user's Yes: every other end of the window
// leaves it to be offered at the next start.
bool COrbekDlg::OnClose() {
  if (MessageBoxExW(tr("WARNING! All data will be lost if the windows closed"), tr("Warning"),
                    MessageButtons::YesNo) != IDYES)
    return false;
  if (!journaling_) return true;
  if (RowCounter > kTableRows) {
    bool kept = false;
    const QString where = KeepJournalAside(&kept);
    MessageBoxExW(kept ? tr("Readings %1 to %2 came after the table's last row; %3.")
                             .arg(kTableRows)
                             .arg(RowCounter - 1)
                             .arg(where)
                       : where,
                  tr("Orbek"));
    return true;
  }
  DropJournal();
  return true;
}

void COrbekDlg::ArchiveTransfer() {
  if (!receiving_) return;
  receiving_ = false;
  const std::optional<int> baud = SelectedBaud();
  const auto settings = baud ? SettingsForBaud(*baud) : std::nullopt;
  const auto interval = kIntervalChoices.at(static_cast<std::size_t>(SelectedInterval())).text;
  const QString note = archive_.End(
      Session, Transfer,
      settings ? QString::fromLatin1(settings->data(), qsizetype(settings->size())) : QString(),
      QString::fromLatin1(interval.data(), qsizetype(interval.size())));
  if (!note.isEmpty()) ShowAfterThisEvent(note, tr("Orbek"));
}

void COrbekDlg::NoteSaved(const QString& path) {
  if (const QString note = archive_.FileSaved(path); !note.isEmpty())
    MessageBoxExW(note, tr("Orbek"));
}

void COrbekDlg::OnHistory() {
  if (!archive_.On()) {
    MessageBoxExW(tr("Transfers are not archived (orbek --no-archive)."), tr("Orbek"));
    return;
  }
  if (receiving_) {
    MessageBoxExW(tr("A transfer is running; open the history once it has ended."), tr("Orbek"));
    return;
  }
  HistoryDialog dialog(archive_.Location(), this);
  if (dialog.exec() != QDialog::Accepted || dialog.Chosen().isEmpty()) return;
  StoredTransfer stored;
  try {
    stored = Archive(archive_.Location()).Load(dialog.Chosen());
  } catch (const ArchiveError& error) {
    MessageBoxExW(QString::fromUtf8(error.what()), tr("Orbek"));
    return;
  }
  ShowArchived(stored);
}

void COrbekDlg::ShowArchived(const StoredTransfer& stored) {
  const QString keptNote = LetGoOfShownTransfer();
  ClearTransferView();
  std::vector<Reading> readings;
  for (std::size_t i = 0; i < stored.readings.Count(); ++i)
    readings.push_back(stored.readings.At(i));
  Restore(readings);
  Transfer.details = stored.transfer.details;
  exportedReadings_ = Transfer.Count();  // the archive keeps it
  archive_.Opened(stored);
  const QString banner =
      tr("Archived transfer of %1, sample %2 (%3): read-only")
          .arg(QLocale().toString(stored.transfer.start.toLocalTime(), QLocale::ShortFormat),
               QString::fromStdString(stored.transfer.details.sample),
               QString::fromLatin1(stored.transfer.id.left(8)));
  ArchiveBanner->setText(banner);
  ArchiveBanner->setAccessibleName(banner);
  ArchiveBanner->show();
  ShowStatistics();
  SayStatus(banner);
  if (!keptNote.isEmpty()) MessageBoxExW(keptNote, tr("Orbek"));
}

void COrbekDlg::OnMarkReviewed() {
  if (!archive_.ShownIsArchived()) {
    MessageBoxExW(tr("Only a transfer that has ended and is in the archive can be reviewed."),
                  tr("Orbek"));
    return;
  }
  ReviewDialog dialog(this);
  if (dialog.exec() != QDialog::Accepted) return;
  const QString note = archive_.Reviewed(dialog.Reviewer(), dialog.Meaning());
  MessageBoxExW(note.isEmpty() ? tr("Marked as reviewed by %1 (%2).")
                                     .arg(dialog.Reviewer(), dialog.Meaning())
                               : note,
                tr("Orbek"));
}

// The transfer the table showed stays on disk, as the close question's No
// keeps one; unless it was exported whole, the user is told where.
QString COrbekDlg::LetGoOfShownTransfer() {
  QString keptNote;
  if (journaling_ && RowCounter > 0 && !archive_.ShowsArchived()) {
    bool kept = false;
    const QString where = KeepJournalAside(&kept);
    if (!kept || exportedReadings_ < Transfer.Count())
      keptNote = kept ? tr("The %1 readings the table showed were not exported; %2.")
                            .arg(Transfer.Count())
                            .arg(where)
                      : where;
  } else if (journaling_) {
    DropJournal();
  }
  return keptNote;
}

void COrbekDlg::ClearTransferView() {
  exportedReadings_ = 0;
  RowCounter = 0;
  Transfer.Clear();
  foreignSaid_ = false;
  ArchiveBanner->hide();
  ShowStatistics();
  for (int row = 0; row < ReadingsTable->ItemCount(); ++row)
    for (const int column : {kTimestampColumn, kValueColumn, kTemperatureColumn})
      ReadingsTable->SetItemText(row, column, QString());
  ReadingsTable->EnsureVisible(RowCounter);
  ValueSeries.Clear();
  TemperatureSeries.Clear();
  Chart->Follow();  // a look back at the last transfer ends with it
}

void COrbekDlg::accept() {
  if (OnClose()) QDialog::accept();
}

void COrbekDlg::reject() {
  if (OnClose()) QDialog::reject();
}

}  // namespace orbek
