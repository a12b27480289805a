#include "world2d/kart.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "core/elementary.h"
#include "core/lane_width.h"
#include "core/rounding.h"
#include "world2d/kart_lanes.h"
#include "world2d/track2d.h"

namespace vorlanth {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr int32_t kKartCorners = 4;
constexpr double kMaxPower = 80;          // engine power; negative values brake
constexpr double kMaxTurn = 0.7853981633974483;  // pi/4 rad/s
constexpr double kPushPowerRange = 60;    // power per second
constexpr double kPushTurnRange = 5;      // turn per second
constexpr double kKartSize = 10;          // pixels
constexpr double kKartDensity = 1.5;
constexpr double kHealthUrgency = 0.4;
constexpr double kIdleRate = 0.05;        // energy per second while the engine runs idle
constexpr double kReverseThrust = 15;     // a standing kart never drives backward
constexpr double kThrustPerEnergy = 200;  // thrust at most 200 x the energy left
constexpr double kFullTurnSpeed = 10;     // pixels/s: from here on the turn takes full effect
constexpr double kMinSlide = 0.0001;      // pixels/s
// Squared slides (pixels²/s²) beyond the first, and below the second times the
// squared loss, are surely stopped by the side grip (margins far wider than the
// rounding of a square and of hypot).
constexpr double kStopsSurely[2] = {1.0001 * kMinSlide * kMinSlide, 0.9999};
const TColor kBlack = MakeColor(0, 0, 0);
const TColor kWhite = MakeColor(255, 255, 255);

// A flat nose between the corners at +-0.1 pi and a wide tail at +-0.8 pi.
const TVec2* KartDirections() {
  static const TVec2 table[kKartCorners] = {
      TPlayer2D::CornerDirection(0.1 * kPi, 1),
      TPlayer2D::CornerDirection(0.8 * kPi, 1),
      TPlayer2D::CornerDirection(-0.8 * kPi, 1),
      TPlayer2D::CornerDirection(-0.1 * kPi, 1),
  };
  return table;
}

}  // namespace

std::unique_ptr<TKart> TKart::Create(TRandomStream& random, double x, double y, double angle) {
  std::unique_ptr<TKart> kart(new TKart());
  kart->InitKart(random, x, y, angle);
  return kart;
}

void TKart::InitKart(TRandomStream& random, double x, double y, double angle) {
  InitPhysic(random, x, y, angle);
  BodyKind = bkKart;
  CirclePretest = true;
  SetPosition(x, y, angle);
  SetSize(kKartSize);
  Gravity = 0;
  SetDensity(kKartDensity);
  GetHealthGoal().Urgency = kHealthUrgency;
  CommitState();
}

void TKart::CreateParams() {
  TPhysic2D::CreateParams();
  TState& s = GetState();
  PowerIndex = s.AddParam(TStateParam::CreateBounded(&s, -kMaxPower, kMaxPower, 0, "Power"));
  TurnIndex = s.AddParam(TStateParam::CreateBounded(&s, -kMaxTurn, kMaxTurn, 0, "Turn"));
  PushPowerIndex = s.AddParam(TStateParam::CreateFree(&s, kPushPowerRange, "PushPower"));
  PushTurnIndex = s.AddParam(TStateParam::CreateFree(&s, kPushTurnRange, "PushTurn"));
}

std::unique_ptr<TPlayer> TKart::Clone(TRandomStream& random) const {
  std::unique_ptr<TKart> kart = Create(random, 0, 0, 0);
  kart->AdoptGoals(GiveGoals);
  kart->Assign(*this);
  return kart;
}

