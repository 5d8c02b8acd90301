// Elapse through the recording module against Elapse of the plug-in alone,
// both loaded by path from their own vehicle folders as a host loads them:
//   build/<dir>/bench/recorder_bench --benchmark_repetitions=20
//       --benchmark_report_aggregates_only=true
// Each repetition starts a new run (a new recording, the last one removed)
// and makes a fixed number of 16 ms frames at 60 km/h, so that every
// recording stays far below its size cap. The recorder formats and writes on
// its own thread; the figure is the host's thread. The host here makes frames
// thousands of times faster than a simulator does, so every 4,096 frames the
// clock stops for a few milliseconds while the writer catches up (a real host
// leaves it 16 ms per frame); at the end the run is disposed of and its
// recording read back: every frame must be in it.
// Another build's recording module (of another tree, say) runs beside this
// one in the same run, for a ratio that the machine's load does not skew:
//   TASC_BENCH_BASELINE_RECORDER=/path/to/TASCRec.so build/<dir>/bench/recorder_bench
//       --benchmark_repetitions=20 --benchmark_enable_random_interleaving=true
//       --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <utility>

#include "abi/host_records.h"
#include "abi/plugin_api.h"
#include "recording/reader.h"
#include "recording/writer.h"
#include "system/host_loader.h"

// The loop variable of `for (auto _ : state)` is unused by design.
// NOLINTBEGIN(clang-analyzer-deadcode.DeadStores)

namespace {

namespace fs = std::filesystem;
using tasc::HandleRecord;
using tasc::PluginApi;
using tasc::VehicleStateRecord;

constexpr int32_t kFrameMs = 16;
constexpr int kFrames = 200000;
constexpr int64_t kFramesBetweenPauses = 4096;

// A vehicle folder with the module (and the plug-in beside the recorder),
// loaded; removed at exit.
class Loaded {
 public:
  // `recorder`: the recording module to load in the plug-in's place; null:
  // the plug-in alone.
  explicit Loaded(const char* name, const char* recorder) {
    folder_ = fs::temp_directory_path() /
              ("tasc_recorder_bench_" + std::to_string(::getpid()) + "_" + name);
    fs::create_directories(folder_);
    std::ofstream(folder_ / "TASC.ini") << "[TASCPtn]\nB7Dec=3.36\nFormationID=1\n";
    std::ofstream(folder_ / "csvPath.ini") << "[ParamData]\n0=p.csv\n";
    std::ofstream(folder_ / "p.csv") << "0,0,3.5,2.5,1.5,0.5,0.1,2.6,2.2,50,1,0,0,0,0\n";
    fs::copy_file(TASC_BENCH_PLUGIN, folder_ / "TASC.so");
    if (recorder) fs::copy_file(recorder, folder_ / "TASCRec.so");
    module_.emplace((folder_ / (recorder ? "TASCRec.so" : "TASC.so")).c_str());
    bindPluginApi(api_, [this](const char* n) { return module_->find(n); });
  }
  ~Loaded() {
    module_.reset();
    std::error_code ec;
    fs::remove_all(folder_, ec);
  }
  Loaded(const Loaded&) = delete;
  Loaded& operator=(const Loaded&) = delete;

  bool ready() const {
    return api_.Initialize && api_.Elapse && api_.SetVehicleSpec && api_.SetBrake && api_.Dispose;
  }
  // A new run, the last run's recording removed.
  void startRun() {
    std::error_code ec;
    fs::remove_all(folder_ / "records", ec);
    api_.SetVehicleSpec({8, 5, 0, 0, 6});
    api_.Initialize(0);
    api_.SetBrake(0);
  }
  const PluginApi& api() const { return api_; }
  // The frames and bytes of the run's recording, after Dispose.
  std::pair<std::size_t, std::size_t> recorded() const {
    std::size_t frames = 0;
    std::size_t bytes = 0;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder_ / "records", ec)) {
      bytes += e.file_size();
      frames += tasc::recording::readRecordingFile(e.path()).recording.frames.size();
    }
    return {frames, bytes};
  }

 private:
  fs::path folder_;
  std::optional<tasc::platform::HostModule> module_;
  PluginApi api_{};
};

void runFrames(benchmark::State& state, Loaded& m) {
  if (!m.ready()) {
    state.SkipWithError("module not loaded");
    return;
  }
  m.startRun();
  std::array<int32_t, 256> panel{};
  std::array<int32_t, 256> sound{};
  VehicleStateRecord s{};
  s.speed = 60.0f;
  // Offsets 16..39 as a host fills them: pressures and a current.
  s.reserved[0] = 440.5f;
  s.reserved[1] = 780.25f;
  s.reserved[2] = 490.0f;
  s.reserved[3] = 330.0f;
  s.reserved[4] = 150.0f;
  s.reserved[5] = -12.5f;
  const auto elapse = m.api().Elapse;
  int64_t frames = 0;
  for (auto _ : state) {
    s.timeMs += kFrameMs;
    s.location += 0.2666;
    const HandleRecord h = elapse(s, panel.data(), sound.data());
    benchmark::DoNotOptimize(h);
    if (++frames % kFramesBetweenPauses == 0) {
      state.PauseTiming();
      std::this_thread::sleep_for(std::chrono::milliseconds(4));
      state.ResumeTiming();
    }
  }
  m.api().Dispose();
}

