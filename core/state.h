#pragma once
// A player's state: an ordered list of named real parameters plus the score of
// the future the state describes. The same class is the present state, the
// working copy run forward in a future, and the records kept by the futures list.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorlanth {

class TPlayer;
class TState;
class TGoal;

enum TParamKind : uint8_t {
  pkProperty = 0,    // e.g. "Size"
  pkVariable = 1,    // e.g. "Health", "Angle", velocities, limiters
  pkPositional = 2,  // "PosX", "PosY": quantised into cells to tell futures apart
  pkFree = 3,        // the controls and their "_LimPush" companions
};

// One named parameter: a plain record, held by value in its state's flat list.
struct TStateParam {
  std::string Name;          // trimmed and upper-cased
  TState* Owner = nullptr;   // the state holding it (not owned)
  double Value = 0;
  double StartValue = 0;     // value at the start of the current sub-step
  int32_t StoredValue = 0;   // saved value in thousandths (saturated)
  double KeptValue = 0;      // a further copy (the 2D body's last pose clear of walls)
  TParamKind Kind = pkProperty;
  double Maximum = 0;        // bounds clamp only when Maximum > Minimum
  double Minimum = 0;
  bool Gaussian = true;      // Randomize draws normal (true) or uniform numbers
  int32_t LimiterIndex = -1;  // index in the owner of the "_Limiter" companion
  int32_t LimPushIndex = -1;  // index in the owner of the "_LimPush" companion
  double CellSize = 0;       // quantisation step of a positional parameter; 0 = integers
  bool CellValid = false;    // cache of GetCell
  int32_t Cell = 0;

  static TStateParam Create(TState* owner, double cellSize, double minimum, double maximum,
                            double value, TParamKind kind, std::string_view name);
  static TStateParam CreatePlain(TState* owner, double minimum, double maximum, double value,
                                 std::string_view name);
  static TStateParam CreateBounded(TState* owner, double minimum, double maximum, double value,
                                   std::string_view name);
  static TStateParam CreatePositional(TState* owner, double cellSize, double value,
                                      std::string_view name);
  static TStateParam CreateFree(TState* owner, double range, std::string_view name);
  static TStateParam CreateEmpty();

  // Clamps to the bounds when Maximum > Minimum. A NaN never enters: it leaves the
  // value unchanged; an infinity is clamped when bounded and otherwise ignored.
  void SetValue(double x) {
    const bool bounded = Maximum > Minimum;
    if (x != x) return;  // NaN
    if (!bounded) {
      if (x - x != 0) return;  // infinity
      Value = x;
    } else {
      Value = x < Minimum ? Minimum : (x > Maximum ? Maximum : x);
    }
    CellValid = false;
  }
  int32_t GetCell();
  void StoreValue();
  double GetStoredValue() const { return StoredValue / 1000.0; }
  void SetName(std::string_view name);
  void Assign(const TStateParam& source);
  void KeepValue() { KeptValue = Value; }

  bool IsFree() const { return Kind == pkFree; }
  bool IsPositional() const { return Kind == pkPositional; }
  bool HasLimiter() const { return LimiterIndex != -1; }
  TStateParam* GetLimiter() const;
  TStateParam* GetLimPush() const;
  // Maximum, scaled by the limiter's value when there is a limiter.
  double GetRange() const;
  // Sets the value to +range (returns 0) or -range (returns 1), at random.
  int PushToExtreme();
  void Randomize();
};

class TState {
 public:
  explicit TState(TPlayer* player);
  TState(const TState&) = delete;
  TState& operator=(const TState&) = delete;

  TPlayer* Player;
  std::vector<TStateParam> Params;      // all parameters, in order of addition
  std::vector<int32_t> FreeParams;      // indices of the kind-3 parameters, in order
  std::vector<int32_t> PositionalParams;  // indices of the kind-2 parameters
  int32_t OptionIndex = 0;   // index in FreeParams of the pushed parameter
  int32_t Direction = 0;     // 0 = pushed to +range, 1 = to -range
  int32_t OptionCode = 0;    // 2 x OptionIndex + Direction
  bool LimiterOption = false;  // the pushed parameter is a "_LimPush" companion
  bool Gaussian = true;
  double Gain = 0;
  double Weight = 1;
  double GainSquares = 0;    // per-sub-step accumulators fed by the goals
  double GainFactor = 1;
  double WeightFactor = 1;
  int64_t ElapsedMs = 0;     // simulated ms since the future started

  // Appends a parameter (and, for a free one, its two companions); returns its index.
  int32_t AddParam(TStateParam param);
  TStateParam& GetParam(int32_t i);
  const TStateParam& GetParam(int32_t i) const;
  TStateParam& GetFreeParam(int32_t i);
  TStateParam& GetPositionalParam(int32_t i);
  int32_t ParamCount() const { return static_cast<int32_t>(Params.size()); }
  int32_t FreeParamCount() const { return static_cast<int32_t>(FreeParams.size()); }
  int32_t PositionalParamCount() const { return static_cast<int32_t>(PositionalParams.size()); }
  bool HasFreeParams() const { return !FreeParams.empty(); }
  int32_t IndexOfParam(std::string_view name) const;
  TStateParam& ParamByName(std::string_view name) { return GetParam(IndexOfParam(name)); }

  // Makes this state a copy of the source; reuses its storage when the layouts match.
  void Assign(const TState& source);
  void MarkStartValues();
  void StoreValues();
  void RestoreStoredValues();
  void ChooseRandomOption();
  void RandomizeFreeParams();
  void SetGaussian(bool flag);

  // 1 when the player holds no goals (a goal-less player counts distinct futures).
  double GetScore() const;
  double GetRawScore() const { return Gain * Weight; }
  void SetScore(double gain, double weight) { Gain = gain; Weight = weight; }
  void CopyScore(const TState& source) { Gain = source.Gain; Weight = source.Weight; }
  void ResetScore();
  void ResetStepAccumulators();

  // Folds one goal's sub-step into the accumulators.
  void ApplyGoal(const TGoal& goal);
  // Closes the sub-step: gain and weight, then the player's trace drawing.
  void EndStep();

  bool SameOption(const TState& other) const { return OptionCode == other.OptionCode; }
  bool SameCell(TState& other);
};

}  // namespace vorlanth
