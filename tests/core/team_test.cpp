#include <gtest/gtest.h>

#include "core/error.h"
#include "core/team.h"
#include "test_body.h"

namespace vorlanth {
namespace {

using testing::TTestBody;
using testing::TTestTrack;

class TeamTest : public ::testing::Test {
 protected:
  TTestTrack track;
  TTeam team;
  void SetUp() override { track.AddTeam(&team); }
  TTestBody* Add(int controls = 1) {
    return static_cast<TTestBody*>(team.AddPlayer(TTestBody::Create(controls)));
  }
};

TEST_F(TeamTest, SelectionFollowsAdditionsAndRemovals) {
  TPlayer* a = Add();
  TPlayer* b = Add();
  TPlayer* c = Add();
  EXPECT_EQ(team.Selected, c);
  team.AddPlayer(std::unique_ptr<TPlayer>());  // nothing
  std::unique_ptr<TPlayer> kept = team.RemovePlayer(c, false);
  EXPECT_EQ(kept.get(), c);
  EXPECT_EQ(team.Selected, a);
  team.SelectPlayer(b);
  team.RemovePlayer(a, true);
  EXPECT_EQ(team.Selected, b);  // a non-selected removal keeps the selection
  EXPECT_EQ(track.PlayerCount(), 1);
  team.RemovePlayer(kept.get(), true);  // a non-member is ignored
  team.RemovePlayer(b, true);
  EXPECT_EQ(team.Selected, nullptr);
  EXPECT_EQ(track.PlayerCount(), 0);
}

TEST_F(TeamTest, AddingAMemberAgainChangesNothingAndKeepsItAlive) {
  TTestBody* a = Add();
  TTestBody* b = Add();
  team.SelectPlayer(a);
  EXPECT_EQ(team.AddPlayer(std::unique_ptr<TPlayer>(b)), b);
  EXPECT_EQ(team.PlayerCount(), 2);
  EXPECT_EQ(team.Selected, a);
  b->ShowTraces = true;  // still alive: the sanitizer build reports a use after free
  EXPECT_EQ(team.GetPlayer(1), b);
  EXPECT_EQ(track.PlayerCount(), 2);
}

TEST_F(TeamTest, SelectingANonMemberRaisesAndKeepsTheSelection) {
  TPlayer* a = Add();
  auto stranger = TTestBody::Create();
  try {
    team.SelectPlayer(stranger.get());
    FAIL();
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Selected player must be a team member.");
  }
  EXPECT_EQ(team.Selected, a);
}

TEST_F(TeamTest, SplitPlayersDoesNotSplitChildrenInTheSameCall) {
  track.Evolution = true;
  Add()->SetEnergy(100);
  Add()->SetEnergy(100);
  team.SplitPlayers();
  EXPECT_EQ(team.PlayerCount(), 4);
  for (auto& p : team.Players) EXPECT_EQ(p->GetEnergy(), 50);
}

TEST_F(TeamTest, BodiesThatCannotCloneNeverSplit) {
  track.Evolution = true;
  TTestBody* body = Add();
  body->SetEnergy(100);
  body->Cloneable = false;
  team.SplitPlayers();
  EXPECT_EQ(team.PlayerCount(), 1);
}

TEST_F(TeamTest, PhaseZeroOnAControlLessPlayerOnlyMarksAndSteps) {
  TTestBody* passive = Add(0);
  passive->SetPos(3);
  passive->Present->ElapsedMs = 0;
  team.StartFutureStep();
  EXPECT_EQ(passive->Present->GetParam(passive->PosIndex).StartValue, 3);
  EXPECT_EQ(passive->Present->ElapsedMs, 100);  // the body sub-step ran
}

TEST_F(TeamTest, RemovingAtTheDrawingStepFreesAtOnce) {
  TTestBody* a = Add();
  Add();
  bool removed = false;
  track.MinFutures = 1;
  int64_t t = 0;
  track.ClockMs = [&] { return t += 200; };
  track.Inbox.Post([&] {
    team.RemovePlayer(a, true);
    removed = true;
  });
  track.Cycle();  // under AddressSanitizer: no use after free in steps 7 to 9
  EXPECT_TRUE(removed);
  EXPECT_EQ(team.PlayerCount(), 1);
  EXPECT_EQ(track.PlayerCount(), 1);
}

}  // namespace
}  // namespace vorlanth
