#pragma once
// A player's recorded futures of the current cycle and its option accumulators,
// and the decision that turns them into control values.

#include <cstdint>
#include <memory>
#include <vector>

namespace vorlanth {

class TPlayer;
class TState;

class TListOfFutures {
 public:
  explicit TListOfFutures(TPlayer* player) : Player(player) {}
  TListOfFutures(const TListOfFutures&) = delete;
  TListOfFutures& operator=(const TListOfFutures&) = delete;
  ~TListOfFutures();

  TPlayer* Player;  // the owner

  // Empties the recorded futures and readies one accumulator per option.
  void Prepare();
  // Records a finished future: merged into the first item of the same option and
  // end cell (best score kept), or appended as a copy.
  void AddFuture(TState& state);
  // Sets the free parameters of the given (present) state from the option scores.
  // Leaves them unchanged when the accumulators are missing (a player created
  // after this cycle's Prepare).
  void Decide(TState& state);

  TState& GetFuture(int32_t i) { return *Items[static_cast<size_t>(i)]; }
  int32_t FutureCount() const { return ItemCount; }
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
  // Recorded futures are the first ItemCount entries; the rest are kept for reuse,
  // so recording reuses the storage of earlier cycles.
  std::vector<std::unique_ptr<TState>> Items;
  int32_t ItemCount = 0;
  std::vector<std::unique_ptr<TState>> Options;  // one per option code; never shrinks
};

}  // namespace vorlanth
