#include "bench/goal_kinds.h"

#include <limits>
#include <typeinfo>

#include "bench/population.h"
#include "core/energy_health_goals.h"
#include "core/error.h"
#include "core/player.h"
#include "goals/avoid_goal.h"
#include "goals/burnout_goal.h"
#include "goals/drops_goal.h"
#include "goals/mouse_goal.h"
#include "goals/speeding_goal.h"
#include "goals/storage_goal.h"
#include "world2d/rocket.h"

namespace vorlanth {
namespace {

constexpr int32_t kFarthestPixel = 1'000'000;  // drops and boxes stand within this of the circuit

template <class T>
std::function<bool(const TGoal&)> IsA() {
  return [](const TGoal& goal) { return typeid(goal) == typeid(T); };
}

// ---- What each kind keeps ---------------------------------------------------------

void VisitDrops(TGoal& goal, TGoalFields& f, const TTeam&) {
  auto& drops = static_cast<TGoal2DSweets&>(goal);
  // A drop is [x, y, units, units in the future]. The units in the future are what
  // the last future left, which depends on the threads that ran it; every future
  // starts again from the present's units (ResetFuture), so those are written, and
  // a scene is the same on any number of threads.
  constexpr int32_t kColumns = 4;
  int32_t table[DropCount * kColumns];
  for (size_t i = 0; i < static_cast<size_t>(DropCount); ++i) {
    int32_t* row = table + i * kColumns;
    row[0] = drops.DropX[i];
    row[1] = drops.DropY[i];
    row[2] = drops.DropUnits[i];
    row[3] = drops.DropUnits[i];
  }
  f.WholeRows("drops", table, DropCount, kColumns, -kFarthestPixel, kFarthestPixel);
  if (f.Sets()) {
    for (size_t i = 0; i < static_cast<size_t>(DropCount); ++i) {
      const int32_t* row = table + i * kColumns;
      drops.DropX[i] = row[0];
      drops.DropY[i] = row[1];
      drops.DropUnits[i] = row[2];
      drops.FutureDropUnits[i] = row[3];
    }
  }
  f.Bool("replace_drops", drops.ReplaceDrops);
  f.Whole("drops_left", drops.DropsLeft, 0, DropSlots);
  f.AnyReal("present_energy_gained", drops.PresentEnergyGained);
  f.Player("last_player", drops.LastPlayer, drops.GetLastPlayer());
}

void VisitStorage(TGoal& goal, TGoalFields& f, const TTeam&) {
  auto& storage = static_cast<TGoal2DStorage&>(goal);
  int32_t box[3] = {storage.BoxX, storage.BoxY, storage.BoxHalfSize};
  const int32_t lows[3] = {-kFarthestPixel, -kFarthestPixel, 1};
  const int32_t highs[3] = {kFarthestPixel, kFarthestPixel, kFarthestPixel};
  f.Wholes("box", box, lows, highs, 3);
  if (f.Sets()) {
    storage.BoxX = box[0];
    storage.BoxY = box[1];
    storage.BoxHalfSize = box[2];
  }
  f.Real("capacity", storage.Capacity, 0, std::numeric_limits<double>::max());
  f.Real("stored", storage.Stored, 0, storage.Capacity);
  f.Player("last_player", storage.LastPlayer, storage.GetLastPlayer());
}

void VisitAvoid(TGoal& goal, TGoalFields& f, const TTeam& team) {
  auto& avoid = static_cast<TGoal2DTeamAway&>(goal);
  const TTeam* avoided = avoid.GetAvoidTeam();
  if (!f.Sets() && avoided && avoided != &team) throw Error("A scene cannot hold a goal avoiding another team.");
  bool own = avoided == &team;
  f.Bool("avoid_own_team", own);
  if (f.Sets() && !own) avoid.AvoidTeam = {};
}

void VisitMouse(TGoal& goal, TGoalFields& f, const TTeam&) {
  auto& mouse = static_cast<TGoalMouse&>(goal);
  f.AnyReal("value_before_passes", mouse.ValueBeforePasses);
  f.Player("last_player", mouse.LastPlayer, mouse.GetLastPlayer());
}

TGoalKind MouseKind(bool avoid) {
  return {avoid ? "avoid-mouse" : "follow-mouse",
          [avoid](const TGoal& goal) {
            return typeid(goal) == typeid(TGoalMouse) && static_cast<const TGoalMouse&>(goal).AvoidMouse == avoid;
          },
          [avoid](TGoalOwner owner, TTeam&) { return std::make_unique<TGoalMouse>(owner, avoid); },
          [avoid](TPopulation& p) { p.AddMouseGoal(avoid); },
          VisitMouse,
          {avoid ? "AvoidMouse" : "FollowMouse", avoid ? "Avoid mouse (all players)" : "Follow mouse (all players)",
           TGoalMenuGroup::Cursor, TGoalMenuDraws::TeamGoals}};
}

// Energy stealing is a rocket's own goal: offered only when a rocket is selected.
TGoalMenuItem BurnOutItem() {
  TGoalMenuItem item{"Suckenergyfromplayersinfrontofyou1", "Suck energy from players in front of you",
                     TGoalMenuGroup::Player, TGoalMenuDraws::PlayerGoals};
  item.Offered = [](const TPlayer* selected) { return selected && selected->BodyKind == bkRocket; };
  item.OfferedTip = "The selected rocket burns the energy of the players in front of it.";
  item.RefusedTip = "Only a rocket can suck energy: select a rocket first.";
  return item;
}

std::vector<TGoalKind>& Kinds() {
  using G = TGoalMenuGroup;
  using D = TGoalMenuDraws;
  static std::vector<TGoalKind> kinds = {
      {"speeding", IsA<TGoal2DRaced>(), [](TGoalOwner o, TTeam&) { return std::make_unique<TGoal2DRaced>(o); },
       [](TPopulation& p) { p.AddSpeedingGoal(); }, {}, {"Runfast1", "Love speeding", G::Player}},
      {"energy", IsA<TGoalEnergy>(), [](TGoalOwner o, TTeam&) { return std::make_unique<TGoalEnergy>(o); },
       [](TPopulation& p) { p.AddEnergyGoal(); }, {},
       {"Keepenergyhunger1", "Take care of energy", G::Player}},
      {"health", IsA<TGoalHealth>(), [](TGoalOwner o, TTeam&) { return std::make_unique<TGoalHealth>(o); },
       [](TPopulation& p) { p.AddHealthGoal(); }, {}, {"Keephealth1", "Take care of health", G::Player}},
      {"drops", IsA<TGoal2DSweets>(), [](TGoalOwner o, TTeam&) { return std::make_unique<TGoal2DSweets>(o); },
       [](TPopulation& p) { p.AddDropsGoal(); }, VisitDrops,
       {"Addateamgoalforcollectingdrops1", "Collect energy drops (all players)", G::Team, D::TeamGoals}},
      {"storage", IsA<TGoal2DStorage>(),
       [](TGoalOwner o, TTeam&) { return std::make_unique<TGoal2DStorage>(o, 0, 0, 1, 0); },
       [](TPopulation& p) { p.AddStorageGoal(); }, VisitStorage,
       {"Addateamgoalforstoringcollecteddrops1", "Store energy in a box (all players)", G::Team, D::TeamGoals}},
      {"avoid", IsA<TGoal2DTeamAway>(),
       [](TGoalOwner o, TTeam& team) { return std::make_unique<TGoal2DTeamAway>(o, &team); },
       [](TPopulation& p) { p.AddAvoidGoal(); }, VisitAvoid,
       {"AvoidOtherPlayers", "Avoid other players (all players)", G::Team}},
      MouseKind(false),
      MouseKind(true),
      {"burnout", IsA<TGoalBurnOut>(),
       [](TGoalOwner o, TTeam&) -> std::unique_ptr<TGoal> {
         if (!o.Player || o.Player->BodyKind != bkRocket) throw Error("energy stealing belongs to a rocket");
         return std::make_unique<TGoalBurnOut>(o);
       },
       [](TPopulation& p) { p.AddBurnOutGoal(); }, {}, BurnOutItem()},
  };
  return kinds;
}

}  // namespace

const std::vector<TGoalKind>& GoalKinds() { return Kinds(); }

const TGoalKind* FindGoalKind(std::string_view name) {
  for (const TGoalKind& kind : Kinds())
    if (kind.Name == name) return &kind;
  return nullptr;
}

const TGoalKind* GoalKindOf(const TGoal& goal) {
  for (const TGoalKind& kind : Kinds())
    if (kind.Is(goal)) return &kind;
  return nullptr;
}

void RegisterGoalKind(TGoalKind kind) {
  if (FindGoalKind(kind.Name)) throw Error("A goal kind named \"" + kind.Name + "\" is already registered.");
  if (!kind.Menu.Name.empty())
    for (const TGoalKind& other : Kinds())
      if (other.Menu.Name == kind.Menu.Name)
        throw Error("A goal kind's menu item named \"" + kind.Menu.Name + "\" is already registered.");
  Kinds().push_back(std::move(kind));
}

std::string GoalKindNames() {
  std::string names;
  for (const TGoalKind& kind : Kinds()) names += (names.empty() ? "" : ", ") + kind.Name;
  return names;
}

}  // namespace vorlanth
