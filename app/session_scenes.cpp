// The session's circuits and scenes.
//
// Opening a scene reads it into a new track and team; the world is replaced only
// once the whole file was read, between cycles. Opening a scene or a circuit is
// one step of undo, which keeps the world (or the circuit) it replaced.

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QUndoStack>

#include <utility>

#include "app/file_problem.h"
#include "app/player_history.h"
#include "app/timeline.h"
#include "app/session.h"
#include "bench/population.h"
#include "core/random.h"
#include "core/team.h"
#include "render/builtin_circuit.h"
#include "render/output_file.h"
#include "render/qt_canvas.h"
#include "render/qt_picture.h"
#include "world2d/track2d.h"

namespace vorlanth {

namespace {

bool IsCircuitFileName(const QString& name) {
  return QFileInfo(name).suffix().compare(QStringLiteral("bmp"), Qt::CaseInsensitive) == 0;
}

}  // namespace

// ---------------------------------------------------------------------------
// Circuits.

void TSession::LoadCircuit(const QString& fileName) {
  // Only a .BMP file is loaded; any other choice keeps the circuit as it is. The
  // circuit is built from the clean picture, never from one with bodies drawn on it.
  if (IsCircuitFileName(fileName)) {
    // A picture that cannot be read or made a circuit is the file's problem.
    AsFileProblem(fileName, [&] {
      std::unique_ptr<QtPicture> loaded = LoadPicture(EncodeFileName(fileName));
      ReplaceCircuit(std::move(loaded), {EncodeFileName(fileName), {}});
    });
  }
  Redraw();
}

void TSession::UseBuiltinCircuit() { ReplaceCircuit(LoadBuiltinCircuit(), {}); }

// ---------------------------------------------------------------------------
// Scenes.

QString TSession::SceneName() const {
  return sceneFile_.isEmpty() ? QStringLiteral("untitled") : QFileInfo(sceneFile_).fileName();
}

void TSession::SetSceneFile(const QString& fileName) {
  sceneFile_ = fileName;
  emit SceneFileChanged(fileName);
}

void TSession::OpenScene(const QString& fileName, const std::function<bool()>& mayReplace) {
  // Called between cycles (while running, the command waits for the cycle's end).
  // Read into a world of its own: a bad file throws here and the new objects go (the
  // team before the track that lists it), leaving the world, and its random
  // stream, as they were.
  auto track = std::make_unique<TTrack2D>();
  auto team = std::make_unique<TTeam>();
  TSceneRead read = AsFileProblem(fileName, [&] { return ReadScene(EncodeFileName(fileName), *track, *team); });
  if (mayReplace && !mayReplace()) return;
  SwapInWorld(std::move(track), std::move(team), std::move(read));
  SetModified(false);
  SetSceneFile(fileName);
}

void TSession::SaveScene(const QString& fileName) {
  if (shown_) ContinueFromShown();  // the world saved is the one shown
  // Raises with the reason; nothing changes.
  AsFileProblem(fileName, [&] { ::vorlanth::SaveScene(EncodeFileName(fileName), *track_, circuit_); });
  SetModified(false);
  SetSceneFile(fileName);
}

void TSession::SwapInWorld(std::unique_ptr<TTrack2D> track, std::unique_ptr<TTeam> team, TSceneRead read,
                           const QString& stepName) {
  TWorldParts parts;
  parts.Population = std::make_unique<TPopulation>(*track);
  parts.Track = std::move(track);
  parts.Team = std::move(team);
  parts.Picture = std::move(read.Picture);
  parts.Circuit = read.Circuit;
  TWorldParts old = SwapWorld(std::move(parts));
  FrameCounter = FirstFrame;
  PushWorldStep(std::move(old), stepName);
}

TSession::TWorldParts TSession::SwapWorld(TWorldParts parts) {
  // The commands given before take effect first, on the world they were given to.
  track_->Inbox.Apply();
  // What the session keeps of the old players goes before they do.
  plotHistory_->Clear();
  track_->MouseSource = nullptr;
  // The new track keeps the session's clock and threads.
  parts.Track->ClockMs = track_->ClockMs;
  parts.Track->Threads = track_->Threads;

  // The kept cycles go with their world: a continued world's later ones are
  // exchanged, any other world's are not this one's.
  const bool wasShown = std::exchange(shown_, nullptr) != nullptr;
  TWorldParts old;
  old.FromCycle = parts.FromCycle;
  if (parts.FromCycle >= 0) {
    old.Later = std::move(parts.Later);
    timeline_->SwapAfter(parts.FromCycle, old.Later);
  } else {
    timeline_->Clear();
  }
  std::swap(old.Population, population_);
  std::swap(old.Team, team_);
  std::swap(old.Track, track_);
  old.Circuit = circuit_;
  population_ = std::move(parts.Population);
  team_ = std::move(parts.Team);
  track_ = std::move(parts.Track);
  old.Picture = ReplacePicture(std::move(parts.Picture), parts.Circuit);
  InstallOnTrack();
  cycleCount_ = static_cast<int64_t>(track_->CycleCount);
  StartJournal();
  emit WorldReplaced();
  emit TimelineChanged();
  if (wasShown) emit ShownCycleChanged(cycleCount_);
  track_->DrawBackground();
  Redraw();
  return old;
}

}  // namespace vorlanth
