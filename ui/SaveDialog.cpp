#include "ui/SaveDialog.h"

#include <QCoreApplication>
#include <initializer_list>
#include <utility>

#include "export/OutputFormats.h"

namespace orbek {

namespace {

SaveDialogHandler& Handler() {
  static SaveDialogHandler handler;
  return handler;
}

SaveKind Kind(std::initializer_list<std::pair<const char*, const char*>> types) {
  SaveKind kind;
  for (const auto& [filter, suffix] : types) {
    kind.filters << QCoreApplication::translate("SaveDialog", filter);
    kind.suffixes << QString::fromLatin1(suffix);
  }
  return kind;
}

}  // namespace

SaveKind WorkbookKind() {
  SaveKind kind;
  for (const OutputFormatInfo& info : kOutputFormats) {
    kind.filters << QCoreApplication::translate("SaveDialog", info.filter.data());
    kind.suffixes << QString::fromLatin1(info.suffix.data(),
                                         static_cast<qsizetype>(info.suffix.size()));
  }
  return kind;
}

SaveKind ReportKind() {
  return Kind({{QT_TRANSLATE_NOOP("SaveDialog", "PDF report (*.pdf)"), "pdf"}});
}

SaveKind PictureKind() {
  return Kind({{QT_TRANSLATE_NOOP("SaveDialog", "PNG image (*.png)"), "png"},
               {QT_TRANSLATE_NOOP("SaveDialog", "SVG drawing (*.svg)"), "svg"},
               {QT_TRANSLATE_NOOP("SaveDialog", "PDF document (*.pdf)"), "pdf"}});
}

std::unique_ptr<QFileDialog> MakeSaveDialog(const SaveKind& kind) {
  auto dialog = std::make_unique<QFileDialog>();
  dialog->setAcceptMode(QFileDialog::AcceptSave);
  dialog->setFileMode(QFileDialog::AnyFile);
  dialog->setNameFilters(kind.filters);
  dialog->setDefaultSuffix(kind.suffixes.constFirst());
  QFileDialog* raw = dialog.get();
  QObject::connect(raw, &QFileDialog::filterSelected, raw, [raw, kind](const QString& filter) {
    const qsizetype chosen = kind.filters.indexOf(filter);
    if (chosen >= 0) raw->setDefaultSuffix(kind.suffixes.at(chosen));
  });
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
