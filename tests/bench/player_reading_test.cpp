#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "bench/player_reading.h"
#include "bench/population.h"
#include "core/energy_health_goals.h"
#include "core/random.h"
#include "core/team.h"
#include "goals/drops_goal.h"
#include "goals/storage_goal.h"
#include "support/memory_picture.h"
#include "world2d/physic2d.h"
#include "world2d/rocket.h"
#include "world2d/track2d.h"
#include "support/test_random.h"

namespace vorlanth {
namespace {

using testing::TMemoryPicture;

class PlayerReadingTest : public ::testing::Test {
 protected:
  TTrack2D track;
  TTeam team;
  TPopulation population{track};
  void SetUp() override {
    track.Random.SeedRun(77);
    TMemoryPicture picture(800, 600);
    picture.Border(20);
    track.LoadFromImage(picture);
    track.AddTeam(&team);
    track.MinFutures = 3;
    track.FixedFutures = 3;
    track.HorizonMs = 1000;
  }
  std::vector<TGoalReading> Read(TPlayer& player) {
    std::vector<TGoalReading> readings;
    ForEachGoalReading(player, [&](const TGoalReading& r) { readings.push_back(r); });
    return readings;
  }
};

TEST_F(PlayerReadingTest, PersonalGoalsAreReadOnThePresentNotOnTheLastFuture) {
  TPlayer* rocket = population.AddPlayer(pkRocket);
  track.Cycle();
  rocket->SetEnergy(45);
  rocket->SetHealth(60);
  TGoal& energy = rocket->Goals->GetGoal(rocket->EnergyGoalIndex);
  TGoal& health = rocket->Goals->GetGoal(rocket->HealthGoalIndex);
  const double energyBefore = energy.Value;
  const double startBefore = health.StartValue;
  const double feelingBefore = health.Feeling;

  const TGoalReading e = ReadGoal(energy, *rocket);
  const TGoalReading h = ReadGoal(health, *rocket);
  EXPECT_DOUBLE_EQ(e.Value, (45 - 5) / 10.0);  // the energy goal's measurement
  EXPECT_DOUBLE_EQ(h.Value, 60 / 10.0);
  EXPECT_TRUE(h.HasReaction);
  // The goals are left as the cycle left them.
  EXPECT_EQ(energy.Value, energyBefore);
  EXPECT_EQ(health.StartValue, startBefore);
  EXPECT_EQ(health.Feeling, feelingBefore);
}

TEST_F(PlayerReadingTest, AFellHealthIsFeltOverThePresentStep) {
  TPlayer* rocket = population.AddPlayer(pkRocket);
  rocket->GetState().MarkStartValues();  // health 100 at the start of the step
  rocket->SetHealth(80);
  const TGoalReading h = ReadGoal(rocket->GetHealthGoal(), *rocket);
  EXPECT_NEAR(h.Feeling, 0.8, 1e-12);  // loss factor 5 leaves a fall as it is
}

TEST_F(PlayerReadingTest, GoalsThatChangeTheWorldAreReadAsTheCycleLeftThem) {
  TPlayer* rocket = population.AddPlayer(pkRocket);
  population.AddDropsGoal();
  population.AddStorageGoal();
  track.Cycle();
  auto& drops = dynamic_cast<TGoal2DSweets&>(team.Goals->GetGoal(0));
  auto& storage = dynamic_cast<TGoal2DStorage&>(team.Goals->GetGoal(1));
  EXPECT_FALSE(drops.EvaluatesPurely());
  EXPECT_FALSE(storage.EvaluatesPurely());
  drops.Value = 7;  // what the cycle's present evaluation left
  const auto units = drops.DropUnits;
  const double energy = rocket->GetEnergy();
  const TGoalReading r = ReadGoal(drops, *rocket);
  EXPECT_EQ(r.Value, 7);
  EXPECT_EQ(drops.DropUnits, units);
  EXPECT_EQ(rocket->GetEnergy(), energy);
}

TEST_F(PlayerReadingTest, ReadingsComeOwnGoalsFirstWithRepeatedNamesNumbered) {
  TPlayer* rocket = population.AddPlayer(pkRocket);
  population.AddEnergyGoal();  // a team goal named like the personal one
  const std::vector<TGoalReading> readings = Read(*rocket);
  ASSERT_EQ(static_cast<int32_t>(readings.size()), rocket->Goals->GoalCount() + team.Goals->GoalCount());
  std::vector<std::string> keys;
  for (const TGoalReading& r : readings) keys.push_back(GoalKey(r));
  for (int32_t i = 0; i < rocket->Goals->GoalCount(); ++i) {
    EXPECT_FALSE(readings[static_cast<size_t>(i)].TeamGoal);
    EXPECT_EQ(keys[static_cast<size_t>(i)], rocket->Goals->GetGoal(i).Name);
  }
  EXPECT_TRUE(readings.back().TeamGoal);
  EXPECT_EQ(keys.back(), "Energy #2");
}

TEST_F(PlayerReadingTest, SpeedIsTheLengthOfTheVelocity) {
  auto* rocket = dynamic_cast<TPhysic2D*>(population.AddPlayer(pkRocket));
  ASSERT_NE(rocket, nullptr);
  rocket->GetState().GetParam(rocket->VelXIndex).Value = 3;
  rocket->GetState().GetParam(rocket->VelYIndex).Value = -4;
  EXPECT_DOUBLE_EQ(BodySpeed(*rocket), 5);
}

TEST(PlayerReading, ReadingAfterEveryCycleChangesNoRun) {
  // Two seeded runs of a circle of karts avoiding each other, one read after every
  // cycle: the same numbers.
  auto run = [](bool read) {
    TTrack2D track;
    track.Random.SeedRun(5);
    TTeam team;
    TPopulation population{track};
    TMemoryPicture picture(800, 600);
    picture.Border(20);
    track.LoadFromImage(picture);
    track.AddTeam(&team);
    track.FixedFutures = 3;
    track.HorizonMs = 1000;
    population.AddPlayer(pkRocket);
    population.AddCircleOfKarts();
    population.AddAvoidGoal();
    population.AddSpeedingGoal();
    std::vector<double> trace;
    for (int c = 0; c < 3; ++c) {
      track.Cycle();
      for (TPlayer* p : track.Players) {
        if (read) ForEachGoalReading(*p, [](const TGoalReading&) {});
        trace.push_back(p->GetState().GetParam(p->EnergyIndex).Value);
        trace.push_back(BodySpeed(*p));
      }
    }
    return trace;
  };
  const std::vector<double> plain = run(false);
  EXPECT_EQ(plain.size(), 3u * 18 * 2);
  EXPECT_EQ(run(true), plain);
}

}  // namespace
}  // namespace vorlanth
