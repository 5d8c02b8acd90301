// tasc-host SCRIPT MODULE: plays the host simulator from a call script. It
// loads the plug-in by path, finds the sixteen entry points by name, makes the
// calls the script lists and prints every frame's handle record and the panel
// values 85..89. Only integers are printed, so the outputs of different
// builds of the plug-in compare byte for byte.
//
// Script: one command per line, '#' starts a comment.
//   vehicle BRAKES [POWER [ATS [B67 [CARS]]]]   SetVehicleSpec
//   load | dispose                          Load, Dispose
//   init [MODE]                             Initialize
//   frame SPEED TIME                        Elapse at SPEED km/h, TIME ms
//   ramp V0 V1 T0 STEP COUNT                COUNT frames from T0 every STEP ms,
//                                           the speed going linearly V0 -> V1
//   power N | brake N | reverser N          SetPower, SetBrake, SetReverser
//   beacon TYPE DATA                        SetBeaconData (DATA may be 0x...)
//   keydown K | keyup K | horn K | signal N | door open|close
//   key VK 0|1                              physical key state (POSIX module
//                                           only; ignored where the module
//                                           reads the keyboard itself)
//   version                                 prints GetPluginVersion
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <limits>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "abi/abi.h"
#include "abi/host_records.h"
#include "abi/plugin_api.h"
#include "readers/numbers.h"
#include "system/host_loader.h"

namespace tasc::host {
namespace {

using Api = PluginApi;

// The words of a line, without its comment.
std::vector<std::string> words(std::string_view line) {
  std::istringstream in{std::string(line.substr(0, line.find('#')))};
  return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
}

// A 32-bit integer, the whole word: decimal, or hexadecimal after 0x (a data
// word of all 32 bits, read as its two's complement).
std::optional<int32_t> toInt(std::string_view w) {
  const char* end = w.data() + w.size();
  if (w.starts_with("0x") || w.starts_with("0X")) {
    uint32_t v = 0;
    const auto [ptr, ec] = std::from_chars(w.data() + 2, end, v, 16);
    if (ec != std::errc{} || ptr != end || w.size() == 2) return std::nullopt;
    return static_cast<int32_t>(v);
  }
  // (the reader skips leading white space, which a word may not hold)
  const NumberRead<int32_t> v = readInteger(w);
  const bool starts = w[0] == '-' || w[0] == '+' || (w[0] >= '0' && w[0] <= '9');
  return starts && v.whole(end) ? std::optional<int32_t>(v.value) : std::nullopt;
}

// The commands that pass one integer on to an entry point.
using IntCall = void(TASC_CALL*)(int32_t);
constexpr std::pair<std::string_view, IntCall Api::*> kOneInt[] = {
    {"power", &Api::SetPower},  {"brake", &Api::SetBrake}, {"reverser", &Api::SetReverser},
    {"keydown", &Api::KeyDown}, {"keyup", &Api::KeyUp},    {"horn", &Api::HornBlow},
    {"signal", &Api::SetSignal}};

class Runner {
 public:
  Runner(const Api& api, std::FILE* out) : api_(api), out_(out) {}

  // False on a script error (message already printed).
  bool run(const char* scriptName, std::istream& script) {
    int lineNumber = 0;
    for (std::string line; std::getline(script, line);) {
      ++lineNumber;
      const auto w = words(line);
      if (w.empty()) continue;
      if (!command(w)) {
        std::fprintf(stderr, "%s:%d: cannot read: %.*s\n", scriptName, lineNumber,
                     static_cast<int>(line.size()), line.data());
        return false;
      }
    }
    return true;
  }

