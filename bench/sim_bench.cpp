// Simulator throughput through the real plug-in: one stop of about 60 s at
// 60 frames/s, and a sweep of 1000 stops on two threads.
//   build/<dir>/bench/sim_bench
#include <benchmark/benchmark.h>

#include <filesystem>

#include "sim/run.h"
#include "sim/scenario.h"
#include "sim/sweep.h"

// The loop variable of `for (auto _ : state)` is unused by design.
// NOLINTBEGIN(clang-analyzer-deadcode.DeadStores)

namespace {

using namespace tasc::sim;

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
