#pragma once

#include <QFileDialog>
#include <QString>
#include <functional>
#include <memory>

namespace orbek {

// The save dialog of the export: save mode, the types "(*.xls)" and then
// "(*.xlsx)", a default extension that follows the chosen type (so a name
// typed without one gets it), and a question before an existing file is
// replaced.
std::unique_ptr<QFileDialog> MakeWorkbookDialog();

// Shows that dialog; returns the chosen full path, or an empty text when
// the dialog was closed without choosing.
QString AskWorkbookPath();

// Replaces the dialog, for tests; an empty handler puts the real one back.
using SaveDialogHandler = std::function<QString()>;
SaveDialogHandler SetSaveDialogHandler(SaveDialogHandler handler);

}  // namespace orbek
