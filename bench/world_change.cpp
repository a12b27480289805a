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

constexpr int32_t kFirstPlayerField = static_cast<int32_t>(TField::Size);
constexpr int32_t kFirstGoalField = static_cast<int32_t>(TField::Strength);
constexpr int32_t kTrackFields = kFirstPlayerField;
constexpr int32_t kPlayerFields = kFirstGoalField - kFirstPlayerField;

TField TrackField(int32_t i) { return static_cast<TField>(i); }
TField PlayerField(int32_t i) { return static_cast<TField>(kFirstPlayerField + i); }
TField GoalField(int32_t i) { return static_cast<TField>(kFirstGoalField + i); }

// Moved by hand, or by the world between the command and its undo: these go back
// by the amount the command moved them.
bool IsRelative(TField field) {
  return field == TField::PosX || field == TField::PosY || field == TField::Angle || field == TField::Energy ||
         field == TField::Health;
}

TPlayer* FindPlayer(const TTeam& team, uint32_t serial) { return team.FindPlayer(TRef{-1, serial}); }

double ReadTrack(const TTrack2D& track, const TTeam& team, TField field) {
  switch (field) {
    case TField::Horizon: return track.HorizonMs;
    case TField::MinFutures: return track.MinFutures;
    case TField::Friction: return track.Friction;
    case TField::SideFriction: return track.SideFriction;
    case TField::Collisions: return track.Collisions;
    case TField::Evolution: return track.Evolution;
    case TField::TeamShowsGoals: return team.Goals->ShowGoals;
    case TField::Selected: return team.Selected ? team.Selected->Serial : 0;
    default: return 0;
  }
}

void WriteTrack(TTrack2D& track, TTeam& team, TField field, double value) {
  switch (field) {
    case TField::Horizon: track.HorizonMs = static_cast<int32_t>(value); break;
    case TField::MinFutures: track.MinFutures = static_cast<int32_t>(value); break;
    case TField::Friction: track.Friction = value; break;
    case TField::SideFriction: track.SideFriction = value; break;
    case TField::Collisions: track.Collisions = value != 0; break;
    case TField::Evolution: track.SetEvolution(value != 0); break;
    case TField::TeamShowsGoals: team.Goals->ShowGoals = value != 0; break;
    case TField::Selected:
      if (TPlayer* player = FindPlayer(team, static_cast<uint32_t>(value))) team.SelectPlayer(player);
      break;
    default: break;
  }
}

double ReadPlayer(const TPlayer& player, TField field) {
  const auto* body = dynamic_cast<const TPlayer2D*>(&player);
  switch (field) {
    case TField::Size: return body ? body->GetSize() : 0;
    case TField::Determination: return player.Determination;
    case TField::GridSize: return player.GridSize;
    case TField::Limiters: return player.LimitersOn;
    case TField::AutoGrid: return player.AutoGridSize;
    case TField::Colour: return player.Color;
    case TField::Energy: return player.GetEnergy();
    case TField::Health: return player.GetHealth();
    case TField::PosX: return body ? body->GetPosX() : 0;
    case TField::PosY: return body ? body->GetPosY() : 0;
    case TField::Angle: return body ? body->GetAngle() : 0;
    case TField::ShowTraces: return player.ShowTraces;
    case TField::ShowFeelings: return player.ShowFeelings;
    case TField::ShowEndingPoints: return player.ShowEndingPoints;
    case TField::ShowLevels: return player.ShowLevels;
    case TField::ShowsGoals: return player.Goals->ShowGoals;
    default: return 0;
  }
}

void WritePlayer(TPlayer& player, TField field, double value) {
  auto* body = dynamic_cast<TPlayer2D*>(&player);
  switch (field) {
    case TField::Size: if (body) body->SetSize(value); break;
    case TField::Determination: player.Determination = value; break;
    case TField::GridSize: player.SetGridSize(static_cast<int32_t>(value)); break;
    case TField::Limiters: player.LimitersOn = value != 0; break;
    case TField::AutoGrid: player.AutoGridSize = value != 0; break;
    case TField::Colour: player.Color = static_cast<TColor>(value); break;
    case TField::Energy: player.SetEnergy(value); break;
    case TField::Health: player.SetHealth(value); break;
    case TField::PosX: if (body) body->SetPosX(value); break;
    case TField::PosY: if (body) body->SetPosY(value); break;
    case TField::Angle: if (body) body->SetAngle(value); break;
    case TField::ShowTraces: player.ShowTraces = value != 0; break;
    case TField::ShowFeelings: player.ShowFeelings = value != 0; break;
    case TField::ShowEndingPoints: player.ShowEndingPoints = value != 0; break;
    case TField::ShowLevels: player.ShowLevels = value != 0; break;
    case TField::ShowsGoals: player.Goals->ShowGoals = value != 0; break;
    default: break;
  }
}

