#include "engine/sweep.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <exception>
#include <optional>

#include "system/text.h"
#include "system/tool_system.h"

namespace tasc::engine {

std::vector<SweepCase> expandSweep(const Scenario& s) {
  const auto axis = [](const std::vector<double>& values, double own) {
    return values.empty() ? std::vector<double>{own} : values;
  };
  const std::vector<double> speeds = axis(s.sweep.initialSpeed, s.initialSpeed);
  const std::vector<double> deads = axis(s.sweep.brakeDeadTime, s.vehicle.brakeDeadTime);
  const std::vector<double> lags = axis(s.sweep.brakeTimeConstant, s.vehicle.brakeTimeConstant);
  const std::vector<double> grades = axis(s.sweep.gradient, s.gradient);
  const std::vector<double> offsets = axis(s.sweep.receiverOffset, s.receiverOffset);
  std::vector<SweepCase> cases;
  cases.reserve(speeds.size() * deads.size() * lags.size() * grades.size() * offsets.size());
  for (double v : speeds)
    for (double d : deads)
      for (double l : lags)
        for (double g : grades)
          for (double o : offsets) cases.push_back({v, d, l, g, o});
  return cases;
}

Scenario applyCase(const Scenario& s, const SweepCase& c) {
  Scenario out = s;
  out.initialSpeed = c.initialSpeed;
  out.vehicle.brakeDeadTime = c.brakeDeadTime;
  out.vehicle.brakeTimeConstant = c.brakeTimeConstant;
  out.gradient = c.gradient;
  out.receiverOffset = c.receiverOffset;
  return out;
}

std::string caseName(const SweepCase& c) {
  char buffer[160];
  std::snprintf(buffer, sizeof buffer,
                "v0 %.1f km/h, dead %.2f s, lag %.2f s, grade %+.1f, offset %.2f m", c.initialSpeed,
                c.brakeDeadTime, c.brakeTimeConstant, c.gradient, c.receiverOffset);
  return buffer;
}

std::vector<SweepOutcome> runSweep(const Scenario& s, const std::filesystem::path& plugin,
                                   const std::vector<SweepCase>& cases, unsigned jobs,
                                   const std::function<void(std::size_t, std::size_t)>& progress,
                                   const std::filesystem::path& recordDir) {
  std::vector<SweepOutcome> outcomes(cases.size());
  if (cases.empty()) return outcomes;
  if (jobs == 0) jobs = platform::coreCount();
  jobs = static_cast<unsigned>(std::min<std::size_t>(jobs, cases.size()));

  // Each case has its own slot and each worker its own error slot, so the
  // workers share nothing but the two counters. The calling thread (worker 0)
  // reports progress, so the callback never runs on two threads at once.
  std::atomic<std::size_t> next{0};
  std::atomic<std::size_t> done{0};
  std::vector<std::exception_ptr> errors(jobs);

  platform::runWorkers(jobs, [&](unsigned worker) {
    try {
      // Each worker its own instance: its own state. A recorded stop gets a
      // fresh one, so that its recording holds its run alone, from the load
      // to Dispose, whichever worker ran what before it.
      std::optional<PluginHost> host;
      for (;;) {
        const std::size_t i = next.fetch_add(1);
        if (i >= cases.size()) break;
        outcomes[i].sweepCase = cases[i];
        if (!host || !recordDir.empty()) {
          host.reset();
          host.emplace(plugin, s.vehicleFolder);
        }
        if (!recordDir.empty())
          host->recordNextRun(recordDir / platform::pathFromUtf8(recordingName(s, i)));
        outcomes[i].result = runStop(*host, applyCase(s, cases[i]));
        const std::size_t n = done.fetch_add(1) + 1;
        if (progress && worker == 0) progress(n, cases.size());
      }
    } catch (...) {
      errors[worker] = std::current_exception();
      next.store(cases.size());
    }
  });
  for (const std::exception_ptr& error : errors) {
    if (error) std::rethrow_exception(error);
  }
  if (progress) progress(cases.size(), cases.size());
  return outcomes;
}

std::string recordingName(const Scenario& scenario, std::size_t index) {
  char number[32];
  std::snprintf(number, sizeof number, "-%04zu.csv", index + 1);
  return platform::utf8Of(scenario.file.stem()) + number;
}

}  // namespace tasc::engine
