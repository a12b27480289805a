#pragma once
// The kinds of goals the bench knows, one entry each: the name scenes and the
// runner use, the factory of a bare goal (a scene then reads its values), the
// population command that gives it, the visit of the values its kind keeps beyond
// every goal's, and its item of the window's "Add goals" menu. A new kind of goal
// is its own files and one entry of the table in goal_kinds.cpp (or one
// RegisterGoalKind call): the scene writes and reads it, the runner lists and
// gives it, the window offers it, with no other edit.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/goal.h"
#include "core/members.h"

namespace vorlanth {

class TPopulation;
class TTeam;

// The values a kind of goal keeps beyond every goal's, visited field by field:
// one visit serves the scene's writer (which reads the fields) and its reader
// (which sets them, in the order visited, so a bound may follow a field before).
class TGoalFields {
 public:
  virtual ~TGoalFields() = default;
  // Whether the visit sets the fields (reading a scene) or only reads them.
  virtual bool Sets() const = 0;
  virtual void Bool(const char* name, bool& value) = 0;
  virtual void Whole(const char* name, int32_t& value, int32_t low, int32_t high) = 0;
  // A real within [low, high].
  virtual void Real(const char* name, double& value, double low, double high) = 0;
  // A scratch real, which the model may carry past the largest number.
  virtual void AnyReal(const char* name, double& value) = 0;
  // A list of whole numbers, each within its own bounds.
  virtual void Wholes(const char* name, int32_t* values, const int32_t* lows, const int32_t* highs, int32_t count) = 0;
  // Rows of `columns` whole numbers each, row after row in `values`.
  virtual void WholeRows(const char* name, int32_t* values, int32_t rows, int32_t columns, int32_t low,
                         int32_t high) = 0;
  // A player of the team by reference (its place in the team, -1 for none, in
  // the file); `current` is the player the reference names now.
  virtual void Player(const char* name, TRef& player, const TPlayer* current) = 0;
};

// The groups of the "Add goals" menu, in the menu's order, a line between two.
enum class TGoalMenuGroup : uint8_t { Player, Team, Cursor };
// What the window starts drawing once the menu item has given its goal.
enum class TGoalMenuDraws : uint8_t { Nothing, PlayerGoals, TeamGoals };

// A kind's item of the window's "Add goals" menu, which gives the kind's goal as
// TGoalKind::Add does. A kind whose item has no name is not in the menu.
struct TGoalMenuItem {
  TGoalMenuItem() = default;  // none
  TGoalMenuItem(std::string name, std::string text, TGoalMenuGroup group,
                TGoalMenuDraws draws = TGoalMenuDraws::Nothing)
      : Name(std::move(name)), Text(std::move(text)), Group(group), Draws(draws) {}

  std::string Name;  // its object name, by which tests and crash reports find it: "Runfast1"
  std::string Text;  // "Love speeding"
  TGoalMenuGroup Group = TGoalMenuGroup::Team;
  TGoalMenuDraws Draws = TGoalMenuDraws::Nothing;
  // For a goal only some players take: whether the selected player (nullptr for
  // none) takes it; the item is greyed out otherwise. Empty: always offered.
  std::function<bool(const TPlayer*)> Offered;
  std::string OfferedTip, RefusedTip;  // the item's tooltip when offered, when greyed out
};

struct TGoalKind {
  std::string Name;  // "drops": the scene's and the runner's name
  // Whether a goal is of this kind.
  std::function<bool(const TGoal&)> Is;
  // A goal of this kind for the owner, with the values of a new one; raises
  // Error when the owner cannot hold it.
  std::function<std::unique_ptr<TGoal>(TGoalOwner owner, TTeam& team)> Make;
  // Gives the population's team (or its selected player) a goal of this kind, as
  // the "Add goals" menu does.
  std::function<void(TPopulation&)> Add;
  // Visits the values this kind keeps beyond every goal's; none when empty. The
  // team is the goal's; a value no scene can hold raises Error.
  std::function<void(TGoal&, TGoalFields&, const TTeam&)> Visit;
  TGoalMenuItem Menu;
};

// Every kind, in the order the runner lists them and the menu shows each group.
const std::vector<TGoalKind>& GoalKinds();
// The kind of that name, or nullptr.
const TGoalKind* FindGoalKind(std::string_view name);
// The kind of a goal, or nullptr for a goal of no registered kind.
const TGoalKind* GoalKindOf(const TGoal& goal);
// Adds a kind after the bench's own; a name already taken raises Error.
void RegisterGoalKind(TGoalKind kind);
// The names of every kind, joined with ", ".
std::string GoalKindNames();

}  // namespace vorlanth
