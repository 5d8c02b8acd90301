#include "sim/simulator.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>

#include "control/beacon.h"
#include "params/profile.h"
#include "params/settings.h"
#include "sim/train.h"

namespace fs = std::filesystem;

namespace tasc::sim {

const char* verdictName(Verdict verdict) {
  switch (verdict) {
    case Verdict::NoPattern:
      return "no pattern";
    case Verdict::NotEvaluated:
      return "not evaluated";
    case Verdict::OnTarget:
      return "on target";
    case Verdict::Short:
      return "short";
    case Verdict::Overrun:
      return "overrun";
    case Verdict::DidNotStop:
      return "did not stop";
  }
  return "?";
}

double patternSpeed(const ParamRecord& r, double distance) {
  double ratio = (distance - r.blendStart) / r.blendLength;
  if (!(ratio >= 0.0)) ratio = 0.0;  // NaN counts as 0
  if (ratio > 1.0) ratio = 1.0;
  const double decel = (r.decelFar - r.decelNear) * ratio + r.decelNear;
  const double x = distance > 0.0 ? distance : 0.0;
  return std::sqrt(x * decel * 7.2);
}

namespace {

constexpr int32_t kKeyUCode = 0x55;
constexpr int32_t kKeyLeftCtrlCode = 0xA2;
constexpr std::size_t kMaxEntry = 259;  // characters of a csvPath.ini value the plug-in reads

std::string readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

fs::path uniqueTempFolder() {
  std::random_device rd;
  std::mt19937_64 gen((static_cast<uint64_t>(rd()) << 32) ^ rd());
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::ostringstream name;
    name << "tasc-sim-" << std::hex << gen();
    fs::path p = fs::temp_directory_path() / name.str();
    std::error_code ec;
    if (fs::create_directory(p, ec)) return p;
  }
  throw HostError("cannot create a run folder under " + fs::temp_directory_path().string());
}

}  // namespace

RunFolder::RunFolder(const fs::path& plugin, const fs::path& vehicleFolder) {
  std::error_code ec;
  if (!fs::is_regular_file(plugin, ec)) throw HostError("no plug-in at " + plugin.string());
  path_ = uniqueTempFolder();
  try {
    module_ = path_ / pluginFileName();
    fs::copy_file(plugin, module_, fs::copy_options::overwrite_existing);
    const fs::path settings = vehicleFolder / "TASC.ini";
    if (fs::is_regular_file(settings, ec)) fs::copy_file(settings, path_ / "TASC.ini");
    const fs::path list = vehicleFolder / "csvPath.ini";
    if (fs::is_regular_file(list, ec)) {
      // The entries the plug-in would read, each made absolute, so that the
      // copy finds the vehicle folder's parameter files from here.
      const std::string text = readFile(list);
      std::ostringstream out;
      out << "[ParamData]\n";
      for (int k = 0; k < kParamFileCount; ++k) {
        const std::string key = std::to_string(k);
        const std::optional<std::string_view> found = profile::findValue(text, "ParamData", key);
        if (!found) continue;
        std::string entry(found->substr(0, kMaxEntry));
        if (entry != "NULL" && !entry.empty()) {
          std::replace(entry.begin(), entry.end(), '\\', '/');
          if (entry.front() != '/') entry = (vehicleFolder / entry).lexically_normal().string();
          if (entry.size() > kMaxEntry) {
            warnings_.push_back("csvPath.ini entry " + key + " is longer than " +
                                std::to_string(kMaxEntry) + " characters as an absolute path");
          }
        }
        out << key << '=' << entry << '\n';
      }
      std::ofstream(path_ / "csvPath.ini", std::ios::binary) << out.str();
    }
  } catch (const fs::filesystem_error& e) {
    fs::remove_all(path_, ec);
    throw HostError(std::string("cannot prepare the run folder: ") + e.what());
  }
}

RunFolder::~RunFolder() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

