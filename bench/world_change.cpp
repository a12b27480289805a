#include "bench/world_change.h"

#include <algorithm>
#include <utility>

#include "core/goal.h"
#include "core/player.h"
#include "core/team.h"
#include "world2d/player2d.h"
#include "world2d/track2d.h"

namespace vorlanth {

namespace {

// Moved by hand, or by the world between the command and its undo: these go back
// by the amount the command moved them.
bool IsRelative(TField field) {
  return field == TField::PosX || field == TField::PosY || field == TField::Angle || field == TField::Energy ||
         field == TField::Health;
}

TPlayer* FindPlayer(const TTeam& team, uint32_t serial) { return team.FindPlayer(TRef{-1, serial}); }

TGoalSet* SetOf(const TTeam& team, uint32_t owner) {
  if (owner == 0) return team.Goals.get();
  TPlayer* player = FindPlayer(team, owner);
  return player ? player->Goals.get() : nullptr;
}

int32_t IndexIn(const TGoalSet& set, const TGoal* goal) {
  for (size_t i = 0; i < set.Items.size(); ++i)
    if (set.Items[i].get() == goal) return static_cast<int32_t>(i);
  return -1;
}

template <class T>
std::unique_ptr<T> TakeOut(std::vector<std::unique_ptr<T>>& kept, const T* item) {
  for (auto& owned : kept)
    if (owned.get() == item) return std::move(owned);
  return nullptr;
}

}  // namespace

// ---------------------------------------------------------------------------
// The operations a change is made of.

struct TWorldChange::TOp {
  using TMoves = std::vector<TWorldChange::TMove>;
  virtual ~TOp() = default;
  // Whether undoing or redoing it changes what the picture shows.
  virtual bool Drawn() const { return true; }
  // Each tells `moves` what it moved.
  virtual void Undo(TTrack2D& track, TTeam& team, TMoves& moves) = 0;
  virtual void Redo(TTrack2D& track, TTeam& team, TMoves& moves) = 0;
};

namespace {

// A value set: of the track, of a player (by serial) or of a goal (in its set).
struct TSetValue : TWorldChange::TOp {
  bool Drawn() const override { return FieldDrawn(Field); }
  TField Field;
  uint32_t Player = 0;           // the player, or the goal's owner (0: the team)
  const TGoal* Goal = nullptr;   // for a goal's value
  double Before = 0;
  double After = 0;

  TSetValue(TField field, uint32_t player, const TGoal* goal, double before, double after)
      : Field(field), Player(player), Goal(goal), Before(before), After(after) {}

  bool SameTarget(const TSetValue& other) const {
    return Field == other.Field && Player == other.Player && Goal == other.Goal;
  }
  void Set(TTrack2D& track, TTeam& team, double from, double to) const {
    if (HolderOf(Field) == TFieldHolder::Track) {
      WriteField(track, team, Field, nullptr, nullptr, to);
    } else if (HolderOf(Field) == TFieldHolder::Player) {
      if (TPlayer* player = FindPlayer(team, Player)) {
        // Moved since by the world: by the amount the command moved it.
        const double now = ReadField(track, team, Field, player, nullptr);
        WriteField(track, team, Field, player, nullptr, IsRelative(Field) && now != from ? now + (to - from) : to);
      }
    } else if (TGoalSet* set = SetOf(team, Player); set && IndexIn(*set, Goal) >= 0) {
      WriteField(track, team, Field, nullptr, const_cast<TGoal*>(Goal), to);
    }
  }
  void Undo(TTrack2D& track, TTeam& team, TMoves&) override { Set(track, team, After, Before); }
  void Redo(TTrack2D& track, TTeam& team, TMoves&) override { Set(track, team, Before, After); }
};

// A player that joined the team (In) or left it (Out), at its place; the one
// out of the team is kept here.
struct TPlayerMove : TWorldChange::TOp {
  bool In;
  int32_t Index;
  uint32_t Serial;
  std::unique_ptr<TPlayer> Kept;

