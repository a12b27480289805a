#include "core/state.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "core/error.h"
#include "core/goal.h"
#include "core/player.h"
#include "core/random.h"
#include "core/rounding.h"

namespace vorlanth {
namespace {

std::string TrimUpper(std::string_view s) {
  size_t first = 0;
  size_t last = s.size();
  while (first < last && std::isspace(static_cast<unsigned char>(s[first]))) ++first;
  while (last > first && std::isspace(static_cast<unsigned char>(s[last - 1]))) --last;
  std::string result(s.substr(first, last - first));
  for (char& c : result) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return result;
}

}  // namespace

// ---- TStateParam ---------------------------------------------------------------

TStateParam TStateParam::Create(TState* owner, double cellSize, double minimum, double maximum,
                                double value, TParamKind kind, std::string_view name) {
  TStateParam p;
  p.Owner = owner;
  p.Minimum = minimum;
  p.Maximum = maximum;
  p.Kind = kind;
  p.CellSize = cellSize;
  p.SetName(name);
  p.SetValue(value);
  p.StartValue = value;
  p.KeptValue = value;
  p.StoreValue();
  return p;
}

TStateParam TStateParam::CreatePlain(TState* owner, double minimum, double maximum, double value,
                                     std::string_view name) {
  return Create(owner, 0, minimum, maximum, value, pkProperty, name);
}

TStateParam TStateParam::CreateBounded(TState* owner, double minimum, double maximum, double value,
                                       std::string_view name) {
  return Create(owner, 0, minimum, maximum, value, pkVariable, name);
}

TStateParam TStateParam::CreatePositional(TState* owner, double cellSize, double value,
                                          std::string_view name) {
  return Create(owner, cellSize, 0, 0, value, pkPositional, name);
}

TStateParam TStateParam::CreateFree(TState* owner, double range, std::string_view name) {
  return Create(owner, 0, -range, range, 0, pkFree, name);
}

TStateParam TStateParam::CreateEmpty() { return TStateParam{}; }

int32_t TStateParam::GetCell() {
  if (!CellValid) {
    if (CellSize == 0) {
      Cell = Round32(Value);
    } else {
      const double cells = static_cast<double>(Round64(Value / CellSize));
      Cell = Round32(cells * CellSize);
    }
    CellValid = true;
  }
  return Cell;
}

void TStateParam::StoreValue() { StoredValue = Round32(Value * 1000.0); }

void TStateParam::SetName(std::string_view name) { Name = TrimUpper(name); }

void TStateParam::Assign(const TStateParam& source) {
  if (Name != source.Name) Name = source.Name;
  Kind = source.Kind;
  Value = source.Value;
  StartValue = source.StartValue;
  StoredValue = source.StoredValue;
  KeptValue = source.KeptValue;
  CellSize = source.CellSize;
  Maximum = source.Maximum;
  Minimum = source.Minimum;
  Gaussian = source.Gaussian;
  LimiterIndex = source.LimiterIndex;
  LimPushIndex = source.LimPushIndex;
  CellValid = false;
}

TStateParam* TStateParam::GetLimiter() const {
  return HasLimiter() ? &Owner->Params[static_cast<size_t>(LimiterIndex)] : nullptr;
}

TStateParam* TStateParam::GetLimPush() const {
  return LimPushIndex != -1 ? &Owner->Params[static_cast<size_t>(LimPushIndex)] : nullptr;
}

double TStateParam::GetRange() const {
  const TStateParam* limiter = GetLimiter();
  return limiter ? Maximum * limiter->Value : Maximum;
}

int TStateParam::PushToExtreme() {
  const int r = Random() < 0.5 ? 0 : 1;  // Floor(Random x 2)
  SetValue(r == 0 ? GetRange() : -GetRange());
  StoreValue();
  return r;
}

void TStateParam::Randomize() {
  const TStateParam* limiter = GetLimiter();
  const double l = limiter ? limiter->Value : 1.0 / 3.0;
  if (Gaussian) {
    SetValue(l * RandomGauss(GetRange()));
  } else {
    SetValue(l * (2.0 * Random() - 1.0) * GetRange());
  }
}

// ---- TState --------------------------------------------------------------------

TState::TState(TPlayer* player) : Player(player) { ResetScore(); }

int32_t TState::AddParam(TStateParam param) {
  param.Owner = this;
  param.Gaussian = Gaussian;
  const int32_t index = ParamCount();
  Params.push_back(std::move(param));
  if (Params.back().IsFree()) {
    FreeParams.push_back(index);
    const std::string name = Params.back().Name;
    TStateParam limiter = TStateParam::CreateBounded(this, 0, 1, 1.0 / 3.0, name + "_Limiter");
    limiter.Gaussian = Gaussian;
    Params.push_back(std::move(limiter));
    Params[static_cast<size_t>(index)].LimiterIndex = ParamCount() - 1;
    TStateParam push = TStateParam::CreateFree(this, 0.25, name + "_LimPush");
    push.Gaussian = Gaussian;
    Params.push_back(std::move(push));
    Params[static_cast<size_t>(index)].LimPushIndex = ParamCount() - 1;
    FreeParams.push_back(ParamCount() - 1);
  } else if (Params.back().IsPositional()) {
    PositionalParams.push_back(index);
  }
  return index;
}

TStateParam& TState::GetParam(int32_t i) {
  if (i < 0 || i >= ParamCount())
    throw Error("TState: Param index " + std::to_string(i) + " out of boundaries.");
  return Params[static_cast<size_t>(i)];
}

const TStateParam& TState::GetParam(int32_t i) const {
  if (i < 0 || i >= ParamCount())
    throw Error("TState: Param index " + std::to_string(i) + " out of boundaries.");
  return Params[static_cast<size_t>(i)];
}

TStateParam& TState::GetFreeParam(int32_t i) {
  if (i < 0 || i >= FreeParamCount())
    throw Error("TState: FreeParam index " + std::to_string(i) + " out of boundaries.");
  return Params[static_cast<size_t>(FreeParams[static_cast<size_t>(i)])];
}

TStateParam& TState::GetPositionalParam(int32_t i) {
  if (i < 0 || i >= PositionalParamCount())
    throw Error("TState: Positional Param index " + std::to_string(i) + " out of boundaries.");
  return Params[static_cast<size_t>(PositionalParams[static_cast<size_t>(i)])];
}

int32_t TState::IndexOfParam(std::string_view name) const {
  const std::string key = TrimUpper(name);
  for (int32_t i = 0; i < ParamCount(); ++i)
    if (Params[static_cast<size_t>(i)].Name == key) return i;
  throw Error("TState: Param with name \"" + key + "\" not found.");
}

void TState::Assign(const TState& source) {
  if (Params.size() > source.Params.size()) Params.resize(source.Params.size());
  while (Params.size() < source.Params.size()) AddParam(TStateParam::CreateEmpty());
  FreeParams.clear();
  PositionalParams.clear();
  for (size_t i = 0; i < Params.size(); ++i) {
    TStateParam& p = Params[i];
    p.Assign(source.Params[i]);
    if (p.IsFree()) FreeParams.push_back(static_cast<int32_t>(i));
    if (p.IsPositional()) PositionalParams.push_back(static_cast<int32_t>(i));
  }
  SetGaussian(source.Gaussian);
  OptionCode = source.OptionCode;
  Direction = source.Direction;
  LimiterOption = source.LimiterOption;
  OptionIndex = source.OptionIndex;
  Gain = source.Gain;
  Weight = source.Weight;
}

void TState::MarkStartValues() {
  for (TStateParam& p : Params) p.StartValue = p.Value;
}

void TState::StoreValues() {
  for (TStateParam& p : Params) p.StoreValue();
  MarkStartValues();
  ResetScore();
}

void TState::RestoreStoredValues() {
  for (TStateParam& p : Params) p.SetValue(p.GetStoredValue());
}

void TState::ChooseRandomOption() {
  if (!HasFreeParams()) return;
  OptionIndex = std::min(Floor32(FreeParamCount() * Random()), FreeParamCount() - 1);
  Direction = GetFreeParam(OptionIndex).PushToExtreme();
  OptionCode = 2 * OptionIndex + Direction;
  LimiterOption = (OptionIndex % 2) == 1;
}

void TState::RandomizeFreeParams() {
  for (int32_t index : FreeParams) Params[static_cast<size_t>(index)].Randomize();
}

void TState::SetGaussian(bool flag) {
  Gaussian = flag;
  for (int32_t index : FreeParams) Params[static_cast<size_t>(index)].Gaussian = flag;
}

double TState::GetScore() const {
  if (Player && Player->HasNoGoals()) return 1;
  return GetRawScore();
}

void TState::ResetScore() {
  Gain = 0;
  ElapsedMs = 0;
  ResetStepAccumulators();
  Weight = 1;
}

void TState::ResetStepAccumulators() {
  GainSquares = 0;
  GainFactor = 1;
  WeightFactor = 1;
}

void TState::ApplyGoal(const TGoal& goal) {
  if (goal.GainInput > 0) GainSquares += goal.GainInput * goal.GainInput * goal.Strength;
  if (goal.Level >= 0) {
    // 0 ^ s is 0 for s > 0, and x ^ 0 is 1 (std::pow agrees on both). The common
    // strengths and levels of 1 skip the power function with the same result.
    if (goal.Strength == 1) {
      GainFactor *= goal.Level;
    } else if (goal.Level != 1) {
      GainFactor *= std::pow(goal.Level, goal.Strength);
    }
  }
  if (goal.Feeling != 1 && goal.ReactionMs > 0 && ElapsedMs < goal.ReactionMs) {
    const double f = static_cast<double>(ElapsedMs) / goal.ReactionMs;
    WeightFactor *= goal.Feeling + (1 - goal.Feeling) * std::pow(f, goal.Urgency);
  }
}

void TState::EndStep() {
  const double dt = (Player ? *Player->Context : DefaultStepContext).TimeStep();
  const double sign = GainSquares > 0 ? 1.0 : (GainSquares < 0 ? -1.0 : 0.0);
  Gain += dt * sign * std::sqrt(std::fabs(GainSquares)) * GainFactor;
  Weight *= WeightFactor;
  if (Player) Player->DrawTraceStep();
  ResetStepAccumulators();
}

bool TState::SameCell(TState& other) {
  for (int32_t i = 0; i < PositionalParamCount(); ++i)
    if (GetPositionalParam(i).GetCell() != other.GetPositionalParam(i).GetCell()) return false;
  return true;
}

}  // namespace vorlanth
