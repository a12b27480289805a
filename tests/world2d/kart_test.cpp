// The kart: controls as rates, rolling friction, brake, side grip, energy and
// steering; its outline and drawing.

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <numbers>
#include <random>

#include "core/lane_width.h"
#include "world2d/kart.h"
#include "world_fixture.h"
#include "support/test_random.h"

namespace vorlanth::testing {
namespace {

constexpr double kPi = std::numbers::pi;

// A kart heading along +x, off any track (default frictions 0.008 and 0.1, dt 0.1).
std::unique_ptr<TKart> Kart(double power, double velX, double velY = 0) {
  auto kart = TKart::Create(TestRandom(), 100, 100, 0);
  kart->SetPower(power);
  kart->SetVelX(velX);
  kart->SetVelY(velY);
  return kart;
}

TEST(KartTest, CreatedWithItsBodyConstantsControlsAndOutline) {
  auto kart = TKart::Create(TestRandom(), 100, 100, 0);
  EXPECT_DOUBLE_EQ(kart->GetSize(), 10);
  EXPECT_EQ(kart->Gravity, 0);
  EXPECT_DOUBLE_EQ(kart->GetHealthGoal().Urgency, 0.4);
  TState& s = kart->GetState();
  ASSERT_EQ(s.FreeParamCount(), 4);
  EXPECT_EQ(s.GetFreeParam(0).Name(), "PUSHPOWER");
  EXPECT_EQ(s.GetFreeParam(2).Name(), "PUSHTURN");
  // A flat nose between +-0.1 pi, a wide tail between +-0.8 pi.
  kart->UpdateShape();
  EXPECT_EQ(kart->CornerPoints, (std::vector<TPoint>{{110, 103}, {92, 106}, {92, 94}, {110, 97}}));
}

TEST(KartTest, ControlsAreRatesOfPowerAndTurn) {
  auto kart = Kart(10, 0);
  TState& s = kart->GetState();
  s.GetParam(kart->PushPowerIndex).SetValue(20);
  s.GetParam(kart->PushTurnIndex).SetValue(-1);
  kart->ApplyForces();
  EXPECT_DOUBLE_EQ(kart->GetPower(), 12);
  EXPECT_DOUBLE_EQ(kart->GetTurn(), -0.1);
}

TEST(KartTest, BrakeRemovesSpeedWithoutThrustThenPushesWeaklyForward) {
  auto kart = Kart(-40, 5);
  kart->ApplyForces();
  // 100 x 80 x 0.008 x 0.1 x 0.5 = 3.2 px/s braked off; rolling factor from vf = 5.
  const double rolling = 1 - 10 * 0.1 * 0.008 * 1.05;
  EXPECT_NEAR(kart->GetVelX(), rolling * (5 - 3.2), 1e-12);
  EXPECT_EQ(kart->AccX, 0);
  EXPECT_NEAR(kart->GetEnergy(), 50 - 0.05 * 0.1, 1e-12);  // braking costs only idling

  auto stopped = Kart(-40, 0);
  stopped->ApplyForces();
  // Thrust 15 forward: 15 x (10/12)^2 / (1.5 x (10/12)^3) = 12 px/s^2.
  EXPECT_NEAR(stopped->AccX, 12, 1e-12);
  EXPECT_NEAR(stopped->GetEnergy(), 50 - 0.45 * 0.1, 1e-12);
}

// Rolling friction grows with the forward speed and shrinks when rolling
// backward: 1 - 10 dt Ff (1 + 0.01 vf).
TEST(KartTest, RollingFrictionFollowsTheSignedForwardSpeed) {
  for (const double speed : {50.0, -50.0}) {
    auto kart = Kart(0, speed);
    kart->ApplyForces();
    EXPECT_NEAR(kart->GetVelX(), (1 - 10 * 0.1 * 0.008 * (1 + 0.01 * speed)) * speed, 1e-12)
        << speed;
  }
}

TEST(KartTest, FrictionComesFromTheTrack) {
  World world;
  world.Track.Friction = 0;
  TKart* kart = world.Add(TKart::Create(TestRandom(), 100, 100, 0));
  kart->SetPower(-40);
  kart->SetVelX(5);
  kart->ApplyForces();
  EXPECT_DOUBLE_EQ(kart->GetVelX(), 5);  // neither rolling loss nor brake
}

TEST(KartTest, TurnRateGrowsWithForwardSpeedUpTo10PixelsPerSecond) {
  for (const auto& [speed, expected] :
       {std::pair{20.0, kPi / 4}, {5.0, kPi / 8}, {-5.0, -kPi / 8}, {0.0, 0.0}}) {
    auto kart = Kart(0, speed);
    kart->SetTurn(kPi / 4);
    kart->ApplyForces();
    EXPECT_NEAR(kart->GetVelA(), expected, 1e-12) << "speed " << speed;
  }
}

TEST(KartTest, SideGripSlowsSlidingWithoutReversingIt) {
  auto kart = Kart(0, 0, 3);
  kart->ApplyForces();
  EXPECT_NEAR(kart->GetVelY(), 2, 1e-12);

  auto slow = Kart(0, 0, 0.5);
  slow->ApplyForces();
  EXPECT_EQ(slow->GetVelY(), 0);

  auto turned = TKart::Create(TestRandom(), 100, 100, kPi / 2);  // heading down: x is sideways
  turned->SetVelX(-3);
  turned->ApplyForces();
  EXPECT_NEAR(turned->GetVelX(), -2, 1e-12);
}

TEST(KartTest, NoEnergyNoThrustButControlsStillAct) {
  auto kart = Kart(40, 0);
  kart->SetEnergy(0);
  kart->GetState().GetParam(kart->PushPowerIndex).SetValue(10);
  kart->ApplyForces();
  EXPECT_EQ(kart->AccX, 0);
  EXPECT_EQ(kart->GetEnergy(), 0);
  EXPECT_DOUBLE_EQ(kart->GetPower(), 41);
}

TEST(KartTest, LittleEnergyLimitsTheThrust) {
  auto kart = Kart(80, 0);
  kart->SetEnergy(0.001);
  kart->ApplyForces();
  // The cost 0.085 exceeds the energy; the thrust is then capped at 200 x 0.001.
  EXPECT_NEAR(kart->AccX, 0.2 * 0.8, 1e-12);
  EXPECT_EQ(kart->GetEnergy(), 0);
}

TEST(KartTest, DeadKartKeepsItsTurnLosesPowerAndIdles) {
  auto kart = Kart(50, 0);
  kart->SetTurn(0.3);
  kart->GetState().GetParam(kart->PushTurnIndex).SetValue(1);
  kart->SetHealth(0);
  kart->ApplyForces();
  EXPECT_EQ(kart->GetPower(), 0);
  EXPECT_DOUBLE_EQ(kart->GetTurn(), 0.3);
  EXPECT_NEAR(kart->GetEnergy(), 50 - 0.005, 1e-12);
}

TEST(KartTest, MaximumPowerCanBeLowered) {
  auto kart = TKart::Create(TestRandom(), 100, 100, 0);
  kart->SetPower(100);
  EXPECT_DOUBLE_EQ(kart->GetPower(), 80);
  kart->SetMaxPower(14);
  kart->SetPower(100);
  EXPECT_DOUBLE_EQ(kart->GetPower(), 14);
  EXPECT_DOUBLE_EQ(kart->GetMaxPower(), 14);
}

TEST(KartTest, CloneIsAnotherKartInTheSameState) {
  auto kart = TKart::Create(TestRandom(), 120, 80, 0.5);
  kart->SetPower(30);
  kart->SetEnergy(70);
  auto clone = kart->Clone(TestRandom());
  auto* twin = dynamic_cast<TKart*>(clone.get());
  ASSERT_NE(twin, nullptr);
  EXPECT_NE(twin, kart.get());
  EXPECT_DOUBLE_EQ(twin->GetPosX(), 120);
  EXPECT_DOUBLE_EQ(twin->GetPower(), 30);
  EXPECT_DOUBLE_EQ(twin->GetEnergy(), 70);
  EXPECT_TRUE(twin->CanClone());
}

TEST(KartTest, DrawsWheelsAndThePowerGauge) {
  World world;
  RecordingCanvas canvas;
  world.Track.ImageCanvas = &canvas;
  TKart* kart = world.Add(TKart::Create(TestRandom(), 100, 100, 0));
  kart->SetPower(40);
  kart->Draw();
  const auto lines = canvas.Of(RecordingCanvas::Op::Line);
  ASSERT_EQ(lines.size(), 3u);  // two wheels, the gauge's arm
  EXPECT_EQ(lines[0].penWidth, 2);
  EXPECT_EQ(lines[2].args, (std::vector<int32_t>{100, 100, 110, 100}));
  const auto ellipses = canvas.Of(RecordingCanvas::Op::Ellipse);
  ASSERT_EQ(ellipses.size(), 3u);
  EXPECT_EQ(ellipses[0].args, (std::vector<int32_t>{107, 97, 113, 103}));
  EXPECT_EQ(ellipses[0].brush, MakeColor(75, 255, 75));  // sqrt(0.5) of the way to green
  EXPECT_EQ(ellipses[1].args, (std::vector<int32_t>{108, 98, 111, 101}));
  EXPECT_EQ(ellipses[2].brushStyle, Canvas::BrushStyle::Clear);

  canvas.Calls.clear();
  kart->SetPower(-20);  // braking: white to yellow
  kart->Draw();
  EXPECT_EQ(canvas.Of(RecordingCanvas::Op::Ellipse)[0].brush, MakeColor(255, 255, 127));
}

// The same kart of several replicas in vector lanes: each gets the bits of its
// own ApplyForces and Move. Seeded random karts cover braking, reversing, short
// of energy, dead, sliding or still (the side grip's shortcut and the hypot),
// a heading cached or not, a lowered maximum power, non-finite values, karts in
// the present (stepped alone) beside those in futures, and idle lanes.
TEST(KartTest, SideBySideGivesEachKartTheBitsOfItsOwnStep) {
  std::mt19937_64 random(33);
  const auto uniform = [&random](double a, double b) { return std::uniform_real_distribution<double>(a, b)(random); };
  const auto chance = [&random](double p) { return std::bernoulli_distribution(p)(random); };
  const auto bits = [](double x) { return std::bit_cast<uint64_t>(x); };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const int32_t chosen = VectorLaneWidth();
  int64_t compared = 0;
  for (const int32_t width : {4, 8}) {
    ChooseVectorLanes(width);
    for (int trial = 0; trial < 150; ++trial) {
      const size_t count = 2 + random() % 15;
      std::vector<std::unique_ptr<TKart>> alone, together;
      for (size_t l = 0; l < count; ++l) {
        const bool future = !chance(0.1);
        const double maxPower = chance(0.2) ? uniform(1, 80) : 80;
        const double values[] = {
            uniform(-80, 80), uniform(-0.8, 0.8), uniform(-60, 60), uniform(-5, 5),
            chance(0.2) ? uniform(-1e-4, 1e-4) : uniform(-40, 40), chance(0.2) ? 0.0 : uniform(-40, 40),
            uniform(-2, 2), uniform(0, 800), uniform(0, 600), chance(0.3) ? 0.0 : uniform(-10, 10),
            chance(0.3) ? uniform(0, 0.01) : uniform(0, 100), chance(0.15) ? 0.0 : 100};
        const int odd = chance(0.05) ? static_cast<int>(random() % 12) : -1;
        const double oddValue = chance(0.5) ? nan : (chance(0.5) ? inf : -inf);
        for (auto* set : {&alone, &together}) {
          auto kart = TKart::Create(TestRandom(), 0, 0, 0);
          kart->SetMaxPower(maxPower);
          kart->SetFutureMode(future);
          TKart& k = *kart;
          const int32_t params[] = {k.PowerIndex, k.TurnIndex,  k.PushPowerIndex, k.PushTurnIndex,
                                    k.VelXIndex,  k.VelYIndex,  k.VelAIndex,      k.PosXIndex,
                                    k.PosYIndex,  k.AngleIndex, k.EnergyIndex,    k.HealthIndex};
          for (int i = 0; i < 12; ++i) {
            TStateParam& p = k.GetState().Params[static_cast<size_t>(params[i])];
            p.SetValue(values[i]);
            if (i == odd) p.Value = oddValue;  // past the setter
          }
          set->push_back(std::move(kart));
        }
      }
      std::vector<TPlayer*> same;
      for (auto& kart : together) same.push_back(kart.get());
      for (int step = 0; step < 3; ++step) {
        for (auto& kart : alone) kart->Step();
        same[0]->StepSideBySide(same.data(), count);
      }
      for (size_t l = 0; l < count; ++l) {
        const TState& a = alone[l]->GetState();
        const TState& b = together[l]->GetState();
        for (size_t i = 0; i < a.Params.size(); ++i)
          ASSERT_EQ(bits(a.Params[i].Value), bits(b.Params[i].Value))
              << "width " << width << ", trial " << trial << ", lane " << l << ", " << a.Params[i].Name();
        ASSERT_EQ(bits(alone[l]->AccX), bits(together[l]->AccX));
        ASSERT_EQ(bits(alone[l]->AccY), bits(together[l]->AccY));
        ASSERT_EQ(bits(alone[l]->AccA), bits(together[l]->AccA));
        ASSERT_EQ(bits(alone[l]->Heading().x), bits(together[l]->Heading().x));
        ASSERT_EQ(bits(alone[l]->Heading().y), bits(together[l]->Heading().y));
        ++compared;
      }
    }
  }
  ChooseVectorLanes(chosen);
  EXPECT_EQ(VectorLaneWidth(), chosen);
  EXPECT_GT(compared, 2000);
}

}  // namespace
}  // namespace vorlanth::testing
