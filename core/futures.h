#pragma once
// A player's recorded futures of the current cycle and its option accumulators,
// and the decision that turns them into control values.

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace vorlanth {

class TPlayer;
class TState;

// A recorded future: what the decision and the drawing of its ending point need,
// not the whole state it ended in.
struct TFuture {
  int32_t OptionIndex = 0;     // the free parameter pushed in the first sub-step
  int32_t Direction = 0;       // 0 = pushed to +range, 1 = to -range
  int32_t OptionCode = 0;      // 2 x OptionIndex + Direction
  bool LimiterOption = false;  // the pushed parameter is a "_LimPush" companion
  double Gain = 0;             // the best score reached in this (option, cell)
  double Weight = 1;
  std::span<const int32_t> Cells;  // end cell of each positional parameter, in order

  double GetRawScore() const { return Gain * Weight; }
};

class TListOfFutures {
 public:
  explicit TListOfFutures(TPlayer* player) : Player(player) {}
  TListOfFutures(const TListOfFutures&) = delete;
  TListOfFutures& operator=(const TListOfFutures&) = delete;
  ~TListOfFutures();

  TPlayer* Player;  // the owner

  // Empties the recorded futures and readies one accumulator per option.
  void Prepare();
  // Drops the recorded futures and the accumulators: until the next Prepare the
  // player decides nothing, as one just created (a player put back into the team
  // mid-cycle; what it recorded before it left belongs to another world).
  void Forget();
  // Records a finished future: merged into the item of the same option and end
  // cell (best score kept; equal scores keep the first), or appended. A logging
  // list keeps it as it came instead.
  void AddFuture(TState& state);

  // A replica's list logs its finished futures, in the order they came, for the
  // main list to record in pass order (AddLogged); it records nothing itself.
  bool Logging = false;
  void ClearLog();
  // Room for this many logged futures, so that logging them allocates nothing.
  void ReserveLog(size_t futures, int32_t cellsPerFuture);
  int32_t LoggedCount() const { return static_cast<int32_t>(Logged.size()); }
  // Records the k-th future logged by another list of the same kind of player,
  // exactly as AddFuture would have recorded it.
  void AddLogged(const TListOfFutures& log, int32_t k);
  // Sets the free parameters of the given (present) state from the option scores.
  // Leaves them unchanged when the accumulators are missing (a player created
  // after this cycle's Prepare).
  void Decide(TState& state);

  const TFuture& GetFuture(int32_t i) const { return Items[static_cast<size_t>(i)]; }
  int32_t FutureCount() const { return static_cast<int32_t>(Items.size()); }
  // 1 for a player without goals (it counts distinct futures), else Gain x Weight.
  double GetScore(const TFuture& future) const;
  TState& GetOption(int32_t i) { return *Options[static_cast<size_t>(i)]; }
  int32_t OptionCount() const { return static_cast<int32_t>(Options.size()); }
  void DrawFutures();
  // Whether Prepare has readied an accumulator for every option of the state.
  bool IsPreparedFor(const TState& state) const;

  // The steps of Decide, public so that each can be checked on its own.
  void SumOptionScores();
  void SubtractMinimum();
  void Normalize();
  void ApplyToControls(TState& state);

 private:
  // Items, their end cells (CellsPerItem per item) and an open-addressing index
  // of (option, cells) -> item keep their storage from cycle to cycle: recording
  // allocates only when a cycle has more distinct futures than any before.
  std::vector<TFuture> Items;
  std::vector<int32_t> Cells;
  int32_t CellsPerItem = 0;
  std::vector<int32_t> Index;  // item number, or -1 for an empty slot; size a power of 2
  std::vector<int32_t> KeyCells;  // the end cells of the future being recorded
  std::vector<int32_t> StateCells;  // the end cells read from a finished state
  std::vector<std::unique_ptr<TState>> Options;  // one per option code; never shrinks

  // The log: futures (their Cells left empty), their scores and end cells.
  std::vector<TFuture> Logged;
  std::vector<double> LoggedScores;
  std::vector<int32_t> LoggedCells;
  int32_t LoggedCellsPerItem = 0;

  void Record(const TFuture& future, double score, const int32_t* cells, int32_t cellCount);
  static uint64_t KeyHash(int32_t optionCode, const int32_t* cells, int32_t count);
  bool SameKey(const TFuture& item, int32_t optionCode, const int32_t* cells) const;
  void GrowIndex();
  void RelinkCells();
};

}  // namespace vorlanth
