#pragma once

#include <QDialog>
#include <QString>
#include <vector>

#include "meter/Transfer.h"

class QLineEdit;
class QPlainTextEdit;

namespace orbek {

// Asks for the sample's details of the next transfer (or of the one shown):
// a line for each field and a few for the note, filled with what was given
// last time.
class SampleDetailsDialog : public QDialog {
  Q_OBJECT

 public:
  explicit SampleDetailsDialog(const SampleDetails& details, QWidget* parent = nullptr);
  SampleDetails Details() const;
  // Keeps the dialog open while a field cannot be kept, saying why.
  void accept() override;

 private:
  std::vector<QLineEdit*> lines_;  // every field but the note, in order
  QPlainTextEdit* note_ = nullptr;
};

// A field's label in the window's language.
QString DetailLabel(const DetailField& field);

// The details given last, kept in the state folder between runs.
SampleDetails RememberedDetails();
// Keeps them; false (with `error`) when they could not be written.
bool RememberDetails(const SampleDetails& details, QString* error);
// Whether Receive asks about details left from an earlier transfer (yes
// unless the user turned it off), kept with them.
bool AskForDetailsAtReceive();
// False when the choice could not be kept for the next start.
bool SetAskForDetailsAtReceive(bool ask);

}  // namespace orbek
