#include "goals/storage_goal.h"

#include <gtest/gtest.h>

#include "goal_world.h"

namespace vorlanth::testing {
namespace {

class StorageGoalTest : public GoalWorld {
 protected:
  StorageGoalTest() {
    auto owned = std::make_unique<TGoal2DStorage>(&Team, 100, 100, StorageBoxHalfSize, 500);
    Goal = owned.get();
    Team.Goals->AddGoal(std::move(owned));
  }
  TGoal2DStorage* Goal = nullptr;
};

TEST_F(StorageGoalTest, ReactsOverTenSecondsAndKeepsABoxOfAtLeastOnePixel) {
  EXPECT_EQ(Goal->ReactionMs, 10000);
  EXPECT_EQ(TGoal2DStorage(&Team, 0, 0, 0, 10).BoxHalfSize, 1);
}

TEST_F(StorageGoalTest, DepositsEverythingAboveTheReserve) {
  TKart* kart = AddKart(100, 100, 6);
  kart->SetEnergy(60);
  Goal->Evaluate(*kart);
  EXPECT_EQ(Goal->StartValue, 10);
  EXPECT_EQ(Goal->Value, 45);
  EXPECT_EQ(kart->GetEnergy(), 25);
  EXPECT_EQ(Goal->Stored, 35);

  Goal->Evaluate(*kart);  // nothing above the reserve any more
  EXPECT_EQ(Goal->Value, 10);
  EXPECT_EQ(Goal->Stored, 35);
}

TEST_F(StorageGoalTest, ABoxFilledBeyondNinetyPercentIsEmptied) {
  TKart* kart = AddKart(100, 100, 6);
  Goal->Stored = 440;
  kart->SetEnergy(100);
  Goal->Evaluate(*kart);  // min(75 + 440, 500) - 440
  EXPECT_EQ(Goal->Value, 70);
  EXPECT_EQ(kart->GetEnergy(), 40);
  EXPECT_EQ(Goal->Stored, 0);
}

TEST_F(StorageGoalTest, AFutureFeelsTheDepositButChangesNothing) {
  TKart* kart = AddKart(100, 100, 6);
  Goal->Stored = 440;
  kart->SetEnergy(100);
  kart->SetFutureMode(true);
  Goal->Evaluate(*kart);
  EXPECT_EQ(Goal->Value, 70);
  EXPECT_EQ(kart->GetEnergy(), 100);
  EXPECT_EQ(Goal->Stored, 440);
  kart->SetFutureMode(false);
  EXPECT_EQ(kart->GetEnergy(), 100);
}

TEST_F(StorageGoalTest, ReachIsStrictAndDeadOrFullMeansNothing) {
  TKart* kart = AddKart(112, 100, 6);  // 12 is not < 6 + 6
  kart->SetEnergy(80);
  Goal->Evaluate(*kart);
  EXPECT_EQ(Goal->Value, 10);
  EXPECT_EQ(kart->GetEnergy(), 80);
  MoveTo(*kart, 100, 88);
  Goal->Evaluate(*kart);
  EXPECT_EQ(Goal->Value, 10);
  MoveTo(*kart, 111.9, 88.1);
  Goal->Evaluate(*kart);
  EXPECT_EQ(Goal->Value, 65);

  kart->SetEnergy(80);
  Goal->Stored = 0;
  kart->SetHealth(0);
  Goal->Evaluate(*kart);
  EXPECT_EQ(Goal->Value, 10);
  EXPECT_EQ(kart->GetEnergy(), 80);

  kart->SetHealth(100);
  Goal->Stored = 500;
  Goal->Evaluate(*kart);
  EXPECT_EQ(Goal->Value, 10);
  EXPECT_EQ(kart->GetEnergy(), 80);
}

TEST_F(StorageGoalTest, DrawsTheBoxAndItsLevel) {
  TKart* kart = AddKart(30, 30, 6);
  Track.ImageCanvas = &Paper;
  Goal->Draw();  // before the first evaluation: nothing
  EXPECT_TRUE(Paper.Calls.empty());
  Goal->Stored = 100;  // a fifth of 500: ceil(0.2 * 12) = 3 pixels
  Goal->Evaluate(*kart);
  Goal->Draw();
  const auto boxes = Paper.Of(RecordingCanvas::Op::Rectangle);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].args[0], 94);
  EXPECT_EQ(boxes[0].args[1], 94);
  EXPECT_EQ(boxes[0].args[2], 106);
  EXPECT_EQ(boxes[0].args[3], 106);
  EXPECT_EQ(boxes[0].pen, 0xFF0000);
  EXPECT_EQ(boxes[0].brushStyle, Canvas::BrushStyle::Clear);
  EXPECT_EQ(boxes[1].args[1], 103);
  EXPECT_EQ(boxes[1].args[3], 106);
  EXPECT_EQ(boxes[1].pen, 0x000000);
  EXPECT_EQ(boxes[1].brush, 0xFFFF00);
  EXPECT_EQ(boxes[1].brushStyle, Canvas::BrushStyle::Solid);
}

}  // namespace
}  // namespace vorlanth::testing
