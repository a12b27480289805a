#include "goals/avoid_goal.h"

#include <gtest/gtest.h>

#include "goal_world.h"
#include "support/test_random.h"

namespace vorlanth::testing {
namespace {

class AvoidGoalTest : public GoalWorld {
 protected:
  AvoidGoalTest() : Goal(&Team, &Team) {}
  TGoal2DTeamAway Goal;
};

TEST_F(AvoidGoalTest, DistancesInTensOfSizesMultiply) {
  TKart* player = AddKart(50, 50, 6);
  Goal.Evaluate(*player);
  EXPECT_EQ(Goal.Value, 1);  // alone

  TKart* far = AddKart(50, 170, 6);  // 120 pixels: twice the neutral 60
  Goal.Evaluate(*player);
  EXPECT_DOUBLE_EQ(Goal.Value, 2);

  MoveTo(*far, 80, 50);  // 30 pixels
  Goal.Evaluate(*player);
  EXPECT_DOUBLE_EQ(Goal.Value, 0.5);

  AddKart(50 + 72, 50 + 96, 6);  // 120 pixels on a slant
  Goal.Evaluate(*player);
  EXPECT_DOUBLE_EQ(Goal.Value, 1);
  EXPECT_EQ(Goal.StartValue, 0);  // never set
}

TEST_F(AvoidGoalTest, StrengthSetsTheNeutralDistance) {
  TKart* player = AddKart(50, 50, 6);
  AddKart(50, 170, 6);
  Goal.SetStrength(2);
  Goal.Evaluate(*player);
  EXPECT_DOUBLE_EQ(Goal.Value, 1);

  Goal.SetStrength(0);
  Goal.Evaluate(*player);
  EXPECT_EQ(Goal.Value, 1);
}

TEST_F(AvoidGoalTest, SameCentreGivesZero) {
  TKart* player = AddKart(50, 50, 6);
  AddKart(50, 50, 6);
  Goal.Evaluate(*player);
  EXPECT_EQ(Goal.Value, 0);
}

TEST_F(AvoidGoalTest, FollowsTheTeamAsPlayersComeAndGo) {
  TKart* player = AddKart(50, 50, 6);
  TKart* near = AddKart(50, 80, 6);
  AddKart(50, 170, 6);
  Goal.Evaluate(*player);
  EXPECT_DOUBLE_EQ(Goal.Value, 1);
  Team.RemovePlayer(near, true);  // the far one moves up to its place in the team
  Goal.Evaluate(*player);
  EXPECT_DOUBLE_EQ(Goal.Value, 2);
  AddKart(50, 110, 6);
  Goal.Evaluate(*player);
  EXPECT_DOUBLE_EQ(Goal.Value, 2);
  Team.RemovePlayer(player, false).reset();  // the evaluated player leaves the team
  TKart* other = static_cast<TKart*>(Team.GetPlayer(0));
  Goal.Evaluate(*other);
  EXPECT_DOUBLE_EQ(Goal.Value, 1);  // 60 pixels from the last one
}

TEST_F(AvoidGoalTest, OnlyThePlayersOfTheAvoidedTeamCount) {
  TTeam others;
  Track.AddTeam(&others);
  TGoal2DTeamAway goal(&Team, &others);
  TKart* player = AddKart(50, 50, 6);
  AddKart(50, 51, 6);  // a team mate, very close
  goal.Evaluate(*player);
  EXPECT_EQ(goal.Value, 1);
  others.AddPlayer(TKart::Create(TestRandom(), 50, 110, 0));  // 60 pixels
  goal.Evaluate(*player);
  EXPECT_DOUBLE_EQ(goal.Value, 1);
  static_cast<TPlayer2D*>(others.GetPlayer(0))->SetPosY(80);
  goal.Evaluate(*player);
  EXPECT_DOUBLE_EQ(goal.Value, 0.5);
  Track.Teams.pop_back();
  Track.RebuildPlayerList();
}

}  // namespace
}  // namespace vorlanth::testing
