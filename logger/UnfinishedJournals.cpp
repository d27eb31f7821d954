#include "logger/UnfinishedJournals.h"

#include <QDir>

#include "export/OutputFormats.h"
#include "logger/Exit.h"
#include "meter/MeterRecord.h"
#include "storage/Journal.h"
#include "storage/NativePath.h"

namespace orbek {

namespace {

// orbek-log's own journals are FILE.capture beside FILE; the window's are
// in its state folder.
QStringList JournalPatterns() {
  QStringList patterns{Journal::kWindowPattern, Journal::kAsidePattern};
  for (const OutputFormatInfo& format : kOutputFormats)
    patterns << QStringLiteral("*.%1.capture")
                    .arg(QLatin1String(format.suffix.data(),
                                       static_cast<qsizetype>(format.suffix.size())));
  return patterns;
}

QString When(const Journal::Abandoned& journal) {
  return journal.lastArrival.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

// What `--decode` should make of it: FILE for FILE.capture, a CSV file
// otherwise.
QString RecoveredName(const QString& journal) {
  const QString stem = journal.chopped(QStringLiteral(".capture").size());
  return OutputFormatOf(stem) ? stem : stem + QStringLiteral(".csv");
}

}  // namespace

QString UnfinishedJournalsNote(const QString& folder, const QString& own) {
  std::vector<Journal::Abandoned> journals = Journal::Unfinished(folder, JournalPatterns());
  std::erase_if(journals, [&](const Journal::Abandoned& journal) {
    return QFileInfo(journal.path).absoluteFilePath() == QFileInfo(own).absoluteFilePath();
  });
  if (journals.empty()) return {};
  const QString shown = DisplayPath(QDir(folder).absolutePath());
  const QString which =
      journals.size() == 1
          ? QStringLiteral("1 journal of a run that did not finish, from %1, is in %2")
                .arg(When(journals.front()), shown)
          : QStringLiteral("%1 journals of runs that did not finish, the oldest from %2, are in %3")
                .arg(journals.size())
                .arg(When(journals.front()), shown);
  return which + QStringLiteral("; orbek-log --journals %1 lists them and how to recover each")
                     .arg(shown);
}

int ListJournals(QStringList folders, QTextStream& out, QTextStream& err) {
  if (folders.isEmpty()) folders = {QDir::currentPath(), StateFolder()};
  std::size_t listed = 0;
  for (const QString& folder : folders) {
    if (!QFileInfo(folder).isDir()) {
      err << "orbek-log: " << DisplayPath(folder) << " is no folder" << Qt::endl;
      return kExitUsage;
    }
    for (const Journal::Abandoned& journal : Journal::Unfinished(folder, JournalPatterns())) {
      const QString path = DisplayPath(QFileInfo(journal.path).absoluteFilePath());
      out << path << '\t' << When(journal) << '\t'
          << journal.bytes / static_cast<std::int64_t>(kMeterRecordSize) << " readings\t"
          << "orbek-log --decode " << path << " --output " << RecoveredName(path) << Qt::endl;
      ++listed;
    }
  }
  err << "orbek-log: " << listed << (listed == 1 ? " journal" : " journals")
      << " of runs that did not finish; remove each once its readings are saved" << Qt::endl;
  return kExitComplete;
}

}  // namespace orbek
