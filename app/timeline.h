#pragma once
// The timeline: the world's values after each cycle of a run, kept as a replica
// holds them (a track with the world's settings, cycle, sub-steps and random
// stream, and a team with copies of every player and goal), so that any kept
// cycle can be shown at once and the world can go on from it exactly.
//
// A kept cycle is taken after the cycle, in the window's meeting with the world:
// every player of the team copied by its class's replication (NewReplica, then
// MirrorInto, goals alike), nothing read back through a scene. The memory is
// bounded: when the kept cycles take more than the budget, every other one of
// the older half goes (the newest stay dense, the older ones thin out), never
// the oldest or the newest. Kept cycles are shared and never change: a step of
// undo that continued from a past cycle keeps the later cycles it dropped.
//
// No widget and no Qt: the session shows and continues the cycles it keeps here.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

namespace vorlanth {

class TTeam;
class TTrack2D;

// One cycle as it ran: its world's values. Never changed once taken (drawing it
// only refreshes its bodies' shape caches).
struct TKeptCycle {
  int64_t Cycle = 0;   // the session's cycle count when it was taken
  std::unique_ptr<TTrack2D> Track;  // the world's values, no circuit, no canvas
  std::unique_ptr<TTeam> Team;      // on Track; destroyed before it
  size_t Bytes = 0;    // what keeping it took from the heap (as last counted for its shape)
  ~TKeptCycle();
};

using TKeptCyclePtr = std::shared_ptr<TKeptCycle>;

class TTimeline {
 public:
  static constexpr size_t DefaultBudget = size_t{512} << 20;  // bytes
  static constexpr size_t MinKept = 2;  // thinning never keeps fewer
  static constexpr int32_t MeasureEvery = 64;  // kept cycles of one shape between two counts of the heap

  // Takes a copy of the world after `cycle` (replacing a kept copy of the same
  // cycle) and thins the older cycles when over the budget. Returns false, and
  // keeps nothing, when the world holds something that cannot be replicated.
  bool Keep(const TTrack2D& world, int64_t cycle);
  // The bytes all kept cycles take, and the most they may.
  size_t Bytes() const { return bytes_; }
  size_t Budget() const { return budget_; }
  void SetBudget(size_t bytes);

  int32_t Count() const { return static_cast<int32_t>(cycles_.size()); }
  const TKeptCycle& At(int32_t i) const { return *cycles_[static_cast<size_t>(i)]; }
  TKeptCyclePtr Share(int32_t i) const { return cycles_[static_cast<size_t>(i)]; }
  // The index of the kept cycle `cycle`, or -1.
  int32_t IndexOf(int64_t cycle) const;
  // The number of kept cycles before `cycle`.
  int32_t CountBefore(int64_t cycle) const;
  void Clear();
  // Exchanges the kept cycles after `cycle` with `later` (continuing from a past
  // cycle drops them into its step of undo; undoing it puts them back).
  void SwapAfter(int64_t cycle, std::vector<TKeptCyclePtr>& later);

  // The world's values copied into `to` (a fresh track with no team, circuit
  // loaded or not): returns its team, or nullptr when a player or goal cannot be
  // replicated. Nothing of the circuit, the canvas or the mouse is copied.
  static std::unique_ptr<TTeam> CopyWorld(const TTrack2D& from, TTrack2D& to);
  // Draws the kept cycle onto the world's canvas: the world's clean circuit, then
  // the kept goals and bodies.
  static void Draw(const TKeptCycle& kept, TTrack2D& world);

 private:
  // Drops every other cycle of the older half until within the budget.
  void Thin();

  std::vector<TKeptCyclePtr> cycles_;  // oldest first
  size_t bytes_ = 0;  // of all kept cycles
  // The last count of the heap: the world's shape (players and their goals) and
  // the bytes a cycle took, and the cycles kept since.
  size_t measuredShape_ = std::numeric_limits<size_t>::max();  // none yet
  size_t measuredBytes_ = 0;
  int32_t sinceMeasured_ = 0;
  size_t budget_ = DefaultBudget;
};

}  // namespace vorlanth
