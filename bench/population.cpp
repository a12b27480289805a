#include "bench/population.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "bench/body_kinds.h"
#include "core/elementary.h"
#include "core/energy_health_goals.h"
#include "core/error.h"
#include "core/random.h"
#include "core/rounding.h"
#include "core/team.h"
#include "goals/avoid_goal.h"
#include "goals/burnout_goal.h"
#include "goals/drops_goal.h"
#include "goals/mouse_goal.h"
#include "goals/speeding_goal.h"
#include "goals/storage_goal.h"
#include "world2d/kart.h"
#include "world2d/polygon2d.h"
#include "world2d/rocket.h"
#include "world2d/track2d.h"

namespace vorlanth {
namespace {

constexpr double kPi = std::numbers::pi;

int32_t KindOf(const TPlayer* player) {
  const TBodyKindInfo* kind = player ? BodyKindOf(*player) : nullptr;
  return kind ? kind->Kind : pkSame;
}

// A new body of the kind where the first of its kind stands; nullptr for an unknown kind.
std::unique_ptr<TPhysic2D> NewBody(TRandomStream& random, int32_t kind) {
  const TBodyKindInfo* info = BodyKindOf(kind);
  return info ? info->Make(random, info->StartX, info->StartY, info->StartAngle, info->StartSides) : nullptr;
}

// A new body of the kind, holding the goals of a body.
std::unique_ptr<TPhysic2D> CreateBody(TRandomStream& random, int32_t kind) {
  std::unique_ptr<TPhysic2D> body = NewBody(random, kind);
  if (body) body->AdoptGoals(GiveBodyGoals);
  return body;
}

}  // namespace

TTeam& TPopulation::CurrentTeam() const {
  if (!Track.CurrentTeam) throw Error("The track has no team.");
  return *Track.CurrentTeam;
}

TPlayer* TPopulation::SelectedPlayer() const { return CurrentTeam().Selected; }

TPlayer* TPopulation::AddPlayer(int32_t kind, bool findFreePlace) {
  TTeam& team = CurrentTeam();
  TPlayer* previous = team.Selected;
  if (kind == pkSame) kind = KindOf(previous);

  std::unique_ptr<TPhysic2D> created = CreateBody(Track.Random.Stream, kind);
  if (!created) return nullptr;
  auto* body = static_cast<TPhysic2D*>(team.AddPlayer(std::move(created)));

  // A copy of a player of the same class continues where it left off.
  if (previous && typeid(*previous) == typeid(*body)) {
    body->Assign(*previous);
    body->Goals->CopyParamsFrom(*previous->Goals);
    double x = body->GetPosX();
    double y = body->GetPosY();
    const int32_t n = team.PlayerCount();
    if (n <= 2) {
      x += CopySpacing * elem::Cos(body->GetAngle());
      y += CopySpacing * elem::Sin(body->GetAngle());
    } else {
      auto* p2 = static_cast<TPlayer2D*>(team.GetPlayer(n - 2));
      auto* p3 = static_cast<TPlayer2D*>(team.GetPlayer(n - 3));
      x += p2->GetPosX() - p3->GetPosX();
      y += p2->GetPosY() - p3->GetPosY();
    }
    body->SetPosX(x);
    body->SetPosY(y);
  }

  // Whether a place is free is asked of every other body, and the asking leaves
  // its contact point on the one touched: put back, adding a player changes no other.
  struct TContactKept {
    TPhysic2D* Body;
    double X, Y;
  };
  struct TPutBack {
    std::vector<TContactKept> Kept;
    ~TPutBack() {
      for (const TContactKept& k : Kept) {
        k.Body->ContactX = k.X;
        k.Body->ContactY = k.Y;
      }
    }
  } putBack;
  for (TPlayer* other : Track.Players)
    if (TPhysic2D* them = AsPhysic(other); them && them != body) putBack.Kept.push_back({them, them->ContactX, them->ContactY});
  bool placed = true;
  if (kind == pkAsteroid) {
    auto* asteroid = static_cast<TPolygon2D*>(body);
    asteroid->ShowTraces = true;
    asteroid->SetSize(5 + Round32(10 * Random(Track.Random.Stream)));
    asteroid->SetSides(3 + Round32(3 * Random(Track.Random.Stream)));
    asteroid->SetVelX((Random(Track.Random.Stream) - 0.5) * 100);
    asteroid->SetVelY((Random(Track.Random.Stream) - 0.5) * 100);
    // Asteroids start in the upper part of the circuit.
    if (findFreePlace) placed = FindFreePlace(*body, 0.7, 0.15, 0.3, 0.1);
  } else if (findFreePlace) {
    placed = !Track.IsBlocked(*body) || FindFreePlace(*body, 0.8, 0.1, 0.8, 0.1);
  }
  if (!placed) {
    team.RemovePlayer(body, true);
    if (previous && team.IsMember(previous)) team.SelectPlayer(previous);
    throw Error("No free place on this circuit for a new player: nothing was added.");
  }
  body->CommitState();

  if (Track.Evolution) {
    body->Goals->RandomizeStrengths(Track.Random.Stream);
    body->Goals->ColorFromGoals();
    body->Goals->ShowGoals = true;
  } else {
    ColorByCount(*body);
  }
  if (OnPlayerAdded) OnPlayerAdded(*body);
  return body;
}

bool TPopulation::FindFreePlace(TPlayer& player, double xScale, double xOffset, double yScale,
                                double yOffset) {
  auto& body = static_cast<TPlayer2D&>(player);
  for (int32_t tries = 0; tries < MaxPlacementTries; ++tries) {
    body.SetPosX((xScale * Random(Track.Random.Stream) + xOffset) * Track.Width());
    body.SetPosY((yScale * Random(Track.Random.Stream) + yOffset) * Track.Height());
    if (!Track.IsBlocked(body)) return true;
  }
  return false;
}

void TPopulation::ColorByCount(TPlayer& player) const {
  switch (Track.PlayerCount()) {
    case 1: player.Color = MakeColor(255, 255, 255); break;
    case 2: player.Color = MakeColor(255, 255, 0); break;
    case 3: player.Color = MakeColor(255, 150, 100); break;
    case 4: player.Color = MakeColor(255, 0, 0); break;
    case 5: player.Color = MakeColor(180, 180, 180); break;
    default: break;  // the colour from construction stays
  }
}

std::vector<std::unique_ptr<TPlayer>> TPopulation::DeleteAllPlayers() {
  TTeam& team = CurrentTeam();
  // Removed the selected one first, as ever (the goals forget them in that order).
  std::vector<std::pair<int32_t, std::unique_ptr<TPlayer>>> removed;
  std::vector<TPlayer*> order;
  for (auto& player : team.Players) order.push_back(player.get());
  while (team.PlayerCount() > 0) {
    TPlayer* victim = team.Selected ? team.Selected : team.GetPlayer(0);
    const auto at = std::find(order.begin(), order.end(), victim) - order.begin();
    removed.emplace_back(static_cast<int32_t>(at), team.RemovePlayer(victim, false));
  }
  std::sort(removed.begin(), removed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::unique_ptr<TPlayer>> players;
  for (auto& [at, player] : removed) players.push_back(std::move(player));
  return players;
}

std::vector<std::unique_ptr<TPlayer>> TPopulation::AddCircleOfKarts() {
  std::vector<std::unique_ptr<TPlayer>> replaced = DeleteAllPlayers();
  // The karts' places are set without a test for walls or overlaps, so none is
  // searched for: on a circuit with no free place the circle is made all the same.
  for (int32_t i = 0; i < CircleKartCount; ++i) {
    auto* kart = static_cast<TKart*>(AddPlayer(pkKart, false));
    const double a = 2 * kPi * i / CircleKartCount;
    kart->SetMaxPower(CircleKartMaxPower);
    kart->SetSize(CircleKartSize);
    kart->SetPosX(CircleCentreX + CircleRadius * elem::Cos(a));
    kart->SetPosY(CircleCentreY + CircleRadius * elem::Sin(a));
    kart->SetAngle(a + kPi);  // facing the centre
    kart->CommitState();
  }
  return replaced;
}

void TPopulation::AddAsteroids(int32_t count) {
  for (int32_t i = 0; i < count; ++i) AddPlayer(pkAsteroid);
}

void TPopulation::AddSpeedingGoal() {
  CurrentTeam().Goals->AddGoal(std::make_unique<TGoal2DRaced>(&CurrentTeam()));
}

void TPopulation::AddEnergyGoal() {
  CurrentTeam().Goals->AddGoal(std::make_unique<TGoalEnergy>(&CurrentTeam()));
}

void TPopulation::AddHealthGoal() {
  CurrentTeam().Goals->AddGoal(std::make_unique<TGoalHealth>(&CurrentTeam()));
}

void TPopulation::AddBurnOutGoal() {
  TPlayer* player = SelectedPlayer();
  if (!player) throw Error("No player is selected.");
  auto goal = std::make_unique<TGoalBurnOut>(player);  // raises for a non-rocket
  player->Goals->AddGoal(std::move(goal));
}

void TPopulation::AddDropsGoal() {
  CurrentTeam().Goals->AddGoal(std::make_unique<TGoal2DSweets>(&CurrentTeam()));
}

void TPopulation::AddStorageGoal() {
  const int32_t h = StorageBoxHalfSize;
  for (int32_t tries = 0; tries < MaxPlacementTries; ++tries) {
    const int32_t x = Round32((0.8 * Random(Track.Random.Stream) + 0.1) * Track.Width());
    const int32_t y = Round32((0.8 * Random(Track.Random.Stream) + 0.1) * Track.Height());
    if (Track.IsOnTrack(x - h, y - h) && Track.IsOnTrack(x - h, y + h) &&
        Track.IsOnTrack(x + h, y - h) && Track.IsOnTrack(x + h, y + h)) {
      CurrentTeam().Goals->AddGoal(
          std::make_unique<TGoal2DStorage>(&CurrentTeam(), x, y, h, StorageBoxCapacity));
      return;
    }
  }
  throw Error("No free place on this circuit for a storage box: no goal was added.");
}

void TPopulation::AddAvoidGoal() {
  CurrentTeam().Goals->AddGoal(std::make_unique<TGoal2DTeamAway>(&CurrentTeam(), &CurrentTeam()));
}

void TPopulation::AddMouseGoal(bool avoid) {
  CurrentTeam().Goals->AddGoal(std::make_unique<TGoalMouse>(&CurrentTeam(), avoid));
}

std::vector<std::unique_ptr<TGoal>> TPopulation::DeleteTeamGoals() {
  std::vector<std::unique_ptr<TGoal>> goals = std::move(CurrentTeam().Goals->Items);
  CurrentTeam().Goals->Clear();
  return goals;
}

std::vector<std::unique_ptr<TGoal>> TPopulation::DeletePlayersGoals() {
  TTeam& team = CurrentTeam();
  std::vector<std::unique_ptr<TGoal>> goals;
  for (int32_t i = 0; i < team.PlayerCount(); ++i) {
    TGoalSet& set = *team.GetPlayer(i)->Goals;
    for (auto& goal : set.Items) goals.push_back(std::move(goal));
    set.Clear();
  }
  return goals;
}

}  // namespace vorlanth
