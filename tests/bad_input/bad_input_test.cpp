// Bad input through the exports: the built module in a vehicle folder with
// broken files, odd values and odd host calls. Every frame's handle record is
// checked: the driver's brake stands, or the override is a notch of 1..28
// quarter notches (1..7, 11..31); power is the driver's or cut.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "control/beacon.h"
#include "model/train.h"
#include "support/cases.h"
#include "support/vehicle_folder.h"

namespace tasc::test {
namespace {

namespace fs = std::filesystem;
constexpr double kStopPoint = 400.0;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
const std::string kSoft = "1,0,3.5,2.5,1.5,0.5,0.1,1.8,1.6,50,1,0,0,0,0\n";

struct Frame {
  int32_t brake, power, constantSpeed, panel[5];
  friend bool operator==(const Frame&, const Frame&) = default;
};
struct StopRun {
  std::vector<Frame> frames;
  int at503 = -1, at502 = -1;  // frame after which the beacon was passed
  double finalSpeed = 0, stopError = 0;
  std::string fault;  // first frame that broke the handle contract
};
// An odd host (rows of data/host.txt): the speed it reports and the step it
// adds to its clock, "every" frame or "once" in the frame after the 503
// beacon; "-": as a host does.
struct Host {
  std::string speedWhen = "-", clockWhen = "-";
  float speed = 0;
  int64_t step = 0;
};

bool validOverride(int32_t n) {
  return (n >= 1 && n <= 7) || (n >= 11 && n <= 31);
}

void checkFrame(const HandleRecord& h, const LoadedPlugin& p, int32_t driverPower, StopRun& run,
                int i) {
  if (!run.fault.empty()) return;
  bool ok =
      (h.constantSpeed == 0 && h.brake == 0) || (h.constantSpeed == 2 && validOverride(h.brake));
  ok = ok && (h.power == driverPower || h.power == 0) && h.reverser == 1;
  for (int k = 85; k <= 89; ++k) ok = ok && (p.panel()[k] == 0 || p.panel()[k] == 1);
  ok = ok && p.panel()[84] == 7 && p.panel()[90] == 7;
  if (!ok) {
    run.fault = "frame " + std::to_string(i) + ": brake " + std::to_string(h.brake) + " cs " +
                std::to_string(h.constantSpeed) + " power " + std::to_string(h.power);
  }
}

int32_t word(int32_t code, int32_t formation, int32_t record, int32_t file) {
  return code | (formation << 6) | (record << 10) | (file << 15);
}

// Initialize and a whole stop from 45 km/h (the beacons at their base
// distances, record 1/0 of file 0), 60 s of frames from host time t0.
StopRun runStop(LoadedPlugin& plugin, const Host& host = {}, uint32_t t0 = 0) {
  const PluginApi& api = plugin.api();
  api.SetVehicleSpec(VehicleSpecRecord{8, 5, 0, 0, 6});
  api.Initialize(0);
  api.SetBrake(0);
  int32_t power = 3;
  api.SetPower(power);
  plugin.mutablePanel()[84] = plugin.mutablePanel()[90] = 7;
  // The tools' train, without traction or resistance: power holds the speed.
  model::VehicleModel vehicle;
  vehicle.powerAccel.assign(5, 0.0);
  vehicle.resistanceA = vehicle.resistanceC = 0.0;
  model::Train train(vehicle, 0.0, 45.0, 0.0);
  int32_t trainMs = 0;
  struct {
    int32_t type;
    double at;
    bool passed;
  } beacons[] = {{503, kStopPoint - kBaseDistance[3], false},
                 {502, kStopPoint - kBaseDistance[2], false},
                 {501, kStopPoint - kBaseDistance[1], false}};
  StopRun run;
  uint32_t clock = t0;
  for (int i = 0; i < 60 * 60; ++i) {
    const int64_t step = (i % 3 == 0) ? 16 : 17;
    const auto odd = [once = run.at503 >= 0 && i == run.at503 + 1](const std::string& when) {
      return when == "every" || (when == "once" && once);
    };
    clock += static_cast<uint32_t>(odd(host.clockWhen) ? host.step : step);  // wraps as a host's
    const float speed = odd(host.speedWhen) ? host.speed : static_cast<float>(train.speed());
    const HandleRecord h = plugin.frame(speed, static_cast<int32_t>(clock));
    checkFrame(h, plugin, power, run, i);
    Frame f{h.brake, h.power, h.constantSpeed, {}};
    for (int j = 0; j < 5; ++j) f.panel[j] = plugin.panel()[85 + j];
    run.frames.push_back(f);
    if (h.power == 0) api.SetPower(power = 0);
    train.setHandles(h.brake, h.power, h.reverser, trainMs);
    train.advance(static_cast<int32_t>(step), trainMs);
    trainMs += static_cast<int32_t>(step);
    for (auto& b : beacons) {
      if (!b.passed && train.position() >= b.at) {
        b.passed = true;
        if (b.type == 503) run.at503 = i;
        if (b.type == 502) run.at502 = i;
        api.SetBeaconData(BeaconRecord{b.type, 0, 0.0f, word(0, 1, 1, 0)});
      }
    }
  }
  run.finalSpeed = train.speed();
  run.stopError = kStopPoint - train.position();
  return run;
}

StopRun runIn(const fs::path& folder, const Host& host = {}) {
  LoadedPlugin plugin(folder);
  StopRun run;
  EXPECT_NO_THROW(run = runStop(plugin, host));
  return run;
}

// What a row expects of the run (`e`):
//   Defaults         the same frames as a vehicle folder without any file
//   AsFile           the same frames as the group's well-formed files
//   NoPattern        no beacon accepted: lamp 86 never lit, no cut, no override
//   NeverBrakes      the pattern is armed but never cuts power nor brakes
//   Brakes           power cut, brake override, the train stops
//   StepsCapped      override notches only 2, 4 and 7, notch 7 among them
//   FirstNotch7      the first override is notch 7 (full service brake)
//   LostUntil502     no power cut before the 502 beacon, braking after it
//   PatternStaysLit  no time passes: no stop is evaluated, lamp 86 lit at the end
//   BrakesLate       power cut and override come more than 1 s after those of the defaults
void checkExpect(const StopRun& r, const std::string& e, const StopRun& defaults,
                 const StopRun& good, const std::string& name) {
  SCOPED_TRACE(name);
  EXPECT_EQ(r.fault, "");
  int firstCut = -1, firstOverride = -1, defaultCut = 0;
  bool armed = false, notch7 = false, onlyCapped = true;
  for (int i = 0; i < static_cast<int>(r.frames.size()); ++i) {
    const Frame& f = r.frames[static_cast<std::size_t>(i)];
    armed = armed || f.panel[1] == 1;
    if (f.power == 0 && firstCut < 0) firstCut = i;
    if (f.constantSpeed == 2) {
      if (firstOverride < 0) firstOverride = i;
      notch7 = notch7 || f.brake == 7;
      onlyCapped = onlyCapped && (f.brake == 2 || f.brake == 4 || f.brake == 7);
    }
  }
  while (defaultCut < static_cast<int>(defaults.frames.size()) &&
         defaults.frames[static_cast<std::size_t>(defaultCut)].power != 0)
    ++defaultCut;
  const int firstBrake =
      firstOverride < 0 ? -1 : r.frames[static_cast<std::size_t>(firstOverride)].brake;
  if (e == "Defaults" || e == "AsFile") {
    EXPECT_TRUE(r.frames == (e == "AsFile" ? good : defaults).frames);
  } else if (e == "NoPattern" || e == "NeverBrakes") {
    EXPECT_EQ(armed, e == "NeverBrakes");
    EXPECT_EQ(std::pair(firstCut, firstOverride), std::pair(-1, -1));
  } else if (e == "Brakes") {
    EXPECT_TRUE(firstCut >= 0 && firstOverride >= 0 && r.finalSpeed == 0.0) << r.finalSpeed;
  } else if (e == "StepsCapped") {
    EXPECT_TRUE(notch7 && onlyCapped);
  } else if (e == "FirstNotch7") {
    EXPECT_EQ(firstBrake, 7);
  } else if (e == "LostUntil502") {
    EXPECT_TRUE(firstCut > r.at502 && firstOverride >= 0) << firstCut << " " << r.at502;
  } else if (e == "BrakesLate") {
    EXPECT_TRUE(firstCut > defaultCut + 60 && firstOverride >= firstCut) << firstCut;
  } else if (e == "PatternStaysLit") {
    EXPECT_EQ(r.frames.back().panel[1], 1);
  } else {
    ADD_FAILURE() << "no expectation " << e;
  }
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

// Runs the rows of data/files.txt for `file` and those for every file ("*");
// `others` are written as they are, `goodContent` is the file well formed.
void runFileRows(const char* file, const std::vector<std::pair<const char*, std::string>>& others,
                 const std::string& goodContent) {
  TempFolder empty;
  const StopRun defaults = runIn(empty.path());
  TempFolder good;
  for (const auto& [n, c] : others) good.write(n, c);
  good.write(file, goodContent);
  const StopRun asFile = runIn(good.path());
  ASSERT_FALSE(defaults.frames == asFile.frames) << "the good files must change the stop";
  EXPECT_LT(std::fabs(defaults.stopError), 1.0) << "the default record stops on the point";
  EXPECT_LT(std::fabs(asFile.stopError), 1.0) << "so do the good files: " << asFile.stopError;
  for (const Case& row : readCases("bad_input/data/files.txt")) {
    if (row.f[0] != file && row.f[0] != "*") continue;
    TempFolder folder;
    for (const auto& [n, c] : others) folder.write(n, c);
    place(folder.path() / file, expand(row.f[2]));
    checkExpect(runIn(folder.path()), row.f[3], defaults, asFile, row.where + " " + row.f[1]);
  }
}

const std::string kList = "[ParamData]\n0=p.csv\n";
const std::string kSettings = "[TASCPtn]\nB7Dec=4.2\n";

TEST(BadInput, SettingsFile) {
  runFileRows("TASC.ini", {}, kSettings);
}

TEST(BadInput, ListFile) {
  runFileRows("csvPath.ini", {{"p.csv", kSoft}}, kList);
}

TEST(BadInput, ParameterFile) {
  runFileRows("p.csv", {{"csvPath.ini", kList}}, kSoft);
}

// A module folder whose path (with its last '/') has `length` characters.
fs::path deepFolder(const fs::path& base, std::size_t length) {
  std::string dir = base.string() + "/";
  while (dir.size() < length) {
    const std::size_t rest = length - dir.size();
    const std::size_t n = rest > 201 ? 150 : rest - 1;
    dir += std::string(n, 'd') + "/";
  }
  return fs::path(dir.substr(0, dir.size() - 1));
}

TEST(BadInput, DeepModuleFolder) {
  // The working directory holds a list of its own: a module path that does not
  // fit must not send the reader there.
  TempFolder cwd;
  cwd.write("csvPath.ini", kList);
  cwd.write("p.csv", kSoft);
  const fs::path before = fs::current_path();
  fs::current_path(cwd.path());
  TempFolder empty;
  const StopRun defaults = runIn(empty.path());
  TempFolder good;
  good.write("TASC.ini", kSettings);
  const StopRun settingsOnly = runIn(good.path());
  good.write("csvPath.ini", kList);
  good.write("p.csv", kSoft);
  const StopRun all = runIn(good.path());
  const struct {
    std::size_t length;
    const StopRun& expected;
  } rows[] = {
      {248, all},           // csvPath.ini path of 259 characters fits
      {249, settingsOnly},  // TASC.ini fits, csvPath.ini (260) does not: no list
      {252, defaults},      // the module path fits, TASC.ini (260) does not
      {253, defaults},      // the module path (260) does not fit: nothing is read
      {400, defaults},
  };
  for (const auto& row : rows) {
    TempFolder base;
    const fs::path dir = deepFolder(base.path(), row.length);
    ASSERT_EQ(dir.string().size() + 1, row.length);
    fs::create_directories(dir);
    for (const char* n : {"TASC.ini", "csvPath.ini", "p.csv"}) {
      fs::copy_file(good.path() / n, dir / n);
    }
    const StopRun r = runIn(dir);
    EXPECT_EQ(r.fault, "") << row.length;
    EXPECT_TRUE(r.frames == row.expected.frames) << "folder of " << row.length << " characters";
  }
  fs::current_path(before);
}

TEST(BadInput, HostSpeedAndTime) {
  TempFolder folder;
  const StopRun defaults = runIn(folder.path());
  int n = 0;
  for (const Case& c : readCases("bad_input/data/host.txt")) {
    Host host;
    std::string value;
    if (std::istringstream(c.f[1]) >> host.speedWhen >> value) host.speed = std::stof(value);
    if (std::istringstream(c.f[2]) >> host.clockWhen >> value) host.step = std::stoll(value);
    LoadedPlugin plugin(folder.path(), "m" + std::to_string(n++) + ".so");
    StopRun r;
    EXPECT_NO_THROW(r = runStop(plugin, host, static_cast<uint32_t>(std::stoul(c.f[3]))));
    checkExpect(r, c.f[4], defaults, defaults, c.where + " " + c.f[0]);
  }
}

// Every export with odd arguments; a few frames at 20 km/h after a 502 beacon
// of formation 0, which the module accepts before Initialize (FormationID 0,
// B7Dec 0 at load). Returns the host time reached.
uint32_t everyExport(LoadedPlugin& p, uint32_t time, bool& in) {
  const PluginApi& a = p.api();
  a.Load();
  EXPECT_EQ(a.GetPluginVersion(), 131072);
  a.SetPower(std::numeric_limits<int32_t>::min());
  a.SetReverser(7);
  for (int32_t v :
       {std::numeric_limits<int32_t>::min(), -1, 0, std::numeric_limits<int32_t>::max()}) {
    a.KeyDown(v);
    a.KeyUp(v);
    a.HornBlow(v);
    a.SetSignal(v);
    a.SetBeaconData(BeaconRecord{v, v, kNaN, v});
    a.SetKeyState(v, v);
  }
  a.DoorOpen();
  a.DoorClose();
  a.SetKeyState(0x55, 1);
  a.SetKeyState(0xA2, 1);
  a.SetPower(0);
  a.SetBrake(0);
  a.SetReverser(1);
  p.mutablePanel()[84] = p.mutablePanel()[90] = 7;
  StopRun run;
  for (int i = 0; i < 200; ++i) {
    time += 16;
    const HandleRecord h = p.frame(20.0f, static_cast<int32_t>(time));
    checkFrame(h, p, 0, run, i);
    in = in || p.panel()[85] == 1;
    if (i == 10) a.SetKeyState(0xA2, 0);
    if (i == 20) a.SetBeaconData(BeaconRecord{502, 0, 0.0f, word(0, 0, 0, 0)});
    if (i == 30) a.SetBeaconData(BeaconRecord{502, 0, 0.0f, word(0, 1, 0, 0)});
    if (i == 40) a.SetBeaconData(BeaconRecord{400, 0, 0.0f, 0});
  }
  a.SetKeyState(0x55, 0);
  a.Dispose();
  EXPECT_EQ(run.fault, "");
  return time;
}

TEST(BadInput, CallOrder) {
  TempFolder folder;
  const StopRun defaults = runIn(folder.path());
  const struct {
    const char* name;
    int initializeBefore;  // Initialize calls before the exports
  } rows[] = {{"every export before Initialize", 0}, {"every export after a second Initialize", 2}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    LoadedPlugin plugin(folder.path(),
                        std::string("c") + std::to_string(row.initializeBefore) + ".so");
    bool inService = false;
    uint32_t time = 0;
    EXPECT_NO_THROW({
      for (int i = 0; i < row.initializeBefore; ++i) plugin.api().Initialize(i);
      time = everyExport(plugin, time, inService);
    });
    EXPECT_EQ(inService, row.initializeBefore > 0) << "lamp 85 shows Initialize";
    StopRun r;
    EXPECT_NO_THROW(r = runStop(plugin, {}, time));
    EXPECT_EQ(r.fault, "");
    EXPECT_TRUE(r.frames == defaults.frames) << "Initialize starts afresh";
  }
}

}  // namespace
}  // namespace tasc::test
