#include "goals/drops_goal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

#include "core/random.h"
#include "goal_world.h"
#include "support/test_random.h"

namespace vorlanth::testing {
namespace {

class DropsGoalTest : public GoalWorld {
 protected:
  DropsGoalTest() {
    auto owned = std::make_unique<TGoal2DSweets>(&Team);
    Goal = owned.get();
    Team.Goals->AddGoal(std::move(owned));
  }

  // No drops at all, as if scattered already: the tests lay out their own.
  void ClearDrops() {
    Goal->ReplaceDrops = false;
    Goal->DropUnits.fill(0);
    Goal->FutureDropUnits.fill(0);
    Goal->DropsLeft = DropCount;
  }
  void SetDrop(int32_t i, int32_t x, int32_t y, int32_t units) {
    const auto k = static_cast<size_t>(i);
    Goal->DropX[k] = x;
    Goal->DropY[k] = y;
    Goal->DropUnits[k] = units;
    Goal->FutureDropUnits[k] = units;
  }

  TGoal2DSweets* Goal = nullptr;
};

TEST_F(DropsGoalTest, ReachIsAStrictSquareGrownByTheUnitsLeft) {
  TKart* kart = AddKart(100, 100, 6);
  ClearDrops();
  SetDrop(0, 109, 100, 4);  // 4 + 6 = 10 > 9
  Goal->Evaluate(*kart);
  EXPECT_EQ(Goal->Value, EnergyPerDrop);
  EXPECT_EQ(Goal->StartValue, 1);
  EXPECT_EQ(kart->GetEnergy(), 50 + EnergyPerDrop);
  EXPECT_EQ(Goal->DropUnits[0], 3);

  ClearDrops();
  SetDrop(0, 110, 100, 4);  // 10 is not > 10
  Goal->Evaluate(*kart);
  EXPECT_EQ(Goal->Value, 1);
  EXPECT_EQ(kart->GetEnergy(), 50 + EnergyPerDrop);
  EXPECT_EQ(Goal->DropUnits[0], 4);

  SetDrop(0, 100, 110, 4);  // the same along y
  Goal->Evaluate(*kart);
  EXPECT_EQ(Goal->Value, 1);
}

TEST_F(DropsGoalTest, EveryDropReachedGivesItsUnitButTheValueStaysFive) {
  TKart* kart = AddKart(100, 100, 6);
  ClearDrops();
  SetDrop(3, 100, 100, 2);
  SetDrop(7, 104, 98, 5);
  kart->SetEnergy(98);
  Goal->Evaluate(*kart);
  EXPECT_EQ(Goal->Value, EnergyPerDrop);
  EXPECT_EQ(kart->GetEnergy(), 100);  // clamped at the maximum
  EXPECT_EQ(Goal->DropUnits[3], 1);
  EXPECT_EQ(Goal->DropUnits[7], 4);
}

TEST_F(DropsGoalTest, PresentEmptiesDropsAndCountsThemDown) {
  TKart* kart = AddKart(100, 100, 6);
  ClearDrops();
  SetDrop(0, 100, 100, 1);
  Goal->Evaluate(*kart);
  EXPECT_EQ(Goal->DropUnits[0], 0);
  EXPECT_EQ(Goal->DropsLeft, DropCount - 1);
  Goal->Evaluate(*kart);  // an empty drop does not exist
  EXPECT_EQ(Goal->Value, 1);
  EXPECT_EQ(kart->GetEnergy(), 50 + EnergyPerDrop);
}

TEST_F(DropsGoalTest, FutureConsumesItsOwnCopyOnly) {
  TKart* kart = AddKart(100, 100, 6);
  ClearDrops();
  SetDrop(0, 100, 100, 1);
  SetDrop(1, 101, 101, 3);

  Team.SetFutureMode(true);  // the team hands every future a copy of the present drops
  Goal->Evaluate(*kart);
  EXPECT_EQ(Goal->Value, EnergyPerDrop);
  EXPECT_EQ(Goal->GetDropLeft(0), 0);  // gone in this future
  EXPECT_EQ(Goal->GetDropLeft(1), 2);
  EXPECT_EQ(kart->GetEnergy(), 50 + 2 * EnergyPerDrop);
  Goal->Evaluate(*kart);  // later sub-steps see the future's earlier consumption
  EXPECT_EQ(Goal->GetDropLeft(0), 0);
  EXPECT_EQ(Goal->GetDropLeft(1), 1);
  // The present is untouched.
  EXPECT_EQ(Goal->DropUnits[0], 1);
  EXPECT_EQ(Goal->DropUnits[1], 3);
  EXPECT_EQ(Goal->DropsLeft, DropCount);
  EXPECT_FALSE(Goal->ReplaceDrops);
  Team.SetFutureMode(false);

  EXPECT_EQ(kart->GetEnergy(), 50);
  EXPECT_EQ(Goal->GetDropLeft(0), 1);
  EXPECT_EQ(Goal->FutureDropUnits[0], 1);  // the next future starts from the present again
  EXPECT_EQ(Goal->FutureDropUnits[1], 3);
}

// A future tests only the drops near the body: it must take exactly what the
// present's walk over every drop takes, at the edges of the reach too.
TEST_F(DropsGoalTest, AFutureTakesWhatTheFullWalkWouldTake) {
  TestRandom().Seed(31);
  TKart* kart = AddKart(100, 100, 6);
  for (int trial = 0; trial < 300; ++trial) {
    ClearDrops();
    Goal->DropsLeft = 1000;  // never scattered again here
    for (int32_t i = 0; i < DropCount; ++i)
      SetDrop(i, 90 + static_cast<int32_t>(Random(TestRandom()) * 20), 90 + static_cast<int32_t>(Random(TestRandom()) * 20),
              static_cast<int32_t>(Random(TestRandom()) * 7));
    const double x = 88 + static_cast<int32_t>(Random(TestRandom()) * 24) + (trial % 2 ? 0.5 : 0);
    const double y = 88 + static_cast<int32_t>(Random(TestRandom()) * 24);
    kart->SetSize(1 + static_cast<int32_t>(Random(TestRandom()) * 8));
    MoveTo(*kart, x, y);

    Team.SetFutureMode(true);
    Goal->Evaluate(*kart);
    Goal->Evaluate(*kart);  // the second evaluation reads the first one's units
    const auto future = Goal->FutureDropUnits;
    const double futureEnergy = kart->GetEnergy();
    Team.SetFutureMode(false);
    Goal->Evaluate(*kart);
    Goal->Evaluate(*kart);
    ASSERT_EQ(Goal->DropUnits, future) << "trial " << trial;
    ASSERT_EQ(kart->GetEnergy(), futureEnergy) << "trial " << trial;
    kart->SetEnergy(50);
  }
}

TEST_F(DropsGoalTest, AFutureWalkingFarAndWideTakesWhatTheFullWalkWouldTake) {
  // Drops spread over a few pixels to thousands (cells of every size), a body
  // moving through them within one future, across cell sides and beyond the grid.
  TestRandom().Seed(47);
  TKart* kart = AddKart(100, 100, 6);
  for (int trial = 0; trial < 400; ++trial) {
    ClearDrops();
    Goal->DropsLeft = 1000;  // never scattered again here
    const int32_t spread = 1 + static_cast<int32_t>(Random(TestRandom()) * (trial % 3 == 0 ? 30 : 3000));
    for (int32_t i = 0; i < DropCount; ++i)
      SetDrop(i, -500 + static_cast<int32_t>(Random(TestRandom()) * spread), 200 + static_cast<int32_t>(Random(TestRandom()) * spread),
              static_cast<int32_t>(Random(TestRandom()) * 7));
    kart->SetSize(3 + static_cast<int32_t>(Random(TestRandom()) * 20));
    // Where the body goes: near drops (on their cell sides too), and far off.
    std::vector<std::pair<double, double>> path;
    for (int step = 0; step < 30; ++step) {
      const auto near = static_cast<size_t>(Random(TestRandom()) * DropCount);
      const double dx = std::round((Random(TestRandom()) - 0.5) * 60) / 2;
      const double dy = std::round((Random(TestRandom()) - 0.5) * 60) / 2;
      path.push_back({Goal->DropX[near] + dx, Goal->DropY[near] + dy});
    }
    path.push_back({-1e300, 300});
    path.push_back({std::nan(""), 300});

    Team.SetFutureMode(true);
    for (const auto& [x, y] : path) {
      MoveTo(*kart, x, y);
      Goal->Evaluate(*kart);
    }
    const auto future = Goal->FutureDropUnits;
    const double futureEnergy = kart->GetEnergy();
    Team.SetFutureMode(false);
    for (const auto& [x, y] : path) {
      MoveTo(*kart, x, y);
      Goal->Evaluate(*kart);
    }
    ASSERT_EQ(Goal->DropUnits, future) << "trial " << trial;
    ASSERT_EQ(kart->GetEnergy(), futureEnergy) << "trial " << trial;
    kart->SetEnergy(50);
  }
}

TEST_F(DropsGoalTest, SecondPlayerOfTheSameSubStepSeesOneUnitFewer) {
  TKart* first = AddKart(100, 100, 6);
  TKart* second = AddKart(108.5, 100, 6);  // reaches 3 units (9 > 8.5), not 2
  ClearDrops();
  SetDrop(0, 100, 100, 3);
  Team.Goals->Evaluate();  // the team goal on each member, in team order
  EXPECT_EQ(first->GetEnergy(), 50 + EnergyPerDrop);
  EXPECT_EQ(second->GetEnergy(), 50);
  EXPECT_EQ(Goal->Value, 1);  // the value of the last player evaluated
  EXPECT_EQ(Goal->DropUnits[0], 2);
}

TEST_F(DropsGoalTest, WithEvolutionOnlyRocketsCollect) {
  TKart* kart = AddKart(100, 100, 6);
  TRocket* rocket = AddRocket(100, 100, 0, 6);
  Track.Evolution = true;
  ClearDrops();
  SetDrop(0, 100, 100, 3);
  Goal->Evaluate(*kart);
  EXPECT_EQ(Goal->Value, 1);
  EXPECT_EQ(kart->GetEnergy(), 50);
  EXPECT_EQ(Goal->DropUnits[0], 3);
  Goal->Evaluate(*rocket);
  EXPECT_EQ(Goal->Value, EnergyPerDrop);
  EXPECT_EQ(rocket->GetEnergy(), 50 + EnergyPerDrop);
  EXPECT_EQ(Goal->DropUnits[0], 2);
}

TEST_F(DropsGoalTest, DeadPlayerScoresOneAndTakesNothing) {
  TKart* kart = AddKart(100, 100, 6);
  ClearDrops();
  SetDrop(0, 100, 100, 3);
  kart->SetHealth(0);
  Goal->Evaluate(*kart);
  EXPECT_EQ(Goal->Value, 1);
  EXPECT_EQ(Goal->StartValue, 1);
  EXPECT_EQ(Goal->DropUnits[0], 3);
  EXPECT_EQ(kart->GetEnergy(), 50);
}

TEST_F(DropsGoalTest, ThePresentCountsTheEnergyReallyGained) {
  TKart* kart = AddKart(100, 100, 6);
  ClearDrops();
  SetDrop(0, 100, 100, 3);
  SetDrop(1, 101, 100, 3);
  kart->SetEnergy(97);
  Goal->Evaluate(*kart);  // two units: 10 offered, 3 taken up to the maximum of 100
  EXPECT_EQ(kart->GetEnergy(), 100);
  EXPECT_EQ(Goal->PresentEnergyGained, 3);
  kart->SetEnergy(50);
  Team.SetFutureMode(true);
  Goal->Evaluate(*kart);  // futures gain nothing real
  Team.SetFutureMode(false);
  EXPECT_EQ(Goal->PresentEnergyGained, 3);
}

// True when the drop's centre and the four points 1.5 sizes away are on the track.
bool IsClearSpot(const TTrack2D& track, int32_t x, int32_t y, double size) {
  const double c = 1.5 * size;
  return track.IsOnTrack(x, y) && track.IsOnTrack(x + c, y) && track.IsOnTrack(x - c, y) &&
         track.IsOnTrack(x, y + c) && track.IsOnTrack(x, y - c);
}

TEST_F(DropsGoalTest, TwentyUsedUpDropsAreScatteredAgainAndTheLastFiveStay) {
  TestRandom().Seed(11);
  TKart* kart = AddKart(5, 195, 6);
  Goal->Evaluate(*kart);  // first scattering
  // Lay the drops out apart from each other so that each visit takes one drop only.
  for (int32_t i = 0; i < DropCount; ++i)
    SetDrop(i, 30 + 30 * (i % 5), 30 + 30 * (i / 5), i < 20 ? 1 : 2 + i % 5);
  const auto keptX = Goal->DropX;
  const auto keptY = Goal->DropY;
  const auto keptUnits = Goal->DropUnits;

  for (int32_t i = 0; i < 20; ++i) {
    MoveTo(*kart, Goal->DropX[static_cast<size_t>(i)], Goal->DropY[static_cast<size_t>(i)]);
    Goal->Evaluate(*kart);
    ASSERT_EQ(Goal->DropsLeft, DropCount - 1 - i);
  }
  EXPECT_EQ(Goal->DropsLeft, MinDropsLeft);
  EXPECT_TRUE(Goal->ReplaceDrops);

  MoveTo(*kart, 5, 195);
  Goal->Evaluate(*kart);
  EXPECT_FALSE(Goal->ReplaceDrops);
  EXPECT_EQ(Goal->DropsLeft, DropCount);
  for (size_t i = 0; i < 20; ++i) {
    EXPECT_GE(Goal->DropUnits[i], 2);
    EXPECT_LE(Goal->DropUnits[i], 6);
    EXPECT_TRUE(IsClearSpot(Track, Goal->DropX[i], Goal->DropY[i], 6));
  }
  for (size_t i = 20; i < 25; ++i) {
    EXPECT_EQ(Goal->DropX[i], keptX[i]);
    EXPECT_EQ(Goal->DropY[i], keptY[i]);
    EXPECT_EQ(Goal->DropUnits[i], keptUnits[i]);
  }
}

TEST_F(DropsGoalTest, FirstEvaluationScattersEveryDropOnAClearSpot) {
  TestRandom().Seed(5);
  TMemoryPicture picture = FieldPicture(200, 200);
  // Walls everywhere but a 60 x 60 square in the middle.
  picture.Fill(0, 0, 200, 70, kBlackPixel);
  picture.Fill(0, 130, 200, 200, kBlackPixel);
  picture.Fill(0, 0, 70, 200, kBlackPixel);
  picture.Fill(130, 0, 200, 200, kBlackPixel);
  Track.LoadFromImage(picture);
  TKart* kart = AddKart(5, 195, 6);
  Goal->Evaluate(*kart);
  EXPECT_FALSE(Goal->ReplaceDrops);
  EXPECT_EQ(Goal->DropsLeft, DropCount);
  for (size_t i = 0; i < static_cast<size_t>(DropCount); ++i) {
    EXPECT_GE(Goal->DropUnits[i], 2);
    EXPECT_LE(Goal->DropUnits[i], 6);
    EXPECT_EQ(Goal->FutureDropUnits[i], Goal->DropUnits[i]);
    // 1.5 sizes of clear track around the centre.
    EXPECT_GE(Goal->DropX[i], 79);
    EXPECT_LE(Goal->DropX[i], 120);
    EXPECT_GE(Goal->DropY[i], 79);
    EXPECT_LE(Goal->DropY[i], 120);
  }
}

TEST_F(DropsGoalTest, CircuitWithoutClearSpotLeavesTheDropsEmpty) {
  Track.LoadFromImage(FieldPicture(200, 200, 1, /*allBlack=*/true));
  TKart* kart = AddKart(100, 100, 6);
  Goal->Evaluate(*kart);  // bounded: returns
  EXPECT_EQ(Goal->Value, 1);
  EXPECT_FALSE(Goal->ReplaceDrops);  // no search again at every evaluation
  EXPECT_EQ(Goal->DropsLeft, DropCount);
  for (size_t i = 0; i < static_cast<size_t>(DropSlots); ++i) {
    EXPECT_EQ(Goal->DropUnits[i], 0);
    EXPECT_EQ(Goal->FutureDropUnits[i], 0);
  }
  Track.ImageCanvas = &Paper;
  Goal->Draw();
  EXPECT_TRUE(Paper.Calls.empty());
}

// A circuit that gave few drops a spot: a future that takes a unit must not make
// the next evaluation of that future scatter the present's drops.
TEST_F(DropsGoalTest, AFutureNeverScattersThePresentDropsAfterAPoorScattering) {
  Track.LoadFromImage(FieldPicture(200, 200, 1, /*allBlack=*/true));
  TKart* kart = AddKart(100, 100, 6);
  Goal->Evaluate(*kart);  // no drop finds a spot
  EXPECT_EQ(Goal->DropsLeft, DropCount);

  Track.LoadFromImage(FieldPicture(200, 200));  // now there would be room
  SetDrop(0, 100, 100, 1);
  Team.SetFutureMode(true);
  Goal->Evaluate(*kart);  // takes the future's last unit of drop 0
  Goal->Evaluate(*kart);
  EXPECT_FALSE(Goal->ReplaceDrops);
  for (size_t i = 1; i < static_cast<size_t>(DropCount); ++i) EXPECT_EQ(Goal->DropUnits[i], 0) << i;
  EXPECT_EQ(Goal->DropUnits[0], 1);
  Team.SetFutureMode(false);
}

TEST_F(DropsGoalTest, DrawsThePresentDropsOnly) {
  TKart* kart = AddKart(5, 195, 6);
  ClearDrops();
  SetDrop(0, 50, 60, 3);
  SetDrop(1, 80, 90, 0);
  SetDrop(2, 120, 40, 1);
  Goal->Draw();  // before the first evaluation: nothing, and no canvas needed
  Goal->Evaluate(*kart);
  Goal->Draw();  // no canvas: nothing
  Track.ImageCanvas = &Paper;

  Team.SetFutureMode(true);
  Goal->Evaluate(*kart);
  Goal->Draw();  // while the last player simulates a future: nothing
  EXPECT_TRUE(Paper.Calls.empty());
  Team.SetFutureMode(false);

  Goal->Draw();
  const auto circles = Paper.Of(RecordingCanvas::Op::Ellipse);
  ASSERT_EQ(circles.size(), 2u);
  EXPECT_EQ(circles[0].args[0], 46);  // radius: units + 1
  EXPECT_EQ(circles[0].args[1], 56);
  EXPECT_EQ(circles[0].args[2], 54);
  EXPECT_EQ(circles[0].args[3], 64);
  EXPECT_EQ(circles[0].pen, 0x008000);
  EXPECT_EQ(circles[0].brush, 0xF0FBFF);
  EXPECT_EQ(circles[0].brushStyle, Canvas::BrushStyle::Solid);
  EXPECT_EQ(circles[1].args[0], 118);
  EXPECT_EQ(circles[1].args[2], 122);

  Paper.Calls.clear();
  Goal->ReplaceDrops = true;
  Goal->Draw();
  EXPECT_TRUE(Paper.Calls.empty());
}

}  // namespace
}  // namespace vorlanth::testing
