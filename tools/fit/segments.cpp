#include "fit/segments.h"

#include <cmath>
#include <cstdio>

#include "model/train.h"

namespace tasc::fit {
namespace {

// A braking this short holds too little of the brake's response to fit; a
// segment this long is no stop approach (and keeps its times far from
// overflow).
constexpr int64_t kMinimumMs = 1000;
constexpr std::size_t kMinimumFrames = 10;
constexpr int64_t kMaximumMs = 600000;
// Traction cut longer than this before the first brake has died away (many
// times any traction lag): the stop is fitted from its last released frame,
// as a coasting one.
constexpr int64_t kTractionGoneMs = 5000;
// Frames under one power notch before the cut: their slope is the steady
// traction's; with less than the minimum its level at the cut is unknown.
constexpr int64_t kPowerWindowMs = 2000;
constexpr int64_t kPowerMinimumMs = 1000;

struct Frames {
  std::size_t first = 0;       // the segment's first frame, brake released
  std::size_t brakeFrom = 0;   // the last frame under power or released
  std::size_t standstill = 0;  // the first frame at rest
};

bool powered(const recording::FrameRow& f) {
  return f.handles[1] > 0;
}

// Milliseconds from frame a to frame b by the recorded steps (the host's time
// may wrap).
int64_t spanMs(const recording::Recording& r, std::size_t a, std::size_t b) {
  int64_t ms = 0;
  for (std::size_t j = a + 1; j <= b; ++j) ms += r.frames[j].stepMs;
  return ms;
}

std::string fmt(const char* format, auto... args) {
  char text[256];
  std::snprintf(text, sizeof text, format, args...);
  return text;
}

// The frames under power before the cut at `cut` (brake released there):
// back while the same notch is held, the brake released and the time runs,
// for up to kPowerWindowMs. Why they cannot be used, or empty.
std::string findPowerWindow(const recording::Recording& r, std::size_t from, std::size_t cut,
                            int32_t notches, std::size_t& first) {
  const recording::FrameRow& c = r.frames[cut];
  if (!std::isfinite(c.speed)) return "a speed that is no finite number";
  if (model::decodeBrakeNotch(c.handles[0], notches) != 0) {
    return "the brake went on while traction was on";
  }
  std::size_t j = cut;
  int64_t ms = 0;
  while (j > from && r.frames[j].stepMs > 0 && ms + r.frames[j].stepMs <= kPowerWindowMs) {
    const recording::FrameRow& f = r.frames[j - 1];
    if (f.handles[1] != c.handles[1] || model::decodeBrakeNotch(f.handles[0], notches) != 0 ||
        !std::isfinite(f.speed)) {
      break;
    }
    ms += r.frames[j].stepMs;
    --j;
  }
  if (ms < kPowerMinimumMs) {
    return fmt(
        "power notch %d held for %.3f s before the cut, less than a second: the "
        "traction at the cut is unknown",
        c.handles[1], static_cast<double>(ms) / 1000.0);
  }
  first = j;
  return {};
}

// Why the braking before `standstill` cannot be used, or empty. The braking
// reaches back over released stretches to the first application since the
// previous stop, the power cut or a frame step that is not positive.
std::string findStart(const recording::Recording& r, std::size_t from, int32_t notches,
                      Frames& at) {
  std::size_t k = at.standstill;
  std::size_t applied = at.standstill;  // the first frame with the brake on
  while (k > from && r.frames[k].stepMs > 0 && !powered(r.frames[k - 1])) {
    const recording::FrameRow& f = r.frames[k - 1];
    if (!std::isfinite(f.speed)) return "a speed that is no finite number";
    const int32_t quarters = model::decodeBrakeNotch(f.handles[0], notches);
    if (quarters < 0) return "the emergency brake was applied";
    if (quarters > 0) applied = k - 1;
    --k;
  }
  if (applied == at.standstill) return "no brake applied before the standstill";
  const bool cutBefore = k > from && r.frames[k].stepMs > 0;  // frame k - 1 under power
  if (applied == k && !cutBefore) {
    if (k == from) return "the brake was on from the start: its response before is unknown";
    return fmt("the time jumped during the braking (host time %.3f s after %.3f s)",
               r.frames[k].timeMs / 1000.0, r.frames[k - 1].timeMs / 1000.0);
  }
  if (cutBefore && spanMs(r, k - 1, applied - 1) <= kTractionGoneMs) {
    at.brakeFrom = k - 1;
    std::string why = findPowerWindow(r, from, k - 1, notches, at.first);
    if (!why.empty()) return why;
  } else {
    at.first = at.brakeFrom = applied - 1;
  }
  if (at.standstill - at.brakeFrom < kMinimumFrames) {
    return fmt("only %zu frames of braking: too few to fit", at.standstill - at.brakeFrom);
  }
  if (spanMs(r, at.brakeFrom, at.standstill) < kMinimumMs) return "less than a second of braking";
  if (spanMs(r, at.first, at.standstill) > kMaximumMs) return "more than ten minutes of braking";
  return {};
}

Segment cut(const recording::Recording& r, const std::string& name, int32_t stop, int32_t notches,
            const Frames& at) {
  Segment s;
  s.recording = name;
  s.stop = stop;
  s.brakeNotches = notches;
  s.brakeFrom = at.brakeFrom - at.first;
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
    Frames at{0, 0, k};
    const std::string why = findStart(r, from, notches, at);
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
  if (stop == 0) notes.push_back(name + ": no stop (the train never came to rest after running)");
  return segments;
}

}  // namespace tasc::fit
