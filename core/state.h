#pragma once
// A player's state: an ordered list of named real parameters plus the score of
// the future the state describes. The same class is the present state, the
// working copy run forward in a future, and the records kept by the futures list.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vorlanth {

class TPlayer;
class TState;
struct TRandomStream;
class TGoal;

enum TParamKind : uint8_t {
  pkProperty = 0,    // e.g. "Size"
  pkVariable = 1,    // e.g. "Health", "Angle", velocities, limiters
  pkPositional = 2,  // "PosX", "PosY": quantised into cells to tell futures apart
  pkFree = 3,        // the controls and their "_LimPush" companions
};

// What describes one parameter: the same in every state of a player.
struct TParamInfo {
  std::string Name;           // trimmed and upper-cased
  TParamKind Kind = pkProperty;
  double Maximum = 0;         // bounds clamp only when Maximum > Minimum
  double Minimum = 0;
  // Set by TState::AddParam only (its layout's LimiterLinks follow them).
  int32_t LimiterIndex = -1;  // index of the "_Limiter" companion, -1 when none
  int32_t LimPushIndex = -1;  // index of the "_LimPush" companion, -1 when none
};

// The description of a player's parameters, in order of addition, with the
// indices of its free and positional ones. A player builds it once, as it
// creates its parameters, and its states share it: copying a state copies
// values only.
struct TStateLayout {
  // A control's limiter and the "_LimPush" companion that drives it.
  struct TLimiterLink {
    int32_t Limiter = -1;
    int32_t Push = -1;
  };
  std::vector<TParamInfo> Params;
  std::vector<int32_t> FreeParams;        // kind 3, in order; each control followed by its "_LimPush"
  std::vector<int32_t> PositionalParams;  // kind 2, in order
  // One per control, in order: the LimiterIndex and LimPushIndex that AddParam
  // gave it (they are set there only), for the sub-step's limiter loop.
  std::vector<TLimiterLink> LimiterLinks;
};

// A parameter to add to a state: its description and its first value, as the
// Create... factories make it.
struct TNewParam {
  TParamInfo Info;
  double Value = 0;     // clamped to the bounds when added; StartValue and KeptValue take it as is
  double CellSize = 0;  // quantisation step of a positional parameter; 0 = integers
};

// The values of one parameter in one state: a plain record, so that a state's
// values copy as one block. What describes it is shared (Info).
struct TStateParam {
  const TParamInfo* Info = nullptr;  // in the owner's layout
  TState* Owner = nullptr;           // the state holding it (not owned)
  double Value = 0;
  double StartValue = 0;     // value at the start of the current sub-step
  double KeptValue = 0;      // a further copy (the 2D body's last pose clear of walls)
  double CellSize = 0;       // quantisation step of a positional parameter; 0 = integers
  int32_t StoredValue = 0;   // saved value in thousandths (saturated)
  int32_t Cell = 0;          // cache of GetCell, valid while CellValid
  bool CellValid = false;
  bool Gaussian = true;      // Randomize draws normal (true) or uniform numbers

  static TNewParam Create(TState* owner, double cellSize, double minimum, double maximum,
                           double value, TParamKind kind, std::string_view name);
  static TNewParam CreatePlain(TState* owner, double minimum, double maximum, double value,
                                std::string_view name);
  static TNewParam CreateBounded(TState* owner, double minimum, double maximum, double value,
                                  std::string_view name);
  static TNewParam CreatePositional(TState* owner, double cellSize, double value,
                                     std::string_view name);
  static TNewParam CreateFree(TState* owner, double range, std::string_view name);
  static TNewParam CreateEmpty();

  const std::string& Name() const { return Info->Name; }
  TParamKind Kind() const { return Info->Kind; }
  double Maximum() const { return Info->Maximum; }
  double Minimum() const { return Info->Minimum; }
  int32_t LimiterIndex() const { return Info->LimiterIndex; }
  int32_t LimPushIndex() const { return Info->LimPushIndex; }

