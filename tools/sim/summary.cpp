#include "sim/summary.h"

#include <cstdio>
#include <filesystem>

#include "control/beacon.h"
#include "engine/scenario_reach.h"
#include "engine/stop_measures.h"
#include "system/text.h"

namespace tasc::sim {
namespace {

namespace fs = std::filesystem;
using engine::BeaconPass;
using engine::Verdict;
using engine::verdictName;

// printf into a string; a line of a summary is far below 512 bytes.
std::string fmt(const char* format, auto... args) {
  char buffer[512];
  const int n = std::snprintf(buffer, sizeof buffer, format, args...);
  return n < 0 ? std::string() : std::string(buffer);
}

std::string fieldsText(int32_t data) {
  const BeaconWord w = decodeBeaconWord(data);
  return fmt("word %d (code %d, formation %d, record %d, file %d, sub %d%s)", data, w.distanceCode,
             w.formationCode, w.recordCode, w.fileIndex, w.subCode,
             (static_cast<uint32_t>(data) >> 23) != 0 ? ", bits above 22 not read" : "");
}

// The file an entry names, as `tasc check` shows it.
std::string entryText(int32_t entry, const check::Findings* folder) {
  if (folder != nullptr) {
    for (const check::EntryFinding& e : folder->entries) {
      if (e.index == entry) return fmt("entry %d, %s", entry, e.path.c_str());
    }
  }
  return fmt("entry %d", entry);
}

// What the plug-in made of one beacon.
std::string beaconEffect(const BeaconPass& b, const RunResult& r, const check::Findings* folder) {
  const BeaconWord w = decodeBeaconWord(b.data);
  switch (b.outcome) {
    case BeaconOutcome::Accepted: {
      std::string out = fmt("record %d/%d ", w.recordCode, w.subCode);
      out += b.tableIndex >= 0
                 ? fmt("found at table[%d]", b.tableIndex)
                 : std::string("not in the table: the default record with these keys");
      out += " of " + entryText(b.tableEntry, folder);
      out += fmt("; distance %.3f m", b.distance);
      if (b.loadsEntry >= 0) out += "; then reads " + entryText(b.loadsEntry, folder);
      return out;
    }
    case BeaconOutcome::Standing:
      return "ignored: the train was standing";
    case BeaconOutcome::WrongFormation:
      return fmt("ignored: formation %d is not FormationID %d", w.formationCode, r.formationId);
    case BeaconOutcome::HmPtnFiltered:
      return "ignored: the record in force has the HmPtn flag of the selected pattern "
             "(EnableHmPtn)";
    case BeaconOutcome::Toggled400:
      return "switches the stop-here flag";
    case BeaconOutcome::PatternSelected:
      return fmt("selects HmPtn pattern %d", b.data < 0 ? 0 : b.data > 3 ? 3 : b.data);
    case BeaconOutcome::NotABeacon:
      break;
  }
  return "ignored: not a beacon type the plug-in reads";
}

std::string beaconLines(const RunResult& r, const check::Findings* folder) {
  if (r.beacons.empty()) return "beacons       none passed\n";
  std::string out;
  for (const BeaconPass& b : r.beacons) {
    out +=
        fmt("%s %d at %.1f m", out.empty() ? "beacons      " : "             ", b.type, b.position);
    if (b.type >= 501 && b.type <= 503) out += ": " + fieldsText(b.data);
    out += "\n               -> " + beaconEffect(b, r, folder);
    if (b.lamp >= 0 && b.lamp == b.ownLamp && b.accepted()) {
      out += fmt("; panel 86 %s", b.lamp ? "lit" : "dark");
    } else if (b.lamp >= 0 && b.lamp != b.ownLamp) {
      out +=
          fmt("; but the loaded plug-in's panel 86 is %s where its own "
              "code has it %s: they disagree",
              b.lamp ? "lit" : "dark", b.ownLamp ? "lit" : "dark");
    }
    out += "\n";
  }
  return out;
}

std::string brakeLines(const Scenario& s, const RunResult& r) {
  std::string out = fmt("brake         %d command changes, strongest %d quarter notches",
                        r.brakeChanges, r.peakCommanded < 0 ? 0 : r.peakCommanded);
  if (r.peakCommanded > 0) out += fmt(" sent as notch %d", r.peakSentNotch);
  out += "\n";
  if (r.framesBeyond > 0) {
    out +=
        fmt("              %d frames sent a notch this vehicle lacks (%d service notches): the "
            "simulator applies the emergency brake for it\n",
            r.framesBeyond, s.vehicle.brakeNotches);
  }
  return out;
}

// Whether notch 7 could stop the train from where it passed the far beacon,
// and the speeds the layout serves at the scenario's gradient.
std::string reachLines(const Scenario& s, const RunResult& r) {
  std::string out;
  const model::Reach& reach = r.reach;
  if (reach.cannotBeMade()) {
    out += "cannot be made " +
           engine::reachAdvice(reach, s.receiverOffset, engine::entryLimit(s, reach.limitSpeed)) +
           "\n";
  } else if (reach.known) {
    out +=
        fmt("reach         %.1f km/h at the %d beacon: notch 7 needs %.1f m of the %.1f m it "
            "gives\n",
            reach.speed, reach.beacon, reach.needed, reach.given);
  }
  for (const engine::GradientLimit& l : engine::layoutLimits(s)) {
    out +=
        fmt("layout        at %+.1f per mille the %d beacon serves up to %.1f km/h there "
            "(entry up to %.1f km/h)\n",
            l.gradient, reach.beacon != 0 ? reach.beacon : engine::farBeacon(s)->type, l.farSpeed,
            l.entrySpeed);
  }
  return out;
}

}  // namespace

std::string layoutLines(const Scenario& s) {
  const engine::BeaconEntry* far = engine::farBeacon(s);
  if (far == nullptr) return {};
  std::string out;
  if (!s.sweep.empty()) {
    const Scenario slow = engine::slowestCase(s);
    out +=
        fmt("layout        for the sweep's slowest brake and largest offset (dead %.2f s, lag "
            "%.2f s, offset %.2f m):\n",
            slow.vehicle.brakeDeadTime, slow.vehicle.brakeTimeConstant, slow.receiverOffset);
  }
  for (const engine::GradientLimit& l : engine::layoutLimits(s)) {
    out +=
        fmt("%s at %+.1f per mille the %d beacon serves up to %.1f km/h there (entry up to "
            "%.1f km/h)\n",
            out.empty() ? "layout       " : "             ", l.gradient, far->type, l.farSpeed,
            l.entrySpeed);
  }
  return out;
}

std::string recordWarnings(const Scenario& s, const RunResult& r, const check::Findings* folder) {
  std::string out;
  for (const BeaconPass& b : r.beacons) {
    if (!b.accepted() || b.tableIndex >= 0) continue;
    const BeaconWord w = decodeBeaconWord(b.data);
    int32_t line = 0;  // the beacon's line in the scenario
    for (const engine::BeaconEntry& entry : s.beacons) {
      if (entry.type == b.type && entry.position == b.position) line = entry.line;
    }
    out +=
        fmt("warning       %s:%d: beacon %d at %.1f m: record %d/%d is not in the table of %s: "
            "the plug-in uses the default record with these keys\n",
            platform::utf8Of(s.file.filename()).c_str(), line, b.type, b.position, w.recordCode,
            w.subCode, entryText(b.tableEntry, folder).c_str());
  }
  return out;
}

std::string reachWarning(const Scenario& s) {
  const model::Reach expected = engine::expectedReach(s);
  if (!expected.cannotBeMade()) return {};
  return fmt("warning       %s: cannot be made: expected ",
             platform::utf8Of(s.file.filename()).c_str()) +
         engine::reachAdvice(expected, s.receiverOffset,
                             engine::entryLimit(s, expected.limitSpeed)) +
         "\n";
}

std::string stopBand(const RunResult& r) {
  return r.stopped ? engine::stopBand(r.stopError) : "did not stop: " + r.endReason;
}

std::string folderLines(const Scenario& s, const check::Findings& folder) {
  std::string out =
      fmt("vehicle folder %d warning%s, %d error%s", folder.warnings,
          folder.warnings == 1 ? "" : "s", folder.errors, folder.errors == 1 ? "" : "s");
  if (folder.warnings + folder.errors > 0) {
    std::error_code ec;
    const fs::path shown = fs::proximate(s.vehicleFolder, ec);
    out += "; `tasc check " + platform::utf8Of(ec ? s.vehicleFolder : shown) + "` for details";
  }
  out += "\n";
  for (const check::Message& m : folder.messages) {
    if (m.severity != check::Severity::Error) continue;
    out += fmt("  %s%s: error: %s\n", m.file.c_str(), m.line > 0 ? fmt(":%d", m.line).c_str() : "",
               m.text.c_str());
  }
  for (const std::string& w : s.warnings) out += "warning       " + w + "\n";
  return out;
}

std::string formatSummary(const Scenario& s, const RunResult& r, const check::Findings* folder) {
  std::string out;
  out += fmt("scenario      %s (%s)\n", s.name.c_str(), platform::utf8Of(s.file).c_str());
  if (folder != nullptr) out += folderLines(s, *folder);
  out += recordWarnings(s, r, folder);
  out += reachWarning(s);
  out += fmt("stop error    %+.3f m  (%s%s)\n", r.stopError, stopBand(r).c_str(),
             r.stopped ? "; positive short, negative overrun" : "");
  std::string verdict = verdictName(r.verdict);
  if (r.verdict == Verdict::OnTarget || r.verdict == Verdict::Short ||
      r.verdict == Verdict::Overrun || r.verdict == Verdict::NotEvaluated) {
    verdict += fmt(" (plug-in's own distance %+.3f m", r.pluginDistanceAtStop);
    verdict += r.holdingBrake ? "; holding brake applied)" : "; no holding brake)";
  }
  out += fmt("plug-in says  %s\n", verdict.c_str());
  out += reachLines(s, r);
  if (r.disagreements > 0) {
    out +=
        fmt("follower      the loaded plug-in and its own code disagree in %d frames, the first "
            "at %.3f s: is the module this build's plug-in?\n",
            r.disagreements, r.firstDisagreeMs / 1000.0);
  }
  if (r.firstBeaconMs >= 0 && r.stopMs >= 0) {
    out += fmt("time          %.2f s from the first beacon to the stop\n",
               (r.stopMs - r.firstBeaconMs) / 1000.0);
  }
  out += brakeLines(s, r);
  out += fmt("comfort       peak deceleration %.2f km/h/s, peak jerk %.2f km/h/s^2\n", r.peakDecel,
             r.peakJerk);
  out += beaconLines(r, folder);
  return out;
}

}  // namespace tasc::sim
