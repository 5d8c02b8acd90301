// The accuracy of a sweep's stops, as `tasc sim` prints it: the share within
// each band, the mean and worst errors, the worst cases, and the table as CSV.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "engine/accuracy.h"
#include "engine/sweep.h"

namespace tasc::sim {

using engine::SweepOutcome;

// The shares, mean and worst are over the stops that can be made; the others
// (notch 7 needs more than the far beacon gives) are counted apart.
struct Accuracy {
  engine::Accuracy stops;                      // the runs that can be made
  std::size_t runs = 0;                        // every run of the sweep
  std::size_t cannotBeMade = 0;                // left out of `stops`
  std::vector<std::size_t> cannotBeMadeCases;  // their indices, fastest at the far beacon first
  std::vector<std::size_t> worstCases;  // indices, largest magnitude first (did-not-stop first)
};

Accuracy summarizeSweep(const std::vector<SweepOutcome>& outcomes, std::size_t worstCount = 5);
std::string formatAccuracy(const std::vector<SweepOutcome>& outcomes, const Accuracy& a);
std::string sweepCsv(const std::vector<SweepOutcome>& outcomes);

}  // namespace tasc::sim
