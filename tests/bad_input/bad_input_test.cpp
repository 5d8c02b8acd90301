// Bad input through the exports: the built module in a vehicle folder with
// broken files, and odd speeds and times from the host (odd calls are call
// scripts: tests/plugin/scripts). Each run is one line of a golden under
// golden/: a hash of every frame's handles and lamps 85..89 (two
// runs with the same hash behaved alike), when power was cut and the brake
// overridden, the notches used, how the train stopped, and whether panels 84
// and 90 were written. (The handle contract needs no check of its own: a
// frame that broke it would differ from the golden run's in a hashed value.
// The reverser, not hashed, is in the call scripts' goldens.)
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "control/beacon.h"
#include "model/train.h"
#include "support/cases.h"
#include "support/vehicle_folder.h"

namespace tasc::test {
namespace {

namespace fs = std::filesystem;
constexpr double kStopPoint = 400.0;
// The well-formed files of a vehicle folder: B7Dec 4.2, and record 1/0 in p.csv.
const std::pair<std::string, std::string> kGood[] = {
    {"TASC.ini", "[TASCPtn]\nB7Dec=4.2\n"},
    {"csvPath.ini", "[ParamData]\n0=p.csv\n"},
    {"p.csv", "1,0,3.5,2.5,1.5,0.5,0.1,1.8,1.6,50,1,0,0,0,0\n"}};

// What the frames of a run showed.
struct Seen {
  uint64_t hash = 14695981039346656037u;  // FNV-1a over every frame
  int cut = -1, override = -1, firstNotch = -1, at503 = -1, at502 = -1;
  int lit[5] = {-1, -1, -1, -1, -1};  // first frame each lamp 85..89 was lit
  uint32_t notches = 0;               // override notches used, by bit
  int32_t lamp86 = 0;                 // at the end

