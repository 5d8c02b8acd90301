// Simulator throughput through the real plug-in: one stop of about 60 s at
// 60 frames/s, the plug-in's own share of it, and a sweep of 1000 stops on
// two threads.
//   build/<dir>/bench/sim_bench
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <filesystem>
#include <string>

#include "abi/plugin_api.h"
#include "engine/plugin_host.h"
#include "engine/run.h"
#include "engine/scenario.h"
#include "engine/sweep.h"
#include "recording/reader.h"
#include "system/host_loader.h"

// The loop variable of `for (auto _ : state)` is unused by design.
// NOLINTBEGIN(clang-analyzer-deadcode.DeadStores)

namespace {

using namespace tasc::engine;

Scenario exampleScenario() {
  Scenario s =
      loadScenario(std::filesystem::path(TASC_SOURCE_DIR) / "examples" / "single-stop.toml");
  // About 60 s of simulated time: a long approach before the beacons.
  s.initialPosition = s.stopPoint - 560.0;
  s.driver.powerNotch = 0;
  return s;
}

void BM_OneStop(benchmark::State& state) {
  const Scenario s = exampleScenario();
  PluginHost host(TASC_DEFAULT_PLUGIN, s.vehicleFolder);
  int64_t frames = 0;
  double simulated = 0;
  for (auto _ : state) {
    const RunResult r = runStop(host, s);
    frames += r.frames;
    simulated = r.endMs / 1000.0;
    benchmark::DoNotOptimize(r.stopError);
  }
  state.counters["frames/stop"] =
      static_cast<double>(frames) / static_cast<double>(state.iterations());
  state.counters["sim_s/stop"] = simulated;
}
BENCHMARK(BM_OneStop)->Unit(benchmark::kMillisecond);

// The plug-in's own share of one stop: the calls that BM_OneStop makes to the
// loaded plug-in (taken from a recording of that stop), made to a loaded copy
// alone, Initialize included. BM_OneStop minus this, per frame, is what the
// simulator adds: its train, its follower of the plug-in, its measures.
void BM_OneStopPluginCallsAlone(benchmark::State& state) {
  namespace fs = std::filesystem;
  using namespace tasc;
  const Scenario s = exampleScenario();
  const fs::path file =
      fs::temp_directory_path() / ("tasc_sim_bench_" + std::to_string(::getpid()) + ".csv");
  {
    PluginHost host(TASC_DEFAULT_PLUGIN, s.vehicleFolder);
    host.recordNextRun(file);
    runStop(host, s);
  }  // disposed of: the recording is whole
  const recording::ReadResult read = recording::readRecordingFile(file);
  fs::remove(file);
  const RunFolder folder(TASC_DEFAULT_PLUGIN, s.vehicleFolder);
  const platform::HostModule module(folder.modulePath().string().c_str());
  PluginApi api{};
  const bool bound =
      bindPluginApi(api, [&module](const char* name) { return module.find(name); }).empty();
  if (!read.ok || !bound) {
    state.SkipWithError("no recording of the stop, or the plug-in did not load");
    return;
  }
  const recording::Recording& r = read.recording;
  std::array<int32_t, 256> panel{};
  std::array<int32_t, 256> sound{};
  using recording::EventKind;
  auto event = [&](const recording::EventRow& e) {
    switch (e.kind) {
      case EventKind::Beacon:
        api.SetBeaconData({e.args[0], e.args[1], e.distance, e.args[2]});
        break;
      case EventKind::Power:
        api.SetPower(e.args[0]);
        break;
      case EventKind::Brake:
        api.SetBrake(e.args[0]);
        break;
      case EventKind::Reverser:
        api.SetReverser(e.args[0]);
        break;
      default:
        break;
    }
  };
  if (r.vehicle) {
    const auto& v = *r.vehicle;
    api.SetVehicleSpec({v[0], v[1], v[2], v[3], v[4]});
  }
  for (auto _ : state) {
    api.Initialize(r.initializeMode.value_or(0));
    std::size_t next = 0;
    for (std::size_t i = 0; i < r.frames.size(); ++i) {
      for (; next < r.events.size() && r.events[next].framesBefore <= i; ++next) {
        event(r.events[next].row);
      }
      const recording::FrameRow& f = r.frames[i];
      VehicleStateRecord st{};
      st.location = f.location;
      st.speed = f.speed;
      st.timeMs = f.timeMs;
      const HandleRecord h = api.Elapse(st, panel.data(), sound.data());
      benchmark::DoNotOptimize(h);
    }
  }
  state.counters["frames/stop"] = static_cast<double>(r.frames.size());
}
BENCHMARK(BM_OneStopPluginCallsAlone)->Unit(benchmark::kMillisecond);

void BM_Sweep1000(benchmark::State& state) {
  Scenario s = exampleScenario();
  s.initialPosition = s.stopPoint - 260.0;
  s.sweep.initialSpeed = {30, 32, 34, 36, 38, 40, 42, 44, 46, 48};
  s.sweep.brakeDeadTime = {0.1, 0.15, 0.2, 0.25, 0.3};
  s.sweep.brakeTimeConstant = {0.2, 0.3, 0.4, 0.5};
  s.sweep.receiverOffset = {0.0, 0.5, 1.0, 1.5, 2.0};
  const std::vector<SweepCase> cases = expandSweep(s);
  for (auto _ : state) {
    const auto outcomes = runSweep(s, TASC_DEFAULT_PLUGIN, cases, 2, nullptr);
    benchmark::DoNotOptimize(outcomes.data());
  }
  state.counters["stops"] = static_cast<double>(cases.size());
}
BENCHMARK(BM_Sweep1000)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
// NOLINTEND(clang-analyzer-deadcode.DeadStores)
