// The terminal's progress line, from given records and the times they arrived.

#include "app/progress_display.hpp"

#include <gtest/gtest.h>

namespace stilt::app {
namespace {

ProgressEvent event(ProgressEvent::Phase phase, int done = 0) {
  ProgressEvent e;
  e.phase = phase;
  e.item = 2;
  e.itemCount = 3;
  e.step = 4;
  e.loadFraction = 0.5;
  e.iteration = 7;
  e.pileCount = 2000;
  e.pilesDone = done;
  return e;
}

TEST(ProgressDisplay, BarsAndTimes) {
  EXPECT_EQ(progressBar(0, 2000, 4), "[....]");
  EXPECT_EQ(progressBar(1000, 2000, 4), "[##..]");
  EXPECT_EQ(progressBar(2000, 2000, 4), "[####]");
  EXPECT_EQ(progressBar(5, 0, 2), "[..]");
  EXPECT_EQ(timeLeftText(14.2), "15 s left");
  EXPECT_EQ(timeLeftText(185.0), "3 min 05 s left");
  EXPECT_EQ(timeLeftText(3720.0), "1 h 02 min left");
  EXPECT_EQ(timeLeftText(-1.0), "");
}

TEST(ProgressDisplay, ThePilePassShowsItsIterationItsBarAndTheTimeLeft) {
  ProgressDisplay d;
  using P = ProgressEvent::Phase;
  EXPECT_EQ(d.line(event(P::kStarted), 0.0), "load case 2/3  started");
  const std::string bar0 = "[" + std::string(24, '.') + "]";
  EXPECT_EQ(d.line(event(P::kIteration), 10.0),
            "load case 2/3  step 4  load 0.5000  iteration 7  piles " + bar0 + " 0/2000");
  // 500 piles in 5 s since the iteration began: 100 per second, 1500 left = 15 s.
  EXPECT_EQ(d.line(event(P::kPiles, 500), 15.0),
            "load case 2/3  step 4  load 0.5000  iteration 7  piles [######" +
                std::string(18, '.') + "] 500/2000  15 s left");
  // A second pass of the same iteration (the count falls back) is timed afresh: from 200 at
  // t = 20 to 600 at t = 22, 200 per second, 1400 left = 7 s.
  EXPECT_NE(d.line(event(P::kPiles, 200), 20.0).find("200/2000"), std::string::npos);
  EXPECT_NE(d.line(event(P::kPiles, 600), 22.0).find("600/2000  7 s left"), std::string::npos);
  // Writing the results: its own phase, timed from its first record (no estimate yet).
  ProgressEvent w = event(P::kWriting, 1000);
  EXPECT_EQ(d.line(w, 30.0), "load case 2/3  writing results  piles [############" +
                                 std::string(12, '.') + "] 1000/2000");
  w.pilesDone = 1500;
  EXPECT_NE(d.line(w, 31.0).find("1500/2000  1 s left"), std::string::npos);
  ProgressEvent f = event(P::kFinished);
  f.combination = true;
  EXPECT_EQ(d.line(f, 32.0), "combination 2/3  finished");
}

}  // namespace
}  // namespace stilt::app
