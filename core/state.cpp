#include "core/state.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "core/elementary.h"
#include "core/error.h"
#include "core/goal.h"
#include "core/lane_width.h"
#include "core/player.h"
#include "core/pow_memo.h"
#include "core/random.h"
#include "core/random_lanes.h"
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

// The draws of one thread's passes side by side, built once.
thread_local TRandomLanes RandomLaneBuffer;

// Randomize for p, whose state's values start at params: the limiter is looked up
// once, its value is l and the range is GetRange's.
void RandomizeAmong(TRandomStream& random, TStateParam& p, const TStateParam* params) {
  const TParamInfo& info = *p.Info;
  double l = 1.0 / 3.0;
  double range = info.Maximum;
  if (info.LimiterIndex != -1) {
    l = params[info.LimiterIndex].Value;
    range = info.Maximum * l;
  }
  if (p.Gaussian) {
    p.SetValue(l * RandomGauss(random, range));
  } else {
    p.SetValue(l * (2.0 * Random(random) - 1.0) * range);
  }
}

}  // namespace

// ---- TStateParam ---------------------------------------------------------------

TNewParam TStateParam::Create(TState* /*owner*/, double cellSize, double minimum, double maximum,
                               double value, TParamKind kind, std::string_view name) {
  TNewParam p;
  p.Info.Name = TrimUpper(name);
  p.Info.Kind = kind;
  p.Info.Minimum = minimum;
  p.Info.Maximum = maximum;
  p.Value = value;
  p.CellSize = cellSize;
  return p;
}

TNewParam TStateParam::CreatePlain(TState* owner, double minimum, double maximum, double value,
                                    std::string_view name) {
  return Create(owner, 0, minimum, maximum, value, pkProperty, name);
}

TNewParam TStateParam::CreateBounded(TState* owner, double minimum, double maximum, double value,
                                      std::string_view name) {
  return Create(owner, 0, minimum, maximum, value, pkVariable, name);
}

TNewParam TStateParam::CreatePositional(TState* owner, double cellSize, double value,
                                         std::string_view name) {
  return Create(owner, cellSize, 0, 0, value, pkPositional, name);
}

TNewParam TStateParam::CreateFree(TState* owner, double range, std::string_view name) {
  return Create(owner, 0, -range, range, 0, pkFree, name);
}

TNewParam TStateParam::CreateEmpty() { return TNewParam{}; }

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

TStateParam* TStateParam::GetLimiter() const {
  return HasLimiter() ? &Owner->Params[static_cast<size_t>(Info->LimiterIndex)] : nullptr;
}

TStateParam* TStateParam::GetLimPush() const {
  return Info->LimPushIndex != -1 ? &Owner->Params[static_cast<size_t>(Info->LimPushIndex)] : nullptr;
}

double TStateParam::GetRange() const {
  const TStateParam* limiter = GetLimiter();
  return limiter ? Info->Maximum * limiter->Value : Info->Maximum;
}

int TStateParam::PushToExtreme(TRandomStream& random) {
  const int r = Random(random) < 0.5 ? 0 : 1;  // Floor(Random x 2)
  SetValue(r == 0 ? GetRange() : -GetRange());
  StoreValue();
  return r;
}

void TStateParam::Randomize(TRandomStream& random) { RandomizeAmong(random, *this, Owner->Params.data()); }

// ---- TState --------------------------------------------------------------------

TState::TState(TPlayer* player) : Player(player), Layout(std::make_shared<TStateLayout>()) {
  ResetScore();
}

void TState::OwnLayout() {
  if (Layout.use_count() > 1) {
    Layout = std::make_shared<TStateLayout>(*Layout);
    LinkInfo();
  }
}

void TState::LinkInfo() {
  for (size_t i = 0; i < Params.size(); ++i) Params[i].Info = &Layout->Params[i];
}

TParamInfo& TState::MutableInfo(int32_t i) {
  GetParam(i);  // checks the index
  OwnLayout();
  return Layout->Params[static_cast<size_t>(i)];
}

