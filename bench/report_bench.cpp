// `tasc report` over a two-hour recording at 60 frames/s (432,000 frames): the
// bundled stop recorded by `tasc sim --record`, repeated station after station
// (each copy from where the last one stood, its duration later), read from memory, replayed
// into the plug-in's own code and measured; then the same with the charts.
//   build/<dir>/bench/report_bench --benchmark_repetitions=5
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "chart/stop_chart.h"
#include "engine/run.h"
#include "engine/scenario.h"
#include "recording/reader.h"
#include "recording/writer.h"
#include "report/report_format.h"

// The loop variable of `for (auto _ : state)` is unused by design.
// NOLINTBEGIN(clang-analyzer-deadcode.DeadStores)

namespace {

namespace fs = std::filesystem;
using namespace tasc;

constexpr std::size_t kTwoHours = 432000;

// One recorded stop of the bundled example.
recording::Recording recordedStop() {
  const engine::Scenario s =
      engine::loadScenario(fs::path(TASC_SOURCE_DIR) / "examples" / "single-stop.toml");
  const fs::path file = fs::temp_directory_path() / "tasc-report-bench-stop.csv";
  {
    engine::PluginHost host(TASC_BENCH_PLUGIN, s.vehicleFolder);
    host.recordNextRun(file);
    engine::runStop(host, s);
  }
  recording::ReadResult r = recording::readRecordingFile(file);
  fs::remove(file);
  return std::move(r.recording);
}

struct StringSink final : recording::Sink {
  bool write(const char* data, std::size_t size) noexcept override {
    text.append(data, size);
    return true;
  }
  std::string text;
};

// The stop again and again up to two hours of frames, as the writer writes it.
const std::string& twoHourText() {
  static const std::string text = [] {
    const recording::Recording one = recordedStop();
    StringSink sink;
    static std::array<char, std::size_t{256} << 10> buffer{};
    recording::Writer writer(buffer);
    writer.start(sink, UINT64_MAX);
    writer.text("plugin_state", "loaded");
    writer.numbers("vehicle", *one.vehicle);
    writer.number("initialize", 0);
    for (const recording::CopiedFile& f : one.files) {
      writer.file(f.role, f.index, f.name,
                  f.present ? std::optional<std::string_view>(f.contents) : std::nullopt);
    }
    const int32_t span = one.frames.back().timeMs + 16;
    std::size_t written = 0;
    for (int copy = 0; written < kTwoHours; ++copy) {
      std::size_t next = 0;
      for (std::size_t k = 0; k < one.frames.size() && written < kTwoHours; ++k, ++written) {
        for (; next < one.events.size() && one.events[next].framesBefore <= k; ++next) {
          writer.event(one.events[next].row);
        }
        recording::FrameRow row = one.frames[k];
        row.location += (one.frames.back().location - one.frames.front().location) * copy;
        row.timeMs += span * copy;
        writer.frame(row);
      }
    }
    writer.end(recording::EndReason::Dispose);
    return sink.text;
  }();
  return text;
}

void reportOnce(benchmark::State& state, bool charts) {
  const std::string& text = twoHourText();
  std::size_t stops = 0;
  for (auto _ : state) {
    report::RecordingReport rep;
    recording::ReadResult read = recording::readRecording(text, "bench");
    rep.recording = std::move(read.recording);
    const report::Replay rp = report::replay(rep.recording);
    rep.analysis = report::analyse(rep.recording, rp, {500.0});
    std::string out = report::formatText(rep);
    if (charts) {
      for (std::size_t i = 0; i < rep.analysis.stops.size(); ++i) {
        out += chart::renderChart(report::describeStop(rep, rp, i));
      }
    }
    benchmark::DoNotOptimize(out.data());
    stops = rep.analysis.stops.size();
    if (rep.recording.frames.size() != kTwoHours) state.SkipWithError("not read whole");
  }
  state.counters["MB"] = static_cast<double>(text.size()) / 1e6;
  state.counters["stops"] = static_cast<double>(stops);
}

void BM_ReportTwoHours(benchmark::State& state) {
  reportOnce(state, false);
}
void BM_ReportTwoHoursWithCharts(benchmark::State& state) {
  reportOnce(state, true);
}

BENCHMARK(BM_ReportTwoHours)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReportTwoHoursWithCharts)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

// NOLINTEND(clang-analyzer-deadcode.DeadStores)

BENCHMARK_MAIN();