double TKart::GetPower() const { return GetState().Params[static_cast<size_t>(PowerIndex)].Value; }
void TKart::SetPower(double v) { GetState().Params[static_cast<size_t>(PowerIndex)].SetValue(v); }
double TKart::GetTurn() const { return GetState().Params[static_cast<size_t>(TurnIndex)].Value; }
void TKart::SetTurn(double v) { GetState().Params[static_cast<size_t>(TurnIndex)].SetValue(v); }
double TKart::GetMaxPower() const { return GetState().Params[static_cast<size_t>(PowerIndex)].Maximum(); }
double TKart::GetMinPower() const { return GetState().Params[static_cast<size_t>(PowerIndex)].Minimum(); }
void TKart::SetMaxPower(double v) { GetState().MutableInfo(PowerIndex).Maximum = v; }
double TKart::GetMaxTurn() const { return GetState().Params[static_cast<size_t>(TurnIndex)].Maximum(); }
double TKart::GetPushPower() const { return GetState().Params[static_cast<size_t>(PushPowerIndex)].Value; }
double TKart::GetPushTurn() const { return GetState().Params[static_cast<size_t>(PushTurnIndex)].Value; }

void TKart::UpdateShape() { BuildOutline(kKartCorners, KartDirections()); }

void TKart::ApplyForces() {
  TPhysic2D::ApplyForces();
  const double dt = GetTimeStep();
  const double ff = Context->Friction;
  const double fs = Context->SideFriction;

  // 1. The controls are rates of change of power and turn.
  if (IsDead()) {
    SetPower(0);
  } else {
    SetTurn(GetTurn() + GetPushTurn() * dt);
    SetPower(GetPower() + GetPushPower() * dt);
  }

  // 2. Velocity along the heading and across it.
  const auto [hx, hy] = Heading();
  double vf = GetVelX() * hx + GetVelY() * hy;
  double fx = vf * hx;
  double fy = vf * hy;
  double lx = GetVelX() - fx;
  double ly = GetVelY() - fy;

  // 3. Rolling friction grows a little with the speed.
  const double rolling = std::max(1 - 10 * dt * ff * (1 + 0.01 * vf), 0.0);

  // 4. Thrust and its energy rate; a negative power brakes a kart moving forward.
  const double power = GetPower();
  double thrust = power;
  double rate = std::fabs(power) / 100 + kIdleRate;
  if (power < 0) {
    if (vf > 0) {
      const double minPower = GetMinPower();
      const double share = minPower != 0 ? std::fabs(power / minPower) : 1.0;
      vf = std::max(vf - 100 * GetMaxPower() * ff * dt * share, 0.0);
      fx = vf * hx;
      fy = vf * hy;
      thrust = 0;
      rate = kIdleRate;
    } else {
      thrust = kReverseThrust;
    }
  }

  // 5. Energy: what is missing weakens the thrust.
  const double energy = GetEnergy();
  double cost = rate * dt;
  if (energy < cost) {
    thrust = cost > 0 ? thrust * energy / cost : 0;
    cost = energy;
  }
  const double sign = thrust > 0 ? 1.0 : (thrust < 0 ? -1.0 : 0.0);
  thrust = sign * std::min(std::fabs(thrust), kThrustPerEnergy * energy);
  SetEnergy(energy - cost);

  // 6. Side grip: the sliding speed falls by 100 Fs pixels/s per second, never reversing.
  // A slide surely between kMinSlide and the loss of this sub-step stops: the
  // square of its length, within a few units in the last place of the exact
  // one, tells without the square root.
  const double loss = 100 * dt * fs;
  const double square = lx * lx + ly * ly;
  if (square > kStopsSurely[0] && square < kStopsSurely[1] * loss * loss) {
    lx *= 0.0;
    ly *= 0.0;
  } else if (const double slide = elem::Hypot(lx, ly); slide > kMinSlide) {
    const double kept = std::max(slide - loss, 0.0) / slide;
    lx *= kept;
    ly *= kept;
  }

  // 7. Thrust through the accelerations; friction, brake and grip act on the velocity.
  const double mass = GetMass();
  const double relative = GetSize() / ReferenceSize;
  const double push = mass > 0 ? thrust * relative * relative / mass : 0;
  AccX += hx * push;
  AccY += hy * push;
  AccA = 0;
  SetVelX(rolling * fx + lx);
  SetVelY(rolling * fy + ly);

  // 8. Steering takes effect with the forward speed; backward it turns the other way.
  SetVelA(std::min(vf / kFullTurnSpeed, 1.0) * GetTurn());
}