void TState::AppendParam(const TNewParam& param) {
  Layout->Params.push_back(param.Info);
  TStateParam p;
  p.Owner = this;
  p.Info = &Layout->Params.back();
  p.CellSize = param.CellSize;
  p.Gaussian = Gaussian;
  p.SetValue(param.Value);
  p.StartValue = param.Value;
  p.KeptValue = param.Value;
  p.StoreValue();
  Params.push_back(p);
}

int32_t TState::AddParam(const TNewParam& param) {
  OwnLayout();
  const int32_t index = ParamCount();
  AppendParam(param);
  const TParamKind kind = param.Info.Kind;
  if (kind == pkFree) {
    Layout->FreeParams.push_back(index);
    const std::string name = param.Info.Name;
    AppendParam(TStateParam::CreateBounded(this, 0, 1, 1.0 / 3.0, name + "_Limiter"));
    Layout->Params[static_cast<size_t>(index)].LimiterIndex = ParamCount() - 1;
    AppendParam(TStateParam::CreateFree(this, 0.25, name + "_LimPush"));
    Layout->Params[static_cast<size_t>(index)].LimPushIndex = ParamCount() - 1;
    Layout->FreeParams.push_back(ParamCount() - 1);
    const TParamInfo& control = Layout->Params[static_cast<size_t>(index)];
    Layout->LimiterLinks.push_back({control.LimiterIndex, control.LimPushIndex});
  } else if (kind == pkPositional) {
    Layout->PositionalParams.push_back(index);
  }
  LinkInfo();  // the descriptions may have moved
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
  return Params[static_cast<size_t>(Layout->FreeParams[static_cast<size_t>(i)])];
}

TStateParam& TState::GetPositionalParam(int32_t i) {
  if (i < 0 || i >= PositionalParamCount())
    throw Error("TState: Positional Param index " + std::to_string(i) + " out of boundaries.");
  return Params[static_cast<size_t>(Layout->PositionalParams[static_cast<size_t>(i)])];
}

int32_t TState::IndexOfParam(std::string_view name) const {
  const std::string key = TrimUpper(name);
  for (int32_t i = 0; i < ParamCount(); ++i)
    if (Layout->Params[static_cast<size_t>(i)].Name == key) return i;
  throw Error("TState: Param with name \"" + key + "\" not found.");
}

void TState::AssignAccumulators(const TState& source) {
  GainSquares = source.GainSquares;
  GainFactor = source.GainFactor;
  WeightFactor = source.WeightFactor;
  ElapsedMs = source.ElapsedMs;
}