  TPlayerMove(bool in, int32_t index, uint32_t serial, std::unique_ptr<TPlayer> kept)
      : In(in), Index(index), Serial(serial), Kept(std::move(kept)) {}

  void Take(TTeam& team, TMoves& moves) {
    TPlayer* player = FindPlayer(team, Serial);
    if (!player) return;
    moves.push_back({TWorldChange::TMove::PlayerOut, Serial, team.IndexOf(player), -1, nullptr});
    Kept = team.RemovePlayer(player, false);
  }
  void Give(TTeam& team, TMoves& moves) {
    if (!Kept) return;
    // Back as it left, but with no futures: what it recorded then was of another
    // world, and a player read from a scene or a journal has none either.
    Kept->Futures->Forget();
    const int32_t at = std::min(Index, team.PlayerCount());
    moves.push_back({TWorldChange::TMove::PlayerIn, Serial, at, -1, nullptr});
    team.InsertPlayer(at, std::move(Kept));
  }
  void Undo(TTrack2D&, TTeam& team, TMoves& moves) override { In ? Take(team, moves) : Give(team, moves); }
  void Redo(TTrack2D&, TTeam& team, TMoves& moves) override { In ? Give(team, moves) : Take(team, moves); }
};

// A goal added to a set (In) or taken from it (Out).
struct TGoalMove : TWorldChange::TOp {
  bool In;
  uint32_t Owner;
  int32_t Index;
  const TGoal* Goal;
  std::unique_ptr<TGoal> Kept;

  TGoalMove(bool in, uint32_t owner, int32_t index, const TGoal* goal, std::unique_ptr<TGoal> kept)
      : In(in), Owner(owner), Index(index), Goal(goal), Kept(std::move(kept)) {}

