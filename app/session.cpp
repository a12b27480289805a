// The session: its world, commands, the run loop and frame saving.

#include "app/session.h"

#include <QGuiApplication>
#include <QUndoStack>

#include <utility>

#include "app/player_history.h"
#include "app/timeline.h"
#include "bench/population.h"
#include "bench/scenes.h"
#include "core/error.h"
#include "core/goal.h"
#include "core/player.h"
#include "core/random.h"
#include "core/team.h"
#include "render/builtin_circuit.h"
#include "render/output_file.h"
#include "render/qt_canvas.h"
#include "render/qt_picture.h"
#include "world2d/track2d.h"

namespace vorlanth {

TSession::TSession(QObject* parent) : QObject(parent), windowThread_(std::this_thread::get_id()) {
  undo_ = new QUndoStack(this);
  undo_->setUndoLimit(UndoLimit);
  connect(undo_, &QUndoStack::cleanChanged, this, [this] { UpdateModified(); });
  plotHistory_ = std::make_unique<TPlotHistory>();
  timeline_ = std::make_unique<TTimeline>();
  // The track, its team and the commands exist before any circuit is read, so no
  // command ever meets a session without them.
  track_ = std::make_unique<TTrack2D>();
  team_ = std::make_unique<TTeam>();
  population_ = std::make_unique<TPopulation>(*track_);
  track_->AddTeam(team_.get());
}

TSession::~TSession() {
  if (world_.joinable()) {
    StopWorld();
    world_.join();
  }
  undo_->clear();  // the worlds and players the steps keep go before the picture
  track_->MouseSource = nullptr;
  population_.reset();
  team_.reset();
  track_.reset();
  canvas_.reset();
  picture_.reset();
}

TTeam* TSession::CurrentTeam() const { return track_->CurrentTeam; }

TPlayer* TSession::SelectedPlayer() const {
  const TTeam* team = CurrentTeam();
  return team ? team->Selected : nullptr;
}

void TSession::Start(int32_t threads) {
  track_->Random.SeedFromClock();
  std::unique_ptr<QtPicture> picture;
  try {
    picture = LoadBuiltinCircuit();
  } catch (...) {
    Report(QStringLiteral("loading the built-in circuit"));
    QImage blank(DesignedWidth, DesignedHeight, QImage::Format_RGB32);
    blank.fill(Qt::white);
    picture = std::make_unique<QtPicture>(std::move(blank));
  }
  canvas_ = std::make_unique<QtCanvas>(&picture->Image());
  track_->Threads = threads;
  track_->LoadFromImage(*picture);
  ReplacePicture(std::move(picture), {});
  InstallOnTrack();
  // The built-in start-up scene: one rocket, the drop goal, feelings and the
  // team's goals drawn.
  BuildBuiltinScene(*population_, "start");
  StartJournal();
  emit WorldReplaced();
  Redraw();
}

void TSession::InstallOnTrack() {
  track_->ImageCanvas = canvas_.get();
  track_->KeepsFuturesLayer = true;  // a redraw between cycles keeps the traces and feelings
  track_->MouseSource = [this](int32_t& x, int32_t& y) { return MousePosition(x, y); };
  population_->OnPlayerAdded = [this](TPlayer& /*player*/) {
    emit PlayerAdded();
    Redraw();
  };
}

std::unique_ptr<QtPicture> TSession::ReplacePicture(std::unique_ptr<QtPicture> picture, TSceneCircuit circuit) {
  canvas_->End();
  canvas_->SetImage(&picture->Image());
  std::swap(picture_, picture);
  frame_ = picture_->Image().copy();
  // The digest once, for every scene saved of the world.
  if (circuit.Sha256.empty()) circuit.Sha256 = CircuitDigest(*picture_);
  circuit_ = std::move(circuit);
  emit CircuitReplaced();
  return picture;
}

// ---------------------------------------------------------------------------
// Commands.

void TSession::Command(const QString& name, std::function<void()> command, bool changesWorld) {
  Command(name, std::move(command), changesWorld, changesWorld);
}

void TSession::Command(const QString& name, std::function<void()> command, bool changesWorld, bool waits) {
  // A change of the world given while a past cycle is shown (paused) goes on from
  // there (so do Run, Step, saving and a circuit: the session's own); a command
  // that changes no world leaves the past cycle shown.
  if (shown_ && changesWorld && !Running()) {
    try {
      ContinueFromShown();
    } catch (...) {
      Report(name);
      return;
    }
  }
  // While cycles run, a change of the world waits for the next drawing step.
  // The mouse press a drag's steps share, as it was when the command was given.
  const int gesture = QGuiApplication::mouseButtons() != Qt::NoButton ? Gesture : -1;
  if (waits && Running() && applying_ == 0) {
    // Applied by the world at its drawing step, in the window, while the world waits.
    track_->Inbox.Post([this, name, command = std::move(command), changesWorld, gesture] {
      // Applied by the cycle (on the world's thread), or at once once the run has stopped.
      const bool cycle = std::this_thread::get_id() != windowThread_;
      Meet([&] { ApplyWaiting(name, command, changesWorld, gesture, cycle); });
    });
    return;
  }
  // Any other command waits for the end of the cycle in progress.
  if (WorldBusy()) {
    Defer(name, std::move(command), changesWorld, gesture);
    return;
  }
  RunNow(name, command, changesWorld, gesture);
}

void TSession::RunNow(const QString& name, const std::function<void()>& command, bool changesWorld, int gesture) {
  if (!recording_) commandGesture_ = gesture;
  ++commandDepth_;
  try {
    RunBody(name, command, changesWorld);
    // The command's one redraw, still inside the command, shown at once.
    if (commandDepth_ == 1 && std::exchange(redrawPending_, false)) {
      track_->DrawAsLastCycle();
      ShowFrame();
    }
  } catch (...) {
    Report(name);
  }
  if (--commandDepth_ == 0) {
    redrawPending_ = false;
    emit CommandDone();
  }
}

void TSession::RunBody(const QString& name, const std::function<void()>& command, bool changesWorld) {
  // A change of the world is compared around its outermost command.
  if (changesWorld && !recording_) {
    RunRecorded(name, command);
  } else if (!recording_ && commandDepth_ == 1) {
    RunJournaled(name, command);
  } else {
    command();
  }
  plotHistory_->KeepOnly(*track_);
}

void TSession::ApplyWaiting(const QString& name, const std::function<void()>& command, bool recorded, int gesture,
                            bool atDrawingStep) {
  const bool outerPoint = std::exchange(atDrawingStep_, atDrawingStep);
  // Inside the cycle's drawing step (or after the run): no dialog may open here,
  // so an error is reported once the cycle has ended.
  if (!recording_) commandGesture_ = gesture;
  ++applying_;
  ++commandDepth_;
  try {
    RunBody(name, command, recorded);
    if (commandDepth_ == 1 && std::exchange(redrawPending_, false)) track_->DrawAsLastCycle();
  } catch (...) {
    failures_.push_back({QStringLiteral("%1, at the drawing step of cycle %2").arg(name).arg(cycleCount_ + 1),
                         std::current_exception()});
  }
  if (--commandDepth_ == 0) redrawPending_ = false;
  --applying_;
  atDrawingStep_ = outerPoint;
  appliedWaiting_ = true;
}

size_t TSession::WaitingCommands() const { return track_->Inbox.Count(); }

void TSession::ApplyWaitingNow() {
  // Each waiting command catches its own errors: nothing escapes here.
  track_->Inbox.Apply();
  RunDeferred();
  ReportApplied();
}

void TSession::ReportApplied() {
  std::vector<TCommandFailure> failures;
  failures.swap(failures_);
  for (const TCommandFailure& failure : failures) {
    try {
      std::rethrow_exception(failure.Error);
    } catch (...) {
      Report(failure.Where);
    }
  }
  if (std::exchange(appliedWaiting_, false)) {
    emit WaitingApplied();
    emit CommandDone();
  }
}

void TSession::Report(const QString& where) {
  if (ReportError) ReportError(where);
}

void TSession::Redraw() {
  if (commandDepth_ > 0) {
    redrawPending_ = true;
  } else {
    mouseRead_ = false;
    track_->DrawAsLastCycle();
    ShowFrame();
  }
}

void TSession::SetModified(bool modified) {
  ranSinceClean_ = modified;
  if (!modified) undo_->setClean();
  UpdateModified();
}

void TSession::UpdateModified() {
  const bool modified = ranSinceClean_ || !undo_->isClean();
  if (modified_ == modified) return;
  modified_ = modified;
  emit ModifiedChanged(modified);
}

void TSession::Reset() {
  FrameCounter = FirstFrame;
  plotHistory_->Clear();
  for (TTeam* team : track_->Teams) team->RestoreStoredStates();
  // The stored states are more than a command's values: the journal begins anew
  // here, between cycles (a scene holds a world between cycles).
  if (atDrawingStep_) {
    restartJournal_ = true;
  } else {
    StartJournal();
  }
  Redraw();
}

}  // namespace vorlanth
