#pragma once
// The built-in scenes, built in one place for the window's start-up, its menus
// and the headless runner.

#include <string>

namespace vorlanth {

class TPopulation;

// "start": the window's start-up, a rocket and the team goal "Get drops", its
// feelings and the team goals drawn; "circle": the start-up, then the circle of
// karts in place of the players; "asteroids": the start-up and a group of
// asteroids.
inline constexpr const char* BuiltinSceneNames[] = {"start", "circle", "asteroids"};
bool IsBuiltinScene(const std::string& name);

// Builds the scene on the population's current team, on a track that has its
// circuit; raises for a name that is not a built-in scene's.
void BuildBuiltinScene(TPopulation& population, const std::string& name);

// The team goals of the "Add goals" menu, by the names the runner's --goal takes.
inline constexpr const char* GoalCommandNames[] = {"speeding", "energy", "health", "drops", "storage",
                                                   "avoid", "follow-mouse", "avoid-mouse", "burnout"};
// Gives the team a goal through the menu's command of that name; raises for
// another name.
void AddGoalByName(TPopulation& population, const std::string& name);

}  // namespace vorlanth
