// The 2D player: outline, containment, the world's border, size, impact damage
// and the drawing of a body, its traces and its futures' ending points.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

#include "core/rounding.h"

#include "world2d/kart.h"
#include "world_fixture.h"
#include "support/test_random.h"

namespace vorlanth::testing {
namespace {

using Op = RecordingCanvas::Op;
constexpr double kPi = std::numbers::pi;

TEST(Player2DTest, TriangleOutlineFollowsPoseLazily) {
  auto body = RegularBody::Create(3, 100, 100, 0);
  body->SetSize(10);
  body->UpdateShape();
  ASSERT_EQ(body->Corners.size(), 3u);
  EXPECT_NEAR(body->Corners[0].x, 110, 1e-9);
  EXPECT_NEAR(body->Corners[1].x, 100 + 10 * std::cos(2 * kPi / 3), 1e-9);
  EXPECT_FALSE(body->ShapeDirty);

  body->SetAngle(kPi / 2);  // setters only mark the shape
  EXPECT_TRUE(body->ShapeDirty);
  EXPECT_TRUE(body->ContainsPoint(100, 109));  // the next query rebuilds it
  EXPECT_EQ(body->CornerPoints[0], (TPoint{100, 110}));
}

TEST(Player2DTest, CornerPointsAreTheCornersRoundedAndSaturatedAtAnyDistance) {
  // Near the origin, around the range of int32_t, far beyond it, and not a number.
  std::mt19937 rng(3);
  std::uniform_real_distribution<double> unit(-1, 1);
  auto kart = TKart::Create(TestRandom(), 0, 0, 0);
  for (int trial = 0; trial < 3000; ++trial) {
    const double scale = std::pow(10.0, trial % 13);
    const double x = trial % 97 == 0 ? std::nan("") : unit(rng) * scale + (trial % 2) * 0.5;
    const double y = trial % 89 == 0 ? 1e9 - 15 + 30 * unit(rng) : unit(rng) * scale;
    kart->SetPosition(x, y, 7 * unit(rng));
    kart->UpdateShape();
    for (size_t i = 0; i < kart->Corners.size(); ++i) {
      ASSERT_EQ(kart->CornerPoints[i].x, Round32(kart->Corners[i].x)) << x << "," << y;
      ASSERT_EQ(kart->CornerPoints[i].y, Round32(kart->Corners[i].y)) << x << "," << y;
    }
  }
}

TEST(Player2DTest, ContainsPointOnEdgesAndInside) {
  auto square = RegularBody::Create(4, 100, 100, 0);  // corners on the axes, size 10
  square->SetSize(10);
  EXPECT_TRUE(square->ContainsPoint(100, 100));
  EXPECT_TRUE(square->ContainsPoint(105, 105));  // on the edge (110,100)-(100,110)
  EXPECT_TRUE(square->ContainsPoint(110, 100));  // a corner
  EXPECT_FALSE(square->ContainsPoint(105.1, 105));
  EXPECT_FALSE(square->ContainsPoint(90, 110));
}

TEST(Player2DTest, CollapsedOutlineContainsEveryPoint) {
  auto body = RegularBody::Create(4, 100, 100, 0);
  body->GetState().GetParam(body->SizeIndex).Value = 0;  // below the clamped range
  body->ShapeDirty = true;
  EXPECT_TRUE(body->ContainsPoint(100, 100));
  EXPECT_TRUE(body->ContainsPoint(-500, 7));
}

TEST(Player2DTest, InsideWorldOnlyStrictlyWithinThePicture) {
  World world(TMemoryPicture(200, 100));
  RegularBody* body = world.Add(RegularBody::Create(4, 20, 50, 0));
  body->SetSize(10);
  EXPECT_TRUE(body->IsInsideWorld());

  body->SetPosX(10);  // corner at x = 0
  EXPECT_FALSE(body->IsInsideWorld());
  body->SetPosX(190);  // corner at x = width
  EXPECT_FALSE(body->IsInsideWorld());
  body->SetPosX(189.4);  // corner at 199.4, rounded to 199
  EXPECT_TRUE(body->IsInsideWorld());
  body->SetPosition(100, 10, 0);  // corner at y = 0
  EXPECT_FALSE(body->IsInsideWorld());
  body->SetPosY(90);  // corner at y = height
  EXPECT_FALSE(body->IsInsideWorld());
}

TEST(Player2DTest, SizeSetterIgnoresNegativeAndCurrentValuesAndClamps) {
  auto body = RegularBody::Create(4, 100, 100, 0);
  body->SetSize(10);
  body->UpdateShape();
  body->TPlayer2D::SetSize(-1);
  EXPECT_DOUBLE_EQ(body->GetSize(), 10);
  EXPECT_FALSE(body->ShapeDirty);
  body->TPlayer2D::SetSize(10);
  EXPECT_FALSE(body->ShapeDirty);
  body->SetSize(40);
  EXPECT_DOUBLE_EQ(body->GetSize(), 25);
  EXPECT_TRUE(body->ShapeDirty);
  body->SetAngle(100);  // the angle is never clamped
  EXPECT_DOUBLE_EQ(body->GetAngle(), 100);
}

TEST(Player2DTest, ImpactHurtsOnlyBodiesWithControls) {
  auto driven = RegularBody::Create(4, 100, 100, 0, /*controls=*/true);
  driven->SetSize(12);
  driven->TPlayer2D::ApplyImpact(12);  // Speed = Size at the reference size: 10 health
  EXPECT_DOUBLE_EQ(driven->GetHealth(), 90);
  driven->SetSize(6);
  driven->TPlayer2D::ApplyImpact(12);  // (6/12) x 2^2 x 10 = 20
  EXPECT_DOUBLE_EQ(driven->GetHealth(), 70);

  auto passive = RegularBody::Create(4, 100, 100, 0);
  passive->ApplyImpact(1000);
  EXPECT_DOUBLE_EQ(passive->GetHealth(), 100);
}

TEST(Player2DTest, ReadyToSplitFrom99Energy) {
  auto body = RegularBody::Create(4, 100, 100, 0);
  body->SetEnergy(98.9);
  EXPECT_FALSE(body->ReadyToSplit());
  body->SetEnergy(99);
  EXPECT_TRUE(body->ReadyToSplit());
}

// ---- Drawing -------------------------------------------------------------------

struct DrawingWorld : World {
  DrawingWorld() { Track.ImageCanvas = &Canvas; }
  RecordingCanvas Canvas;
};

TEST(Player2DDrawTest, BodyWithoutControlsShowsOnlyItsFilledOutline) {
  DrawingWorld world;
  RegularBody* body = world.Add(RegularBody::Create(4, 100, 100, 0));
  body->SetSize(10);
  body->Color = MakeColor(10, 20, 30);
  body->SetHealth(0);
  body->Draw();
  ASSERT_EQ(world.Canvas.Calls.size(), 1u);
  const auto& fill = world.Canvas.Calls[0];
  EXPECT_EQ(fill.op, Op::Polygon);
  EXPECT_EQ(fill.args, (std::vector<int32_t>{110, 100, 100, 110, 90, 100, 100, 90}));
  EXPECT_EQ(fill.brush, MakeColor(10, 20, 30));
  EXPECT_EQ(fill.pen, 0);
}

TEST(Player2DDrawTest, DeadBodyShowsEnergyFinAndCrossButNoHealthFin) {
  DrawingWorld world;
  RegularBody* body = world.Add(RegularBody::Create(4, 100, 100, 0, /*controls=*/true));
  body->SetSize(10);
  body->SetHealth(0);
  body->SetEnergy(60);
  body->Draw();
  const auto polygons = world.Canvas.Of(Op::Polygon);
  ASSERT_EQ(polygons.size(), 3u);  // body, energy fin, outline
  EXPECT_EQ(polygons[2].brushStyle, Canvas::BrushStyle::Clear);
  // Energy fin: e = 2, from corner 2 (90,100) 0.6 of the way toward corner 3
  // (100,90), offset 2.5 px to the left of the heading: (0, -2.5), halves to even.
  EXPECT_EQ(polygons[1].args, (std::vector<int32_t>{90, 98, 90, 100, 96, 94, 96, 92}));
  // Level 0.6: red 255 x 0.76 = 193.8, green 255 x 0.65 = 165.75.
  EXPECT_EQ(polygons[1].brush, MakeColor(194, 166, 50));

  const auto lines = world.Canvas.Of(Op::Line);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].args, (std::vector<int32_t>{90, 90, 110, 110}));
  EXPECT_EQ(lines[1].args, (std::vector<int32_t>{90, 110, 110, 90}));
}

