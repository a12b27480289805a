#include "goals/burnout_goal.h"

#include <gtest/gtest.h>

#include <numbers>

#include "core/error.h"
#include "goal_world.h"
#include "support/test_random.h"

namespace vorlanth::testing {
namespace {

// A rocket of size 6 at (100, 100) heading +x with no thrust: its flame tip is
// at (94, 100).
class BurnOutGoalTest : public GoalWorld {
 protected:
  BurnOutGoalTest() {
    Rocket = AddRocket(100, 100, 0, 6);
    auto owned = std::make_unique<TGoalBurnOut>(Rocket);
    Goal = owned.get();
    Rocket->Goals->AddGoal(std::move(owned));
  }
  TRocket* Rocket = nullptr;
  TGoalBurnOut* Goal = nullptr;
};

TEST_F(BurnOutGoalTest, OnlyARocketMayHoldIt) {
  EXPECT_EQ(Goal->Name, "Stole energy from others");
  TKart* kart = AddKart(10, 10);
  try {
    TGoalBurnOut goal(kart);
    FAIL() << "a kart was accepted";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "BurnOut goal is only fro Rockets.");
  }
  EXPECT_THROW(TGoalBurnOut{&Team}, Error);
}

TEST_F(BurnOutGoalTest, DrainsAVictimAndGetsHalf) {
  TKart* victim = AddKart(94, 100, 6);
  Goal->Evaluate(*Rocket);
  EXPECT_EQ(Goal->StartValue, 10);
  EXPECT_DOUBLE_EQ(victim->GetEnergy(), 40);
  EXPECT_DOUBLE_EQ(Rocket->GetEnergy(), 55);
  EXPECT_DOUBLE_EQ(Goal->Value, 60);
}

TEST_F(BurnOutGoalTest, DrainingAVictimEmptyScoresHundred) {
  TKart* victim = AddKart(94, 100, 6);
  victim->SetEnergy(4);
  Goal->Evaluate(*Rocket);
  EXPECT_EQ(victim->GetEnergy(), 0);
  EXPECT_DOUBLE_EQ(Rocket->GetEnergy(), 52);
  EXPECT_EQ(Goal->Value, 100);
}

TEST_F(BurnOutGoalTest, AFullRocketScoresOnlyWhatItCouldTake) {
  TKart* victim = AddKart(94, 100, 6);
  Rocket->SetEnergy(99);
  Goal->Evaluate(*Rocket);
  EXPECT_DOUBLE_EQ(victim->GetEnergy(), 40);
  EXPECT_EQ(Rocket->GetEnergy(), 100);
  EXPECT_DOUBLE_EQ(Goal->Value, 20);
}

TEST_F(BurnOutGoalTest, TheReachIsStrictAndGrowsWithThrust) {
  TKart* victim = AddKart(88, 100, 6);  // exactly its size from the tip
  Goal->Evaluate(*Rocket);
  EXPECT_EQ(victim->GetEnergy(), 50);
  EXPECT_EQ(Goal->Value, 10);

  MoveTo(*victim, 84, 100);
  Rocket->SetMainPower(10);  // the tip moves to (84, 100)
  Goal->Evaluate(*Rocket);
  EXPECT_DOUBLE_EQ(victim->GetEnergy(), 40);
}

TEST_F(BurnOutGoalTest, AnEmptyOrDeadRocketTakesNothing) {
  TKart* victim = AddKart(94, 100, 6);
  Rocket->SetEnergy(0);
  Goal->Evaluate(*Rocket);
  EXPECT_EQ(victim->GetEnergy(), 50);
  EXPECT_EQ(Goal->Value, 10);
  Rocket->SetEnergy(50);
  Rocket->SetHealth(0);
  Goal->Evaluate(*Rocket);
  EXPECT_EQ(victim->GetEnergy(), 50);
  EXPECT_EQ(Goal->Value, 10);
}

TEST_F(BurnOutGoalTest, NeverDrainsItselfButDrainsAnotherRocket) {
  // Heading 45 degrees, the rounded tip (96, 96) lies 5.66 from the rocket's own centre.
  Rocket->SetAngle(std::numbers::pi / 4);
  Goal->Evaluate(*Rocket);
  EXPECT_EQ(Rocket->GetEnergy(), 50);
  EXPECT_EQ(Goal->Value, 10);

  TRocket* other = AddRocket(96, 96, 0, 6);
  Goal->Evaluate(*Rocket);
  EXPECT_DOUBLE_EQ(other->GetEnergy(), 40);
  EXPECT_DOUBLE_EQ(Rocket->GetEnergy(), 55);
}

TEST_F(BurnOutGoalTest, TheLastVictimInListOrderSetsTheValue) {
  TKart* first = AddKart(94, 100, 6);
  TKart* second = AddKart(95, 100, 6);
  second->SetEnergy(3);
  Goal->Evaluate(*Rocket);
  EXPECT_DOUBLE_EQ(first->GetEnergy(), 40);
  EXPECT_EQ(second->GetEnergy(), 0);
  EXPECT_DOUBLE_EQ(Rocket->GetEnergy(), 56.5);
  EXPECT_EQ(Goal->Value, 100);
}

TEST_F(BurnOutGoalTest, AFutureDrainsFutureStatesOnly) {
  TKart* victim = AddKart(94, 100, 6);
  Rocket->Goals->ShowGoals = true;
  Track.ImageCanvas = &Paper;
  Team.SetFutureMode(true);
  Goal->Evaluate(*Rocket);
  EXPECT_DOUBLE_EQ(victim->GetEnergy(), 40);
  Team.SetFutureMode(false);
  EXPECT_EQ(victim->GetEnergy(), 50);
  EXPECT_EQ(Rocket->GetEnergy(), 50);
  EXPECT_TRUE(Paper.Calls.empty());  // no line in a future
}

TEST_F(BurnOutGoalTest, ShowsTheDrainInThePresentWhenGoalsAreDrawn) {
  AddKart(94, 100, 6);
  AddKart(93, 101, 6);
  Track.ImageCanvas = &Paper;
  Goal->Evaluate(*Rocket);  // goals not drawn: no line
  EXPECT_TRUE(Paper.Calls.empty());

  Rocket->Goals->ShowGoals = true;
  Goal->Evaluate(*Rocket);
  const auto lines = Paper.Of(RecordingCanvas::Op::Line);
  ASSERT_EQ(lines.size(), 2u);  // once per victim
  EXPECT_EQ(lines[1].args[0], 100);
  EXPECT_EQ(lines[1].args[1], 100);
  EXPECT_EQ(lines[1].args[2], 93);
  EXPECT_EQ(lines[1].args[3], 101);
  EXPECT_EQ(lines[1].pen, 0x0000FF);
  EXPECT_EQ(lines[1].penWidth, 3);
  EXPECT_EQ(Paper.PenWidth, 1);
}

// The cycle evaluates the goal on the present rocket once, beside the team goals:
// the victim really loses energy and the drain is drawn.
TEST_F(BurnOutGoalTest, TheCycleStealsInThePresentAndShowsIt) {
  TKart* victim = AddKart(94, 100, 6);
  Rocket->Goals->ShowGoals = true;
  Track.ImageCanvas = &Paper;
  Track.FixedFutures = 1;
  Track.HorizonMs = 200;
  const double before = victim->GetEnergy();
  Track.Cycle();
  EXPECT_NEAR(victim->GetEnergy(), before - 10, 0.1);  // driving costs a little too
  int drains = 0;
  for (const auto& line : Paper.Of(RecordingCanvas::Op::Line))
    drains += line.pen == 0x0000FF && line.penWidth == 3 ? 1 : 0;
  EXPECT_EQ(drains, 1);
}

// Commands given while a drain is shown wait in the inbox for the drawing step:
// the walk sees the list it started with, and each victim once.
class BurnOutRemovalTest : public BurnOutGoalTest {
 protected:
  BurnOutRemovalTest() {
    Rocket->Goals->ShowGoals = true;
    A = AddKart(94, 100, 6);
    B = AddKart(95, 100, 6);
    C = AddKart(94, 101, 6);
  }
  TKart *A, *B, *C;
};

TEST_F(BurnOutRemovalTest, ARemovalWaitsForTheDrawingStep) {
  Track.Inbox.Post([&] { Team.RemovePlayer(A, true); });
  Track.Inbox.Post([&] { Team.RemovePlayer(C, true); });
  Goal->Evaluate(*Rocket);
  EXPECT_DOUBLE_EQ(A->GetEnergy(), 40);  // each victim exactly once
  EXPECT_DOUBLE_EQ(B->GetEnergy(), 40);
  EXPECT_DOUBLE_EQ(C->GetEnergy(), 40);
  EXPECT_DOUBLE_EQ(Rocket->GetEnergy(), 65);
  EXPECT_EQ(Track.Inbox.Count(), 2u);
  Track.Inbox.Apply();  // in the order given
  EXPECT_EQ(Team.PlayerCount(), 2);
  EXPECT_EQ(Track.GetPlayer(1), B);
}

TEST_F(BurnOutRemovalTest, AnAdditionWaitsForTheDrawingStep) {
  TTeam first;  // a team earlier in the track's list: its players come first
  Track.Teams.insert(Track.Teams.begin(), &first);
  first.Track = &Track;
  Track.Inbox.Post([&] { first.AddPlayer(TKart::Create(TestRandom(), 10, 10, 0)); });
  Goal->Evaluate(*Rocket);
  EXPECT_DOUBLE_EQ(A->GetEnergy(), 40);
  EXPECT_DOUBLE_EQ(B->GetEnergy(), 40);
  EXPECT_DOUBLE_EQ(C->GetEnergy(), 40);
  EXPECT_EQ(first.PlayerCount(), 0);
  Track.Inbox.Apply();
  EXPECT_EQ(first.PlayerCount(), 1);
  Track.Teams.erase(Track.Teams.begin());
  Track.RebuildPlayerList();
}

TEST_F(BurnOutRemovalTest, RemovingTheRocketInsideACycleTakesEffectAfterTheDrain) {
  // The cycle steals in the present, then draws; the removal posted before it
  // takes effect at the drawing step, and the rocket goes at once.
  int64_t t = 0;
  Track.ClockMs = [&] { return t += 2; };
  Track.MinFutures = 2;
  Track.HorizonMs = 200;
  Track.Inbox.Post([&] { Team.RemovePlayer(Rocket, true); });
  for (TPlayer* p : Track.Players) p->SetEnergy(50);
  Track.Cycle();  // under AddressSanitizer: no use after free in steps 7 to 9
  EXPECT_NEAR(A->GetEnergy(), 40, 0.1);  // driving costs a little too
  EXPECT_NEAR(B->GetEnergy(), 40, 0.1);
  EXPECT_NEAR(C->GetEnergy(), 40, 0.1);
  EXPECT_EQ(Team.PlayerCount(), 3);
  EXPECT_TRUE(Track.Inbox.Empty());
}

}  // namespace
}  // namespace vorlanth::testing
