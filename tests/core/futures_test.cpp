#include <gtest/gtest.h>

#include <utility>

#include "core/team.h"
#include "test_body.h"

namespace vorlanth {
namespace {

using testing::TTestBody;
using testing::TTestTrack;

// Records one future of the body ending at `pos` under `option` with `gain`.
void Record(TTestBody& body, int option, double pos, double gain, double weight = 1) {
  body.SetFutureMode(true);
  TState& w = body.GetState();
  w.OptionCode = option;
  w.OptionIndex = option / 2;
  w.Direction = option % 2;
  body.SetPos(pos);
  w.SetScore(gain, weight);
  body.SetFutureMode(false);
}

TEST(Futures, TheWorkedDecisionExample) {
  auto body = TTestBody::Create(1);
  body->Determination = 0.9;
  body->PrepareFutures();
  ASSERT_EQ(body->Futures->OptionCount(), 4);
  // Summed scores: up 6, down 2, push up 3, push down 3.
  Record(*body, 0, 0, 6);
  Record(*body, 1, 0, 2);
  Record(*body, 2, 0, 3);
  Record(*body, 3, 0, 3);
  body->Futures->Decide(*body->Present);
  EXPECT_NEAR(body->GetPush(0), 11.76, 0.005);
  EXPECT_NEAR(body->Present->GetFreeParam(1).Value, 0, 1e-12);
}

// Without positional parameters every future of an option ends in the one cell
// there is: they merge, and no cells are compared (there is no storage for them).
TEST(Futures, APlayerWithoutPositionsKeepsOneFuturePerOption) {
  auto body = TTestBody::Create(1, false);
  body->PrepareFutures();
  for (const auto& [option, gain] : {std::pair{0, 2.0}, {0, 5.0}, {1, 1.0}}) {
    body->SetFutureMode(true);
    body->GetState().OptionCode = option;
    body->GetState().SetScore(gain, 1);
    body->SetFutureMode(false);
  }
  ASSERT_EQ(body->Futures->FutureCount(), 2);
  EXPECT_EQ(body->Futures->GetFuture(0).Gain, 5);
  EXPECT_TRUE(body->Futures->GetFuture(0).Cells.empty());
}

TEST(Futures, SameOptionAndCellMergeKeepingTheBestScore) {
  auto body = TTestBody::Create(1);
  body->PrepareFutures();
  Record(*body, 0, 1, 2);
  Record(*body, 0, 2, 5);   // same cell (15 px grid of 10 after SetGridSize? no: cell size 15)
  Record(*body, 0, 3, 2.5, 2);  // equal score keeps the first
  EXPECT_EQ(body->Futures->FutureCount(), 1);
  EXPECT_EQ(body->Futures->GetFuture(0).Gain, 5);
  EXPECT_EQ(body->Futures->GetFuture(0).Weight, 1);
  EXPECT_EQ(body->Futures->GetFuture(0).Cells[0], 0);
  Record(*body, 1, 1, 1);   // same cell, other option
  Record(*body, 0, 40, 1);  // same option, other cell
  EXPECT_EQ(body->Futures->FutureCount(), 3);
}

TEST(Futures, ManyDistinctFuturesStayFindableAsTheListGrows) {
  // More futures than the first index holds: growing it must keep every item
  // findable and every item's cells its own.
  auto body = TTestBody::Create(1);
  body->PrepareFutures();
  constexpr int kCount = 700;
  for (int i = 0; i < kCount; ++i) Record(*body, i % 4, i * 30.0, 1);
  for (int i = 0; i < kCount; ++i) Record(*body, i % 4, i * 30.0, 2 + i);
  ASSERT_EQ(body->Futures->FutureCount(), kCount);
  for (int i = 0; i < kCount; ++i) {
    const TFuture& f = body->Futures->GetFuture(i);
    EXPECT_EQ(f.OptionCode, i % 4);
    EXPECT_EQ(f.Cells[0], i * 30);
    EXPECT_EQ(f.Gain, 2 + i);
  }
  body->PrepareFutures();  // a new cycle starts empty
  Record(*body, 0, 0, 1);
  EXPECT_EQ(body->Futures->FutureCount(), 1);
}

TEST(Futures, GoalLessPlayersCountDistinctEndCells) {
  auto body = TTestBody::Create(2);  // four free parameters
  body->Goals->Clear();
  body->Determination = 0;
  body->PrepareFutures();
  for (int i = 0; i < 10; ++i) Record(*body, 0, i * 100.0, 0);
  for (int i = 0; i < 5; ++i) Record(*body, 1, i * 100.0, 0);
  for (int i = 0; i < 5; ++i) Record(*body, 0, i * 100.0, 0);  // merge
  body->Futures->SumOptionScores();
  EXPECT_EQ(body->Futures->GetOption(0).GetRawScore(), 10);
  EXPECT_EQ(body->Futures->GetOption(1).GetRawScore(), 5);
  EXPECT_EQ(body->Futures->GetOption(2).GetRawScore(), 0);
}

TEST(Futures, ZeroTotalSetsEveryControlToZero) {
  auto body = TTestBody::Create(1);
  body->Present->GetFreeParam(0).SetValue(7);
  body->PrepareFutures();
  Record(*body, 0, 0, 0);
  Record(*body, 3, 0, 0);
  body->Futures->Decide(*body->Present);
  EXPECT_EQ(body->GetPush(0), 0);
}

TEST(Futures, DeadOrControlLessPlayersKeepControlsAndGrid) {
  auto body = TTestBody::Create(1);
  body->Present->GetFreeParam(0).SetValue(7);
  body->PrepareFutures();
  Record(*body, 1, 0, 4);
  body->SetHealth(0);
  body->Decide();
  EXPECT_EQ(body->GetPush(0), 7);
  EXPECT_EQ(body->GridSize, 10);

  auto passive = TTestBody::Create(0);
  passive->PrepareFutures();
  Record(*passive, 0, 0, 4);
  passive->Decide();
  EXPECT_EQ(passive->GridSize, 10);
}

TEST(Futures, ControlsSetFromOutsideAreKeptUntilReleased) {
  auto body = TTestBody::Create(1);
  body->Present->GetFreeParam(0).SetValue(7);
  body->PrepareFutures();
  Record(*body, 1, 0, 4);
  body->ExternalControls = true;
  body->Decide();
  EXPECT_EQ(body->GetPush(0), 7);
  // Released, the same futures decide: the push goes the way option 1 points.
  body->ExternalControls = false;
  body->Decide();
  EXPECT_LT(body->GetPush(0), 0);
}

TEST(Futures, APlayerWithoutAccumulatorsKeepsItsControls) {
  // Created after this cycle's Prepare (by a window command during the drawing).
  auto body = TTestBody::Create(1);
  body->Present->GetFreeParam(0).SetValue(7);
  body->Decide();
  EXPECT_EQ(body->GetPush(0), 7);
  EXPECT_EQ(body->GridSize, 10);
}

TEST(Futures, DeterminationShiftsByTheWeakestOption) {
  auto body = TTestBody::Create(1);
  body->PrepareFutures();
  Record(*body, 0, 0, 3);
  Record(*body, 1, 0, 1);
  Record(*body, 2, 0, 1);
  Record(*body, 3, 0, 1);
  body->Determination = 1;
  body->Futures->Decide(*body->Present);
  // Shifted 2, 0, 0, 0: the up option holds all the support.
  EXPECT_DOUBLE_EQ(body->GetPush(0), 20);
}

TEST(Futures, GridAdaptsToTheNumberOfDistinctFutures) {
  TTestTrack track;
  TTeam team;
  track.AddTeam(&team);
  track.MinFutures = 100;
  auto run = [&](int distinct) {
    auto owned = TTestBody::Create(1);
    TTestBody* body = owned.get();
    team.AddPlayer(std::move(owned));
    body->PrepareFutures();
    for (int i = 0; i < distinct; ++i) Record(*body, 0, i * 100.0, 1);
    body->AdaptGridSize();
    const int grid = body->GridSize;
    team.RemovePlayer(body, true);
    return grid;
  };
  EXPECT_EQ(run(60), 12);
  EXPECT_EQ(run(40), 8);
  EXPECT_EQ(run(100), 50);
  EXPECT_EQ(run(130), 50);
  EXPECT_EQ(run(50), 10);
}

}  // namespace
}  // namespace vorlanth
