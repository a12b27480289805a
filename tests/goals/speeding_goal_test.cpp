// The speeding goal, and the goals a body's creator gives it.

#include <gtest/gtest.h>

#include "goals/speeding_goal.h"
#include "world2d/kart.h"
#include "../world2d/world_fixture.h"
#include "support/test_random.h"

namespace vorlanth::testing {
namespace {

TEST(SpeedingGoalTest, MeasuresSpeedInBodySizesPerSecond) {
  auto body = RegularBody::Create(4, 100, 100, 0);
  body->SetSize(10);
  TGoal2DRaced goal(body.get());
  goal.Evaluate(*body);
  EXPECT_EQ(goal.Value, 0);

  body->GetState().MarkStartValues();
  body->SetVelX(3);
  body->SetVelY(4);
  goal.Evaluate(*body);
  EXPECT_DOUBLE_EQ(goal.Value, 0.5);
  EXPECT_EQ(goal.StartValue, 0);
  body->GetState().MarkStartValues();
  goal.Evaluate(*body);
  EXPECT_DOUBLE_EQ(goal.StartValue, 0.5);
}

TEST(SpeedingGoalTest, SpinningInPlaceIsNoSpeed) {
  auto body = RegularBody::Create(4, 100, 100, 0);
  body->SetVelA(5);
  TGoal2DRaced goal(body.get());
  goal.Evaluate(*body);
  EXPECT_EQ(goal.Value, 0);
}

TEST(SpeedingGoalTest, PlayerThatIsNotABodyMeasuresNothing) {
  auto plain = PlainPlayer::Create();
  TGoal2DRaced goal(plain.get());
  goal.Value = 3;
  goal.Evaluate(*plain);
  EXPECT_EQ(goal.Value, 0);
}

TEST(SpeedingGoalTest, ABodysCloneHoldsTheGoalsItsCreatorGaveIt) {
  auto kart = TKart::Create(TestRandom(), 100, 100, 0);
  EXPECT_EQ(kart->Goals->GoalCount(), 2);  // health and energy only
  kart->AdoptGoals(GiveBodyGoals);
  ASSERT_EQ(kart->Goals->GoalCount(), 3);
  const std::unique_ptr<TPlayer> clone = kart->Clone(TestRandom());
  ASSERT_EQ(clone->Goals->GoalCount(), 3);
  EXPECT_EQ(clone->Goals->GetGoal(2).Name, "Speeding");
  EXPECT_EQ(clone->Goals->GetGoal(2).Owner->Player, clone.get());
}

}  // namespace
}  // namespace vorlanth::testing
