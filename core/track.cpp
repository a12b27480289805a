#include "core/track.h"

#include <algorithm>
#include <chrono>
#include <typeinfo>

#include "core/pass_workers.h"
#include "core/player.h"
#include "core/random.h"
#include "core/rounding.h"
#include "core/team.h"
#include "core/vector_state.h"

namespace vorlanth {
namespace {

int64_t SteadyClockMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

TTrack::TTrack() : ClockMs(SteadyClockMs) { SetEvolution(false); }

TTrack::~TTrack() { Workers.reset(); }

void TTrack::AddTeam(TTeam* team) {
  Teams.push_back(team);
  team->Track = this;
  CurrentTeam = team;
  RebuildPlayerList();
}

TPlayer* TTrack::GetPlayer(int32_t i) const {
  if (i < 0 || i >= PlayerCount()) return nullptr;
  return Players[static_cast<size_t>(i)];
}

void TTrack::RebuildPlayerList() {
  Players.clear();
  for (TTeam* team : Teams)
    for (auto& player : team->Players) {
      player->Context = &Settings;
      player->WorldRandom = &Random;
      player->PassRandom = &PassRandom;
      Players.push_back(player.get());
    }
}

bool TTrack::IsBlocked(TPlayer& player) {
  if (!player.IsClearOfWalls()) return true;
  for (TPlayer* other : Players)
    if (other != &player && player.CollidesWith(*other)) return true;
  return false;
}

void TTrack::SetEvolution(bool on) {
  Evolution = on;
  if (!on) return;
  for (TPlayer* player : Players) {
    player->Goals->ColorFromGoals();
    player->Goals->ShowGoals = true;
  }
}

void TTrack::Draw(int what) {
  if (what == -1) {
    Draw(0);
    Draw(1);
  } else if (what == 0) {
    DrawBackground();
  } else if (what == 1) {
    for (size_t t = 0; t < Teams.size(); ++t) Teams[t]->DrawFutures();
    for (size_t t = 0; t < Teams.size(); ++t) Teams[t]->DrawPlayers();
  }
}

int32_t TTrack::SubStepCount() const {
  if (StepMs <= 0) return 2;
  return std::max(Round32(static_cast<double>(HorizonMs) / StepMs), 2);
}

void TTrack::MirrorInto(TTrack& replica) const { replica.Settings = Settings; }

void TTrack::RunPass(int32_t subSteps) {
  BeginPass();
  for (int32_t s = 1; s <= subSteps; ++s) PassSubStep(s);
  EndPass();
}

void TTrack::BeginPass() {
  for (size_t t = 0; t < Teams.size(); ++t) Teams[t]->SetFutureMode(true);
}

// Kept out of line, so that there is one body of the sub-step, for the pass run
// whole and the passes run side by side, with its team steps inlined into it.
[[gnu::noinline, gnu::flatten]] void TTrack::PassSubStep(int32_t s) {
  ClearUpperVectorState();
  for (size_t t = 0; t < Teams.size(); ++t) {
    if (s == 1) {
      Teams[t]->StartFutureStep();
    } else {
      Teams[t]->ContinueFutureStep();
    }
  }
  Step();
  for (size_t t = 0; t < Teams.size(); ++t) Teams[t]->EvaluateGoals();
  for (size_t i = 0; i < Players.size(); ++i) Players[i]->GetState().EndStep();
  TotalSubSteps += static_cast<int64_t>(Players.size());
}

[[gnu::flatten]] void TTrack::PassSubStepSideBySide(TTrack* const* tracks, size_t count, int32_t s) {
  // Replicas of one world hold the same teams and players, of the same classes;
  // any that differ step one by one.
  const TTrack& first = *tracks[0];
  bool alike = count > 1;
  for (size_t l = 1; alike && l < count; ++l) {
    const TTrack& track = *tracks[l];
    alike = track.Teams.size() == first.Teams.size() && track.Players.size() == first.Players.size();
    for (size_t t = 0; alike && t < first.Teams.size(); ++t)
      alike = track.Teams[t]->Players.size() == first.Teams[t]->Players.size();
    for (size_t i = 0; alike && i < first.Players.size(); ++i)
      alike = typeid(*track.Players[i]) == typeid(*first.Players[i]);
  }
  if (!alike) {
    for (size_t l = 0; l < count; ++l) tracks[l]->PassSubStep(s);
    return;
  }
  ClearUpperVectorState();
  // Each replica's players in the order PassSubStep takes them: the replicas are
  // apart, so only each one's own order counts.
  TPlayer* same[MaxLanes];
  for (size_t t = 0; t < first.Teams.size(); ++t) {
    for (size_t i = 0; i < first.Teams[t]->Players.size(); ++i) {
      for (size_t l = 0; l < count; ++l) {
        TPlayer& player = *tracks[l]->Teams[t]->Players[i];
        player.GetState().MarkStartValues();
        if (s == 1) player.ChooseRandomOption();
        same[l] = &player;
      }
      if (s > 1) TPlayer::RandomizeControlsSideBySide(same, count);
      same[0]->StepSideBySide(same, count);
    }
  }
  for (size_t l = 0; l < count; ++l) {
    TTrack& track = *tracks[l];
    track.Step();
    for (size_t t = 0; t < track.Teams.size(); ++t) track.Teams[t]->EvaluateGoals();
    for (size_t i = 0; i < track.Players.size(); ++i) track.Players[i]->GetState().EndStep();
    track.TotalSubSteps += static_cast<int64_t>(track.Players.size());
  }
}

void TTrack::EndPass() {
  for (size_t t = 0; t < Teams.size(); ++t) Teams[t]->SetFutureMode(false);
}

int64_t TTrack::RunPasses(int32_t subSteps) {
  // What must happen in the present before the futures (scattering drops).
  for (TTeam* team : Teams) {
    team->Goals->BeforePasses();
    for (auto& player : team->Players) player->Goals->BeforePasses();
  }
  BeginPasses();
  struct TEndPasses {
    TTrack& Track;
    ~TEndPasses() { Track.EndPasses(); }
  } endPasses{*this};
  const int32_t threads = std::clamp(Threads, 1, MaxThreads);
  const int32_t lanes = std::clamp(Lanes, 1, MaxLanes);
  const bool replicated = threads > 1 || lanes > 1;
  if (replicated && (!Workers || Workers->ThreadCount() != threads || Workers->LaneCount() != lanes))
    Workers = std::make_unique<TPassWorkers>(*this, threads, lanes);
  if (!replicated) Workers.reset();
  // A thread running passes side by side hands out a round of them at once and
  // runs it whole: the rest of its last round, as long as a pass of the last
  // cycle took on a thread, is charged too.
  const double passMs = LastPassCount > 0 ? static_cast<double>(LastPassesNs) / 1e6 * LastPassThreads /
                                                static_cast<double>(LastPassCount)
                                          : 0;
  const bool onWorkers = Workers && Workers->Follow();
  LastPassThreads = onWorkers ? Workers->ThreadCount() : 1;
  LastPassLanes = onWorkers ? Workers->LaneCount() : 1;
  // On several threads the futures are recorded and their drawing replayed after
  // the passes: each pass is charged what that cost per pass in the last cycle,
  // so that the cycle as a whole keeps to its budget.
  TPassCounter counter(FixedFutures, MinFutures, StepMs, ClockMs, onWorkers ? Workers->MergeMsPerPass : 0,
                       onWorkers ? passMs * (Workers->LaneCount() - 1) : 0);
  const uint64_t cycle = CycleCount;
  // The passes draw from streams of their own: the world's goes on after them as
  // if they had not been.
  int64_t passes = 0;
  if (onWorkers) {
    passes = Workers->RunPasses(counter, Random.Seed, cycle, subSteps);
    LastPassesNs = Workers->LastParallelNs;
  } else {
    const auto started = std::chrono::steady_clock::now();
    for (int64_t pass = counter.Claim(); pass >= 0; pass = counter.Claim()) {
      PassRandom.SeedPass(Random.Seed, cycle, static_cast<uint64_t>(pass));
      RunPass(subSteps);
    }
    passes = counter.Count();
    LastPassesNs = std::chrono::duration_cast<std::chrono::nanoseconds>(
                       std::chrono::steady_clock::now() - started).count();
  }
  return passes;
}

void TTrack::Cycle() {
  const int32_t count = SubStepCount();
  ++CycleCount;

  // 1-2: ready the futures lists; clean background for the traces.
  for (size_t t = 0; t < Teams.size(); ++t) Teams[t]->PrepareFutures();
  Draw(0);

  // 3-4: passes of futures, at least MinFutures, then until the budget is spent.
  LastPassCount = RunPasses(count);
  FuturesDrawn();

  // 5: team goals act on the present, and so do the players' goals that act in the
  // present too (energy stealing), then draw.
  for (size_t t = 0; t < Teams.size(); ++t) {
    Teams[t]->Goals->Evaluate();
    for (int32_t i = 0; i < Teams[t]->PlayerCount(); ++i)
      Teams[t]->GetPlayer(i)->Goals->EvaluateInPresent();
    Teams[t]->DrawGoals();
  }
  // 6: ending points and bodies; then the commands waiting take effect, in the
  // order given. The steps after read the team and player lists afresh.
  Draw(1);
  Inbox.Apply();
  // 7-8: decide and advance the present.
  ClearUpperVectorState();
  for (size_t t = 0; t < Teams.size(); ++t) Teams[t]->DecideStep();
  Step();
  // 9: evolution.
  if (Evolution)
    for (size_t t = 0; t < Teams.size(); ++t) Teams[t]->SplitPlayers();
}

void TTrack::ForgetPlayer(const TPlayer* player) {
  for (TTeam* team : Teams) {
    team->Goals->ForgetPlayer(player);
    for (auto& other : team->Players) other->Goals->ForgetPlayer(player);
  }
}

}  // namespace vorlanth
