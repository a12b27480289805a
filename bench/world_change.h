#pragma once
// What one command changed in the world, and nothing more: the values it set
// (each with its value before and after), the players and goals it added or
// removed (a removed one is kept, with its place, to be put back). A change can be
// undone and redone on the world as it is then: players are found by serial
// wherever they went, goals by their set; what is gone meanwhile is left alone.
// Undo never rewinds what the cycles did: a position or a level moved by hand
// goes back by the amount the command moved it.
//
// A change is found by comparing the world's facts (every value a command may
// set) before and after the command; the command hands over what it removed.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vorlanth {

class TGoal;
class TPlayer;
class TTeam;
class TTrack2D;

// Every value a window command may set, as the facts compare them.
enum class TField : int32_t {
  // The track.
  Horizon, MinFutures, Friction, SideFriction, Collisions, Evolution, TeamShowsGoals, Selected,
  // A player.
  Size, Determination, GridSize, Limiters, AutoGrid, Colour, Energy, Health, PosX, PosY, Angle,
  ShowTraces, ShowFeelings, ShowEndingPoints, ShowLevels, ShowsGoals,
  // A goal.
  Strength, Reaction, Urgency,
};
// The value's name, as the Edit menu says it ("Friction").
const char* FieldName(TField field);

// The world's values and lists, taken before and after a command.
struct TWorldFacts {
  struct TGoalFacts {
    const TGoal* Goal = nullptr;
    double Values[3] = {};  // strength, reaction, urgency
  };
  struct TSetFacts {
    uint32_t Owner = 0;  // a player's serial; 0: the team
    std::vector<TGoalFacts> Goals;
  };
  struct TPlayerFacts {
    const TPlayer* Player = nullptr;
    uint32_t Serial = 0;
    std::vector<double> Values;  // by player field
  };
  std::vector<double> Track;  // by track field
  std::vector<TPlayerFacts> Players;
  std::vector<TSetFacts> Sets;  // the team's, then each player's

  static TWorldFacts Take(const TTrack2D& track, const TTeam& team);
};

class TWorldChange {
 public:
  TWorldChange();
  ~TWorldChange();
  TWorldChange(const TWorldChange&) = delete;
  TWorldChange& operator=(const TWorldChange&) = delete;

  // The change from `before` to `after`; `removedPlayers` and `removedGoals` are
  // what the command took out (the rest of them is freed).
  static std::unique_ptr<TWorldChange> Between(const TWorldFacts& before, const TWorldFacts& after,
                                               std::vector<std::unique_ptr<TPlayer>> removedPlayers,
                                               std::vector<std::unique_ptr<TGoal>> removedGoals);

  bool Empty() const;
  void Undo(TTrack2D& track, TTeam& team);
  void Redo(TTrack2D& track, TTeam& team);
  // Takes the later change of the same values (a drag) into this one: false when
  // `next` changes anything else.
  bool Merge(const TWorldChange& next);
  // What the Edit menu calls it ("Friction", "Remove Player #3"), or empty when
  // the command's own name says it better.
  std::string Name() const;

  struct TOp;

 private:
  std::vector<std::unique_ptr<TOp>> ops_;  // in the order the command made them
};

}  // namespace vorlanth