  int32_t OwnerPlace(const TTeam& team) const {
    const TPlayer* owner = Owner ? FindPlayer(team, Owner) : nullptr;
    return owner ? team.IndexOf(owner) : -1;
  }
  void Take(TTeam& team, TMoves& moves) {
    TGoalSet* set = SetOf(team, Owner);
    const int32_t at = set ? IndexIn(*set, Goal) : -1;
    if (at < 0) return;
    moves.push_back({TWorldChange::TMove::GoalOut, Owner, at, OwnerPlace(team), Goal});
    Kept = std::move(set->Items[static_cast<size_t>(at)]);
    set->Items.erase(set->Items.begin() + at);
  }
  void Give(TTeam& team, TMoves& moves) {
    TGoalSet* set = SetOf(team, Owner);
    if (!set || !Kept) return;
    const int32_t at = std::min<int32_t>(Index, set->GoalCount());
    moves.push_back({TWorldChange::TMove::GoalIn, Owner, at, OwnerPlace(team), Goal});
    set->Items.insert(set->Items.begin() + at, std::move(Kept));
  }
  void Undo(TTrack2D&, TTeam& team, TMoves& moves) override { In ? Take(team, moves) : Give(team, moves); }
  void Redo(TTrack2D&, TTeam& team, TMoves& moves) override { In ? Give(team, moves) : Take(team, moves); }
};

}  // namespace

TWorldChange::TWorldChange() = default;
TWorldChange::~TWorldChange() = default;

std::unique_ptr<TWorldChange> TWorldChange::Between(const TWorldFacts& before, const TWorldFacts& after,
                                                    std::vector<std::unique_ptr<TPlayer>> removedPlayers,
                                                    std::vector<std::unique_ptr<TGoal>> removedGoals) {
  auto change = std::make_unique<TWorldChange>();
  auto& ops = change->ops_;
  auto& moves = change->moves_;  // as the command made them, in the order a redo makes them
  auto placeAfter = [&after](uint32_t owner) {
    for (size_t i = 0; i < after.Players.size() && owner; ++i)
      if (after.Players[i].Serial == owner) return static_cast<int32_t>(i);
    return -1;
  };
  auto findPlayer = [](const TWorldFacts& facts, const TWorldFacts::TPlayerFacts& p) {
    for (size_t i = 0; i < facts.Players.size(); ++i)
      if (facts.Players[i].Player == p.Player && facts.Players[i].Serial == p.Serial) return static_cast<int32_t>(i);
    return -1;
  };
  // Players out, from the last: undone in reverse, each goes back to its place
  // among those before it. Then players in, in order; the selection follows them.
  for (size_t i = before.Players.size(); i-- > 0;) {
    const auto& p = before.Players[i];
    if (findPlayer(after, p) >= 0) continue;
    auto kept = TakeOut(removedPlayers, const_cast<TPlayer*>(p.Player));
    if (!kept) continue;
    ops.push_back(std::make_unique<TPlayerMove>(false, static_cast<int32_t>(i), p.Serial, std::move(kept)));
    moves.push_back({TMove::PlayerOut, p.Serial, static_cast<int32_t>(i), -1, nullptr});
  }
  for (size_t i = 0; i < after.Players.size(); ++i) {
    if (findPlayer(before, after.Players[i]) >= 0) continue;
    ops.push_back(std::make_unique<TPlayerMove>(true, static_cast<int32_t>(i), after.Players[i].Serial, nullptr));
    moves.push_back({TMove::PlayerIn, after.Players[i].Serial, static_cast<int32_t>(i), -1, nullptr});
  }
  // Goals out, then in, set by set (a set of a player who came or went goes with it).
  for (const auto& set : before.Sets) {
    const auto other = std::find_if(after.Sets.begin(), after.Sets.end(),
                                    [&set](const TWorldFacts::TSetFacts& s) { return s.Owner == set.Owner; });
    if (other == after.Sets.end()) continue;
    auto indexIn = [](const TWorldFacts::TSetFacts& s, const TGoal* goal) {
      for (size_t g = 0; g < s.Goals.size(); ++g)
        if (s.Goals[g].Goal == goal) return static_cast<int32_t>(g);
      return -1;
    };
    for (size_t g = set.Goals.size(); g-- > 0;) {  // from the last, as the players
      const TGoal* goal = set.Goals[g].Goal;
      if (indexIn(*other, goal) >= 0) continue;
      auto kept = TakeOut(removedGoals, const_cast<TGoal*>(goal));
      if (!kept) continue;
      ops.push_back(std::make_unique<TGoalMove>(false, set.Owner, static_cast<int32_t>(g), goal, std::move(kept)));
      moves.push_back({TMove::GoalOut, set.Owner, static_cast<int32_t>(g), placeAfter(set.Owner), goal});
    }
    for (size_t g = 0; g < other->Goals.size(); ++g) {
      const int32_t was = indexIn(set, other->Goals[g].Goal);
      if (was < 0) {
        ops.push_back(std::make_unique<TGoalMove>(true, set.Owner, static_cast<int32_t>(g), other->Goals[g].Goal, nullptr));
        moves.push_back({TMove::GoalIn, set.Owner, static_cast<int32_t>(g), placeAfter(set.Owner), other->Goals[g].Goal});
        continue;
      }
      for (int32_t f = 0; f < 3; ++f) {
        const double a = set.Goals[static_cast<size_t>(was)].Values[f];
        const double b = other->Goals[g].Values[f];
        if (a != b) ops.push_back(std::make_unique<TSetValue>(GoalField(f), set.Owner, other->Goals[g].Goal, a, b));
      }
    }
  }
  // Values last: undone first, on the players and goals as the command left them.
  for (int32_t f = 0; f < TrackFieldCount; ++f)
    if (before.Track[static_cast<size_t>(f)] != after.Track[static_cast<size_t>(f)])
      ops.push_back(std::make_unique<TSetValue>(TrackField(f), 0, nullptr, before.Track[static_cast<size_t>(f)],
                                                after.Track[static_cast<size_t>(f)]));
  for (const auto& p : after.Players) {
    const int32_t was = findPlayer(before, p);
    if (was < 0) continue;
    const auto& old = before.Players[static_cast<size_t>(was)].Values;
    for (int32_t f = 0; f < PlayerFieldCount; ++f)
      if (old[static_cast<size_t>(f)] != p.Values[static_cast<size_t>(f)])
        ops.push_back(std::make_unique<TSetValue>(PlayerField(f), p.Serial, nullptr, old[static_cast<size_t>(f)],
                                                  p.Values[static_cast<size_t>(f)]));
  }
  return change;
}

bool TWorldChange::Empty() const { return ops_.empty(); }

bool TWorldChange::ChangesPicture() const {
  return std::any_of(ops_.begin(), ops_.end(), [](const auto& op) { return op->Drawn(); });
}

void TWorldChange::Undo(TTrack2D& track, TTeam& team) {
  moves_.clear();
  for (auto op = ops_.rbegin(); op != ops_.rend(); ++op) (*op)->Undo(track, team, moves_);
  // The selection names a player that may only now be back.
  for (auto& op : ops_)
    if (const auto* value = dynamic_cast<const TSetValue*>(op.get()); value && value->Field == TField::Selected)
      op->Undo(track, team, moves_);
}

void TWorldChange::Redo(TTrack2D& track, TTeam& team) {
  moves_.clear();
  for (auto& op : ops_) op->Redo(track, team, moves_);
}

std::vector<TWorldChange::TTarget> TWorldChange::Targets() const {
  std::vector<TTarget> targets;
  for (const auto& op : ops_)
    if (const auto* value = dynamic_cast<const TSetValue*>(op.get()))
      targets.push_back({value->Field, value->Player, value->Goal});
  return targets;
}

bool TWorldChange::Merge(const TWorldChange& next) {
  if (next.ops_.size() != ops_.size()) return false;
  for (size_t i = 0; i < ops_.size(); ++i) {
    const auto* mine = dynamic_cast<const TSetValue*>(ops_[i].get());
    const auto* theirs = dynamic_cast<const TSetValue*>(next.ops_[i].get());
    if (!mine || !theirs || !mine->SameTarget(*theirs)) return false;
  }
  for (size_t i = 0; i < ops_.size(); ++i)
    static_cast<TSetValue&>(*ops_[i]).After = static_cast<const TSetValue&>(*next.ops_[i]).After;
  return true;
}

std::string TWorldChange::Name() const {
  // One player out, nothing else but the selection moving on: its removal.
  const TPlayerMove* only = nullptr;
  bool others = false;
  for (const auto& op : ops_) {
    if (const auto* move = dynamic_cast<const TPlayerMove*>(op.get()); move && !move->In && !only) {
      only = move;
    } else if (const auto* value = dynamic_cast<const TSetValue*>(op.get()); !value || value->Field != TField::Selected) {
      others = true;
    }
  }
  if (only && !others) return "Remove Player #" + std::to_string(only->Index + 1);
  // Values of one kind (a bar, a check box, a move).
  const TSetValue* first = ops_.empty() ? nullptr : dynamic_cast<const TSetValue*>(ops_.front().get());
  if (!first) return {};
  for (const auto& op : ops_) {
    const auto* value = dynamic_cast<const TSetValue*>(op.get());
    if (!value || FieldName(value->Field) != FieldName(first->Field)) {
      if (value && (value->Field == TField::PosX || value->Field == TField::PosY || value->Field == TField::Angle) &&
          (first->Field == TField::PosX || first->Field == TField::PosY || first->Field == TField::Angle))
        continue;
      return {};
    }
  }
  return FieldName(first->Field);
}

}  // namespace vorlanth
