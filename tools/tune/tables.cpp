#include "tune/tables.h"

#include <cstdio>
#include <nlohmann/json.hpp>
#include <tuple>

#include "tune/record_file.h"

namespace tasc::tune {
namespace {

using Json = nlohmann::ordered_json;

// The accuracy rows come from the shared measure, the rest from the objective's.
struct Row {
  const char* label;
  const char* format;
  double (*value)(const Metrics&, const engine::Accuracy&);
};

using A = engine::Accuracy;
const Row kRows[] = {
    {"within +-0.10 m", "%9.1f %%", [](const Metrics&, const A& a) { return 100.0 * a.share(0); }},
    {"within +-0.25 m", "%9.1f %%", [](const Metrics&, const A& a) { return 100.0 * a.share(1); }},
    {"within +-0.50 m", "%9.1f %%", [](const Metrics&, const A& a) { return 100.0 * a.share(3); }},
    {"mean error, m", "%+11.3f", [](const Metrics&, const A& a) { return a.meanError; }},
    {"mean |error|, m", "%11.3f", [](const Metrics&, const A& a) { return a.meanAbsError; }},
    {"worst error, m", "%+11.3f", [](const Metrics&, const A& a) { return a.worstError; }},
    {"came to rest", "%11.0f",
     [](const Metrics& m, const A&) { return static_cast<double>(m.stopped); }},
    {"brake changes per stop", "%11.2f", [](const Metrics& m, const A&) { return m.meanChanges; }},
    {"peak jerk, km/h/s^2", "%11.2f", [](const Metrics& m, const A&) { return m.peakJerk; }},
    {"time from far beacon, s", "%11.2f", [](const Metrics& m, const A&) { return m.meanTime; }},
};
static_assert(engine::kAccuracyBands[0] == 0.10 && engine::kAccuracyBands[1] == 0.25 &&
              engine::kAccuracyBands[3] == 0.50);

std::string cell(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

}  // namespace

std::string formatTables(const Comparison& start, const Comparison& tuned, const Limits& limits) {
  std::string out;
  char line[256];
  std::snprintf(line, sizeof line, "%-27s %-25s %s\n", "",
                ("search matrix, " + std::to_string(start.search.runs) + " stops").c_str(),
                ("validation, " + std::to_string(start.validation.runs) + " stops").c_str());
  out += line;
  std::snprintf(line, sizeof line, "%-26s %11s %11s  %11s %11s\n", "", "start", "tuned", "start",
                "tuned");
  out += line;
  for (const Row& r : kRows) {
    std::snprintf(line, sizeof line, "  %-24s %s %s  %s %s\n", r.label,
                  cell(r.format, r.value(start.search, start.searchStops)).c_str(),
                  cell(r.format, r.value(tuned.search, tuned.searchStops)).c_str(),
                  cell(r.format, r.value(start.validation, start.validationStops)).c_str(),
                  cell(r.format, r.value(tuned.validation, tuned.validationStops)).c_str());
    out += line;
  }
  std::snprintf(line, sizeof line,
                "limits: at most %.2f brake changes per stop, peak jerk %.2f km/h/s^2, "
                "%.2f s from the far beacon (search matrix)\n",
                limits.maxChanges, limits.maxJerk, limits.maxTime);
  out += line;
  return out;
}

std::string formatChanges(const ParamRecord& from, const ParamRecord& to) {
  std::string out;
  for (std::size_t i = 0; i < kVariableCount; ++i) {
    const double a = variable(from, i), b = variable(to, i);
    if (a == b) continue;
    ParamRecord one = kDefaultParamRecord;
    setVariable(one, i, a);
    ParamRecord two = one;
    setVariable(two, i, b);
    // The values as the file line writes them.
    const std::string la = formatRecordLine(one), lb = formatRecordLine(two);
    const auto field = [i](const std::string& text) {
      std::size_t start = 0;
      for (std::size_t k = 0; k < i + kFirstVariableColumn; ++k) start = text.find(',', start) + 1;
      return text.substr(start, text.find(',', start) - start);
    };
    if (!out.empty()) out += ", ";
    out += std::string(variableName(i)) + " " + field(la) + " -> " + field(lb);
  }
  return out.empty() ? "none" : out;
}

std::string budgetWarning(std::size_t budget, std::size_t free) {
  const std::size_t needed = neededBudget(free);
  if (free == 0 || budget >= needed) return {};
  const std::string need = "a search of " + std::to_string(free) + " variable" +
                           (free == 1 ? "" : "s") + " needs at least " + std::to_string(needed) +
                           " sweeps";
  if (budget <= 1)
    return "--budget " + std::to_string(budget) + ": only the starting record is simulated; " +
           need;
  return "--budget " + std::to_string(budget) + ": too small to complete the global phase; " + need;
}

std::string unchangedReason(std::size_t budget, std::size_t free, std::size_t evaluations) {
  if (free == 0) return "every variable is fixed";
  if (evaluations <= 1)
    return "--budget " + std::to_string(budget) + " simulated only the starting record";
  std::string why = "no record of the " + std::to_string(evaluations - 1) +
                    " tried scored better than the starting one";
  if (budget < neededBudget(free)) {
    why += "; --budget " + std::to_string(budget) + " is below the " +
           std::to_string(neededBudget(free)) + " a search needs";
  }
  return why;
}

namespace {

Json metricsJson(const Metrics& m) {
  Json j;
  j["stops"] = m.runs;
  j["came_to_rest"] = m.stopped;
  j["within_0_10_m"] = m.within10;
  j["within_0_25_m"] = m.within25;
  j["worst_abs_error_m"] = m.worstAbsError;
  j["mean_error_m"] = m.meanError;
  j["mean_abs_error_m"] = m.meanAbsError;
  j["brake_changes_per_stop"] = m.meanChanges;
  j["peak_jerk_kmhps2"] = m.peakJerk;
  j["time_from_far_beacon_s"] = m.meanTime;
  return j;
}

Json recordJson(const ParamRecord& r) {
  Json j;
  j["line"] = formatRecordLine(r);
  for (std::size_t i = 0; i < kVariableCount; ++i) j[variableName(i)] = variable(r, i);
  return j;
}

}  // namespace

std::string formatJson(const TuneSummary& t) {
  Json j;
  j["scenario"] = t.scenario;
  j["file"] = t.file;
  j["line"] = t.line;
  j["record_id"] = t.tuned.recordId;
  j["sub_id"] = t.tuned.subId;
  j["evaluations"] = t.evaluations;
  j["seed"] = t.seed;
  j["written"] = !t.backup.empty();
  if (!t.unchanged.empty()) j["unchanged"] = t.unchanged;
  if (!t.backup.empty()) j["backup"] = t.backup;
  j["limits"] = {{"brake_changes_per_stop", t.limits.maxChanges},
                 {"peak_jerk_kmhps2", t.limits.maxJerk},
                 {"time_from_far_beacon_s", t.limits.maxTime}};
  for (const auto& [name, record, measures] : {std::tuple{"start", t.start, t.startMeasures},
                                               std::tuple{"tuned", t.tuned, t.tunedMeasures}}) {
    Json part = recordJson(record);
    part["search"] = metricsJson(measures.search);
    part["validation"] = metricsJson(measures.validation);
    j[name] = part;
  }
  return j.dump(2) + "\n";
}

}  // namespace tasc::tune
