// Bad input through the exports: the built module in a vehicle folder with
// broken files, odd values and odd host calls. Every frame's handle record is
// checked: the driver's brake stands, or the override is a notch of 1..28
// quarter notches (1..7, 11..31); power is the driver's or cut.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "control/beacon.h"
#include "support/train.h"
#include "support/vehicle_folder.h"

namespace tasc::test {
namespace {

namespace fs = std::filesystem;
constexpr double kStopPoint = 400.0;
constexpr float kInf = std::numeric_limits<float>::infinity();
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
// What the host reports in frame i (k = frames since the 503 beacon, -1
// before): the speed, and the step added to the host's clock.
struct Host {
  std::function<float(int k, double trainSpeed)> speed = [](int, double s) {
    return static_cast<float>(s);
  };
  std::function<int64_t(int k, int64_t step)> clock = [](int, int64_t s) { return s; };
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
  SimpleTrain train;
  train.speed = train.cruiseSpeed = 45.0;
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
    const int k = run.at503 < 0 ? -1 : i - run.at503;
    clock += static_cast<uint32_t>(host.clock(k, step));  // wraps as the host's clock does
    const HandleRecord h = plugin.frame(host.speed(k, train.speed), static_cast<int32_t>(clock));
    checkFrame(h, plugin, power, run, i);
    Frame f{h.brake, h.power, h.constantSpeed, {}};
    for (int j = 0; j < 5; ++j) f.panel[j] = plugin.panel()[85 + j];
    run.frames.push_back(f);
    if (h.power == 0) api.SetPower(power = 0);
    train.step(static_cast<double>(step) / 1000.0, h.brake, h.power);
    for (auto& b : beacons) {
      if (!b.passed && train.position >= b.at) {
        b.passed = true;
        if (b.type == 503) run.at503 = i;
        if (b.type == 502) run.at502 = i;
        api.SetBeaconData(BeaconRecord{b.type, 0, 0.0f, word(0, 1, 1, 0)});
      }
    }
  }
  run.finalSpeed = train.speed;
  run.stopError = kStopPoint - train.position;
  return run;
}

StopRun runIn(const fs::path& folder, const Host& host = {}) {
  LoadedPlugin plugin(folder);
  StopRun run;
  EXPECT_NO_THROW(run = runStop(plugin, host));
  return run;
}

// What a row expects of the run.
enum class Expect {
  Defaults,         // the same frames as a vehicle folder without any file
  AsFile,           // the same frames as the group's well-formed files
  NoPattern,        // no beacon accepted: lamp 86 never lit, no cut, no override
  NeverBrakes,      // the pattern is armed but never cuts power nor brakes
  Brakes,           // power cut, brake override, the train stops
  StepsCapped,      // override notches only 2, 4 and 7, notch 7 among them
  FirstNotch7,      // the first override is notch 7 (full service brake)
  LostUntil502,     // no power cut before the 502 beacon, braking after it
  PatternStaysLit,  // no time passes: no stop is evaluated, lamp 86 lit at the end
  BrakesLate        // power cut and override come more than 1 s after those of the defaults
};

void checkExpect(const StopRun& r, Expect e, const StopRun& defaults, const StopRun& good,
                 const std::string& name) {
  SCOPED_TRACE(name);
  EXPECT_EQ(r.fault, "");
  int firstCut = -1, firstOverride = -1;
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
  switch (e) {
    case Expect::Defaults:
      EXPECT_TRUE(r.frames == defaults.frames);
      break;
    case Expect::AsFile:
      EXPECT_TRUE(r.frames == good.frames);
      break;
    case Expect::NoPattern:
      EXPECT_FALSE(armed);
      [[fallthrough]];
    case Expect::NeverBrakes:
      EXPECT_TRUE(armed || e == Expect::NoPattern);
      EXPECT_EQ(firstCut, -1);
      EXPECT_EQ(firstOverride, -1);
      break;
    case Expect::Brakes:
      EXPECT_GE(firstCut, 0);
      EXPECT_GE(firstOverride, 0);
      EXPECT_EQ(r.finalSpeed, 0.0);
      break;
    case Expect::StepsCapped:
      EXPECT_TRUE(notch7 && onlyCapped);
      break;
    case Expect::FirstNotch7:
      ASSERT_GE(firstOverride, 0);
      EXPECT_EQ(r.frames[static_cast<std::size_t>(firstOverride)].brake, 7);
      break;
    case Expect::LostUntil502:
      EXPECT_GT(firstCut, r.at502);
      EXPECT_GE(firstOverride, 0);
      break;
    case Expect::BrakesLate: {
      int defaultCut = 0;
      while (defaults.frames[static_cast<std::size_t>(defaultCut)].power != 0) ++defaultCut;
      EXPECT_GT(firstCut, defaultCut + 60);
      EXPECT_GE(firstOverride, firstCut);
      break;
    }
    case Expect::PatternStaysLit:
      EXPECT_EQ(r.frames.back().panel[1], 1);
      break;
  }
}

enum class Form { Text, Missing, Directory, LinkLoop, DevZero };

void place(const fs::path& target, Form form, const std::string& content) {
  fs::create_directories(target.parent_path());
  switch (form) {
    case Form::Missing:
      break;
    case Form::Text: {
      FILE* f = std::fopen(target.c_str(), "wb");
      std::fwrite(content.data(), 1, content.size(), f);
      std::fclose(f);
      break;
    }
    case Form::Directory:
      fs::create_directories(target / "x");
      break;
    case Form::LinkLoop:
      fs::create_symlink(target.filename(), target);
      break;
    case Form::DevZero:
      fs::create_symlink("/dev/zero", target);
      break;
  }
}

std::string garbage(std::size_t n) {
  std::mt19937 gen(12345);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(gen() & 0xFF);
  return s;
}

struct FileRow {
  std::string name;
  Form form;
  std::string content;
  Expect expect;
};

// Runs the rows of one group: `file` varies, `others` are written as they are.
// Every file first gets the rows of a file that cannot be read: it reads as
// missing, and the defaults hold.
void runFileRows(const char* file, const std::vector<std::pair<const char*, std::string>>& others,
                 const std::string& goodContent, std::vector<FileRow> rows) {
  const std::vector<FileRow> unreadable = {
      {"missing", Form::Missing, "", Expect::Defaults},
      {"empty", Form::Text, "", Expect::Defaults},
      {"a directory", Form::Directory, "", Expect::Defaults},
      {"a link to itself", Form::LinkLoop, "", Expect::Defaults},
      {"a link to /dev/zero", Form::DevZero, "", Expect::Defaults},
      {"binary garbage", Form::Text, garbage(65536), Expect::Defaults},
  };
  rows.insert(rows.begin(), unreadable.begin(), unreadable.end());
  TempFolder empty;
  const StopRun defaults = runIn(empty.path());
  TempFolder good;
  for (const auto& [n, c] : others) good.write(n, c);
  good.write(file, goodContent);
  const StopRun asFile = runIn(good.path());
  ASSERT_FALSE(defaults.frames == asFile.frames) << "the good files must change the stop";
  EXPECT_LT(std::fabs(defaults.stopError), 1.0) << "the default record stops on the point";
  EXPECT_LT(std::fabs(asFile.stopError), 1.0) << "so do the good files: " << asFile.stopError;
  for (const FileRow& row : rows) {
    TempFolder folder;
    for (const auto& [n, c] : others) folder.write(n, c);
    place(folder.path() / file, row.form, row.content);
    checkExpect(runIn(folder.path()), row.expect, defaults, asFile, row.name);
  }
}

std::string b7(const std::string& v) {
  return "[TASCPtn]\nB7Dec=" + v + "\n";
}

TEST(BadInput, SettingsFile) {
  using E = Expect;
  using F = Form;
  runFileRows(
      "TASC.ini", {}, b7("4.2"),
      {
          {"a megabyte line before the section", F::Text,
           "x=" + std::string(1 << 20, 'x') + "\n" + b7("4.2"), E::AsFile},
          {"B7Dec of a megabyte: first 7 characters", F::Text,
           b7("4.2" + std::string(1 << 20, '0')), E::AsFile},
          {"B7Dec 0", F::Text, b7("0"), E::Defaults},
          {"B7Dec negative", F::Text, b7("-3.36"), E::Defaults},
          {"B7Dec text", F::Text, b7("abc"), E::Defaults},
          {"B7Dec empty", F::Text, b7(""), E::Defaults},
          {"B7Dec inf", F::Text, b7("inf"), E::Defaults},
          {"B7Dec nan", F::Text, b7("nan"), E::Defaults},
          {"B7Dec 1e999 (overflow)", F::Text, b7("1e999"), E::Defaults},
          {"B7Dec 1e-999 (underflow to 0)", F::Text, b7("1e-999"), E::Defaults},
          {"B7Dec 1e-300: steps capped at notch 7", F::Text, b7("1e-300"), E::StepsCapped},
          {"B7Dec 1: half step past 28 capped", F::Text, b7("1"), E::Brakes},
          {"FormationID past 32 bits", F::Text, "[TASCPtn]\nFormationID=99999999999\n",
           E::NoPattern},
          {"FormationID 4294967297 wraps to 1", F::Text, "[TASCPtn]\nFormationID=4294967297\n",
           E::Defaults},
          {"FormationID -1", F::Text, "[TASCPtn]\nFormationID=-1\n", E::NoPattern},
          {"EnableHmPtn past 32 bits", F::Text, "[HmPtn]\nEnableHmPtn=99999999999\n", E::Defaults},
      });
}

const std::string kList = "[ParamData]\n0=p.csv\n";

// Lines of 64 KiB only: every Initialize reads the list once per key, 64 times.
TEST(BadInput, ListFile) {
  using E = Expect;
  using F = Form;
  runFileRows(
      "csvPath.ini", {{"p.csv", kSoft}}, kList,
      {
          {"a 64 KiB entry 63", F::Text, kList + "63=" + std::string(1 << 16, 'x'), E::AsFile},
          {"entry 0 of 64 KiB", F::Text, "[ParamData]\n0=" + std::string(1 << 16, 'p'),
           E::Defaults},
          {"key 00", F::Text, "[ParamData]\n00=p.csv\n", E::Defaults},
          {"keys -1, 64, past 32 bits", F::Text,
           "[ParamData]\n-1=p.csv\n64=p.csv\n99999999999=p.csv\n", E::Defaults},
          {"entry 0 empty (the folder)", F::Text, "[ParamData]\n0=\n", E::Defaults},
          {"entry 0 /dev/zero", F::Text, "[ParamData]\n0=/dev/zero\n", E::Defaults},
      });
}

std::string rec(const std::string& fields) {
  return "1,0," + fields + "\n";
}

TEST(BadInput, ParameterFile) {
  using E = Expect;
  using F = Form;
  std::string million;
  for (int i = 0; i < 999'999; ++i) million += "9,9\n";
  runFileRows(
      "p.csv", {{"csvPath.ini", kList}}, kSoft,
      {
          {"a million lines, the record last", F::Text, million + kSoft, E::AsFile},
          {"a megabyte line before the record", F::Text, std::string(1 << 20, 'x') + "\n" + kSoft,
           E::AsFile},
          {"a megabyte of leading zeros in recordId", F::Text, std::string(1 << 20, '0') + kSoft,
           E::AsFile},
          {"recordId past 32 bits", F::Text, "99999999999" + kSoft.substr(1), E::Defaults},
          {"recordId -1", F::Text, "-" + kSoft, E::Defaults},
          {"subId -1", F::Text, "1,-1" + kSoft.substr(3), E::Defaults},
          {"every decimal 1e999", F::Text,
           rec("1e999,1e999,1e999,1e999,1e999,1e999,1e999,1e999,1e999"), E::Defaults},
          {"every decimal 1e-999", F::Text,
           rec("1e-999,1e-999,1e-999,1e-999,1e-999,1e-999,1e-999,1e-999,1e-999"), E::Defaults},
          {"flags past 32 bits", F::Text,
           rec("3.5,2.5,1.5,0.5,0.1,2.6,2.2,50,1,99999999999,99999999999,9e99,1e9999"),
           E::Defaults},
          {"decelerations 0", F::Text, rec("3.5,2.5,1.5,0.5,0.1,0,0"), E::FirstNotch7},
          {"decelerations negative", F::Text, rec("3.5,2.5,1.5,0.5,0.1,-2.6,-2.2"), E::BrakesLate},
          {"decelerations NaN", F::Text, rec("3.5,2.5,1.5,0.5,0.1,nan,nan"), E::NeverBrakes},
          {"decelerations inf", F::Text, rec("3.5,2.5,1.5,0.5,0.1,inf,inf"), E::NeverBrakes},
          {"decelerations 1e6: steps capped", F::Text, rec("3.5,2.5,1.5,0.5,0.1,1e6,1e6"),
           E::StepsCapped},
          {"lead times 0", F::Text, rec("0,0,0,0,0"), E::Brakes},
          {"lead times negative", F::Text, rec("-1,-1,-1,-1,-1"), E::Brakes},
          {"lead times NaN", F::Text, rec("nan,nan,nan,nan,nan"), E::NeverBrakes},
          {"lead times inf", F::Text, rec("inf,inf,inf,inf,inf"), E::NeverBrakes},
          {"lead times -inf", F::Text, rec("-inf,-inf,-inf,-inf,-inf"), E::NeverBrakes},
          {"blend length 0", F::Text, rec("3.5,2.5,1.5,0.5,0.1,2.6,2.2,0"), E::Brakes},
      });
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
  good.write("TASC.ini", b7("4.2"));
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
  using E = Expect;
  auto always = [](float v) { return [v](int, double) { return v; }; };
  auto once = [](float v) {
    return [v](int k, double s) { return k == 1 ? v : static_cast<float>(s); };
  };
  auto rate = [](int64_t step) { return [step](int, int64_t) { return step; }; };
  const struct {
    const char* name;
    Host host;
    Expect expect;
    uint32_t t0;
  } rows[] = {
      {"NaN in every frame", {always(kNaN)}, E::NeverBrakes, 0},
      {"+inf in every frame", {always(kInf)}, E::NeverBrakes, 0},
      {"-inf in every frame", {always(-kInf)}, E::NeverBrakes, 0},
      {"rolling back at 45 km/h", {always(-45.0f)}, E::NeverBrakes, 0},
      {"0 in every frame: beacons need a moving train", {always(0.0f)}, E::NoPattern, 0},
      {"NaN once after the 503 beacon", {once(kNaN)}, E::LostUntil502, 0},
      {"-inf once after the 503 beacon", {once(-kInf)}, E::LostUntil502, 0},
      {"+inf once after the 503 beacon", {once(kInf)}, E::FirstNotch7, 0},
      {"time running backwards", {Host{}.speed, rate(-16)}, E::PatternStaysLit, 0},
      {"time standing still", {Host{}.speed, rate(0)}, E::PatternStaysLit, 0},
      {"time jumping 3 days after the 503 beacon",
       {Host{}.speed, [](int k, int64_t s) { return k == 1 ? int64_t{259'200'000} : s; }},
       E::FirstNotch7,
       0},
      {"time jumping back 10 s once",
       {Host{}.speed, [](int k, int64_t s) { return k == 1 ? int64_t{-10'000} : s; }},
       E::Brakes,
       0},
      {"time wrapping past 2^31 ms", {}, E::Defaults, 2147483647u - 20000u},
  };
  TempFolder folder;
  const StopRun defaults = runIn(folder.path());
  for (const auto& row : rows) {
    LoadedPlugin plugin(folder.path(), std::string("m") + std::to_string(&row - rows) + ".so");
    StopRun r;
    EXPECT_NO_THROW(r = runStop(plugin, row.host, row.t0));
    checkExpect(r, row.expect, defaults, defaults, row.name);
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
