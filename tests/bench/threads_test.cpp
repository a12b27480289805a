#include <gtest/gtest.h>

#include <cstring>
#include <utility>

#include "bench/population.h"
#include "core/error.h"
#include "core/random.h"
#include "core/team.h"
#include "support/recording_canvas.h"
#include "support/threads_world.h"
#include "world2d/kart.h"
#include "world2d/track2d.h"

namespace vorlanth {
namespace {

using testing::RecordingCanvas;

// A world with every kind of body and goal, collisions, evolution, the mouse and
// all drawing, run at a fixed number of futures on the given number of threads,
// each running the given number of passes side by side.
struct Scene {
  TTrack2D Track;
  TTeam Team;
  TPopulation Population{Track};
  RecordingCanvas Paper{/*keepCalls=*/false};  // the digest of a long run

  explicit Scene(int32_t threads, int32_t lanes = 1) {
    Track.Random.SeedRun(4242);
    testing::SetUpThreadsWorld(Track, Team, Paper, threads, 9, 3000);
    Track.Lanes = lanes;
    Track.Collisions = true;
    Population.AddPlayer(pkRocket);
    Population.AddBurnOutGoal();
    for (int i = 0; i < 3; ++i) Population.AddPlayer(pkKart);
    Population.AddAsteroids(3);
    Population.AddDropsGoal();
    Population.AddStorageGoal();
    Population.AddAvoidGoal();
    Population.AddMouseGoal(false);
    Team.Goals->ShowGoals = true;
    Track.SetEvolution(true);
    ShowEverything();
  }
  void ShowEverything() {
    for (TPlayer* p : Track.Players) p->ShowTraces = p->ShowFeelings = p->ShowEndingPoints = true;
  }

  // The run, with the window's kinds of change between cycles, and inside them:
  // a window handler runs while the cycle draws, after the passes.
  uint64_t Run() {
    // What a window handler does while the cycle draws, posted for that cycle.
    const auto inside = [&](int cycle) {
      if (cycle == 4) {
        Population.AddPlayer(pkRocket);
        ShowEverything();
        Team.GetPlayer(0)->Goals->GetGoal(0).SetStrength(2);
      } else if (cycle == 8) {
        Team.RemovePlayer(Team.GetPlayer(2), true);
        Track.Collisions = false;
      }
    };
    for (int cycle = 0; cycle < 10; ++cycle) {
      Track.Inbox.Post([&inside, cycle] { inside(cycle); });
      if (cycle == 1)
        for (TPlayer* player : Track.Players) player->SetEnergy(100);  // ready to split
      if (cycle == 3) {
        Population.AddPlayer(pkKart);
        ShowEverything();
        Team.Goals->GetGoal(2).SetStrength(3);
      }
      if (cycle == 5) {
        Track.HorizonMs = 2000;
        Track.Friction = 0.5;
        Team.RemovePlayer(Team.GetPlayer(1), true);
      }
      if (cycle == 7) Population.DeleteTeamGoals();
      Track.Cycle();
      Digest();
    }
    return Paper.Digest;
  }
  // Folds the world's present and recorded futures into the drawing's digest.
  void Digest() {
    Paper.Add(&Track.TotalSubSteps, sizeof Track.TotalSubSteps);
    for (TPlayer* player : Track.Players) {
      for (const TStateParam& p : player->GetState().Params) Paper.Add(&p.Value, sizeof p.Value);
      Paper.AddFutures(*player->Futures);
      for (const auto& goal : player->Goals->Items) Paper.Add(&goal->Feeling, sizeof goal->Feeling);
    }
  }
};

TEST(ReplicaThreads, AnyNumberOfThreadsGivesTheSameWorld) {
  Scene one(1);
  const uint64_t expected = one.Run();
  EXPECT_GT(one.Paper.Asked, 10000);  // traces, feelings and ending points were drawn
  EXPECT_GT(one.Track.PlayerCount(), 7);  // and evolution split somebody
  for (const int32_t threads : {2, 3, 8}) {
    Scene scene(threads);
    EXPECT_EQ(scene.Run(), expected) << threads << " threads";
  }
}

// Passes side by side: 9 futures a cycle leave some lanes without a pass in the
// last round, and with 8 lanes on 3 threads most stay idle.
TEST(ReplicaThreads, AnyNumberOfLanesGivesTheSameWorld) {
  Scene one(1);
  const uint64_t expected = one.Run();
  for (const auto& [threads, lanes] : {std::pair{1, 4}, {1, 8}, {2, 4}, {3, 8}, {2, 3}}) {
    Scene scene(threads, lanes);
    EXPECT_EQ(scene.Run(), expected) << threads << " threads, " << lanes << " lanes";
    EXPECT_EQ(scene.Track.LastPassLanes, lanes);
    EXPECT_EQ(scene.Track.LastPassThreads, threads);
  }
}

// A goal that fails in the futures of the given pass, on whatever thread runs it.
class FailingGoal : public TReplicableGoal<FailingGoal> {
 public:
  explicit FailingGoal(TGoalOwner owner) : TReplicableGoal(owner) {}
  bool Armed = false;
  void Evaluate(TPlayer& player) override {
    SetValue(1);
    if (Armed && player.FutureMode && Random(player.RandomStream()) < 0.01) throw Error("The future failed.");
  }
};

TEST(ReplicaThreads, AFailedFutureIsRaisedOnceAndLeavesTheWorldAsItWas) {
  // Failing in one lane leaves the passes beside it inside their futures.
  Scene scene(2, 4);
  auto& goal = static_cast<FailingGoal&>(
      scene.Team.Goals->GetGoal(scene.Team.Goals->AddGoal(std::make_unique<FailingGoal>(&scene.Team))));
  scene.Track.Cycle();
  const std::vector<TStateParam> before = scene.Team.GetPlayer(0)->GetState().Params;
  goal.Armed = true;
  EXPECT_THROW(scene.Track.Cycle(), Error);
  const std::vector<TStateParam> after = scene.Team.GetPlayer(0)->GetState().Params;
  ASSERT_EQ(after.size(), before.size());
  for (size_t i = 0; i < after.size(); ++i) EXPECT_EQ(after[i].Value, before[i].Value);
  EXPECT_FALSE(scene.Team.GetPlayer(0)->FutureMode);
  // The threads are still there, and the replicas are built afresh.
  goal.Armed = false;
  scene.Track.Cycle();
  EXPECT_EQ(scene.Track.LastPassCount, scene.Track.FixedFutures);
}

// A goal the world cannot replicate keeps the passes on the main thread, with
// the same results.
class PlainGoal : public TGoal {
 public:
  explicit PlainGoal(TGoalOwner owner) : TGoal(owner) {}
  void Evaluate(TPlayer& player) override { SetValue(player.GetEnergy()); }
};

TEST(ReplicaThreads, AWorldThatCannotBeReplicatedStaysOnOneThread) {
  uint64_t digests[2];
  for (const int32_t threads : {1, 2}) {
    Scene scene(threads);
    scene.Team.Goals->AddGoal(std::make_unique<PlainGoal>(&scene.Team));
    digests[threads - 1] = scene.Run();
  }
  EXPECT_EQ(digests[0], digests[1]);
}

}  // namespace
}  // namespace vorlanth
