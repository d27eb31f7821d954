#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

namespace orbek {

// Journals of runs that did not finish (killed, a power cut), and those the
// window kept aside: each may hold the only copy of a transfer's readings,
// so each is named until someone recovers or removes it.

// "orbek-log: 2 journals of runs that did not finish, the oldest from ...,
// are in FOLDER; ..." for the start of a run writing into `folder`, leaving
// out `own` (this run's); empty when there are none.
QString UnfinishedJournalsNote(const QString& folder, const QString& own);

// orbek-log --journals: every such journal in `folders` (by default the
// current folder and the window's), one a line: its path, when its last
// byte came, its size in readings, and the command that recovers it.
int ListJournals(QStringList folders, QTextStream& out, QTextStream& err);

}  // namespace orbek
