// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The statistics of a dudect-style leak test: Welch's t between two classes
// of timings, on every measurement and on the measurements below each of a
// set of cropping thresholds (a long tail of interrupts and migrations hides
// a small shift of the body), plus the second-order test on the centred
// squares (a leak in the spread rather than the mean).

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace dudect {

// Welford's running mean and variance, per class.
class TWelch {
 public:
  void Push(double x, int cls) {
    const auto c = static_cast<std::size_t>(cls);
    N[c] += 1;
    const double delta = x - Mean[c];
    Mean[c] += delta / N[c];
    M2[c] += delta * (x - Mean[c]);
  }
  double T() const {
    if (N[0] < 2 || N[1] < 2) return 0;
    const double v0 = M2[0] / (N[0] - 1), v1 = M2[1] / (N[1] - 1);
    const double s = std::sqrt(v0 / N[0] + v1 / N[1]);
    return s > 0 ? (Mean[0] - Mean[1]) / s : 0;
  }
  double Count(int cls) const { return N[static_cast<std::size_t>(cls)]; }
  double MeanOf(int cls) const { return Mean[static_cast<std::size_t>(cls)]; }

 private:
  std::array<double, 2> N{}, Mean{}, M2{};
};

// Every t-test of one leak test. The thresholds come from a first batch of
// timings, as in the original: percentiles 1 - 0.5^(10 (i+1) / Crops).
class TLeakTest {
 public:
  static constexpr std::size_t Crops = 100;
  // Results from a class with fewer measurements say nothing yet.
  static constexpr double MinimumPerClass = 1000;

  explicit TLeakTest(std::vector<std::uint64_t> firstBatch) {
    std::sort(firstBatch.begin(), firstBatch.end());
    for (std::size_t i = 0; i < Crops; ++i) {
      const double p = 1 - std::pow(0.5, 10.0 * static_cast<double>(i + 1) / Crops);
      const auto at = static_cast<std::size_t>(p * static_cast<double>(firstBatch.size() - 1));
      Thresholds[i] = static_cast<double>(firstBatch[at]);
    }
  }

  void Push(std::uint64_t cycles, int cls) {
    const auto x = static_cast<double>(cycles);
    All.Push(x, cls);
    for (std::size_t i = 0; i < Crops; ++i)
      if (x < Thresholds[i]) Cropped[i].Push(x, cls);
    if (All.Count(0) > MinimumPerClass && All.Count(1) > MinimumPerClass) {
      const double centred = x - All.MeanOf(cls);
      Second.Push(centred * centred, cls);
    }
  }

  struct TWorst {
    double T = 0;
    const char* Where = "none";  // "all", "cropped", "second order"
    double Measurements = 0;
  };

  TWorst Worst() const {
    TWorst worst;
    Consider(worst, All, "all");
    for (const TWelch& test : Cropped) Consider(worst, test, "cropped");
    Consider(worst, Second, "second order");
    worst.Measurements = All.Count(0) + All.Count(1);
    return worst;
  }

 private:
  static void Consider(TWorst& worst, const TWelch& test, const char* where) {
    if (test.Count(0) < MinimumPerClass || test.Count(1) < MinimumPerClass) return;
    const double t = std::fabs(test.T());
    if (t > worst.T) worst = {t, where, 0};
  }

  std::array<double, Crops> Thresholds{};
  TWelch All;
  std::array<TWelch, Crops> Cropped{};
  TWelch Second;
};

}  // namespace dudect
