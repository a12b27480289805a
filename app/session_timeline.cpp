// The session's timeline: the world's values kept after each cycle, a kept cycle
// shown while paused, and the world continued from it.
//
// Showing a past cycle changes nothing: the picture is redrawn from the kept
// values and the window reads them through ShownTrack(). A change of the world
// given while it is shown, Run, Step, saving or another circuit, goes on from it
// first (a command that changes no world, a box hidden, leaves it shown): the world
// becomes a copy of the kept cycle, the kept cycles after it go, and both are one
// step of undo ("Continue from cycle N"), which keeps the world as it was and the
// cycles it dropped. The journal starts anew from the continued world.

#include <QUndoStack>

#include <algorithm>
#include <utility>

#include "app/player_history.h"
#include "app/session.h"
#include "app/timeline.h"
#include "bench/population.h"
#include "core/error.h"
#include "core/team.h"
#include "render/qt_canvas.h"
#include "render/qt_picture.h"
#include "world2d/track2d.h"

namespace vorlanth {

void TSession::KeepCycle() {
  // In the meeting after the cycle (or paused): the world waits.
  timeline_->Keep(*track_, cycleCount_);
  KeepWithinBudget();
  emit TimelineChanged();
}

void TSession::SetTimelineBudget(size_t bytes) {
  timeline_->SetBudget(bytes);
  KeepWithinBudget();
  emit TimelineChanged();
}

void TSession::KeepWithinBudget() {
  // The timeline thins itself within the budget; the cycles that steps of undo
  // took away (going on from a past cycle) have what it leaves.
  const size_t used = timeline_->Bytes();
  ReleaseKeptInSteps(timeline_->Budget() > used ? timeline_->Budget() - used : 0);
}

int32_t TSession::TimelinePlaces() const { return timeline_->CountBefore(cycleCount_) + 1; }

int32_t TSession::ShownPlace() const {
  return shown_ ? timeline_->CountBefore(shown_->Cycle) : TimelinePlaces() - 1;
}

int64_t TSession::ShownCycle() const { return shown_ ? shown_->Cycle : cycleCount_; }

TTrack2D& TSession::ShownTrack() const { return shown_ ? *shown_->Track : *track_; }

void TSession::ShowPlace(int32_t place) {
  // Only paused and between commands: a run shows the world itself.
  if (Running() || InCommand()) return;
  const int32_t past = timeline_->CountBefore(cycleCount_);
  place = std::clamp(place, 0, past);
  std::shared_ptr<TKeptCycle> next = place < past ? timeline_->Share(place) : nullptr;
  if (next == shown_) return;
  shown_ = std::move(next);
  DrawShown();
  emit ShownCycleChanged(ShownCycle());
}

void TSession::ShowLive() {
  if (!shown_) return;
  shown_ = nullptr;
  DrawShown();
  emit ShownCycleChanged(ShownCycle());
}

void TSession::DrawShown() {
  if (!shown_) {
    Redraw();
    return;
  }
  TTimeline::Draw(*shown_, *track_);
  ShowFrame();
}

void TSession::ContinueFromShown() {
  const std::shared_ptr<TKeptCycle> kept = shown_;
  // A world of its own on the same circuit, which takes the kept values; built
  // whole before it replaces the world.
  TWorldParts parts;
  parts.Track = std::make_unique<TTrack2D>();
  parts.Track->CopyCircuitFrom(*track_);
  parts.Team = TTimeline::CopyWorld(*kept->Track, *parts.Track);
  if (!parts.Team) throw Error("The cycle kept cannot be copied.");
  parts.Population = std::make_unique<TPopulation>(*parts.Track);
  parts.Picture = std::make_unique<QtPicture>(picture_->Image().copy());
  parts.Circuit = circuit_;
  parts.FromCycle = kept->Cycle;
  // The plots go on with the players' copies, up to the cycle.
  TPlotHistory plots = std::move(*plotHistory_);
  TWorldParts old = SwapWorld(std::move(parts));
  plotHistory_->Adopt(plots, track_->Players, kept->Cycle);
  PushWorldStep(std::move(old), QStringLiteral("Continue from cycle %1").arg(kept->Cycle));
}

}  // namespace vorlanth
