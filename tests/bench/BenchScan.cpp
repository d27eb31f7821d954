// Times the whole port scan (candidates and exclusive probe of each) on this
// machine and prints the median of several scans as a metric line.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "link/PortDiscovery.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  std::vector<double> times;
  std::size_t found = 0, candidates = 0;
  for (int run = 0; run < 21; ++run) {
    QElapsedTimer timer;
    timer.start();
    const auto list = orbek::SerialPortCandidates();
    const auto result = orbek::ProbePorts(list);
    times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    found = result.usable.size();
    candidates = list.size();
  }
  std::sort(times.begin(), times.end());
  std::printf("scan: %zu candidates, %zu usable, fastest %.2f ms, slowest %.2f ms\n", candidates,
              found, times.front(), times.back());
  std::printf("metric scan_ms %.2f ms\n", times[times.size() / 2]);
  return 0;
}
