#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "bench/goal_kinds.h"
#include "bench/population.h"
#include "core/error.h"
#include "core/random.h"
#include "core/team.h"
#include "support/memory_picture.h"
#include "world2d/kart.h"
#include "world2d/polygon2d.h"
#include "world2d/rocket.h"
#include "world2d/track2d.h"
#include "support/test_random.h"

namespace vorlanth {
namespace {

using testing::TMemoryPicture;

class PopulationTest : public ::testing::Test {
 protected:
  TTrack2D track;
  TTeam team;
  TPopulation population{track};
  void SetUp() override {
    track.Random.SeedRun(2024);
    TMemoryPicture picture(800, 600);
    picture.Border(20);
    track.LoadFromImage(picture);
    track.AddTeam(&team);
  }
  TPlayer2D* At(int32_t i) { return static_cast<TPlayer2D*>(team.GetPlayer(i)); }
};

TEST_F(PopulationTest, KindsAreCreatedAtTheirPlaces) {
  auto* rocket = dynamic_cast<TRocket*>(population.AddPlayer(pkRocket));
  ASSERT_NE(rocket, nullptr);
  EXPECT_EQ(rocket->GetPosX(), 350);
  EXPECT_EQ(rocket->GetPosY(), 400);
  EXPECT_DOUBLE_EQ(rocket->GetAngle(), -std::numbers::pi / 2);
  // A kart while a rocket is selected copies nothing from it.
  auto* kart = dynamic_cast<TKart*>(population.AddPlayer(pkKart));
  ASSERT_NE(kart, nullptr);
  EXPECT_EQ(kart->GetPosX(), 330);
  EXPECT_EQ(kart->GetPosY(), 305);
  EXPECT_EQ(team.Selected, kart);
  EXPECT_EQ(population.AddPlayer(7), nullptr);
  EXPECT_EQ(population.AddPlayer(pkSame)->GetState().ParamCount(), kart->GetState().ParamCount());
  EXPECT_NE(dynamic_cast<TKart*>(team.Selected), nullptr);
}

TEST_F(PopulationTest, CopiesStandAheadThenContinueTheSpacing) {
  auto* first = static_cast<TRocket*>(population.AddPlayer(pkRocket));
  first->Goals->GetGoal(0).SetStrength(3);
  auto* second = static_cast<TRocket*>(population.AddPlayer(pkSame));
  EXPECT_NEAR(second->GetPosX(), 350, 1e-9);
  EXPECT_NEAR(second->GetPosY(), 370, 1e-9);  // 30 px ahead, heading up
  EXPECT_EQ(second->Goals->GetGoal(0).Strength, 3);
  auto* third = static_cast<TRocket*>(population.AddPlayer(pkSame));
  EXPECT_NEAR(third->GetPosY(), 340, 1e-9);
  auto* fourth = static_cast<TRocket*>(population.AddPlayer(pkSame));
  EXPECT_NEAR(fourth->GetPosY(), 310, 1e-9);
}

TEST_F(PopulationTest, ColoursFollowThePlayerCount) {
  const TColor expected[] = {MakeColor(255, 255, 255), MakeColor(255, 255, 0),
                             MakeColor(255, 150, 100), MakeColor(255, 0, 0),
                             MakeColor(180, 180, 180)};
  for (int i = 0; i < 6; ++i) population.AddPlayer(pkKart);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(team.GetPlayer(i)->Color, expected[i]) << i;
}

TEST_F(PopulationTest, TheCircleOfKarts) {
  population.AddPlayer(pkRocket);
  population.AddCircleOfKarts();
  ASSERT_EQ(team.PlayerCount(), TPopulation::CircleKartCount);
  EXPECT_EQ(team.Selected, team.GetPlayer(17));
  for (int i = 0; i < team.PlayerCount(); ++i) {
    auto* kart = dynamic_cast<TKart*>(team.GetPlayer(i));
    ASSERT_NE(kart, nullptr);
    const double a = 2 * std::numbers::pi * i / 18;
    EXPECT_NEAR(kart->GetPosX(), 400 + 90 * std::cos(a), 1e-9);
    EXPECT_NEAR(kart->GetPosY(), 300 + 90 * std::sin(a), 1e-9);
    EXPECT_NEAR(kart->GetAngle(), a + std::numbers::pi, 1e-9);
    EXPECT_EQ(kart->GetSize(), 8);
    EXPECT_EQ(kart->GetMaxPower(), 14);
  }
  EXPECT_EQ(team.GetPlayer(3)->Color, MakeColor(255, 0, 0));
}

TEST_F(PopulationTest, AsteroidsStartInTheUpperBand) {
  population.AddPlayer(pkRocket);
  population.AddAsteroids(5);
  ASSERT_EQ(team.PlayerCount(), 6);
  for (int i = 1; i < 6; ++i) {
    auto* asteroid = dynamic_cast<TPolygon2D*>(team.GetPlayer(i));
    ASSERT_NE(asteroid, nullptr);
    EXPECT_GE(asteroid->Sides, 3);
    EXPECT_LE(asteroid->Sides, 6);
    EXPECT_GE(asteroid->GetSize(), 5);
    EXPECT_LE(asteroid->GetSize(), 15);
    EXPECT_GE(asteroid->GetPosY(), 60);
    EXPECT_LE(asteroid->GetPosY(), 240);
    EXPECT_TRUE(asteroid->ShowTraces);
    EXPECT_FALSE(track.IsBlocked(*asteroid));
  }
}

TEST_F(PopulationTest, PlacementGivesUpOnACircuitWithoutFreePlace) {
  population.AddPlayer(pkRocket);
  TPlayer* rocket = team.Selected;
  track.LoadFromImage(TMemoryPicture(200, 100, 0));  // all wall
  EXPECT_THROW(population.AddPlayer(pkKart), Error);
  EXPECT_THROW(population.AddAsteroids(1), Error);
  EXPECT_THROW(population.AddStorageGoal(), Error);
  EXPECT_EQ(team.PlayerCount(), 1);
  EXPECT_EQ(team.Selected, rocket);
  EXPECT_EQ(track.PlayerCount(), 1);
  EXPECT_EQ(team.Goals->GoalCount(), 0);
  // The circle's places are set without a search: it never fails half-way, after
  // the team's players are gone.
  population.AddCircleOfKarts();
  EXPECT_EQ(team.PlayerCount(), TPopulation::CircleKartCount);
  EXPECT_NEAR(At(0)->GetPosX(), 490, 1e-9);
}

// Every kind's command gives one goal of that kind, to the team or to the
// selected player; energy stealing is refused to a kart, which keeps its goals.
TEST_F(PopulationTest, EveryKindsCommandGivesOneGoalOfItsKind) {
  population.AddPlayer(pkKart);
  EXPECT_EQ(team.Selected->Goals->GoalCount(), 3);  // health, energy, speeding
  EXPECT_THROW(FindGoalKind("burnout")->Add(population), Error);
  EXPECT_EQ(team.Selected->Goals->GoalCount(), 3);
  population.AddPlayer(pkRocket);
  TGoalSet& teamGoals = *team.Goals;
  TGoalSet& ownGoals = *team.Selected->Goals;
  for (const TGoalKind& kind : GoalKinds()) {
    const int32_t before = teamGoals.GoalCount();
    const int32_t ownBefore = ownGoals.GoalCount();
    kind.Add(population);
    ASSERT_EQ(teamGoals.GoalCount() + ownGoals.GoalCount(), before + ownBefore + 1) << kind.Name;
    const TGoal& added = teamGoals.GoalCount() > before ? teamGoals.GetGoal(before) : ownGoals.GetGoal(ownBefore);
    EXPECT_EQ(GoalKindOf(added), &kind) << kind.Name;
  }
  population.DeleteTeamGoals();
  population.AddDropsGoal();
  EXPECT_EQ(team.Goals->GoalCount(), 1);
  population.DeletePlayersGoals();
  for (auto& p : team.Players) EXPECT_EQ(p->Goals->GoalCount(), 0);
}

TEST_F(PopulationTest, EvolutionColoursByGoalStrengths) {
  track.SetEvolution(true);
  TPlayer* kart = population.AddPlayer(pkKart);
  EXPECT_TRUE(kart->Goals->ShowGoals);
  const TColor byGoals = kart->Color;
  kart->Goals->ColorFromGoals();
  EXPECT_EQ(kart->Color, byGoals);
}

}  // namespace
}  // namespace vorlanth
