#include "report/replay.h"

#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <random>
#include <sstream>
#include <string>

#include "control/pattern.h"
#include "folder/vehicle_folder.h"
#include "plugin/plugin.h"
#include "system/text.h"
#include "system/tool_system.h"

namespace fs = std::filesystem;

namespace tasc::report {
namespace {

using recording::EventKind;

// The recording's copies of the files beside the plug-in, laid out so that
// the plug-in's own readers find them: TASC.ini and csvPath.ini as recorded,
// except that entry K of the list names the copy pK.csv (a file that was
// missing stays missing). Removed on destruction.
class FileCopies {
 public:
  explicit FileCopies(const recording::Recording& r) {
    std::random_device rd;
    std::mt19937_64 gen((static_cast<uint64_t>(rd()) << 32) ^ rd());
    std::error_code ec;
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
      std::ostringstream name;
      name << "tasc-report-" << std::hex << gen();
      const fs::path p = fs::temp_directory_path(ec) / name.str();
      if (fs::create_directory(p, ec)) path_ = p;
    }
    if (path_.empty()) throw ReplayError("cannot create a folder for the replay");
    bool listPresent = false;
    std::string list = "[ParamData]\n";
    for (const recording::CopiedFile& f : r.files) {
      if (f.role == "settings" && f.present) write("TASC.ini", f.contents);
      if (f.role == "list") listPresent = f.present;
      if (f.role != "param") continue;
      const std::string name = "p" + std::to_string(f.index) + ".csv";
      list += std::to_string(f.index) + "=" + name + "\n";
      if (f.present) write(name, f.contents);
    }
    if (listPresent) write("csvPath.ini", list);
  }
  ~FileCopies() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  FileCopies(const FileCopies&) = delete;
  FileCopies& operator=(const FileCopies&) = delete;
  fs::path module() const { return path_ / platform::pluginFileName(); }

 private:
  void write(const std::string& name, const std::string& contents) {
    std::ofstream out(path_ / name, std::ios::binary);
    out << contents;
    if (!out) throw ReplayError("cannot write " + platform::utf8Of(path_ / name));
  }
  fs::path path_;
};

BeaconCall beaconCall(plugin::Module& m, const recording::PlacedEvent& e) {
  const TascController& c = m.controller;
  BeaconCall b;
  b.framesBefore = e.framesBefore;
  b.type = e.row.args[0];
  b.data = e.row.args[2];
  const BeaconDecision d =
      m.setBeaconData(BeaconRecord{b.type, e.row.args[1], e.row.distance, b.data});
  b.outcome = d.outcome;
  b.formationId = c.formationId;
  if (d.accepted()) {
    b.distance = d.distance;
    b.recordFound = d.tableIndex >= 0;
    b.tableEntry = d.tableEntry;
    b.patternSpeed = patternSpeedAt(c.activeParam, c.remainingDistance);
  }
  return b;
}

void replayEvent(plugin::Module& m, const recording::PlacedEvent& e, Replay& out) {
  const auto& a = e.row.args;
  switch (e.row.kind) {
    case EventKind::Vehicle:
      m.setVehicleSpec(VehicleSpecRecord{a[0], a[1], a[2], a[3], a[4]});
      break;
    case EventKind::Brake:
      m.setDriverHandle(kDriverBrake, a[0]);
      break;
    case EventKind::Power:
      m.setDriverHandle(kDriverPower, a[0]);
      break;
    case EventKind::Reverser:
      m.setDriverHandle(kDriverReverser, a[0]);
      break;
    case EventKind::Beacon:
      out.beacons.push_back(beaconCall(m, e));
      break;
    case EventKind::KeyState:
      m.setKeyState(a[0], a[1] != 0);
      break;
    default:  // the plug-in does nothing on the other calls
      break;
  }
}

bool agrees(const recording::FrameRow& f, const HandleRecord& h,
            const std::array<int32_t, 256>& p) {
  bool same = f.handles[0] == h.brake && f.handles[1] == h.power && f.handles[2] == h.reverser &&
              f.handles[3] == h.constantSpeed;
  for (std::size_t i = 0; f.hasPanel && i < f.panel.size(); ++i) {
    same = same && f.panel[i] == p[kFirstPanelIndex + i];
  }
  return same;
}

}  // namespace

Replay replay(const recording::Recording& r) {
  const FileCopies copies(r);
  auto m = std::make_unique<plugin::Module>();
  const std::string modulePath = folder::pluginPath(copies.module()).value_or("");
  m->attach(modulePath.c_str());
  if (r.vehicle) {
    const auto& v = *r.vehicle;
    m->setVehicleSpec(VehicleSpecRecord{v[0], v[1], v[2], v[3], v[4]});
  }
  m->initialize();
  Replay out;
  out.b7Dec = m->controller.b7Dec;
  out.frames.resize(r.frames.size());
  std::array<int32_t, 256> panel{};
  std::size_t next = 0;
  const TascController& c = m->controller;
  constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
  for (std::size_t k = 0; k < r.frames.size(); ++k) {
    platform::stopIfInterrupted();  // Ctrl-C: the copies go with the destructors
    for (; next < r.events.size() && r.events[next].framesBefore <= k; ++next) {
      replayEvent(*m, r.events[next], out);
    }
    const recording::FrameRow& f = r.frames[k];
    VehicleStateRecord state{};
    state.location = f.location;
    state.speed = f.speed;
    state.timeMs = f.timeMs;
    static_assert(sizeof state.reserved == sizeof f.reserved);
    std::memcpy(state.reserved, f.reserved.data(), sizeof state.reserved);
    const HandleRecord h = m->elapse(state, panel.data());
    if (!agrees(f, h, panel) && out.disagreements++ == 0) out.firstDisagreement = k;
    ReplayFrame& rf = out.frames[k];
    rf.remaining = c.remainingDistance;
    rf.patternSpeed = c.panelLamps[kLampPatternArmed] == 1
                          ? patternSpeedAt(c.activeParam, c.remainingDistance)
                          : kNone;
    rf.command = c.brakeCommand;
    rf.stopResult = c.stopResult;
    rf.lowSpeed = c.lowSpeedMode;
  }
  for (; next < r.events.size(); ++next) replayEvent(*m, r.events[next], out);
  return out;
}

}  // namespace tasc::report
