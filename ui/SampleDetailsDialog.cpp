#include "ui/SampleDetailsDialog.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSettings>

#include "storage/NativePath.h"
#include "ui/MessageBox.h"

namespace orbek {

namespace {

// The fields' labels, for lupdate to find: they are those of kDetailFields,
// the one list of them, translated in this context.
[[maybe_unused]] constexpr const char* kLabelsToTranslate[] = {
    QT_TRANSLATE_NOOP("SampleDetails", "Sample ID"),
    QT_TRANSLATE_NOOP("SampleDetails", "Operator"),
    QT_TRANSLATE_NOOP("SampleDetails", "Location"),
    QT_TRANSLATE_NOOP("SampleDetails", "Probe serial number"),
    QT_TRANSLATE_NOOP("SampleDetails", "Note"),
};

QString Key(const DetailField& field) {
  return QString::fromLatin1(field.key.data(), static_cast<qsizetype>(field.key.size()));
}

QString SettingsPath() {
  return QDir(StateFolder()).filePath(QStringLiteral("sample-details.ini"));
}

}  // namespace

QString DetailLabel(const DetailField& field) {
  return QCoreApplication::translate("SampleDetails", std::string(field.label).c_str());
}

SampleDetailsDialog::SampleDetailsDialog(const SampleDetails& details, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(tr("Sample Details"));
  auto* form = new QFormLayout(this);
  for (const DetailField& field : kDetailFields) {
    const QString text = QString::fromStdString(details.*field.member);
    QWidget* editor = nullptr;
    if (field.IsNote()) {
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
    editor->setAccessibleName(DetailLabel(field));
    form->addRow(tr("%1:").arg(DetailLabel(field)), editor);
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
        (field.IsNote() ? note_->toPlainText() : (*line++)->text().trimmed()).toStdString();
  return details;
}

void SampleDetailsDialog::accept() {
  const SampleDetails details = Details();
  const auto problem = FindDetailsProblem(details);
  if (!problem) return QDialog::accept();
  QString reason;
  switch (problem->kind) {
    case DetailsProblem::Kind::NotUtf8:  // typed text always is
    case DetailsProblem::Kind::ControlCharacter:
      reason = problem->field->IsNote()
                   ? tr("It holds a control character; only line breaks and tabs can be kept.")
                   : tr("It holds a control character, which cannot be kept.");
      break;
    case DetailsProblem::Kind::TooLong:
      reason = tr("It is longer than the %L1 characters a workbook's cell holds.")
                   .arg(kMostDetailCharacters);
      break;
  }
  MessageBoxExW(tr("%1: %2").arg(DetailLabel(*problem->field), reason), tr("Sample Details"));
  if (QWidget* editor = findChild<QWidget*>(Key(*problem->field))) editor->setFocus();
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
    *error = SampleDetailsDialog::tr("cannot create the folder %1").arg(DisplayPath(StateFolder()));
    return false;
  }
  QSettings settings(SettingsPath(), QSettings::IniFormat);
  for (const DetailField& field : kDetailFields)
    settings.setValue(Key(field), QString::fromStdString(details.*field.member));
  settings.sync();
  if (settings.status() == QSettings::NoError) return true;
  *error = SampleDetailsDialog::tr("cannot write %1").arg(DisplayPath(SettingsPath()));
  return false;
}

bool AskForDetailsAtReceive() {
  return QSettings(SettingsPath(), QSettings::IniFormat)
      .value(QStringLiteral("askAtReceive"), true)
      .toBool();
}

bool SetAskForDetailsAtReceive(bool ask) {
  if (!QDir().mkpath(StateFolder())) return false;
  QSettings settings(SettingsPath(), QSettings::IniFormat);
  settings.setValue(QStringLiteral("askAtReceive"), ask);
  settings.sync();
  return settings.status() == QSettings::NoError;
}

}  // namespace orbek
