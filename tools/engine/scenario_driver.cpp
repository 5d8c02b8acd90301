// The scenario's [driver]: the power notch held from the start, its hand-off,
// and the scripted handle moves and key presses.
#include <algorithm>
#include <cctype>

#include "abi/host_records.h"
#include "engine/scenario_reader.h"

namespace tasc::engine::detail {
namespace {

int32_t keyCode(Reader& r, std::string_view key, const std::string& name) {
  std::string lower;
  for (char c : name)
    lower.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  if (lower == "u") return kKeyU;
  if (lower == "lctrl" || lower == "left_ctrl" || lower == "ctrl") return kKeyLeftCtrl;
  r.fail(r.table().get(key), key, "unknown key name \"" + name + "\" (use \"U\" or \"LCtrl\")");
}

// One scripted event: a handle move or a key held for a while.
void readEvent(Reader& e, const VehicleModel& v, DriverScript& d) {
  const std::size_t faultsBefore = e.faults().lines.size();
  const int32_t at = toMs(e.required("at", 0, 86400));
  int actions = 0;
  if (const std::optional<std::string> key = e.string("key")) {
    ++actions;
    const int32_t vk = keyCode(e, "key", *key);
    const int32_t hold = toMs(e.required("hold", 0.001, 86400));
    d.events.push_back({at, DriverAction::KeyDown, vk});
    d.events.push_back({at + hold, DriverAction::KeyUp, vk});
  }
  if (const auto rev = e.integer("reverser", -1, 1)) {
    ++actions;
    d.events.push_back({at, DriverAction::Reverser, static_cast<int32_t>(*rev)});
  }
  if (const auto p = e.integer("power", 0, v.powerNotches)) {
    ++actions;
    d.events.push_back({at, DriverAction::Power, static_cast<int32_t>(*p)});
  }
  if (const auto b = e.integer("brake", 0, v.brakeNotches + 1)) {
    ++actions;
    d.events.push_back({at, DriverAction::Brake, static_cast<int32_t>(*b)});
  }
  // A bad value was said already; the count would only repeat it.
  if (actions != 1 && e.faults().lines.size() == faultsBefore) {
    e.fail(nullptr, "", "an event needs exactly one of key (with hold), reverser, power, brake");
  }
  e.finish();
}

}  // namespace

DriverScript readDriver(Reader& r, const VehicleModel& v) {
  DriverScript d;
  d.powerNotch = static_cast<int32_t>(r.integer("power_notch", 0, v.powerNotches).value_or(0));
  d.powerOffAt = r.number("power_off_at", -1e7, 1e7);
  d.handOffAtPowerCut = r.boolean("hand_off_at_power_cut").value_or(true);
  if (const toml::array* events = r.tableArray("event")) {
    int index = 0;
    for (const toml::node& n : *events) {
      Reader e(*n.as_table(), r.full("event[" + std::to_string(index++) + "]"), r.faults());
      guarded([&] { readEvent(e, v, d); });
    }
  }
  std::stable_sort(d.events.begin(), d.events.end(),
                   [](const DriverEvent& a, const DriverEvent& b) { return a.timeMs < b.timeMs; });
  r.finish();
  return d;
}

}  // namespace tasc::engine::detail
