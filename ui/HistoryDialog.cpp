#include "ui/HistoryDialog.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <pwd.h>
#include <unistd.h>

namespace orbek {

namespace {

constexpr int kTypingPauseMs = 300;

QString Text(const std::string& text) { return QString::fromStdString(text); }

// The user's full name as the system knows it, or the login name.
QString UserName() {
  const passwd* entry = ::getpwuid(::geteuid());
  if (entry == nullptr) return {};
  const QString full = QString::fromLocal8Bit(entry->pw_gecos).section(QLatin1Char(','), 0, 0);
  return full.isEmpty() ? QString::fromLocal8Bit(entry->pw_name) : full;
}

}  // namespace

HistoryDialog::HistoryDialog(const ArchiveLocation& location, QWidget* parent)
    : QDialog(parent), location_(location) {
  setWindowTitle(tr("History"));
  setObjectName(QStringLiteral("HistoryDialog"));
  search_ = new QLineEdit(this);
  search_->setObjectName(QStringLiteral("HistorySearch"));
  search_->setPlaceholderText(tr("Sample, operator, location, probe or note"));
  search_->setClearButtonEnabled(true);
  from_ = new QDateEdit(QDate(2000, 1, 1), this);
  to_ = new QDateEdit(QDate::currentDate(), this);
  for (QDateEdit* date : {from_, to_}) {
    date->setCalendarPopup(true);
    date->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
  }
  from_->setObjectName(QStringLiteral("HistoryFrom"));
  to_->setObjectName(QStringLiteral("HistoryTo"));
  auto* filters = new QFormLayout;
  filters->addRow(tr("&Search:"), search_);
  auto* dates = new QHBoxLayout;
  dates->addWidget(from_);
  auto* toLabel = new QLabel(tr("&to"), this);
  toLabel->setBuddy(to_);
  dates->addWidget(toLabel);
  dates->addWidget(to_);
  dates->addStretch();
  // The labels name the date boxes to screen readers too.
  auto* fromLabel = new QLabel(tr("Started &from:"), this);
  fromLabel->setBuddy(from_);
  filters->addRow(fromLabel, dates);

  list_ = new QTableWidget(this);
  list_->setObjectName(QStringLiteral("HistoryList"));
  list_->setAccessibleName(tr("Archived transfers"));
  list_->setColumnCount(7);
  list_->setHorizontalHeaderLabels({tr("Started"), tr("Sample ID"), tr("Operator"),
                                    tr("Location"), tr("Readings"), tr("Lost"), tr("Units")});
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setTabKeyNavigation(false);
  list_->verticalHeader()->hide();
  list_->horizontalHeader()->setStretchLastSection(true);
  found_ = new QLabel(this);
  found_->setObjectName(QStringLiteral("HistoryFound"));
  found_->setWordWrap(true);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  open_ = buttons->addButton(tr("&Open"), QDialogButtonBox::AcceptRole);
  open_->setDefault(true);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(open_, &QPushButton::clicked, this, &HistoryDialog::Choose);
  connect(list_, &QTableWidget::cellDoubleClicked, this, &HistoryDialog::Choose);
  connect(list_, &QTableWidget::itemSelectionChanged, this,
          [this] { open_->setEnabled(!list_->selectedItems().isEmpty()); });

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(filters);
  layout->addWidget(list_, 1);
  layout->addWidget(found_);
  layout->addWidget(buttons);
  resize(760, 460);

  typing_.setSingleShot(true);
  typing_.setInterval(kTypingPauseMs);
  connect(&typing_, &QTimer::timeout, this, &HistoryDialog::Refresh);
  connect(search_, &QLineEdit::textChanged, this, [this] { typing_.start(); });
  connect(from_, &QDateEdit::dateChanged, this, &HistoryDialog::Refresh);
  connect(to_, &QDateEdit::dateChanged, this, &HistoryDialog::Refresh);
  Refresh();
}

void HistoryDialog::Refresh() {
  entries_.clear();
  try {
    Archive archive(location_);
    entries_ = archive.History({search_->text().trimmed(), QDateTime(from_->date(), QTime(0, 0)),
                                QDateTime(to_->date(), QTime(23, 59, 59, 999)), -1});
    found_->setText(tr("%n transfer(s) in %1", nullptr, static_cast<int>(entries_.size()))
                        .arg(location_.Display()));
  } catch (const ArchiveError& error) {
    found_->setText(tr("The archive cannot be read: %1").arg(QString::fromUtf8(error.what())));
  }
  list_->setRowCount(static_cast<int>(entries_.size()));
  for (int row = 0; row < list_->rowCount(); ++row) {
    const HistoryEntry& e = entries_[static_cast<std::size_t>(row)];
    const QStringList cells{QLocale().toString(FromArchiveTime(e.start).toLocalTime(), QLocale::ShortFormat),
                            Text(e.details.sample),
                            Text(e.details.operator_),
                            Text(e.details.location),
                            QString::number(e.readings),
                            QString::number(e.lost),
                            QString(e.units).replace(QLatin1Char(';'), QStringLiteral(", "))};
    for (int column = 0; column < cells.size(); ++column)
      list_->setItem(row, column, new QTableWidgetItem(cells[column]));
  }
  list_->resizeColumnsToContents();
  if (list_->rowCount() > 0) list_->selectRow(0);
  open_->setEnabled(list_->rowCount() > 0);
}

void HistoryDialog::Choose() {
  const int row = list_->currentRow();
  if (row < 0 || row >= static_cast<int>(entries_.size())) return;
  chosen_ = entries_[static_cast<std::size_t>(row)].id;
  accept();
}

ReviewDialog::ReviewDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(tr("Mark as Reviewed"));
  setObjectName(QStringLiteral("ReviewDialog"));
  reviewer_ = new QLineEdit(UserName(), this);
  reviewer_->setObjectName(QStringLiteral("Reviewer"));
  meaning_ = new QComboBox(this);
  meaning_->setObjectName(QStringLiteral("ReviewMeaning"));
  meaning_->setEditable(true);
  meaning_->addItems({tr("Reviewed"), tr("Approved"), tr("Rejected")});
  auto* form = new QFormLayout;
  form->addRow(tr("&Reviewer:"), reviewer_);
  form->addRow(tr("&Meaning:"), meaning_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    if (!Reviewer().isEmpty() && !Meaning().isEmpty()) accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(
      tr("The review is kept in the archive's audit trail with your name and the time; it "
         "cannot be changed afterwards."),
      this));
  layout->addLayout(form);
  layout->addWidget(buttons);
}

QString ReviewDialog::Reviewer() const { return reviewer_->text().trimmed(); }
QString ReviewDialog::Meaning() const { return meaning_->currentText().trimmed(); }

}  // namespace orbek
