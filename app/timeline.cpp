// The timeline's kept cycles: copies of the world by replication, their memory,
// and thinning the older ones.

#include "app/timeline.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <algorithm>
#include <utility>

#include "core/goal.h"
#include "core/player.h"
#include "core/state.h"
#include "core/team.h"
#include "world2d/track2d.h"

namespace vorlanth {

namespace {

// Bytes the heap has handed out, where the C library tells (0 elsewhere, and
// under the sanitizers' allocators).
size_t HeapInUse() {
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 33))
  return mallinfo2().uordblks;
#else
  return 0;
#endif
}

// The least a kept cycle takes: its objects and every player's present state
// (what the heap's count falls back to when it cannot tell).
size_t LeastBytes(const TKeptCycle& kept) {
  size_t bytes = sizeof(TKeptCycle) + sizeof(TTrack2D) + sizeof(TTeam);
  for (const auto& player : kept.Team->Players)
    bytes += sizeof(TPlayer) + player->Present->Params.capacity() * sizeof(TStateParam);
  return bytes;
}

}  // namespace

TKeptCycle::~TKeptCycle() {
  Team.reset();  // its players leave the track's lists first
  Track.reset();
}

std::unique_ptr<TTeam> TTimeline::CopyWorld(const TTrack2D& from, TTrack2D& to) {
  if (from.Teams.size() != 1) return nullptr;
  // The track's values a scene holds, and the statistics a cycle leaves.
  to.Settings = from.Settings;
  to.FixedFutures = from.FixedFutures;
  to.CycleCount = from.CycleCount;
  to.TotalSubSteps = from.TotalSubSteps;
  to.Random = from.Random;
  to.LastPassCount = from.LastPassCount;
  to.LastPassesNs = from.LastPassesNs;
  to.LastPassThreads = from.LastPassThreads;
  to.LastPassLanes = from.LastPassLanes;
  // The same team and players in the same order, each taking the serial of what
  // it copies, so that the references the goals hold name the copy's own.
  const TTeam& team = *from.Teams.front();
  auto copy = std::make_unique<TTeam>(team.Serial);
  copy->Goals = team.Goals ? team.Goals->Replicate(copy.get()) : nullptr;
  if (!copy->Goals) return nullptr;
  to.AddTeam(copy.get());
  for (const auto& player : team.Players) {
    std::unique_ptr<TPlayer> made = player->NewReplica();
    if (!made || !player->Goals) return nullptr;
    made->Goals = player->Goals->Replicate(made.get());
    if (!made->Goals) return nullptr;
    copy->AddPlayer(std::move(made));
  }
  // The values, once every player is there for the goals to name.
  team.Goals->MirrorInto(*copy->Goals);
  for (size_t i = 0; i < team.Players.size(); ++i) {
    const TPlayer& player = *team.Players[i];
    TPlayer& body = *copy->Players[i];
    player.MirrorInto(body);
    player.Goals->MirrorInto(*body.Goals);
    body.Present->AssignAccumulators(*player.Present);
  }
  copy->Selected = team.Selected ? copy->GetPlayer(team.IndexOf(team.Selected)) : nullptr;
  return copy;
}

bool TTimeline::Keep(const TTrack2D& world, int64_t cycle) {
  // The heap is asked now and then (its count walks every free block): for a world
  // of the same players and goals, a cycle takes what the last one measured took.
  size_t shape = world.Players.size();
  for (const TPlayer* player : world.Players) shape = shape * 31 + static_cast<size_t>(player->Goals->GoalCount());
  const bool measure = shape != measuredShape_ || ++sinceMeasured_ >= MeasureEvery;
  const size_t heapBefore = measure ? HeapInUse() : 0;
  auto kept = std::make_shared<TKeptCycle>();
  kept->Cycle = cycle;
  kept->Track = std::make_unique<TTrack2D>();
  kept->Team = CopyWorld(world, *kept->Track);
  if (!kept->Team) return false;
  if (measure) {
    const size_t heapAfter = HeapInUse();
    measuredBytes_ = std::max(heapAfter > heapBefore ? heapAfter - heapBefore : 0, LeastBytes(*kept));
    measuredShape_ = shape;
    sinceMeasured_ = 0;
  }
  kept->Bytes = measuredBytes_;

  // A cycle kept again (the world went on from it) replaces the copy before.
  while (!cycles_.empty() && cycles_.back()->Cycle >= cycle) {
    bytes_ -= cycles_.back()->Bytes;
    cycles_.pop_back();
  }
  bytes_ += kept->Bytes;
  cycles_.push_back(std::move(kept));
  Thin();
  return true;
}

void TTimeline::SetBudget(size_t bytes) {
  budget_ = bytes;
  Thin();
}

void TTimeline::Clear() {
  cycles_.clear();
  bytes_ = 0;
}

void TTimeline::Thin() {
  while (bytes_ > budget_ && cycles_.size() > MinKept) {
    // The older half loses every other cycle; its first, and the newest, stay.
    const size_t half = std::max<size_t>(cycles_.size() / 2, 2);
    std::vector<TKeptCyclePtr> kept;
    kept.reserve(cycles_.size());
    for (size_t i = 0; i < cycles_.size(); ++i) {
      const bool drop = i < half && i % 2 == 1 && i + 1 < cycles_.size();
      if (drop) {
        bytes_ -= cycles_[i]->Bytes;
      } else {
        kept.push_back(std::move(cycles_[i]));
      }
    }
    cycles_ = std::move(kept);
  }
}

int32_t TTimeline::IndexOf(int64_t cycle) const {
  const auto at = std::lower_bound(cycles_.begin(), cycles_.end(), cycle,
                                   [](const TKeptCyclePtr& kept, int64_t c) { return kept->Cycle < c; });
  return at != cycles_.end() && (*at)->Cycle == cycle ? static_cast<int32_t>(at - cycles_.begin()) : -1;
}

int32_t TTimeline::CountBefore(int64_t cycle) const {
  const auto at = std::lower_bound(cycles_.begin(), cycles_.end(), cycle,
                                   [](const TKeptCyclePtr& kept, int64_t c) { return kept->Cycle < c; });
  return static_cast<int32_t>(at - cycles_.begin());
}

void TTimeline::SwapAfter(int64_t cycle, std::vector<TKeptCyclePtr>& later) {
  const auto from = cycles_.begin() + CountBefore(cycle + 1);
  std::vector<TKeptCyclePtr> mine(std::make_move_iterator(from), std::make_move_iterator(cycles_.end()));
  cycles_.erase(from, cycles_.end());
  for (const auto& kept : mine) bytes_ -= kept->Bytes;
  for (auto& kept : later) {
    bytes_ += kept->Bytes;
    cycles_.push_back(std::move(kept));
  }
  later = std::move(mine);
  Thin();
}

void TTimeline::Draw(const TKeptCycle& kept, TTrack2D& world) {
  world.DrawBackground();
  // The kept world draws on the world's canvas for as long as it takes.
  kept.Track->ImageCanvas = world.ImageCanvas;
  kept.Team->DrawGoals();
  kept.Team->DrawPlayers();
  kept.Track->ImageCanvas = nullptr;
}

}  // namespace vorlanth