namespace {

// The SoA of one thread's kernel calls, built once (and zeroed: the lanes beyond
// the count hold numbers too).
thread_local TKartLanes LaneBuffer;

// The kart's parameters the kernel sets, in the order of TKartLanes's fields.
std::array<int32_t, TKartLanes::ParamCount> KernelParams(const TKart& kart) {
  return {kart.PowerIndex, kart.TurnIndex, kart.EnergyIndex, kart.VelXIndex, kart.VelYIndex,
          kart.VelAIndex,  kart.PosXIndex, kart.PosYIndex,   kart.AngleIndex};
}

}  // namespace

void TKart::StepSideBySide(TPlayer* const* same, size_t count) {
  static_assert(TKartLanes::MaxLanes >= TTrack::MaxLanes);
  const int32_t width = KernelWidth(count);
  if (width == 1) {
    TPlayer::StepSideBySide(same, count);
    return;
  }
  // The kernel takes a kart in a future without noise, with goals (ApplyForces
  // and Move hold no draw and no early end for it); any other steps alone.
  TKartLanes& k = LaneBuffer;
  TKart* lane[TKartLanes::MaxLanes];
  int n = 0;
  for (size_t l = 0; l < count; ++l) {
    TKart& kart = *static_cast<TKart*>(same[l]);
    kart.BeginStep();
    if (kart.FutureNoise > 0 || kart.HasNoGoals() || !kart.FutureMode) {
      kart.ApplyForces();
      kart.Move();
      continue;
    }
    lane[n] = &kart;
    kart.ToLanes(k, n);
    ++n;
  }
  if (n == 0) return;
  LawsToLanes(k);
  RunLanes(k, n, width);
  for (int l = 0; l < n; ++l) lane[l]->FromLanes(k, l);
}

void TKart::ToLanes(TKartLanes& k, int n) {
  const TStateParam* p = GetState().Params.data();
  const auto params = KernelParams(*this);
  for (int i = 0; i < TKartLanes::ParamCount; ++i) {
    const TStateParam& param = p[params[i]];
    k.F[i][n] = param.Value;
    k.F[TKartLanes::Minimum + i][n] = param.Info->Minimum;
    k.F[TKartLanes::Maximum + i][n] = param.Info->Maximum;
  }
  k.F[TKartLanes::PushPower][n] = p[PushPowerIndex].Value;
  k.F[TKartLanes::PushTurn][n] = p[PushTurnIndex].Value;
  k.F[TKartLanes::Dead][n] = IsDead() ? 1 : 0;
  k.F[TKartLanes::Mass][n] = GetMass();
  k.F[TKartLanes::Size][n] = GetSize();
  k.F[TKartLanes::ReferenceSize][n] = ReferenceSize;
  k.F[TKartLanes::Gravity][n] = Gravity;
  k.F[TKartLanes::Dt][n] = GetTimeStep();
  k.F[TKartLanes::Friction][n] = Context->Friction;
  k.F[TKartLanes::SideFriction][n] = Context->SideFriction;
  k.F[TKartLanes::AccX][n] = AccX;
  k.F[TKartLanes::HeadingAngle][n] = HeadingAngle;
  k.F[TKartLanes::HeadingX][n] = HeadingCache.x;
  k.F[TKartLanes::HeadingY][n] = HeadingCache.y;
}

void TKart::RunLanes(TKartLanes& k, int count, int32_t width) {
  if (width == 8) {
    KartLanesAvx512(k, count);
  } else {
    KartLanesAvx2(k, count);
  }
}

void TKart::LawsToLanes(TKartLanes& k) const {
  k.Laws = {kIdleRate, kReverseThrust, kThrustPerEnergy, kFullTurnSpeed, kMinSlide,
            {kStopsSurely[0], kStopsSurely[1]}, LinearDrag, AngularDrag};
}