  // Clamps to the bounds when Maximum > Minimum. A NaN never enters: it leaves the
  // value unchanged; an infinity is clamped when bounded and otherwise ignored.
  void SetValue(double x) {
    const double minimum = Info->Minimum;
    const double maximum = Info->Maximum;
    if (maximum > minimum) {
      // x below the minimum gives the minimum, above the maximum the maximum.
      if (x >= minimum) {
        Value = std::min(x, maximum);
      } else {
        if (x != x) return;  // NaN
        Value = minimum;
      }
    } else {
      // One test for both: the size of NaN compares with nothing, an infinity's is
      // beyond the largest number.
      if (!(std::fabs(x) <= std::numeric_limits<double>::max())) return;
      Value = x;
    }
    CellValid = false;
  }
  int32_t GetCell();
  void StoreValue();
  double GetStoredValue() const { return StoredValue / 1000.0; }
  void KeepValue() { KeptValue = Value; }

  bool IsFree() const { return Info->Kind == pkFree; }
  bool IsPositional() const { return Info->Kind == pkPositional; }
  bool HasLimiter() const { return Info->LimiterIndex != -1; }
  TStateParam* GetLimiter() const;
  TStateParam* GetLimPush() const;
  // Maximum, scaled by the limiter's value when there is a limiter.
  double GetRange() const;
  // Sets the value to +range (returns 0) or -range (returns 1), at random.
  int PushToExtreme(TRandomStream& random);
  void Randomize(TRandomStream& random);
};

class TState {
 public:
  explicit TState(TPlayer* player);
  TState(const TState&) = delete;
  // Assigning a state is Assign: the values travel, the player stays.
  TState& operator=(const TState& source) {
    Assign(source);
    return *this;
  }

  TPlayer* Player;
  std::shared_ptr<TStateLayout> Layout;  // what describes the parameters (shared)
  std::vector<TStateParam> Params;       // their values, in order of addition
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
  int32_t AddParam(const TNewParam& param);
  // The description of parameter i, to change it (bounds); this state's own from then on.
  TParamInfo& MutableInfo(int32_t i);
  const std::vector<int32_t>& FreeParams() const { return Layout->FreeParams; }
  const std::vector<int32_t>& PositionalParams() const { return Layout->PositionalParams; }
  TStateParam& GetParam(int32_t i);
  const TStateParam& GetParam(int32_t i) const;
  TStateParam& GetFreeParam(int32_t i);
  TStateParam& GetPositionalParam(int32_t i);
  int32_t ParamCount() const { return static_cast<int32_t>(Params.size()); }
  int32_t FreeParamCount() const { return static_cast<int32_t>(Layout->FreeParams.size()); }
  int32_t PositionalParamCount() const {
    return static_cast<int32_t>(Layout->PositionalParams.size());
  }
  bool HasFreeParams() const { return !Layout->FreeParams.empty(); }
  int32_t IndexOfParam(std::string_view name) const;
  TStateParam& ParamByName(std::string_view name) { return GetParam(IndexOfParam(name)); }

  // Makes this state a copy of the source: it shares the source's layout and
  // copies its values as one block (reusing its storage when the counts match).
  void Assign(const TState& source);
  // The future's accumulators Assign leaves out (each future resets them as it
  // starts), which a present keeps from cycle to cycle: a whole copy of a world
  // takes them too.
  void AssignAccumulators(const TState& source);
  void MarkStartValues();
  void StoreValues();
  void RestoreStoredValues();
  void ChooseRandomOption(TRandomStream& random);
  void RandomizeFreeParams(TRandomStream& random);
  // RandomizeFreeParams for the same state of `count` replicas, each from its own
  // stream (no two the same), in vector lanes where the processor has them:
  // each one's bits as RandomizeFreeParams gives them.
  static void RandomizeFreeParamsSideBySide(TState* const* states, TRandomStream* const* streams, size_t count);
  void SetGaussian(bool flag);

  // 1 when the player holds no goals (a goal-less player counts distinct futures).
  double GetScore() const;
  double GetRawScore() const { return Gain * Weight; }
  void SetScore(double gain, double weight) { Gain = gain; Weight = weight; }
  void CopyScore(const TState& source) { Gain = source.Gain; Weight = source.Weight; }
  void ResetScore();
  void ResetStepAccumulators();

  // Closes the sub-step: gain and weight, then the player's trace drawing.
  void EndStep();

  bool SameOption(const TState& other) const { return OptionCode == other.OptionCode; }
  bool SameCell(TState& other);

 private:
  // Before the layout changes: a layout shared with other states is copied first.
  void OwnLayout();
  // Points every value record at its description (after the layout moved).
  void LinkInfo();
  void AppendParam(const TNewParam& param);
};

}  // namespace vorlanth
