// The values a command may set, read and written field by field, and the facts
// a change is found from (see world_change.h).

#include "bench/world_change.h"

#include <iterator>

#include "core/goal.h"
#include "core/player.h"
#include "core/team.h"
#include "world2d/player2d.h"
#include "world2d/track2d.h"

namespace vorlanth {
namespace {

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

// `body`: the player as a body, or null (its kind read once by the caller).
double ReadPlayer(const TPlayer& player, const TPlayer2D* body, TField field) {
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

// Every field: its name (as the Edit menu says it), its key in files, and
// whether the picture shows it (the settings of the thinking and the physics,
// and the goals' values, are not drawn). One row per field, in TField's order.
struct TFieldInfo {
  TField Field;
  const char* Name;
  const char* Key;
  bool Drawn;
};
constexpr TFieldInfo kFields[] = {
    {TField::Horizon, "Horizon", "horizon_ms", false},
    {TField::MinFutures, "Minimum futures", "min_futures", false},
    {TField::Friction, "Friction", "friction", false},
    {TField::SideFriction, "Side friction", "side_friction", false},
    {TField::Collisions, "Collisions", "collisions", false},
    {TField::Evolution, "Evolution", "evolution", false},
    {TField::TeamShowsGoals, "Draw the goals of the team", "team_shows_goals", true},
    {TField::Selected, "Select player", "selected", true},
    {TField::Size, "Size", "size", true},
    {TField::Determination, "Determination", "determination", false},
    {TField::GridSize, "Grid size", "grid_size", true},
    {TField::Limiters, "Sensitivity", "sensitivity", false},
    {TField::AutoGrid, "Auto grid size", "auto_grid_size", false},
    {TField::Colour, "Colour", "color", true},
    {TField::Energy, "Energy", "energy", true},
    {TField::Health, "Health", "health", true},
    {TField::PosX, "Move", "x", true},
    {TField::PosY, "Move", "y", true},
    {TField::Angle, "Turn", "angle", true},
    {TField::ShowTraces, "Draw the traces", "show_traces", true},
    {TField::ShowFeelings, "Draw the feelings", "show_feelings", true},
    {TField::ShowEndingPoints, "Draw the ending points", "show_ending_points", true},
    {TField::ShowLevels, "Draw the sensitivity level", "show_levels", true},
    {TField::ShowsGoals, "Draw the goals", "show_goals", true},
    {TField::Strength, "Strength", "strength", false},
    {TField::Reaction, "Reaction", "reaction_ms", false},
    {TField::Urgency, "Urgency", "urgency", false},
};
static_assert(std::size(kFields) == FieldCount);
constexpr bool InFieldOrder() {
  for (int32_t f = 0; f < FieldCount; ++f)
    if (kFields[f].Field != static_cast<TField>(f)) return false;
  return true;
}
static_assert(InFieldOrder(), "one row per field, in TField's order");

}  // namespace

const char* FieldName(TField field) { return kFields[static_cast<size_t>(field)].Name; }
const char* FieldKey(TField field) { return kFields[static_cast<size_t>(field)].Key; }
bool FieldDrawn(TField field) { return kFields[static_cast<size_t>(field)].Drawn; }

bool FieldFromKey(const std::string& key, TField& field) {
  for (int32_t f = 0; f < FieldCount; ++f)
    if (key == FieldKey(static_cast<TField>(f))) {
      field = static_cast<TField>(f);
      return true;
    }
  return false;
}

TFieldHolder HolderOf(TField field) {
  if (field < TField::Size) return TFieldHolder::Track;
  return field < TField::Strength ? TFieldHolder::Player : TFieldHolder::Goal;
}

double ReadField(const TTrack2D& track, const TTeam& team, TField field, const TPlayer* player, const TGoal* goal) {
  switch (HolderOf(field)) {
    case TFieldHolder::Track: return ReadTrack(track, team, field);
    case TFieldHolder::Player: return player ? ReadPlayer(*player, dynamic_cast<const TPlayer2D*>(player), field) : 0;
    default: return goal ? ReadGoal(*goal, field) : 0;
  }
}

void WriteField(TTrack2D& track, TTeam& team, TField field, TPlayer* player, TGoal* goal, double value) {
  switch (HolderOf(field)) {
    case TFieldHolder::Track: WriteTrack(track, team, field, value); break;
    case TFieldHolder::Player: if (player) WritePlayer(*player, field, value); break;
    default: if (goal) WriteGoal(*goal, field, value); break;
  }
}

TWorldFacts TWorldFacts::Take(const TTrack2D& track, const TTeam& team) {
  TWorldFacts facts;
  facts.Track.reserve(TrackFieldCount);
  for (int32_t f = 0; f < TrackFieldCount; ++f) facts.Track.push_back(ReadTrack(track, team, TrackField(f)));
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
    p.Values.reserve(PlayerFieldCount);
    const auto* body = dynamic_cast<const TPlayer2D*>(player.get());
    for (int32_t f = 0; f < PlayerFieldCount; ++f) p.Values.push_back(ReadPlayer(*player, body, PlayerField(f)));
    facts.Players.push_back(std::move(p));
    facts.Sets.push_back(setFacts(*player->Goals, player->Serial));
  }
  return facts;
}

}  // namespace vorlanth
