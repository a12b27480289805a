// The project's micro-benchmarks: the pieces of the hot loop, measured on the
// built-in circuit with the scenes of the window's commands.

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

#include "bench/population.h"
#include "core/lane_width.h"
#include "core/random.h"
#include "core/team.h"
#include "core/vector_state.h"
#include "render/builtin_circuit.h"
#include "render/qt_picture.h"
#include "world2d/kart.h"
#include "world2d/kart_lanes.h"
#include "world2d/track2d.h"

namespace vorlanth {
namespace {

// The window's start-up scene (one rocket, the drop goal), optionally the circle.
struct TScene {
  TTrack2D Track;
  TTeam Team;
  TPopulation Population{Track};

  explicit TScene(bool circle) {
    Track.Random.SeedRun(1);
    Track.LoadFromImage(*LoadBuiltinCircuit());
    Track.AddTeam(&Team);
    Track.Collisions = true;
    Population.AddPlayer(pkRocket);
    Population.AddDropsGoal();
    if (circle) Population.AddCircleOfKarts();
    Team.CommitStates();
    Team.PrepareFutures();
  }

  // One sub-step as the cycle runs it.
  void SubStep(int32_t s) {
    ClearUpperVectorState();
    if (s == 1) Team.StartFutureStep(); else Team.ContinueFutureStep();
    Track.Step();
    Team.EvaluateGoals();
    for (TPlayer* p : Track.Players) p->GetState().EndStep();
  }

