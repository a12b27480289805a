#include "world2d/physic2d.h"

#include <cmath>

#include "core/elementary.h"
#include "core/random.h"
#include "world2d/back_off.h"
#include "world2d/track2d.h"

namespace vorlanth {
namespace {

constexpr double kInitialSize = 8;        // pixels
constexpr double kGentleTouch = 1;        // pixels/s of normal impulse: below it the touch is gentle
constexpr double kGentleRestitution = 2;  // a gentle touch reflects the normal velocity fully
constexpr double kEnergyDamping = 0.9;    // a bounce never adds kinetic energy
constexpr int32_t kMaxDampingRounds = 1000;

using back_off::kMaxMoves;

}  // namespace

// ---- Construction --------------------------------------------------------------

void TPhysic2D::InitPhysic(TRandomStream& random, double x, double y, double angle) {
  InitPlayer2D(random);
  BodyKind = bkPhysic;
  SetPosition(x, y, angle);
  SetSize(kInitialSize);
  Gravity = 9.8;
  SetDensity(1);
  CommitState();
}

void TPhysic2D::AdoptGoals(TGoalGiver giver) {
  GiveGoals = giver;
  if (GiveGoals) GiveGoals(*this);
}

void TPhysic2D::CreateParams() {
  TPlayer2D::CreateParams();
  TState& s = GetState();
  VelXIndex = s.AddParam(TStateParam::CreateBounded(&s, 0, 0, 0, "VelX"));
  VelYIndex = s.AddParam(TStateParam::CreateBounded(&s, 0, 0, 0, "VelY"));
  VelAIndex = s.AddParam(TStateParam::CreateBounded(&s, 0, 0, 0, "VelA"));
}

// ---- Mass and energy -----------------------------------------------------------

void TPhysic2D::SetSize(double value) {
  if (!(value > 0) || value == GetSize()) return;
  TPlayer2D::SetSize(value);
  MassCache = -1;
  InertiaCache = -1;
}

void TPhysic2D::SetDensity(double value) {
  Density = value;
  MassCache = -1;
  InertiaCache = -1;
}

void TPhysic2D::CheckCaches() {
  const double size = GetSize();
  if (size != CacheSize) {
    CacheSize = size;
    MassCache = -1;
    InertiaCache = -1;
  }
}

double TPhysic2D::ComputeMass() {
  CheckCaches();
  if (MassCache < 0) {
    const double relative = GetSize() / ReferenceSize;
    MassCache = Density * relative * relative * relative;
  }
  return MassCache;
}

double TPhysic2D::ComputeInertia() {
  CheckCaches();
  if (InertiaCache < 0) {
    const double relative = GetSize() / ReferenceSize;
    InertiaCache = relative * relative * GetMass();
  }
  return InertiaCache;
}

double TPhysic2D::GetKineticEnergy() {
  const double vx = GetVelX() / 100;
  const double vy = GetVelY() / 100;
  const double va = GetVelA() / 100;
  return (vx * vx + vy * vy) * GetMass() + va * va * GetInertia();
}


// ---- The sub-step --------------------------------------------------------------

void TPhysic2D::BeginStep() {
  TPlayer2D::BeginStep();
  AccX = 0;
  AccY = 0;
  AccA = 0;
  // A body with a corner on or beyond the picture's border dies.
  if (!IsInsideWorld()) {
    if (!FutureMode && !IsDead()) Record.LastDamage = TDamage::Border;
    SetHealth(0);
  }
}

void TPhysic2D::ApplyForces() {
  TPlayer2D::ApplyForces();
  AccY = Gravity;
  // Most futures have neither noise nor a goal-less body: nothing more to do.
  if (FutureMode && (FutureNoise > 0 || HasNoGoals())) FutureForces();
}

void TPhysic2D::FutureForces() {
  if (FutureNoise > 0) {
    // The same kick on both axes: futures meet this body at uncertain places.
    const double kick = RandomGauss(RandomStream(), FutureNoise) * GetTimeStep();
    SetVelX(GetVelX() + kick);
    SetVelY(GetVelY() + kick);
  }
  if (HasNoGoals() && IsDead()) {
    AccY = 0;
    SetVelX(0);
    SetVelY(0);
    SetVelA(0);
  }
}

void TPhysic2D::Move() {
  if (HasNoGoals() && FutureMode && GetHealth() < 100) return;
  const double dt = GetTimeStep();
  // Drag, then the velocities, then the positions with the updated velocities.
  double vx = GetVelX() * (1 - LinearDrag * dt);
  double vy = GetVelY() * (1 - LinearDrag * dt);
  double va = GetVelA() * (1 - AngularDrag * dt);
  vx += AccX * dt;
  vy += AccY * dt;
  va += AccA * dt;
  SetVelX(vx);
  SetVelY(vy);
  SetVelA(va);
  const double half = dt * dt / 2;
  TState& s = GetState();
  s.Params[static_cast<size_t>(PosXIndex)].SetValue(GetPosX() + GetVelX() * dt + AccX * half);
  s.Params[static_cast<size_t>(PosYIndex)].SetValue(GetPosY() + GetVelY() * dt + AccY * half);
  s.Params[static_cast<size_t>(AngleIndex)].SetValue(GetAngle() + GetVelA() * dt + AccA * half);
  ShapeDirty = true;
}

// ---- Walls ---------------------------------------------------------------------

TContact TPhysic2D::WallContact() {
  const TTrack2D* track = GetTrack2D();
  if (!track || !track->HasCircuit()) return {};
  // Known clear: no corner to test, no outline to build.
  if (SurelyOnTrack(*track)) return {};
  return OutlineWallContact(*track);
}

TContact TPhysic2D::OutlineWallContact(const TTrack2D& track) {
  UpdateShape();
  double sumX = 0;
  double sumY = 0;
  int32_t count = 0;
  for (size_t i = 0; i < Corners.size(); ++i) {
    if (track.PixelOnTrack(CornerPoints[i])) continue;
    sumX += Corners[i].x;
    sumY += Corners[i].y;
    ++count;
  }
  // The contact is the mean of the offending corners.
  if (count == 0) {
    RememberClearPose(track);
    return {};
  }
  return {true, sumX / count, sumY / count};
}

TContact TPhysic2D::BackOffWallContact() {
  // A body backing off from a wall is too near it for the clearance to tell:
  // the corners are tested straight away.
  const TTrack2D* track = GetTrack2D();
  if (!track || !track->HasCircuit()) return {};
  return OutlineWallContact(*track);
}

bool TPhysic2D::IsClearOfWalls() {
  // WallContact, then StorePose for a body clear of walls; a pose known clear
  // does both at once.
  const TTrack2D* track = GetTrack2D();
  const bool circuit = track && track->HasCircuit();
  if (circuit && SurelyOnTrack(*track, true)) {
    ContactX = 0;
    ContactY = 0;
    return true;
  }
  const TContact contact = circuit ? OutlineWallContact(*track) : TContact{};
  ContactX = contact.X;
  ContactY = contact.Y;
  if (contact.Touching) return false;
  StorePose();
  return true;
}

void TPhysic2D::Bounce() {
  if (IsClearOfWalls()) return;
  const double e0 = GetKineticEnergy();

  // Back off toward the last pose clear of walls, at most 20 tenths of the way.
  const back_off::TPose step = back_off::Step(*this);
  TContact contact{true, ContactX, ContactY};
  double cx = 0;
  double cy = 0;
  int32_t counter = kMaxMoves;
  do {
    cx = contact.X;
    cy = contact.Y;
    back_off::MoveBy(*this, step);
    --counter;
    contact = BackOffWallContact();
  } while (contact.Touching && counter > 0);
  if (!contact.Touching) StorePose();
  ContactX = contact.X;
  ContactY = contact.Y;

  // A contact at the centre has no direction: the body only moves back.
  const double rx = cx - GetPosX();
  const double ry = cy - GetPosY();
  const double d = elem::Hypot(rx, ry);
  if (GetSize() / 100 >= d || !(d > 0)) return;
  const double nx = rx / d;
  const double ny = ry / d;

  // Velocity of the contact point, reversed, and its normal part.
  const double va = GetVelA();
  const double ux = -(GetVelX() - va * ry);
  const double uy = -(GetVelY() + va * rx);
  const double k = ux * nx + uy * ny;
  const double jx = k * nx;
  const double jy = k * ny;
  const double w = WallRestitution * (nx * uy - ny * ux) / d;
  if (std::fabs(jx) + std::fabs(jy) > kGentleTouch) {
    SetVelX(GetVelX() + WallRestitution * jx);
    SetVelY(GetVelY() + WallRestitution * jy);
    SetVelA(GetVelA() + std::sqrt(WallRestitution) * w);
  } else {
    SetVelX(GetVelX() + kGentleRestitution * jx);
    SetVelY(GetVelY() + kGentleRestitution * jy);
    SetVelA(GetVelA() + kGentleRestitution * w);
  }

  // A bounce never adds kinetic energy.
  for (int32_t round = 0; GetKineticEnergy() > e0; ++round) {
    if (round == kMaxDampingRounds) {  // e0 is as good as nothing
      SetVelX(0);
      SetVelY(0);
      SetVelA(0);
      break;
    }
    SetVelX(GetVelX() * kEnergyDamping);
    SetVelY(GetVelY() * kEnergyDamping);
    SetVelA(GetVelA() * kEnergyDamping);
  }

  ContactX = cx;
  ContactY = cy;
  // The damage grows with the full speed of the contact point.
  const double health = GetHealth();
  ApplyImpact(elem::Hypot(ux, uy));
  if (!FutureMode && GetHealth() < health) Record.LastDamage = TDamage::Wall;
}

}  // namespace vorlanth
