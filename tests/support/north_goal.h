#pragma once
// A kind of goal defined by the tests alone: heading up the circuit, with a value
// of its own that a scene keeps and an item of its own in "Add goals". Registered
// once per process, it shows that a kind is its own class and one registration.

#include <memory>

#include "bench/goal_kinds.h"
#include "bench/population.h"
#include "core/goal.h"
#include "core/team.h"
#include "world2d/physic2d.h"

namespace vorlanth::testing {

// Heading up the circuit: higher is better.
class TGoalNorth : public TReplicableGoal<TGoalNorth> {
 public:
  explicit TGoalNorth(TGoalOwner owner) : TReplicableGoal(owner) { Name = "North"; }
  void Evaluate(TPlayer& player) override {
    const auto* body = AsPhysic(&player);
    StartValue = body ? Bias - body->GetStartPosY() / 100 : 0;
    SetValue(body ? Bias - body->GetPosY() / 100 : 0);
  }
  bool EvaluatesPurely() const override { return true; }
  double Bias = 0;  // its own value, which a scene keeps
};

constexpr double kNorthBias = 6.5;  // the value the menu's command gives

inline void RegisterNorth() {
  static const bool registered = [] {
    RegisterGoalKind({"north", [](const TGoal& goal) { return typeid(goal) == typeid(TGoalNorth); },
                      [](TGoalOwner owner, TTeam&) { return std::make_unique<TGoalNorth>(owner); },
                      [](TPopulation& population) {
                        auto goal = std::make_unique<TGoalNorth>(&population.CurrentTeam());
                        goal->Bias = kNorthBias;
                        population.CurrentTeam().Goals->AddGoal(std::move(goal));
                      },
                      [](TGoal& goal, TGoalFields& fields, const TTeam&) {
                        fields.Real("bias", static_cast<TGoalNorth&>(goal).Bias, -10, 10);
                      },
                      {"AddNorthGoal", "Head north (all players)", TGoalMenuGroup::Team}});
    return true;
  }();
  (void)registered;
}

}  // namespace vorlanth::testing
