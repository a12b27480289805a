#pragma once
// What the session keeps beside its world: the world's parts, as a step of undo
// that replaces the world (opening a scene, a new world, going on from a past
// cycle) keeps them; the commands that wait for a cycle's end, and the failures
// of those applied in a cycle.

#include <QString>

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <vector>

#include "scene/scene.h"

namespace vorlanth {

class QtPicture;
class TPopulation;
class TTeam;
class TTrack2D;
struct TKeptCycle;

struct TWorldParts {
  std::unique_ptr<TTrack2D> Track;
  std::unique_ptr<TTeam> Team;
  std::unique_ptr<TPopulation> Population;
  std::unique_ptr<QtPicture> Picture;
  TSceneCircuit Circuit;
  // A world continued from kept cycle FromCycle (-1: any other): the kept cycles
  // after it that go with the world.
  int64_t FromCycle = -1;
  std::vector<std::shared_ptr<TKeptCycle>> Later;
};

// A command waiting for the end of the cycle in progress.
struct TDeferredCommand {
  QString Name;
  std::function<void()> Command;
  bool ChangesWorld;
  int Gesture;
};

// A command applied in a cycle that failed, reported after the cycle.
struct TCommandFailure {
  QString Where;
  std::exception_ptr Error;
};

}  // namespace vorlanth