TEST(Player2DDrawTest, TriangleEnergyFinWrapsToTheNose) {
  DrawingWorld world;
  RegularBody* body = world.Add(RegularBody::Create(3, 100, 100, 0, /*controls=*/true));
  body->SetSize(10);
  body->SetHealth(100);
  body->SetEnergy(100);
  body->Draw();
  const auto polygons = world.Canvas.Of(Op::Polygon);
  ASSERT_EQ(polygons.size(), 4u);  // body, health fin, energy fin, outline
  // Health fin from corner 1 to corner 0, energy fin from corner 2 to corner 0:
  // full fins end at the nose (110, 100).
  EXPECT_EQ(polygons[1].args[4], 110);
  EXPECT_EQ(polygons[1].args[5], 100);
  EXPECT_EQ(polygons[2].args[2], body->CornerPoints[2].x);
  EXPECT_EQ(polygons[2].args[4], 110);
  EXPECT_EQ(polygons[2].args[5], 100);
  EXPECT_EQ(polygons[2].brush, MakeColor(51, 255, 50));  // full: green
}

TEST(Player2DDrawTest, LimiterBarsRiseByTheLimiterLevel) {
  DrawingWorld world;
  TKart* kart = world.Add(TKart::Create(TestRandom(), 100, 100, 0));
  kart->ShowLevels = true;
  kart->Draw();
  const auto rects = world.Canvas.Of(Op::Rectangle);
  ASSERT_EQ(rects.size(), 4u);  // frame and level of both controls
  EXPECT_EQ(rects[0].args, (std::vector<int32_t>{113, 111, 117, 89}));
  EXPECT_EQ(rects[0].pen, MakeColor(150, 150, 150));
  EXPECT_EQ(rects[1].args, (std::vector<int32_t>{113, 110, 117, 103}));  // 1/3 of 20 px
  EXPECT_EQ(rects[2].args[0], 118);  // the second control 5 px further

  kart->LimitersOn = false;
  world.Canvas.Calls.clear();
  kart->Draw();
  EXPECT_TRUE(world.Canvas.Of(Op::Rectangle).empty());
}

