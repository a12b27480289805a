// Whole cycles of the simulation on a small circuit, seeded: bodies thinking with
// their own goals keep moving and stay alive.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <numbers>

#include "core/random.h"
#include "world2d/kart.h"
#include "world2d/rocket.h"
#include "world_fixture.h"
#include "support/test_random.h"

namespace vorlanth::testing {
namespace {

// A white field in a black frame, with a black floor.
TMemoryPicture Circuit() {
  TMemoryPicture picture(400, 300);
  picture.Border(2);
  picture.Fill(0, 270, 400, 300, kBlackPixel);
  return picture;
}

struct RunFigures {
  double distance = 0;
  double health = 0;
  double energy = 0;
};

// Runs the cycles with a fake clock (2 ms per reading) and a short horizon.
RunFigures RunCycles(World& world, TPhysic2D& body, int cycles) {
  int64_t t = 0;
  world.Track.ClockMs = [&t] { return t += 2; };
  world.Track.MinFutures = 30;
  world.Track.HorizonMs = 2000;
  world.Track.Collisions = true;
  world.Team.CommitStates();
  RunFigures figures;
  for (int i = 0; i < cycles; ++i) {
    const double x = body.GetPosX();
    const double y = body.GetPosY();
    world.Track.Cycle();
    figures.distance += std::hypot(body.GetPosX() - x, body.GetPosY() - y);
  }
  figures.health = body.GetHealth();
  figures.energy = body.GetEnergy();
  return figures;
}

TEST(CycleTest, KartWithItsOwnGoalsKeepsMovingAndStaysAlive) {
  World world(Circuit());
  world.Track.Random.SeedRun(2024);
  TKart* kart = world.Add(TKart::Create(TestRandom(), 200, 150, 0));
  const RunFigures f = RunCycles(world, *kart, 100);
  std::printf("kart: distance %.1f px, health %.2f, energy %.2f\n", f.distance, f.health, f.energy);
  EXPECT_GT(f.distance, 20);
  EXPECT_GT(std::hypot(kart->GetVelX(), kart->GetVelY()), 1);
  EXPECT_GT(f.health, 0);
  EXPECT_LT(f.energy, 50);  // driving costs energy
  EXPECT_FALSE(kart->FutureMode);
}

TEST(CycleTest, RocketWithItsOwnGoalsStaysAlive) {
  World world(Circuit());
  world.Track.Random.SeedRun(2025);
  TRocket* rocket = world.Add(TRocket::Create(TestRandom(), 200, 150, -std::numbers::pi / 2));
  const RunFigures f = RunCycles(world, *rocket, 100);
  std::printf("rocket: distance %.1f px, health %.2f, energy %.2f\n", f.distance, f.health, f.energy);
  EXPECT_GT(f.health, 0);
  EXPECT_GT(f.distance, 0);
}

}  // namespace
}  // namespace vorlanth::testing
