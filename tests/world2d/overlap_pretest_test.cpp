// The bounding-circle pretest of the overlap of karts and rockets: it may only
// turn away pairs the full sampled test finds apart, at every size and pose.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <random>

#include "world2d/body_cast.h"
#include "world2d/kart.h"
#include "world2d/rocket.h"

namespace vorlanth::testing {
namespace {

std::unique_ptr<TPhysic2D> MakeBody(bool kart) {
  if (kart) return TKart::Create(0, 0, 0);
  return TRocket::Create(0, 0, 0);
}

TEST(OverlapPretestTest, NeverTurnsAwayAPairTheSampledTestFindsTouching) {
  std::mt19937 rng(2025);
  std::uniform_real_distribution<double> unit(0, 1);
  int64_t turnedAway = 0;
  int64_t touching = 0;
  double farthestTouch = -1;  // beyond the sum of the radii, pixels
  for (int trial = 0; trial < 60000; ++trial) {
    // Both with the pretest, and twins seen as plain bodies: the full test only.
    std::unique_ptr<TPhysic2D> a = MakeBody(trial % 2 == 0);
    std::unique_ptr<TPhysic2D> b = MakeBody(trial % 3 == 0);
    std::unique_ptr<TPhysic2D> fullA = MakeBody(trial % 2 == 0);
    std::unique_ptr<TPhysic2D> fullB = MakeBody(trial % 3 == 0);
    fullA->BodyKind = bkPhysic;
    fullB->BodyKind = bkPhysic;
    // The smallest sizes round the most; centres on and off the half pixels.
    const double sizeA = trial % 4 == 0 ? 3 : 3 + 22 * unit(rng);
    const double sizeB = trial % 5 == 0 ? 3 : 3 + 22 * unit(rng);
    const double ax = 100 + std::round(unit(rng) * 4) / 2 + (trial % 7 == 0 ? 0 : unit(rng));
    const double ay = 100 + unit(rng);
    const double bearing = 2 * std::numbers::pi * unit(rng);
    const double apart = sizeA + sizeB - 1 + 4 * unit(rng);
    const double angleA = 2 * std::numbers::pi * unit(rng);
    const double angleB = 2 * std::numbers::pi * unit(rng);
    for (TPhysic2D* body : {a.get(), fullA.get()}) {
      body->SetSize(sizeA);
      body->SetPosition(ax, ay, angleA);
      body->UpdateShape();
    }
    for (TPhysic2D* body : {b.get(), fullB.get()}) {
      body->SetSize(sizeB);
      body->SetPosition(ax + apart * std::cos(bearing), ay + apart * std::sin(bearing), angleB);
      body->UpdateShape();
    }
    const TContact quick = a->Overlap(*b);
    const TContact full = fullA->Overlap(*fullB);
    ASSERT_EQ(quick.Touching, full.Touching) << "trial " << trial;
    if (full.Touching) {
      ++touching;
      farthestTouch = std::max(farthestTouch, apart - sizeA - sizeB);
      EXPECT_EQ(quick.X, full.X);
      EXPECT_EQ(quick.Y, full.Y);
    }
    // What the pretest decided: the outlines were left unbuilt for the edges.
    if (!quick.Touching && a->EdgesDirty) ++turnedAway;
  }
  EXPECT_GT(touching, 300);
  EXPECT_GT(turnedAway, 10000);
  // The margin has room: touches reach little beyond the circles.
  EXPECT_LT(farthestTouch, 1.5);
}

}  // namespace
}  // namespace vorlanth::testing
