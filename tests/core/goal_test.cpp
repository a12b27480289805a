#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "core/energy_health_goals.h"
#include "core/random.h"
#include "core/team.h"
#include "goal_reference.h"
#include "test_body.h"
#include "support/test_random.h"

namespace vorlanth {
namespace {

using testing::TestRandom;

using testing::TTestBody;

// A goal whose measurement the test sets directly.
class TFixedGoal : public TGoal {
 public:
  explicit TFixedGoal(TGoalOwner owner) : TGoal(owner) {}
  double NextStart = 0, NextValue = 0;
  void Evaluate(TPlayer&) override {
    StartValue = NextStart;
    SetValue(NextValue);
  }
};

class TOtherGoal : public TFixedGoal {
 public:
  using TFixedGoal::TFixedGoal;
};

TEST(Goal, StrengthIsClampedToItsRange) {
  TFixedGoal g(static_cast<TPlayer*>(nullptr));
  g.SetStrength(7);
  EXPECT_EQ(g.Strength, 5);
  g.SetStrength(-1);
  EXPECT_EQ(g.Strength, 0);
  g.SetReactionTime(2.5);
  EXPECT_EQ(g.ReactionMs, 2500);
}

TEST(Goal, FeelingFollowsTheChangeShapedByLossFactor) {
  TFixedGoal g(static_cast<TPlayer*>(nullptr));
  g.ReactionMs = 10000;
  g.StartValue = 10;  // health 100 -> 80
  g.Value = 8;
  g.LossFactor = 5;
  g.Derive();
  EXPECT_DOUBLE_EQ(g.Feeling, 0.8);
  g.LossFactor = 0.5;
  g.Derive();
  EXPECT_DOUBLE_EQ(g.Feeling, 0.9);
  g.StartValue = 5;
  g.Value = 6;
  g.LossFactor = 5;
  g.Derive();
  EXPECT_DOUBLE_EQ(g.Feeling, 0.24);
  g.ReactionMs = 0;
  g.Derive();
  EXPECT_EQ(g.Feeling, 1);
  g.ReactionMs = 10000;
  g.StartValue = 0;
  g.Derive();
  EXPECT_EQ(g.Feeling, 1);
}

TEST(Goal, WeightFactorFadesOverTheReactionTime) {
  TState s(nullptr);
  TFixedGoal g(static_cast<TPlayer*>(nullptr));
  g.ReactionMs = 10000;
  g.Urgency = 2;
  g.Feeling = 0.8;
  g.Level = 1;
  s.ElapsedMs = 1000;
  ApplyGoalReference(s, g);
  EXPECT_DOUBLE_EQ(s.WeightFactor, 0.802);
  s.ResetStepAccumulators();
  s.ElapsedMs = 10000;
  ApplyGoalReference(s, g);
  EXPECT_EQ(s.WeightFactor, 1);
  // A goal without reaction time never touches the weight.
  g.ReactionMs = 0;
  s.ElapsedMs = 100;
  ApplyGoalReference(s, g);
  EXPECT_EQ(s.WeightFactor, 1);
}

TEST(Goal, AScaledGoalAtZeroStopsTheGainUnlessItsStrengthIsZero) {
  auto body = TTestBody::Create();
  TState& s = *body->Present;
  TFixedGoal speed(body.get()), necessity(body.get());
  speed.Value = 3;
  speed.Derive();
  necessity.Scale = 100;
  necessity.Value = 0;
  necessity.Derive();
  ApplyGoalReference(s, speed);
  ApplyGoalReference(s, necessity);
  s.EndStep();
  EXPECT_EQ(s.Gain, 0);
  necessity.SetStrength(0);
  ApplyGoalReference(s, speed);
  ApplyGoalReference(s, necessity);
  s.EndStep();
  EXPECT_DOUBLE_EQ(s.Gain, 0.1 * 3);  // dt x sqrt(3^2 x 1)
  EXPECT_EQ(body->TraceSteps, 2);
}

TEST(Goal, ApplyToGivesTheBitsOfDeriveThenApplyGoal) {
  // ApplyTo folds a goal into the state in one step; Derive then ApplyGoal is the
  // reference. Over the edges of every branch (unscaled goals, strength 1, levels
  // of 1, NaN and infinite measurements, softened and sharpened feelings, the end
  // of the reaction time) both leave the same bits in the goal and the state.
  auto body = TTestBody::Create();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const double measures[] = {0.0, -0.0, 1.0, 0.5, 2.0, -3.0, 100.0, 250.0, inf, nan};
  const double scales[] = {0.0, 1.0, 100.0, -1.0, nan};
  const double strengths[] = {0.0, 1.0, 0.8, 2.5};
  const double lossFactors[] = {0.5, 1.0, 5.0};
  const int32_t reactions[] = {0, 3000};
  const int64_t elapsed[] = {1000, 3000};
  const auto bits = [](double x) { return std::bit_cast<uint64_t>(x); };
  int cases = 0;
  for (double start : measures)
    for (double value : measures)
      for (double scale : scales)
        for (double strength : strengths)
          for (double loss : lossFactors)
            for (int32_t reaction : reactions)
              for (int64_t ms : elapsed) {
                TFixedGoal fused(body.get()), reference(body.get());
                for (TFixedGoal* g : {&fused, &reference}) {
                  g->NextStart = start;
                  g->NextValue = value;
                  g->Scale = scale;
                  g->Strength = strength;
                  g->LossFactor = loss;
                  g->ReactionMs = reaction;
                  g->Urgency = 0.7;
                }
                TState a(nullptr), b(nullptr);
                for (TState* s : {&a, &b}) {
                  s->ElapsedMs = ms;
                  s->GainSquares = 0.25;
                  s->GainFactor = 0.75;
                  s->WeightFactor = 0.9;
                }
                fused.ApplyTo(*body, a, body->Goals->ShowGoals);
                reference.Evaluate(*body);
                reference.Derive();
                ApplyGoalReference(b, reference);
                const bool same = bits(a.GainSquares) == bits(b.GainSquares) &&
                                  bits(a.GainFactor) == bits(b.GainFactor) &&
                                  bits(a.WeightFactor) == bits(b.WeightFactor) &&
                                  bits(fused.GainInput) == bits(reference.GainInput) &&
                                  bits(fused.Level) == bits(reference.Level) &&
                                  bits(fused.Feeling) == bits(reference.Feeling);
                ASSERT_TRUE(same) << "start " << start << " value " << value << " scale " << scale
                                  << " strength " << strength << " loss " << loss << " reaction "
                                  << reaction << " elapsed " << ms;
                ++cases;
              }
  EXPECT_EQ(cases, 24000);
}

TEST(GoalSet, CopyParamsFromMatchesByClass) {
  auto a = TTestBody::Create();
  auto b = TTestBody::Create();
  a->Goals->AddGoal(std::make_unique<TOtherGoal>(a.get()));
  a->Goals->GetGoal(0).SetStrength(2);   // health
  a->Goals->GetGoal(2).SetStrength(4);   // other
  a->Goals->GetGoal(2).ReactionMs = 300;
  b->Goals->GetGoal(1).SetStrength(3);   // energy, no counterpart change
  b->Goals->CopyParamsFrom(*a->Goals);
  EXPECT_EQ(b->Goals->GetGoal(0).Strength, 2);
  EXPECT_EQ(b->Goals->GetGoal(1).Strength, a->Goals->GetGoal(1).Strength);
  // A goal class the other set lacks stays unchanged.
  b->Goals->AddGoal(std::make_unique<TFixedGoal>(b.get()));
  b->Goals->GetGoal(2).SetStrength(1.5);
  b->Goals->CopyParamsFrom(*a->Goals);
  EXPECT_EQ(b->Goals->GetGoal(2).Strength, 1.5);
  EXPECT_EQ(b->Goals->GetGoal(2).ReactionMs, 0);
}

TEST(GoalSet, ColorFromGoalsAndMutationStayInRange) {
  auto body = TTestBody::Create();
  TGoalSet& set = *body->Goals;
  set.Clear();
  set.AddGoal(std::make_unique<TFixedGoal>(body.get()));
  set.AddGoal(std::make_unique<TFixedGoal>(body.get()));
  set.GetGoal(0).SetStrength(5);
  set.GetGoal(1).SetStrength(2.5);
  set.ColorFromGoals();
  EXPECT_EQ(body->Color, MakeColor(255, 128, 128));

  TestRandom().Seed(11);
  for (int i = 0; i < 500; ++i) {
    set.MutateStrengths(TestRandom());
    for (int g = 0; g < set.GoalCount(); ++g) {
      ASSERT_GE(set.GetGoal(g).Strength, 0);
      ASSERT_LE(set.GetGoal(g).Strength, set.GetGoal(g).MaxStrength);
    }
  }
  set.RandomizeStrengths(TestRandom());
  for (int g = 0; g < set.GoalCount(); ++g) {
    EXPECT_GE(set.GetGoal(g).Strength, 0.5);
    EXPECT_LT(set.GetGoal(g).Strength, 4.5);
  }
}

TEST(GoalSet, TeamColorReachesEveryMember) {
  TTeam team;
  TPlayer* a = team.AddPlayer(TTestBody::Create());
  TPlayer* b = team.AddPlayer(TTestBody::Create());
  team.Goals->ColorFromGoals();
  EXPECT_EQ(a->Color, MakeColor(128, 128, 128));
  EXPECT_EQ(b->Color, a->Color);
}

TEST(EnergyHealthGoals, MeasureTheCondition) {
  auto body = TTestBody::Create();
  TGoalEnergy energy(body.get());
  TGoalHealth health(body.get());
  EXPECT_EQ(energy.Name, "Energy");
  EXPECT_DOUBLE_EQ(energy.Strength, 0.8);
  EXPECT_EQ(health.LossFactor, 5);
  body->SetEnergy(55);
  energy.Evaluate(*body);
  EXPECT_DOUBLE_EQ(energy.Value, 5);
  body->SetEnergy(4);
  energy.Evaluate(*body);
  EXPECT_EQ(energy.Value, 0);
  body->SetHealth(0);
  health.Evaluate(*body);
  EXPECT_EQ(health.Value, 0);
  EXPECT_EQ(health.StartValue, 10);  // start value still full health
}

}  // namespace
}  // namespace vorlanth
