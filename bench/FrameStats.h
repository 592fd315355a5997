#pragma once

#include <algorithm>
#include <ctime>
#include <numeric>
#include <vector>

// Processor time of the process (Qt fills large areas on helper threads): the machine may be
// shared, and an operation's cost is what it computes, not how long it waited for a processor.
inline double ProcessMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// Mean, median and worst of a series of timings.
struct TStats {
  double Mean = 0;
  double Median = 0;
  double Max = 0;
};

inline TStats Stats(std::vector<double> values) {
  TStats stats;
  if (values.empty()) return stats;
  std::sort(values.begin(), values.end());
  stats.Mean = std::accumulate(values.begin(), values.end(), 0.0) / values.size();
  stats.Median = values[values.size() / 2];
  stats.Max = values.back();
  return stats;
}
