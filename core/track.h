#pragma once
// The world: its teams, the flat list of all players, the timing parameters, the
// inbox of commands and the simulation cycle, run once per frame. Abstract: the
// world's physics step and the clean background come from the 2D track. The world
// calls nobody back: what its front ends ask reaches it through the inbox.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "core/inbox.h"
#include "core/random.h"
#include "core/step_context.h"

namespace vorlanth {

class TPassWorkers;
class TPlayer;
class TTeam;

class TTrack {
 public:
  TTrack();
  virtual ~TTrack();
  TTrack(const TTrack&) = delete;
  TTrack& operator=(const TTrack&) = delete;

  std::vector<TTeam*> Teams;      // in order of addition (not owned)
  TTeam* CurrentTeam = nullptr;   // the team added last
  // The settings every player of the track steps with (see TStepContext), and
  // the names the window and the tools set them by.
  TStepContext Settings;
  int32_t& HorizonMs = Settings.HorizonMs;
  int32_t& StepMs = Settings.StepMs;
  int32_t& MinFutures = Settings.MinFutures;
  // When positive, every cycle runs exactly this many passes and never reads the
  // clock: a seeded run is then reproducible on any machine.
  int32_t FixedFutures = 0;
  // Threads the passes run on (1 to MaxThreads): with more than one, each extra
  // thread runs its passes on its own replica of the world. The results do not
  // depend on the number.
  int32_t Threads = 1;
  static constexpr int32_t MaxThreads = 256;
  // Passes each thread runs side by side, in lockstep, each on a replica of its
  // own (1 to MaxLanes): sub-step s of every one of them before sub-step s + 1 of
  // any. The results do not depend on the number either.
  int32_t Lanes = 1;
  static constexpr int32_t MaxLanes = 16;
  bool& Collisions = Settings.Collisions;  // player-to-player collisions
  bool& Evolution = Settings.Evolution;  // set through SetEvolution
  std::vector<TPlayer*> Players;  // all players, team by team (not owned)
  // What kind of world the track is, set by the world's class as it builds it (0:
  // none the core knows): the hot loop tells the 2D track apart in one comparison.
  uint8_t WorldKind = 0;

  // Commands waiting for the next cycle's drawing step (step 6), applied there in
  // the order given.
  TInbox Inbox;
  // Monotonic clock in ms; replaceable so tests can drive the time budget. Every
  // thread running passes reads it.
  std::function<int64_t()> ClockMs;

  // Statistics of the last cycle, for the window and the tools.
  int64_t LastPassCount = 0;
  int64_t LastPassesNs = 0;   // wall-clock time of the last cycle's passes alone
  int32_t LastPassThreads = 1;  // threads the last cycle's passes ran on
  int32_t LastPassLanes = 1;    // passes each of them ran side by side
  int64_t TotalSubSteps = 0;  // player sub-steps simulated since creation
  // Cycles begun since creation: with the run's seed and the pass number, it
  // picks the random stream of each pass.
  uint64_t CycleCount = 0;
  // The world's random numbers: the run's seed and the present's stream. All that
  // acts on the world draws from them, on whatever thread it runs.
  TWorldRandom Random;
  // The stream of the pass of futures under way on this track, seeded afresh for
  // each pass (on a replica, for each pass its thread runs).
  TRandomStream PassRandom;

  // Slot 0: advance the world one time step (collisions, walls).
  virtual void Step() = 0;
  // Slot 1: restore the clean picture of the track.
  virtual void DrawBackground() = 0;

  void AddTeam(TTeam* team);
  TTeam* GetTeam(int32_t i) { return Teams.at(static_cast<size_t>(i)); }
  int32_t TeamCount() const { return static_cast<int32_t>(Teams.size()); }
  int32_t PlayerCount() const { return static_cast<int32_t>(Players.size()); }
  TPlayer* GetPlayer(int32_t i) const;
  // Rebuilt whenever a team gains or loses a player.
  virtual void RebuildPlayerList();
  double GetTimeStep() const { return StepMs / 1000.0; }
  bool IsBlocked(TPlayer& player);
  void SetEvolution(bool on);
  // -1: background, then futures and bodies; 0: background; 1: futures and bodies.
  void Draw(int what);
  void Cycle();
  // Number of sub-steps of a future: max(round(HorizonMs / StepMs), 2).
  int32_t SubStepCount() const;
  // One pass: every player runs one future of `subSteps` sub-steps, all of them
  // in the same simulated world, and records it.
  void RunPass(int32_t subSteps);
  // The same pass in its three parts, for passes run side by side: BeginPass,
  // PassSubStep for s = 1 to the number of sub-steps, then EndPass.
  void BeginPass();
  void PassSubStep(int32_t s);
  void EndPass();
  // Sub-step s of `count` replicas' passes at once, each with the bits
  // PassSubStep gives it: the players step side by side, the same player of
  // every replica together (TPlayer::StepSideBySide), then each replica's world
  // step and goals.
  static void PassSubStepSideBySide(TTrack* const* tracks, size_t count, int32_t s);

  // Replicas of the world, for passes on other threads. NewReplica: a track of
  // the same kind with no teams (nullptr: the passes stay on one thread).
  // MirrorInto: the track's settings (one TStepContext), copied into a replica
  // before each cycle's passes. DrawingMark and ReplayDrawing: how much a replica has drawn,
  // and what it drew between two marks, replayed onto this track's picture.
  virtual std::unique_ptr<TTrack> NewReplica() const { return nullptr; }
  virtual void MirrorInto(TTrack& replica) const;
  virtual size_t DrawingMark() const { return 0; }
  virtual void ReplayDrawing(const TTrack& /*replica*/, size_t /*from*/, size_t /*to*/) {}
  // Around each cycle's passes, on the main thread: what the futures read of the
  // outside world (the mouse) is taken once before them.
  virtual void BeginPasses() {}
  // After the cycle's passes, with the futures' traces and feelings drawn.
  virtual void FuturesDrawn() {}
  virtual void EndPasses() {}

  // Clears every reference a goal keeps to the player (before it is freed).
  void ForgetPlayer(const TPlayer* player);

 private:
  std::unique_ptr<TPassWorkers> Workers;  // while Threads > 1
  // The passes of futures of one cycle (steps 3 and 4); returns their number.
  int64_t RunPasses(int32_t subSteps);
};

}  // namespace vorlanth