TEST(Player2DDrawTest, NothingIsDrawnWithoutACanvas) {
  DrawingWorld world;
  world.Track.ImageCanvas = nullptr;
  TKart* kart = world.Add(TKart::Create(TestRandom(), 100, 100, 0));
  kart->ShowTraces = kart->ShowFeelings = kart->ShowLevels = kart->ShowEndingPoints = true;
  kart->SetHealth(0);
  kart->Draw();
  kart->DrawTraceStep();
  kart->DrawEndingPoint(TFuture{});
  world.Track.DrawBackground();
  EXPECT_TRUE(world.Canvas.Calls.empty());
}

TEST(Player2DDrawTest, EndingPointShowsCellAndOptionSector) {
  DrawingWorld world;
  TKart* kart = world.Add(TKart::Create(TestRandom(), 100, 100, 0));
  kart->SetGridSize(10);
  const int32_t cells[2] = {100, 100};
  TFuture future;
  future.Gain = 100;
  future.Cells = cells;
  kart->DrawEndingPoint(future);

  const auto rects = world.Canvas.Of(Op::Rectangle);
  ASSERT_EQ(rects.size(), 1u);
  EXPECT_EQ(rects[0].args, (std::vector<int32_t>{95, 95, 106, 106}));
  EXPECT_EQ(rects[0].penStyle, Canvas::PenStyle::Dotted);
  const auto pies = world.Canvas.Of(Op::Pie);
  ASSERT_EQ(pies.size(), 1u);
  // Four free parameters: option 0 spans 3/4 pi .. 5/4 pi, radius 5 at full scale.
  EXPECT_EQ(pies[0].args, (std::vector<int32_t>{95, 95, 105, 105, 65, 65, 65, 135}));
  EXPECT_EQ(pies[0].penMode, Canvas::PenMode::Mask);
  EXPECT_EQ(pies[0].pen, MakeColor(0, 0, 255));
  EXPECT_EQ(static_cast<double>(kart->LargestScore), 100);

  // A future that pushed a limiter is not drawn.
  world.Canvas.Calls.clear();
  future.LimiterOption = true;
  kart->DrawEndingPoint(future);
  EXPECT_TRUE(world.Canvas.Calls.empty());
}

