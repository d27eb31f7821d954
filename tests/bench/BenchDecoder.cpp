// Decodes a varied set of records and prints the rate as a metric line.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <vector>

#include "meter/RecordDecoder.h"

namespace {

std::vector<orbek::MeterRecord> VariedRecords() {
  std::mt19937 random(2017);
  std::vector<orbek::MeterRecord> records(4096);
  for (auto& record : records) {
    orbek::MeterRecord::Bytes bytes;
    for (auto& byte : bytes)
      byte = static_cast<std::uint8_t>(random());
    bytes[1] = static_cast<std::uint8_t>(1 + random() % 11);
    bytes[7] = static_cast<std::uint8_t>(random() % 100);
    record = orbek::MeterRecord(bytes);
  }
  return records;
}

void BM_DecodeRecord(benchmark::State& state) {
  const auto records = VariedRecords();
  std::size_t i = 0;
  for (auto _ : state) {
    auto reading = orbek::DecodeRecord(records[i++ % records.size()]);
    benchmark::DoNotOptimize(reading);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_DecodeRecord)->MinTime(1.0);

// Keeps the console output and remembers the rate for the metric line.
class RateReporter : public benchmark::ConsoleReporter {
 public:
  // Plain text, so no colour code comes before the metric line.
  RateReporter() : ConsoleReporter(OO_None) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const auto& run : runs) {
      const auto it = run.counters.find("items_per_second");
      if (it != run.counters.end()) rate = it->second.value;
    }
  }
  double rate = 0.0;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RateReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  std::printf("metric decode_records_per_s %.0f records/s\n", reporter.rate);
  return 0;
}