double ReadGoal(const TGoal& goal, TField field) {
  switch (field) {
    case TField::Strength: return goal.Strength;
    case TField::Reaction: return goal.ReactionMs;
    default: return goal.Urgency;
  }
}

void WriteGoal(TGoal& goal, TField field, double value) {
  switch (field) {
    case TField::Strength: goal.SetStrength(value); break;
    case TField::Reaction: goal.ReactionMs = static_cast<int32_t>(value); break;
    default: goal.Urgency = value; break;
  }
}

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

const char* FieldName(TField field) {
  static constexpr const char* kNames[] = {
      "Horizon", "Minimum futures", "Friction", "Side friction", "Collisions", "Evolution",
      "Draw the goals of the team", "Select player",
      "Size", "Determination", "Grid size", "Sensitivity", "Auto grid size", "Colour", "Energy", "Health",
      "Move", "Move", "Turn", "Draw the traces", "Draw the feelings", "Draw the ending points",
      "Draw the sensitivity level", "Draw the goals", "Strength", "Reaction", "Urgency"};
  return kNames[static_cast<size_t>(field)];
}

TWorldFacts TWorldFacts::Take(const TTrack2D& track, const TTeam& team) {
  TWorldFacts facts;
  facts.Track.reserve(kTrackFields);
  for (int32_t f = 0; f < kTrackFields; ++f) facts.Track.push_back(ReadTrack(track, team, TrackField(f)));
  auto setFacts = [](const TGoalSet& set, uint32_t owner) {
    TSetFacts s{owner, {}};
    s.Goals.reserve(set.Items.size());
    for (const auto& goal : set.Items)
      s.Goals.push_back({goal.get(), {ReadGoal(*goal, GoalField(0)), ReadGoal(*goal, GoalField(1)),
                                      ReadGoal(*goal, GoalField(2))}});
    return s;
  };
  facts.Sets.push_back(setFacts(*team.Goals, 0));
  facts.Players.reserve(team.Players.size());
  for (const auto& player : team.Players) {
    TPlayerFacts p{player.get(), player->Serial, {}};
    p.Values.reserve(kPlayerFields);
    for (int32_t f = 0; f < kPlayerFields; ++f) p.Values.push_back(ReadPlayer(*player, PlayerField(f)));
    facts.Players.push_back(std::move(p));
    facts.Sets.push_back(setFacts(*player->Goals, player->Serial));
  }
  return facts;
}

// ---------------------------------------------------------------------------
// The operations a change is made of.

struct TWorldChange::TOp {
  virtual ~TOp() = default;
  virtual void Undo(TTrack2D& track, TTeam& team) = 0;
  virtual void Redo(TTrack2D& track, TTeam& team) = 0;
};

namespace {

// A value set: of the track, of a player (by serial) or of a goal (in its set).
struct TSetValue : TWorldChange::TOp {
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
    if (Field < TField::Size) {
      WriteTrack(track, team, Field, to);
    } else if (Field < TField::Strength) {
      if (TPlayer* player = FindPlayer(team, Player)) {
        // Moved since by the world: by the amount the command moved it.
        const double now = ReadPlayer(*player, Field);
        WritePlayer(*player, Field, IsRelative(Field) && now != from ? now + (to - from) : to);
      }
    } else if (TGoalSet* set = SetOf(team, Player); set && IndexIn(*set, Goal) >= 0) {
      WriteGoal(*const_cast<TGoal*>(Goal), Field, to);
    }
  }
  void Undo(TTrack2D& track, TTeam& team) override { Set(track, team, After, Before); }
  void Redo(TTrack2D& track, TTeam& team) override { Set(track, team, Before, After); }
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

