#include "tune/tune_chart.h"

#include <fstream>

#include "tune/record_file.h"

namespace tasc::tune {

std::string renderTuneChart(const std::string& name, const std::vector<sim::SweepOutcome>& before,
                            const std::vector<sim::SweepOutcome>& after) {
  (void)before;
  (void)after;
  return "<svg xmlns=\"http://www.w3.org/2000/svg\"><title>" + name + "</title></svg>\n";
}

void writeChart(const std::string& file, const std::string& name,
                const std::vector<sim::SweepOutcome>& before,
                const std::vector<sim::SweepOutcome>& after) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << renderTuneChart(name, before, after);
  out.flush();
  if (!out) throw RecordError("cannot write " + file);
}

}  // namespace tasc::tune
