#pragma once
// A team groups players that share team goals; every phase of a sub-step is a
// team operation walking its players in order. The team owns its players.

#include <cstdint>
#include <memory>
#include <vector>

#include "core/goal.h"
#include "core/members.h"

namespace vorlanth {

class TPlayer;
class TTrack;

class TTeam {
 public:
  explicit TTeam(uint32_t serial = NewSerial());
  ~TTeam();
  TTeam(const TTeam&) = delete;
  TTeam& operator=(const TTeam&) = delete;

  TTrack* Track = nullptr;     // set by TTrack::AddTeam
  // Names the team in references (TRef); a replica of the team takes the serial
  // of the team it replicates.
  const uint32_t Serial;
  TPlayer* Selected = nullptr;  // the player the window shows and edits
  std::unique_ptr<TGoalSet> Goals;  // team goals, owned
  std::vector<std::unique_ptr<TPlayer>> Players;  // owned, in order of addition

  TPlayer* GetPlayer(int32_t i) { return Players.at(static_cast<size_t>(i)).get(); }
  int32_t PlayerCount() const { return static_cast<int32_t>(Players.size()); }
  int32_t IndexOf(const TPlayer* player) const;
  // The member a reference names, or nullptr when it is not (or no longer) one.
  TPlayer* FindPlayer(TRef ref) const;
  TRef GetRef() const;
  bool IsMember(const TPlayer* player) const { return IndexOf(player) >= 0; }

  // Appends, selects and returns the player; a member added again is left as it is.
  TPlayer* AddPlayer(std::unique_ptr<TPlayer> player);
  // Puts a player back at `index` (0 to PlayerCount()), leaving the selection as
  // it is (or selecting it in an empty team); returns it.
  TPlayer* InsertPlayer(int32_t index, std::unique_ptr<TPlayer> player);
  // Removes a member; when Free, it is destroyed at once. Returns the player when
  // not freed.
  std::unique_ptr<TPlayer> RemovePlayer(TPlayer* player, bool free);
  void SelectPlayer(TPlayer* player);

  void SetFutureMode(bool on);
  void StartFutureStep() { StepPlayers(0); }
  void ContinueFutureStep() { StepPlayers(1); }
  void DecideStep() { StepPlayers(2); }
  void StepPlayers(int phase);
  void EvaluateGoals();
  void DrawGoals();
  void SplitPlayers();
  void DrawPlayers();
  void DrawFutures();
  void PrepareFutures();
  void CommitStates();
  void RestoreStoredStates();
};

}  // namespace vorlanth