  void Take(TTeam& team) {
    if (TPlayer* player = FindPlayer(team, Serial)) Kept = team.RemovePlayer(player, false);
  }
  void Give(TTeam& team) {
    if (Kept) team.InsertPlayer(std::min(Index, team.PlayerCount()), std::move(Kept));
  }
  void Undo(TTrack2D&, TTeam& team) override { In ? Take(team) : Give(team); }
  void Redo(TTrack2D&, TTeam& team) override { In ? Give(team) : Take(team); }
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

  void Take(TTeam& team) {
    TGoalSet* set = SetOf(team, Owner);
    const int32_t at = set ? IndexIn(*set, Goal) : -1;
    if (at < 0) return;
    Kept = std::move(set->Items[static_cast<size_t>(at)]);
    set->Items.erase(set->Items.begin() + at);
  }
  void Give(TTeam& team) {
    TGoalSet* set = SetOf(team, Owner);
    if (!set || !Kept) return;
    const auto at = static_cast<size_t>(std::min<int32_t>(Index, set->GoalCount()));
    set->Items.insert(set->Items.begin() + static_cast<std::ptrdiff_t>(at), std::move(Kept));
  }
  void Undo(TTrack2D&, TTeam& team) override { In ? Take(team) : Give(team); }
  void Redo(TTrack2D&, TTeam& team) override { In ? Give(team) : Take(team); }
};

}  // namespace

TWorldChange::TWorldChange() = default;
TWorldChange::~TWorldChange() = default;

std::unique_ptr<TWorldChange> TWorldChange::Between(const TWorldFacts& before, const TWorldFacts& after,
                                                    std::vector<std::unique_ptr<TPlayer>> removedPlayers,
                                                    std::vector<std::unique_ptr<TGoal>> removedGoals) {
  auto change = std::make_unique<TWorldChange>();
  auto& ops = change->ops_;
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
    if (kept) ops.push_back(std::make_unique<TPlayerMove>(false, static_cast<int32_t>(i), p.Serial, std::move(kept)));
  }
  for (size_t i = 0; i < after.Players.size(); ++i)
    if (findPlayer(before, after.Players[i]) < 0)
      ops.push_back(std::make_unique<TPlayerMove>(true, static_cast<int32_t>(i), after.Players[i].Serial, nullptr));
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
      if (auto kept = TakeOut(removedGoals, const_cast<TGoal*>(goal)))
        ops.push_back(std::make_unique<TGoalMove>(false, set.Owner, static_cast<int32_t>(g), goal, std::move(kept)));
    }
    for (size_t g = 0; g < other->Goals.size(); ++g) {
      const int32_t was = indexIn(set, other->Goals[g].Goal);
      if (was < 0) {
        ops.push_back(std::make_unique<TGoalMove>(true, set.Owner, static_cast<int32_t>(g), other->Goals[g].Goal, nullptr));
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
  for (int32_t f = 0; f < kTrackFields; ++f)
    if (before.Track[static_cast<size_t>(f)] != after.Track[static_cast<size_t>(f)])
      ops.push_back(std::make_unique<TSetValue>(TrackField(f), 0, nullptr, before.Track[static_cast<size_t>(f)],
                                                after.Track[static_cast<size_t>(f)]));
  for (const auto& p : after.Players) {
    const int32_t was = findPlayer(before, p);
    if (was < 0) continue;
    const auto& old = before.Players[static_cast<size_t>(was)].Values;
    for (int32_t f = 0; f < kPlayerFields; ++f)
      if (old[static_cast<size_t>(f)] != p.Values[static_cast<size_t>(f)])
        ops.push_back(std::make_unique<TSetValue>(PlayerField(f), p.Serial, nullptr, old[static_cast<size_t>(f)],
                                                  p.Values[static_cast<size_t>(f)]));
  }
  return change;
}

bool TWorldChange::Empty() const { return ops_.empty(); }

void TWorldChange::Undo(TTrack2D& track, TTeam& team) {
  for (auto op = ops_.rbegin(); op != ops_.rend(); ++op) (*op)->Undo(track, team);
  // The selection names a player that may only now be back.
  for (auto& op : ops_)
    if (const auto* value = dynamic_cast<const TSetValue*>(op.get()); value && value->Field == TField::Selected)
      op->Undo(track, team);
}

void TWorldChange::Redo(TTrack2D& track, TTeam& team) {
  for (auto& op : ops_) op->Redo(track, team);
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
