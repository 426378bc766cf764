#include "app/progress_display.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

namespace stilt::app {
namespace {

std::string itemText(const ProgressEvent& e) {
  return fmt::format("{} {}/{}", e.combination ? "combination" : "load case", e.item, e.itemCount);
}

}  // namespace

std::string progressBar(int done, int total, int width) {
  const int cells =
      total > 0
          ? static_cast<int>(static_cast<long long>(std::clamp(done, 0, total)) * width / total)
          : 0;
  return "[" + std::string(static_cast<std::size_t>(cells), '#') +
         std::string(static_cast<std::size_t>(width - cells), '.') + "]";
}

std::string timeLeftText(double seconds) {
  if (!(seconds >= 0.0) || !std::isfinite(seconds)) return {};
  const long s = std::lround(std::ceil(seconds));
  if (s < 60) return fmt::format("{} s left", s);
  if (s < 3600) return fmt::format("{} min {:02d} s left", s / 60, s % 60);
  return fmt::format("{} h {:02d} min left", s / 3600, (s % 3600) / 60);
}

std::string ProgressDisplay::line(const ProgressEvent& e, double now) {
  using Phase = ProgressEvent::Phase;
  switch (e.phase) {
    case Phase::kStarted:
      passOpen_ = false;
      hasContext_ = false;
      return itemText(e) + "  started";
    case Phase::kFinished:
      passOpen_ = false;
      hasContext_ = false;
      return itemText(e) + "  finished";
    case Phase::kIteration:
      context_ = e;
      hasContext_ = true;
      // A pass over the piles starts with the iteration: none done at this time.
      passOpen_ = true;
      passPhase_ = Phase::kPiles;
      passFirstDone_ = 0;
      passLastDone_ = 0;
      passFirstTime_ = now;
      return fmt::format("{}  step {}  load {:.4f}  iteration {}  piles {} {}/{}", itemText(e),
                         e.step, e.loadFraction, e.iteration,
                         progressBar(0, e.pileCount, kBarWidth), 0, e.pileCount);
    default:
      break;
  }
  // A pass over the piles: a count lower than the last one seen, or another phase, is a new
  // pass, timed from this record on.
  if (!passOpen_ || passPhase_ != e.phase || e.pilesDone < passLastDone_) {
    passOpen_ = true;
    passPhase_ = e.phase;
    passFirstDone_ = e.pilesDone;
    passFirstTime_ = now;
  }
  passLastDone_ = e.pilesDone;
  std::string left;
  const int gained = e.pilesDone - passFirstDone_;
  if (gained > 0 && now > passFirstTime_) {
    const double rate = gained / (now - passFirstTime_);
    left = "  " + timeLeftText((e.pileCount - e.pilesDone) / rate);
  }
  const std::string count = fmt::format(
      "{} {}/{}", progressBar(e.pilesDone, e.pileCount, kBarWidth), e.pilesDone, e.pileCount);
  if (e.phase == Phase::kWriting) {
    return fmt::format("{}  writing results  piles {}{}", itemText(e), count, left);
  }
  const ProgressEvent& c = hasContext_ ? context_ : e;
  return fmt::format("{}  step {}  load {:.4f}  iteration {}  piles {}{}", itemText(e), c.step,
                     c.loadFraction, c.iteration, count, left);
}

}  // namespace stilt::app
