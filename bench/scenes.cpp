#include "bench/scenes.h"

#include "bench/population.h"
#include "core/error.h"
#include "core/player.h"
#include "core/team.h"

namespace vorlanth {

bool IsBuiltinScene(const std::string& name) {
  for (const char* builtin : BuiltinSceneNames)
    if (name == builtin) return true;
  return false;
}

void BuildBuiltinScene(TPopulation& population, const std::string& name) {
  if (!IsBuiltinScene(name)) throw Error("Unknown scene \"" + name + "\": expected start, circle or asteroids.");
  TTeam& team = population.CurrentTeam();
  population.AddPlayer(pkRocket);
  team.Selected->ShowFeelings = true;
  population.AddDropsGoal();
  team.Goals->ShowGoals = true;
  if (name == "circle") population.AddCircleOfKarts();
  if (name == "asteroids") population.AddAsteroids(TPopulation::AsteroidGroupCount);
}

void AddGoalByName(TPopulation& population, const std::string& name) {
  if (name == "speeding") population.AddSpeedingGoal();
  else if (name == "energy") population.AddEnergyGoal();
  else if (name == "health") population.AddHealthGoal();
  else if (name == "drops") population.AddDropsGoal();
  else if (name == "storage") population.AddStorageGoal();
  else if (name == "avoid") population.AddAvoidGoal();
  else if (name == "follow-mouse") population.AddMouseGoal(false);
  else if (name == "avoid-mouse") population.AddMouseGoal(true);
  else if (name == "burnout") population.AddBurnOutGoal();
  else throw Error("Unknown goal \"" + name + "\".");
}

}  // namespace vorlanth
