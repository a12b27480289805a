#include "world2d/rocket.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/elementary.h"
#include "core/rounding.h"
#include "core/track.h"
#include "world2d/track2d.h"

namespace vorlanth {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr int32_t kRocketCorners = 5;
constexpr double kMaxMainPower = 40;      // main engine thrust
constexpr double kMaxRotaPower = 3;       // rotation thruster torque
constexpr double kMainPushRange = 300;    // main power per second
constexpr double kRotaPushRange = 75;     // rotation power per second
constexpr double kRocketSize = 12;        // pixels
constexpr double kRocketDensity = 1.2;
constexpr double kImpactDamage = 15;      // health lost at Speed = 2 Size for the reference size
constexpr double kTolerance = 2;          // health: touches costing less do no harm
constexpr double kTailTolerance = 10;     // extra tolerance of an upright tail-first touch
constexpr double kTailReach = -0.4;       // contact along the heading, in sizes: the tail
constexpr double kUpright = -0.8;         // sin of the angle: the nose up within about 37 degrees
constexpr double kPadDepth = 2;           // pixels below a fin that must be black ground
constexpr double kServiceRate = 20;       // energy and health per second on a pad
constexpr double kTakeOffEnergy = 90;
constexpr double kTakeOffHealth = 100;
constexpr double kTakeOffPower = 50;      // clamped by the setter to the maximum
constexpr int32_t kFinCorners[2] = {2, 3};

// Nose, shoulders and fins: angles in degrees taken exactly as designed (333, not
// 360 - 26.6), radii in thirds of Size.
const TVec2* RocketDirections() {
  constexpr double degrees[kRocketCorners] = {0, 26.6, 135, 225, 333};
  constexpr double radii[kRocketCorners] = {3.0, 2.24, 2.83, 2.83, 2.24};
  static const TVec2 table[kRocketCorners] = {
      TPlayer2D::CornerDirection(degrees[0] * kPi / 180, radii[0] / 3),
      TPlayer2D::CornerDirection(degrees[1] * kPi / 180, radii[1] / 3),
      TPlayer2D::CornerDirection(degrees[2] * kPi / 180, radii[2] / 3),
      TPlayer2D::CornerDirection(degrees[3] * kPi / 180, radii[3] / 3),
      TPlayer2D::CornerDirection(degrees[4] * kPi / 180, radii[4] / 3),
  };
  return table;
}

}  // namespace

std::unique_ptr<TRocket> TRocket::Create(TRandomStream& random, double x, double y, double angle) {
  std::unique_ptr<TRocket> rocket(new TRocket());
  rocket->InitRocket(random, x, y, angle);
  return rocket;
}

void TRocket::InitRocket(TRandomStream& random, double x, double y, double angle) {
  InitPhysic(random, x, y, angle);
  BodyKind = bkRocket;
  CirclePretest = true;
  SetPosition(x, y, angle);
  SetSize(kRocketSize);
  SetDensity(kRocketDensity);
  CommitState();
}

void TRocket::CreateParams() {
  TPhysic2D::CreateParams();
  TState& s = GetState();
  MainPowerIndex = s.AddParam(TStateParam::CreateBounded(&s, 0, kMaxMainPower, 0, "MainPower"));
  RotaPowerIndex =
      s.AddParam(TStateParam::CreateBounded(&s, -kMaxRotaPower, kMaxRotaPower, 0, "RotaPower"));
  MainPushIndex = s.AddParam(TStateParam::CreateFree(&s, kMainPushRange, "MainPush"));
  RotaPushIndex = s.AddParam(TStateParam::CreateFree(&s, kRotaPushRange, "RotaPush"));
}

std::unique_ptr<TPlayer> TRocket::Clone(TRandomStream& random) const {
  std::unique_ptr<TRocket> rocket = Create(random, 0, 0, 0);
  rocket->AdoptGoals(GiveGoals);
  rocket->Assign(*this);
  return rocket;
}

double TRocket::GetMainPower() const { return GetState().Params[static_cast<size_t>(MainPowerIndex)].Value; }
void TRocket::SetMainPower(double v) { GetState().Params[static_cast<size_t>(MainPowerIndex)].SetValue(v); }
double TRocket::GetRotaPower() const { return GetState().Params[static_cast<size_t>(RotaPowerIndex)].Value; }
void TRocket::SetRotaPower(double v) { GetState().Params[static_cast<size_t>(RotaPowerIndex)].SetValue(v); }
double TRocket::GetMainPush() const { return GetState().Params[static_cast<size_t>(MainPushIndex)].Value; }
void TRocket::SetMainPush(double v) { GetState().Params[static_cast<size_t>(MainPushIndex)].SetValue(v); }
double TRocket::GetRotaPush() const { return GetState().Params[static_cast<size_t>(RotaPushIndex)].Value; }

void TRocket::UpdateShape() { BuildOutline(kRocketCorners, RocketDirections()); }