  void frame(int i, const HandleRecord& h, const int32_t* panel) {
    for (int k = 85; k <= 89; ++k)
      if (panel[k] == 1 && lit[k - 85] < 0) lit[k - 85] = i;
    for (const int32_t v :
         {h.brake, h.power, h.constantSpeed, panel[85], panel[86], panel[87], panel[88], panel[89]})
      hash = (hash ^ static_cast<uint32_t>(v)) * 1099511628211u;
    if (h.power == 0 && cut < 0) cut = i;
    lamp86 = panel[86];
    if (h.constantSpeed != 2) return;
    if (override < 0) override = i, firstNotch = h.brake;
    notches |= 1u << (h.brake & 31);
  }
  std::string line(double speed, double error) const {
    std::string used;
    for (int n = 0; n < 32; ++n)
      if (notches >> n & 1) used += (used.empty() ? "" : ",") + std::to_string(n);
    char s[200];
    std::snprintf(s, sizeof s,
                  "%016llx 503@%d 502@%d lit %d %d %d %d %d cut %d override %d first %d notches "
                  "{%s} lamp86 %d end %.3f km/h %.3f m",
                  static_cast<unsigned long long>(hash), at503, at502, lit[0], lit[1], lit[2],
                  lit[3], lit[4], cut, override, firstNotch, used.c_str(), lamp86, speed, error);
    return s;
  }
};

// An odd host (rows of data/host.txt): the speed it reports and the step it
// adds to its clock, "every" frame or "once" in the frame after the 503
// beacon; "-": as a host does.
struct Host {
  std::string speedWhen = "-", clockWhen = "-";
  float speed = 0;
  int64_t step = 0;
};

// Initialize and a whole stop from 45 km/h (the beacons at their base
// distances, record 1/0 of file 0), 60 s of frames from host time t0, in a
// fresh copy of the module in `folder` (an exception fails the test as any
// other failure does).
std::string runIn(const fs::path& folder, const Host& host = {}, uint32_t t0 = 0) {
  LoadedPlugin plugin(folder);
  const PluginApi& api = plugin.api();
  api.SetVehicleSpec(VehicleSpecRecord{8, 5, 0, 0, 6});
  api.Initialize(0);
  api.SetBrake(0);
  int32_t power = 3;
  api.SetPower(power);
  plugin.mutablePanel()[84] = plugin.mutablePanel()[90] = 7;  // for the plug-in to leave
  // The tools' train, without traction or resistance: power holds the speed.
  model::VehicleModel vehicle;
  vehicle.powerAccel.assign(5, 0.0);
  vehicle.resistanceA = vehicle.resistanceC = 0.0;
  model::Train train(vehicle, 0.0, 45.0, 0.0);
  int32_t trainMs = 0;
  int type = 503;  // the next beacon
  Seen seen;
  uint32_t clock = t0;
  for (int i = 0; i < 60 * 60; ++i) {
    const int64_t step = (i % 3 == 0) ? 16 : 17;
    const auto odd = [once = seen.at503 >= 0 && i == seen.at503 + 1](const std::string& when) {
      return when == "every" || (when == "once" && once);
    };
    clock += static_cast<uint32_t>(odd(host.clockWhen) ? host.step : step);  // wraps as a host's
    const float speed = odd(host.speedWhen) ? host.speed : static_cast<float>(train.speed());
    const HandleRecord h = plugin.frame(speed, static_cast<int32_t>(clock));
    seen.frame(i, h, plugin.panel());
    if (h.power == 0) api.SetPower(power = 0);
    train.setHandles(h.brake, h.power, h.reverser, trainMs);
    train.advance(static_cast<int32_t>(step), trainMs);
    trainMs += static_cast<int32_t>(step);
    if (type > 500 && train.position() >= kStopPoint - kBaseDistance[type - 500]) {
      (type == 503 ? seen.at503 : seen.at502) = i;
      api.SetBeaconData(BeaconRecord{type--, 0, 0.0f, 1 << 6 | 1 << 10});  // formation 1, record 1
    }
  }
  const bool written = plugin.panel()[84] != 7 || plugin.panel()[90] != 7;
  return seen.line(train.speed(), kStopPoint - train.position()) +
         (written ? " panel 84/90 written" : "");
}

// A file of a row: its text, or a form no file can be read in: <missing>,
// <directory>, <loop> (a link to itself), <dev/zero> (a link to it), or
// <garbage> (64 KiB of random bytes).
void place(const fs::path& target, const std::string& content) {
  fs::create_directories(target.parent_path());
  if (content == "<directory>") fs::create_directories(target / "x");
  if (content == "<loop>") fs::create_symlink(target.filename(), target);
  if (content == "<dev/zero>") fs::create_symlink("/dev/zero", target);
  if (content.starts_with('<') && content != "<garbage>") return;  // and <missing>
  std::string bytes = content;
  if (content == "<garbage>") {
    std::mt19937 gen(12345);
    bytes.assign(65536, '\0');
    for (char& c : bytes) c = static_cast<char>(gen() & 0xFF);
  }
  std::ofstream(target, std::ios::binary) << bytes;
}

// The rows of data/files.txt, each file beside the others well formed, after
// the runs without files and with the good files.
TEST(BadInput, FilesGolden) {
  TempFolder empty, all;
  for (const auto& [n, c] : kGood) all.write(n, c);
  std::string made = "none | " + runIn(empty.path()) + "\ngood | " + runIn(all.path()) + "\n";
  for (const auto& [file, content] : kGood) {
    for (const Case& row : readCases("bad_input/data/files.txt")) {
      if (row.f[0] != file && row.f[0] != "*") continue;
      TempFolder folder;
      for (const auto& [n, c] : kGood)
        if (n != file) folder.write(n, c);
      place(folder.path() / file, expand(row.f[2]));
      made += file + " | " + row.f[1] + " | " + row.f[3] + " | " + runIn(folder.path()) + "\n";
    }
  }
  expectGolden("bad_input/golden/files.txt", made);
}

// A module folder whose path (with its last '/') has `length` characters.
fs::path deepFolder(const fs::path& base, std::size_t length) {
  std::string dir = base.string() + "/";
  while (dir.size() < length) {
    const std::size_t rest = length - dir.size();
    dir += std::string(rest > 201 ? 150 : rest - 1, 'd') + "/";
  }
  return fs::path(dir.substr(0, dir.size() - 1));
}

// The module path fits up to 259 characters, and so must TASC.ini and
// csvPath.ini beside it. The working directory holds files of its own: a
// path that does not fit must not send the readers there.
TEST(BadInput, DeepModuleFolderGolden) {
  TempFolder cwd;
  for (const auto& [n, c] : kGood) cwd.write(n, c);
  const fs::path before = fs::current_path();
  fs::current_path(cwd.path());
  std::string made;
  for (const std::size_t length : {248, 249, 252, 253, 400}) {
    TempFolder base;
    const fs::path dir = deepFolder(base.path(), length);
    ASSERT_EQ(dir.string().size() + 1, length);
    fs::create_directories(dir);
    for (const auto& [n, c] : kGood) files::writeWholeFile(dir / n, c);
    made += std::to_string(length) + " | " + runIn(dir) + "\n";
  }
  fs::current_path(before);
  expectGolden("bad_input/golden/deep.txt", made);
}

TEST(BadInput, HostSpeedAndTimeGolden) {
  std::string made;
  for (const Case& c : readCases("bad_input/data/host.txt")) {
    Host host;
    std::string value;
    if (std::istringstream(c.f[1]) >> host.speedWhen >> value) host.speed = std::stof(value);
    if (std::istringstream(c.f[2]) >> host.clockWhen >> value) host.step = std::stoll(value);
    TempFolder folder;
    made += c.f[0] + " | " + c.f[4] + " | " +
            runIn(folder.path(), host, static_cast<uint32_t>(std::stoul(c.f[3]))) + "\n";
  }
  expectGolden("bad_input/golden/host.txt", made);
}

}  // namespace
}  // namespace tasc::test
