#include "core/futures.h"

#include <algorithm>

#include "core/player.h"
#include "core/state.h"

namespace vorlanth {

TListOfFutures::~TListOfFutures() = default;

void TListOfFutures::Prepare() {
  ItemCount = 0;
  for (auto& option : Options) option->ResetScore();
  const size_t needed = 2 * static_cast<size_t>(Player->GetState().FreeParamCount());
  while (Options.size() < needed) Options.push_back(std::make_unique<TState>(Player));
}

void TListOfFutures::AddFuture(TState& state) {
  for (int32_t i = 0; i < ItemCount; ++i) {
    TState& item = *Items[static_cast<size_t>(i)];
    if (state.SameOption(item) && state.SameCell(item)) {
      if (state.GetScore() > item.GetScore()) item.CopyScore(state);
      return;
    }
  }
  if (static_cast<size_t>(ItemCount) == Items.size()) Items.push_back(std::make_unique<TState>(Player));
  Items[static_cast<size_t>(ItemCount)]->Assign(state);
  ++ItemCount;
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
  for (int32_t i = 0; i < ItemCount; ++i) {
    const TState& item = *Items[static_cast<size_t>(i)];
    if (item.OptionCode < 0 || item.OptionCode >= OptionCount()) continue;
    TState& option = *Options[static_cast<size_t>(item.OptionCode)];
    option.SetScore(option.GetRawScore() + item.GetScore(), 1);
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
  for (int32_t i = 0; i < ItemCount; ++i) Player->DrawEndingPoint(*Items[static_cast<size_t>(i)]);
  Player->UpdateDrawScale();
}

}  // namespace vorlanth
