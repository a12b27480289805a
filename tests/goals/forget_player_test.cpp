// Goals that remember the player they evaluated last let go of it when the
// player is removed; run under AddressSanitizer, a stale pointer shows up as a
// use after free.

#include <gtest/gtest.h>

#include "goal_world.h"
#include "goals/drops_goal.h"
#include "goals/mouse_goal.h"
#include "goals/storage_goal.h"

namespace vorlanth::testing {
namespace {

class ForgetPlayerTest : public GoalWorld {
 protected:
  ForgetPlayerTest() {
    Track.ImageCanvas = &Paper;
    Track.MouseSource = [](int32_t& x, int32_t& y) {
      x = y = 100;
      return true;
    };
    Drops = Add(std::make_unique<TGoal2DSweets>(&Team));
    Storage = Add(std::make_unique<TGoal2DStorage>(&Team, 100, 100, StorageBoxHalfSize, 500));
    Mouse = Add(std::make_unique<TGoalMouse>(&Team, false));
    Team.Goals->ShowGoals = true;
  }
  template <typename Goal>
  Goal* Add(std::unique_ptr<Goal> goal) {
    Goal* raw = goal.get();
    Team.Goals->AddGoal(std::move(goal));
    return raw;
  }
  TGoal2DSweets* Drops;
  TGoal2DStorage* Storage;
  TGoalMouse* Mouse;
};

TEST_F(ForgetPlayerTest, RemovingTheLastEvaluatedPlayerClearsIt) {
  TKart* first = AddKart(5, 195, 6);
  TKart* last = AddKart(195, 5, 6);
  Team.Goals->Evaluate();
  ASSERT_EQ(Drops->GetLastPlayer(), last);
  ASSERT_EQ(Storage->GetLastPlayer(), last);
  ASSERT_EQ(Mouse->GetLastPlayer(), last);

  Team.RemovePlayer(first, true);  // another player: kept
  EXPECT_EQ(Drops->GetLastPlayer(), last);

  Team.RemovePlayer(last, true);
  EXPECT_EQ(Drops->GetLastPlayer(), nullptr);
  EXPECT_EQ(Storage->GetLastPlayer(), nullptr);
  EXPECT_EQ(Mouse->GetLastPlayer(), nullptr);
  Paper.Calls.clear();
  Team.DrawGoals();  // nothing evaluated since: nothing drawn, nothing touched
  EXPECT_TRUE(Paper.Calls.empty());
  EXPECT_EQ(Drops->GetDropLeft(0), Drops->DropUnits[0]);

  TKart* next = AddKart(5, 195, 6);
  Team.Goals->Evaluate();
  Team.DrawGoals();
  EXPECT_EQ(Drops->GetLastPlayer(), next);
  EXPECT_FALSE(Paper.Calls.empty());
}

TEST_F(ForgetPlayerTest, RemovedFromInsideACycle) {
  AddKart(5, 195, 6);
  TKart* doomed = AddKart(195, 5, 6);
  int64_t t = 0;
  Track.ClockMs = [&] { return t += 2; };
  Track.MinFutures = 2;
  Track.HorizonMs = 200;
  Track.Inbox.Post([&] { Team.RemovePlayer(doomed, true); });
  Track.Cycle();  // the goals were evaluated on it, then it went at the drawing step
  EXPECT_EQ(Drops->GetLastPlayer(), nullptr);
  EXPECT_EQ(Mouse->GetLastPlayer(), nullptr);
  Track.Cycle();
  EXPECT_NE(Drops->GetLastPlayer(), nullptr);
  Team.DrawGoals();
}

}  // namespace
}  // namespace vorlanth::testing
