// The rigid body: integration, mass, walls and bounces, overlap and the pair
// response; and the speeding goal every body holds.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "core/random.h"
#include "world2d/kart.h"
#include "world2d/rocket.h"
#include "world_fixture.h"
#include "support/test_random.h"

namespace vorlanth::testing {
namespace {

TEST(Physic2DTest, GravityStepUsesTheUpdatedVelocityPlusHalfAcceleration) {
  World world;
  RegularBody* body = world.Add(RegularBody::Create(4, 100, 100, 0));
  body->Step();
  EXPECT_NEAR(body->GetVelY(), 0.98, 1e-12);
  EXPECT_NEAR(body->GetPosY(), 100.147, 1e-12);  // 0.98 x 0.1 + 9.8 x 0.01 / 2
  EXPECT_DOUBLE_EQ(body->GetPosX(), 100);
  EXPECT_TRUE(body->ShapeDirty);
}

TEST(Physic2DTest, DragSlowsLinearAndAngularMotion) {
  auto body = RegularBody::Create(4, 100, 100, 0);
  body->Gravity = 0;
  body->SetVelX(100);
  body->SetVelA(1);
  body->Step();
  EXPECT_NEAR(body->GetVelX(), 99.9, 1e-12);
  EXPECT_NEAR(body->GetVelA(), 0.98, 1e-12);
  EXPECT_NEAR(body->GetAngle(), 0.098, 1e-12);
}

TEST(Physic2DTest, BodyTouchingTheBorderDiesAtItsNextStep) {
  World world(TMemoryPicture(200, 100));
  RegularBody* body = world.Add(RegularBody::Create(4, 10, 50, 0));  // corner at x = 0
  body->SetSize(10);
  body->BeginStep();
  EXPECT_TRUE(body->IsDead());
}

// The border test trusts the last wall test of the same pose, but only on the
// circuit that test saw.
TEST(Physic2DTest, APoseFoundClearOnOneCircuitIsTestedAgainOnTheNext) {
  World world(TMemoryPicture(200, 100));
  RegularBody* body = world.Add(RegularBody::Create(4, 150, 50, 0));
  body->SetSize(10);
  ASSERT_TRUE(body->IsClearOfWalls());
  body->BeginStep();
  ASSERT_FALSE(body->IsDead());
  world.Track.LoadFromImage(TMemoryPicture(120, 100));  // the body's right corner now beyond the border
  body->BeginStep();
  EXPECT_TRUE(body->IsDead());
}

TEST(Physic2DTest, FutureNoiseKicksBothAxesAlikeOnlyInFutures) {
  World world;  // whose pass stream the futures draw from
  RegularBody* body = world.Add(RegularBody::Create(4, 100, 100, 0));
  body->FutureNoise = 5;
  body->ApplyForces();
  EXPECT_EQ(body->GetVelX(), 0);
  body->SetFutureMode(true);
  body->ApplyForces();
  EXPECT_NE(body->GetVelX(), 0);
  EXPECT_EQ(body->GetVelX(), body->GetVelY());
}

TEST(Physic2DTest, GoallessDeadBodyStopsInFutures) {
  auto body = RegularBody::Create(4, 100, 100, 0);
  body->Goals->Clear();
  body->SetFutureMode(true);
  body->SetVelX(5);
  body->SetHealth(90);
  body->ApplyForces();  // the first damage kills a body without goals
  EXPECT_TRUE(body->IsDead());
  EXPECT_EQ(body->GetVelX(), 0);
  EXPECT_EQ(body->AccY, 0);
  body->SetVelX(5);
  body->Move();
  EXPECT_DOUBLE_EQ(body->GetPosX(), 100);
}

TEST(Physic2DTest, MassAndInertiaGrowWithSizeAndFollowRestoredStates) {
  auto body = RegularBody::Create(4, 100, 100, 0);
  body->SetDensity(1);
  body->SetSize(12);
  EXPECT_DOUBLE_EQ(body->GetMass(), 1);
  EXPECT_DOUBLE_EQ(body->GetInertia(), 1);
  body->CommitState();
  body->SetSize(6);
  EXPECT_DOUBLE_EQ(body->GetMass(), 0.125);
  EXPECT_DOUBLE_EQ(body->GetInertia(), 0.03125);
  body->SetDensity(2);
  EXPECT_DOUBLE_EQ(body->GetMass(), 0.25);
  body->RestoreStoredState();  // back to size 12 without SetSize
  EXPECT_DOUBLE_EQ(body->GetMass(), 2);
  EXPECT_DOUBLE_EQ(body->GetInertia(), 2);

  body->SetVelX(100);
  body->SetVelA(100);
  EXPECT_DOUBLE_EQ(body->GetKineticEnergy(), 2 + 2);  // no factor 1/2
}

TEST(Physic2DTest, SizeSetterRefusesZeroNegativeAndTheCurrentSize) {
  auto body = RegularBody::Create(4, 100, 100, 0);
  body->SetSize(10);
  body->UpdateShape();
  const double mass = body->GetMass();
  body->SetSize(0);
  body->SetSize(-3);
  body->SetSize(10);
  EXPECT_DOUBLE_EQ(body->GetSize(), 10);
  EXPECT_FALSE(body->ShapeDirty);
  EXPECT_EQ(body->MassCache, mass);
}

// ---- Walls ---------------------------------------------------------------------

// A field with a wall from x = 150 on; a square of size 10 (corners on the axes)
// kept clear at x = 135 and then pushed 6 px into the wall, moving at vx.
struct WallWorld : World {
  WallWorld() : World(Picture()) {}
  static TMemoryPicture Picture() {
    TMemoryPicture p(200, 200);
    p.Fill(150, 0, 200, 200, kBlackPixel);
    return p;
  }
  RegularBody* PushedIn(double vx, bool controls) {
    RegularBody* body = Add(RegularBody::Create(4, 135, 100, 0, controls));
    body->SetSize(10);
    EXPECT_TRUE(body->IsClearOfWalls());
    body->SetPosX(141);
    body->SetVelX(vx);
    return body;
  }
};

TEST(Physic2DWallTest, ClearBodyKeepsItsPoseAndOffendingCornersGiveTheContact) {
  WallWorld world;
  RegularBody* body = world.PushedIn(0, false);
  const TStateParam& x = body->GetState().GetParam(body->PosXIndex);
  EXPECT_DOUBLE_EQ(x.KeptValue, 135);
  EXPECT_FALSE(body->IsClearOfWalls());
  EXPECT_DOUBLE_EQ(body->ContactX, 151);
  EXPECT_NEAR(body->ContactY, 100, 1e-9);
  EXPECT_DOUBLE_EQ(x.KeptValue, 135);  // a pose on the wall is not kept
}

TEST(Physic2DWallTest, HardTouchReflectsWithFactor1Point3) {
  WallWorld world;
  RegularBody* body = world.PushedIn(20, /*controls=*/true);
  body->Bounce();
  EXPECT_NEAR(body->GetPosX(), 139.2, 1e-9);  // three tenths back: clear again
  EXPECT_NEAR(body->GetVelX(), 20 - 1.3 * 20, 1e-9);
  EXPECT_NEAR(body->GetVelY(), 0, 1e-9);
  EXPECT_NEAR(body->ContactX, 149.8, 1e-9);
  // Damage from the contact speed: (10/12) x (20/10)^2 x 10.
  EXPECT_NEAR(body->GetHealth(), 100 - 100.0 / 3, 1e-9);
}

TEST(Physic2DWallTest, SlowTouchReflectsFullyWithFactor2) {
  WallWorld world;
  RegularBody* body = world.PushedIn(0.5, /*controls=*/false);
  body->Bounce();
  EXPECT_NEAR(body->GetVelX(), -0.5, 1e-9);
  EXPECT_DOUBLE_EQ(body->GetHealth(), 100);  // without controls no wall damage
}

TEST(Physic2DWallTest, BounceNeverRaisesKineticEnergy) {
  TestRandom().Seed(7);
  for (int i = 0; i < 50; ++i) {
    WallWorld world;
    RegularBody* body = world.PushedIn(40 * Random(TestRandom()), false);
    body->SetVelY(40 * (Random(TestRandom()) - 0.5));
    body->SetVelA(6 * (Random(TestRandom()) - 0.5));
    body->SetAngle(0.3 * (Random(TestRandom()) - 0.5));
    const double before = body->GetKineticEnergy();
    body->Bounce();
    EXPECT_LE(body->GetKineticEnergy(), before) << "case " << i;
  }
}

TEST(Physic2DWallTest, BodyPlacedOnAWallStaysWhereItWasPut) {
  WallWorld world;
  RegularBody* body = world.Add(RegularBody::Create(4, 145, 100, 0));  // corner at 155
  body->Bounce();
  EXPECT_DOUBLE_EQ(body->GetPosX(), 145);  // not dragged toward the origin
  EXPECT_DOUBLE_EQ(body->GetPosY(), 100);
}

TEST(Physic2DWallTest, ContactAtTheCentreOnlyMovesTheBodyBack) {
  TMemoryPicture picture(200, 200);
  picture.Fill(0, 0, 51, 200, kBlackPixel);
  picture.Fill(70, 0, 200, 200, kBlackPixel);
  World world(picture);
  RegularBody* body = world.Add(RegularBody::Create(4, 60, 100, 0, /*controls=*/true));
  body->SetSize(10);  // opposite corners on both walls
  body->StorePose();
  body->SetAngle(0.02);
  body->SetVelX(3);
  body->SetVelA(0.5);
  body->Bounce();
  EXPECT_NEAR(body->GetAngle(), -0.02, 1e-12);  // twenty tenths back
  EXPECT_DOUBLE_EQ(body->GetVelX(), 3);
  EXPECT_DOUBLE_EQ(body->GetVelA(), 0.5);
  EXPECT_DOUBLE_EQ(body->GetHealth(), 100);
}

// A spinning body whose corner touches a wall: the contact point's velocity is all
// across the normal, so the touch is gentle and reverses the spin 2.6-fold; the
// kinetic energy, 2.56 times the original, is then damped by 0.9 five times.
TEST(Physic2DWallTest, ASpinReversedByAWallIsDampedInStepsOfNineTenths) {
  TMemoryPicture picture(200, 200);
  picture.Fill(108, 0, 200, 200, kBlackPixel);
  World world(picture);
  RegularBody* body = world.Add(RegularBody::Create(4, 100, 100, 0));
  body->SetSize(10);  // the corner at (110, 100) is on the wall
  body->StorePose();
  body->SetVelA(2);
  const double before = body->GetKineticEnergy();
  body->Bounce();
  EXPECT_NEAR(body->GetVelA(), -3.2 * std::pow(0.9, 5), 1e-12);
  EXPECT_NEAR(body->GetVelX(), 0, 1e-12);
  EXPECT_LE(body->GetKineticEnergy(), before);
}

// The guard for a contact near the centre is Size/100: a body of size 10 whose
// offending corners average 0.05 from its centre keeps its motion; at 0.15 it
// bounces.
TEST(Physic2DWallTest, AContactWithinAHundredthOfTheSizeFromTheCentreChangesNoMotion) {
  TMemoryPicture picture(200, 200);
  picture.Fill(0, 0, 93, 200, kBlackPixel);
  picture.Fill(108, 0, 200, 200, kBlackPixel);
  for (const double distance : {0.05, 0.15}) {
    World world(picture);
    RegularBody* body = world.Add(RegularBody::Create(4, 100, 100, 0));
    body->SetSize(10);
    // Corners right, below, left but turned by e, above: the right and left ones
    // are on the walls and average 5 sin(e) from the centre.
    const double e = std::asin(distance / 5);
    body->Directions = {{1, 0}, {0, 1}, {-std::cos(e), std::sin(e)}, {0, -1}};
    body->ShapeDirty = true;
    body->ArraysPending = true;
    ASSERT_FALSE(body->IsClearOfWalls());
    ASSERT_NEAR(std::hypot(body->ContactX - 100, body->ContactY - 100), distance, 1e-3);
    body->StorePose();
    body->SetVelX(3);
    body->SetVelA(0.5);
    body->Bounce();
    if (distance < 0.1) {
      EXPECT_DOUBLE_EQ(body->GetVelX(), 3);
      EXPECT_DOUBLE_EQ(body->GetVelA(), 0.5);
    } else {
      EXPECT_NE(body->GetVelA(), 0.5);
    }
  }
}

// ---- Bodies --------------------------------------------------------------------

TEST(Physic2DPairTest, OverlapSetsTheSameContactInBoth) {
  auto a = RegularBody::Create(4, 100, 100, 0);
  auto b = RegularBody::Create(4, 115, 100, 0);
  a->SetSize(10);
  b->SetSize(10);
  ASSERT_TRUE(a->CollidesWith(*b));
  EXPECT_GT(a->ContactX, 105);
  EXPECT_LT(a->ContactX, 110);
  EXPECT_NEAR(a->ContactY, 100, 1e-9);
  EXPECT_EQ(a->ContactX, b->ContactX);
  EXPECT_EQ(a->ContactY, b->ContactY);

  b->SetPosX(121);  // a gap of one pixel
  EXPECT_FALSE(a->CollidesWith(*b));
}

TEST(Physic2DPairTest, PlayerThatIsNotABodyNeverCollides) {
  auto body = RegularBody::Create(4, 100, 100, 0);
  auto plain = PlainPlayer::Create();
  body->ContactX = 7;
  body->ContactY = 8;
  EXPECT_FALSE(body->CollidesWith(*plain));
  EXPECT_EQ(body->ContactX, 7);
  EXPECT_EQ(body->ContactY, 8);
}

struct PairWorld : World {
  std::pair<RegularBody*, RegularBody*> Squares(double vxA, double vxB) {
    RegularBody* a = Add(RegularBody::Create(4, 100, 100, 0));
    RegularBody* b = Add(RegularBody::Create(4, 115, 100, 0));
    for (RegularBody* body : {a, b}) {
      body->SetSize(10);
      EXPECT_TRUE(body->IsClearOfWalls());  // keeps the pose
    }
    a->SetVelX(vxA);
    b->SetVelX(vxB);
    EXPECT_TRUE(a->CollidesWith(*b));
    return {a, b};
  }
};

TEST(Physic2DPairTest, EqualVelocitiesGiveNoImpulseButSeparation) {
  PairWorld world;
  auto [a, b] = world.Squares(5, 5);
  TPhysic2D::ResolveCollision(*a, *b);
  EXPECT_DOUBLE_EQ(a->GetVelX(), 5);
  EXPECT_DOUBLE_EQ(b->GetVelX(), 5);
  EXPECT_EQ(a->GetVelA(), 0);
  EXPECT_DOUBLE_EQ(a->GetHealth(), 100);
  EXPECT_DOUBLE_EQ(b->GetHealth(), 100);
  EXPECT_FALSE(a->CollidesWith(*b));
  EXPECT_LT(a->GetPosX(), 100);
  EXPECT_GT(b->GetPosX(), 115);
}

TEST(Physic2DPairTest, HeadOnImpulseCostsSquaredImpulseInHealth) {
  PairWorld world;
  auto [a, b] = world.Squares(10, 0);
  TPhysic2D::ResolveCollision(*a, *b);
  // Equal masses: J = 5 each; the exchange with factor 1.75 keeps the motion measure.
  EXPECT_NEAR(a->GetVelX(), 10 - 1.75 * 5, 1e-9);
  EXPECT_NEAR(b->GetVelX(), 1.75 * 5, 1e-9);
  EXPECT_NEAR(a->GetHealth(), 75, 1e-9);
  EXPECT_NEAR(b->GetHealth(), 75, 1e-9);
}

TEST(Physic2DPairTest, ExchangeIsScaledDownRatherThanRaiseTheMotionMeasure) {
  PairWorld world;
  auto [a, b] = world.Squares(10, 0);
  a->SetSize(5);  // a light body runs into a heavy one: in full it would bounce back
  ASSERT_TRUE(a->CollidesWith(*b));
  auto measure = [](TPhysic2D& p) {
    return std::hypot(p.GetVelX() / 100, p.GetVelY() / 100) * p.GetMass() +
           std::fabs(p.GetVelA()) / 100 * p.GetInertia();
  };
  const double before = measure(*a) + measure(*b);
  TPhysic2D::ResolveCollision(*a, *b);
  EXPECT_LE(measure(*a) + measure(*b), before * (1 + 1e-9));
  EXPECT_GE(a->GetVelX(), 0);
  EXPECT_GT(b->GetVelX(), 0);
}

// Two bodies held on a wall (which blocks their separation) keep overlapping
// while one backs off: the back-off stops after 21 moves of a tenth of the way.
TEST(Physic2DPairTest, BackOffStopsAfterTwentyOneMoves) {
  TMemoryPicture picture(200, 200);
  picture.Fill(0, 0, 200, 92, kBlackPixel);  // both top corners on the wall
  World world(picture);
  RegularBody* a = world.Add(RegularBody::Create(4, 100, 100, 0));
  RegularBody* b = world.Add(RegularBody::Create(4, 115, 100, 0));
  for (RegularBody* body : {a, b}) {
    body->SetSize(10);
    body->StorePose();
  }
  a->SetPosX(101);  // a tenth of the way back is 0.1 px
  ASSERT_TRUE(a->CollidesWith(*b));
  TPhysic2D::ResolveCollision(*a, *b);
  EXPECT_NEAR(a->GetPosX(), 101 - 21 * 0.1, 1e-9);
  EXPECT_DOUBLE_EQ(b->GetPosX(), 115);
}

TEST(Physic2DPairTest, KartDrainsRocketOnlyUnderEvolution) {
  for (const bool evolution : {false, true}) {
    World world;
    world.Track.SetEvolution(evolution);
    TKart* kart = world.Add(TKart::Create(TestRandom(), 100, 100, 0));
    TRocket* rocket = world.Add(TRocket::Create(TestRandom(), 118, 100, std::numbers::pi));
    kart->SetEnergy(50);
    rocket->SetEnergy(50);
    kart->IsClearOfWalls();
    rocket->IsClearOfWalls();
    ASSERT_TRUE(kart->CollidesWith(*rocket));
    world.Track.Collisions = true;
    world.Track.Step();  // the rule lives in the world step, which sees both kinds
    EXPECT_DOUBLE_EQ(kart->GetEnergy(), evolution ? 72.5 : 50);
    EXPECT_DOUBLE_EQ(rocket->GetEnergy(), evolution ? 25 : 50);
  }
}

}  // namespace
}  // namespace vorlanth::testing
