#pragma once
// The team's part of a scene: its players (kind, settings, body, record, present
// state, every parameter) and every goal set, written to JSON and read back. The
// document around it (format, circuit, track, random stream) is scene.cpp's.

#include <QJsonObject>

#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "scene/scene.h"
#include "scene/scene_json.h"

namespace vorlanth {

class TGoal;
class TGoalSet;
struct TGoalOwner;
class TPhysic2D;
class TPlayer;
class TTeam;

namespace scene_bounds {

constexpr double kLargest = std::numeric_limits<double>::max();  // any finite real
constexpr int64_t kLargestWhole = int64_t{1} << 52;           // whole numbers a double holds exactly
constexpr int64_t kMostPlayers = MaxScenePlayers;
// Bounds of the values the model leaves unbounded: far beyond any circuit and any
// speed a body reaches, and small enough that their squares and sums stay finite.
constexpr double kFarthest = 1e9;            // positions (pixels), speeds (pixels/s, radians/s), angles, pushes
constexpr double kMostGravity = 1e6;         // pixels/s²
constexpr double kLeastDensity = 1e-6;       // a body without mass would divide by zero
constexpr double kMostDensity = 1e6;
constexpr double kMostFutureNoise = 1e6;     // pixels/s
constexpr double kMostFriction = 1;          // share of the speed lost, rolling and sideways
constexpr int32_t kMostGoals = 1000;

}  // namespace scene_bounds

// A player's place in its team, -1 for none.
int32_t IndexOrNone(const TPlayer* player);

// Throws Error for a goal whose kind is not one of the bench's.
QJsonObject GoalJson(const TGoal& goal, const TTeam& team);
QJsonObject GoalSetJson(const TGoalSet& set, const TTeam& team);
// Throws Error when the world holds something a scene cannot describe.
QJsonObject PlayerJson(const TPlayer& player, const TTeam& team);

// The goals of a set, built at once (so that a goal's player references can name
// any member); the reading of their values is appended to `later`.
void ReadGoalSet(TSceneReader r, TGoalSet& set, TTeam& team, std::vector<std::function<void()>>& later);
// One goal of the kind the reader names, for the owner given; the reading of its
// values (which may name any player of the team) is appended to `later`.
std::unique_ptr<TGoal> ReadGoalOf(TSceneReader& r, TGoalOwner owner, TTeam& team,
                                  std::vector<std::function<void()>>& later);
// A bare body of the kind the reader names.
std::unique_ptr<TPhysic2D> MakeBody(TRandomStream& random, TSceneReader& r, const std::string& kind);
void ReadPlayer(TSceneReader& r, TPlayer& player);

}  // namespace vorlanth
