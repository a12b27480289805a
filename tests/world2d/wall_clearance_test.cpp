// The circuit's clearance: the exact distance transform against brute force, and
// the wall and border tests it lets bodies skip, which must find nothing.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

#include "world2d/kart.h"
#include "world2d/rocket.h"
#include "world2d/wall_clearance.h"
#include "world_fixture.h"
#include "support/test_random.h"

namespace vorlanth::testing {
namespace {

// A circuit of the given size with walls scattered at the given density.
TMemoryPicture RandomCircuit(std::mt19937& rng, int32_t width, int32_t height, double density) {
  TMemoryPicture picture(width, height);
  std::uniform_real_distribution<double> unit(0, 1);
  for (int32_t x = 0; x < width; ++x)
    for (int32_t y = 0; y < height; ++y)
      if (unit(rng) < density) picture.Set(x, y, kBlackPixel);
  return picture;
}

// The clearance of one pixel by trying every blocked pixel.
int32_t BruteClearance(const TTrack2D& track, int32_t x, int32_t y) {
  const int32_t w = track.Width();
  const int32_t h = track.Height();
  int64_t best = std::min<int64_t>(int64_t{w - x} * (w - x), int64_t{h - y} * (h - y));
  for (int32_t qx = 0; qx < w; ++qx)
    for (int32_t qy = 0; qy < h; ++qy)
      if (qx == 0 || qy == 0 || track.Cells[static_cast<size_t>(qx) * h + qy] != 0)
        best = std::min<int64_t>(best, int64_t{qx - x} * (qx - x) + int64_t{qy - y} * (qy - y));
  return std::min<int32_t>(static_cast<int32_t>(std::floor(std::sqrt(static_cast<double>(best)))),
                           MaxWallClearance);
}

TEST(WallClearanceTest, EqualsTheBruteForceDistanceOnRandomCircuits) {
  std::mt19937 rng(25);
  std::uniform_int_distribution<int32_t> side(1, 48);
  for (const double density : {0.0, 0.003, 0.03, 0.2, 0.7}) {
    for (int round = 0; round < 12; ++round) {
      TTrack2D track;
      track.LoadFromImage(RandomCircuit(rng, side(rng), side(rng), density));
      ASSERT_EQ(track.WallClearance.size(), track.Cells.size());
      for (int32_t x = 0; x < track.Width(); ++x)
        for (int32_t y = 0; y < track.Height(); ++y)
          ASSERT_EQ(track.WallClearance[static_cast<size_t>(x) * track.Height() + y], BruteClearance(track, x, y))
              << "pixel " << x << "," << y << " of " << track.Width() << " x " << track.Height();
    }
  }
}

TEST(WallClearanceTest, FarWallsReadAsTheLargestClearanceKept) {
  // No walls: the border rows and columns and the picture's edge are nearest.
  const int32_t w = 600;
  const int32_t h = 530;
  TTrack2D track;
  track.LoadFromImage(TMemoryPicture(w, h));
  for (int32_t x = 0; x < w; ++x)
    for (int32_t y = 0; y < h; ++y)
      ASSERT_EQ(track.WallClearance[static_cast<size_t>(x) * h + y],
                std::min({x, y, w - x, h - y, MaxWallClearance}));
}

TEST(WallClearanceTest, AClearDiscHoldsNoPointThatRoundsOffTrack) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> unit(0, 1);
  int64_t clear = 0;
  for (int round = 0; round < 40; ++round) {
    TTrack2D track;
    track.LoadFromImage(RandomCircuit(rng, 40 + round, 60 - round, 0.002 * (round % 5)));
    for (int trial = 0; trial < 400; ++trial) {
      // Centres and radii on and near the half pixels where rounding turns.
      const double cx = std::round(unit(rng) * 2 * track.Width()) / 2 - 5 + 10 * unit(rng) * (trial % 2);
      const double cy = std::round(unit(rng) * 2 * track.Height()) / 2;
      const double radius = (trial % 3 == 0) ? std::round(unit(rng) * 30) / 2 : unit(rng) * 15;
      if (!track.DiscOnTrack(cx, cy, radius)) continue;
      ++clear;
      for (int k = 0; k < 64; ++k) {
        const double angle = 2 * std::numbers::pi * k / 64;
        for (const double r : {radius, radius * unit(rng)}) {
          const double px = cx + r * std::cos(angle);
          const double py = cy + r * std::sin(angle);
          ASSERT_TRUE(track.IsOnTrack(px, py)) << px << "," << py << " within " << radius << " of " << cx << "," << cy;
        }
      }
    }
  }
  EXPECT_GT(clear, 1000);  // the shortcut is taken, not only never wrong
  TTrack2D none;
  EXPECT_FALSE(none.DiscOnTrack(5, 5, 1));  // no circuit: no clearance to read
}

TEST(WallClearanceTest, ABodyClearByTheClearanceKeepsItsWholePose) {
  TMemoryPicture picture(200, 200);
  picture.Fill(0, 0, 200, 5, kBlackPixel);
  World world(picture);
  TPhysic2D* body = world.Add(TKart::Create(TestRandom(), 100, 100, 0.3));
  body->UpdateShape();  // the reach is known from the first outline on
  const TState& s = body->GetState();
  for (const double shift : {0.0, 1.25}) {
    body->SetPosX(100 + shift);
    body->SetPosY(100 - 2 * shift);
    body->SetAngle(0.3 + shift);
    body->ContactX = 7;
    body->ContactY = 8;
    ASSERT_TRUE(body->SurelyOnTrack(world.Track));
    EXPECT_TRUE(body->IsClearOfWalls());
    EXPECT_EQ(body->ContactX, 0);
    EXPECT_EQ(body->ContactY, 0);
    EXPECT_EQ(s.GetParam(body->PosXIndex).KeptValue, 100 + shift);
    EXPECT_EQ(s.GetParam(body->PosYIndex).KeptValue, 100 - 2 * shift);
    EXPECT_EQ(s.GetParam(body->AngleIndex).KeptValue, 0.3 + shift);
  }
  // Pushed into the wall, it keeps the last clear pose.
  body->SetPosY(3);
  EXPECT_FALSE(body->IsClearOfWalls());
  EXPECT_EQ(s.GetParam(body->PosYIndex).KeptValue, 100 - 2 * 1.25);
}

// A pose found clear is remembered for the circuit it was found on only: on a
// circuit loaded since, with a wall under the body, its corners are tested again.
TEST(WallClearanceTest, APoseFoundClearHoldsOnlyOnItsCircuit) {
  TMemoryPicture open(200, 200);
  World world(open);
  TPhysic2D* body = world.Add(TKart::Create(TestRandom(), 100, 100, 0.3));
  ASSERT_TRUE(body->IsClearOfWalls());
  ASSERT_TRUE(body->SurelyOnTrack(world.Track));
  TMemoryPicture walled(200, 200);
  walled.Fill(50, 50, 150, 150, kBlackPixel);  // under the whole body
  world.Track.LoadFromImage(walled);
  EXPECT_FALSE(body->SurelyOnTrack(world.Track));
  EXPECT_FALSE(body->IsClearOfWalls());
  EXPECT_TRUE(body->IsInsideWorld());  // on a wall, but far from the border
  TMemoryPicture small(100, 100);
  world.Track.LoadFromImage(small);
  EXPECT_FALSE(body->IsInsideWorld());  // (100, 100) lies beyond a 100 x 100 picture
}

TEST(WallClearanceTest, BodiesSkipOnlyCornerTestsThatFindNothing) {
  // Kart, rocket and asteroids of every corner table, at random poses over a
  // circuit with walls: the clearance shortcut answers as the corner tests do.
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> unit(0, 1);
  World world(RandomCircuit(rng, 160, 120, 0.004));
  std::vector<TPhysic2D*> bodies = {world.Add(TKart::Create(TestRandom(), 50, 50, 0)), world.Add(TRocket::Create(TestRandom(), 60, 60, 0))};
  for (int32_t sides = 3; sides <= 8; ++sides) bodies.push_back(world.Add(TPolygon2D::Create(TestRandom(), sides, 70, 70, 0)));
  int64_t skipped = 0;
  for (TPhysic2D* body : bodies) {
    for (int trial = 0; trial < 3000; ++trial) {
      body->SetSize(3 + 22 * unit(rng));
      body->SetPosition(-10 + 180 * unit(rng), -10 + 140 * unit(rng), 7 * unit(rng));
      const bool sure = body->SurelyOnTrack(world.Track);
      skipped += sure;
      body->UpdateShape();
      bool allOnTrack = true;
      bool allInside = true;
      for (size_t i = 0; i < body->Corners.size(); ++i) {
        const double reach = std::hypot(body->Corners[i].x - body->GetPosX(), body->Corners[i].y - body->GetPosY());
        ASSERT_LE(reach, body->CornerReach * body->GetSize() * (1 + 1e-12));
        allOnTrack = allOnTrack && world.Track.PixelOnTrack(body->CornerPoints[i]);
        allInside = allInside && world.Track.PixelInBounds(body->CornerPoints[i]);
      }
      if (sure) {
        ASSERT_TRUE(allOnTrack);
      }
      EXPECT_EQ(body->WallContact().Touching, !allOnTrack);
      EXPECT_EQ(body->IsInsideWorld(), allInside);
    }
  }
  EXPECT_GT(skipped, 1000);
}

}  // namespace
}  // namespace vorlanth::testing
