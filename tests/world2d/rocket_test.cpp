// The rocket: engines and their costs, tail-first landing tolerance, the landing
// pad service and take-off; its outline and drawing.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "world2d/rocket.h"
#include "world_fixture.h"
#include "support/test_random.h"

namespace vorlanth::testing {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kUp = -kPi / 2;

TEST(RocketTest, CreatedWithItsBodyConstantsControlsAndOutline) {
  auto rocket = TRocket::Create(TestRandom(), 100, 100, 0);
  EXPECT_DOUBLE_EQ(rocket->GetSize(), 12);
  EXPECT_DOUBLE_EQ(rocket->Density, 1.2);
  EXPECT_DOUBLE_EQ(rocket->Gravity, 9.8);
  ASSERT_EQ(rocket->GetState().FreeParamCount(), 4);
  EXPECT_EQ(rocket->GetState().GetFreeParam(0).Name(), "MAINPUSH");
  EXPECT_EQ(rocket->GetState().GetFreeParam(2).Name(), "ROTAPUSH");

  rocket->UpdateShape();
  ASSERT_EQ(rocket->Corners.size(), 5u);
  EXPECT_NEAR(rocket->Corners[0].x, 112, 1e-9);  // the nose at full size
  EXPECT_NEAR(std::hypot(rocket->Corners[1].x - 100, rocket->Corners[1].y - 100), 8.96, 1e-9);
  EXPECT_NEAR(std::atan2(rocket->Corners[4].y - 100, rocket->Corners[4].x - 100),
              (333 - 360) * kPi / 180, 1e-9);
}

TEST(RocketTest, NoEnergyStopsBothEngines) {
  auto rocket = TRocket::Create(TestRandom(), 100, 100, kUp);
  rocket->SetMainPower(20);
  rocket->SetRotaPower(2);
  rocket->SetMainPush(300);
  rocket->SetEnergy(0);
  rocket->ApplyForces();
  EXPECT_EQ(rocket->GetMainPower(), 0);
  EXPECT_EQ(rocket->GetRotaPower(), 0);
  EXPECT_DOUBLE_EQ(rocket->AccY, 9.8);
  EXPECT_EQ(rocket->GetEnergy(), 0);
}

TEST(RocketTest, FullPowerLiftsAgainstGravityAndCostsTwoPerSecond) {
  auto rocket = TRocket::Create(TestRandom(), 100, 100, kUp);
  rocket->SetMainPower(40);
  rocket->SetRotaPower(3);
  rocket->ApplyForces();
  EXPECT_NEAR(rocket->AccY, 9.8 - 40 / 1.2, 1e-9);
  EXPECT_NEAR(rocket->AccX, 0, 1e-9);
  EXPECT_NEAR(rocket->AccA, 2.5, 1e-12);
  // Main 0.1 x (1 + 1); rotation 0.1 x (0.06 + 0.0036).
  EXPECT_NEAR(rocket->GetEnergy(), 50 - 0.2 - 0.00636, 1e-12);
}

TEST(RocketTest, EngineCostsNeverTakeEnergyBelowZero) {
  auto rocket = TRocket::Create(TestRandom(), 100, 100, kUp);
  rocket->SetMainPower(40);
  rocket->SetEnergy(0.01);
  rocket->ApplyForces();
  EXPECT_EQ(rocket->GetEnergy(), 0);
}

TEST(RocketTest, UprightTailTouchIsToleratedButNotAtTheNose) {
  const double speed = 2 * 12 * std::sqrt(12.0 / 15);  // damage 12 before tolerance
  auto tail = TRocket::Create(TestRandom(), 100, 100, kUp);
  tail->ContactX = 100;
  tail->ContactY = 108;  // below the centre: the tail
  tail->ApplyImpact(speed);
  EXPECT_NEAR(tail->GetHealth(), 100, 1e-9);

  auto nose = TRocket::Create(TestRandom(), 100, 100, kUp);
  nose->ContactX = 100;
  nose->ContactY = 88;
  nose->ApplyImpact(speed);
  EXPECT_NEAR(nose->GetHealth(), 90, 1e-9);

  auto lying = TRocket::Create(TestRandom(), 100, 100, 0);  // tail touch lying down: little tolerance
  lying->ContactX = 92;
  lying->ContactY = 100;
  lying->ApplyImpact(speed);
  EXPECT_NEAR(lying->GetHealth(), 90, 1e-9);
}

TEST(RocketTest, ImpactHurtsEvenWithoutControls) {
  auto rocket = TRocket::Create(TestRandom(), 100, 100, 0);
  rocket->GetState().Layout->FreeParams.clear();  // as if it had no controls
  rocket->ContactX = 112;
  rocket->ContactY = 100;
  rocket->ApplyImpact(48);  // 15 x 2^2 = 60, less 2
  EXPECT_NEAR(rocket->GetHealth(), 42, 1e-9);
}

// A field whose floor (y >= 150) is black, for x < floorEnd; an upright rocket
// stands with its fins one pixel above it.
struct PadWorld : World {
  explicit PadWorld(int32_t floorEnd = 200) : World(Picture(floorEnd)) {}
  static TMemoryPicture Picture(int32_t floorEnd) {
    TMemoryPicture p(200, 200);
    p.Fill(0, 150, floorEnd, 200, kBlackPixel);
    return p;
  }
  TRocket* Standing(double angle = kUp) {
    TRocket* rocket = Add(TRocket::Create(TestRandom(), 100, 141, angle));
    rocket->SetMainPower(10);
    rocket->SetRotaPower(1);
    return rocket;
  }
};

TEST(RocketPadTest, UprightOnBlackGroundRefuelsAndRepairs) {
  PadWorld world;
  TRocket* rocket = world.Standing();
  rocket->SetHealth(80);
  rocket->UpdateShape();
  EXPECT_EQ(rocket->CornerPoints[2].y, 149);
  rocket->ApplyImpact(0);
  EXPECT_DOUBLE_EQ(rocket->GetEnergy(), 52);
  EXPECT_DOUBLE_EQ(rocket->GetHealth(), 82);
  EXPECT_EQ(rocket->GetMainPower(), 0);
  EXPECT_EQ(rocket->GetRotaPower(), 0);
}

TEST(RocketPadTest, FullRocketTakesOff) {
  PadWorld world;
  TRocket* rocket = world.Standing();
  rocket->SetEnergy(90);
  rocket->ApplyImpact(0);
  EXPECT_DOUBLE_EQ(rocket->GetMainPower(), 40);
  EXPECT_DOUBLE_EQ(rocket->GetMainPush(), 300);
  EXPECT_DOUBLE_EQ(rocket->GetEnergy(), 90);
}

TEST(RocketPadTest, NoServiceLyingDownWithOneFinOffOrUnderEvolution) {
  {
    PadWorld world;
    TRocket* rocket = world.Standing(kUp + 0.7);  // sin A = -0.76: not upright enough
    rocket->ApplyImpact(0);
    EXPECT_DOUBLE_EQ(rocket->GetEnergy(), 50);
    EXPECT_DOUBLE_EQ(rocket->GetMainPower(), 10);
  }
  {
    PadWorld world(100);  // only the left fin (x = 92) is over black ground
    TRocket* rocket = world.Standing();
    rocket->ApplyImpact(0);
    EXPECT_DOUBLE_EQ(rocket->GetEnergy(), 50);
  }
  {
    PadWorld world;
    world.Track.SetEvolution(true);
    TRocket* rocket = world.Standing();
    rocket->ApplyImpact(0);
    EXPECT_DOUBLE_EQ(rocket->GetEnergy(), 50);
  }
  {
    PadWorld world;
    TRocket* rocket = world.Standing();
    rocket->SetHealth(0);
    rocket->ApplyImpact(0);
    EXPECT_DOUBLE_EQ(rocket->GetEnergy(), 50);
  }
}

TEST(RocketPadTest, RocketSettlingOnAPadUnderGravityIsServiced) {
  PadWorld world;
  TRocket* rocket = world.Add(TRocket::Create(TestRandom(), 100, 139, kUp));
  rocket->IsClearOfWalls();
  for (int i = 0; i < 30; ++i) {
    rocket->GetState().MarkStartValues();
    rocket->Step();
    world.Track.Step();
  }
  EXPECT_GT(rocket->GetEnergy(), 50);
  EXPECT_DOUBLE_EQ(rocket->GetHealth(), 100);
  EXPECT_LT(rocket->GetPosY(), 142);
}

TEST(RocketTest, DrawsCockpitExhaustAndSideThrust) {
  World world;
  RecordingCanvas canvas;
  world.Track.ImageCanvas = &canvas;
  TRocket* rocket = world.Add(TRocket::Create(TestRandom(), 100, 100, 0));
  rocket->SetMainPower(30);
  rocket->SetRotaPower(-2);
  rocket->Draw();
  const auto ellipses = canvas.Of(RecordingCanvas::Op::Ellipse);
  ASSERT_EQ(ellipses.size(), 1u);
  EXPECT_EQ(ellipses[0].args, (std::vector<int32_t>{95, 95, 105, 105}));  // 4.8 rounds to 5
  EXPECT_EQ(ellipses[0].brush, MakeColor(166, 202, 240));
  const auto lines = canvas.Of(RecordingCanvas::Op::Line);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].args, (std::vector<int32_t>{88, 100, 58, 100}));
  EXPECT_EQ(lines[1].args, (std::vector<int32_t>{88, 100, 88, 80}));
  EXPECT_EQ(lines[0].pen, MakeColor(255, 0, 0));
}

}  // namespace
}  // namespace vorlanth::testing
