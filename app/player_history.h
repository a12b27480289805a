#pragma once
// What the plots show: for every player, its last HistoryLength cycles (one
// simulated minute) in a ring of fixed size, recorded after every cycle whether
// the plots are shown or not. Each player's history is freed with the player.
//
// Recording allocates nothing once a player's goals and controls have been seen:
// the ring is allocated whole when the player is first recorded, and a goal
// takes a line of its own the first time its name appears.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace vorlanth {

class TPlayer;
class TTrack;

// One cycle of one player. Lines without a value at that cycle (a goal not held
// then, a feeling without reaction time, a control the body lacks) hold NaN.
struct TPlotSample {
  static constexpr int32_t MaxGoals = 12;     // goal lines per player; later goals are not plotted
  static constexpr int32_t MaxControls = 8;   // control lines per player

  int64_t Cycle = 0;          // the window's cycle number
  double Energy = 0;          // 0..100
  double Health = 0;          // 0..100
  double Speed = 0;           // pixels/s
  double Futures = 0;         // passes of futures run in the cycle
  double DistinctFutures = 0; // of them, the player's distinct ones
  double CycleMs = 0;         // wall-clock time of the whole cycle
  std::array<double, MaxGoals> GoalValues{};
  std::array<double, MaxGoals> GoalFeelings{};
  std::array<double, MaxControls> Controls{};
};

// A goal line: which goal of the player it follows.
struct TGoalLine {
  std::string Name;
  int32_t Occurrence = 1;  // the n-th goal of that name
  bool TeamGoal = false;
  bool HasReaction = false;  // its feeling was plotted at least once
};

class TPlayerHistory {
 public:
  static constexpr int32_t HistoryLength = 600;  // cycles kept: one simulated minute

  TPlayerHistory();

  // Appends the player's present after a cycle; the oldest sample goes when full.
  void Record(TPlayer& player, int64_t cycle, int64_t passes, double cycleMs);
  void Clear();
  // Forgets the samples after `cycle` (a past cycle shown, or continued from).
  void KeepUpTo(int64_t cycle);

  int32_t Count() const { return count_; }
  // Sample i, 0 being the oldest kept.
  const TPlotSample& At(int32_t i) const;
  const TPlotSample& Last() const { return At(count_ - 1); }
  const std::vector<TGoalLine>& GoalLines() const { return goalLines_; }
  // The controls' names (the even free parameters; odd ones are "_LimPush" companions).
  const std::vector<std::string>& ControlNames() const { return controlNames_; }
  // The support each option received in the last decision: option 2i is free
  // parameter i pushed up, 2i + 1 pushed down (normalised scores).
  const std::vector<double>& Support() const { return support_; }
  const std::vector<std::string>& OptionNames() const { return optionNames_; }
  // Grows with every change, so a view can tell it has something new to show.
  uint64_t Version() const { return version_; }
  // Bytes held, for the checks that memory stays bounded.
  size_t Bytes() const;

 private:
  int32_t LineOf(const std::string& name, int32_t occurrence, bool teamGoal);

  std::vector<TPlotSample> ring_;  // HistoryLength samples, allocated once
  int32_t first_ = 0;              // index in ring_ of the oldest sample
  int32_t count_ = 0;
  std::vector<TGoalLine> goalLines_;
  std::vector<std::string> controlNames_;
  std::vector<double> support_;
  std::vector<std::string> optionNames_;
  uint64_t version_ = 0;
};

// The histories of all players, keyed by the player.
class TPlotHistory {
 public:
  // Records every player of the track after a cycle.
  void RecordCycle(TTrack& track, int64_t cycle, double cycleMs);
  // The player's history, or nullptr when nothing was recorded for it.
  const TPlayerHistory* Of(const TPlayer* player) const;
  // Frees the player's history (the player is leaving).
  void Forget(const TPlayer* player);
  // Frees the histories of players no longer on the track (after a command).
  void KeepOnly(const TTrack& track);
  // Empties every history (Reset).
  void Clear();
  // The histories of `from` up to `cycle`, each under the player given of the
  // same serial (a past cycle shown, or a world continued from it).
  void Adopt(const TPlotHistory& from, const std::vector<TPlayer*>& players, int64_t cycle);
  size_t PlayerCount() const { return histories_.size(); }
  size_t Bytes() const;
  // Grows with every recording and clearing.
  uint64_t Version() const { return version_; }
  // What recording every player took after the last cycle, in ms.
  double LastRecordMs() const { return lastRecordMs_; }

 private:
  // Keyed by the player; the serial tells a new player at a freed one's address.
  struct TEntry {
    uint32_t Serial = 0;
    std::unique_ptr<TPlayerHistory> History;
  };
  std::unordered_map<const TPlayer*, TEntry> histories_;
  uint64_t version_ = 0;
  double lastRecordMs_ = 0;
};

}  // namespace vorlanth