PluginHost::PluginHost(const fs::path& plugin, const fs::path& vehicleFolder)
    : folder_(plugin, vehicleFolder), shadow_(std::make_unique<TascController>()) {
  module_ = std::make_unique<platform::HostModule>(folder_.modulePath().string().c_str());
  if (!module_->loaded()) {
    throw HostError("cannot load " + plugin.string() + " (not a plug-in module for this system)");
  }
  std::string missing;
  auto bind = [&](auto& fn, const char* name, bool required) {
    fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(module_->find(name));
    if (fn == nullptr && required) missing += std::string(missing.empty() ? "" : ", ") + name;
  };
  bind(api_.Load, "Load", true);
  bind(api_.Dispose, "Dispose", true);
  bind(api_.GetPluginVersion, "GetPluginVersion", true);
  bind(api_.SetVehicleSpec, "SetVehicleSpec", true);
  bind(api_.Initialize, "Initialize", true);
  bind(api_.Elapse, "Elapse", true);
  bind(api_.SetPower, "SetPower", true);
  bind(api_.SetBrake, "SetBrake", true);
  bind(api_.SetReverser, "SetReverser", true);
  bind(api_.SetBeaconData, "SetBeaconData", true);
  bind(api_.SetKeyState, "SetKeyState", false);
  if (!missing.empty()) throw HostError(plugin.string() + ": missing exports: " + missing);
  api_.Load();
  const std::string modulePath = folder_.modulePath().string();
  if (modulePath.size() >= shadow_->modulePath.size()) {
    throw HostError("run folder path too long: " + modulePath);
  }
  std::copy(modulePath.begin(), modulePath.end(), shadow_->modulePath.begin());
}

PluginHost::~PluginHost() {
  if (api_.Dispose) api_.Dispose();
}

void PluginHost::setKey(int32_t vk, bool down) {
  if (api_.SetKeyState) api_.SetKeyState(vk, down ? 1 : 0);
}

