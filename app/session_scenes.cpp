// The session's circuits, scenes and undo.
//
// Opening a scene reads it into a new track and team; the world is replaced only
// once the whole file was read, and never while a cycle runs. Undo keeps every
// command that changed the world as the world's scene before and after it:
// undoing reads the scene before back into a new world and swaps it in, as
// opening a scene does (after the cycle in progress); redoing reads the scene
// after. Cycles are no command: undo goes back to the world as it was just
// before the command.

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QUndoStack>

#include "app/player_history.h"
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

// Where a snapshot names its circuit from: the root, so a circuit file is kept
// by its absolute path whatever folder the scene is saved in later.
std::string SnapshotAnchor() { return (QDir::rootPath() + QStringLiteral("undo.vorlanth.json")).toStdString(); }

// One step: the world's scene before and after a command.
class TWorldCommand : public QUndoCommand {
 public:
  static constexpr int DragId = 1;  // steps of one drag merge into one

  TWorldCommand(TSession& session, const QString& name, QByteArray before, QByteArray after, int gesture)
      : QUndoCommand(name), session_(session), before_(std::move(before)), after_(std::move(after)),
        gesture_(gesture) {}

  void undo() override { session_.ApplySnapshot(before_, text()); }
  void redo() override {
    // Pushing a command redoes it: it is done already.
    if (std::exchange(done_, false)) return;
    session_.ApplySnapshot(after_, text());
  }
  int id() const override { return gesture_ >= 0 ? DragId : -1; }
  bool mergeWith(const QUndoCommand* other) override {
    const auto* next = static_cast<const TWorldCommand*>(other);
    if (next->gesture_ != gesture_ || next->text() != text()) return false;
    after_ = next->after_;
    return true;
  }

 private:
  TSession& session_;
  QByteArray before_;
  QByteArray after_;
  int gesture_;  // the mouse press the command came in, or -1
  bool done_ = true;
};

}  // namespace

// ---------------------------------------------------------------------------
// Circuits.

void TSession::LoadCircuit(const QString& fileName) {
  // Only a .BMP file is loaded; any other choice keeps the circuit as it is. The
  // circuit is built from the clean picture, never from one with bodies drawn on it.
  if (IsCircuitFileName(fileName)) {
    std::unique_ptr<QtPicture> loaded = LoadPicture(EncodeFileName(fileName));
    track_->LoadFromImage(*loaded);  // raises before changing anything
    ReplacePicture(std::move(loaded), {EncodeFileName(fileName), {}});
    SetModified(true);
  }
  Redraw();
}

void TSession::UseBuiltinCircuit() {
  std::unique_ptr<QtPicture> builtin = LoadBuiltinCircuit();
  track_->LoadFromImage(*builtin);
  ReplacePicture(std::move(builtin), {});
  SetModified(true);
  Redraw();
}

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
  // Called between cycles (the window's messages are processed only there). Read
  // into a world of its own: a bad file throws here and the new objects go (the
  // team before the track that lists it), leaving the world, and its random
  // stream, as they were.
  auto track = std::make_unique<TTrack2D>();
  auto team = std::make_unique<TTeam>();
  TSceneRead read = ReadScene(EncodeFileName(fileName), *track, *team);
  if (mayReplace && !mayReplace()) return;
  SwapInWorld(std::move(track), std::move(team), std::move(read));
  SetModified(false);
  SetSceneFile(fileName);
}

void TSession::SaveScene(const QString& fileName) {
  ::vorlanth::SaveScene(EncodeFileName(fileName), *track_, circuit_);  // raises with the reason; nothing changes
  SetModified(false);
  SetSceneFile(fileName);
}

void TSession::SwapInWorld(std::unique_ptr<TTrack2D> track, std::unique_ptr<TTeam> team, TSceneRead read) {
  // What the session keeps of the old players goes before they do.
  plotHistory_->Clear();
  // The commands given before take effect first, on the world they were given to.
  track_->Inbox.Apply();
  track_->MouseSource = nullptr;
  // The new track keeps the session's clock and threads.
  track->ClockMs = track_->ClockMs;
  track->Threads = track_->Threads;

  auto population = std::make_unique<TPopulation>(*track);
  std::swap(population_, population);
  std::swap(team_, team);
  std::swap(track_, track);
  // The old world, in the destructor's order; the picture it was read from is the
  // one shown and drawn on.
  population.reset();
  team.reset();
  track.reset();
  ReplacePicture(std::move(read.Picture), read.Circuit);

  InstallOnTrack();
  RestoreRandomSnapshot(read.Random);
  cycleCount_ = static_cast<int64_t>(track_->CycleCount);
  FrameCounter = FirstFrame;
  emit WorldReplaced();
  track_->DrawBackground();
  Redraw();
}

// ---------------------------------------------------------------------------
// Undo.

QByteArray TSession::Snapshot() const { return SceneDocument(*track_, circuit_, SnapshotAnchor()); }

QString TSession::UndoName(const QString& where) {
  // A control's caption when it has one ("Add a circle of karts"), else its name.
  QString name = where;
  const qsizetype open = where.indexOf(QLatin1Char('"'));
  const qsizetype close = where.lastIndexOf(QLatin1Char('"'));
  if (open >= 0 && close > open) name = where.mid(open + 1, close - open - 1);
  name.remove(QLatin1Char('&'));
  if (const qsizetype details = name.indexOf(QStringLiteral(" (")); details > 0) name.truncate(details);
  return name;
}

void TSession::RecordCommand(const QString& where, const QByteArray& before) {
  QByteArray after;
  try {
    after = Snapshot();
  } catch (...) {
    return;  // a world a scene cannot describe: this change cannot be undone
  }
  if (after == before) return;
  const int gesture = QGuiApplication::mouseButtons() != Qt::NoButton ? Gesture : -1;
  undo_->push(new TWorldCommand(*this, UndoName(where), before, after, gesture));
}

void TSession::ApplySnapshot(const QByteArray& document, const QString& name) {
  // Replaces the world: between cycles, never at a drawing step.
  Command(
      name,
      [this, document] {
        restoringWorld_ = true;  // the command that restores is no step of its own
        // A failed read leaves the world and its random stream as they were.
        auto track = std::make_unique<TTrack2D>();
        auto team = std::make_unique<TTeam>();
        TSceneRead read = ReadSceneDocument(document, SnapshotAnchor(), *track, *team);
        const int32_t frame = FrameCounter;
        SwapInWorld(std::move(track), std::move(team), std::move(read));
        FrameCounter = frame;
      },
      true, false);
}

}  // namespace vorlanth
