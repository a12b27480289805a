#include "app/player_history.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <string_view>

#include "bench/player_reading.h"
#include "core/goal.h"
#include "core/player.h"
#include "core/state.h"
#include "core/track.h"

namespace vorlanth {

namespace {

constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
constexpr std::string_view kLimPushSuffix = "_LIMPUSH";

bool IsLimPush(const TStateParam& param) { return param.Name().ends_with(kLimPushSuffix); }

}  // namespace

TPlayerHistory::TPlayerHistory() : ring_(HistoryLength) {}

void TPlayerHistory::Clear() {
  first_ = 0;
  count_ = 0;
  ++version_;
}

void TPlayerHistory::KeepUpTo(int64_t cycle) {
  while (count_ > 0 && Last().Cycle > cycle) --count_;
  ++version_;
}

const TPlotSample& TPlayerHistory::At(int32_t i) const {
  return ring_[static_cast<size_t>((first_ + i) % HistoryLength)];
}

int32_t TPlayerHistory::LineOf(const std::string& name, int32_t occurrence, bool teamGoal) {
  for (size_t i = 0; i < goalLines_.size(); ++i) {
    const TGoalLine& line = goalLines_[i];
    if (line.Occurrence == occurrence && line.TeamGoal == teamGoal && line.Name == name)
      return static_cast<int32_t>(i);
  }
  if (goalLines_.size() >= static_cast<size_t>(TPlotSample::MaxGoals)) return -1;
  goalLines_.push_back({name, occurrence, teamGoal, false});
  return static_cast<int32_t>(goalLines_.size()) - 1;
}

void TPlayerHistory::Record(TPlayer& player, int64_t cycle, int64_t passes, double cycleMs) {
  // The slot of the new sample: past the newest, or over the oldest when full.
  int32_t slot = 0;
  if (count_ < HistoryLength) {
    slot = (first_ + count_) % HistoryLength;
    ++count_;
  } else {
    slot = first_;
    first_ = (first_ + 1) % HistoryLength;
  }
  TPlotSample& s = ring_[static_cast<size_t>(slot)];
  TState& present = *player.Present;

  s.Cycle = cycle;
  s.CycleMs = cycleMs;
  s.Futures = static_cast<double>(passes);
  s.DistinctFutures = player.Futures->FutureCount();
  s.Energy = present.GetParam(player.EnergyIndex).Value;
  s.Health = present.GetParam(player.HealthIndex).Value;
  s.Speed = BodySpeed(player);

  s.GoalValues.fill(kNone);
  s.GoalFeelings.fill(kNone);
  ForEachGoalReading(player, [&](const TGoalReading& reading) {
    const int32_t line = LineOf(reading.Goal->Name, reading.Occurrence, reading.TeamGoal);
    if (line < 0) return;
    const auto i = static_cast<size_t>(line);
    s.GoalValues[i] = reading.Value;
    if (reading.HasReaction) {
      s.GoalFeelings[i] = reading.Feeling;
      goalLines_[i].HasReaction = true;
    }
  });

  // Controls and the support of every option in the decision just taken.
  const int32_t freeCount = present.FreeParamCount();
  if (optionNames_.size() != static_cast<size_t>(2 * freeCount)) {
    controlNames_.clear();
    optionNames_.clear();
    for (int32_t f = 0; f < freeCount; ++f) {
      const TStateParam& param = present.GetFreeParam(f);
      if (!IsLimPush(param)) controlNames_.push_back(param.Name());
      optionNames_.push_back(param.Name() + "+");
      optionNames_.push_back(param.Name() + "-");
    }
  }
  s.Controls.fill(kNone);
  size_t control = 0;
  for (int32_t f = 0; f < freeCount && control < s.Controls.size(); ++f) {
    const TStateParam& param = present.GetFreeParam(f);
    if (!IsLimPush(param)) s.Controls[control++] = param.Value;
  }
  support_.assign(static_cast<size_t>(2 * freeCount), 0.0);
  const int32_t options = std::min(player.Futures->OptionCount(), 2 * freeCount);
  for (int32_t o = 0; o < options; ++o) support_[static_cast<size_t>(o)] = player.Futures->GetOption(o).GetRawScore();
  ++version_;
}

size_t TPlayerHistory::Bytes() const {
  size_t bytes = sizeof(*this) + ring_.capacity() * sizeof(TPlotSample);
  for (const TGoalLine& line : goalLines_) bytes += sizeof(line) + line.Name.capacity();
  for (const std::string& name : controlNames_) bytes += sizeof(name) + name.capacity();
  for (const std::string& name : optionNames_) bytes += sizeof(name) + name.capacity();
  return bytes + support_.capacity() * sizeof(double);
}

void TPlotHistory::RecordCycle(TTrack& track, int64_t cycle, double cycleMs) {
  const auto start = std::chrono::steady_clock::now();
  for (TPlayer* player : track.Players) {
    TEntry& entry = histories_[player];
    if (!entry.History || entry.Serial != player->Serial) {
      entry.Serial = player->Serial;
      entry.History = std::make_unique<TPlayerHistory>();
    }
    entry.History->Record(*player, cycle, track.LastPassCount, cycleMs);
  }
  ++version_;
  lastRecordMs_ = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

const TPlayerHistory* TPlotHistory::Of(const TPlayer* player) const {
  const auto found = histories_.find(player);
  return found == histories_.end() ? nullptr : found->second.History.get();
}

void TPlotHistory::Forget(const TPlayer* player) {
  if (histories_.erase(player) > 0) ++version_;
}

void TPlotHistory::KeepOnly(const TTrack& track) {
  const size_t before = histories_.size();
  // A player on the track is alive: its serial may be read.
  std::erase_if(histories_, [&track](const auto& entry) {
    const auto at = std::find(track.Players.begin(), track.Players.end(), entry.first);
    return at == track.Players.end() || (*at)->Serial != entry.second.Serial;
  });
  if (histories_.size() != before) ++version_;
}

void TPlotHistory::Clear() {
  histories_.clear();
  ++version_;
}

void TPlotHistory::Adopt(const TPlotHistory& from, const std::vector<TPlayer*>& players, int64_t cycle) {
  std::unordered_map<uint32_t, const TPlayerHistory*> bySerial;
  for (const auto& [player, entry] : from.histories_) bySerial.emplace(entry.Serial, entry.History.get());
  histories_.clear();
  for (const TPlayer* player : players) {
    const auto found = bySerial.find(player->Serial);
    if (found == bySerial.end()) continue;
    auto history = std::make_unique<TPlayerHistory>(*found->second);
    history->KeepUpTo(cycle);
    histories_[player] = {player->Serial, std::move(history)};
  }
  ++version_;
}

size_t TPlotHistory::Bytes() const {
  size_t bytes = sizeof(*this);
  for (const auto& [player, entry] : histories_) bytes += entry.History->Bytes();
  return bytes;
}

}  // namespace vorlanth
