// The run's pace: real time, slower, or as fast as the cycles go.
//
// A cycle quicker than its share of time (StepMs / speed on the world's clock,
// the clock the passes' budget is read on) waits on the world's thread, while the
// window handles its messages as during any cycle. The wait ends early when the
// window has something for the world: a command that waited for the cycle's end,
// Pause, another speed, or the run stopping; the world then meets the window,
// which runs those commands and says whether to go on. At the end of a wait the
// world meets the window once more, to take the cursor as it is now.

#include <algorithm>
#include <chrono>
#include <utility>

#include "app/session.h"
#include "world2d/track2d.h"

namespace vorlanth {

void TSession::SetSpeed(double speed) {
  if (!(speed > AsFast)) speed = AsFast;  // NaN too
  else speed = std::clamp(speed, SlowestSpeed, RealTime);
  {
    const std::lock_guard lock(paceMutex_);
    speed_ = speed;
  }
  WakeRun();  // a wait for the old pace counts again
}

double TSession::PaceTargetMs() const { return speed_ > AsFast ? track_->StepMs / speed_ : 0; }

void TSession::WakeRun() {
  {
    const std::lock_guard lock(paceMutex_);
    paceWake_ = true;
  }
  paceChanged_.notify_all();
}

int64_t TSession::PaceStartMs() {
  double speed = AsFast;
  {
    const std::lock_guard lock(paceMutex_);
    speed = speed_;
  }
  // At real time the passes' budget of StepMs on the same clock already makes a
  // cycle last its share, unless the passes are counted, not timed.
  const bool mayWait = speed > AsFast && (speed < RealTime || track_->FixedFutures > 0);
  return mayWait ? track_->ClockMs() : NoPaceStart;
}

bool TSession::Pace(int64_t startMs, const std::function<bool()>& goOn) {
  if (startMs == NoPaceStart) return true;
  using Clock = std::chrono::steady_clock;
  bool waited = false;
  std::unique_lock lock(paceMutex_);
  for (;;) {
    if (stopWorld_) return false;
    const double targetMs = speed_ > AsFast ? track_->StepMs / speed_ : 0;
    const double leftMs = targetMs - static_cast<double>(track_->ClockMs() - startMs);
    if (!(leftMs > 0)) break;
    waited = true;
    const auto deadline =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double, std::milli>(leftMs));
    if (!paceChanged_.wait_until(lock, deadline, [this] { return paceWake_ || stopWorld_; })) break;  // time is up
    if (stopWorld_) return false;
    paceWake_ = false;
    // The window has something for the world: it runs now, and may end the run.
    lock.unlock();
    bool more = true;
    Meet([&] { more = AskGoOn(goOn); });
    if (!more) return false;
    lock.lock();
    waited = false;  // the cursor was just read
  }
  lock.unlock();
  if (!waited) return true;
  bool more = true;
  Meet([&] { more = AskGoOn(goOn); });
  return more;
}

}  // namespace vorlanth
