// Frame and beacon costs through the plug-in's own entry points, linked into
// this program: Elapse in each control phase against a pass-through frame,
// beacons with and without a parameter-file switch, and the parameter loader.
//   build/<dir>/bench/plugin_bench --benchmark_repetitions=10
//       --benchmark_report_aggregates_only=true
// Every phase benchmark puts the state back at the top of each iteration (a
// few stores), so that every frame runs in the same phase at the same
// distance; the pass-through frame does the same stores.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <array>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "abi/abi.h"
#include "control/tasc_controller.h"
#include "plugin/files.h"
#include "plugin/plugin.h"
#include "readers/numbers.h"
#include "readers/param_lines.h"

// The loop variable of `for (auto _ : state)` is unused by design.
// NOLINTBEGIN(clang-analyzer-deadcode.DeadStores)

TASC_EXPORT void TASC_CALL Initialize(int32_t brakeMode);
TASC_EXPORT void TASC_CALL SetVehicleSpec(tasc::VehicleSpecRecord vehicle);
TASC_EXPORT tasc::HandleRecord TASC_CALL Elapse(tasc::VehicleStateRecord state, int32_t* panel,
                                                int32_t* sound);
TASC_EXPORT void TASC_CALL SetPower(int32_t notch);
TASC_EXPORT void TASC_CALL SetBrake(int32_t notch);
TASC_EXPORT void TASC_CALL SetReverser(int32_t position);
TASC_EXPORT void TASC_CALL SetBeaconData(tasc::BeaconRecord beacon);

namespace {

namespace fs = std::filesystem;
using tasc::BeaconRecord;
using tasc::BrakePhase;
using tasc::HandleRecord;
using tasc::VehicleStateRecord;

constexpr int32_t kFrameMs = 16;
constexpr int32_t kFormation = 1;

// A vehicle folder under the temporary directory: TASC.ini, csvPath.ini with
// entry 1 naming a 64-line file and entry 2 a 10,000-line one. Removed at exit.
class VehicleFolder {
 public:
  VehicleFolder() {
    path_ = fs::temp_directory_path() / ("tasc_bench_" + std::to_string(::getpid()));
    fs::create_directories(path_);
    write("TASC.ini", "[TASCPtn]\nB7Dec=3.36\nFormationID=1\n[HmPtn]\nEnableHmPtn=0\n");
    write("csvPath.ini", "[ParamData]\n0=NULL\n1=params64.csv\n2=params10000.csv\n");
    write("params64.csv", paramText(64));
    write("params10000.csv", paramText(10000));
  }
  ~VehicleFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  VehicleFolder(const VehicleFolder&) = delete;
  VehicleFolder& operator=(const VehicleFolder&) = delete;

  const fs::path& path() const { return path_; }

  // Lines as a vehicle author writes them: 15 columns, decimals of 1 to 3
  // places, a few flags set.
  static std::string paramText(int lines) {
    std::string text;
    char line[160];
    for (int i = 0; i < lines; ++i) {
      const int n = std::snprintf(
          line, sizeof line, "%d,%d,%.2f,%.2f,%.2f,%.2f,%.2f,%.1f,%.1f,%.0f,%.1f,%d,%d,%d,%d\r\n",
          i % 32, i / 32 % 4, 3.5 + 0.01 * (i % 7), 2.5 + 0.01 * (i % 5), 1.5 + 0.01 * (i % 3),
          0.45 + 0.01 * (i % 4), 0.1 + 0.01 * (i % 2), 2.6 + 0.1 * (i % 3), 2.2 + 0.1 * (i % 2),
          40.0 + (i % 20), 1.0 + 0.5 * (i % 3), i % 2, i / 2 % 2, 0, i % 5 == 0 ? 1 : 0);
      text.append(line, static_cast<std::size_t>(n));
    }
    return text;
  }

