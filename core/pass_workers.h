#pragma once
// A cycle's passes of futures on several threads. Each thread runs whole passes
// on replicas of the world of its own (teams, players with their states and
// goals, the track's settings), which follow the world before every cycle's
// passes: one replica per lane, the thread running as many passes side by side,
// sub-step by sub-step.
// Every pass draws from its own random stream, and the replicas keep their
// futures and their drawing as they came; the main thread then records the
// futures into the world's players and replays the drawing, in pass order. So a
// cycle's results do not depend on the number of threads.

#include <atomic>
#include <barrier>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>


namespace vorlanth {

class TTeam;
class TTrack;

// The passes of one cycle: which to run next, and when to stop. Shared by the
// threads; they read the clock one at a time.
class TPassCounter {
 public:
  // Each pass handed out is charged `afterMsPerPass` against the budget besides
  // the time the passes take: what the main thread will spend on it after them.
  // The clock's reading is charged `aheadMs` more: what a thread may still run
  // after it hands out its last pass (the rest of a round of passes run side by
  // side).
  TPassCounter(int64_t fixed, int64_t minimum, int64_t budgetMs, std::function<int64_t()> clock,
               double afterMsPerPass = 0, double aheadMs = 0);
  // The next pass to run, or -1 when the cycle's passes are done: exactly `fixed`
  // passes when it is positive; otherwise at least `minimum`, and more until the
  // budget is spent (the clock is read only once the minimum is reached). Every
  // pass handed out is run, so the passes of a cycle are numbered 0 to
  // Count() - 1 whatever the threads.
  int64_t Claim();
  int64_t Count() const;
  // Hands out no more passes (a thread failed).
  void Stop() { Stopped.store(true); }

 private:
  const int64_t Fixed;
  const int64_t Minimum;
  const int64_t BudgetMs;
  const std::function<int64_t()> Clock;
  const double AfterMsPerPass;
  const double AheadMs;
  const int64_t StartMs;
  std::mutex ClockLock;
  std::atomic<int64_t> Next{0};
  std::atomic<bool> TimeUp{false};
  std::atomic<bool> Stopped{false};
  bool BudgetSpent();
};

class TPassWorkers {
 public:
  // The main thread and threads - 1 more, each running `lanes` passes side by side.
  TPassWorkers(TTrack& track, int32_t threads, int32_t lanes = 1);
  ~TPassWorkers();
  TPassWorkers(const TPassWorkers&) = delete;
  TPassWorkers& operator=(const TPassWorkers&) = delete;

  int32_t ThreadCount() const { return static_cast<int32_t>(Threads.size() + 1); }
  int32_t LaneCount() const { return static_cast<int32_t>(Lanes); }
  // Checks what the world is made of against what the replicas were built from.
  // When teams, players or goals came or went, the main thread's replica is
  // rebuilt here and the others as their threads begin the passes (each in its
  // own memory, so that no two threads write to one cache line); then every
  // value is copied into each replica by its own thread. False when something
  // in the world cannot be replicated: the passes then stay on the main thread.
  bool Follow();
  // Runs the cycle's passes of `subSteps` sub-steps on all threads, then records
  // their futures into the track's players and replays their drawing, in pass
  // order. Returns the number of passes. A failure in any pass is raised here,
  // once every thread has stopped, and leaves the track's players untouched.
  int64_t RunPasses(TPassCounter& counter, uint64_t runSeed, uint64_t cycle, int32_t subSteps);
  // Wall-clock time of the last passes on all threads, without the merge (ns).
  int64_t LastParallelNs = 0;
  // What recording one pass's futures and replaying its drawing cost the main
  // thread after the passes, in the last cycle (ms).
  double MergeMsPerPass = 0;

 private:
  struct TReplica {
    std::unique_ptr<TTrack> Track;
    std::vector<std::unique_ptr<TTeam>> Teams;  // destroyed before the track
    std::vector<int64_t> Passes;  // the passes run in this cycle, in order
    std::vector<size_t> Marks;    // where the drawing of each of them starts, then its end
  };
  TTrack& Track;
  const size_t Lanes;
  // Thread t's replicas are t x Lanes to (t + 1) x Lanes - 1; thread 0 is the
  // main thread.
  std::vector<TReplica> Replicas;
  // What the replicas were built from: every team, player and goal of the track
  // and its class, in order. Another world makes them be built again.
  std::vector<const void*> Built;
  std::vector<const void*> Current;
  // Which replica ran each pass of the cycle, and as which of its passes.
  std::vector<std::pair<uint32_t, uint32_t>> ByPass;
  bool Replicable = false;
  bool Rebuilding = false;  // the replicas are to be built afresh this cycle
  // The job of the cycle under way, read by the threads between the barriers.
  TPassCounter* Counter = nullptr;
  uint64_t RunSeed = 0;  // the world's: with the cycle and the pass, it seeds each pass
  uint64_t CycleKey = 0;
  int32_t SubSteps = 0;
  std::mutex FailureLock;
  std::exception_ptr Failure;
  bool Quit = false;
  std::barrier<> Start;
  std::barrier<> Done;
  std::vector<std::jthread> Threads;

  void Work(size_t thread);
  void RunThread(size_t thread);
  void Describe(std::vector<const void*>& out) const;
  bool Rebuild(TReplica& replica);
  bool BuildReplica(TReplica& replica);
  void Mirror(TReplica& replica);
  void Merge(int64_t passes);
};

}  // namespace vorlanth
