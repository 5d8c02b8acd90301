// The stop error of the validation matrix against each swept axis, before and
// after tuning: an SVG of one panel per axis with more than one value.
#pragma once

#include <string>
#include <vector>

#include "engine/sweep.h"

namespace tasc::tune {

std::string renderTuneChart(const std::string& name,
                            const std::vector<engine::SweepOutcome>& before,
                            const std::vector<engine::SweepOutcome>& after);
// Throws RecordError when the file cannot be written.
void writeChart(const std::string& file, const std::string& name,
                const std::vector<engine::SweepOutcome>& before,
                const std::vector<engine::SweepOutcome>& after);

}  // namespace tasc::tune
