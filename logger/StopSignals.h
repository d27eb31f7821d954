#pragma once

#include <QByteArray>
#include <QString>

namespace orbek {

// SIGINT, SIGTERM, SIGHUP and SIGQUIT ask orbek-log to stop: the first one
// makes a byte readable on StopSignalDescriptor(), which the run watches;
// a second one, while the run is still finishing, ends the process at once
// with kExitInterrupted after writing the recovery hint to standard error.
// Installed once, by main, before anything else runs. The handler only
// makes async-signal-safe calls (a non-blocking write, _exit) and keeps
// errno.
void InstallStopSignals();
int StopSignalDescriptor();
// Why the stop signals could not be set up, when StopSignalDescriptor() is -1.
QString StopSignalsProblem();
// Takes a pending stop request; true when there was one.
bool TakeStopRequest();
// What a second signal writes before the process ends: where the readings
// still are and how to recover them. Set whenever that changes.
void SetRecoveryHint(const QByteArray& line);

}  // namespace orbek