void TKart::FromLanes(const TKartLanes& k, int l) {
  TStateParam* p = GetState().Params.data();
  const auto params = KernelParams(*this);
  for (int i = 0; i < TKartLanes::ParamCount; ++i) {
    TStateParam& param = p[params[i]];
    param.Value = k.F[i][l];
    param.CellValid = false;  // its setter ran: the cell is to be found afresh
  }
  AccX = k.F[TKartLanes::AccX][l];
  AccY = k.F[TKartLanes::AccY][l];
  AccA = 0;
  HeadingAngle = k.F[TKartLanes::HeadingAngle][l];
  HeadingCache = {k.F[TKartLanes::HeadingX][l], k.F[TKartLanes::HeadingY][l]};
  ShapeDirty = true;
}

void TKart::Draw() {
  TPhysic2D::Draw();
  Canvas* canvas = GetCanvas();
  if (!canvas) return;
  const double x = GetPosX();
  const double y = GetPosY();
  const double size = GetSize();
  const double angle = GetAngle();
  const double turn = GetTurn();

  // Front wheels, turned by the steering.
  canvas->SetPenColor(kBlack);
  canvas->SetPenWidth(2);
  for (const double a : {-0.3 * kPi, 0.3 * kPi}) {
    const double wx = x + 0.8 * size * elem::Cos(angle + a);
    const double wy = y + 0.8 * size * elem::Sin(angle + a);
    canvas->MoveTo(Round32(wx), Round32(wy));
    canvas->LineTo(Round32(wx + 0.6 * size * elem::Cos(angle + turn)),
                   Round32(wy + 0.6 * size * elem::Sin(angle + turn)));
  }
  canvas->SetPenWidth(1);

  // Gauge: forward by the power, sideways by the turn.
  const double power = GetPower();
  const double maxPower = GetMaxPower();
  const double minPower = GetMinPower();
  const double maxTurn = GetMaxTurn();
  double p = 0;
  if (power >= 0) {
    p = maxPower != 0 ? power / maxPower : 0;
  } else {
    p = minPower != 0 ? power / std::fabs(minPower) : 0;
  }
  const double m = maxTurn != 0 ? turn / maxTurn : 0;
  const double gx = x + size * (2 * p * elem::Cos(angle) - m * elem::Sin(angle));
  const double gy = y + size * (2 * p * elem::Sin(angle) + m * elem::Cos(angle));
  const int32_t f = Round32(0.3 * size);
  canvas->SetPenWidth(2);
  canvas->MoveTo(Round32(x), Round32(y));
  canvas->LineTo(Round32(gx), Round32(gy));
  canvas->SetPenWidth(1);

  // White to green forward, white to yellow when braking.
  TColor gauge;
  if (power >= 0) {
    const int32_t w = Round32(255 * std::sqrt(maxPower > 0 ? power / maxPower : 0));
    gauge = MakeColor(255 - w, 255, 255 - w);
  } else {
    const int32_t w = Round32(255 * std::sqrt(minPower < 0 ? power / minPower : 0));
    gauge = MakeColor(255, 255, 255 - w);
  }
  const int32_t gxi = Round32(gx);
  const int32_t gyi = Round32(gy);
  canvas->SetBrushStyle(Canvas::BrushStyle::Solid);
  canvas->SetBrushColor(gauge);
  canvas->SetPenColor(MakeColor(192, 192, 192));
  canvas->Ellipse(AddSaturated(gxi, -f), AddSaturated(gyi, -f), AddSaturated(gxi, f),
                  AddSaturated(gyi, f));
  canvas->SetPenColor(kWhite);
  canvas->SetBrushColor(kWhite);
  canvas->Ellipse(Round32(gx - 0.8 * f), Round32(gy - 0.8 * f), Round32(gx + 0.2 * f),
                  Round32(gy + 0.2 * f));
  canvas->SetBrushStyle(Canvas::BrushStyle::Clear);
  canvas->SetPenColor(kBlack);
  canvas->Ellipse(AddSaturated(gxi, -f), AddSaturated(gyi, -f), AddSaturated(gxi, f),
                  AddSaturated(gyi, f));
}

}  // namespace vorlanth
