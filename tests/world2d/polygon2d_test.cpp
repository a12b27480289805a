// The asteroid: a passive body with a regular outline that never decides or splits.

#include <gtest/gtest.h>

#include <numbers>

#include "core/random.h"
#include "world2d/polygon2d.h"
#include "world_fixture.h"
#include "support/test_random.h"

namespace vorlanth::testing {
namespace {

TEST(Polygon2DTest, FewerThanThreeSidesMakeATriangle) {
  auto asteroid = TPolygon2D::Create(TestRandom(), 6, 100, 100, 0);
  asteroid->UpdateShape();
  EXPECT_EQ(asteroid->Corners.size(), 6u);
  for (const int32_t n : {0, 2, 3, -5}) {
    asteroid->SetSides(n);
    asteroid->UpdateShape();
    EXPECT_EQ(asteroid->Sides, 3);
    EXPECT_EQ(asteroid->Corners.size(), 3u);
    EXPECT_EQ(asteroid->CornerPoints.size(), 3u);
  }
}

TEST(Polygon2DTest, SquareCornersLieOnTheAxes) {
  auto square = TPolygon2D::Create(TestRandom(), 4, 100, 100, 0);
  square->SetSize(10);
  square->UpdateShape();
  const std::vector<TPoint> expected = {{110, 100}, {100, 110}, {90, 100}, {100, 90}};
  EXPECT_EQ(square->CornerPoints, expected);
  EXPECT_NEAR(square->Corners[1].x, 100, 1e-12);
  EXPECT_NEAR(square->Corners[1].y, 110, 1e-12);
}

TEST(Polygon2DTest, ChangingSidesRebuildsCornersWithoutAPoseChange) {
  auto asteroid = TPolygon2D::Create(TestRandom(), 3, 100, 100, 0);
  asteroid->SetSize(10);
  asteroid->UpdateShape();
  ASSERT_FALSE(asteroid->ShapeDirty);
  asteroid->SetSides(6);
  asteroid->UpdateShape();
  ASSERT_EQ(asteroid->Corners.size(), 6u);
  EXPECT_EQ(asteroid->CornerPoints[3], (TPoint{90, 100}));
  asteroid->UpdateEdges();
  EXPECT_EQ(asteroid->Edges.size(), 6u);
  EXPECT_TRUE(asteroid->ContainsPoint(91, 100));

  asteroid->Sides = 4;  // set directly: the outline still follows
  asteroid->UpdateShape();
  EXPECT_EQ(asteroid->CornerPoints, (std::vector<TPoint>{{110, 100}, {100, 110}, {90, 100}, {100, 90}}));
}

TEST(Polygon2DTest, PassiveSpinningHeavyBodyWithNoisyFutures) {
  TestRandom().Seed(99);
  for (int i = 0; i < 20; ++i) {
    auto asteroid = TPolygon2D::Create(TestRandom(), 5, 100, 100, 0);
    EXPECT_GT(asteroid->GetVelA(), -2);
    EXPECT_LE(asteroid->GetVelA(), 2);
    EXPECT_DOUBLE_EQ(asteroid->Density, 2);
    EXPECT_DOUBLE_EQ(asteroid->FutureNoise, 5);
    EXPECT_FALSE(asteroid->HasControls());
    EXPECT_FALSE(asteroid->CanClone());
    EXPECT_EQ(asteroid->Clone(TestRandom()), nullptr);
  }
}

TEST(Polygon2DTest, RichAsteroidNeverSplitsUnderEvolution) {
  World world;
  world.Track.SetEvolution(true);
  TPolygon2D* asteroid = world.Add(TPolygon2D::Create(TestRandom(), 5, 100, 100, 0));
  asteroid->SetEnergy(100);
  ASSERT_TRUE(asteroid->ReadyToSplit());
  world.Team.SplitPlayers();
  EXPECT_EQ(world.Team.PlayerCount(), 1);
}

TEST(Polygon2DTest, AsteroidFallsAndBouncesOffTheFloor) {
  TMemoryPicture picture(200, 200);
  picture.Fill(0, 150, 200, 200, kBlackPixel);
  World world(picture);
  TPolygon2D* asteroid = world.Add(TPolygon2D::Create(TestRandom(), 5, 100, 100, 0));
  asteroid->SetVelA(0);
  int64_t t = 0;
  world.Track.ClockMs = [&t] { return t += 50; };
  world.Track.MinFutures = 3;
  world.Track.HorizonMs = 500;
  bool bounced = false;
  for (int i = 0; i < 60; ++i) {
    world.Track.Cycle();
    bounced = bounced || asteroid->GetVelY() < 0;
    ASSERT_LT(asteroid->GetPosY(), 150);
  }
  EXPECT_TRUE(bounced);
}

}  // namespace
}  // namespace vorlanth::testing
