#include "core/pass_workers.h"

#include <algorithm>
#include <chrono>
#include <typeinfo>
#include <utility>

#include "core/error.h"
#include "core/goal.h"
#include "core/player.h"
#include "core/random.h"
#include "core/team.h"
#include "core/track.h"

namespace vorlanth {

// ---- TPassCounter ----------------------------------------------------------------

TPassCounter::TPassCounter(int64_t fixed, int64_t minimum, int64_t budgetMs,
                           std::function<int64_t()> clock, double afterMsPerPass, double aheadMs)
    : Fixed(fixed),
      Minimum(minimum),
      BudgetMs(budgetMs),
      Clock(std::move(clock)),
      AfterMsPerPass(afterMsPerPass),
      AheadMs(aheadMs),
      StartMs(Fixed > 0 || !Clock ? 0 : Clock()) {}

int64_t TPassCounter::Claim() {
  for (;;) {
    if (Stopped.load()) return -1;
    int64_t next = Next.load();
    if (Fixed > 0) {
      if (next >= Fixed) return -1;
    } else if (next >= Minimum && BudgetSpent()) {
      return -1;
    }
    // Handed out only if no other thread took it meanwhile: no number is skipped
    // and none is run twice, and the count never passes the fixed number or, once
    // the budget is spent, the minimum.
    if (Next.compare_exchange_weak(next, next + 1)) return next;
  }
}

bool TPassCounter::BudgetSpent() {
  if (TimeUp.load()) return true;
  // One thread at a time reads the clock: a replaced clock need not be thread-safe.
  const std::lock_guard<std::mutex> lock(ClockLock);
  if (!Clock) {
    TimeUp.store(true);
  } else {
    const double after = AfterMsPerPass * static_cast<double>(Next.load() + 1) + AheadMs;
    if (static_cast<double>(Clock() - StartMs) + after > static_cast<double>(BudgetMs)) TimeUp.store(true);
  }
  return TimeUp.load();
}

int64_t TPassCounter::Count() const { return Next.load(); }

// ---- TPassWorkers ----------------------------------------------------------------

TPassWorkers::TPassWorkers(TTrack& track, int32_t threads, int32_t lanes)
    : Track(track),
      Lanes(static_cast<size_t>(std::max(lanes, 1))),
      Replicas(static_cast<size_t>(std::max(threads, 1)) * Lanes),
      Start(static_cast<std::ptrdiff_t>(std::max(threads, 1))),
      Done(static_cast<std::ptrdiff_t>(std::max(threads, 1))) {
  const auto count = static_cast<size_t>(std::max(threads, 1));
  Threads.reserve(count - 1);
  for (size_t w = 1; w < count; ++w) Threads.emplace_back([this, w] { Work(w); });
}

TPassWorkers::~TPassWorkers() {
  Quit = true;
  Start.arrive_and_wait();
  Threads.clear();  // joins
}

void TPassWorkers::Work(size_t thread) {
  for (;;) {
    Start.arrive_and_wait();
    if (Quit) return;
    RunThread(thread);
    Done.arrive_and_wait();
  }
}

void TPassWorkers::RunThread(size_t thread) {
  TReplica* lanes = Replicas.data() + thread * Lanes;
  try {
    for (size_t l = 0; l < Lanes; ++l) {
      if (Rebuilding && (thread != 0 || l != 0) && !Rebuild(lanes[l]))
        throw Error("A replica of the world could not be built on a thread.");
      Mirror(lanes[l]);
    }
    // Rounds of up to one pass per lane, run side by side: every pass of a round
    // takes its sub-step before any takes the next. A lane left without a pass
    // ends the thread's passes: the counter hands out no more.
    for (size_t running = Lanes; running == Lanes;) {
      running = 0;
      for (int64_t pass = -1; running < Lanes && (pass = Counter->Claim()) >= 0; ++running) {
        TReplica& replica = lanes[running];
        replica.Passes.push_back(pass);
        replica.Marks.push_back(replica.Track->DrawingMark());
        replica.Track->PassRandom.SeedPass(RunSeed, CycleKey, static_cast<uint64_t>(pass));
        replica.Track->BeginPass();
      }
      TTrack* tracks[TTrack::MaxLanes];
      for (size_t l = 0; l < running; ++l) tracks[l] = lanes[l].Track.get();
      for (int32_t s = 1; s <= SubSteps; ++s) {
        if (running == 1) {
          tracks[0]->PassSubStep(s);
        } else {
          TTrack::PassSubStepSideBySide(tracks, running, s);
        }
      }
      for (size_t l = 0; l < running; ++l) lanes[l].Track->EndPass();
    }
    for (size_t l = 0; l < Lanes; ++l) lanes[l].Marks.push_back(lanes[l].Track->DrawingMark());
  } catch (...) {
    // The other threads take no more passes; the first failure is raised once
    // every thread has stopped.
    Counter->Stop();
    const std::lock_guard<std::mutex> lock(FailureLock);
    if (!Failure) Failure = std::current_exception();
  }
}

void TPassWorkers::Describe(std::vector<const void*>& out) const {
  out.clear();
  const auto goals = [&out](const TGoalSet* set) {
    out.push_back(set);
    if (!set) return;
    for (const auto& goal : set->Items) {
      out.push_back(goal.get());
      out.push_back(&typeid(*goal));
    }
  };
  for (const TTeam* team : Track.Teams) {
    out.push_back(team);
    goals(team->Goals.get());
    for (const auto& player : team->Players) {
      out.push_back(player.get());
      out.push_back(&typeid(*player));
      goals(player->Goals.get());
    }
  }
}

bool TPassWorkers::Follow() {
  Describe(Current);
  Rebuilding = Current != Built;
  if (Rebuilding) {
    std::swap(Current, Built);
    // The main thread's replica tells whether the world can be replicated; the
    // other threads build theirs as their passes begin, each in its own memory.
    Replicable = Rebuild(Replicas[0]);
  }
  return Replicable;
}

bool TPassWorkers::Rebuild(TReplica& replica) {
  replica.Teams.clear();
  replica.Track.reset();
  return BuildReplica(replica);
}

bool TPassWorkers::BuildReplica(TReplica& replica) {
  replica.Track = Track.NewReplica();
  if (!replica.Track) return false;
  // The same teams and players in the same order, each replica taking the serial
  // of what it replicates (a player takes it with its values), so that the
  // references the goals hold name the replica's own.
  for (TTeam* team : Track.Teams) {
    replica.Teams.push_back(std::make_unique<TTeam>(team->Serial));
    TTeam& copy = *replica.Teams.back();
    copy.Goals = team->Goals ? team->Goals->Replicate(&copy) : nullptr;
    if (!copy.Goals) return false;
    replica.Track->AddTeam(&copy);
    for (const auto& player : team->Players) {
      std::unique_ptr<TPlayer> made = player->NewReplica();
      if (!made || !player->Goals) return false;
      TPlayer& body = *made;
      body.Goals = player->Goals->Replicate(&body);
      if (!body.Goals) return false;
      body.Futures->Logging = true;
      copy.AddPlayer(std::move(made));
      // Its working state sized now: the passes then allocate nothing, whenever
      // this thread runs its first one.
      body.Working->Assign(*player->Present);
    }
  }
  return true;
}

void TPassWorkers::Mirror(TReplica& replica) {
  Track.MirrorInto(*replica.Track);
  // Room for every pass of the cycle on this replica, as many as the last cycle
  // had in all shared among the thread's lanes (the first lane runs the most),
  // so that the passes allocate nothing.
  const auto all = static_cast<size_t>(std::max<int64_t>(Track.FixedFutures, Track.LastPassCount));
  const size_t expected = (all + Lanes - 1) / Lanes;
  for (size_t t = 0; t < Track.Teams.size(); ++t) {
    TTeam& team = *Track.Teams[t];
    TTeam& copy = *replica.Teams[t];
    team.Goals->MirrorInto(*copy.Goals);
    for (size_t i = 0; i < team.Players.size(); ++i) {
      const TPlayer& player = *team.Players[i];
      TPlayer& body = *copy.Players[i];
      player.MirrorInto(body);
      player.Goals->MirrorInto(*body.Goals);
      body.Futures->ClearLog();
      body.Futures->ReserveLog(expected, body.GetState().PositionalParamCount());
    }
  }
  replica.Track->TotalSubSteps = 0;
  replica.Passes.clear();
  replica.Marks.clear();
  replica.Passes.reserve(expected);
  replica.Marks.reserve(expected + 1);
}

int64_t TPassWorkers::RunPasses(TPassCounter& counter, uint64_t runSeed, uint64_t cycle, int32_t subSteps) {
  Counter = &counter;
  RunSeed = runSeed;
  CycleKey = cycle;
  SubSteps = subSteps;
  Failure = nullptr;
  const auto started = std::chrono::steady_clock::now();
  Start.arrive_and_wait();
  RunThread(0);
  Done.arrive_and_wait();
  LastParallelNs = std::chrono::duration_cast<std::chrono::nanoseconds>(
                       std::chrono::steady_clock::now() - started).count();
  Counter = nullptr;
  if (Failure) {
    Built.clear();  // the replicas may be left inside a future: build them afresh
    std::rethrow_exception(Failure);
  }
  const int64_t passes = counter.Count();
  Merge(passes);
  return passes;
}

void TPassWorkers::Merge(int64_t passes) {
  const auto mergeStart = std::chrono::steady_clock::now();
  ByPass.resize(static_cast<size_t>(passes));
  for (size_t w = 0; w < Replicas.size(); ++w) {
    const std::vector<int64_t>& run = Replicas[w].Passes;
    for (size_t k = 0; k < run.size(); ++k)
      ByPass[static_cast<size_t>(run[k])] = {static_cast<uint32_t>(w), static_cast<uint32_t>(k)};
  }

  // Futures, player by player, in pass order: each player's list then holds
  // exactly what one thread would have recorded.
  for (size_t i = 0; i < Track.Players.size(); ++i) {
    TListOfFutures& futures = *Track.Players[i]->Futures;
    for (const auto& [w, k] : ByPass)
      futures.AddLogged(*Replicas[w].Track->Players[i]->Futures, static_cast<int32_t>(k));
  }
  // Drawing, pass after pass.
  for (const auto& [w, k] : ByPass) {
    const TReplica& replica = Replicas[w];
    Track.ReplayDrawing(*replica.Track, replica.Marks[k], replica.Marks[k + 1]);
  }
  const auto mergeNs = std::chrono::duration_cast<std::chrono::nanoseconds>(
                           std::chrono::steady_clock::now() - mergeStart).count();
  if (passes > 0) MergeMsPerPass = static_cast<double>(mergeNs) / 1e6 / static_cast<double>(passes);
  // What the last pass left in the goals' measurements.
  if (passes > 0) {
    const TReplica& last = Replicas[ByPass.back().first];
    for (size_t t = 0; t < Track.Teams.size(); ++t) {
      TTeam& team = *Track.Teams[t];
      const TTeam& copy = *last.Teams[t];
      for (size_t g = 0; g < team.Goals->Items.size(); ++g)
        team.Goals->Items[g]->TakeFutureValues(*copy.Goals->Items[g]);
      for (size_t i = 0; i < team.Players.size(); ++i) {
        TGoalSet& own = *team.Players[i]->Goals;
        for (size_t g = 0; g < own.Items.size(); ++g)
          own.Items[g]->TakeFutureValues(*copy.Players[i]->Goals->Items[g]);
      }
    }
  }
  for (const TReplica& replica : Replicas) Track.TotalSubSteps += replica.Track->TotalSubSteps;
}

}  // namespace vorlanth
