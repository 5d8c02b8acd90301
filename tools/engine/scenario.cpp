#include "engine/scenario.h"

#include <sstream>
#include <string_view>

#include "engine/scenario_reader.h"
#include "files/files.h"
#include "folder/vehicle_folder.h"
#include "plugin/settings.h"
#include "system/text.h"

namespace fs = std::filesystem;

namespace tasc::engine {

const char* beaconTimingName(BeaconTiming timing) {
  switch (timing) {
    case BeaconTiming::BeforeElapse:
      return "before_elapse";
    case BeaconTiming::AfterElapse:
      return "after_elapse";
  }
  return "?";
}

const char* driverActionName(DriverAction action) {
  switch (action) {
    case DriverAction::Power:
      return "power";
    case DriverAction::Brake:
      return "brake";
    case DriverAction::Reverser:
      return "reverser";
    case DriverAction::KeyDown:
      return "key down";
    case DriverAction::KeyUp:
      return "key up";
  }
  return "?";
}

bool SweepAxes::empty() const {
  return initialSpeed.empty() && brakeDeadTime.empty() && brakeTimeConstant.empty() &&
         gradient.empty() && receiverOffset.empty();
}

namespace {

using detail::codeBeaconsForFront;
using detail::codedDistanceWarnings;
using detail::faultReport;
using detail::Faults;
using detail::guarded;
using detail::overlayVehicle;
using detail::parseVehicleFile;
using detail::readDriver;
using detail::Reader;
using detail::readSweep;
using detail::readTrack;
using detail::readVehicle;
using detail::TableAbort;
using detail::underFitted;
using detail::vehicleFile;

void readRun(Reader& ru, Scenario& s) {
  s.frameRate = static_cast<int32_t>(ru.integer("frame_rate", 1, 1000).value_or(60));
  s.maxTime = ru.number("max_time", 1, 86400, s.maxTime);
  s.settleTime = ru.number("settle_time", 1.1, 600, s.settleTime);
  s.overrunLimit = ru.number("overrun_limit", 0, 1e6, s.overrunLimit);
  if (const std::optional<std::string> timing = ru.string("beacon_timing")) {
    if (*timing == "before_elapse") {
      s.beaconTiming = BeaconTiming::BeforeElapse;
    } else if (*timing == "after_elapse") {
      s.beaconTiming = BeaconTiming::AfterElapse;
    } else {
      ru.fail(ru.table().get("beacon_timing"), "beacon_timing",
              "expected \"before_elapse\" or \"after_elapse\"");
    }
  }
  ru.finish();
}

void readTrain(Reader& tr, Scenario& s) {
  s.initialSpeed = tr.number("initial_speed", 0, 400, 0);
  s.initialPosition = tr.number("initial_position", -1e7, 1e7, 0);
  s.receiverOffset = tr.number("receiver_offset", -100, 500, 0);
  tr.finish();
}

// The vehicle folder, absolute; a fault when it is no folder.
void readVehicleFolder(Reader& r, const toml::table& root, Scenario& s) {
  const std::optional<std::string> folder = r.string("vehicle_folder");
  if (!folder) {
    r.fail(nullptr, "vehicle_folder", "missing (the folder with TASC.ini and csvPath.ini)");
  }
  const fs::path base = s.file.has_parent_path() ? s.file.parent_path() : fs::path(".");
  s.vehicleFolder = fs::absolute(base / platform::pathFromUtf8(*folder)).lexically_normal();
  std::error_code ec;
  if (!fs::is_directory(s.vehicleFolder, ec)) {
    r.fail(root.get("vehicle_folder"), "vehicle_folder",
           "no such folder: " + platform::utf8Of(s.vehicleFolder));
  }
}

void readScenario(Reader& r, toml::table& root, Scenario& s, const fs::path& fitted) {
  s.name = r.string("name").value_or(platform::utf8Of(s.file.stem()));
  readVehicleFolder(r, root, s);
  const Settings folderSettings =
      readSettings(folder::pluginPath(s.vehicleFolder / "TASC.ini").value_or("").c_str());
  Faults& faults = r.faults();
  const toml::table none;
  const toml::table* vehicle = r.subTable("vehicle");
  toml::table fileRoot;  // the vehicle file, the scenario's keys over its [vehicle]
  if (const std::optional<std::string> file = r.string("vehicle_file")) {
    guarded([&] {
      fileRoot = vehicleFile(r, s, *file);
      toml::table& fileVehicle = *fileRoot["vehicle"].as_table();
      overlayVehicle(root, fileVehicle);
      vehicle = &fileVehicle;
    });
  }
  toml::table fittedRoot;  // the fitted vehicle, the keys above under its own
  if (!fitted.empty()) {
    guarded([&] {
      fittedRoot = parseVehicleFile(fitted, [&](const std::string& why) {
        faults.lines.push_back("fitted vehicle: " + why);
        throw TableAbort{};
      });
      toml::table* under = fileRoot["vehicle"].as_table();
      underFitted(under ? under : root["vehicle"].as_table(), *fittedRoot["vehicle"].as_table());
      vehicle = fittedRoot["vehicle"].as_table();
    });
  }
  Reader v(vehicle ? *vehicle : none, "vehicle", faults);
  guarded([&] { readVehicle(v, s.vehicle, folderSettings.b7Dec); });
  const toml::table* track = r.subTable("track");
  if (!track) r.note(nullptr, "track", "missing (stop_point and the beacons)");
  Reader t(track ? *track : none, "track", faults);
  if (track) guarded([&] { readTrack(t, s, folderSettings.formationId); });
  if (const toml::table* train = r.subTable("train")) {
    Reader tr(*train, "train", faults);
    guarded([&] { readTrain(tr, s); });
  }
  if (track && s.initialPosition >= s.stopPoint) {
    r.note(nullptr, "train.initial_position", "must lie before track.stop_point");
  }
  codeBeaconsForFront(s);
  codedDistanceWarnings(s, faults);
  if (const toml::table* run = r.subTable("run")) {
    Reader ru(*run, "run", faults);
    guarded([&] { readRun(ru, s); });
  }
  if (const toml::table* driver = r.subTable("driver")) {
    Reader d(*driver, "driver", faults);
    guarded([&] { s.driver = readDriver(d, s.vehicle); });
  }
  if (const toml::table* sweep = r.subTable("sweep")) {
    Reader w(*sweep, "sweep", faults);
    guarded([&] { readSweep(w, s.sweep); });
  }
  r.finish();
}

}  // namespace

Scenario parseScenario(std::string_view text, const fs::path& file, const fs::path& fitted) {
  const std::string fileName = platform::utf8Of(file);
  toml::table root;
  try {
    root = toml::parse(text, fileName);
  } catch (const toml::parse_error& e) {
    std::ostringstream out;
    out << fileName << ':' << e.source().begin.line << ':' << e.source().begin.column
        << ": syntax: " << e.description() << detail::syntaxHint(e.description());
    throw ScenarioError(out.str());
  }

  Scenario s;
  s.file = file;
  Faults faults{fileName, {}, {}};
  Reader r(root, "", faults);
  guarded([&] { readScenario(r, root, s, fitted); });
  if (!faults.lines.empty()) throw ScenarioError(faultReport(faults.lines));
  s.warnings = std::move(faults.warnings);
  return s;
}

VehicleModel loadVehicleFile(const fs::path& file) {
  const std::string fileName = platform::utf8Of(file);
  const std::optional<std::string> text = files::readWholeFile(file);
  if (!text) throw ScenarioError(fileName + ": cannot open the vehicle file");
  toml::table root;
  try {
    root = toml::parse(*text, fileName);
  } catch (const toml::parse_error& e) {
    std::ostringstream out;
    out << fileName << ':' << e.source().begin.line << ':' << e.source().begin.column
        << ": syntax: " << e.description();
    throw ScenarioError(out.str());
  }
  const toml::table* vehicle = root["vehicle"].as_table();
  if (vehicle == nullptr) throw ScenarioError(fileName + ": no [vehicle] table");
  VehicleModel v;
  Faults faults{fileName, {}, {}};
  Reader r(*vehicle, "vehicle", faults);
  guarded([&] { readVehicle(r, v, v.quarterDecel * 28); });
  if (!faults.lines.empty()) throw ScenarioError(faultReport(faults.lines));
  return v;
}

Scenario loadScenario(const fs::path& file, const fs::path& fitted) {
  const std::optional<std::string> text = files::readWholeFile(file);
  if (!text) throw ScenarioError(platform::utf8Of(file) + ": cannot open the scenario file");
  return parseScenario(*text, file, fitted);
}

}  // namespace tasc::engine
