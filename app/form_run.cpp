// The run: Run, Pause, Step and Reset, their keys from anywhere in the window,
// the window's part of each cycle, and saving the frames.

#include <QAbstractSpinBox>
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTextEdit>
#include <QTimer>

#include <utility>

#include "app/choose_player_box.h"
#include "app/file_problem.h"
#include "app/form_test2d.h"
#include "app/move_box.h"
#include "app/session.h"
#include "app/start_stop_box.h"
#include "core/error.h"
#include "core/random.h"
#include "core/team.h"
#include "world2d/track2d.h"

namespace vorlanth {

namespace {

constexpr int kNoticeMs = 8000;  // how long a notice stays in the status bar

}  // namespace

// ---------------------------------------------------------------------------
// The run keys.

namespace {

// Where Space and "." are typed rather than run or step: an editable text that is
// not a spin box's number.
bool TypesText(const QObject* widget) {
  if (const auto* edit = qobject_cast<const QLineEdit*>(widget))
    return !edit->isReadOnly() && !qobject_cast<const QAbstractSpinBox*>(edit->parent());
  if (const auto* text = qobject_cast<const QTextEdit*>(widget)) return !text->isReadOnly();
  if (const auto* text = qobject_cast<const QPlainTextEdit*>(widget)) return !text->isReadOnly();
  if (const auto* box = qobject_cast<const QComboBox*>(widget)) return box->isEditable();
  return false;
}

}  // namespace

bool TFormTest2D::eventFilter(QObject* watched, QEvent* event) {
  // A widget that wants a key for itself says so in its ShortcutOverride; here the
  // run keys refuse it to all but text fields, so their shortcuts fire.
  if (event->type() == QEvent::MouseButtonPress) ++session_->Gesture;  // a new drag
  if (event->type() == QEvent::ShortcutOverride) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool runKey = (key->key() == Qt::Key_Space || key->key() == Qt::Key_Period) &&
                        (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    const auto* widget = qobject_cast<const QWidget*>(watched);
    if (runKey && widget && widget->window() == this && !TypesText(widget)) {
      event->ignore();
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// The run loop.

void TFormTest2D::StartBtnClick() { RunSimulation(); }

void TFormTest2D::RunSimulation() {
  session_->BeginRun();
  ShowRunning(true);
  session_->RunLoop([this] { return startStop_->RunDown(); }, [this] { AfterCycle(); });
  ShowRunning(Running());
}

void TFormTest2D::StepBtnClick() {
  if (Running()) {
    // The cycle in progress is the step: the loop ends after it.
    startStop_->Pause();
    return;
  }
  bool done = false;
  session_->RunLoop([&done] { return !std::exchange(done, true); }, [this] { AfterCycle(); });
}

void TFormTest2D::RunPauseKeyPress() {
  if (startStop_->RunDown()) {
    startStop_->ClickPause();
  } else {
    startStop_->ClickRun();
  }
}

void TFormTest2D::AfterCycle() {
  ShowNewbornPlayers();
  UpdateRealTimeParams();
}

void TFormTest2D::ShowNewbornPlayers() {
  // Players born by splitting join the team, and the newest is selected, without
  // the window's knowing: the list and the panels catch up here.
  const TTeam* team = session_->CurrentTeam();
  if (!team || choose_->PlayerCount() == team->PlayerCount()) return;
  FillPlayerList();
  CopyParamsFromPlayer();
}

void TFormTest2D::ShowRunning(bool running) {
  // The hand moves act only while paused: the MOVE box says so while running.
  move_->ShowRunning(running);
  if (running) ArrowTimer->stop();
}

void TFormTest2D::ResetBtnClick() {
  session_->Reset();
  CopyParamsFromScreen();
}

void TFormTest2D::SaveimagestofolderClick(bool checked) {
  QAction* item = Item("Saveimagestofolder");
  session_->SavingFrames = false;
  if (!checked) return;  // saving stops at once
  QString name = Dialogs.SaveFile(saveFolder_);
  if (name.isEmpty()) {
    item->setChecked(false);
    return;
  }
  // A picture's extension typed with the name is no part of the prefix:
  // "frame.bmp" gives frame_00001.bmp.
  static const QStringList kPictureSuffixes = {QStringLiteral("bmp"), QStringLiteral("png"), QStringLiteral("jpg"),
                                               QStringLiteral("jpeg")};
  const QString suffix = QFileInfo(name).suffix();
  if (kPictureSuffixes.contains(suffix, Qt::CaseInsensitive)) name.chop(suffix.size() + 1);
  session_->FramePrefix = name;
  session_->SavingFrames = true;
  saveFolder_ = QFileInfo(name).absolutePath();
}

// ---------------------------------------------------------------------------
// Films.

void TFormTest2D::RecordVideoClick(bool checked) {
  QAction* item = Item("RecordVideoItem");
  if (!checked) {
    StopRecording();
    return;
  }
  QString name = Dialogs.SaveVideo(saveFolder_);
  if (name.isEmpty()) {
    item->setChecked(false);
    return;
  }
  if (QFileInfo(name).suffix().isEmpty()) name += QStringLiteral(".mp4");
  saveFolder_ = QFileInfo(name).absolutePath();
  const QString error = session_->Video.Start(name);
  ShowRecording();
  if (!error.isEmpty()) {
    item->setChecked(false);
    throw TFileProblem(name, error.toStdString());
  }
}

void TFormTest2D::StopRecording() {
  if (!session_->Video.IsRecording()) return;
  const bool empty = session_->Video.FrameCount() == 0;
  const QString name = session_->Video.FileName();
  const QString error = session_->Video.Stop();
  Item("RecordVideoItem")->setChecked(false);
  ShowRecording();
  if (error.isEmpty()) {
    statusBar()->showMessage(QStringLiteral("Film written: %1 (%2 frames)")
                                 .arg(QDir::toNativeSeparators(name))
                                 .arg(session_->Video.FrameCount()),
                             kNoticeMs);
    return;
  }
  // A recording in which no cycle ran writes no film: worth saying, not an error.
  if (empty) {
    statusBar()->showMessage(error, kNoticeMs);
    return;
  }
  throw TFileProblem(name, error.toStdString());
}

void TFormTest2D::ShowRecording() {
  const bool recording = session_->Video.IsRecording();
  RecordingLabel->setVisible(recording);
  if (recording) RecordingLabel->setText(session_->Video.StatusText());
  // A film stopped by an error takes its check mark with it.
  if (!recording) Item("RecordVideoItem")->setChecked(false);
}

}  // namespace vorlanth