void BM_ElapsePluginAlone(benchmark::State& state) {
  static Loaded plugin("alone", nullptr);
  runFrames(state, plugin);
}

void elapseThrough(benchmark::State& state, Loaded& recorder) {
  runFrames(state, recorder);
  const auto [frames, bytes] = recorder.recorded();
  if (static_cast<int64_t>(frames) != state.iterations())
    state.SkipWithError("frames missing from the recording");
  state.counters["bytes/frame"] =
      static_cast<double>(bytes) / static_cast<double>(state.iterations());
}

void BM_ElapseThroughRecorder(benchmark::State& state) {
  static Loaded recorder("recorder", TASC_BENCH_RECORDER);
  elapseThrough(state, recorder);
}

// A frame row as a host at 60 km/h fills it: pressures and a current at 16..39.
tasc::recording::FrameRow hostRow() {
  tasc::recording::FrameRow row;
  row.speed = 60.0f;
  row.reserved = {0x43dc4000, 0x44430000, 0x43f50000, 0x43a50000, 0x43160000, 0xc1480000};
  row.hasPanel = true;
  return row;
}

// The part of the recorder's cost that is text: one frame row formatted into
// the buffer, which a sink that keeps nothing empties when it is full.
void BM_FormatFrameRow(benchmark::State& state) {
  struct NullSink final : tasc::recording::Sink {
    bool write(const char* /*data*/, std::size_t /*size*/) noexcept override { return true; }
  } sink;
  static std::array<char, std::size_t{256} << 10> buffer{};
  tasc::recording::Writer writer(buffer);
  writer.start(sink, UINT64_MAX);
  tasc::recording::FrameRow row = hostRow();
  for (auto _ : state) {
    row.timeMs += kFrameMs;
    row.location += 0.2666;
    writer.frame(row);
  }
}

// The reader over a two-hour recording at 60 frames/s (432,000 frames and a
// beacon every 1,000 frames), from memory.
void BM_ReadTwoHourRecording(benchmark::State& state) {
  struct StringSink final : tasc::recording::Sink {
    bool write(const char* data, std::size_t size) noexcept override {
      text.append(data, size);
      return true;
    }
    std::string text;
  } sink;
  static std::array<char, std::size_t{256} << 10> buffer{};
  tasc::recording::Writer writer(buffer);
  writer.start(sink, UINT64_MAX);
  tasc::recording::FrameRow row = hostRow();
  constexpr int kTwoHours = 432000;
  for (int i = 0; i < kTwoHours; ++i) {
    row.timeMs += kFrameMs;
    row.location += 0.2666;
    row.speed -= 0.0001f;
    writer.frame(row);
    if (i % 1000 == 0) writer.event({tasc::recording::EventKind::Beacon, {503, 0, 64}, 0.0f});
  }
  writer.end(tasc::recording::EndReason::Dispose);
  for (auto _ : state) {
    const tasc::recording::ReadResult r = tasc::recording::readRecording(sink.text, "bench");
    if (!r.ok || r.recording.frames.size() != kTwoHours) state.SkipWithError("not read whole");
  }
  state.counters["MB"] = static_cast<double>(sink.text.size()) / 1e6;
}

BENCHMARK(BM_ElapsePluginAlone)->Iterations(kFrames);
BENCHMARK(BM_ElapseThroughRecorder)->Iterations(kFrames);
BENCHMARK(BM_FormatFrameRow)->Iterations(kFrames);
BENCHMARK(BM_ReadTwoHourRecording)->Unit(benchmark::kMillisecond);

// Another build's recording module, run beside this one when its path is given.
void BM_ElapseThroughBaselineRecorder(benchmark::State& state, const char* baseline) {
  static Loaded recorder("baseline", baseline);
  elapseThrough(state, recorder);
}
const char* const kBaseline = std::getenv("TASC_BENCH_BASELINE_RECORDER");
// Registered as BENCHMARK registers, when the program starts.
benchmark::internal::Benchmark* const kBaselineBenchmark =
    kBaseline == nullptr ? nullptr
                         : benchmark::RegisterBenchmark("BM_ElapseThroughBaselineRecorder",
                                                        BM_ElapseThroughBaselineRecorder, kBaseline)
                               ->Iterations(kFrames);

}  // namespace

BENCHMARK_MAIN();
// NOLINTEND(clang-analyzer-deadcode.DeadStores)
