// The bodies on the built-in circuit: every start place the program uses is free,
// and seeded runs of whole cycles keep a kart and a rocket going and alive.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <numbers>

#include "bench/population.h"
#include "core/random.h"
#include "core/team.h"
#include "render/builtin_circuit.h"
#include "render/qt_picture.h"
#include "world2d/kart.h"
#include "world2d/polygon2d.h"
#include "world2d/rocket.h"
#include "world2d/track2d.h"
#include "support/test_random.h"

namespace vorlanth {
namespace {

class BuiltinCircuit : public ::testing::Test {
 protected:
  TTrack2D track;
  TTeam team;
  TPopulation population{track};
  int64_t now = 0;

  void SetUp() override {
    track.Random.SeedRun(31);
    track.LoadFromImage(*LoadBuiltinCircuit());
    track.AddTeam(&team);
    track.Collisions = true;
    // Every pass overruns the budget: cycles stop at the minimum of futures.
    track.ClockMs = [this] { return now += 1000; };
  }

  // Runs cycles and returns the distance the body's centre travelled.
  double Drive(TPlayer2D& body, int cycles) {
    double distance = 0;
    double x = body.GetPosX(), y = body.GetPosY();
    for (int c = 0; c < cycles; ++c) {
      track.Cycle();
      distance += std::hypot(body.GetPosX() - x, body.GetPosY() - y);
      x = body.GetPosX();
      y = body.GetPosY();
    }
    return distance;
  }
};

TEST_F(BuiltinCircuit, EveryStartPlaceIsFree) {
  auto* rocket = static_cast<TPlayer2D*>(population.AddPlayer(pkRocket));
  EXPECT_EQ(rocket->GetPosX(), 350);  // kept: the place was free
  EXPECT_EQ(rocket->GetPosY(), 400);
  for (int i = 1; i <= 4; ++i) {      // copies 30 px apart up the circuit
    auto* copy = static_cast<TPlayer2D*>(population.AddPlayer(pkSame));
    EXPECT_NEAR(copy->GetPosY(), 400 - 30 * i, 1e-9) << i;
  }
  population.DeleteAllPlayers();
  auto* kart = static_cast<TPlayer2D*>(population.AddPlayer(pkKart));
  EXPECT_EQ(kart->GetPosX(), 330);
  EXPECT_EQ(kart->GetPosY(), 305);

  population.AddCircleOfKarts();
  for (TPlayer* p : track.Players) EXPECT_TRUE(p->IsClearOfWalls());
  EXPECT_FALSE(track.IsBlocked(*track.Players.front()));

  // Most of the asteroids' band is open: the free-place search succeeds at once.
  int open = 0, samples = 0;
  for (int x = 120; x <= 680; x += 20)
    for (int y = 60; y <= 240; y += 20, ++samples) open += track.IsOnTrack(x, y) ? 1 : 0;
  EXPECT_GT(open, samples * 8 / 10);
}

TEST_F(BuiltinCircuit, AKartWithItsOwnGoalsDrivesAndStaysAlive) {
  track.MinFutures = 40;
  track.HorizonMs = 10000;  // the window's default
  auto* kart = static_cast<TKart*>(population.AddPlayer(pkKart));
  team.CommitStates();
  const double distance = Drive(*kart, 300);
  std::printf("kart: %.0f px in 300 cycles, health %.1f, energy %.1f\n", distance,
              kart->GetHealth(), kart->GetEnergy());
  EXPECT_FALSE(kart->IsDead());
  EXPECT_GT(distance, 100);
}

TEST_F(BuiltinCircuit, ARocketWithItsOwnGoalsFliesAndStaysAlive) {
  track.MinFutures = 40;
  track.HorizonMs = 10000;  // the window's default
  auto* rocket = static_cast<TRocket*>(population.AddPlayer(pkRocket));
  team.CommitStates();
  const double distance = Drive(*rocket, 300);
  std::printf("rocket: %.0f px in 300 cycles, health %.1f, energy %.1f\n", distance,
              rocket->GetHealth(), rocket->GetEnergy());
  EXPECT_FALSE(rocket->IsDead());
  EXPECT_GT(distance, 20);
}

}  // namespace
}  // namespace vorlanth
