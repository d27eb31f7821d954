#include "ui/SaveDialog.h"

#include <utility>

namespace orbek {

namespace {

const QString kXlsFilter = QStringLiteral("(*.xls)");
const QString kXlsxFilter = QStringLiteral("(*.xlsx)");

SaveDialogHandler& Handler() {
  static SaveDialogHandler handler;
  return handler;
}

}  // namespace

std::unique_ptr<QFileDialog> MakeWorkbookDialog() {
  auto dialog = std::make_unique<QFileDialog>();
  dialog->setAcceptMode(QFileDialog::AcceptSave);
  dialog->setFileMode(QFileDialog::AnyFile);
  dialog->setNameFilters({kXlsFilter, kXlsxFilter});
  dialog->setDefaultSuffix(QStringLiteral("xls"));
  QFileDialog* raw = dialog.get();
  QObject::connect(raw, &QFileDialog::filterSelected, raw, [raw](const QString& filter) {
    raw->setDefaultSuffix(filter == kXlsxFilter ? QStringLiteral("xlsx") : QStringLiteral("xls"));
  });
  return dialog;
}

QString AskWorkbookPath() {
  if (Handler()) return Handler()();
  const auto dialog = MakeWorkbookDialog();
  if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return {};
  return dialog->selectedFiles().constFirst();
}

SaveDialogHandler SetSaveDialogHandler(SaveDialogHandler handler) {
  return std::exchange(Handler(), std::move(handler));
}

}  // namespace orbek
