#include "goals/mouse_goal.h"

#include <gtest/gtest.h>

#include "goal_world.h"

namespace vorlanth::testing {
namespace {

class MouseGoalTest : public GoalWorld {
 protected:
  MouseGoalTest() {
    Track.MouseSource = [this](int32_t& x, int32_t& y) {
      x = CursorX;
      y = CursorY;
      return HasCursor;
    };
  }
  int32_t CursorX = 100;
  int32_t CursorY = 100;
  bool HasCursor = true;
  TGoalMouse Follow{&Team, false};
  TGoalMouse Avoid{&Team, true};
};

TEST_F(MouseGoalTest, DistanceInSizesPlusOne) {
  TKart* kart = AddKart(100, 50, 9);  // 50 pixels from the cursor: d = 50 / 10
  Follow.Evaluate(*kart);
  Avoid.Evaluate(*kart);
  EXPECT_DOUBLE_EQ(Follow.Value, 0.2);
  EXPECT_DOUBLE_EQ(Avoid.Value, 5);

  MoveTo(*kart, 100, 100);  // right on the cursor
  Follow.Evaluate(*kart);
  Avoid.Evaluate(*kart);
  EXPECT_EQ(Follow.Value, 100);
  EXPECT_EQ(Avoid.Value, 0);
}

TEST_F(MouseGoalTest, ReadsTheCursorAtEveryEvaluation) {
  TKart* kart = AddKart(100, 50, 9);
  Follow.Evaluate(*kart);
  EXPECT_DOUBLE_EQ(Follow.Value, 0.2);
  CursorY = 75;
  Follow.Evaluate(*kart);
  EXPECT_DOUBLE_EQ(Follow.Value, 0.4);
}

TEST_F(MouseGoalTest, KeepsItsValueOffTheCircuitOrForADeadPlayer) {
  TKart* kart = AddKart(100, 50, 9);
  Follow.Evaluate(*kart);
  ASSERT_DOUBLE_EQ(Follow.Value, 0.2);
  MoveTo(*kart, 100, 90);
  struct Cursor {
    int32_t x, y;
    bool has;
  };
  // The first row and column and the picture's far edges are off the circuit.
  const Cursor offCircuit[] = {{0, 100, true},  {100, 0, true},  {200, 100, true},
                               {100, 200, true}, {-5, 100, true}, {100, 100, false}};
  for (const Cursor& c : offCircuit) {
    CursorX = c.x;
    CursorY = c.y;
    HasCursor = c.has;
    Follow.Evaluate(*kart);
    EXPECT_DOUBLE_EQ(Follow.Value, 0.2) << c.x << "," << c.y;
  }
  Track.MouseSource = nullptr;  // no window
  Follow.Evaluate(*kart);
  EXPECT_DOUBLE_EQ(Follow.Value, 0.2);

  Track.MouseSource = [](int32_t& x, int32_t& y) {
    x = y = 100;
    return true;
  };
  kart->SetHealth(0);
  Follow.Evaluate(*kart);
  EXPECT_DOUBLE_EQ(Follow.Value, 0.2);
  EXPECT_EQ(Follow.StartValue, 0);  // never set
}

TEST_F(MouseGoalTest, DrawsACrossHairAtTheCursor) {
  TKart* kart = AddKart(50, 50, 6);
  Track.ImageCanvas = &Paper;
  Follow.Draw();  // before the first evaluation
  EXPECT_TRUE(Paper.Calls.empty());
  CursorX = 120;
  CursorY = 80;
  Follow.Evaluate(*kart);
  Follow.Draw();
  ASSERT_EQ(Paper.Calls.size(), 3u);
  const auto& circle = Paper.Calls[0];
  EXPECT_EQ(circle.op, RecordingCanvas::Op::Ellipse);
  EXPECT_EQ(circle.args[0], 110);
  EXPECT_EQ(circle.args[1], 70);
  EXPECT_EQ(circle.args[2], 130);
  EXPECT_EQ(circle.args[3], 90);
  EXPECT_EQ(circle.pen, 0xFF0000);
  EXPECT_EQ(circle.brushStyle, Canvas::BrushStyle::Clear);
  EXPECT_EQ(Paper.Calls[1].args[0], 120);
  EXPECT_EQ(Paper.Calls[1].args[1], 70);
  EXPECT_EQ(Paper.Calls[1].args[2], 120);
  EXPECT_EQ(Paper.Calls[1].args[3], 90);
  EXPECT_EQ(Paper.Calls[2].args[0], 110);
  EXPECT_EQ(Paper.Calls[2].args[1], 80);
  EXPECT_EQ(Paper.Calls[2].args[2], 130);
  EXPECT_EQ(Paper.Calls[2].args[3], 80);

  Paper.Calls.clear();
  HasCursor = false;
  Follow.Draw();
  EXPECT_TRUE(Paper.Calls.empty());
}

}  // namespace
}  // namespace vorlanth::testing
