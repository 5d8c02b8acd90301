// A stop to simulate: the vehicle folder the plug-in runs with, the train, the
// track with its beacons, and the driver's script. Read from a TOML file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "model/vehicle_model.h"

namespace tasc::engine {

using model::VehicleModel;

// When the host reports a beacon within a frame: before the frame's Elapse
// (with the new position) or after it.
enum class BeaconTiming { BeforeElapse, AfterElapse };
const char* beaconTimingName(BeaconTiming timing);

// How a stopping beacon's distance code was given: in the data word, as a
// code, as a distance wanted, or by its place (the front's distance to the
// stopping point when the receiver passes it).
enum class BeaconCoding { Word, Code, Distance, Place };
const char* beaconCodingName(BeaconCoding coding);

struct BeaconEntry {
  int32_t type = 0;     // 400, 501..504 or any other (passed on as it is)
  double position = 0;  // m along the track
  int32_t data = 0;     // data word sent
  int32_t line = 0;     // line in the scenario file, for messages
  BeaconCoding coding = BeaconCoding::Word;
  double wanted = 0;  // m, the distance given (Distance only)
};

enum class DriverAction { Power, Brake, Reverser, KeyDown, KeyUp };
const char* driverActionName(DriverAction action);

struct DriverEvent {
  int32_t timeMs = 0;
  DriverAction action = DriverAction::Power;
  int32_t value = 0;  // notch, reverser position, or virtual-key code
};

struct DriverScript {
  int32_t powerNotch = 0;            // held from the start
  std::optional<double> powerOffAt;  // front position where the driver shuts off
  bool handOffAtPowerCut = true;     // shut off when the plug-in cuts power
  std::vector<DriverEvent> events;   // sorted by time, stable
};

// A value list of the sweep matrix; empty: the scenario's own value.
struct SweepAxes {
  std::vector<double> initialSpeed;       // km/h
  std::vector<double> brakeDeadTime;      // s
  std::vector<double> brakeTimeConstant;  // s
  std::vector<double> gradient;           // per mille
  std::vector<double> receiverOffset;     // m
  bool empty() const;
};

// The axes of a sweep, for messages.
enum class SweepAxis { InitialSpeed, BrakeDeadTime, BrakeTimeConstant, Gradient, ReceiverOffset };
const char* sweepAxisName(SweepAxis axis);

// Why a value of a sweep axis is likely not what the author meant (a dead
// time of 4 s typed for 0.4, a gradient in per cent...), with the likely
// meaning; empty when it is plausible.
std::string implausibleSweepValue(SweepAxis axis, double value);

struct Scenario {
  std::filesystem::path file;           // the scenario file, as given
  std::string name;                     // file stem unless given
  std::filesystem::path vehicleFolder;  // absolute
  VehicleModel vehicle;
  double stopPoint = 0;        // m: where the train's front should stop
  double gradient = 0;         // per mille, positive uphill
  double initialSpeed = 0;     // km/h
  double initialPosition = 0;  // m, the train's front
  double receiverOffset = 0;   // m, the beacon receiver behind the front
  int32_t frameRate = 60;      // frames per second
  BeaconTiming beaconTiming = BeaconTiming::BeforeElapse;
  std::vector<BeaconEntry> beacons;  // sorted by position
  DriverScript driver;
  double maxTime = 180;      // s of simulation time
  double settleTime = 3;     // s standing before the run ends
  double overrunLimit = 50;  // m past the stopping point that end the run
  SweepAxes sweep;
  // What the plug-in will take otherwise than the file may mean:
  // "file:line[:column]: text", in file order.
  std::vector<std::string> warnings;
};

// A scenario file that cannot be used. what() names file, line, column and
// key of every fault found (up to 20), one per line.
class ScenarioError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads and checks a scenario. Relative paths in it are relative to its own
// folder. Throws ScenarioError, never anything else for bad input.
// `fittedVehicle`, when given, names a vehicle file (a [vehicle] table, as
// tasc fit writes) whose keys win over the scenario's own [vehicle] and its
// vehicle_file's: a measured value replaces the one the scenario assumed.
Scenario loadScenario(const std::filesystem::path& file,
                      const std::filesystem::path& fittedVehicle = {});
Scenario parseScenario(std::string_view text, const std::filesystem::path& file,
                       const std::filesystem::path& fittedVehicle = {});

// The [vehicle] table of a vehicle file as `tasc fit` writes it, over the
// model's defaults. Throws ScenarioError naming the file and line of a fault.
VehicleModel loadVehicleFile(const std::filesystem::path& file);

}  // namespace tasc::engine
