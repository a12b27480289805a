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
inline constexpr int32_t FieldCount = static_cast<int32_t>(TField::Urgency) + 1;
// The track's fields come first, then a player's, then a goal's: the i-th of each.
inline constexpr int32_t TrackFieldCount = static_cast<int32_t>(TField::Size);
inline constexpr int32_t PlayerFieldCount = static_cast<int32_t>(TField::Strength) - TrackFieldCount;
constexpr TField TrackField(int32_t i) { return static_cast<TField>(i); }
constexpr TField PlayerField(int32_t i) { return static_cast<TField>(TrackFieldCount + i); }
constexpr TField GoalField(int32_t i) { return static_cast<TField>(static_cast<int32_t>(TField::Strength) + i); }
// The value's name, as the Edit menu says it ("Friction").
const char* FieldName(TField field);
// The value's key in files ("friction", "x"), one per field; false for no field's.
const char* FieldKey(TField field);
bool FieldFromKey(const std::string& key, TField& field);
// Whether the picture shows the value: a change of it is drawn again.
bool FieldDrawn(TField field);

// Whose value a field is.
enum class TFieldHolder { Track, Player, Goal };
TFieldHolder HolderOf(TField field);
// A field's value now, and setting it as a command does: `player` for a player's
// field, `goal` for a goal's (the track's need neither). The selection's value is
// the selected player's serial (0: none).
double ReadField(const TTrack2D& track, const TTeam& team, TField field, const TPlayer* player, const TGoal* goal);
void WriteField(TTrack2D& track, TTeam& team, TField field, TPlayer* player, TGoal* goal, double value);

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
  // Whether undoing or redoing it changes what the picture shows.
  bool ChangesPicture() const;
  void Undo(TTrack2D& track, TTeam& team);
  void Redo(TTrack2D& track, TTeam& team);
  // Takes the later change of the same values (a drag) into this one: false when
  // `next` changes anything else.
  bool Merge(const TWorldChange& next);
  // What the Edit menu calls it ("Friction", "Remove Player #3"), or empty when
  // the command's own name says it better.
  std::string Name() const;

  // A player or a goal that went in or out, where it stood then.
  struct TMove {
    enum TKind : int32_t { PlayerIn, PlayerOut, GoalIn, GoalOut };
    TKind Kind = PlayerIn;
    uint32_t Player = 0;          // the player moved, or the goal's owner (0: the team)
    int32_t Place = 0;            // the player's place in its team, or the goal's in its set
    int32_t OwnerPlace = -1;      // the goal owner's place in the team (-1: the team)
    const TGoal* Goal = nullptr;  // the goal moved
  };
  // What the change moved the last time it was made, undone or redone, in that
  // order and at those places; what it found gone meanwhile is not there. Played
  // in order on the world as it was, it moves the same players and goals.
  const std::vector<TMove>& LastMoves() const { return moves_; }
  // A value the change sets: its field, the player (or the goal's owner) by
  // serial, the goal.
  struct TTarget {
    TField Field;
    uint32_t Player = 0;
    const TGoal* Goal = nullptr;
  };
  std::vector<TTarget> Targets() const;

  struct TOp;

 private:
  std::vector<std::unique_ptr<TOp>> ops_;  // in the order the command made them
  std::vector<TMove> moves_;
};

}  // namespace vorlanth
