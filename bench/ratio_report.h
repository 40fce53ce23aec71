#pragma once
// The reporter every benchmark program runs with: it prints as the console reporter does and
// keeps, per benchmark, the fastest repetition's real time (the least disturbed by whatever else
// the machine runs), so that the program can end with its "ratio <case> vs <peer>: <value>" lines.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

class RatioRecorder : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.run_type != Run::RT_Iteration) continue;
      const std::string name = r.run_name.function_name;
      auto it = times.find(name);
      if (it == times.end() || r.GetAdjustedRealTime() < it->second) times[name] = r.GetAdjustedRealTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }

  // Prints "ratio <label> vs <peer>: ours / theirs" when both were measured.
  void PrintRatio(const std::string& ours, const std::string& theirs, const std::string& label,
                  const std::string& peer) const {
    auto a = times.find(ours), b = times.find(theirs);
    if (a != times.end() && b != times.end() && b->second > 0)
      std::printf("ratio %s vs %s: %.2f\n", label.c_str(), peer.c_str(), a->second / b->second);
  }

  std::map<std::string, double> times;
};