TEST(Player2DDrawTest, EndingPointOfABodyWithoutControlsDrawsNothing) {
  DrawingWorld world;
  RegularBody* body = world.Add(RegularBody::Create(5, 100, 100, 0));
  body->ShowEndingPoints = true;
  const int32_t cells[2] = {100, 100};
  TFuture future;
  future.Gain = 3;
  future.Cells = cells;
  body->DrawEndingPoint(future);
  EXPECT_TRUE(world.Canvas.Calls.empty());
}

TEST(Player2DDrawTest, TraceStepDrawsLineDotAndFinalSquare) {
  DrawingWorld world;
  TKart* kart = world.Add(TKart::Create(TestRandom(), 100, 100, 0));
  kart->ShowTraces = true;
  kart->SetFutureMode(true);
  TState& s = kart->GetState();
  s.MarkStartValues();
  kart->SetPosX(104);
  s.ElapsedMs = 100;
  kart->DrawTraceStep();
  ASSERT_EQ(world.Canvas.Calls.size(), 2u);
  EXPECT_EQ(world.Canvas.Calls[0].op, Op::Line);
  EXPECT_EQ(world.Canvas.Calls[0].args, (std::vector<int32_t>{100, 100, 104, 100}));
  EXPECT_EQ(world.Canvas.Calls[1].op, Op::Pixel);
  EXPECT_EQ(world.Canvas.Calls[1].args, (std::vector<int32_t>{100, 100}));

  world.Canvas.Calls.clear();
  s.ElapsedMs = kart->GetHorizonMs();  // the last step of the future
  kart->DrawTraceStep();
  const auto rects = world.Canvas.Of(Op::Rectangle);
  ASSERT_EQ(rects.size(), 1u);
  EXPECT_EQ(rects[0].args, (std::vector<int32_t>{102, 98, 105, 101}));
  EXPECT_EQ(rects[0].brush, 0);
}

TEST(Player2DDrawTest, FeelingsShowAsThreeMaskedRings) {
  DrawingWorld world;
  TKart* kart = world.Add(TKart::Create(TestRandom(), 100, 100, 0));
  kart->ShowFeelings = true;
  kart->SetFutureMode(true);
  kart->GetState().MarkStartValues();
  kart->GetState().WeightFactor = 0.5;  // a loss: w = 2 / 1.5 - 1 = 1/3
  kart->DrawTraceStep();
  const auto rings = world.Canvas.Of(Op::Ellipse);
  ASSERT_EQ(rings.size(), 3u);
  EXPECT_EQ(rings[0].brush, MakeColor(255, 0, 0));
  EXPECT_EQ(rings[0].penMode, Canvas::PenMode::Mask);
  EXPECT_EQ(rings[2].args, (std::vector<int32_t>{97, 97, 103, 103}));  // r = round(10/3)
}

}  // namespace
}  // namespace vorlanth::testing
