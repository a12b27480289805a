#include "core/goal.h"

#include <algorithm>
#include <cmath>
#include <typeinfo>

#include "core/elementary.h"
#include "core/player.h"
#include "core/pow_memo.h"
#include "core/random.h"
#include "core/rounding.h"
#include "core/team.h"
#include "core/track.h"

namespace vorlanth {

// ---- TGoal ---------------------------------------------------------------------

TGoal::TGoal(TGoalOwner owner) : Owner(owner) { SetStrength(1); }

// Derive measures; ApplyTo measures and folds into the state in one pass (the tests
// hold it to the bits of Derive followed by the plain goal step).
void TGoal::Derive() {
  GainInput = Value;
  Level = Scale > 0 ? std::max(Value, 0.0) / Scale : 1.0;
  if (ReactionMs <= 0 || StartValue == Value || StartValue == 0) {
    Feeling = 1;
    return;
  }
  Feeling = Value / StartValue;
  if (StartValue > Value && LossFactor < 1) {
    Feeling = Feeling + (1 - Feeling) * (1 - LossFactor);  // the loss is softened
  } else if (StartValue < Value && LossFactor > 1) {
    Feeling = Feeling / LossFactor;
  }
}

void TGoal::SetStrength(double x) { Strength = std::max(std::min(x, MaxStrength), 0.0); }

void TGoal::SetReactionTime(double seconds) { ReactionMs = Round32(seconds * 1000.0); }

void TGoal::Assign(const TGoal& source) {
  SetStrength(source.Strength);
  MaxStrength = source.MaxStrength;
  Scale = source.Scale;
  ReactionMs = source.ReactionMs;
  Urgency = source.Urgency;
}

TPlayer* TGoal::FindPlayer(TRef ref) const {
  if (const TPlayer* player = Owner->Player) return player->Serial == ref.Serial && ref ? Owner->Player : nullptr;
  return Owner->Team ? Owner->Team->FindPlayer(ref) : nullptr;
}

TTeam* TGoal::FindTeam(TRef ref) const {
  TTeam* own = Owner->Team ? Owner->Team : Owner->Player ? Owner->Player->Team.get() : nullptr;
  if (!ref || !own) return nullptr;
  if (own->Serial == ref.Serial) return own;
  return own->Track ? FindByRef(own->Track->Teams, ref) : nullptr;
}

void TGoal::ApplyTo(TPlayer& player) {
  if (!player.HasControls()) return;
  ApplyTo(player, player.GetState(), player.Goals->ShowGoals);
}

namespace {

// The feeling of a goal whose measurement changed over the sub-step (as Derive
// takes it), folded into the weight as the plain goal step does. Apart from the
// common path of ApplyTo, which then keeps fewer registers.
[[gnu::noinline]] void FoldFeeling(TGoal& goal, TState& state) {
  const double value = goal.Value;
  double feeling = value / goal.StartValue;
  if (goal.StartValue > value && goal.LossFactor < 1) {
    feeling = feeling + (1 - feeling) * (1 - goal.LossFactor);
  } else if (goal.StartValue < value && goal.LossFactor > 1) {
    feeling = feeling / goal.LossFactor;
  }
  goal.Feeling = feeling;
  if (feeling != 1 && state.ElapsedMs < goal.ReactionMs) {
    const double f = static_cast<double>(state.ElapsedMs) / goal.ReactionMs;
    state.WeightFactor *= feeling + (1 - feeling) * ThreadPowMemo().Pow(f, goal.Urgency);
  }
}

}  // namespace

void TGoal::ApplyTo(TPlayer& player, TState& state, bool show) {
  Evaluate(player);
  // Derive, then the plain goal step, written as one: the same operations in
  // the same order for each accumulator, but each branch of Derive knows what
  // the goal step will find. A feeling of 1 never touches the weight; an unscaled
  // goal's level is 1, which leaves the gain factor as it is (a product by 1
  // changes no number).
  const double value = Value;
  GainInput = value;
  if (value > 0) state.GainSquares += value * value * Strength;
  if (ReactionMs > 0 && StartValue != value && StartValue != 0) {
    FoldFeeling(*this, state);
  } else {
    Feeling = 1;
  }
  if (Scale > 0) {
    // Value read again, not kept across the call above.
    const double level = std::max(Value, 0.0) / Scale;
    Level = level;
    if (level >= 0) {  // not for NaN
      if (Strength == 1) {
        state.GainFactor *= level;
      } else if (level != 1) {
        state.GainFactor *= elem::Pow(level, Strength);
      }
    }
  } else {
    Level = 1.0;
  }
  if (show) DrawInFuture();
}

// ---- TGoalSet ------------------------------------------------------------------

int32_t TGoalSet::AddGoal(std::unique_ptr<TGoal> goal) {
  Items.push_back(std::move(goal));
  return GoalCount() - 1;
}

void TGoalSet::ResetFuture() {
  for (auto& goal : Items) goal->ResetFuture();
}

void TGoalSet::Evaluate() {
  if (Owner.Player) {
    // What ApplyTo reads of the player is taken once: evaluating a goal measures
    // the player and never switches it between the present and a future nor adds
    // to its parameters, so its state and controls stay for every goal.
    TPlayer& player = *Owner.Player;
    if (!player.HasControls()) return;
    TState& state = player.GetState();
    // Whether the goals draw themselves: no goal's evaluation switches it.
    const bool show = player.Goals->ShowGoals;
    // Indexed walk: a goal may not add or remove goals, but stays safe if it does.
    for (size_t g = 0; g < Items.size(); ++g) Items[g]->ApplyTo(player, state, show);
  } else if (Owner.Team) {
    // The loop's own bound keeps the index within the players.
    const auto& players = Owner.Team->Players;
    for (size_t g = 0; g < Items.size(); ++g)
      for (size_t i = 0; i < players.size() && g < Items.size(); ++i) Items[g]->ApplyTo(*players[i]);
  }
}

void TGoalSet::EvaluateInPresent() {
  if (!Owner.Player) return;
  for (size_t g = 0; g < Items.size(); ++g)
    if (Items[g]->ActsInPresent()) Items[g]->Evaluate(*Owner.Player);
}

void TGoalSet::Draw() {
  if (!ShowGoals) return;
  for (size_t g = 0; g < Items.size(); ++g) Items[g]->Draw();
}

void TGoalSet::ForgetPlayer(const TPlayer* player) {
  for (auto& goal : Items) goal->ForgetPlayer(player);
}

void TGoalSet::CopyParamsFrom(const TGoalSet& other) {
  for (auto& own : Items) {
    for (const auto& source : other.Items) {
      if (typeid(*own) == typeid(*source)) {
        own->Assign(*source);
        break;
      }
    }
  }
}

void TGoalSet::BeforePasses() {
  for (size_t g = 0; g < Items.size(); ++g) Items[g]->BeforePasses();
}

std::unique_ptr<TGoalSet> TGoalSet::Replicate(TGoalOwner owner) const {
  auto replica = std::make_unique<TGoalSet>(owner);
  static_cast<TGoalSetValues&>(*replica) = *this;
  for (const auto& goal : Items) {
    std::unique_ptr<TGoal> copy = goal->Replicate(owner);
    if (!copy) return nullptr;
    replica->Items.push_back(std::move(copy));
  }
  return replica;
}

void TGoalSet::MirrorInto(TGoalSet& replica) const {
  static_cast<TGoalSetValues&>(replica) = *this;
  for (size_t g = 0; g < Items.size(); ++g) Items[g]->MirrorInto(*replica.Items[g]);
}

void TGoalSet::RandomizeStrengths(TRandomStream& random) {
  for (auto& goal : Items) goal->SetStrength((0.1 + 0.8 * Random(random)) * goal->MaxStrength);
}

void TGoalSet::MutateStrengths(TRandomStream& random) {
  const double rate = 0.1;  // fixed mutation rate
  for (auto& goal : Items)
    goal->SetStrength(goal->Strength + goal->MaxStrength * rate * (2 * Random(random) - 1));
}

void TGoalSet::ColorFromGoals() {
  int parts[3];
  for (int k = 0; k < 3; ++k) {
    if (k < GoalCount()) {
      const TGoal& goal = *Items[static_cast<size_t>(k)];
      parts[k] = goal.MaxStrength != 0 ? Round32(goal.Strength * 255 / goal.MaxStrength) : 0;
    } else {
      parts[k] = 128;
    }
  }
  const TColor color = MakeColor(parts[0], parts[1], parts[2]);
  if (Owner.Player) {
    Owner.Player->Color = color;
  } else if (Owner.Team) {
    for (auto& player : Owner.Team->Players) player->Color = color;
  }
}

}  // namespace vorlanth
