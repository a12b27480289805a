// The sub-steps of futures are the hot loop: once the storage of a cycle exists,
// moving the bodies, settling collisions and walls and scoring allocate nothing.

#include <gtest/gtest.h>

#include "core/random.h"
#include "support/alloc_counter.h"
#include "world2d/kart.h"
#include "world2d/rocket.h"
#include "world_fixture.h"

namespace vorlanth::testing {
namespace {

TEST(AllocationTest, SubStepsOfFuturesAllocateNothing) {
  TMemoryPicture picture(300, 200);
  picture.Border(2);
  picture.Fill(0, 180, 300, 200, kBlackPixel);
  World world(picture);
  world.Track.Random.SeedRun(5);
  world.Track.Collisions = true;
  world.Track.MinFutures = 5;
  world.Track.HorizonMs = 1000;
  int64_t t = 0;
  world.Track.ClockMs = [&t] { return t += 50; };
  // Close together, so that pairs and walls are met.
  world.Add(TKart::Create(world.Track.Random.Stream, 100, 100, 0));
  world.Add(TKart::Create(world.Track.Random.Stream, 112, 104, 3));
  world.Add(TRocket::Create(world.Track.Random.Stream, 140, 165, -1.5));
  world.Add(TPolygon2D::Create(world.Track.Random.Stream, 5, 125, 120, 0));
  for (int i = 0; i < 3; ++i) world.Track.Cycle();  // storage of the cycle exists

  TTeam& team = world.Team;
  team.PrepareFutures();
  team.SetFutureMode(true);
  const uint64_t before = AllocationCount();
  for (int s = 1; s <= 30; ++s) {
    if (s == 1) {
      team.StartFutureStep();
    } else {
      team.ContinueFutureStep();
    }
    world.Track.Step();
    team.EvaluateGoals();
    for (TPlayer* player : world.Track.Players) player->GetState().EndStep();
  }
  EXPECT_EQ(AllocationCount() - before, 0u);
  team.SetFutureMode(false);
}

// On several threads too: once the replicas and their logs exist, whole cycles
// (following the world, the passes, the merge) allocate nothing.
TEST(AllocationTest, ThreadsAllocateNothingOnceTheirStorageExists) {
  TMemoryPicture picture(300, 200);
  picture.Border(2);
  World world(picture);
  world.Track.Random.SeedRun(6);
  world.Track.Collisions = true;
  world.Track.FixedFutures = 12;
  world.Track.HorizonMs = 1000;
  world.Track.Threads = 2;
  world.Add(TKart::Create(world.Track.Random.Stream, 100, 100, 0));
  world.Add(TRocket::Create(world.Track.Random.Stream, 140, 150, -1.5));
  world.Add(TPolygon2D::Create(world.Track.Random.Stream, 5, 125, 120, 0));
  for (int i = 0; i < 5; ++i) world.Track.Cycle();
  const uint64_t before = AllocationCount();
  for (int i = 0; i < 3; ++i) world.Track.Cycle();
  EXPECT_EQ(AllocationCount() - before, 0u);
}

}  // namespace
}  // namespace vorlanth::testing
