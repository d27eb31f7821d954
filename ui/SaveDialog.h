#pragma once

#include <QFileDialog>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

namespace orbek {

// What a save dialog saves: its file types, each a filter "(*.ext)" after
// an optional name, the first the default, and beside each the ending it
// gives a name typed without one.
struct SaveKind {
  QStringList filters;
  QStringList suffixes;
};
// The export: the output formats' table, in its order. Each in the
// window's language of the moment.
SaveKind WorkbookKind();
// The report: PDF.
SaveKind ReportKind();
// The chart as a picture: PNG, SVG or PDF.
SaveKind PictureKind();

// The save dialog for `kind`: save mode, its types in order, a default
// extension that follows the chosen type (so a name typed without one gets
// it), and a question before an existing file is replaced.
std::unique_ptr<QFileDialog> MakeSaveDialog(const SaveKind& kind);
inline std::unique_ptr<QFileDialog> MakeWorkbookDialog() {
  return MakeSaveDialog(WorkbookKind());
}

// Shows that dialog; returns the chosen full path, or an empty text when
// the dialog was closed without choosing.
QString AskSavePath(const SaveKind& kind);
inline QString AskWorkbookPath() {
  return AskSavePath(WorkbookKind());
}

// Replaces every save dialog, for tests; an empty handler puts the real
// ones back.
using SaveDialogHandler = std::function<QString()>;
SaveDialogHandler SetSaveDialogHandler(SaveDialogHandler handler);

}  // namespace orbek
