// The scenario's [vehicle] table, the vehicle_file it may name, and the warnings
// about a vehicle the plug-in will drive otherwise than its author may think.
#include <toml++/toml.h>
#include <algorithm>
#include <cmath>
#include <functional>

#include "control/pattern.h"
#include "engine/scenario_reader.h"
#include "files/files.h"
#include "system/text.h"

namespace fs = std::filesystem;

namespace tasc::engine::detail {
namespace {

// The strongest command of the plug-in is notch 7.
constexpr int32_t kPluginNotches = static_cast<int32_t>(kTrackingLimit) / 4;

// The plug-in commands notches up to 7 and plans with TASC.ini's B7Dec.
void vehicleWarnings(Reader& r, const VehicleModel& v, double folderB7Dec) {
  if (v.brakeNotches < kPluginNotches) {
    r.warn(r.table().get("brake_notches"), "brake_notches",
           std::to_string(v.brakeNotches) +
               " service notches, but the plug-in commands notches up "
               "to " +
               std::to_string(kPluginNotches) +
               ": a notch the vehicle lacks acts here as the "
               "emergency brake");
  }
  const double b7 = v.quarterDecel * 28.0;
  if (std::fabs(b7 - folderB7Dec) > 1e-9 * std::max(1.0, folderB7Dec)) {
    const char* key = r.has("quarter_decel") ? "quarter_decel" : "b7_decel";
    r.warn(r.table().get(key), key,
           "notch 7 of this vehicle gives " + Reader::fmt(b7) +
               " km/h/s, but the plug-in plans "
               "with B7Dec " +
               Reader::fmt(folderB7Dec) +
               " of TASC.ini: set B7Dec to the vehicle's "
               "own deceleration");
  }
}

}  // namespace

void readVehicle(Reader& r, VehicleModel& v, double folderB7Dec) {
  v.brakeNotches = static_cast<int32_t>(r.integer("brake_notches", 1, 10).value_or(8));
  v.powerNotches = static_cast<int32_t>(r.integer("power_notches", 0, 20).value_or(5));
  const std::optional<double> b7 = r.number("b7_decel", 0.01, 20);
  const std::optional<double> quarter = r.number("quarter_decel", 0.001, 5);
  if (b7 && quarter)
    r.fail(r.table().get("quarter_decel"), "quarter_decel",
           "give b7_decel or quarter_decel, not both");
  v.quarterDecel = quarter ? *quarter : (b7 ? *b7 : folderB7Dec) / 28.0;
  vehicleWarnings(r, v, folderB7Dec);
  v.emergencyDecel = r.number("emergency_decel", 0.01, 20, 4.5);
  v.brakeDeadTime = r.number("brake_dead_time", 0, 5, v.brakeDeadTime);
  v.brakeTimeConstant = r.number("brake_time_constant", 0, 10, v.brakeTimeConstant);
  if (const toml::node* n = r.get("power_accel")) {
    if (const auto* a = n->as_array()) {
      for (const toml::node& e : *a) {
        v.powerAccel.push_back(r.checkNumber(&e, "power_accel", 0, 20).value_or(0));
      }
      if (static_cast<int32_t>(v.powerAccel.size()) != v.powerNotches) {
        r.fail(n, "power_accel",
               "needs one value per power notch (" + std::to_string(v.powerNotches) + ")");
      }
    } else {
      const double top = r.checkNumber(n, "power_accel", 0, 20).value_or(0);
      for (int32_t i = 1; i <= v.powerNotches; ++i)
        v.powerAccel.push_back(top * i / v.powerNotches);
    }
  }
  if (v.powerAccel.empty()) {
    for (int32_t i = 1; i <= v.powerNotches; ++i) v.powerAccel.push_back(0.6 * i);
  }
  v.powerKneeSpeed = r.number("power_knee_speed", 1, 400, v.powerKneeSpeed);
  v.powerTimeConstant = r.number("power_time_constant", 0, 10, v.powerTimeConstant);
  v.resistanceA = r.number("resistance_a", 0, 5, v.resistanceA);
  v.resistanceB = r.number("resistance_b", 0, 1, v.resistanceB);
  v.resistanceC = r.number("resistance_c", 0, 1, v.resistanceC);
  r.finish();
}

// A vehicle file parsed, with its [vehicle] table; `fail` says why not.
toml::table parseVehicleFile(const fs::path& file,
                             const std::function<void(const std::string&)>& fail) {
  const std::optional<std::string> text = files::readWholeFile(file);
  if (!text) fail("cannot open " + platform::utf8Of(file));
  toml::table root;
  try {
    root = toml::parse(*text, platform::utf8Of(file));
  } catch (const toml::parse_error& e) {
    fail(platform::utf8Of(file) + ":" + std::to_string(e.source().begin.line) + ":" +
         std::to_string(e.source().begin.column) + ": syntax: " + std::string(e.description()) +
         syntaxHint(e.description()));
  }
  if (!root["vehicle"].as_table()) fail(platform::utf8Of(file) + " has no [vehicle] table");
  return root;
}

// The file that `vehicle_file` names, relative to the scenario, parsed: a
// fitted vehicle (tasc fit writes one) in its [vehicle] table.
toml::table vehicleFile(Reader& r, const Scenario& s, const std::string& name) {
  const fs::path base = s.file.has_parent_path() ? s.file.parent_path() : fs::path(".");
  const toml::node* key = r.table().get("vehicle_file");
  return parseVehicleFile((base / platform::pathFromUtf8(name)).lexically_normal(),
                          [&](const std::string& why) { r.fail(key, "vehicle_file", why); });
}

// The scenario's own [vehicle] keys moved over the vehicle file's: moved, not
// copied, so that each node keeps its file and line for the messages.
void overlayVehicle(toml::table& root, toml::table& fileVehicle) {
  toml::table* own = root["vehicle"].as_table();
  if (!own) return;
  for (auto&& [k, node] : *own) {
    node.visit([&, &k = k](auto& n) { fileVehicle.insert_or_assign(k, std::move(n)); });
  }
}

// The fitted vehicle's [vehicle] keys over `under` (the vehicle read so far):
// the keys of `under` it lacks moved into it, so that the fitted ones win.
// b7_decel and quarter_decel give the same deceleration: a fitted one of them
// replaces either.
void underFitted(toml::table* under, toml::table& fitted) {
  if (!under) return;
  const bool fittedDecel = fitted.contains("b7_decel") || fitted.contains("quarter_decel");
  for (auto&& [k, node] : *under) {
    const bool decel = k.str() == "b7_decel" || k.str() == "quarter_decel";
    if (fitted.contains(k) || (decel && fittedDecel)) continue;
    node.visit([&, &k = k](auto& n) { fitted.insert(k, std::move(n)); });
  }
}

}  // namespace tasc::engine::detail
