#pragma once

namespace orbek {

// orbek-log's exit codes.
enum LogExit {
  kExitComplete = 0,       // the transfer ended (end record, or stopped by a signal)
  kExitSaveFailed = 1,     // the readings could not be saved to --output
  kExitUsage = 2,          // the command line is wrong, or --output cannot be written
  kExitPortError = 3,      // the port (or the capture file) cannot be opened
  kExitDeviceLost = 4,     // the meter went away during the transfer; what came is kept
  kExitPartialRecord = 5,  // a capture ends in a partial record, which is not decoded
  kExitOutputFailed = 6,   // standard output could not take every reading, and there is no --output
  kExitBrokerRefused = 7,  // the MQTT broker refused us (credentials), or its certificate
  kExitUnpublished = 8,    // readings the broker did not acknowledge wait in the spool
  kExitInterrupted = 9,    // a second stop signal ended the run at once; the journal keeps all
  kExitReadingsLost = 10,  // everything received is saved, but the line lost readings
  kExitNotMeterData = 11,  // most records name no real date and no defined value
  kExitArchiveDiffers = 12,      // --verify-archive found something changed
  kExitArchiveUnavailable = 13,  // the archive cannot be opened or read
};

// A run that saved everything it received ends with what the line cost,
// unless it failed otherwise: a failure's code says more.
inline int WithLineLosses(int exitCode, bool lost) {
  return exitCode == kExitComplete && lost ? kExitReadingsLost : exitCode;
}

}  // namespace orbek
