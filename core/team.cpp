#include "core/team.h"

#include "core/error.h"
#include "core/player.h"
#include "core/track.h"

namespace vorlanth {

TTeam::TTeam(uint32_t serial) : Serial(serial), Goals(std::make_unique<TGoalSet>(this)) {}

TPlayer* TTeam::FindPlayer(TRef ref) const { return FindByRef(Players, ref); }

TRef TTeam::GetRef() const {
  int32_t index = -1;
  if (Track)
    for (size_t t = 0; t < Track->Teams.size(); ++t)
      if (Track->Teams[t] == this) index = static_cast<int32_t>(t);
  return {index, Serial};
}

TTeam::~TTeam() {
  Selected = nullptr;
  Players.clear();
  Goals.reset();
}

int32_t TTeam::IndexOf(const TPlayer* player) const {
  for (size_t i = 0; i < Players.size(); ++i)
    if (Players[i].get() == player) return static_cast<int32_t>(i);
  return -1;
}

TPlayer* TTeam::AddPlayer(std::unique_ptr<TPlayer> player) {
  TPlayer* p = player.get();
  if (!p) return nullptr;
  if (IsMember(p)) {
    // The team already owns it: the second owner must not free it on leaving.
    (void)player.release();
    return p;
  }
  Players.push_back(std::move(player));
  p->Team = this;
  p->TeamIndex = PlayerCount() - 1;
  SelectPlayer(p);
  if (Track) Track->RebuildPlayerList();
  return p;
}

TPlayer* TTeam::InsertPlayer(int32_t index, std::unique_ptr<TPlayer> player) {
  TPlayer* p = player.get();
  if (!p) return nullptr;
  if (IsMember(p)) {
    (void)player.release();  // the team owns it already
    return p;
  }
  if (index < 0 || index > PlayerCount()) throw Error("Player index out of range.");
  Players.insert(Players.begin() + index, std::move(player));
  p->Team = this;
  for (int32_t i = index; i < PlayerCount(); ++i) Players[static_cast<size_t>(i)]->TeamIndex = i;
  if (!Selected) Selected = p;
  if (Track) Track->RebuildPlayerList();
  return p;
}

std::unique_ptr<TPlayer> TTeam::RemovePlayer(TPlayer* player, bool free) {
  const int32_t index = IndexOf(player);
  if (index < 0) return nullptr;
  if (Selected == player) Selected = nullptr;
  player->Context = &DefaultStepContext;  // it leaves the track's settings with the team
  std::unique_ptr<TPlayer> owned = std::move(Players[static_cast<size_t>(index)]);
  Players.erase(Players.begin() + index);
  player->TeamIndex = -1;
  for (int32_t i = index; i < PlayerCount(); ++i) Players[static_cast<size_t>(i)]->TeamIndex = i;
  if (!Selected && !Players.empty()) Selected = Players.front().get();
  if (Track) Track->RebuildPlayerList();
  // No goal may keep a player that has left the team, freed here or later.
  if (Track) {
    Track->ForgetPlayer(player);
  } else {
    Goals->ForgetPlayer(player);
  }
  if (!free) return owned;
  return nullptr;  // freed here, on leaving
}

void TTeam::SelectPlayer(TPlayer* player) {
  if (!IsMember(player)) throw Error("Selected player must be a team member.");
  Selected = player;
}

void TTeam::SetFutureMode(bool on) {
  for (auto& player : Players) player->SetFutureMode(on);
  Goals->ResetFuture();
}

void TTeam::StepPlayers(int phase) {
  for (size_t i = 0; i < Players.size(); ++i) {
    TPlayer& player = *Players[i];
    player.GetState().MarkStartValues();
    switch (phase) {
      case 0: player.ChooseRandomOption(); break;
      case 1: player.RandomizeControls(); break;
      case 2: player.Decide(); break;
      default: break;
    }
    player.Step();
  }
}

void TTeam::EvaluateGoals() {
  Goals->Evaluate();
  for (size_t i = 0; i < Players.size(); ++i) Players[i]->Goals->Evaluate();
}

void TTeam::DrawGoals() {
  Goals->Draw();
  for (size_t i = 0; i < Players.size(); ++i) Players[i]->Goals->Draw();
}

void TTeam::SplitPlayers() {
  // Children are appended after the walked range and are not visited.
  const size_t count = Players.size();
  for (size_t i = 0; i < count && i < Players.size(); ++i) {
    TPlayer& player = *Players[i];
    if (player.CanClone() && player.ReadyToSplit()) player.Split();
  }
}

void TTeam::DrawPlayers() {
  for (size_t i = 0; i < Players.size(); ++i) Players[i]->Draw();
}

void TTeam::DrawFutures() {
  for (size_t i = 0; i < Players.size(); ++i) Players[i]->DrawFutures();
}

void TTeam::PrepareFutures() {
  for (auto& player : Players) player->PrepareFutures();
}

void TTeam::CommitStates() {
  for (auto& player : Players) player->CommitState();
}

void TTeam::RestoreStoredStates() {
  for (auto& player : Players) player->RestoreStoredState();
  Goals->ResetFuture();
}

}  // namespace vorlanth