  void Pass() {
    Team.SetFutureMode(true);
    for (int32_t s = 1; s <= Track.SubStepCount(); ++s) SubStep(s);
    Team.SetFutureMode(false);
  }
};

void BM_StateCopy(benchmark::State& state) {
  TRandomStream random;
  auto kart = TKart::Create(random, 330, 305, 0);
  TState copy(kart.get());
  for (auto _ : state) {
    copy.Assign(*kart->Present);
    benchmark::DoNotOptimize(copy.Params.data());
  }
}
BENCHMARK(BM_StateCopy);

void BM_AddFuture(benchmark::State& state) {
  // A list holding 200 distinct futures; each new one is compared with all of them.
  TRandomStream random;
  auto kart = TKart::Create(random, 330, 305, 0);
  kart->PrepareFutures();
  TState future(kart.get());
  future.Assign(*kart->Present);
  auto& x = future.Params[static_cast<size_t>(kart->PosXIndex)];
  for (int i = 0; i < 200; ++i) {
    x.SetValue(1000.0 + 20 * i);
    kart->Futures->AddFuture(future);
  }
  x.SetValue(500);  // a cell already recorded, late in the list
  for (auto _ : state) kart->Futures->AddFuture(future);
}
BENCHMARK(BM_AddFuture);

void BM_StartSceneSubStep(benchmark::State& state) {
  TScene scene(false);
  scene.Team.SetFutureMode(true);
  int32_t s = 1;
  for (auto _ : state) {
    scene.SubStep(s);
    if (++s > scene.Track.SubStepCount()) {
      scene.Team.SetFutureMode(false);
      scene.Team.PrepareFutures();
      scene.Team.SetFutureMode(true);
      s = 1;
    }
  }
  scene.Team.SetFutureMode(false);
}
BENCHMARK(BM_StartSceneSubStep);

void BM_CirclePass(benchmark::State& state) {
  TScene scene(true);
  for (auto _ : state) {
    scene.Pass();
    state.PauseTiming();
    scene.Team.PrepareFutures();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * scene.Track.PlayerCount());
}
BENCHMARK(BM_CirclePass)->Unit(benchmark::kMillisecond);

void BM_WorldStepCircle(benchmark::State& state) {
  TScene scene(true);
  scene.Team.SetFutureMode(true);
  for (auto _ : state) scene.Track.Step();
  scene.Team.SetFutureMode(false);
}
BENCHMARK(BM_WorldStepCircle)->Unit(benchmark::kMicrosecond);

// A kart's forces and motion (its own part of a sub-step), in ns per kart
// sub-step, for eight karts of the circle in a future, each round from their
// present through 100 sub-steps (a 10 s future). The first argument is the
// lanes: 1 steps each kart alone; 4 and 8 step them side by side through the
// vector kernels. With the second argument 0 the values are gathered from the
// karts and scattered back around each kernel, as passes side by side do; with 1
// they stay in structures of arrays, and only each kart's BeginStep runs beside
// the kernel: what this part would cost a pass whose working state lived in lanes.
void BM_KartForcesAndMotion(benchmark::State& state) {
  const auto lanes = static_cast<size_t>(state.range(0));
  const bool stayInLanes = state.range(1) != 0;
  TScene scene(true);
  std::vector<TKart*> karts;
  for (TPlayer* player : scene.Track.Players)
    if (TKart* kart = AsKart(player); kart && karts.size() < 8) karts.push_back(kart);
  if (karts.size() < 8 || (lanes > 1 && WidestVectorLanes() < static_cast<int32_t>(lanes))) {
    state.SkipWithError("no such vector width on this processor");
    return;
  }
  ChooseVectorLanes(static_cast<int32_t>(lanes));
  scene.Team.SetFutureMode(true);
  std::vector<TPlayer*> same(karts.begin(), karts.end());
  TKartLanes soa;
  constexpr int32_t kSubSteps = 100;
  for (auto _ : state) {
    for (TKart* kart : karts) kart->GetState().Assign(*kart->Present);
    if (lanes == 1) {
      for (int32_t s = 0; s < kSubSteps; ++s)
        for (TKart* kart : karts) kart->Step();
    } else if (!stayInLanes) {
      for (int32_t s = 0; s < kSubSteps; ++s)
        for (size_t first = 0; first < karts.size(); first += lanes) same[first]->StepSideBySide(&same[first], lanes);
    } else {
      // Each sub-step still begins with every kart's own BeginStep (its clock,
      // limiters and border test), which the kernel does not cover.
      karts[0]->LawsToLanes(soa);
      for (int l = 0; l < 8; ++l) {
        karts[static_cast<size_t>(l)]->BeginStep();
        karts[static_cast<size_t>(l)]->ToLanes(soa, l);
      }
      for (int32_t s = 0; s < kSubSteps; ++s) {
        if (s > 0) for (TKart* kart : karts) kart->BeginStep();
        TKart::RunLanes(soa, 8, static_cast<int32_t>(lanes));
      }
      benchmark::DoNotOptimize(soa.F[0][0]);
    }
  }
  state.counters["ns_per_kart_substep"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * kSubSteps * static_cast<double>(karts.size()),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  scene.Team.SetFutureMode(false);
  ChooseVectorLanes(DefaultVectorLanes());
}
BENCHMARK(BM_KartForcesAndMotion)->ArgNames({"lanes", "soa"})->Args({1, 0})->Args({4, 0})->Args({8, 0})
    ->Args({4, 1})->Args({8, 1});

// Whole cycles at the defaults (at least 100 futures within the 100 ms budget)
// on 1 or more threads: futures per cycle, and the share of the cycle spent
// outside the passes (replicas following the world, merge, decision, present
// step), which bounds what more cores can give.
void CycleOnThreads(benchmark::State& state, bool circle) {
  TScene scene(circle);
  scene.Track.Threads = static_cast<int32_t>(state.range(0));
  scene.Track.Cycle();  // builds the replicas
  int64_t futures = 0;
  double cycleNs = 0;
  double passesNs = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    scene.Track.Cycle();
    cycleNs += std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
    passesNs += static_cast<double>(scene.Track.LastPassesNs);
    futures += scene.Track.LastPassCount;
  }
  const auto n = static_cast<double>(state.iterations());
  state.counters["futures"] = static_cast<double>(futures) / n;
  state.counters["serial_%"] = 100 * (cycleNs - passesNs) / cycleNs;
}
void BM_CircleCycle(benchmark::State& state) { CycleOnThreads(state, true); }
void BM_StartCycle(benchmark::State& state) { CycleOnThreads(state, false); }
BENCHMARK(BM_CircleCycle)->Arg(1)->Arg(2)->Iterations(30)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartCycle)->Arg(1)->Arg(2)->Iterations(30)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vorlanth

BENCHMARK_MAIN();
