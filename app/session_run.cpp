// The session's run: cycles on the world's thread, its meetings with the window,
// and the frames each cycle leaves.
//
// The world's thread and the window share the world only in a meeting, in which
// the world's thread waits while the window works: a meeting's start and end pass
// through one mutex, so what either wrote before is seen by the other after. The
// window never waits for the world: it handles its messages while a cycle
// computes, and only once the run's event loop has ended (the application quits)
// does it wait for the cycle in progress, meeting the world as it goes.

#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMetaObject>

#include <limits>
#include <string_view>
#include <utility>

#include "app/file_problem.h"
#include "app/player_history.h"
#include "app/timeline.h"
#include "app/session.h"
#include "core/error.h"
#include "core/team.h"
#include "render/output_file.h"
#include "render/qt_canvas.h"
#include "render/qt_picture.h"
#include "world2d/track2d.h"

namespace vorlanth {

namespace {

constexpr const char* kCyclePhase = "the simulation cycle (futures, team goals, drawing, decision, world step)";

}  // namespace

// ---------------------------------------------------------------------------
// The run loop.

void TSession::RunLoop(const std::function<bool()>& goOn, const std::function<void()>& between) {
  if (Running()) return;  // the run in progress is the one
  if (shown_) {  // paused at a past cycle: the run goes on from it
    try {
      ContinueFromShown();
    } catch (...) {
      Report(QStringLiteral("going on from cycle %1").arg(shown_ ? shown_->Cycle : cycleCount_));
      return;
    }
  }
  // Commands run from this loop are commands of their own, not nested in the
  // click that started it.
  const int outerDepth = std::exchange(commandDepth_, 0);
  ++runDepth_;
  std::exception_ptr error;
  try {
    ReadMouseForCycle();
    if (timeline_->Count() == 0) KeepCycle();  // where the run starts, to come back to
    if (goOn()) {
      worldDone_ = false;
      worldError_ = nullptr;
      stopWorld_ = false;
      ShowFrame();
      frame_ = frame_.copy();  // the world draws on the picture from now on
      QEventLoop events;
      connect(this, &TSession::WorldLeft, &events, &QEventLoop::quit);
      world_ = std::thread([this, &goOn, &between] { WorldLoop(goOn, between); });
      events.exec();
      // The event loop ends early when the application quits: the world stops
      // after the cycle in progress.
      StopWorld();
      world_.join();
      error = worldError_;
    }
  } catch (...) {
    error = std::current_exception();
  }
  --runDepth_;
  commandDepth_ = outerDepth;
  mouseRead_ = false;
  if (error) ReportRunError(error);
  // Paused: what still waits takes effect at once.
  ApplyWaitingNow();
}

void TSession::WorldLoop(const std::function<bool()>& goOn, const std::function<void()>& between) {
  try {
    for (bool more = true; more;) {
      const int64_t startMs = PaceStartMs();
      phase_ = kCyclePhase;
      const double cycleMs = CycleOnce();
      phase_ = nullptr;
      Meet([&] { more = AfterCycle(cycleMs, goOn, between); });
      if (more) more = Pace(startMs, goOn);
    }
  } catch (...) {
    worldError_ = std::current_exception();
  }
  {
    const std::lock_guard lock(meetMutex_);
    worldDone_ = true;
  }
  meetChanged_.notify_all();
  emit WorldLeft();
}

double TSession::CycleOnce() {
  QElapsedTimer clock;
  clock.start();
  track_->Cycle();
  return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

bool TSession::AfterCycle(double cycleMs, const std::function<bool()>& goOn, const std::function<void()>& between) {
  ++cycleCount_;
  SetModified(true);
  plotHistory_->RecordCycle(*track_, cycleCount_, cycleMs);
  KeepCycle();
  journal_.RecordPasses(track_->CycleCount, track_->LastPassCount);
  if (std::exchange(restartJournal_, false)) StartJournal();
  phase_ = "showing the cycle";
  if (between) between();
  ReportApplied();
  emit CycleDone(cycleMs);
  ShowFrame();
  phase_ = "saving the frame";
  if (SavingFrames) SaveFrame();
  phase_ = "recording the film";
  if (Video.IsRecording()) RecordFrame();
  return AskGoOn(goOn);
}

bool TSession::AskGoOn(const std::function<bool()>& goOn) {
  phase_ = "the commands given during the cycle";
  RunDeferred();
  phase_ = "asking whether to go on";
  ReadMouseForCycle();
  const bool more = !stopWorld_ && goOn();
  phase_ = nullptr;
  return more;
}

void TSession::ReportRunError(std::exception_ptr error) {
  // A failed cycle is not counted: it is the one after the last counted.
  const bool inCycle = phase_ && std::string_view(phase_) == kCyclePhase;
  if (inCycle) SetModified(true);
  ReportApplied();
  const int64_t cycle = cycleCount_ + (inCycle ? 1 : 0);
  const QString where = QStringLiteral("the run loop, cycle %1, phase: %2")
                            .arg(cycle)
                            .arg(QString::fromLatin1(phase_ ? phase_ : "between cycles"));
  phase_ = nullptr;
  try {
    std::rethrow_exception(error);
  } catch (...) {
    QString reason;
    try {
      throw;
    } catch (const std::exception& failure) {
      reason = QString::fromStdString(failure.what());
    } catch (...) {
      reason = QStringLiteral("an unknown error");
    }
    // The run has stopped, and shows it, before the report is read.
    emit RunStopped(cycle, reason);
    Report(where);
  }
}

// ---------------------------------------------------------------------------
// Meetings.

void TSession::Meet(const std::function<void()>& work) {
  if (std::this_thread::get_id() == windowThread_) {
    work();
    return;
  }
  {
    const std::lock_guard lock(meetMutex_);
    meeting_ = &work;
    meetingTaken_ = false;
    meetingDone_ = false;
    meetingError_ = nullptr;
  }
  meetChanged_.notify_all();
  QMetaObject::invokeMethod(this, [this] { Serve(); }, Qt::QueuedConnection);
  std::exception_ptr error;
  {
    std::unique_lock lock(meetMutex_);
    meetChanged_.wait(lock, [this] { return meetingDone_; });
    meeting_ = nullptr;
    error = std::exchange(meetingError_, nullptr);
  }
  if (error) std::rethrow_exception(error);
}

void TSession::Serve() {
  const std::function<void()>* work = nullptr;
  {
    const std::lock_guard lock(meetMutex_);
    if (!meeting_ || meetingTaken_) return;  // served already (or by another way)
    meetingTaken_ = true;
    work = meeting_;
  }
  ++serving_;
  std::exception_ptr error;
  try {
    (*work)();
  } catch (...) {
    error = std::current_exception();
  }
  --serving_;
  {
    const std::lock_guard lock(meetMutex_);
    meetingError_ = error;
    meetingDone_ = true;
  }
  meetChanged_.notify_all();
}

void TSession::StopWorld() {
  stopWorld_ = true;
  WakeRun();  // a world waiting for its pace stops at once
  std::unique_lock lock(meetMutex_);
  while (!worldDone_) {
    if (meeting_ && !meetingTaken_) {
      lock.unlock();
      Serve();
      lock.lock();
      continue;
    }
    meetChanged_.wait(lock);
  }
}

void TSession::Defer(const QString& name, std::function<void()> command, bool changesWorld, int gesture) {
  deferred_.push_back({name, std::move(command), changesWorld, gesture});
  WakeRun();  // a world waiting for its pace runs it now
}

void TSession::RunDeferred() {
  // In the order given. One of them may start a run, whose cycles run the
  // commands given meanwhile: each batch is taken out first.
  while (!deferred_.empty()) {
    std::vector<TDeferredCommand> batch;
    batch.swap(deferred_);
    for (const TDeferredCommand& next : batch) RunNow(next.Name, next.Command, next.ChangesWorld, next.Gesture);
  }
}

// ---------------------------------------------------------------------------
// What the window shows and reads.

void TSession::ShowFrame() {
  // Only a picture drawn on since it was last shown needs showing again. The
  // window paints a copy: the world draws the next picture meanwhile.
  if (!canvas_ || !canvas_->Painting()) return;
  canvas_->End();
  // While a run goes on the world draws on the picture: the window keeps a copy
  // of its own. Paused, only the window draws: it shares the picture.
  frame_ = Running() ? picture_->Image().copy() : picture_->Image();
  emit FrameShown();
}

void TSession::ReadMouseForCycle() {
  mouseRead_ = true;
  mouseOk_ = ReadMouse && ReadMouse(mouseX_, mouseY_);
}

bool TSession::MousePosition(int32_t& x, int32_t& y) {
  // Read at most once per frame: every future of the frame sees the same cursor.
  // A cycle's cursor was read in the window before the cycle began.
  if (!mouseRead_ && std::this_thread::get_id() == windowThread_) ReadMouseForCycle();
  if (!mouseRead_ || !mouseOk_) return false;
  x = mouseX_;
  y = mouseY_;
  return true;
}

// ---------------------------------------------------------------------------
// Frames.

QString TSession::FrameFileName(const QString& prefix, int32_t counter) {
  return DecodeFileName(::vorlanth::FrameFileName(EncodeFileName(prefix), counter));
}

void TSession::SaveFrame() {
  canvas_->End();
  // A frame that cannot be written is the user's to fix (a folder gone, a full
  // disk): a plain message naming the file, not a crash report.
  const std::string name = ::vorlanth::FrameFileName(EncodeFileName(FramePrefix), FrameCounter);
  try {
    AsFileProblem(DecodeFileName(name), [&] { SavePicture(picture_->Image(), name); });
  } catch (...) {
    SavingFrames = false;  // every Run would fail again: the user chooses anew
    throw;
  }
  if (FrameCounter < std::numeric_limits<int32_t>::max()) ++FrameCounter;
}

void TSession::RecordFrame() {
  canvas_->End();
  // A failed film has stopped and left nothing under its name: the run stops too.
  if (const QString error = Video.AddFrame(picture_->Image()); !error.isEmpty())
    throw TFileProblem(Video.FileName(), error.toStdString());
  emit FrameRecorded();
}

}  // namespace vorlanth
