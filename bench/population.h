#pragma once
// The commands that populate the bench: adding players of each kind (copying the
// selected player, spacing, free-place search, colours, evolution), the circle of
// karts, asteroids, every goal of the "Add goals" menu and deleting goals. They
// are model operations: the window and the headless runner both call them, and
// the window adds its list, panels and redraw around them.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace vorlanth {

class TGoal;
class TPlayer;
class TTeam;
class TTrack2D;

// Kinds passed to AddPlayer.
enum TPlayerKind : int32_t {
  pkSame = 0,      // the kind of the selected player
  pkKart = 1,
  pkRocket = 2,
  pkAsteroid = 3,
};

class TPopulation {
 public:
  static constexpr int32_t CircleKartCount = 18;      // karts in a circle
  static constexpr double CircleRadius = 90;           // pixels, around (400, 300)
  static constexpr double CircleCentreX = 400;
  static constexpr double CircleCentreY = 300;
  static constexpr double CircleKartMaxPower = 14;
  static constexpr double CircleKartSize = 8;
  static constexpr int32_t AsteroidGroupCount = 5;
  static constexpr int32_t StorageBoxHalfSize = 6;     // half side of a storage box
  static constexpr int32_t StorageBoxCapacity = 500;
  static constexpr double CopySpacing = 30;            // pixels ahead of the copied player
  // Random searches for a free place give up after this many draws.
  static constexpr int32_t MaxPlacementTries = 20000;

  explicit TPopulation(TTrack2D& track) : Track(track) {}

  TTrack2D& Track;
  // Called at the end of every AddPlayer with the new player (the window lists
  // it, loads its panels and redraws).
  std::function<void(TPlayer&)> OnPlayerAdded;

  TTeam& CurrentTeam() const;
  TPlayer* SelectedPlayer() const;

  // Creates, places, colours and selects one player of the kind. An unknown kind
  // adds nothing and returns nullptr. When no free place is found the player is
  // not added, the selection is restored and an error is raised. Without
  // findFreePlace the player stays where it was made, blocked or not: the caller
  // places it.
  TPlayer* AddPlayer(int32_t kind, bool findFreePlace = true);
  // Removes every player of the current team and hands them over, in the order
  // they stood (dropped, they are freed); the team's goals stay.
  std::vector<std::unique_ptr<TPlayer>> DeleteAllPlayers();
  // Replaces the team's players by a circle of karts facing its centre; hands
  // over the players replaced.
  std::vector<std::unique_ptr<TPlayer>> AddCircleOfKarts();
  void AddAsteroids(int32_t count);

  // The "Add goals" menu. Each returns nothing and raises on failure (nothing added).
  void AddSpeedingGoal();
  void AddEnergyGoal();
  void AddHealthGoal();
  // A personal goal of the selected player; raises for a player that is not a rocket.
  void AddBurnOutGoal();
  void AddDropsGoal();
  // Places a box at random where its four corners are on track; raises when the
  // circuit offers no such place.
  void AddStorageGoal();
  void AddAvoidGoal();
  void AddMouseGoal(bool avoid);
  // Both hand over the goals deleted (dropped, they are freed).
  std::vector<std::unique_ptr<TGoal>> DeleteTeamGoals();
  std::vector<std::unique_ptr<TGoal>> DeletePlayersGoals();

 private:
  // Draws random places until the player is not blocked; false after the bound.
  bool FindFreePlace(TPlayer& player, double xScale, double xOffset, double yScale, double yOffset);
  void ColorByCount(TPlayer& player) const;
};

}  // namespace vorlanth
