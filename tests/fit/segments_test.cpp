// The stops a fit can use and the one-line reason for each it cannot: hand-
// made recordings of one stop each, built phase by phase at 60 frames/s.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "fit/segments.h"
#include "support/cases.h"

namespace tasc::fit {
namespace {

// A stretch of frames with the handles the plug-in returned.
struct Phase {
  int32_t ms;
  int32_t brake;  // notch as returned (9: this 8-notch vehicle's emergency brake)
  int32_t power;
  bool jump = false;    // the host's time steps back at the phase's first frame
  bool moving = false;  // the recording ends before the standstill (on the last phase)
  int32_t stepMs = 0;   // the frames' step; 0: 16 and 17 ms, 60 frames/s
};

// The phases' frames, the speed falling from 40 km/h to the last frame, which
// stands (a stop) unless the last phase is marked moving.
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
  if (phases.back().moving) r.frames.pop_back();
  return r;
}

// "MS/BRAKE/POWER[/jump][/moving][@STEP] ...": see data/segments.txt.
std::vector<Phase> phases(const std::string& text) {
  std::vector<Phase> out;
  std::istringstream words(text);
  for (std::string w; words >> w;) {
    Phase p{};
    std::sscanf(w.c_str(), "%d/%d/%d", &p.ms, &p.brake, &p.power);
    p.jump = w.find("/jump") != std::string::npos;
    p.moving = w.find("/moving") != std::string::npos;
    if (const std::size_t at = w.find('@'); at != std::string::npos)
      p.stepMs = std::stoi(w.substr(at + 1));
    out.push_back(p);
  }
  return out;
}

TEST(Segments, EachStopUsedOrLeftOutWithItsReason) {
  for (const test::Case& c : test::readCases("fit/data/segments.txt")) {
    std::vector<std::string> notes;
    const std::vector<Segment> s = brakingSegments(build(phases(c.f[1])), "rec.csv", notes);
    if (c.f[2].empty()) {
      EXPECT_EQ(notes, std::vector<std::string>{}) << c.where;
      ASSERT_EQ(s.size(), 1u) << c.where;
      EXPECT_EQ(s[0].stop, 1) << c.where;
      EXPECT_EQ(s[0].underPower(), c.f[3] == "1") << c.where;
      EXPECT_NEAR(s[0].timeMs[s[0].brakeFrom], std::stoi(c.f[4]), 17) << c.where;
      EXPECT_EQ(s[0].speed.back(), 0.0) << c.where;
      EXPECT_EQ(s[0].brake[s[0].brakeFrom], 0) << c.where;
    } else {
      EXPECT_TRUE(s.empty()) << c.where;
      ASSERT_EQ(notes.size(), 1u) << c.where;
      EXPECT_EQ(notes[0].rfind("rec.csv: " + c.f[2], 0), 0u) << c.where << ": " << notes[0];
    }
  }
}

}  // namespace
}  // namespace tasc::fit
