#include "ui/SampleDetailsDialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSettings>

#include "storage/NativePath.h"

namespace orbek {

namespace {

QString Label(const DetailField& field) {
  return QString::fromLatin1(field.label.data(), static_cast<qsizetype>(field.label.size()));
}

QString Key(const DetailField& field) {
  return QString::fromLatin1(field.key.data(), static_cast<qsizetype>(field.key.size()));
}

bool IsNote(const DetailField& field) {
  return field.member == &SampleDetails::note;
}

QString SettingsPath() {
  return QDir(StateFolder()).filePath(QStringLiteral("sample-details.ini"));
}

}  // namespace

SampleDetailsDialog::SampleDetailsDialog(const SampleDetails& details, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(QStringLiteral("Sample Details"));
  auto* form = new QFormLayout(this);
  for (const DetailField& field : kDetailFields) {
    const QString text = QString::fromStdString(details.*field.member);
    QWidget* editor = nullptr;
    if (IsNote(field)) {
      note_ = new QPlainTextEdit(text, this);
      note_->setTabChangesFocus(true);
      note_->setFixedHeight(note_->fontMetrics().lineSpacing() * 4 + 12);
      editor = note_;
    } else {
      auto* line = new QLineEdit(text, this);
      line->setMinimumWidth(line->fontMetrics().averageCharWidth() * 32);
      lines_.push_back(line);
      editor = line;
    }
    editor->setObjectName(Key(field));
    editor->setAccessibleName(Label(field));
    form->addRow(Label(field) + QLatin1Char(':'), editor);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  form->addRow(buttons);
}

SampleDetails SampleDetailsDialog::Details() const {
  SampleDetails details;
  auto line = lines_.begin();
  for (const DetailField& field : kDetailFields)
    details.*field.member =
        (IsNote(field) ? note_->toPlainText() : (*line++)->text().trimmed()).toStdString();
  return details;
}

SampleDetails RememberedDetails() {
  QSettings settings(SettingsPath(), QSettings::IniFormat);
  SampleDetails details;
  for (const DetailField& field : kDetailFields)
    details.*field.member = settings.value(Key(field)).toString().toStdString();
  return details;
}

bool RememberDetails(const SampleDetails& details, QString* error) {
  if (!QDir().mkpath(StateFolder())) {
    *error = QStringLiteral("cannot create the folder %1").arg(DisplayPath(StateFolder()));
    return false;
  }
  QSettings settings(SettingsPath(), QSettings::IniFormat);
  for (const DetailField& field : kDetailFields)
    settings.setValue(Key(field), QString::fromStdString(details.*field.member));
  settings.sync();
  if (settings.status() == QSettings::NoError) return true;
  *error = QStringLiteral("cannot write %1").arg(DisplayPath(SettingsPath()));
  return false;
}

}  // namespace orbek
