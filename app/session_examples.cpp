// The session's new worlds: File > New (the start scene) and File > Examples
// (the built-in scenes the headless runner knows), each on the built-in circuit
// and one step of undo that keeps the world it replaced.

#include <QUndoStack>

#include <memory>
#include <string>

#include "app/session.h"
#include "bench/population.h"
#include "bench/scenes.h"
#include "core/error.h"
#include "core/player.h"
#include "core/team.h"
#include "render/builtin_circuit.h"
#include "render/qt_picture.h"
#include "world2d/track2d.h"

namespace vorlanth {

void TSession::OpenBuiltinScene(const QString& name, const QString& stepName,
                                const std::function<bool()>& mayReplace) {
  // Called between cycles, as opening a scene is. Built in a world of its own: a
  // failure leaves the world as it was.
  const std::string scene = name.toStdString();
  if (!IsBuiltinScene(scene)) throw Error("There is no built-in scene \"" + scene + "\".");
  auto track = std::make_unique<TTrack2D>();
  auto team = std::make_unique<TTeam>();
  TSceneRead read;
  read.Picture = LoadBuiltinCircuit();
  track->LoadFromImage(*read.Picture);
  track->AddTeam(team.get());
  // The random stream goes on: a new world never rewinds it.
  track->Random = track_->Random;
  {
    // As the runner builds it: every player added draws its feelings.
    TPopulation population(*track);
    population.OnPlayerAdded = [](TPlayer& player) { player.ShowFeelings = true; };
    BuildBuiltinScene(population, scene);
  }
  if (mayReplace && !mayReplace()) return;
  SwapInWorld(std::move(track), std::move(team), std::move(read), stepName);
  SetModified(false);
  SetSceneFile(QString());
}

}  // namespace vorlanth
