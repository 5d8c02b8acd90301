#include "fit/segments.h"

#include <cmath>

#include "model/train.h"

namespace tasc::fit {
namespace {

// A segment this short holds too little of the brake's response to fit; one
// this long is no stop approach (and keeps its times far from overflow).
constexpr int64_t kMinimumMs = 1000;
constexpr int64_t kMaximumMs = 600000;

struct Frames {
  std::size_t first = 0;       // the frame before the brake went on
  std::size_t standstill = 0;  // the first frame at rest
};

// Why the braking before `standstill` cannot be used, or empty. The braking
// reaches back over released stretches to the first application since the
// previous stop, the last traction or a frame step that is not positive;
// `first` is set to the frame before it, which has the brake released.
std::string findStart(const recording::Recording& r, std::size_t from, std::size_t standstill,
                      int32_t notches, std::size_t& first) {
  std::size_t k = standstill;
  std::size_t applied = standstill;  // the first frame with the brake on
  while (k > from) {
    const recording::FrameRow& f = r.frames[k - 1];
    if (f.handles[1] > 0 || r.frames[k].stepMs <= 0) break;
    if (!std::isfinite(f.speed)) return "a speed that is no finite number";
    const int32_t quarters = model::decodeBrakeNotch(f.handles[0], notches);
    if (quarters < 0) return "the emergency brake was applied";
    if (quarters > 0) applied = k - 1;
    --k;
  }
  if (applied == standstill) return "no brake applied before the standstill";
  if (applied == k) {
    return applied == from ? "the brake was on from the start: its response before is unknown"
                           : "the brake went on where traction was on or the time jumped";
  }
  first = applied - 1;
  int64_t ms = 0;  // the recorded steps: the host's time may wrap
  for (std::size_t j = first + 1; j <= standstill; ++j) ms += r.frames[j].stepMs;
  if (ms < kMinimumMs) return "less than a second of braking";
  if (ms > kMaximumMs) return "more than ten minutes of braking";
  return {};
}

Segment cut(const recording::Recording& r, const std::string& name, int32_t stop, int32_t notches,
            const Frames& at) {
  Segment s;
  s.recording = name;
  s.stop = stop;
  s.brakeNotches = notches;
  int32_t t = 0;  // from the segment's first frame
  for (std::size_t k = at.first; k <= at.standstill; ++k) {
    const recording::FrameRow& f = r.frames[k];
    if (k > at.first) t += f.stepMs;
    s.timeMs.push_back(t);
    s.speed.push_back(static_cast<double>(f.speed));
    s.brake.push_back(f.handles[0]);
    s.power.push_back(f.handles[1]);
    s.reverser.push_back(f.handles[2]);
  }
  return s;
}

}  // namespace

std::vector<Segment> brakingSegments(const recording::Recording& r, const std::string& name,
                                     std::vector<std::string>& notes) {
  std::vector<Segment> segments;
  const int32_t notches = r.vehicle && (*r.vehicle)[0] > 0 ? (*r.vehicle)[0] : 8;
  std::size_t from = 0;  // the frame after the previous stop
  bool moved = false;
  int32_t stop = 0;
  for (std::size_t k = 0; k < r.frames.size(); ++k) {
    if (r.frames[k].speed != 0.0f) {
      moved = true;
      continue;
    }
    if (!moved) continue;
    ++stop;
    Frames at{0, k};
    const std::string why = findStart(r, from, k, notches, at.first);
    if (why.empty()) {
      segments.push_back(cut(r, name, stop, notches, at));
    } else {
      std::string note = name;
      note += ": stop " + std::to_string(stop) + " not used: " + why;
      notes.push_back(std::move(note));
    }
    while (k + 1 < r.frames.size() && r.frames[k + 1].speed == 0.0f) ++k;
    from = k + 1;
    moved = false;
  }
  return segments;
}

}  // namespace tasc::fit
