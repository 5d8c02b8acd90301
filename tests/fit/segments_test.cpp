// The stops a fit can use and the one-line reason for each it cannot: hand-
// made recordings of one stop each, built phase by phase at 60 frames/s.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fit/segments.h"

namespace tasc::fit {
namespace {

// A stretch of frames with the handles the plug-in returned.
struct Phase {
  int32_t ms;
  int32_t brake;  // notch as returned (9: this 8-notch vehicle's emergency brake)
  int32_t power;
  bool jump = false;   // the host's time steps back at the phase's first frame
  int32_t stepMs = 0;  // the frames' step; 0: 16 and 17 ms, 60 frames/s
};

// The phases' frames, the speed falling from 40 km/h to the last frame, which
// stands (a stop).
recording::Recording build(const std::vector<Phase>& phases) {
  recording::Recording r;
  r.vehicle = std::array<int32_t, 5>{8, 4, 8, 8, 1};
  int32_t time = 10000;
  for (const Phase& p : phases) {
    for (int32_t t = 0; t < p.ms;) {
      recording::FrameRow f;
      f.stepMs = r.frames.empty() ? 0 : p.stepMs > 0 ? p.stepMs : (time % 50 == 0 ? 16 : 17);
      if (p.jump && t == 0) f.stepMs = -5000;
      time += f.stepMs;
      t += f.stepMs > 0 ? f.stepMs : 17;  // (the first frame counts as a step)
      f.timeMs = time;
      f.handles = {p.brake, p.power, 1, 0};
      r.frames.push_back(f);
    }
  }
  for (std::size_t k = 0; k < r.frames.size(); ++k) {
    r.frames[k].speed = 40.0f * static_cast<float>(r.frames.size() - 1 - k) /
                        static_cast<float>(r.frames.size() - 1);
  }
  return r;
}

TEST(Segments, EachStopUsedOrLeftOutWithItsReason) {
  const struct {
    const char* name;
    std::vector<Phase> phases;
    const char* note;     // empty: used
    bool underPower;      // when used
    int32_t brakeFromMs;  // when used: the time of the frame before the braking
  } cases[] = {
      {"coasting", {{3000, 0, 0}, {8000, 4, 0}}, "", false, 0},
      {"brake at the cut", {{3000, 0, 2}, {8000, 4, 0}}, "", true, 2000},
      {"cut 3 s before the brake", {{3000, 0, 2}, {3000, 0, 0}, {8000, 4, 0}}, "", true, 2000},
      {"cut 6 s before the brake: coasting",
       {{3000, 0, 2}, {6000, 0, 0}, {8000, 4, 0}},
       "",
       false,
       0},
      {"brake released between applications",
       {{2000, 0, 0}, {3000, 4, 0}, {1000, 0, 0}, {4000, 2, 0}},
       "",
       false,
       0},
      {"time jump before the brake",
       {{3000, 0, 2}, {2000, 0, 0, true}, {8000, 4, 0}},
       "",
       false,
       0},
      {"time jump during the braking",
       {{3000, 0, 0}, {4000, 4, 0}, {4000, 4, 0, true}},
       "stop 1 not used: the time jumped during the braking (host time",
       false,
       0},
      {"no braking", {{3000, 0, 0}, {3000, 0, 0}}, "stop 1 not used: no brake applied", false, 0},
      {"brake from the start",
       {{8000, 4, 0}},
       "stop 1 not used: the brake was on from the start",
       false,
       0},
      {"emergency brake",
       {{3000, 0, 0}, {3000, 9, 0}},
       "stop 1 not used: the emergency brake",
       false,
       0},
      {"brake and power together",
       {{3000, 0, 2}, {500, 4, 2}, {3000, 4, 0}},
       "stop 1 not used: the brake went on while traction was on",
       false,
       0},
      {"power notch held half a second",
       {{3000, 0, 1}, {500, 0, 2}, {8000, 4, 0}},
       "stop 1 not used: power notch 2 held for 0.4",
       false,
       0},
      {"half a second of braking",
       {{3000, 0, 0}, {500, 4, 0}},
       "stop 1 not used: less than a second",
       false,
       0},
  };
  for (const auto& c : cases) {
    std::vector<std::string> notes;
    const std::vector<Segment> s = brakingSegments(build(c.phases), "rec.csv", notes);
    if (*c.note == '\0') {
      EXPECT_EQ(notes, std::vector<std::string>{}) << c.name;
      ASSERT_EQ(s.size(), 1u) << c.name;
      EXPECT_EQ(s[0].stop, 1) << c.name;
      EXPECT_EQ(s[0].underPower(), c.underPower) << c.name;
      EXPECT_NEAR(s[0].timeMs[s[0].brakeFrom], c.brakeFromMs, 17) << c.name;
      EXPECT_EQ(s[0].speed.back(), 0.0) << c.name;
      EXPECT_EQ(s[0].brake[s[0].brakeFrom], 0) << c.name;
    } else {
      EXPECT_TRUE(s.empty()) << c.name;
      ASSERT_EQ(notes.size(), 1u) << c.name;
      EXPECT_EQ(notes[0].rfind(std::string("rec.csv: ") + c.note, 0), 0u)
          << c.name << ": " << notes[0];
    }
  }
}

// Too few frames, even over more than a second (a host that hung), and a
// recording where the train never stopped.
TEST(Segments, SparseFramesAndNoStopAreNamed) {
  const recording::Recording sparse = build({{3000, 0, 0}, {1800, 4, 0, false, 200}});
  std::vector<std::string> notes;
  EXPECT_TRUE(brakingSegments(sparse, "sparse.csv", notes).empty());
  recording::Recording running = build({{3000, 0, 2}});
  running.frames.pop_back();
  EXPECT_TRUE(brakingSegments(running, "running.csv", notes).empty());
  EXPECT_EQ(notes, (std::vector<std::string>{
                       "sparse.csv: stop 1 not used: only 9 frames of braking: too few to fit",
                       "running.csv: no stop (the train never came to rest after running)"}));
}

}  // namespace
}  // namespace tasc::fit
