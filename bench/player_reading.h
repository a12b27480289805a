#pragma once
// What a player shows of its thinking after a cycle, read from its present: each
// goal's value and feeling, its speed. Shared by the window's plots and the
// headless runner's statistics.
//
// After a cycle a goal's fields hold whatever evaluated it last: for a personal
// goal, the last sub-step of the last future; for a team goal, the present of the
// last member. So a goal whose evaluation changes nothing but itself
// (TGoal::EvaluatesPurely) is evaluated afresh on the player's present, on a
// copy of the goal; a goal whose
// evaluation changes the world (picking up or placing drops, storing energy,
// draining others) is read as the cycle left it: its present evaluation on the
// owner for a personal goal, on the team's last member for a team goal.

#include <cstdint>
#include <string>

namespace vorlanth {

class TGoal;
class TPlayer;

// One goal of a player, as read after a cycle.
struct TGoalReading {
  const TGoal* Goal = nullptr;
  bool TeamGoal = false;     // from the team's set, not the player's own
  int32_t Occurrence = 1;    // 2 for the second goal of the same name, and so on
  double Value = 0;          // the measurement on the player's present
  double Feeling = 1;        // change ratio over the last present step; 1 is neutral
  bool HasReaction = false;  // ReactionMs > 0: the feeling weighs futures
};

// The goal's value and feeling for the player's present (see above). The goal and
// the world are left as they were.
TGoalReading ReadGoal(TGoal& goal, TPlayer& player);

// Calls visit(reading) for each goal of the player: its own goals in order, then
// its team's. Allocates nothing.
template <typename Visit>
void ForEachGoalReading(TPlayer& player, Visit&& visit);

// The name of a goal column: the goal's name, with " #2", " #3"... for a second,
// third goal of the same name.
std::string GoalKey(const TGoalReading& reading);

// Speed of a physics body in pixels per second (0 for any other player).
double BodySpeed(TPlayer& player);

// ---------------------------------------------------------------------------

int32_t GoalOccurrence(TPlayer& player, const TGoal& goal);
int32_t PersonalGoalCount(const TPlayer& player);
int32_t TeamGoalCount(const TPlayer& player);
TGoal& PlayerGoal(TPlayer& player, int32_t i);  // own goals first, then the team's

template <typename Visit>
void ForEachGoalReading(TPlayer& player, Visit&& visit) {
  const int32_t own = PersonalGoalCount(player);
  const int32_t all = own + TeamGoalCount(player);
  for (int32_t i = 0; i < all; ++i) {
    TGoal& goal = PlayerGoal(player, i);
    TGoalReading reading = ReadGoal(goal, player);
    reading.TeamGoal = i >= own;
    reading.Occurrence = GoalOccurrence(player, goal);
    visit(reading);
  }
}

}  // namespace vorlanth