 private:
  bool command(const std::vector<std::string>& w) {
    const std::string_view name = w[0];
    const std::size_t n = w.size() - 1;
    if (name == "frame" && n == 2) return ramp({w[0], w[1], w[1], w[2], "0", "1"});  // one frame
    if (name == "ramp" && n == 5) return ramp(w);
    if (name == "door" && n == 1 && (w[1] == "open" || w[1] == "close")) {
      (w[1] == "open" ? api_.DoorOpen : api_.DoorClose)();
      return true;
    }
    std::vector<int32_t> v;  // every other command takes integers
    for (std::size_t i = 1; i <= n; ++i) {
      const auto x = toInt(w[i]);
      if (!x) return false;
      v.push_back(*x);
    }
    for (const auto& [word, call] : kOneInt) {
      if (name == word && n == 1) {
        (api_.*call)(v[0]);
        return true;
      }
    }
    if (name == "load" && n == 0) {
      api_.Load();
    } else if (name == "dispose" && n == 0) {
      api_.Dispose();
    } else if (name == "version" && n == 0) {
      std::fprintf(out_, "version %d\n", static_cast<int>(api_.GetPluginVersion()));
    } else if (name == "vehicle" && n >= 1 && n <= 5) {
      v.resize(5, 0);
      api_.SetVehicleSpec(VehicleSpecRecord{v[0], v[1], v[2], v[3], v[4]});
    } else if (name == "init" && n <= 1) {
      api_.Initialize(n == 0 ? 0 : v[0]);
    } else if (name == "beacon" && n == 2) {
      api_.SetBeaconData(BeaconRecord{v[0], 0, 0.0f, v[1]});
    } else if (name == "key" && n == 2 && (v[1] == 0 || v[1] == 1)) {
      if (api_.SetKeyState != nullptr) api_.SetKeyState(v[0], v[1]);
    } else {
      return false;
    }
    return true;
  }

  bool ramp(const std::vector<std::string>& w) {
    const auto v0 = parseDecimal(w[1]);
    const auto v1 = parseDecimal(w[2]);
    const auto t0 = toInt(w[3]);
    const auto step = toInt(w[4]);
    const auto count = toInt(w[5]);
    if (!v0 || !v1 || !t0 || !step || !count || *count < 1) return false;
    for (int32_t i = 0; i < *count; ++i) {
      const double share = *count == 1 ? 0.0 : static_cast<double>(i) / (*count - 1);
      const double speed = *v0 + (*v1 - *v0) * share;  // finite, and within a float's range
      const int64_t time = int64_t{*t0} + int64_t{*step} * i;
      if (!std::isfinite(speed) || std::fabs(speed) > std::numeric_limits<float>::max() ||
          time < std::numeric_limits<int32_t>::min() ||
          time > std::numeric_limits<int32_t>::max()) {
        return false;
      }
      frame(static_cast<float>(speed), static_cast<int32_t>(time));
    }
    return true;
  }

  void frame(float speed, int32_t timeMs) {
    VehicleStateRecord state{};
    state.speed = speed;
    state.timeMs = timeMs;
    const HandleRecord h = api_.Elapse(state, panel_, sound_);
    std::fprintf(out_, "t %d brake %d power %d reverser %d const %d panel", int{timeMs},
                 int{h.brake}, int{h.power}, int{h.reverser}, int{h.constantSpeed});
    for (int i = 85; i <= 89; ++i) std::fprintf(out_, " %d", int{panel_[i]});
    std::fputc('\n', out_);
  }

  const Api& api_;
  std::FILE* out_;
  int32_t panel_[256] = {};
  int32_t sound_[256] = {};
};

// Runs `script` against the module at `modulePath`, printing to
// `out`. Returns the exit status: 0 done, 1 the module or an entry point is
// missing, 2 a script error (reported on stderr with its line).
int runScript(const char* scriptName, std::istream& script, const char* modulePath,
              std::FILE* out) {
  const platform::HostModule module(modulePath);
  if (!module.loaded()) {
    std::fprintf(stderr, "tasc-host: cannot load %s\n", modulePath);
    return 1;
  }
  Api api{};
  const MissingExports missing =
      bindPluginApi(api, [&module](const char* name) { return module.find(name); });
  for (std::size_t i = 0; i < missing.count; ++i) {
    std::fprintf(stderr, "tasc-host: the module has no entry point %s\n", missing.names[i]);
  }
  if (!missing.empty()) return 1;
  Runner runner(api, out);
  const bool ok = runner.run(scriptName, script);
  std::fflush(out);
  return ok ? 0 : 2;
}

}  // namespace
}  // namespace tasc::host

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: tasc-host SCRIPT MODULE\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "tasc-host: cannot read %s\n", argv[1]);
    return 2;
  }
  tasc::platform::setBinaryOutput(stdout);
  return tasc::host::runScript(argv[1], in, argv[2], stdout);
}
