#include "core/player.h"

#include <algorithm>

#include "core/energy_health_goals.h"
#include "core/error.h"
#include "core/random.h"
#include "core/random_lanes.h"
#include "core/rounding.h"
#include "core/team.h"
#include "core/track.h"

namespace vorlanth {

TPlayer::TPlayer() = default;
TPlayer::~TPlayer() = default;

void TPlayer::InitPlayer(TRandomStream& random) {
  Present = std::make_unique<TState>(this);
  Working = std::make_unique<TState>(this);
  FutureMode = false;
  DeadCache = -1;
  FutureNoise = 0;
  Determination = 1;
  LimitersOn = true;
  CreateParams();
  Futures = std::make_unique<TListOfFutures>(this);
  GridSize = 10;
  MinGridSize = 5;
  MaxGridSize = 50;
  AutoGridSize = true;
  GridTargetRatio = 0.5;
  ArraysPending = true;
  ShapeDirty = true;
  ShowTraces = ShowFeelings = ShowEndingPoints = ShowLevels = false;
  DrawScale = 1;
  LargestScore = 0;
  const int r = 100 + Round32(Random(random) * 155);
  const int g = 100 + Round32(Random(random) * 155);
  const int b = 100 + Round32(Random(random) * 155);
  Color = MakeColor(r, g, b);
  CommitState();
  Goals = std::make_unique<TGoalSet>(this);
  HealthGoalIndex = Goals->AddGoal(std::make_unique<TGoalHealth>(this));
  EnergyGoalIndex = Goals->AddGoal(std::make_unique<TGoalEnergy>(this));
}

bool TPlayer::IsDrawable() { return !(HasControls() && GetState().LimiterOption); }

void TPlayer::CreateParams() {
  TState& s = GetState();
  HealthIndex = s.AddParam(TStateParam::CreateBounded(&s, 0, 100, 100, "Health"));
  EnergyIndex = s.AddParam(TStateParam::CreateBounded(&s, 0, 100, 50, "Energy"));
}

void TPlayer::SetFutureMode(bool on) {
  if (on == FutureMode) return;
  if (on) {
    Working->Assign(*Present);
    Working->MarkStartValues();
    Working->StoreValues();
    Working->ResetScore();
    Goals->ResetFuture();
  } else {
    Futures->AddFuture(*Working);
  }
  FutureMode = on;
  ShapeDirty = true;
  DeadCache = -1;
}

void TPlayer::BeginStep() {
  TState& s = GetState();
  s.ElapsedMs += GetTimeStepMs();
  if (HasControls() && LimitersOn) {
    // Each control's limiter integrates its push, through the indices the layout keeps.
    const double dt = GetTimeStep();
    TStateParam* params = s.Params.data();
    for (const TStateLayout::TLimiterLink& link : s.Layout->LimiterLinks) {
      TStateParam& limiter = params[link.Limiter];
      limiter.SetValue(limiter.Value + params[link.Push].Value * dt);
    }
  }
}

void TPlayer::ApplyForces() {
  // A player without goals dies at its first damage.
  if (HasNoGoals() && GetHealth() < 100) SetHealth(0);
}

void TPlayer::RestoreStoredState() {
  ShapeDirty = true;
  Present->RestoreStoredValues();
  DeadCache = -1;
  Goals->ResetFuture();
}

void TPlayer::Assign(const TPlayer& source) {
  Present->Assign(*source.Present);
  CommitState();
  FutureNoise = source.FutureNoise;
  SetGridSize(source.GridSize);
  MinGridSize = source.MinGridSize;
  MaxGridSize = source.MaxGridSize;
  AutoGridSize = source.AutoGridSize;
  GridTargetRatio = source.GridTargetRatio;
  LimitersOn = source.LimitersOn;
  ShowTraces = source.ShowTraces;
  ShowFeelings = source.ShowFeelings;
  ShowEndingPoints = source.ShowEndingPoints;
  ShowLevels = source.ShowLevels;
  ShapeDirty = true;
  DeadCache = -1;
  SetFutureMode(source.FutureMode);
}

TRef TPlayer::GetRef() const { return {TeamIndex, Serial}; }

namespace {

TColor OptionColor(int code) {
  switch (code) {
    case 0: return MakeColor(0, 0, 255);
    case 1: return MakeColor(255, 0, 0);
    case 2: return MakeColor(255, 0, 255);
    case 3: return MakeColor(50, 255, 0);
    default: return MakeColor(160, 160, 160);
  }
}

}  // namespace

TColor TPlayer::GetOptionColor(const TState& state) {
  return OptionColor(HasControls() ? state.OptionIndex + state.Direction : 4);
}

TColor TPlayer::GetOptionColor(const TFuture& future) const {
  return OptionColor(HasControls() ? future.OptionIndex + future.Direction : 4);
}

void TPlayer::AdaptGridSize() {
  if (!HasControls() || !AutoGridSize) return;
  const int32_t minFutures = Context->MinFutures;
  const int32_t d = Futures->FutureCount();
  const int32_t c = std::max(1, minFutures - d);
  const double factor = minFutures * GridTargetRatio / c;
  int32_t n = Round32(GridSize * factor);
  n = std::min(n, MaxGridSize);
  n = std::max(n, MinGridSize);
  SetGridSize(n);
}

void TPlayer::CommitState() {
  GetState().ResetScore();
  GetState().StoreValues();
}

TPlayer* TPlayer::Split() {
  std::unique_ptr<TPlayer> owned = Clone(RandomStream());
  TPlayer* child = owned.get();
  child->Goals->CopyParamsFrom(*Goals);
  Team->AddPlayer(std::move(owned));
  if (GetTrack() && GetTrack()->Evolution) {
    SetEnergy(GetEnergy() / 2);
    child->SetEnergy(GetEnergy());
    Goals->MutateStrengths(RandomStream());
    child->Goals->ColorFromGoals();
  }
  return child;
}

TTrack* TPlayer::GetTrack() const { return Team ? Team->Track : nullptr; }

TRandomStream& TPlayer::NoRandomStream() {
  throw Error("A player on no track has no random numbers to draw from.");
}

void TPlayer::SetHealth(double x) {
  OwnParam(HealthIndex).SetValue(x);
  DeadCache = -1;
}

bool TPlayer::IsDead() {
  if (DeadCache == -1) DeadCache = GetHealth() == 0 ? 1 : 0;
  return DeadCache == 1;
}

TStateParam* TPlayer::LimiterOf(int32_t freeIndex) {
  if (!LimitersOn) return nullptr;
  TState& s = GetState();
  if (freeIndex < 0 || freeIndex >= s.FreeParamCount()) return nullptr;
  return s.GetFreeParam(freeIndex).GetLimiter();
}

void TPlayer::SetLimiter(int32_t i, double x) {
  if (TStateParam* limiter = LimiterOf(i)) limiter->SetValue(x);
}

double TPlayer::GetLimiter(int32_t i) {
  const TStateParam* limiter = LimiterOf(i);
  return limiter ? limiter->Value : 1.0 / 3.0;
}

double TPlayer::GetLimPush(int32_t i) {
  if (!LimiterOf(i)) return 0;
  const TStateParam* push = GetState().GetFreeParam(i).GetLimPush();
  return push ? push->Value : 0;
}

void TPlayer::SetGridSize(int32_t n) {
  GridSize = std::min(MaxGridSize, std::max(MinGridSize, n));
  TState& s = GetState();
  for (int32_t i = 0; i < s.PositionalParamCount(); ++i) {
    TStateParam& p = s.GetPositionalParam(i);
    p.CellSize = GridSize;
    p.CellValid = false;
  }
}

void TPlayer::ChooseRandomOption() {
  if (HasControls()) GetState().ChooseRandomOption(RandomStream());
}

void TPlayer::RandomizeControls() {
  if (HasControls()) GetState().RandomizeFreeParams(RandomStream());
}

void TPlayer::RandomizeControlsSideBySide(TPlayer* const* same, size_t count) {
  static_assert(TRandomLanes::MaxLanes >= TTrack::MaxLanes);
  TState* states[TRandomLanes::MaxLanes];
  TRandomStream* streams[TRandomLanes::MaxLanes];
  size_t n = 0;
  for (size_t l = 0; l < count; ++l) {
    if (!same[l]->HasControls()) continue;
    states[n] = &same[l]->GetState();
    streams[n] = &same[l]->RandomStream();
    ++n;
  }
  if (n > 0) TState::RandomizeFreeParamsSideBySide(states, streams, n);
}

void TPlayer::Decide() {
  if (!HasControls() || IsDead() || ExternalControls) return;
  // A player created during this cycle's drawing has no futures yet: it keeps its
  // controls and grid until its first full cycle.
  if (!Futures->IsPreparedFor(GetState())) return;
  Futures->Decide(GetState());
  AdaptGridSize();
}

void TPlayer::DrawFutures() {
  if (ShowEndingPoints) Futures->DrawFutures();
}

void TPlayer::UpdateDrawScale() {
  if (LargestScore > 0) DrawScale = 100 / LargestScore;
  LargestScore = 0;
}

void TPlayer::Step() {
  BeginStep();
  ApplyForces();
  Move();
}

void TPlayer::StepSideBySide(TPlayer* const* same, size_t count) {
  for (size_t l = 0; l < count; ++l) same[l]->Step();
}

}  // namespace vorlanth
