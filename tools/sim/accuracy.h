// The accuracy of a sweep's stops, as `tasc sim` prints it: the share within
// each band, the mean and worst errors, the worst cases, and the table as CSV.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "engine/sweep.h"

namespace tasc::sim {

using engine::SweepOutcome;

// The shares, mean and worst are over the stops that can be made; the others
// (notch 7 needs more than the far beacon gives) are counted apart.
struct Accuracy {
  std::size_t runs = 0;
  std::size_t cannotBeMade = 0;                // left out of everything below
  std::vector<std::size_t> cannotBeMadeCases;  // their indices, fastest at the far beacon first
  std::size_t stopped = 0;                     // came to rest
  std::size_t within[4] = {};                  // |error| <= 0.25, 0.35, 0.5, 1.0 m (stopped only)
  double meanError = 0;                        // m, signed, stopped only
  double meanAbsError = 0;
  double worstError = 0;                // m, largest magnitude, signed
  std::vector<std::size_t> worstCases;  // indices, largest magnitude first (did-not-stop first)
};
inline constexpr double kAccuracyBands[4] = {0.25, 0.35, 0.5, 1.0};

Accuracy summarizeSweep(const std::vector<SweepOutcome>& outcomes, std::size_t worstCount = 5);
std::string formatAccuracy(const std::vector<SweepOutcome>& outcomes, const Accuracy& a);
std::string sweepCsv(const std::vector<SweepOutcome>& outcomes);

}  // namespace tasc::sim
