#include "ui/SaveDialog.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <utility>

namespace orbek {

namespace {

SaveDialogHandler& Handler() {
  static SaveDialogHandler handler;
  return handler;
}

// "xlsx" for "(*.xlsx)" and "Chart (*.xlsx)".
QString SuffixOf(const QString& filter) {
  static const QRegularExpression pattern(QStringLiteral(R"(\(\*\.([A-Za-z0-9]+)\)$)"));
  return pattern.match(filter).captured(1);
}

}  // namespace

SaveKind WorkbookKind() {
  return {{QStringLiteral("(*.xls)"), QStringLiteral("(*.xlsx)"),
           QCoreApplication::translate("SaveDialog", "CSV (*.csv)")}};
}

SaveKind ReportKind() {
  return {{QCoreApplication::translate("SaveDialog", "PDF report (*.pdf)")}};
}

SaveKind PictureKind() {
  return {{QCoreApplication::translate("SaveDialog", "PNG image (*.png)"),
           QCoreApplication::translate("SaveDialog", "SVG drawing (*.svg)"),
           QCoreApplication::translate("SaveDialog", "PDF document (*.pdf)")}};
}

std::unique_ptr<QFileDialog> MakeSaveDialog(const SaveKind& kind) {
  auto dialog = std::make_unique<QFileDialog>();
  dialog->setAcceptMode(QFileDialog::AcceptSave);
  dialog->setFileMode(QFileDialog::AnyFile);
  dialog->setNameFilters(kind.filters);
  dialog->setDefaultSuffix(SuffixOf(kind.filters.constFirst()));
  QFileDialog* raw = dialog.get();
  QObject::connect(raw, &QFileDialog::filterSelected, raw,
                   [raw](const QString& filter) { raw->setDefaultSuffix(SuffixOf(filter)); });
  return dialog;
}

QString AskSavePath(const SaveKind& kind) {
  if (Handler()) return Handler()();
  const auto dialog = MakeSaveDialog(kind);
  if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return {};
  return dialog->selectedFiles().constFirst();
}

SaveDialogHandler SetSaveDialogHandler(SaveDialogHandler handler) {
  return std::exchange(Handler(), std::move(handler));
}

}  // namespace orbek
