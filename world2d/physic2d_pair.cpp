// The pair tests and the pair response of two bodies: the broad tests that tell
// two bodies apart without an outline, the overlap test by sampled edges, and the
// exchange of impulses.

#include "world2d/physic2d.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "core/elementary.h"
#include "world2d/back_off.h"

namespace vorlanth {
namespace {

using back_off::kMaxMoves;
using back_off::kSteps;
using back_off::TPose;

constexpr double kMinImpulseFactor = 0.5;
constexpr double kImpulseFactorStep = 0.9;
// Rounded corners stand up to half a pixel outside a body's square on each axis.
constexpr double kSquareMargin = 2;
// The outline test measures each edge from its rounded corner, up to half a
// pixel's diagonal (HalfPixelDiagonal, 0.71) off the real one: a point it
// accepts lies within 0.71 / sin(a / 2) of the outline, a the sharpest corner;
// a sampled point lies within 0.71 of the other body's outline. The sharpest
// corner of a kart or rocket is 76 degrees (1.15 pixels), so bounding circles
// farther apart than 1.86 pixels share no sampled point. Asteroid triangles are sharper.
constexpr double kCircleMargin = 2;

bool HasCirclePretest(const TPhysic2D& body) {
  return body.CirclePretest && !body.ArraysPending;
}

// Whether the bounding circles of two bodies, grown by the margin, lie apart:
// their centres and sizes as read by the caller.
bool CirclesApart(const TPhysic2D& a, const TPhysic2D& b, const double (&x)[2], const double (&y)[2],
                  const double (&size)[2]) {
  if (!HasCirclePretest(a) || !HasCirclePretest(b)) return false;
  const double dx = x[1] - x[0];
  const double dy = y[1] - y[0];
  const double reach = a.CornerReach * size[0] + b.CornerReach * size[1] + kCircleMargin;
  return dx * dx + dy * dy > reach * reach;
}

// Where the sampling stands on each edge: 0, 1/5 .. 4/5 of the way.
constexpr auto kSampleSteps = [] {
  std::array<double, TPhysic2D::SamplesPerEdge> steps{};
  for (int32_t s = 0; s < TPhysic2D::SamplesPerEdge; ++s) steps[static_cast<size_t>(s)] = static_cast<double>(s) / TPhysic2D::SamplesPerEdge;
  return steps;
}();

// Which edge lines of a kart or rocket a point lies clearly outside of. The outline
// test measures edge i from rounded corner i, which puts its line at most half a
// pixel's diagonal off the real edge. A point outside one line is accepted only
// if it lies outside or on every line, and no point does: that would need the
// outline's area under 0.36 pixel per pixel of its perimeter, and these outlines
// have over 0.86 from size 3 up. So a segment whose ends are both clearly outside
// the same line has no sample to find, as a line's measure is affine along it.
constexpr size_t kMaxCodedCorners = 8;
constexpr double kOutsideMargin = 1e-6;         // far above the rounding of the measure, pixels²
constexpr double kCodedCoordinateLimit = 1e5;   // pixels: keeps that rounding small
constexpr double kCodedMinSize = 3;             // pixels

// The coordinates of both centres are checked by the caller (`near`), read once.
bool CanCodeAgainst(const TPhysic2D& tester, double testerSize, const TPhysic2D& sampled, bool near) {
  return HasCirclePretest(tester) && testerSize >= kCodedMinSize && tester.Edges.size() >= 3 &&
         tester.Edges.size() <= kMaxCodedCorners && sampled.CornerPoints.size() <= kMaxCodedCorners && near;
}

// Bit i of codes[k]: corner k of the sampled outline lies clearly outside the
// tester's edge line i. Each line's measure is taken here in a form of its own,
// x ny - y nx - offset with the sign of the inside's measures turned negative:
// its rounding, like the outline test's, stays far below the margin. The caller
// hands the codes cleared, and the counts as constants for the common outlines.
[[gnu::always_inline]] inline void CodeCorners(size_t lines, size_t count, const TVec2* __restrict edges,
                                               const TVec2* __restrict origins, const TPoint* __restrict corners,
                                               uint32_t* __restrict codes, double outward) {
  for (size_t i = 0; i < lines; ++i) {
    const double nx = outward * edges[i].x;
    const double ny = outward * edges[i].y;
    const double offset = origins[i].x * ny - origins[i].y * nx + kOutsideMargin;
    for (size_t k = 0; k < count; ++k) {
      const double x = corners[k].x;
      const double y = corners[k].y;
      codes[k] |= static_cast<uint32_t>(x * ny - y * nx > offset) << i;
    }
  }
}

void OutsideCodes(const TPhysic2D& tester, const std::vector<TPoint>& corners, uint32_t* codes) {
  const std::vector<TVec2>& edges = tester.Edges;
  const size_t lines = edges.size();
  const size_t count = corners.size();
  // The outline's winding: the inside has measures of the other sign.
  const double turn = edges[0].x * edges[1].y - edges[0].y * edges[1].x;
  const double outward = turn > 0 ? 1 : -1;
  // Two karts: four lines and four corners.
  if (lines == 4 && count == 4) {
    CodeCorners(4, 4, edges.data(), tester.EdgeOrigins.data(), corners.data(), codes, outward);
  } else {
    CodeCorners(lines, count, edges.data(), tester.EdgeOrigins.data(), corners.data(), codes, outward);
  }
}

// Whether every point of the segment from a to b lies farther than `reach` from
// (x, y). Not a number anywhere: false.
bool SegmentBeyond(TPoint a, TPoint b, double x, double y, double reach) {
  // In doubles: the corners of a body far off the circuit saturate at the ends of
  // the integers, where their difference would overflow.
  const double ax = a.x - x;
  const double ay = a.y - y;
  const double dx = static_cast<double>(b.x) - a.x;
  const double dy = static_cast<double>(b.y) - a.y;
  const double length2 = dx * dx + dy * dy;
  const double t = length2 > 0 ? std::clamp(-(ax * dx + ay * dy) / length2, 0.0, 1.0) : 0.0;
  const double px = ax + t * dx;
  const double py = ay + t * dy;
  return px * px + py * py > reach * reach;
}

}  // namespace

// ---- Bodies --------------------------------------------------------------------

bool TPhysic2D::CollidesWith(TPlayer& other) {
  auto* body = AsPhysic(&other);
  if (!body) return false;
  const TContact contact = Overlap(*body);
  ContactX = contact.X;
  ContactY = contact.Y;
  if (!contact.Touching) return false;
  body->ContactX = contact.X;
  body->ContactY = contact.Y;
  return true;
}

bool TPhysic2D::FramesApart(const TPhysic2D& a, const TPhysic2D& b) {
  // A point the outline test of one body accepts lies within its OutlineSlack of
  // its outline, a sampled point within half a pixel's diagonal of the other's
  // (edges run between rounded corners): so each test's points stay within the
  // body's rectangle grown by its slack or by that diagonal, and rectangles apart
  // by more than both along one of their four axes share none. The hundredth of a
  // pixel covers the rounding of the corners and of this test, with coordinates
  // under kCodedCoordinateLimit (farther out, rounded corners may saturate).
  if (!HasCirclePretest(a) || !HasCirclePretest(b)) return false;
  const double ax = a.GetPosX();
  const double ay = a.GetPosY();
  const double bx = b.GetPosX();
  const double by = b.GetPosY();
  const double sizeA = a.GetSize();
  const double sizeB = b.GetSize();
  const double margin = std::max(a.OutlineSlack, b.OutlineSlack) + (HalfPixelDiagonal + 0.01);
  const auto [ca, sa] = a.Heading();
  const auto [cb, sb] = b.Heading();
  // From the centre of a's rectangle to b's, and their half sides along (u) and
  // across (v) the heading.
  const double acx = sizeA * a.FrameCentre.x;
  const double acy = sizeA * a.FrameCentre.y;
  const double bcx = sizeB * b.FrameCentre.x;
  const double bcy = sizeB * b.FrameCentre.y;
  const double dx = (bx - ax) + (cb * bcx - sb * bcy) - (ca * acx - sa * acy);
  const double dy = (by - ay) + (sb * bcx + cb * bcy) - (sa * acx + ca * acy);
  const double au = sizeA * a.FrameHalf.x;
  const double av = sizeA * a.FrameHalf.y;
  const double bu = sizeB * b.FrameHalf.x;
  const double bv = sizeB * b.FrameHalf.y;
  // |u_a . u_b| = |v_a . v_b| and |u_a . v_b| = |v_a . u_b|.
  const double same = std::fabs(ca * cb + sa * sb);
  const double cross = std::fabs(ca * sb - sa * cb);
  const bool apart = std::fabs(dx * ca + dy * sa) > au + bu * same + bv * cross + margin ||
                     std::fabs(dy * ca - dx * sa) > av + bu * cross + bv * same + margin ||
                     std::fabs(dx * cb + dy * sb) > bu + au * same + av * cross + margin ||
                     std::fabs(dy * cb - dx * sb) > bv + au * cross + av * same + margin;
  return apart && std::max(std::max(std::fabs(ax), std::fabs(ay)), std::max(std::fabs(bx), std::fabs(by))) <
                      kCodedCoordinateLimit;
}

TContact TPhysic2D::Overlap(TPhysic2D& body) {
  // Bodies whose squares lie apart by more than the rounding of their corners
  // cannot share a point: the sampling below would find none (the free-place
  // search asks this of every player for every place it draws).
  // Each pose is read once, for every test below (building an outline moves no body).
  const double poseX[2] = {GetPosX(), body.GetPosX()};
  const double poseY[2] = {GetPosY(), body.GetPosY()};
  const double sizes[2] = {GetSize(), body.GetSize()};
  if (poseX[1] - sizes[1] > poseX[0] + sizes[0] + kSquareMargin ||
      poseX[1] + sizes[1] < poseX[0] - sizes[0] - kSquareMargin ||
      poseY[1] - sizes[1] > poseY[0] + sizes[0] + kSquareMargin ||
      poseY[1] + sizes[1] < poseY[0] - sizes[0] - kSquareMargin)
    return {};
  if (CirclesApart(*this, body, poseX, poseY, sizes)) return {};
  UpdateEdges();
  body.UpdateEdges();
  const bool near = std::fabs(poseX[0]) < kCodedCoordinateLimit && std::fabs(poseY[0]) < kCodedCoordinateLimit &&
                    std::fabs(poseX[1]) < kCodedCoordinateLimit && std::fabs(poseY[1]) < kCodedCoordinateLimit;
  double sumX = 0;
  double sumY = 0;
  int32_t count = 0;
  // Pass 1 samples the other's outline against this body, pass 2 this body's
  // outline against the other: each edge at its start and at 1/5 .. 4/5.
  const TPhysic2D* sampled[2] = {&body, this};
  const TPhysic2D* tester[2] = {this, &body};
  for (int pass = 0; pass < 2; ++pass) {
    const std::vector<TPoint>& points = sampled[pass]->CornerPoints;
    const size_t n = points.size();
    // An edge farther from the tester's centre than any point its outline test
    // accepts has no sample to find.
    const TPhysic2D& test = *tester[pass];
    const double testX = poseX[pass];
    const double testY = poseY[pass];
    const double reach = test.CornerReach * sizes[pass] + test.OutlineSlack;
    const double reach2 = reach * reach;
    // So is an edge clearly outside one of the tester's edge lines: where that
    // test is made, it leaves few edges for the one above to turn away.
    uint32_t codes[kMaxCodedCorners] = {};
    const bool coded = CanCodeAgainst(test, sizes[pass], *sampled[pass], near);
    if (coded) OutsideCodes(test, points, codes);
    // The edge from corner i to corner `next`.
    const auto sampleEdge = [&](size_t i, size_t next) __attribute__((always_inline)) {
      if (coded && (codes[i] & codes[next]) != 0) return;
      const TPoint a = points[i];
      const TPoint b = points[next];
      if (!coded && SegmentBeyond(a, b, testX, testY, reach)) return;
      for (int32_t s = 0; s < SamplesPerEdge; ++s) {
        const double t = kSampleSteps[static_cast<size_t>(s)];
        const double px = a.x + t * (b.x - a.x);
        const double py = a.y + t * (b.y - a.y);
        // An edge that comes near has most of its samples still out of reach
        // (a kart is long and narrow): those skip the outline test.
        const double ox = px - testX;
        const double oy = py - testY;
        if (ox * ox + oy * oy > reach2) continue;
        if (test.OutlineContains(px, py)) {
          sumX += px;
          sumY += py;
          ++count;
        }
      }
    };
    // The edges in order, the closing one last.
    if (n == 0) continue;
    for (size_t i = 0; i + 1 < n; ++i) sampleEdge(i, i + 1);
    sampleEdge(n - 1, 0);
  }
  if (count == 0) return {};
  return {true, sumX / count, sumY / count};
}

TPairImpulses TPhysic2D::ResolveCollision(TPhysic2D& a, TPhysic2D& b) {
  return ResolveCollision(a, b, {true, a.ContactX, a.ContactY});
}

TPairImpulses TPhysic2D::ResolveCollision(TPhysic2D& a, TPhysic2D& b, const TContact& first) {
  TPhysic2D* bodies[2] = {&a, &b};

  // 1. Both back off toward their last poses clear of walls while they overlap.
  TPose backOff[2] = {back_off::Step(a), back_off::Step(b)};
  TContact contact = first;
  double cx = 0;
  double cy = 0;
  int32_t counter = kMaxMoves;
  do {
    cx = contact.X;
    cy = contact.Y;
    back_off::MoveBy(a, backOff[0]);
    back_off::MoveBy(b, backOff[1]);
    --counter;
  } while (counter >= 0 && (contact = a.Overlap(b)).Touching);

  // 2. The motion measure before the exchange.
  const double m0 = a.MotionMeasure(a.GetVelX(), a.GetVelY(), a.GetVelA()) +
                    b.MotionMeasure(b.GetVelX(), b.GetVelY(), b.GetVelA());

  // 3. Impulses along the line from the contact to each centre, from the
  // velocities before the exchange; each costs its receiver J^2 health.
  double dvx[2];
  double dvy[2];
  double dw[2];
  double impulse[2];
  for (int k = 0; k < 2; ++k) {
    TPhysic2D& self = *bodies[k];
    TPhysic2D& other = *bodies[1 - k];
    const double rx = cx - self.GetPosX();
    const double ry = cy - self.GetPosY();
    double d = elem::Hypot(rx, ry);
    if (d == 0) d = 1;
    const double nx = -rx / d;
    const double ny = -ry / d;
    const double ux = other.GetVelX() - self.GetVelX();
    const double uy = other.GetVelY() - self.GetVelY();
    const double s = ux * nx + uy * ny;
    const double massSum = self.GetMass() + other.GetMass();
    const double j = massSum > 0 ? other.GetMass() * s / massSum : 0;
    const double inertia = self.GetInertia();
    impulse[k] = j;
    dvx[k] = j * nx;
    dvy[k] = j * ny;
    dw[k] = inertia > 0 ? (nx * uy - ny * ux) / inertia : 0;
    self.SetHealth(self.GetHealth() - j * j);
    if (!self.FutureMode) {
      ++self.Record.Collisions;
      if (j != 0) self.Record.LastDamage = TDamage::Collision;
    }
  }

  // 4. The exchange may not raise the pair's motion measure by much: shrink it.
  const double spin = std::sqrt(PairRestitution);
  auto trialMeasure = [&](double f) {
    double sum = 0;
    for (int k = 0; k < 2; ++k) {
      TPhysic2D& body = *bodies[k];
      sum += body.MotionMeasure(body.GetVelX() + PairRestitution * f * dvx[k],
                                body.GetVelY() + PairRestitution * f * dvy[k],
                                body.GetVelA() + spin * f * dw[k]);
    }
    return sum;
  };
  double f = 1;
  while (trialMeasure(f) > m0 && f > kMinImpulseFactor) f *= kImpulseFactorStep;

  // 5. Apply.
  for (int k = 0; k < 2; ++k) {
    TPhysic2D& body = *bodies[k];
    if (f < 1) {
      dvx[k] *= f;
      dvy[k] *= f;
      dw[k] *= f;
    }
    body.SetVelX(body.GetVelX() + PairRestitution * dvx[k]);
    body.SetVelY(body.GetVelY() + PairRestitution * dvy[k]);
    body.SetVelA(body.GetVelA() + spin * dw[k]);
  }

  // 6. Separate along the line from the contact; a body stopped by a wall hands
  // its share to the other.
  TPose apart[2];
  for (int k = 0; k < 2; ++k)
    apart[k] = {(bodies[k]->GetPosX() - cx) / kSteps, (bodies[k]->GetPosY() - cy) / kSteps, 0};
  counter = kMaxMoves;
  do {
    for (int k = 0; k < 2; ++k) {
      TPhysic2D& body = *bodies[k];
      back_off::MoveBy(body, apart[k]);
      if (body.WallContact().Touching) {
        back_off::MoveBy(body, {-apart[k].x, -apart[k].y, -apart[k].a});
        TPose& other = apart[1 - k];
        other = {other.x - apart[k].x, other.y - apart[k].y, other.a - apart[k].a};
        apart[k] = {};
      } else {
        body.StorePose();
      }
    }
    --counter;
  } while (counter > 0 && a.Overlap(b).Touching);
  a.ContactX = b.ContactX = cx;
  a.ContactY = b.ContactY = cy;

  return {impulse[0], impulse[1]};
}

double TPhysic2D::MotionMeasure(double velX, double velY, double velA) {
  return elem::Hypot(velX / 100, velY / 100) * GetMass() + std::fabs(velA) / 100 * GetInertia();
}

}  // namespace vorlanth