void TState::Assign(const TState& source) {
  // One description for both; the values as one block (the records point into
  // the shared description, so they are right as copied).
  if (&source == this) return;
  // Compared first: replicas on other threads share the description, and an
  // assignment would count references on it for nothing.
  if (Layout != source.Layout) Layout = source.Layout;
  Params = source.Params;
  for (TStateParam& p : Params) {
    p.Owner = this;
    p.CellValid = false;
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
  // Every player, every sub-step: unrolled by eight, then four, two and one, a
  // copy is a load and a store.
  TStateParam* p = Params.data();
  TStateParam* const end = p + Params.size();
  for (; end - p >= 8; p += 8) {
    p[0].StartValue = p[0].Value;
    p[1].StartValue = p[1].Value;
    p[2].StartValue = p[2].Value;
    p[3].StartValue = p[3].Value;
    p[4].StartValue = p[4].Value;
    p[5].StartValue = p[5].Value;
    p[6].StartValue = p[6].Value;
    p[7].StartValue = p[7].Value;
  }
  if (end - p >= 4) {
    p[0].StartValue = p[0].Value;
    p[1].StartValue = p[1].Value;
    p[2].StartValue = p[2].Value;
    p[3].StartValue = p[3].Value;
    p += 4;
  }
  if (end - p >= 2) {
    p[0].StartValue = p[0].Value;
    p[1].StartValue = p[1].Value;
    p += 2;
  }
  if (p != end) p[0].StartValue = p[0].Value;
}

void TState::StoreValues() {
  for (TStateParam& p : Params) p.StoreValue();
  MarkStartValues();
  ResetScore();
}

void TState::RestoreStoredValues() {
  for (TStateParam& p : Params) p.SetValue(p.GetStoredValue());
}

void TState::ChooseRandomOption(TRandomStream& random) {
  if (!HasFreeParams()) return;
  OptionIndex = std::min(Floor32(FreeParamCount() * Random(random)), FreeParamCount() - 1);
  Direction = GetFreeParam(OptionIndex).PushToExtreme(random);
  OptionCode = 2 * OptionIndex + Direction;
  LimiterOption = (OptionIndex % 2) == 1;
}

void TState::RandomizeFreeParams(TRandomStream& random) {
  TStateParam* params = Params.data();
  for (int32_t index : Layout->FreeParams) RandomizeAmong(random, params[index], params);
}

void TState::RandomizeFreeParamsSideBySide(TState* const* states, TRandomStream* const* streams, size_t count) {
  const int32_t width = KernelWidth(count);
  const std::vector<int32_t>& free = states[0]->Layout->FreeParams;
  const size_t draws = free.size();
  bool alike = width > 1 && count > 1 && count <= TRandomLanes::MaxLanes && draws <= TRandomLanes::MaxDraws;
  TRandomLanes& r = RandomLaneBuffer;
  r.Draws = static_cast<int>(draws);
  for (size_t d = 0; alike && d < draws; ++d)
    r.Gaussian[d] = states[0]->Params[static_cast<size_t>(free[d])].Gaussian;
  // Each lane's own indices, limiters and ranges, as RandomizeAmong finds them.
  for (size_t l = 0; alike && l < count; ++l) {
    const TState& state = *states[l];
    const std::vector<int32_t>& own = state.Layout->FreeParams;
    alike = own.size() == draws;
    for (size_t d = 0; alike && d < draws; ++d) {
      const TStateParam& p = state.Params[static_cast<size_t>(own[d])];
      const TParamInfo& info = *p.Info;
      double limiter = 1.0 / 3.0;
      double range = info.Maximum;
      if (info.LimiterIndex != -1) {
        limiter = state.Params[static_cast<size_t>(info.LimiterIndex)].Value;
        range = info.Maximum * limiter;
      }
      r.Limiter[d][l] = limiter;
      r.Range[d][l] = range;
      alike = p.Gaussian == r.Gaussian[d];
    }
    const TRandomStream& stream = *streams[l];
    for (int w = 0; w < 4; ++w) r.State[w][l] = stream.State.s[w];
    r.Spare[l] = stream.SpareGauss;
    r.HasSpare[l] = stream.HasSpareGauss ? 1 : 0;
  }
  if (!alike) {
    for (size_t l = 0; l < count; ++l) states[l]->RandomizeFreeParams(*streams[l]);
    return;
  }
  if (width == 8) {
    RandomLanesAvx512(r, static_cast<int>(count));
  } else {
    RandomLanesAvx2(r, static_cast<int>(count));
  }
  for (size_t l = 0; l < count; ++l) {
    TState& state = *states[l];
    const std::vector<int32_t>& own = state.Layout->FreeParams;
    for (size_t d = 0; d < draws; ++d) state.Params[static_cast<size_t>(own[d])].SetValue(r.Value[d][l]);
    TRandomStream& stream = *streams[l];
    for (int w = 0; w < 4; ++w) stream.State.s[w] = r.State[w][l];
    stream.SpareGauss = r.Spare[l];
    stream.HasSpareGauss = r.HasSpare[l] != 0;
  }
}

void TState::SetGaussian(bool flag) {
  Gaussian = flag;
  for (int32_t index : Layout->FreeParams) Params[static_cast<size_t>(index)].Gaussian = flag;
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
