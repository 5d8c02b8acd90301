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

struct Accuracy {
  engine::Accuracy stops;               // every run; one that did not stop is outside every band
  std::vector<std::size_t> worstCases;  // indices, largest magnitude first (did-not-stop first)
};

Accuracy summarizeSweep(const std::vector<SweepOutcome>& outcomes, std::size_t worstCount = 5);
std::string formatAccuracy(const std::vector<SweepOutcome>& outcomes, const Accuracy& a);
std::string sweepCsv(const std::vector<SweepOutcome>& outcomes);

}  // namespace tasc::sim