RunResult PluginHost::run(const Scenario& s, std::vector<FrameRow>* trace) {
  RunResult result;
  const VehicleModel& v = s.vehicle;

  // A fresh start on a reused instance: keys up, and the HmPtn selection
  // (which Initialize keeps) back at 0, as after loading.
  setKey(kKeyUCode, false);
  setKey(kKeyLeftCtrlCode, false);
  api_.SetBeaconData(BeaconRecord{504, 0, 0.0f, 0});

  api_.SetVehicleSpec(
      VehicleSpecRecord{v.brakeNotches, v.powerNotches, v.brakeNotches, v.brakeNotches, 1});
  api_.Initialize(0);

  // The follower: same settings and files, reset as Initialize resets.
  TascController& shadow = *shadow_;
  applySettings(shadow, (folder_.path() / "TASC.ini").string().c_str());
  shadow.reset();
  shadow.patternSelect = 0;
  bool following = false;  // a stopping beacon has set the plug-in's distance
  double pluginRemaining = 0;

  // The driver: released brake, forward, the scripted power notch.
  int32_t driverPower = s.driver.powerNotch;
  int32_t driverBrake = 0;
  api_.SetReverser(1);
  api_.SetBrake(driverBrake);
  api_.SetPower(driverPower);
  bool powerHandedOff = driverPower == 0;

  Train train(v, s.gradient, s.initialSpeed, s.initialPosition);
  std::size_t nextBeacon = 0;
  const double receiver0 = s.initialPosition - s.receiverOffset;
  while (nextBeacon < s.beacons.size() && s.beacons[nextBeacon].position <= receiver0) ++nextBeacon;
  std::size_t nextEvent = 0;

  const auto maxMs = static_cast<int64_t>(std::llround(s.maxTime * 1000.0));
  const auto settleMs = static_cast<int32_t>(std::llround(s.settleTime * 1000.0));
  const int32_t holdNotch = 4;  // command 16 in the vehicle's numbering

  float storedSpeed = 0.0f;  // what the plug-in holds from the last Elapse
  int32_t storedTime = 0;
  int32_t standingMs = 0;
  int32_t previousOverride = -1;
  double previousAccel = 0;
  bool previousMoving = false;
  int32_t previousLamp86 = 0;
  int32_t previousTimeMs = 0;
  std::vector<int32_t> passedThisFrame;
  passedThisFrame.reserve(8);

  auto fireBeacon = [&](const BeaconSpec& b, int32_t nowMs) {
    api_.SetBeaconData(BeaconRecord{b.type, 0, 0.0f, b.data});
    BeaconPass pass{nowMs, b.position, b.type, b.data, false, 0};
    if (b.type >= 501 && b.type <= 503) {
      if (storedSpeed != 0.0f) {
        shadow.panelLamps[kLampPatternArmed] = 0;
        shadow.onBeacon(b.type - 500, b.data);
        if (shadow.panelLamps[kLampPatternArmed] == 1) {
          pass.accepted = true;
          pass.distance = shadow.remainingDistance;
          pluginRemaining = shadow.remainingDistance;
          following = true;
        }
      }
      if (result.firstBeaconMs < 0) result.firstBeaconMs = nowMs;
    } else if (b.type == 504) {
      shadow.patternSelect = std::clamp(b.data, 0, 3);
    } else if (b.type == 400) {
      shadow.beacon400Toggle = !shadow.beacon400Toggle;
    }
    result.beacons.push_back(pass);
    passedThisFrame.push_back(b.type);
  };

  HandleRecord sent{};
  for (int64_t k = 0;; ++k) {
    const auto nowMs = static_cast<int32_t>(k * 1000 / s.frameRate);
    const int32_t stepMs = nowMs - previousTimeMs;
    passedThisFrame.clear();
    double rxBefore = train.position() - s.receiverOffset;
    if (k > 0) train.advance(stepMs, previousTimeMs);
    const double rxAfter = train.position() - s.receiverOffset;

    // The driver's script up to this moment.
    while (nextEvent < s.driver.events.size() && s.driver.events[nextEvent].timeMs <= nowMs) {
      const DriverEvent& e = s.driver.events[nextEvent++];
      switch (e.action) {
        case DriverAction::Power:
          driverPower = e.value;
          api_.SetPower(e.value);
          break;
        case DriverAction::Brake:
          driverBrake = e.value;
          api_.SetBrake(e.value);
          break;
        case DriverAction::Reverser:
          api_.SetReverser(e.value);
          break;
        case DriverAction::KeyDown:
          setKey(e.value, true);
          break;
        case DriverAction::KeyUp:
          setKey(e.value, false);
          break;
      }
    }
    if (s.driver.powerOffAt && driverPower > 0 && train.position() >= *s.driver.powerOffAt) {
      driverPower = 0;
      api_.SetPower(0);
      powerHandedOff = true;
    }

    // Beacons the receiver passed during this step.
    std::size_t firstPassed = nextBeacon;
    while (nextBeacon < s.beacons.size() && s.beacons[nextBeacon].position <= rxAfter &&
           s.beacons[nextBeacon].position > rxBefore) {
      ++nextBeacon;
    }
    if (s.beaconTiming == BeaconTiming::BeforeElapse) {
      for (std::size_t i = firstPassed; i < nextBeacon; ++i) fireBeacon(s.beacons[i], nowMs);
    }

    VehicleStateRecord state{};
    state.location = train.position();
    state.speed = static_cast<float>(train.speed());
    state.timeMs = nowMs;
    sent = api_.Elapse(state, panel_.data(), sound_.data());
    // The plug-in's frame step and distance, followed.
    const auto diff =
        static_cast<int32_t>(static_cast<uint32_t>(nowMs) - static_cast<uint32_t>(storedTime));
    const int32_t pluginStep = diff > 0 ? diff : 0;
    storedTime = nowMs;
    storedSpeed = state.speed;
    if (following) {
      pluginRemaining -= (static_cast<double>(state.speed) / 3.6) * (pluginStep / 1000.0);
    }
    if (s.beaconTiming == BeaconTiming::AfterElapse) {
      for (std::size_t i = firstPassed; i < nextBeacon; ++i) fireBeacon(s.beacons[i], nowMs);
    }

    // The driver hands off once the plug-in has cut power.
    if (!powerHandedOff && s.driver.handOffAtPowerCut && driverPower > 0 && sent.power == 0) {
      driverPower = 0;
      api_.SetPower(0);
      powerHandedOff = true;
    }
    train.setHandles(sent.brake, sent.power, sent.reverser, nowMs);

    // Measures.
    const bool moving = train.speed() > 0.0;
    const int32_t override =
        sent.constantSpeed == 2 ? decodeBrakeNotch(sent.brake, v.brakeNotches) : -1;
    if (k > 0 && override != previousOverride && result.firstBeaconMs >= 0 && !result.stopped) {
      ++result.brakeChanges;
    }
    previousOverride = override;
    result.peakCommand = std::max(result.peakCommand, override);
    if (k > 0 && moving) {
      result.peakDecel = std::max(result.peakDecel, -train.acceleration());
      if (previousMoving && k > 1 && stepMs > 0) {
        const double jerk = std::fabs(train.acceleration() - previousAccel) / (stepMs / 1000.0);
        result.peakJerk = std::max(result.peakJerk, jerk);
      }
    }
    previousAccel = train.acceleration();
    previousMoving = moving;

    const int32_t lamp86 = panel_[kFirstPanelIndex + 1];
    if (!moving) {
      if (!result.stopped) {
        result.stopped = true;
        result.stopMs = nowMs;
      }
      standingMs += stepMs;
      // The evaluation shows as the pattern lamp going out while standing.
      if (previousLamp86 == 1 && lamp86 == 0 && following) {
        const double d = pluginRemaining;
        result.pluginDistanceAtStop = d;
        if (std::fabs(d) < 1.0) {
          result.verdict = Verdict::OnTarget;
        } else if (d < 5.0 && d > 0.0) {
          result.verdict = Verdict::Short;
        } else if (d < -1.0) {
          result.verdict = Verdict::Overrun;
        }
      }
      if (sent.constantSpeed == 2 && sent.brake == holdNotch) result.holdingBrake = true;
    } else {
      standingMs = 0;
      if (result.stopped) {  // moved off again: the stop was not the last
        result.stopped = false;
        result.holdingBrake = false;
        result.verdict = Verdict::NoPattern;
      }
    }
    previousLamp86 = lamp86;

    if (trace) {
      FrameRow row;
      row.timeMs = nowMs;
      row.position = train.position();
      row.speed = train.speed();
      row.accel = train.acceleration();
      row.trueRemaining = s.stopPoint - train.position();
      row.pluginRemaining = following ? pluginRemaining : std::numeric_limits<double>::quiet_NaN();
      row.patternSpeed = following && lamp86 == 1
                             ? patternSpeed(shadow.activeParam, pluginRemaining)
                             : std::numeric_limits<double>::quiet_NaN();
      row.brakeDecel = train.brakeDecel();
      row.brakeCommand = override;
      row.sent = sent;
      row.driverPower = driverPower;
      row.driverBrake = driverBrake;
      for (int i = 0; i < kPanelLampCount; ++i) {
        row.panel[static_cast<std::size_t>(i)] =
            panel_[static_cast<std::size_t>(kFirstPanelIndex) + static_cast<std::size_t>(i)];
      }
      row.beacon = passedThisFrame.empty() ? 0 : passedThisFrame.back();
      trace->push_back(row);
    }
    result.frames = static_cast<int32_t>(k + 1);
    previousTimeMs = nowMs;

    if (result.stopped && standingMs >= settleMs) {
      result.endReason = "standing";
      break;
    }
    if (train.position() > s.stopPoint + s.overrunLimit) {
      result.endReason = "ran past the overrun limit";
      break;
    }
    if (nowMs >= maxMs) {
      result.endReason = "time limit";
      break;
    }
  }

  result.endMs = previousTimeMs;
  result.stopPosition = train.position();
  result.stopError = s.stopPoint - train.position();
  if (!result.stopped) {
    result.verdict = Verdict::DidNotStop;
  } else if (result.verdict == Verdict::NoPattern && following) {
    result.verdict = Verdict::NotEvaluated;
    result.pluginDistanceAtStop = pluginRemaining;
  }
  setKey(kKeyUCode, false);
  setKey(kKeyLeftCtrlCode, false);
  return result;
}

}  // namespace tasc::sim
