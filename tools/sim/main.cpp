// orbek-meter-sim: a simulated water-quality meter on a pseudo-terminal.
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

#include "tools/sim/MeterSimulator.h"

namespace {

constexpr const char* kUsage = R"(Usage: orbek-meter-sim [options]

A simulated water-quality meter. It opens a pseudo-terminal and prints the
path of its serial device; a program that opens that device, sends a start
byte (0xB1 to 0xB6) receives the meter's records and then the end-of-transfer
record. The stop byte 0xB0 stops a transfer. It runs until interrupted.

Options:
  --link PATH       also make PATH a symbolic link to the device
  --records FILE    send the records in FILE: 12 hex bytes a line, '#' comments
  --count N         send N generated readings (default 100): one quantity a
                    transfer with a drifting temperature, as a meter measures
  --varied          generate readings of every mode and unit mixed instead
  --seed N          seed of the generated readings (default 1)
  --rate RATE       "line" (default): as fast as the baud rate set on the line
                    carries them; "max": as fast as the line takes them; or a
                    number of records per second
  --no-end          leave out the end-of-transfer record
  --stray N         send N noise bytes after the start byte, before the records
  --drop-byte N     lose byte N (from 0) of each transfer's records on the line
  --quiet           do not report received bytes on stderr

SIGUSR1 unplugs the meter and plugs it in again a second later, behind the
same --link; a transfer under way goes on.
  --help            show this text
)";

struct Arguments {
  std::string link;
  std::string recordsFile;
  std::size_t count = 100;
  unsigned seed = 1;
  orbek::sim::MeterSimulator::Pace pace = orbek::sim::MeterSimulator::Pace::Line;
  double rate = 0;
  bool endRecord = true;
  bool quiet = false;
  bool varied = false;
  std::size_t stray = 0;
  std::optional<std::size_t> dropByte;
};

[[noreturn]] void UsageError(const std::string& message) {
  std::cerr << "orbek-meter-sim: " << message << "\n(see orbek-meter-sim --help)\n";
  std::exit(2);
}

double PositiveNumber(std::string_view option, const std::string& text) {
  try {
    std::size_t used = 0;
    const double value = std::stod(text, &used);
    if (used == text.size() && value > 0) return value;
  } catch (const std::exception&) {
  }
  UsageError(std::string(option) + " needs a positive number, not \"" + text + "\"");
}

Arguments Parse(int argc, char** argv) {
  Arguments args;
  for (int i = 1; i < argc; ++i) {
    const std::string_view option = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) UsageError(std::string(option) + " needs a value");
      return argv[++i];
    };
    if (option == "--help") {
      std::cout << kUsage;
      std::exit(0);
    } else if (option == "--link") {
      args.link = value();
    } else if (option == "--records") {
      args.recordsFile = value();
    } else if (option == "--count") {
      args.count = static_cast<std::size_t>(PositiveNumber(option, value()));
    } else if (option == "--seed") {
      args.seed = static_cast<unsigned>(PositiveNumber(option, value()));
    } else if (option == "--rate") {
      const std::string rate = value();
      if (rate == "line") {
        args.pace = orbek::sim::MeterSimulator::Pace::Line;
      } else if (rate == "max") {
        args.pace = orbek::sim::MeterSimulator::Pace::Max;
      } else {
        args.pace = orbek::sim::MeterSimulator::Pace::Fixed;
        args.rate = PositiveNumber(option, rate);
      }
    } else if (option == "--no-end") {
      args.endRecord = false;
    } else if (option == "--stray") {
      args.stray = static_cast<std::size_t>(PositiveNumber(option, value()));
    } else if (option == "--drop-byte") {
      const std::string text = value();
      args.dropByte = text == "0" ? 0 : static_cast<std::size_t>(PositiveNumber(option, text));
    } else if (option == "--varied") {
      args.varied = true;
    } else if (option == "--quiet") {
      args.quiet = true;
    } else {
      UsageError("unknown option " + std::string(option));
    }
  }
  return args;
}

}  // namespace

int main(int argc, char** argv) {
  const Arguments args = Parse(argc, argv);
  orbek::sim::MeterSimulator::Options options;
  try {
    if (!args.recordsFile.empty()) {
      options.records = orbek::sim::LoadHexRecords(args.recordsFile);
    } else {
      options.records = args.varied ? orbek::sim::GenerateRecords(args.count, args.seed)
                                    : orbek::sim::GenerateMeasurement(args.count, args.seed);
    }
  } catch (const std::exception& error) {
    std::cerr << "orbek-meter-sim: " << args.recordsFile << ": " << error.what() << "\n";
    return 1;
  }
  options.pace = args.pace;
  options.recordsPerSecond = args.rate;
  options.sendEndRecord = args.endRecord;
  // Noise that looks like nothing the meter sends.
  options.leadingBytes.assign(args.stray, 0x5A);
  options.dropByteAt = args.dropByte;
  options.linkPath = args.link;
  if (!args.quiet)
    options.onByte = [](std::uint8_t byte) { std::fprintf(stderr, "received 0x%02X\n", byte); };

  // Signals are taken by sigwait below, not by a handler.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGHUP);
  sigaddset(&signals, SIGUSR1);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  const std::size_t recordCount = options.records.size();
  try {
    orbek::sim::MeterSimulator meter(std::move(options));
    std::printf("%s\n", meter.PortPath().c_str());
    std::fflush(stdout);
    std::fprintf(stderr, "orbek-meter-sim: meter on %s%s%s with %zu records\n",
                 meter.DevicePath().c_str(), args.link.empty() ? "" : ", linked as ",
                 args.link.c_str(), recordCount);
    int received = 0;
    while (sigwait(&signals, &received) == 0 && received == SIGUSR1) {
      meter.Unplug();
      std::fprintf(stderr, "orbek-meter-sim: unplugged\n");
      sleep(1);
      meter.Replug();
      std::fprintf(stderr, "orbek-meter-sim: plugged in again on %s\n", meter.DevicePath().c_str());
    }
  } catch (const std::exception& error) {
    std::cerr << "orbek-meter-sim: " << error.what() << "\n";
    return 1;
  }
  return 0;
}
