#include "core/futures.h"

#include <algorithm>
#include <cstring>

#include "core/player.h"
#include "core/state.h"

namespace vorlanth {
namespace {

constexpr size_t kInitialIndexSize = 256;
constexpr int32_t kEmptySlot = -1;

}  // namespace

TListOfFutures::~TListOfFutures() = default;

void TListOfFutures::Prepare() {
  Items.clear();
  Cells.clear();
  std::fill(Index.begin(), Index.end(), kEmptySlot);
  for (auto& option : Options) option->ResetScore();
  const size_t needed = 2 * static_cast<size_t>(Player->GetState().FreeParamCount());
  while (Options.size() < needed) Options.push_back(std::make_unique<TState>(Player));
}

void TListOfFutures::Forget() {
  Items.clear();
  Cells.clear();
  std::fill(Index.begin(), Index.end(), kEmptySlot);
  Options.clear();
}

uint64_t TListOfFutures::KeyHash(int32_t optionCode, const int32_t* cells, int32_t count) {
  uint64_t h = 0x9E3779B97F4A7C15ull ^ static_cast<uint32_t>(optionCode);
  for (int32_t i = 0; i < count; ++i) {
    h ^= static_cast<uint32_t>(cells[i]);
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 29;
  }
  return h;
}

bool TListOfFutures::SameKey(const TFuture& item, int32_t optionCode, const int32_t* cells) const {
  // A player without positional parameters has no cells (and no storage for them).
  return item.OptionCode == optionCode &&
         (CellsPerItem == 0 ||
          std::memcmp(item.Cells.data(), cells, sizeof(int32_t) * static_cast<size_t>(CellsPerItem)) == 0);
}

double TListOfFutures::GetScore(const TFuture& future) const {
  return Player->HasNoGoals() ? 1.0 : future.GetRawScore();
}

void TListOfFutures::AddFuture(TState& state) {
  TFuture future;
  future.OptionIndex = state.OptionIndex;
  future.Direction = state.Direction;
  future.OptionCode = state.OptionCode;
  future.LimiterOption = state.LimiterOption;
  future.Gain = state.Gain;
  future.Weight = state.Weight;
  const int32_t count = state.PositionalParamCount();
  if (Logging) {
    LoggedCellsPerItem = count;
    Logged.push_back(future);
    LoggedScores.push_back(state.GetScore());
    for (int32_t i = 0; i < count; ++i) LoggedCells.push_back(state.GetPositionalParam(i).GetCell());
    return;
  }
  StateCells.resize(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i)
    StateCells[static_cast<size_t>(i)] = state.GetPositionalParam(i).GetCell();
  Record(future, state.GetScore(), StateCells.data(), count);
}

void TListOfFutures::ClearLog() {
  Logged.clear();
  LoggedScores.clear();
  LoggedCells.clear();
}

void TListOfFutures::ReserveLog(size_t futures, int32_t cellsPerFuture) {
  Logged.reserve(futures);
  LoggedScores.reserve(futures);
  LoggedCells.reserve(futures * static_cast<size_t>(std::max(cellsPerFuture, 0)));
}

void TListOfFutures::AddLogged(const TListOfFutures& log, int32_t k) {
  const auto i = static_cast<size_t>(k);
  const size_t stride = static_cast<size_t>(log.LoggedCellsPerItem);
  Record(log.Logged[i], log.LoggedScores[i], log.LoggedCells.data() + i * stride,
         log.LoggedCellsPerItem);
}

void TListOfFutures::Record(const TFuture& future, double score, const int32_t* futureCells,
                            int32_t cellCount) {
  // Every future of a player has the same positional parameters: the first future
  // of the cycle sets their number.
  if (Items.empty()) CellsPerItem = cellCount;
  KeyCells.resize(static_cast<size_t>(CellsPerItem));
  int32_t* cells = KeyCells.data();
  for (int32_t i = 0; i < CellsPerItem; ++i) cells[i] = i < cellCount ? futureCells[i] : 0;

  if (Index.empty()) Index.assign(kInitialIndexSize, kEmptySlot);
  const size_t mask = Index.size() - 1;
  size_t slot = KeyHash(future.OptionCode, cells, CellsPerItem) & mask;
  for (; Index[slot] != kEmptySlot; slot = (slot + 1) & mask) {
    TFuture& item = Items[static_cast<size_t>(Index[slot])];
    if (!SameKey(item, future.OptionCode, cells)) continue;
    if (score > GetScore(item)) {
      item.Gain = future.Gain;
      item.Weight = future.Weight;
    }
    return;
  }

  const int32_t number = FutureCount();
  Index[slot] = number;
  const int32_t* before = Cells.data();
  Cells.insert(Cells.end(), cells, cells + CellsPerItem);
  Items.push_back(future);
  if (Cells.data() != before) {
    RelinkCells();
  } else {
    Items.back().Cells = {Cells.data() + static_cast<size_t>(number) * CellsPerItem,
                          static_cast<size_t>(CellsPerItem)};
  }
  // Kept at most half full, so that probes stay short.
  if (2 * Items.size() > Index.size()) GrowIndex();
}

void TListOfFutures::RelinkCells() {
  for (size_t i = 0; i < Items.size(); ++i)
    Items[i].Cells = {Cells.data() + i * static_cast<size_t>(CellsPerItem),
                      static_cast<size_t>(CellsPerItem)};
}

void TListOfFutures::GrowIndex() {
  Index.assign(2 * Index.size(), kEmptySlot);
  const size_t mask = Index.size() - 1;
  for (size_t i = 0; i < Items.size(); ++i) {
    const TFuture& item = Items[i];
    size_t slot = KeyHash(item.OptionCode, item.Cells.data(), CellsPerItem) & mask;
    while (Index[slot] != kEmptySlot) slot = (slot + 1) & mask;
    Index[slot] = static_cast<int32_t>(i);
  }
}

void TListOfFutures::Decide(TState& state) {
  // A player created after this cycle's Prepare has no accumulators for its
  // options: it keeps its controls until its first full cycle.
  if (!IsPreparedFor(state)) return;
  SumOptionScores();
  SubtractMinimum();
  Normalize();
  ApplyToControls(state);
}

bool TListOfFutures::IsPreparedFor(const TState& state) const {
  return Options.size() >= 2 * static_cast<size_t>(state.FreeParamCount());
}

void TListOfFutures::SumOptionScores() {
  for (const TFuture& item : Items) {
    if (item.OptionCode < 0 || item.OptionCode >= OptionCount()) continue;
    TState& option = *Options[static_cast<size_t>(item.OptionCode)];
    option.SetScore(option.GetRawScore() + GetScore(item), 1);
  }
}

void TListOfFutures::SubtractMinimum() {
  if (Options.empty()) return;
  double minimum = Options.front()->GetRawScore();
  for (const auto& option : Options) minimum = std::min(minimum, option->GetRawScore());
  const double shift = minimum * Player->Determination;
  for (auto& option : Options) option->SetScore(option->GetRawScore() - shift, 1);
}

void TListOfFutures::Normalize() {
  if (Options.empty()) return;
  double total = 0;
  for (const auto& option : Options) total += option->GetRawScore();
  if (!(total > 0)) return;
  for (auto& option : Options) option->SetScore(option->GetRawScore() / total, 1);
}

void TListOfFutures::ApplyToControls(TState& state) {
  for (int32_t i = 0; i < state.FreeParamCount(); ++i) {
    const double up = Options[static_cast<size_t>(2 * i)]->GetRawScore();
    const double down = Options[static_cast<size_t>(2 * i + 1)]->GetRawScore();
    TStateParam& control = state.GetFreeParam(i);
    control.SetValue((up - down) * control.GetRange());
  }
}

void TListOfFutures::DrawFutures() {
  for (const TFuture& item : Items) Player->DrawEndingPoint(item);
  Player->UpdateDrawScale();
}

}  // namespace vorlanth
