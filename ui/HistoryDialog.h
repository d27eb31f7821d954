#pragma once

#include <QByteArray>
#include <QDialog>
#include <QTimer>
#include <vector>

#include "archive/Archive.h"

class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QComboBox;

namespace orbek {

// The archive's transfers, newest first, found by their details and the
// dates they started between; Open (or Enter, or a double click) chooses
// one to show in the window.
class HistoryDialog : public QDialog {
  Q_OBJECT

 public:
  HistoryDialog(const ArchiveLocation& location, QWidget* parent);
  // The transfer chosen, or an empty id.
  const QByteArray& Chosen() const { return chosen_; }

 private:
  void Refresh();
  void Choose();

  ArchiveLocation location_;
  QLineEdit* search_ = nullptr;
  QDateEdit* from_ = nullptr;
  QDateEdit* to_ = nullptr;
  QTableWidget* list_ = nullptr;
  QLabel* found_ = nullptr;
  QPushButton* open_ = nullptr;
  QTimer typing_;
  std::vector<HistoryEntry> entries_;
  QByteArray chosen_;
};

// Who reviewed the transfer shown, and what the review means.
class ReviewDialog : public QDialog {
  Q_OBJECT

 public:
  explicit ReviewDialog(QWidget* parent);
  QString Reviewer() const;
  QString Meaning() const;

 private:
  QLineEdit* reviewer_ = nullptr;
  QComboBox* meaning_ = nullptr;
};

}  // namespace orbek