void TRocket::ApplyForces() {
  TPhysic2D::ApplyForces();
  const double dt = GetTimeStep();

  // 1. The controls are rates of change of the powers; without energy the engines stop.
  if (IsDead() || GetEnergy() == 0) {
    SetMainPower(0);
    SetRotaPower(0);
  } else {
    SetMainPower(GetMainPower() + GetMainPush() * dt);
    SetRotaPower(GetRotaPower() + GetRotaPush() * dt);
  }

  // 2. Both engines cost energy, more than in proportion at high power.
  const double main = GetMainPower();
  const double rota = GetRotaPower();
  SetEnergy(std::max(GetEnergy() - dt * (main / 40 + 0.01 * (main / 4) * (main / 4)), 0.0));
  SetEnergy(std::max(GetEnergy() - dt * (std::fabs(rota) / 50 + 0.01 * (rota / 5) * (rota / 5)), 0.0));

  // 3. Thrust along the heading, torque about the centre.
  const auto [cosA, sinA] = Heading();
  const double relative = GetSize() / ReferenceSize;
  const double scale = relative * relative;
  const double mass = GetMass();
  const double inertia = GetInertia();
  if (mass > 0) {
    AccX += cosA * main * scale / mass;
    AccY += sinA * main * scale / mass;
  }
  if (inertia > 0) AccA += rota * scale / inertia;
}

void TRocket::ApplyImpact(double speed) {
  const double size = GetSize();
  if (!(size > 0)) return;
  const auto [cosA, sinA] = Heading();

  // 1. Damage, less the tolerance; an upright rocket touching down tail first
  // tolerates more.
  const double relativeSpeed = speed / (2 * size);
  double damage = kImpactDamage * (size / ReferenceSize) * relativeSpeed * relativeSpeed;
  const double along = (cosA * (ContactX - GetPosX()) + sinA * (ContactY - GetPosY())) / size;
  double tolerance = kTolerance;
  if (along < kTailReach) tolerance = kTolerance + kTailTolerance * std::max(-sinA, 0.0);
  damage = std::max(damage - tolerance, 0.0);
  if (damage > 0) SetHealth(GetHealth() - damage);

  // 2. Landing pad: upright, alive, both fins over black ground.
  if (IsDead() || !(GetHealth() > 0) || !(sinA < kUpright)) return;
  const TTrack2D* track = GetTrack2D();
  if (!track) return;
  UpdateShape();
  for (const int32_t corner : kFinCorners) {
    const TPoint fin = CornerPoints[static_cast<size_t>(corner)];
    if (track->IsOnTrack(fin.x, fin.y + kPadDepth)) return;
  }
  if (Context->Evolution) return;  // no service on pads while goals evolve

  // 3. Full: take off. Otherwise: engines off, refuel and repair.
  const double dt = GetTimeStep();
  if (GetEnergy() >= kTakeOffEnergy && GetHealth() >= kTakeOffHealth) {
    SetMainPower(std::max(GetMainPower(), kTakeOffPower));
    TStateParam& push = GetState().Params[static_cast<size_t>(MainPushIndex)];
    push.SetValue(push.Maximum());
  } else {
    SetMainPower(0);
    SetRotaPower(0);
    if (GetEnergy() < kTakeOffEnergy) SetEnergy(GetEnergy() + kServiceRate * dt);
    if (GetHealth() < kTakeOffHealth) SetHealth(GetHealth() + kServiceRate * dt);
  }
}

void TRocket::Draw() {
  TPhysic2D::Draw();
  Canvas* canvas = GetCanvas();
  if (!canvas) return;
  const double x = GetPosX();
  const double y = GetPosY();
  const double size = GetSize();
  const double angle = GetAngle();
  double sinA = 0, cosA = 0;
  elem::SinCos(angle, sinA, cosA);

  // Cockpit.
  canvas->SetBrushStyle(Canvas::BrushStyle::Solid);
  canvas->SetBrushColor(MakeColor(166, 202, 240));
  canvas->SetPenColor(MakeColor(0, 0, 255));
  canvas->Ellipse(Round32(x - 0.4 * size), Round32(y - 0.4 * size), Round32(x + 0.4 * size),
                  Round32(y + 0.4 * size));

  // Exhaust, one pixel per unit of main power, and the side thrust.
  const TPoint tail{Round32(x - size * cosA), Round32(y - size * sinA)};
  const double main = GetMainPower();
  const double rota = GetRotaPower();
  canvas->SetPenColor(MakeColor(255, 0, 0));
  canvas->MoveTo(tail.x, tail.y);
  canvas->LineTo(AddSaturated(tail.x, Round32(-main * cosA)),
                 AddSaturated(tail.y, Round32(-main * sinA)));
  canvas->MoveTo(tail.x, tail.y);
  canvas->LineTo(AddSaturated(tail.x, Round32(10 * rota * elem::Cos(angle + kPi / 2))),
                 AddSaturated(tail.y, Round32(10 * rota * elem::Sin(angle + kPi / 2))));
}

}  // namespace vorlanth
