// The goals inside the running model: whole cycles of a seeded world, and the
// sub-steps of futures, which must not allocate.

#include <gtest/gtest.h>

#include <numbers>
#include <cstdio>

#include "core/random.h"
#include "goal_world.h"
#include "goals/avoid_goal.h"
#include "goals/burnout_goal.h"
#include "goals/drops_goal.h"
#include "goals/mouse_goal.h"
#include "goals/storage_goal.h"
#include "support/alloc_counter.h"
#include "support/test_random.h"

namespace vorlanth::testing {
namespace {

// The drop goal, counting the units and the energy its present evaluations hand out.
class CountingDrops : public TGoal2DSweets {
 public:
  using TGoal2DSweets::TGoal2DSweets;
  int32_t PresentUnits = 0;
  double PresentGain = 0;
  void Evaluate(TPlayer& player) override {
    if (player.FutureMode) return TGoal2DSweets::Evaluate(player);
    // Scatter first, as the evaluation would, so that only the units taken count.
    LastPlayer = RefOf(&player);
    if (ReplaceDrops) PlaceAllDrops(TestRandom());
    const int32_t unitsBefore = UnitsLeft();
    const double energyBefore = player.GetEnergy();
    TGoal2DSweets::Evaluate(player);
    PresentUnits += unitsBefore - UnitsLeft();
    PresentGain += player.GetEnergy() - energyBefore;
  }
  int32_t UnitsLeft() const {
    int32_t sum = 0;
    for (int32_t i = 0; i < DropCount; ++i) sum += DropUnits[static_cast<size_t>(i)];
    return sum;
  }
};

class GoalsRunTest : public GoalWorld {
 protected:
  GoalsRunTest() : GoalWorld(400, 300) {
    Track.ClockMs = [this] { return Clock += 2; };
    Track.MinFutures = 30;
    Track.HorizonMs = 2000;
  }
  int64_t Clock = 0;
};

TEST_F(GoalsRunTest, ARocketFeedsOnDrops) {
  Track.Random.SeedRun(2024);
  auto owned = std::make_unique<CountingDrops>(&Team);
  CountingDrops* drops = owned.get();
  Team.Goals->AddGoal(std::move(owned));
  TRocket* rocket = static_cast<TRocket*>(Team.AddPlayer(TRocket::Create(TestRandom(), 200, 150, -std::numbers::pi / 2)));
  rocket->CommitState();

  const int cycles = 200;  // 20 s of simulated time
  const double start = rocket->GetEnergy();
  for (int c = 0; c < cycles; ++c) Track.Cycle();
  std::printf("[ figures  ] rocket, %d cycles on %dx%d: %d drop units taken, %.0f energy "
              "gained from drops, energy %.1f -> %.1f\n",
              cycles, Track.Width(), Track.Height(), drops->PresentUnits, drops->PresentGain,
              start, rocket->GetEnergy());
  EXPECT_GT(drops->PresentUnits, 0);
}

TEST_F(GoalsRunTest, SubStepsOfFuturesAllocateNothing) {
  TKart* kart = AddKart(100, 100, 6);
  TRocket* rocket = AddRocket(106, 100, 0, 6);
  Track.MouseSource = [](int32_t& x, int32_t& y) {
    x = y = 120;
    return true;
  };
  auto drops = std::make_unique<TGoal2DSweets>(&Team);
  TGoal2DStorage storage(&Team, 100, 100, StorageBoxHalfSize, 500);
  TGoal2DTeamAway avoid(&Team, &Team);
  TGoalMouse mouse(&Team, false);
  TGoalBurnOut burnOut(rocket);
  drops->Evaluate(*kart);  // the first evaluation scatters the drops
  drops->DropX[0] = 100;
  drops->DropY[0] = 100;
  drops->DropUnits[0] = 6;

  Team.SetFutureMode(true);
  drops->ResetFuture();
  const uint64_t before = AllocationCount();
  for (int s = 0; s < 100; ++s) {
    for (TPlayer2D* p : {static_cast<TPlayer2D*>(kart), static_cast<TPlayer2D*>(rocket)}) {
      drops->Evaluate(*p);
      storage.Evaluate(*p);
      avoid.Evaluate(*p);
      mouse.Evaluate(*p);
    }
    burnOut.Evaluate(*rocket);
  }
  EXPECT_EQ(AllocationCount(), before);
  Team.SetFutureMode(false);
}

}  // namespace
}  // namespace vorlanth::testing
