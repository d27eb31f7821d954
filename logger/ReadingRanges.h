#pragma once

#include <QString>
#include <QStringList>
#include <algorithm>
#include <cstdint>
#include <vector>

namespace orbek {

// Reading numbers as runs, first to last: what a file, a journal or
// standard output lacks, in memory that grows with the runs, not with the
// readings.
class ReadingRanges {
 public:
  struct Run {
    std::int64_t first, last;
  };

  static ReadingRanges Span(std::int64_t first, std::int64_t last) {
    ReadingRanges ranges;
    ranges.Add(first, last);
    return ranges;
  }

  void Add(std::int64_t number) { Add(number, number); }
  // Numbers mostly come in rising order; any order is kept right.
  void Add(std::int64_t first, std::int64_t last) {
    if (last < first) return;
    if (!runs_.empty() && first >= runs_.back().first) {
      if (first <= runs_.back().last + 1) {
        runs_.back().last = std::max(runs_.back().last, last);
        return;
      }
      runs_.push_back({first, last});
      return;
    }
    runs_.push_back({first, last});
    Normalize();
  }
  void Add(const ReadingRanges& other) {
    for (const Run& run : other.runs_)
      Add(run.first, run.last);
  }

  ReadingRanges Intersect(const ReadingRanges& other) const {
    ReadingRanges both;
    for (const Run& a : runs_)
      for (const Run& b : other.runs_)
        both.Add(std::max(a.first, b.first), std::min(a.last, b.last));
    return both;
  }
  ReadingRanges Without(const ReadingRanges& other) const {
    ReadingRanges rest;
    for (const Run& run : runs_) {
      std::int64_t from = run.first;
      for (const Run& cut : other.runs_) {
        if (cut.last < from || cut.first > run.last) continue;
        rest.Add(from, cut.first - 1);
        from = std::max(from, cut.last + 1);
      }
      rest.Add(from, run.last);
    }
    return rest;
  }

  bool Empty() const { return runs_.empty(); }
  std::int64_t Count() const {
    std::int64_t count = 0;
    for (const Run& run : runs_)
      count += run.last - run.first + 1;
    return count;
  }
  // "reading 7", "readings 5679786 to 5700181", "readings 3, 9 to 12"; the
  // first runs and how many more where there are many.
  QString Describe() const {
    constexpr std::size_t kMostNamed = 8;
    QStringList parts;
    for (std::size_t i = 0; i < runs_.size() && i < kMostNamed; ++i)
      parts << (runs_[i].first == runs_[i].last
                    ? QString::number(runs_[i].first)
                    : QStringLiteral("%1 to %2").arg(runs_[i].first).arg(runs_[i].last));
    if (runs_.size() > kMostNamed)
      parts << QStringLiteral("%1 more runs").arg(runs_.size() - kMostNamed);
    return (Count() == 1 ? QStringLiteral("reading ") : QStringLiteral("readings ")) +
           parts.join(", ");
  }

 private:
  void Normalize() {
    std::sort(runs_.begin(), runs_.end(), [](const Run& a, const Run& b) { return a.first < b.first; });
    std::vector<Run> merged;
    for (const Run& run : runs_) {
      if (!merged.empty() && run.first <= merged.back().last + 1) {
        merged.back().last = std::max(merged.back().last, run.last);
      } else {
        merged.push_back(run);
      }
    }
    runs_.swap(merged);
  }

  std::vector<Run> runs_;
};

}  // namespace orbek
