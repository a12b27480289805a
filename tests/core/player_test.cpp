#include <gtest/gtest.h>

#include "core/color.h"
#include "core/random.h"
#include "core/team.h"
#include "test_body.h"
#include "support/test_random.h"

namespace vorlanth {
namespace {

using testing::TestRandom;

using testing::TTestBody;
using testing::TTestTrack;

TEST(Player, IsBornWithHealthThenEnergyGoalsAndDefaults) {
  TestRandom().Seed(5);
  for (int i = 0; i < 20; ++i) {
    auto body = TTestBody::Create();
    EXPECT_EQ(body->GridSize, 10);
    EXPECT_EQ(body->HealthGoalIndex, 0);
    EXPECT_EQ(body->EnergyGoalIndex, 1);
    EXPECT_EQ(body->Goals->GetGoal(0).Name, "Health");
    EXPECT_EQ(body->Goals->GetGoal(1).Name, "Energy");
    EXPECT_EQ(body->GetHealth(), 100);
    EXPECT_EQ(body->GetEnergy(), 50);
    const TColor c = body->Color;
    for (int part : {c & 255, (c >> 8) & 255, (c >> 16) & 255}) {
      EXPECT_GE(part, 100);
      EXPECT_LE(part, 255);
    }
  }
}

TEST(Player, FutureModeCopiesOnceAndRecordsOnce) {
  auto body = TTestBody::Create();
  body->PrepareFutures();
  body->SetPos(42);
  body->SetFutureMode(true);
  body->SetPos(99);  // acts on the working state
  body->SetFutureMode(true);
  EXPECT_EQ(body->GetPos(), 99);
  body->SetFutureMode(false);
  body->SetFutureMode(false);
  EXPECT_EQ(body->Futures->FutureCount(), 1);
  EXPECT_EQ(body->GetPos(), 42);
}

TEST(Player, LimitersIntegrateTheirPushAndStayInRange) {
  auto body = TTestBody::Create();
  TState& s = *body->Present;
  TStateParam& control = s.GetFreeParam(0);
  control.GetLimiter()->SetValue(0.95);
  control.GetLimPush()->SetValue(0.25);
  body->BeginStep();
  EXPECT_DOUBLE_EQ(control.GetLimiter()->Value, 0.975);
  control.GetLimiter()->SetValue(0.99);
  body->BeginStep();
  EXPECT_EQ(control.GetLimiter()->Value, 1);
  EXPECT_EQ(s.ElapsedMs, 200);

  body->LimitersOn = false;
  control.GetLimiter()->SetValue(0.5);
  EXPECT_DOUBLE_EQ(body->GetLimiter(0), 1.0 / 3.0);
  EXPECT_EQ(body->GetLimPush(0), 0);
  body->BeginStep();
  EXPECT_EQ(control.GetLimiter()->Value, 0.5);
}

TEST(Player, EachLimiterIntegratesItsOwnPush) {
  auto body = TTestBody::Create(3);
  TState& s = *body->Present;
  const double pushes[3] = {0.25, -0.125, 0};
  for (int32_t c = 0; c < 3; ++c) {
    s.GetFreeParam(2 * c).GetLimiter()->SetValue(0.5);
    s.GetFreeParam(2 * c).GetLimPush()->SetValue(pushes[c]);
  }
  body->BeginStep();
  for (int32_t c = 0; c < 3; ++c)
    EXPECT_EQ(s.GetFreeParam(2 * c).GetLimiter()->Value, 0.5 + pushes[c] * 0.1) << c;
}

TEST(Player, WithoutGoalsDiesAtTheFirstDamage) {
  auto body = TTestBody::Create();
  body->Goals->Clear();
  body->ApplyForces();
  EXPECT_FALSE(body->IsDead());
  body->SetHealth(99.5);
  body->ApplyForces();
  EXPECT_TRUE(body->IsDead());
}

TEST(Player, GridSizeIsClampedAndReachesPositionalParams) {
  auto body = TTestBody::Create();
  body->SetGridSize(3);
  EXPECT_EQ(body->GridSize, 5);
  body->SetGridSize(20);
  EXPECT_EQ(body->Present->GetPositionalParam(0).CellSize, 20);
}

TEST(Player, AssignCopiesStateAndSettingsButNotColourOrGoals) {
  auto a = TTestBody::Create();
  auto b = TTestBody::Create();
  a->SetPos(17);
  a->SetGridSize(30);
  a->ShowTraces = true;
  a->Determination = 0.3;
  a->Goals->GetGoal(0).SetStrength(4);
  b->Color = 1;
  b->Assign(*a);
  EXPECT_EQ(b->GetPos(), 17);
  EXPECT_EQ(b->GridSize, 30);
  EXPECT_TRUE(b->ShowTraces);
  EXPECT_EQ(b->Determination, 1);
  EXPECT_EQ(b->Color, 1);
  EXPECT_EQ(b->Goals->GetGoal(0).Strength, 1);
}

TEST(Player, OptionColours) {
  auto body = TTestBody::Create(2);
  TState s(body.get());
  s.OptionIndex = 2;
  s.Direction = 1;
  EXPECT_EQ(body->GetOptionColor(s), MakeColor(50, 255, 0));
  s.OptionIndex = 0;
  s.Direction = 0;
  EXPECT_EQ(body->GetOptionColor(s), MakeColor(0, 0, 255));
  auto passive = TTestBody::Create(0);
  EXPECT_EQ(passive->GetOptionColor(s), MakeColor(160, 160, 160));
}

TEST(Player, SplitUnderEvolutionHalvesEnergyAndSelectsTheChild) {
  TTestTrack track;
  TTeam team;
  track.AddTeam(&team);
  track.Evolution = true;
  TPlayer* parent = team.AddPlayer(TTestBody::Create());
  parent->SetEnergy(100);
  parent->Goals->GetGoal(0).SetStrength(3);
  track.Random.SeedRun(1);
  TPlayer* child = parent->Split();
  ASSERT_EQ(team.PlayerCount(), 2);
  EXPECT_EQ(team.Selected, child);
  EXPECT_EQ(parent->GetEnergy(), 50);
  EXPECT_EQ(child->GetEnergy(), 50);
  EXPECT_EQ(child->Goals->GetGoal(0).Strength, 3);  // copied before the parent mutates
  EXPECT_EQ(track.PlayerCount(), 2);
}

}  // namespace
}  // namespace vorlanth
