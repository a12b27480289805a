// The shortcuts of the overlap test: the bounding-circle pretest of karts and
// rockets, and the edges left unsampled for lying beyond what the other body's
// outline test can accept. They may only skip what the full sampling finds apart.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <random>

#include "world2d/kart.h"
#include "world2d/polygon2d.h"
#include "world2d/rocket.h"
#include "support/test_random.h"

namespace vorlanth::testing {
namespace {

std::unique_ptr<TPhysic2D> MakeBody(bool kart) {
  if (kart) return TKart::Create(TestRandom(), 0, 0, 0);
  return TRocket::Create(TestRandom(), 0, 0, 0);
}

// Kart, rocket, or an asteroid of 3 to 8 sides.
std::unique_ptr<TPhysic2D> MakeAnyBody(int kind) {
  if (kind < 2) return MakeBody(kind == 0);
  return TPolygon2D::Create(TestRandom(), kind + 1, 0, 0, 0);
}
constexpr int kKinds = 8;

// The overlap as the sampling alone finds it: every edge of each outline at its
// start and at 1/5 .. 4/5, against the other's outline test.
TContact SampledOverlap(TPhysic2D& a, TPhysic2D& b) {
  a.UpdateEdges();
  b.UpdateEdges();
  double sumX = 0;
  double sumY = 0;
  int32_t count = 0;
  const TPhysic2D* sampled[2] = {&b, &a};
  const TPhysic2D* tester[2] = {&a, &b};
  for (int pass = 0; pass < 2; ++pass) {
    const std::vector<TPoint>& points = sampled[pass]->CornerPoints;
    for (size_t i = 0; i < points.size(); ++i) {
      const TPoint p = points[i];
      const TPoint q = points[(i + 1) % points.size()];
      for (int32_t s = 0; s < TPhysic2D::SamplesPerEdge; ++s) {
        const double t = static_cast<double>(s) / TPhysic2D::SamplesPerEdge;
        const double x = p.x + t * (q.x - p.x);
        const double y = p.y + t * (q.y - p.y);
        if (tester[pass]->OutlineContains(x, y)) {
          sumX += x;
          sumY += y;
          ++count;
        }
      }
    }
  }
  if (count == 0) return {};
  return {true, sumX / count, sumY / count};
}

// Edge i runs from corner i to the next, the last one back to corner 0, and is
// measured from corner i rounded; the outline test agrees with the signs of those
// measures. Outlines of 3 to 8 corners, a polygon's among them changing its count.
TEST(OverlapShortcutsTest, EdgesCloseEveryOutlineAndTheOutlineTestReadsThem) {
  std::mt19937 rng(31);
  std::uniform_real_distribution<double> unit(0, 1);
  std::unique_ptr<TPolygon2D> changing = TPolygon2D::Create(TestRandom(), 4, 0, 0, 0);
  for (int trial = 0; trial < 400; ++trial) {
    std::unique_ptr<TPhysic2D> owned = trial % 3 == 2 ? nullptr : MakeAnyBody(trial % kKinds);
    if (!owned) changing->SetSides(3 + trial % 6);
    TPhysic2D& body = owned ? *owned : *changing;
    body.SetSize(3 + 22 * unit(rng));
    body.SetPosition(60 + 30 * unit(rng), 60 + 30 * unit(rng), 7 * unit(rng));
    body.UpdateEdges();
    const size_t n = body.Corners.size();
    ASSERT_GE(n, 3u);
    ASSERT_EQ(body.Edges.size(), n);
    ASSERT_EQ(body.EdgeOrigins.size(), n);
    for (size_t i = 0; i < n; ++i) {
      const TVec2 from = body.Corners[i];
      const TVec2 to = body.Corners[(i + 1) % n];
      ASSERT_EQ(body.Edges[i].x, to.x - from.x) << "trial " << trial << " edge " << i;
      ASSERT_EQ(body.Edges[i].y, to.y - from.y) << "trial " << trial << " edge " << i;
      ASSERT_EQ(body.EdgeOrigins[i].x, body.CornerPoints[i].x);
      ASSERT_EQ(body.EdgeOrigins[i].y, body.CornerPoints[i].y);
    }
    for (int point = 0; point < 50; ++point) {
      // Half of them on the half-pixel lattice, where measures of 0 occur.
      double x = body.GetPosX() + body.GetSize() * (2 * unit(rng) - 1);
      double y = body.GetPosY() + body.GetSize() * (2 * unit(rng) - 1);
      if (point % 2 == 0) {
        x = std::round(2 * x) / 2;
        y = std::round(2 * y) / 2;
      }
      bool positive = false;
      bool negative = false;
      for (size_t i = 0; i < n; ++i) {
        const double c = (x - body.EdgeOrigins[i].x) * body.Edges[i].y - (y - body.EdgeOrigins[i].y) * body.Edges[i].x;
        positive = positive || c > 0;
        negative = negative || c < 0;
      }
      ASSERT_EQ(body.OutlineContains(x, y), !(positive && negative)) << "trial " << trial << " point " << point;
    }
  }
}

// The overlap with every shortcut against the sampling alone: the same contact,
// counted in `touching` when there is one.
void ExpectTheSampledOverlap(TPhysic2D& a, TPhysic2D& b, int trial, int64_t& touching) {
  const TContact quick = a.Overlap(b);
  const TContact full = SampledOverlap(a, b);
  ASSERT_EQ(quick.Touching, full.Touching) << "trial " << trial;
  ASSERT_EQ(quick.X, full.X) << "trial " << trial;
  ASSERT_EQ(quick.Y, full.Y) << "trial " << trial;
  touching += full.Touching;
}

TEST(OverlapShortcutsTest, AcceptedPointsLieWithinTheReachAndSlackOfEveryBody) {
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> unit(0, 1);
  for (int kind = 0; kind < kKinds; ++kind) {
    std::unique_ptr<TPhysic2D> body = MakeAnyBody(kind);
    ASSERT_TRUE(std::isfinite(body->OutlineSlack) || body->ArraysPending);
    for (int trial = 0; trial < 40; ++trial) {
      body->SetSize(trial % 3 == 0 ? 3 : 3 + 22 * unit(rng));
      body->SetPosition(50 + std::round(unit(rng) * 8) / 2 + (trial % 2) * unit(rng), 50 + unit(rng), 7 * unit(rng));
      body->UpdateEdges();
      const double reach = body->CornerReach * body->GetSize() + body->OutlineSlack;
      ASSERT_LT(body->OutlineSlack, 3.5) << "kind " << kind;
      // A fine lattice over the square around the body, as far as the reach.
      const double side = body->GetSize() + 4;
      for (double x = -side; x <= side; x += 0.25)
        for (double y = -side; y <= side; y += 0.25)
          if (body->OutlineContains(body->GetPosX() + x, body->GetPosY() + y)) {
            ASSERT_LE(std::hypot(x, y), reach) << "kind " << kind << " size " << body->GetSize();
          }
    }
  }
}

TEST(OverlapShortcutsTest, EveryPairFindsWhatTheFullSamplingFinds) {
  std::mt19937 rng(77);
  std::uniform_real_distribution<double> unit(0, 1);
  int64_t touching = 0;
  for (int trial = 0; trial < 40000; ++trial) {
    std::unique_ptr<TPhysic2D> a = MakeAnyBody(trial % kKinds);
    std::unique_ptr<TPhysic2D> b = MakeAnyBody((trial / kKinds) % kKinds);
    a->SetSize(trial % 4 == 0 ? 3 : 3 + 22 * unit(rng));
    b->SetSize(trial % 5 == 0 ? 3 : 3 + 22 * unit(rng));
    const double bearing = 2 * std::numbers::pi * unit(rng);
    const double apart = (a->GetSize() + b->GetSize()) * (0.3 + 0.8 * unit(rng));
    a->SetPosition(100 + std::round(unit(rng) * 4) / 2, 100 + unit(rng), 7 * unit(rng));
    b->SetPosition(a->GetPosX() + apart * std::cos(bearing), a->GetPosY() + apart * std::sin(bearing), 7 * unit(rng));
    ASSERT_NO_FATAL_FAILURE(ExpectTheSampledOverlap(*a, *b, trial, touching));
  }
  EXPECT_GT(touching, 8000);
  EXPECT_LT(touching, 32000);
}

// Karts and rockets side by side on the half-pixel lattice, square to the axes or
// at 45 degrees: their rounded corners fall on the other's edge lines, where an
// edge is only just outside a line or lies along it.
TEST(OverlapShortcutsTest, GrazingKartsAndRocketsFindWhatTheFullSamplingFinds) {
  std::mt19937 rng(31);
  std::uniform_int_distribution<int> eighth(0, 7);
  std::uniform_int_distribution<int> halfPixels(0, 60);
  std::uniform_real_distribution<double> unit(0, 1);
  int64_t touching = 0;
  const int trials = 30000;
  for (int trial = 0; trial < trials; ++trial) {
    std::unique_ptr<TPhysic2D> a = MakeBody(trial % 2 == 0);
    std::unique_ptr<TPhysic2D> b = MakeBody(trial % 3 == 0);
    a->SetSize(trial % 4 == 0 ? 3 : 3 + eighth(rng) / 2.0);
    b->SetSize(trial % 5 == 0 ? 3 : 3 + eighth(rng) / 2.0);
    const double quarter = std::numbers::pi / 4;
    const double tilt = trial % 7 == 0 ? 1e-9 * (unit(rng) - 0.5) : 0;
    a->SetPosition(100 + halfPixels(rng) / 2.0 - 15, 100, eighth(rng) * quarter + tilt);
    // b to one side of a: its centre along an axis or a diagonal, at a lattice
    // distance around where the outlines first meet.
    const double bearing = eighth(rng) * quarter;
    const double apart = (a->GetSize() + b->GetSize()) * 0.4 + halfPixels(rng) / 2.0 * 0.4;
    b->SetPosition(a->GetPosX() + std::round(2 * apart * std::cos(bearing)) / 2,
                   a->GetPosY() + std::round(2 * apart * std::sin(bearing)) / 2, eighth(rng) * quarter);
    ASSERT_NO_FATAL_FAILURE(ExpectTheSampledOverlap(*a, *b, trial, touching));
  }
  EXPECT_GT(touching, trials / 5);
  EXPECT_LT(touching, trials * 4 / 5);
}

TEST(OverlapShortcutsTest, NeverTurnsAwayAPairTheSampledTestFindsTouching) {
  std::mt19937 rng(2025);
  std::uniform_real_distribution<double> unit(0, 1);
  int64_t turnedAway = 0;
  int64_t touching = 0;
  double farthestTouch = -1;  // beyond the sum of the radii, pixels
  for (int trial = 0; trial < 20000; ++trial) {
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
  EXPECT_GT(touching, 100);
  EXPECT_GT(turnedAway, 3000);
  // The margin has room: touches reach little beyond the circles.
  EXPECT_LT(farthestTouch, 1.5);
}

// The rectangle test the pair pass makes of a crowd before the overlap test: it
// may only turn away pairs the full sampling finds apart, grazing ones included.
TEST(OverlapShortcutsTest, FramesApartOnlyWhereTheFullSamplingFindsNothing) {
  std::mt19937 rng(91);
  std::uniform_real_distribution<double> unit(0, 1);
  int64_t apart = 0;
  int64_t touching = 0;
  for (int trial = 0; trial < 60000; ++trial) {
    std::unique_ptr<TPhysic2D> a = MakeBody(trial % 2 == 0);
    std::unique_ptr<TPhysic2D> b = MakeBody(trial % 3 == 0);
    a->SetSize(trial % 4 == 0 ? 3 : 3 + 22 * unit(rng));
    b->SetSize(trial % 5 == 0 ? 3 : 3 + 22 * unit(rng));
    // Centres on and off the half pixels, the bodies from overlapping to grazing.
    a->SetPosition(100 + std::round(unit(rng) * 4) / 2 + (trial % 7 == 0 ? 0 : unit(rng)), 100 + unit(rng),
                   2 * std::numbers::pi * unit(rng));
    a->UpdateShape();
    b->UpdateShape();
    double bearing = 2 * std::numbers::pi * unit(rng);
    double distance = (a->GetSize() + b->GetSize()) * (0.4 + 0.9 * unit(rng));
    double angle = 2 * std::numbers::pi * unit(rng);
    if (trial % 3 == 0) {
      // Square to each other, b ahead of, behind or beside a, the rectangles' sides
      // facing within a few pixels: where the test's margin is all that is left.
      const int side = (trial / 3) % 4;
      const int turn = (trial / 12) % 2;
      const TVec2 ca = a->FrameCentre;
      const TVec2 ha = a->FrameHalf;
      const TVec2 cb = b->FrameCentre;
      const TVec2 hb = b->FrameHalf;
      bearing = a->GetAngle() + side * std::numbers::pi / 2;
      angle = a->GetAngle() + turn * std::numbers::pi;
      // How far each rectangle reaches from its body's centre toward the other.
      const double sign = turn == 0 ? 1 : -1;
      const double reachA = side == 0 ? ca.x + ha.x : side == 1 ? ca.y + ha.y : side == 2 ? ha.x - ca.x : ha.y - ca.y;
      const double reachB = side == 0 ? hb.x - sign * cb.x : side == 1 ? hb.y - sign * cb.y
                          : side == 2 ? hb.x + sign * cb.x : hb.y + sign * cb.y;
      distance = a->GetSize() * reachA + b->GetSize() * reachB - 0.5 + 3.5 * unit(rng);
    }
    b->SetPosition(a->GetPosX() + distance * std::cos(bearing), a->GetPosY() + distance * std::sin(bearing), angle);
    a->UpdateShape();
    b->UpdateShape();
    const bool full = SampledOverlap(*a, *b).Touching;
    touching += full;
    for (const bool said : {TPhysic2D::FramesApart(*a, *b), TPhysic2D::FramesApart(*b, *a)}) {
      if (!said) continue;
      ++apart;
      ASSERT_FALSE(full) << "trial " << trial;
    }
  }
  EXPECT_GT(apart, 20000);
  EXPECT_GT(touching, 10000);
}

}  // namespace
}  // namespace vorlanth::testing