 private:
  void write(const char* name, const std::string& content) const {
    std::ofstream(path_ / name, std::ios::binary) << content;
  }
  fs::path path_;
};

const VehicleFolder& folder() {
  static const VehicleFolder f;
  return f;
}

// The host's load and start of a run with the bench's vehicle folder: the
// module's path points into it, so the reset reads its csvPath.ini.
void startRun() {
  auto& m = tasc::plugin::instance();
  m.attach((folder().path() / "TASC.so").string().c_str());
  m.setKeyState(tasc::kKeyU, false);
  m.setKeyState(tasc::kKeyLeftCtrl, false);
  SetVehicleSpec({8, 5, 1, 7, 10});
  Initialize(0);
  SetReverser(1);
  SetBrake(0);
  SetPower(0);
}

VehicleStateRecord stateAt(float speed, int32_t timeMs) {
  VehicleStateRecord s{};
  s.location = 1000.0;
  s.speed = speed;
  s.timeMs = timeMs;
  return s;
}

// A kind-2 stopping beacon for this formation: distance code 0, record 0,
// sub 0, file entry `file`.
BeaconRecord middleBeacon(int32_t file) {
  return BeaconRecord{502, 0, 0.0f, (file << 15) | (kFormation << 6)};
}

// The part of Elapse that the host cannot do without: store the record, hand
// back the handles. Not inlined, so that it costs a call like the export.
[[gnu::noinline]] HandleRecord passThrough(VehicleStateRecord state, int32_t* panel, int32_t*) {
  auto& b = tasc::plugin::instance().boundary;
  b.vehicleState = state;
  benchmark::DoNotOptimize(panel);
  return b.handleOutput;
}

struct Frame {
  float speed;
  double distance;  // put back before every frame
};

// Runs frames at a fixed speed and distance; checks after the loop that the
// phase held for the whole run.
template <typename Call>
void runFrames(benchmark::State& state, Frame f, Call call, BrakePhase phase, bool lowSpeed) {
  auto& c = tasc::plugin::instance().controller;
  std::array<int32_t, 256> panel{};
  std::array<int32_t, 256> sound{};
  int32_t t = tasc::plugin::instance().boundary.vehicleState.timeMs;
  bool held = true;
  for (auto _ : state) {
    t += kFrameMs;
    c.remainingDistance = f.distance;
    const HandleRecord h = call(stateAt(f.speed, t), panel.data(), sound.data());
    benchmark::DoNotOptimize(h);
    held &= c.brakePhase == phase && c.lowSpeedMode == lowSpeed;
  }
  if (!held) state.SkipWithError("the control left the phase under test");
}

void BM_ElapsePassThrough(benchmark::State& state) {
  startRun();
  runFrames(state, {60.0f, 0.0}, passThrough, BrakePhase::Waiting, false);
}

// Before any beacon: no pattern, no command.
void BM_ElapseNoPattern(benchmark::State& state) {
  startRun();
  Elapse(stateAt(60.0f, 0), nullptr, nullptr);
  runFrames(state, {60.0f, 0.0}, Elapse, BrakePhase::Waiting, false);
}

// Armed by a middle beacon at 60 km/h, then held at `distance`, where the
// phase must be `phase` in every frame.
void runArmedAt(benchmark::State& state, double distance, BrakePhase phase) {
  startRun();
  Elapse(stateAt(60.0f, 0), nullptr, nullptr);
  SetBeaconData(middleBeacon(0));
  auto& c = tasc::plugin::instance().controller;
  c.remainingDistance = distance;
  Elapse(stateAt(60.0f, kFrameMs), nullptr, nullptr);
  if (c.brakePhase != phase) state.SkipWithError("phase not reached");
  runFrames(state, {60.0f, distance}, Elapse, phase, false);
}

// At 60 km/h and 197 m, look-ahead tests 0..3 fire and test 4 does not.
void BM_ElapseStaircase(benchmark::State& state) {
  runArmedAt(state, 197.0, BrakePhase::Staircase);
}

// Test 4 fires at 150 m; tracking then holds to the stop.
void BM_ElapseTracking(benchmark::State& state) {
  runArmedAt(state, 150.0, BrakePhase::Tracking);
}

// U held alone for over a second switches the mode on. Power notch 1 keeps
// the no-power timer at 0 and 3 km/h the slow-running one, so it stays on.
void BM_ElapseLowSpeed(benchmark::State& state) {
  startRun();
  SetPower(1);
  tasc::plugin::instance().setKeyState(tasc::kKeyU, true);
  int32_t t = 0;
  for (; t <= 1200; t += kFrameMs) Elapse(stateAt(3.0f, t), nullptr, nullptr);
  tasc::plugin::instance().setKeyState(tasc::kKeyU, false);
  Elapse(stateAt(3.0f, t), nullptr, nullptr);
  if (!tasc::plugin::instance().controller.lowSpeedMode)
    state.SkipWithError("low-speed mode not reached");
  runFrames(state, {3.0f, 0.0}, Elapse, BrakePhase::Waiting, true);
}

BENCHMARK(BM_ElapsePassThrough);
BENCHMARK(BM_ElapseNoPattern);
BENCHMARK(BM_ElapseStaircase);
BENCHMARK(BM_ElapseTracking);
BENCHMARK(BM_ElapseLowSpeed);

// A stopping beacon that names the file already in force: record selection
// and distance only.
void BM_BeaconNoSwitch(benchmark::State& state) {
  startRun();
  Elapse(stateAt(60.0f, 0), nullptr, nullptr);
  for (auto _ : state) SetBeaconData(middleBeacon(0));
  benchmark::DoNotOptimize(tasc::plugin::instance().controller.remainingDistance);
}
BENCHMARK(BM_BeaconNoSwitch);

// A stopping beacon naming entry 1: the 64-line file is opened and read
// again by every such beacon.
void BM_BeaconSwitch64(benchmark::State& state) {
  startRun();
  Elapse(stateAt(60.0f, 0), nullptr, nullptr);
  const auto& table = tasc::plugin::instance().controller.paramTable;
  for (auto _ : state) SetBeaconData(middleBeacon(1));
  if (table.size() != 65) state.SkipWithError("the 64-line file was not loaded");
  state.counters["lines/s"] = benchmark::Counter(64.0 * static_cast<double>(state.iterations()),
                                                 benchmark::Counter::kIsRate);
}
BENCHMARK(BM_BeaconSwitch64)->Unit(benchmark::kMicrosecond);

// The loader on the 10,000-line file on disk: open, read, parse.
void BM_LoadFile10000(benchmark::State& state) {
  startRun();
  auto& m = tasc::plugin::instance();
  auto& c = m.controller;
  const tasc::FileReader files = tasc::plugin::fileReader(m.boundary.paramListPath.data());
  for (auto _ : state) c.loadParamFile("params10000.csv", files);
  if (c.paramTable.size() != 10001) state.SkipWithError("the 10,000-line file was not loaded");
  state.counters["lines/s"] = benchmark::Counter(10000.0 * static_cast<double>(state.iterations()),
                                                 benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LoadFile10000)->Unit(benchmark::kMillisecond);

// The same lines from memory: the parser alone, without the file.
void BM_ParseText10000(benchmark::State& state) {
  const std::string text = VehicleFolder::paramText(10000);
  std::vector<tasc::ParamRecord> table;
  table.reserve(10001);
  for (auto _ : state) {
    table.clear();
    tasc::appendParamText(text, table);
    benchmark::DoNotOptimize(table.data());
  }
  state.counters["lines/s"] = benchmark::Counter(10000.0 * static_cast<double>(state.iterations()),
                                                 benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ParseText10000)->Unit(benchmark::kMillisecond);

// One decimal field as the loader converts it, over fields of the shapes
// that parameter files hold; the same fields through from_chars alone.
const std::array<std::string_view, 8> kFields = {"3.5", "2.51", "0.45", "0.1",
                                                 "2.6", "40",   "1.5",  "2.25"};

void BM_ParseDecimalField(benchmark::State& state) {
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(tasc::parseDecimal(kFields[i++ % kFields.size()]));
  }
}
BENCHMARK(BM_ParseDecimalField);

void BM_FastDecimalField(benchmark::State& state) {
  std::size_t i = 0;
  for (auto _ : state) {
    const std::string_view f = kFields[i++ % kFields.size()];
    double v = 0;
    benchmark::DoNotOptimize(tasc::detail::fastDecimal(f.data(), f.data() + f.size(), v));
    benchmark::DoNotOptimize(v);
  }
}
BENCHMARK(BM_FastDecimalField);

void BM_FromCharsField(benchmark::State& state) {
  std::size_t i = 0;
  for (auto _ : state) {
    const std::string_view f = kFields[i++ % kFields.size()];
    double v = 0;
    benchmark::DoNotOptimize(std::from_chars(f.data(), f.data() + f.size(), v));
    benchmark::DoNotOptimize(v);
  }
}
BENCHMARK(BM_FromCharsField);

}  // namespace

BENCHMARK_MAIN();
// NOLINTEND(clang-analyzer-deadcode.DeadStores)
